#include "backup/drill.h"

#include <algorithm>

#include "backup/found_sets.h"
#include "backup/restore_chain.h"

namespace lorvane::backup {

std::wstring DrillResult::value() const {
    return std::wstring(passed ? L"success " : L"failed ") + std::to_wstring(checked) + L"/" +
           std::to_wstring(sampled) + L" " + (set.empty() ? L"-" : set);
}

DrillResult runDrill(BackupSystem& system, const std::wstring& destination, std::size_t sample) {
    DrillResult drill;
    const std::vector<FoundSet> sets = findSets(system, destination);
    Chain chain;
    for (std::size_t i = sets.size(); i-- > 0 && chain.sets.empty();) chain = restoreChain(sets, i);
    if (chain.sets.empty()) {
        drill.problems.push_back(sets.empty() ? L"保存先 " + destination + L" にｾｯﾄがありません。"
                                              : L"復元できるｾｯﾄがありません。" + chain.failure);
        return drill;
    }
    drill.set = sets[chain.sets.back()].name;
    const ResolvedTree tree = resolveTree(system, destination, sets, chain);
    if (!tree.failure.empty()) {
        drill.problems.push_back(tree.failure);
        return drill;
    }
    if (tree.files.empty()) {
        drill.problems.push_back(L"ｾｯﾄ " + drill.set + L" には復元するﾌｧｲﾙがありません。");
        return drill;
    }
    const std::wstring scratch = join(destination, kDrillFolder);
    // What an earlier drill left when it was cut off goes first.
    if (system.folderExists(scratch)) system.removeTree(scratch);
    const std::size_t count = std::min(sample, tree.files.size());
    for (std::size_t n = 0; n < count; ++n) {
        const ResolvedFile& file = tree.files[n * tree.files.size() / count];
        ++drill.sampled;
        const std::wstring source = join(join(destination, sets[file.set].name), file.relative);
        const std::wstring copy = join(scratch, file.relative);
        const CopyResult copied = system.copyFile(source, copy, {});
        if (copied.outcome != CopyOutcome::Copied) {
            drill.problems.push_back(originalPath(file.relative) + L"：復元できませんでした。" + copied.description);
            continue;
        }
        const std::optional<FoundFile> arrived = system.fileInfo(copy);
        const Comparison same = system.compareContents(source, copy);
        if (same != Comparison::Same || !arrived || arrived->size != file.size || arrived->writeTime != file.writeTime)
            drill.problems.push_back(originalPath(file.relative) +
                                     (same == Comparison::Unreadable ? L"：読めません。" : L"：内容が一致しません。"));
        else
            ++drill.checked;
    }
    if (const SystemResult removed = system.removeTree(scratch); !removed.ok())
        drill.problems.push_back(L"作業用のﾌｫﾙﾀﾞ " + scratch + L" を削除できませんでした：" + removed.description);
    drill.passed = drill.problems.empty();
    return drill;
}

}  // namespace lorvane::backup
