#include "platform/win32/win32_backup_system.h"

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "apply/copy_commands.h"
#include "platform/platform_backup_system.h"
#include "platform/platform_system_access.h"
#include "platform/win32/win32_hidden_process.h"
#include "platform/win32/win32_paths.h"
#include "platform/win32/win32_shadow_copies.h"
#include "platform/win32/win32_system_result.h"
#include "toolkit/win32/scoped.h"

namespace lorvane {
namespace {

using backup::FolderAccess;
using tk::win32::AutoCloseHandle;
using tk::win32::AutoFindClose;
using win32::HiddenProcess;
using win32::LiveFolders;
using win32::longPath;
using win32::parentFolder;
using win32::resultOfError;

void enablePrivileges(std::initializer_list<const wchar_t*> names) {
    AutoCloseHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive()))
        return;
    for (const wchar_t* name : names) {
        TOKEN_PRIVILEGES privileges{1, {{{}, SE_PRIVILEGE_ENABLED}}};
        // An account without the privilege keeps its own access; nothing to report.
        if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
}

struct FreeLocal {
    static PSECURITY_DESCRIPTOR none() { return nullptr; }
    static bool valid(PSECURITY_DESCRIPTOR d) { return d != nullptr; }
    static void close(PSECURITY_DESCRIPTOR d) { LocalFree(d); }
};
using SecurityDescriptor = tk::win32::Owned<PSECURITY_DESCRIPTOR, FreeLocal>;

// The access lists, by the well-known SIDs' numbers (the names are translated):
// S-1-5-18 SYSTEM, S-1-5-32-544 Administrators, S-1-3-0 CREATOR OWNER, the one
// who creates a file below, given full control of it alone (inherit only).
// "P" protects the list: nothing comes from the folders above.
const wchar_t* accessText(FolderAccess access) {
    switch (access) {
        case FolderAccess::AdministratorsOnly:
            return L"D:P(A;OICI;FA;;;S-1-5-18)(A;OICI;FA;;;S-1-5-32-544)";
        case FolderAccess::Restricted:
            return L"D:P(A;OICI;FA;;;S-1-5-18)(A;OICI;FA;;;S-1-5-32-544)(A;OICIIO;FA;;;S-1-3-0)";
        case FolderAccess::Inherited:
            break;
    }
    return L"D:";  // nothing of its own: what the parent gives
}

SecurityDescriptor descriptorFor(FolderAccess access) {
    SecurityDescriptor descriptor;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(accessText(access), SDDL_REVISION_1,
                                                         descriptor.receive(), nullptr);
    return descriptor;
}

std::wstring withoutTrailingSeparator(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') && path[path.size() - 2] != L':')
        path.pop_back();
    return path;
}

// Writes all the bytes; the error of the first write that fails.
DWORD writeAll(HANDLE file, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    return ERROR_SUCCESS;
}

// Takes the read-only attribute off the file or folder itself: the handle opens a
// junction or link, never what it points to.
DWORD clearReadOnly(const std::wstring& path, DWORD attributes) {
    const AutoCloseHandle file(CreateFileW(
        longPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_BASIC_INFO info{};  // times of zero stay as they are
    info.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;  // 0 would mean "unchanged"
    if (!file.valid() || !SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info))
        return GetLastError();
    return ERROR_SUCCESS;
}

// Removes one file, or one folder that is empty or is a junction or link (the
// link goes, what it points to stays).
DWORD removeEntry(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
        if (const DWORD error = clearReadOnly(path, attributes)) return error;
    const std::wstring extended = longPath(path);
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(extended.c_str())
                                                                 : DeleteFileW(extended.c_str());
    return removed ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

Win32BackupSystem::Win32BackupSystem() {
    enablePrivileges({SE_BACKUP_NAME, SE_RESTORE_NAME, SE_CREATE_SYMBOLIC_LINK_NAME});
}

Win32BackupSystem::~Win32BackupSystem() = default;

DateTime Win32BackupSystem::now() {
    return platformNow();
}

std::wstring Win32BackupSystem::systemDirectory() {
    return platformSystemDirectory();
}

std::wstring Win32BackupSystem::findProgram(const std::wstring& name) {
    return platformSystemAccess().findProgram(name);
}

std::optional<std::string> Win32BackupSystem::readFile(const std::wstring& path) {
    return readFileStart(path, 1 << 30);
}

std::optional<std::string> Win32BackupSystem::readFileStart(const std::wstring& path, std::size_t count) {
    const AutoCloseHandle file(CreateFileW(longPath(path).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file, &size)) return std::nullopt;
    std::string bytes(std::min(static_cast<std::size_t>(size.QuadPart), count), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            return std::nullopt;
        if (got == 0) {  // shorter than it said a moment ago
            bytes.resize(done);
            break;
        }
        done += got;
    }
    return bytes;
}

SystemResult Win32BackupSystem::replaceFile(const std::wstring& path, std::string_view bytes) {
    return platformSystemAccess().replaceFile(path, bytes);
}

SystemResult Win32BackupSystem::appendFile(const std::wstring& path, std::string_view bytes) {
    // Append access alone: every write lands at the end, whoever else appends.
    AutoCloseHandle file(CreateFileW(longPath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return resultOfError(GetLastError());
    DWORD error = writeAll(file, bytes);
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
    if (!CloseHandle(file.release()) && error == ERROR_SUCCESS) error = GetLastError();
    return resultOfError(error);
}

SystemResult Win32BackupSystem::renameFile(const std::wstring& from, const std::wstring& to) {
    if (!MoveFileExW(longPath(from).c_str(), longPath(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return resultOfError(GetLastError());
    return {};
}

bool Win32BackupSystem::folderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> Win32BackupSystem::subfolders(const std::wstring& path) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const AutoFindClose find(FindFirstFileExW(longPath(withoutTrailingSeparator(path) + L"\\*").c_str(),
                                              FindExInfoBasic, &data, FindExSearchLimitToDirectories, nullptr,
                                              FIND_FIRST_EX_LARGE_FETCH));
    if (!find.valid()) return names;
    do {
        const std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    return names;
}

SystemResult Win32BackupSystem::createFolder(const std::wstring& path, FolderAccess access) {
    const std::wstring folder = withoutTrailingSeparator(path);
    if (folderExists(folder))
        return access == FolderAccess::Inherited ? SystemResult{} : setFolderAccess(folder, access);
    const std::wstring parent = parentFolder(folder);
    if (!parent.empty() && !folderExists(parent)) {
        const SystemResult made = createFolder(parent, FolderAccess::Inherited);
        if (!made.ok()) return made;
    }
    const SecurityDescriptor descriptor = descriptorFor(access);
    if (!descriptor.valid()) return resultOfError(GetLastError());
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    if (!CreateDirectoryW(longPath(folder).c_str(),
                          access == FolderAccess::Inherited ? nullptr : &attributes)) {
        const DWORD error = GetLastError();
        // Made by someone else meanwhile: it still gets the access asked for.
        if (error == ERROR_ALREADY_EXISTS && folderExists(folder))
            return access == FolderAccess::Inherited ? SystemResult{} : setFolderAccess(folder, access);
        return resultOfError(error);
    }
    return {};
}

SystemResult Win32BackupSystem::setFolderAccess(const std::wstring& path, FolderAccess access) {
    const SecurityDescriptor descriptor = descriptorFor(access);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!descriptor.valid() || !GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted))
        return resultOfError(GetLastError());
    // The folder's own list, replaced; what lies below gets what it inherits anew.
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION | (access == FolderAccess::Inherited ? UNPROTECTED_DACL_SECURITY_INFORMATION
                                                                       : PROTECTED_DACL_SECURITY_INFORMATION);
    std::wstring name = longPath(withoutTrailingSeparator(path));
    return resultOfError(
        SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr));
}

SystemResult Win32BackupSystem::removeTree(const std::wstring& path) {
    const std::wstring root = withoutTrailingSeparator(path);
    const DWORD rootAttributes = GetFileAttributesW(longPath(root).c_str());
    if (rootAttributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SystemResult{}
                                                                              : resultOfError(error);
    }
    if (!(rootAttributes & FILE_ATTRIBUTE_DIRECTORY) || (rootAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return resultOfError(removeEntry(root, rootAttributes));

    // Depth first without recursion: a folder is removed once everything in it is.
    struct Pending {
        std::wstring path;
        DWORD attributes;
        bool emptied;
    };
    std::vector<Pending> pending{{root, rootAttributes, false}};
    DWORD firstError = ERROR_SUCCESS;
    const auto note = [&](DWORD error) {
        if (firstError == ERROR_SUCCESS) firstError = error;
    };
    while (!pending.empty()) {
        if (pending.back().emptied) {
            note(removeEntry(pending.back().path, pending.back().attributes));
            pending.pop_back();
            continue;
        }
        pending.back().emptied = true;
        const std::wstring folder = pending.back().path;
        WIN32_FIND_DATAW data;
        const AutoFindClose find(FindFirstFileExW(longPath(folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find.valid()) {
            note(GetLastError());
            continue;
        }
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring entry = folder + L"\\" + name;
            const DWORD attributes = data.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                pending.push_back({entry, attributes, false});
            else
                note(removeEntry(entry, attributes));
        } while (FindNextFileW(find, &data));
    }
    return resultOfError(firstError);
}

std::optional<std::uint64_t> Win32BackupSystem::freeSpace(const std::wstring& path) {
    // A share's root is only understood with its trailing backslash.
    const std::wstring folder = withoutTrailingSeparator(path) + L"\\";
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(longPath(folder).c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
}

backup::SnapshotResult Win32BackupSystem::takeSnapshot(const std::vector<std::wstring>& folders) {
    // The links to the shadow copies live where only SYSTEM and Administrators can look.
    const std::wstring links = systemDirectory() + L"\\Lorvane\\snapshots";
    const SystemResult made = createFolder(links, FolderAccess::AdministratorsOnly);
    if (!made.ok())
        return {std::make_unique<LiveFolders>(),
                links + L": " +
                    (made.description.empty() ? tk::win32::systemErrorText(ERROR_ACCESS_DENIED)
                                              : made.description)};
    return win32::takeShadowCopies(folders, links);
}

ProgramRun Win32BackupSystem::run(const std::wstring& program, const std::wstring& arguments) {
    ProgramRun run;
    HiddenProcess started = win32::startHidden(program, arguments, L"");
    run.start = started.start;
    if (!run.start.ok()) return run;
    // Reading while the program writes: it never waits for room in the pipe.
    std::string bytes;
    win32::readToEnd(started.output, bytes);
    DWORD exitCode = 0;
    run.finished = WaitForSingleObject(started.process, INFINITE) == WAIT_OBJECT_0 &&
                   GetExitCodeProcess(started.process, &exitCode);
    run.exitCode = exitCode;
    run.output = win32::textFrom(bytes, GetOEMCP());
    return run;
}

backup::BackupSystem& platformBackupSystem() {
    static Win32BackupSystem system;
    return system;
}

void Win32BackupSystem::reportEvent(backup::EventKind kind, const std::wstring& text) {
    HANDLE source = RegisterEventSourceW(nullptr, kEventSource);
    if (!source) return;
    const WORD type = kind == backup::EventKind::Success   ? EVENTLOG_INFORMATION_TYPE
                      : kind == backup::EventKind::Partial ? EVENTLOG_WARNING_TYPE
                                                           : EVENTLOG_ERROR_TYPE;
    const wchar_t* strings[] = {text.c_str()};
    ReportEventW(source, type, 0, static_cast<DWORD>(kind), nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

}  // namespace lorvane
