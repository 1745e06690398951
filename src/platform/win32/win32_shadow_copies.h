// Shadow copies of the volumes a run reads, made through the VSS requester API
// for the length of one run, and the snapshot that reads the live folders where
// none could be made.
#pragma once

#include <string>
#include <vector>

#include "backup/backup_system.h"

namespace lorvane::win32 {

// Reads every folder where it is.
class LiveFolders final : public backup::Snapshot {
public:
    std::wstring readPath(const std::wstring& folder) const override { return folder; }
};

// One shadow copy set with a copy of each distinct volume that holds the folders
// (a share has none: it is read live), each reached through a directory link made
// in `linkFolder`. Any failure gives a snapshot that reads the volumes concerned
// live, and the reason: the system's text, or the step and its HRESULT.
backup::SnapshotResult takeShadowCopies(const std::vector<std::wstring>& folders,
                                        const std::wstring& linkFolder);

}  // namespace lorvane::win32
