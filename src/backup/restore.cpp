#include "backup/restore.h"

#include "backup/found_sets.h"

namespace lorvane::backup {

bool isBelow(const std::wstring& path, const std::wstring& folder) {
    std::wstring f = foldedPath(folder);
    while (!f.empty() && f.back() == L'\\') f.pop_back();
    const std::wstring p = foldedPath(path);
    return p == f || p.starts_with(f + L"\\");
}

RestorePlan planRestore(BackupSystem& system, const std::wstring& destination, const std::vector<FoundSet>& sets,
                        const ResolvedTree& tree, const std::vector<std::wstring>& chosen, const std::wstring& target) {
    RestorePlan plan;
    if (!tree.failure.empty()) return {{}, 0, 0, tree.failure};
    if (!target.empty() && isBelow(target, destination))
        return {{}, 0, 0, L"復元先 " + target + L" は保存先 " + destination + L" の中にあります。別のﾌｫﾙﾀﾞを選んでください。"};
    for (const ResolvedFile& file : tree.files) {
        const std::wstring original = originalPath(file.relative);
        bool wanted = false;
        for (const std::wstring& path : chosen) wanted = wanted || isBelow(original, path);
        if (!wanted) continue;
        RestoreItem item{join(join(destination, sets[file.set].name), file.relative),
                         target.empty() ? original : join(target, file.relative), file.size};
        if (target.empty() && isBelow(original, destination)) continue;  // never into the sets themselves
        if (const std::optional<FoundFile> there = system.fileInfo(item.target)) {
            if (there->size == file.size && there->writeTime == file.writeTime) {
                ++plan.unchanged;
                continue;
            }
            item.replaces = true;
            item.newer = there->writeTime > file.writeTime;
        }
        plan.bytes += item.size;
        plan.items.push_back(std::move(item));
    }
    if (plan.items.empty() && plan.unchanged == 0) plan.failure = L"選んだﾌｫﾙﾀﾞとﾌｧｲﾙには、復元するﾌｧｲﾙがありません。";
    return plan;
}

bool RestoreRun::step(const CopyProgress& within) {
    if (cancelled_ || next_ >= plan_.items.size()) return false;
    const RestoreItem& item = plan_.items[next_];
    const CopyResult result = system_.copyFile(item.source, item.target, [&](std::uint64_t copied) {
        return within(copied) && !cancelled_;
    });
    switch (result.outcome) {
        case CopyOutcome::Copied:
            ++copied_;
            break;
        case CopyOutcome::Cancelled:
            cancelled_ = true;
            return false;
        case CopyOutcome::InUse:
            ++inUse_;
            failures_.push_back(item.target + L"：使用中のため復元できませんでした。" + result.description);
            break;
        case CopyOutcome::Failed:
            failures_.push_back(item.target + L"：" + result.description);
            break;
    }
    bytesDone_ += item.size;
    ++next_;
    return !cancelled_ && next_ < plan_.items.size();
}

std::wstring RestoreRun::summary() const {
    std::wstring text = L"復元したﾌｧｲﾙ " + std::to_wstring(copied_) + L" / " + std::to_wstring(total()) +
                        L"  失敗 " + std::to_wstring(failures_.size());
    if (inUse_ > 0) text += L" (使用中 " + std::to_wstring(inUse_) + L")";
    if (plan_.unchanged > 0) text += L"  変更なし " + std::to_wstring(plan_.unchanged);
    if (cancelled_) text += L"  中止しました (残り " + std::to_wstring(total() - next_) + L")";
    return text;
}

}  // namespace lorvane::backup
