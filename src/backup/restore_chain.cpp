#include "backup/restore_chain.h"

#include <algorithm>
#include <cwctype>
#include <map>

#include "backup/found_sets.h"

namespace lorvane::backup {
namespace {

bool finished(const FoundSet& set) { return set.record && set.record->result != SetResult::Running; }

// Runs of these types clear the archive bits of what they copied.
bool clearsBits(Int16 type) { return type == backupMode::Normal || type == backupMode::Incremental; }

std::wstring unfinished(const FoundSet& set) {
    return L"ｾｯﾄ " + set.name + L" は実行が終わっていないか、結果のﾌｧｲﾙ " + kResultFileName + L" が壊れています。";
}

}  // namespace

Chain restoreChain(const std::vector<FoundSet>& sets, std::size_t chosen) {
    const FoundSet& set = sets.at(chosen);
    if (!finished(set)) return {{}, unfinished(set)};
    if (set.record->result == SetResult::Failed)
        return {{}, L"ｾｯﾄ " + set.name + L" の実行は失敗しました。このｾｯﾄからは復元できません。"};
    const Int16 type = set.parsed.type;
    if (type != backupMode::Incremental && type != backupMode::Differential) return {{chosen}, {}};
    std::size_t base = chosen;
    for (std::size_t i = chosen; i-- > 0;)
        if (isBase(sets[i])) {
            base = i;
            break;
        }
    if (base == chosen)
        return {{}, L"ｾｯﾄ " + set.name + L" の前に、終了した完全ﾊﾞｯｸｱｯﾌﾟ (normal) のｾｯﾄがありません。" +
                        L"このｾｯﾄだけでは元の状態を作れません。"};
    Chain chain{{base}, {}};
    for (std::size_t i = base + 1; i < chosen; ++i) {
        if (!clearsBits(sets[i].parsed.type)) continue;
        if (!finished(sets[i]))
            return {{}, unfinished(sets[i]) + L"ｾｯﾄ " + set.name + L" の状態はこのｾｯﾄなしには作れません。"};
        chain.sets.push_back(i);
    }
    chain.sets.push_back(chosen);
    return chain;
}

std::wstring foldedPath(std::wstring_view path) {
    std::wstring folded(path);
    for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towupper(c));
    return folded;
}

ResolvedTree resolveTree(BackupSystem& system, const std::wstring& destination, const std::vector<FoundSet>& sets,
                         const Chain& chain) {
    std::map<std::wstring, ResolvedFile> byPath;
    const std::wstring registry = foldedPath(std::wstring(kRegistryFolder) + L"\\");
    for (std::size_t index : chain.sets) {
        const std::wstring folder = join(destination, sets[index].name);
        const SystemResult walked = system.walk(folder, [&](const FoundFile& file) {
            const std::wstring key = foldedPath(file.relative);
            // The set's own files lie directly in its folder; the files of the folders one level down.
            if (key.find(L'\\') == std::wstring::npos || key.starts_with(registry)) return;
            byPath[key] = {file.relative, index, file.size, file.writeTime, file.written};
        });
        if (!walked.ok()) return {{}, L"ｾｯﾄ " + sets[index].name + L" を読めません：" + walked.description};
    }
    ResolvedTree tree;
    for (auto& [key, file] : byPath) tree.files.push_back(std::move(file));
    return tree;
}

std::wstring originalPath(std::wstring_view relative) {
    const std::size_t slash = relative.find(L'\\');
    const std::wstring_view first = relative.substr(0, slash);
    if (first.size() == 1 && std::iswalpha(first[0]))
        return std::wstring(first) + L":" + (slash == std::wstring_view::npos ? L"\\" : std::wstring(relative.substr(slash)));
    return L"\\\\" + std::wstring(relative);
}

std::vector<std::wstring> savedHives(BackupSystem& system, const std::wstring& setFolder) {
    std::vector<std::wstring> hives;
    const std::wstring folder = join(setFolder, kRegistryFolder);
    if (!system.folderExists(folder)) return hives;
    system.walk(folder, [&](const FoundFile& file) {
        if (foldedPath(file.relative).ends_with(L".HIV") && file.relative.find(L'\\') == std::wstring::npos)
            hives.push_back(file.relative);
    });
    std::sort(hives.begin(), hives.end());
    return hives;
}

}  // namespace lorvane::backup
