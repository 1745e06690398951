// The state a folder had at one set: which sets make it up (its chain) and,
// for each file, the set it comes from. A restore and the restore drill read it.
// docs/backup-sets.md says which sets a chain takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backup/backup_sets.h"
#include "backup/backup_system.h"

namespace lorvane::backup {

// The sets, as indexes into the found sets (oldest first), that together hold the
// state at the chosen set: oldest first, the chosen set last. When the state cannot
// be made (a half-written set, a missing normal set), `failure` says why and the
// list is empty.
struct Chain {
    std::vector<std::size_t> sets;
    std::wstring failure;
};

// Normal, copy and daily sets stand alone (a daily set holds the files written on
// its day, nothing more). An incremental or a differential takes the last normal
// set before it that finished and every set in between that cleared archive bits
// (incrementals, and normal sets that failed part way), so that no file whose bit
// a run cleared is left out.
Chain restoreChain(const std::vector<FoundSet>& sets, std::size_t chosen);

// A file of the state, and the set it comes from: the newest set of the chain that holds it.
struct ResolvedFile {
    std::wstring relative;  // below the set's folder: "C\\DATA\\sub\\a.txt"
    std::size_t set = 0;    // index into the found sets
    std::uint64_t size = 0;
    std::int64_t writeTime = 0;
    DateTime written;
};

struct ResolvedTree {
    std::vector<ResolvedFile> files;  // sorted by path, case as the system compares it
    std::wstring failure;             // a set of the chain could not be read
};

// The files of the chain's sets, without each set's own files (its log, its
// result record and the registry's hives).
ResolvedTree resolveTree(BackupSystem& system, const std::wstring& destination, const std::vector<FoundSet>& sets,
                         const Chain& chain);

// Where a file of a set was backed up from: "C\\DATA\\a.txt" is C:\DATA\a.txt,
// "srv\\share\\a.txt" is \\srv\share\a.txt.
std::wstring originalPath(std::wstring_view relative);

// The registry's hives a set saved (SYSTEM.hiv, ...), by name; none when it saved none.
std::vector<std::wstring> savedHives(BackupSystem& system, const std::wstring& setFolder);
inline constexpr wchar_t kRegistryFolder[] = L"Registry";

// A path as Windows compares names: upper case, so that C:\Data and c:\DATA are one.
std::wstring foldedPath(std::wstring_view path);

}  // namespace lorvane::backup
