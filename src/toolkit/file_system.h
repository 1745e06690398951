// What the drive list and the folder list read of the file system: the drives
// of the machine and the folders inside a folder. The Win32 backend asks the
// system; the headless one keeps a small machine in memory that tests fill.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tk {

// A folder or drive that cannot be read: a drive without its medium, a
// network drive that is gone, a folder that no longer exists. `reason` is the
// system's own text of why, in the user's language.
class FolderUnreadable : public std::runtime_error {
public:
    explicit FolderUnreadable(const std::wstring& path, std::wstring reason = {})
        : std::runtime_error("the folder cannot be read"), path_(path), reason_(std::move(reason)) {}
    const std::wstring& path() const { return path_; }
    const std::wstring& reason() const { return reason_; }

private:
    std::wstring path_;
    std::wstring reason_;
};

namespace files {

enum class DriveType { Fixed, Removable, Network, CdRom, RamDisk, Unknown };

struct DriveInfo {
    wchar_t letter = L'C';  // upper case
    DriveType type = DriveType::Fixed;
    std::wstring label;     // the volume label; empty when the drive has none or cannot be read
};

// The drives of the machine, A: to Z:.
std::vector<DriveInfo> drives();

// The full path that a path stands for. A drive designation alone ("D:") stands
// for the folder that the system keeps as that drive's current folder: the
// process's current folder when it lies on that drive, else the drive's root.
std::wstring fullPath(const std::wstring& path);

// The names of the folders inside the folder, hidden ones left out, in no
// particular order. Throws FolderUnreadable when the folder cannot be read.
std::vector<std::wstring> subfolders(const std::wstring& path);

}  // namespace files

}  // namespace tk
