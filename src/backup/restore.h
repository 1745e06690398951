// A restore: the files the user chose of a set's state, copied back to where they
// were or into another folder, one file a step, so that a window can show its
// progress and cancel it between files (and within a large one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backup/restore_chain.h"

namespace lorvane::backup {

struct RestoreItem {
    std::wstring source;  // in its set
    std::wstring target;
    std::uint64_t size = 0;
    bool replaces = false;  // a file is there now
    bool newer = false;     // and it was written later than the set's copy
};

struct RestorePlan {
    std::vector<RestoreItem> items;
    std::size_t unchanged = 0;  // already there with the same size and write time: left alone
    std::uint64_t bytes = 0;
    std::wstring failure;  // why nothing can be restored; empty when the plan stands
};

// The files of the tree below each chosen path (an original path: a file, or a
// folder with everything in it). `target` empty: each file goes back to its
// original place; else into that folder, laid out as in the set (C\DATA\...).
// Nothing is deleted: files that are there and not in the backup stay.
RestorePlan planRestore(BackupSystem& system, const std::wstring& destination, const std::vector<FoundSet>& sets,
                        const ResolvedTree& tree, const std::vector<std::wstring>& chosen, const std::wstring& target);

// Whether the original path lies in the folder (or is it), as Windows compares names.
bool isBelow(const std::wstring& path, const std::wstring& folder);

class RestoreRun {
public:
    RestoreRun(BackupSystem& system, RestorePlan plan) : system_(system), plan_(std::move(plan)) {}

    // Copies the next file; false when none is left or the run was cancelled.
    // `within` hears how far a large file has come (false from it cancels).
    bool step(const CopyProgress& within);
    void cancel() { cancelled_ = true; }

    bool cancelled() const { return cancelled_; }
    std::size_t done() const { return next_; }
    std::size_t total() const { return plan_.items.size(); }
    std::uint64_t bytesDone() const { return bytesDone_; }
    std::uint64_t bytesTotal() const { return plan_.bytes; }
    std::size_t copied() const { return copied_; }
    std::size_t inUse() const { return inUse_; }
    // Each file that was not restored, with the reason.
    const std::vector<std::wstring>& failures() const { return failures_; }
    // The counts, for the window and the job's log.
    std::wstring summary() const;

private:
    BackupSystem& system_;
    RestorePlan plan_;
    std::size_t next_ = 0, copied_ = 0, inUse_ = 0;
    std::uint64_t bytesDone_ = 0;
    bool cancelled_ = false;
    std::vector<std::wstring> failures_;
};

}  // namespace lorvane::backup
