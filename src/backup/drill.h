// The restore drill (復元の確認): a sample of the newest set's files restored into
// a scratch folder beside the sets, compared with the set, and the scratch folder
// removed again. A run starts it every N runs (the job's `drill=N`); the restore
// window starts it on demand.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "backup/backup_system.h"

namespace lorvane::backup {

inline constexpr std::size_t kDrillSample = 20;
inline constexpr wchar_t kDrillFolder[] = L"lorvane-drill";

struct DrillResult {
    bool passed = false;
    std::wstring set;  // the set whose state it restored
    std::size_t sampled = 0, checked = 0;
    std::vector<std::wstring> problems;  // each file that did not come back as the set holds it
    // The line of the result record and the status: "success 20/20 <set>", "failed 18/20 <set>",
    // "failed 0/0 -" when there was nothing to restore from.
    std::wstring value() const;
};

// Restores up to `sample` files spread over the newest set that can be restored.
DrillResult runDrill(BackupSystem& system, const std::wstring& destination, std::size_t sample = kDrillSample);

}  // namespace lorvane::backup
