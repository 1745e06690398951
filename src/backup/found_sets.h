// The sets found below a copy backup's destination, as a run, the status and a
// restore read them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "backup/backup_sets.h"
#include "backup/backup_system.h"

namespace lorvane::backup {

// The folder and a name below it, with one separator between.
std::wstring join(const std::wstring& folder, std::wstring_view name);

// The sets below the destination, oldest first, each with its result record
// where it has a readable one; other folders are left out.
std::vector<FoundSet> findSets(BackupSystem& system, const std::wstring& destination);

}  // namespace lorvane::backup
