// The sets below a copy backup's destination: their names, the result record
// each run leaves in its set, the destination's mark, and which sets are kept.
// docs/backup-sets.md describes the files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"
#include "core/settings.h"

namespace lorvane::backup {

enum class SetResult { Running, Success, Partial, Failed };

// What one run left in its set as result.ini.
struct ResultRecord {
    std::wstring set;                        // the set's folder name
    Int16 type = backupMode::Normal;         // a backupMode value
    DateTime started, ended;
    SetResult result = SetResult::Running;
    bool snapshot = false;                   // read from shadow copies
    std::uint64_t files = 0, bytes = 0;      // what the set holds
    std::uint64_t failed = 0;                // files selected but not copied, or copied wrong
    std::uint64_t mismatches = 0;            // of those, found by the check after the copy
    std::wstring reason;                     // why it failed or was partial, for a reader
    std::wstring drill;                      // the restore drill after the run (DrillResult::value); empty: none
};

inline constexpr int kResultFormat = 1;
inline constexpr wchar_t kResultFileName[] = L"result.ini";
inline constexpr wchar_t kSetLogName[] = L"backup.log";

// The exit code of a run for the Task Scheduler: 0 success, 1 partial, 2 failed.
int exitCodeOf(SetResult result);
// The word the job's log and the status use: 成功 / 一部のﾌｧｲﾙをｺﾋﾟｰできませんでした / 失敗.
std::wstring resultWord(SetResult result);

// UTF-8, "key=value" lines; read back exactly, or nothing when damaged.
std::string writeResultRecord(const ResultRecord& record);
std::optional<ResultRecord> readResultRecord(std::string_view bytes);

// "2026-12-08_023000_incremental": sorts by time, no locale in it.
std::wstring setName(DateTime started, Int16 type);
// The time and type a set's name gives, or nothing for another folder's name.
struct SetName {
    DateTime started;
    Int16 type = backupMode::Normal;
};
std::optional<SetName> parseSetName(std::wstring_view name);

// A set found below the destination: its name and, when it has one, its record.
struct FoundSet {
    std::wstring name;
    SetName parsed;
    std::optional<ResultRecord> record;  // none: the run never finished (or its record is damaged)
};

// Whether a set can stand as the full base of later sets: a normal set whose run
// finished with every file, or with some failed (what failed keeps its archive bit).
bool isBase(const FoundSet& set);

// The sets to delete, oldest first, from `sets` sorted oldest first, the newest
// being the run just finished. `keepFull` > 0 keeps that many newest bases and
// every set after the oldest of them; 0 keeps all. `replace` (上書き) after a
// successful newest set deletes every earlier set the newest does not need. A set
// that a kept set needs (its base and, for an incremental, the sets between) is
// never deleted.
std::vector<std::wstring> setsToDelete(const std::vector<FoundSet>& sets, int keepFull, bool replace);

}  // namespace lorvane::backup
