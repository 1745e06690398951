// The drives and folders of the real machine, for the drive and folder lists.
#include <windows.h>

#include <cwctype>
#include <vector>

#include "toolkit/win32/scoped.h"
#include "toolkit/win32/system_text.h"
#include "toolkit/file_system.h"

namespace tk {
namespace {

// No "insert a disk" box from the system: a drive without its medium is only unreadable.
class QuietErrors {
public:
    QuietErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~QuietErrors() { SetErrorMode(previous_); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    UINT previous_;
};

files::DriveType typeOf(UINT type) {
    switch (type) {
        case DRIVE_FIXED: return files::DriveType::Fixed;
        case DRIVE_REMOVABLE: return files::DriveType::Removable;
        case DRIVE_REMOTE: return files::DriveType::Network;
        case DRIVE_CDROM: return files::DriveType::CdRom;
        case DRIVE_RAMDISK: return files::DriveType::RamDisk;
        default: return files::DriveType::Unknown;
    }
}

std::wstring withSeparator(std::wstring path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path;
}

// Each folder inside, hidden ones too; the system's error when the folder cannot
// be read, else ERROR_SUCCESS.
template <class Visit>
DWORD forEachFolder(const std::wstring& path, bool withHidden, Visit visit) {
    QuietErrors quiet;
    WIN32_FIND_DATAW found{};
    const win32::AutoFindClose search(FindFirstFileExW((withSeparator(path) + L"*").c_str(),
                                                                FindExInfoBasic, &found,
                                                                FindExSearchLimitToDirectories, nullptr, 0));
    if (!search.valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;  // an empty root
    }
    do {
        const std::wstring name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
        if (!withHidden && (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) continue;
        visit(name);
    } while (FindNextFileW(search, &found));
    return ERROR_SUCCESS;
}

}  // namespace

namespace files {

std::vector<DriveInfo> drives() {
    QuietErrors quiet;
    std::vector<wchar_t> roots(GetLogicalDriveStringsW(0, nullptr) + 1, L'\0');
    GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data());
    std::vector<DriveInfo> list;
    for (const wchar_t* root = roots.data(); *root; root += wcslen(root) + 1) {
        DriveInfo drive;
        drive.letter = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(root[0])));
        drive.type = typeOf(GetDriveTypeW(root));
        // Floppy drives are not asked for their label: it would make them spin.
        const bool floppy =
            drive.type == DriveType::Removable && (drive.letter == L'A' || drive.letter == L'B');
        wchar_t label[MAX_PATH + 1] = {};
        if (!floppy &&
            GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
            drive.label = label;
        list.push_back(drive);
    }
    return list;
}

std::wstring fullPath(const std::wstring& path) {
    const std::wstring full = win32::systemText(
        [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); });
    return full.empty() ? path : full;
}

std::vector<std::wstring> subfolders(const std::wstring& path) {
    std::vector<std::wstring> names;
    const DWORD error = forEachFolder(path, false, [&](const std::wstring& name) { names.push_back(name); });
    if (error != ERROR_SUCCESS)
        throw FolderUnreadable(path, win32::systemErrorText(error));
    return names;
}

}  // namespace files
}  // namespace tk
