#include "platform/win32/win32_system_access.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform_system_access.h"
#include "platform/win32/win32_hidden_process.h"
#include "platform/win32/win32_paths.h"
#include "platform/win32/win32_system_result.h"
#include "toolkit/code_page.h"
#include "toolkit/win32/modal_wait.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/system_text.h"

namespace lorvane {

using win32::resultOfError;

std::optional<std::string> Win32SystemAccess::readSmallFile(const std::wstring& path) {
    const tk::win32::AutoCloseHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                      nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes(1 << 20, '\0');
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) return std::nullopt;
    bytes.resize(got);
    return bytes;
}

SystemResult Win32SystemAccess::replaceFile(const std::wstring& path, std::string_view bytes) {
    // Renaming over a read-only file is refused by Windows but not by every file system
    // beneath it; asking first keeps the outcome the same everywhere.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return resultOfError(ERROR_ACCESS_DENIED);
    // Next to the target, so that the rename stays on one volume and is atomic.
    tk::win32::AutoCloseHandle file;
    std::wstring temp;
    for (unsigned attempt = 0; !file.valid(); ++attempt) {
        temp =
            path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
        file.reset(
            CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            const DWORD error = GetLastError();
            if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt >= 100)
                return resultOfError(error);
        }
    }
    DWORD error = ERROR_SUCCESS;
    for (std::size_t done = 0; done < bytes.size() && error == ERROR_SUCCESS;) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr))
            error = GetLastError();
        else if (written == 0)
            error = ERROR_WRITE_FAULT;
        done += written;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
    // Closing is where some file systems report a failed write: its answer counts.
    if (!CloseHandle(file.release()) && error == ERROR_SUCCESS) error = GetLastError();
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        return resultOfError(error);
    }
    return {};
}

SystemResult Win32SystemAccess::createFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    if (CreateDirectoryW(path.c_str(), nullptr)) return {};
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) {
        // A drive's root or a share is never created: its absence is the answer.
        const std::size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash < 3) return win32::resultOfError(error);
        if (const SystemResult parent = createFolder(path.substr(0, slash)); !parent.ok()) return parent;
        if (CreateDirectoryW(path.c_str(), nullptr)) return {};
        error = GetLastError();
    }
    return win32::resultOfError(error);
}

SystemResult Win32SystemAccess::copyThisProgram(const std::wstring& path) {
    std::wstring self(32768, L'\0');  // the longest path there is
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    tk::win32::AutoCloseHandle file(CreateFileW(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file, &size)) return {Outcome::Failed, tk::win32::systemErrorText(GetLastError())};
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        return {Outcome::Failed, tk::win32::systemErrorText(GetLastError())};
    return replaceFile(path, bytes);
}

bool Win32SystemAccess::folderExists(const std::wstring& path) {
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    SetErrorMode(previous);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32SystemAccess::toBatchCodePage(std::wstring_view text) {
    return tk::encodeToCodePage(text, codePage_ ? codePage_ : GetOEMCP());
}

std::wstring Win32SystemAccess::commandInterpreter() {
    const std::wstring directory = platformSystemDirectory();
    return directory.empty() ? directory : directory + L"\\cmd.exe";
}

namespace {

// A registry value as a number: a DWORD, or a text of digits.
std::optional<unsigned long> registryNumber(HKEY root, const wchar_t* key, const wchar_t* name) {
    DWORD type = 0;
    wchar_t data[64] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(root, key, name, RRF_RT_REG_DWORD | RRF_RT_REG_SZ, &type, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_DWORD) return std::wcstoul(data, nullptr, 10);
    DWORD number = 0;
    std::memcpy(&number, data, sizeof number);
    return number;
}

// A value of the machine's environment, as the scheduler service hands it to its
// jobs, with the variables in it expanded; the program's own when there is none.
std::wstring machineEnvironment(const wchar_t* name) {
    const wchar_t* key = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    // Unexpanded: the expansion follows below. Windows before 8 and Wine refuse
    // REG_EXPAND_SZ without RRF_NOEXPAND (error 87).
    const DWORD types = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD size = 0;
    std::wstring value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, types, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        value.resize(size / sizeof(wchar_t));
        if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, types, nullptr, value.data(), &size) != ERROR_SUCCESS)
            value.clear();
        value.resize(wcsnlen(value.c_str(), value.size()));
    } else {
        value = tk::win32::systemText(
            [&](wchar_t* buffer, DWORD size) { return GetEnvironmentVariableW(name, buffer, size); });
        if (value.empty()) return {};
    }
    const DWORD expanded = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    if (expanded == 0) return value;
    std::wstring result(expanded, L'\0');
    result.resize(wcsnlen(result.c_str(), ExpandEnvironmentStringsW(value.c_str(), result.data(), expanded)));
    return result;
}

std::vector<std::wstring> splitList(const std::wstring& list) {
    std::vector<std::wstring> parts;
    std::size_t from = 0;
    for (std::size_t at; from <= list.size(); from = at + 1) {
        at = list.find(L';', from);
        if (at == std::wstring::npos) at = list.size();
        if (at > from) parts.push_back(list.substr(from, at - from));
    }
    return parts;
}

}  // namespace

bool Win32SystemAccess::delayedExpansion() {
    const wchar_t* key = L"Software\\Microsoft\\Command Processor";
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        if (registryNumber(root, key, L"DelayedExpansion").value_or(0) != 0) return true;
    return false;
}

std::wstring Win32SystemAccess::findProgram(const std::wstring& name) {
    const std::wstring directories = platformSystemDirectory() + L";" + machineEnvironment(L"Path");
    std::vector<std::wstring> extensions = splitList(machineEnvironment(L"PATHEXT"));
    if (extensions.empty()) extensions = {L".COM", L".EXE", L".BAT", L".CMD"};
    for (const std::wstring& extension : extensions) {
        std::wstring found = tk::win32::systemText([&](wchar_t* buffer, DWORD size) {
            return SearchPathW(directories.c_str(), name.c_str(), extension.c_str(), size, buffer, nullptr);
        });
        if (!found.empty()) return found;
    }
    return {};
}

ProgramRun Win32SystemAccess::runHidden(const std::wstring& program, const std::wstring& arguments,
                                        const std::wstring& workingDirectory,
                                        std::chrono::milliseconds timeout) {
    ProgramRun run;
    win32::HiddenProcess started = win32::startHidden(program, arguments, workingDirectory);
    run.start = started.start;
    if (!run.start.ok()) return run;
    // A program still running when the time is up is left alone.
    std::string bytes;
    tk::win32::waitWithWindowsDisabled(started.process, timeout,
                                       [&] { win32::readAvailable(started.output, bytes); });

    DWORD exitCode = 0;
    run.finished = WaitForSingleObject(started.process, 0) == WAIT_OBJECT_0 &&
                   GetExitCodeProcess(started.process, &exitCode);
    if (run.finished) {
        win32::readAvailable(started.output, bytes);
        run.exitCode = exitCode;
    }
    run.output = win32::textFrom(bytes, codePage_ ? codePage_ : GetOEMCP());
    return run;
}

namespace {

// What the file system takes a file or folder for, whatever path led to it.
struct FileIdentity {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::wstring& path) {
    // No access asked for but the attributes, so that any folder opens; backup
    // semantics, without which a folder does not open at all.
    const tk::win32::AutoCloseHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || !GetFileInformationByHandle(file, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

bool Win32SystemAccess::liesWithin(const std::wstring& inner, const std::wstring& outer) {
    const std::optional<FileIdentity> target = identityOf(outer);
    if (!target) return false;
    // The full path drops what Windows ignores in a name (trailing dots and blanks,
    // "." and ".."), so that each ancestor is a real folder.
    std::wstring path = tk::win32::systemText([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(inner.c_str(), size, buffer, nullptr);
    });
    while (!path.empty() && path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') &&
           path[path.size() - 2] != L':')
        path.pop_back();
    for (; !path.empty(); path = win32::parentFolder(path))
        if (identityOf(path) == target) return true;
    return false;
}

DriveKind Win32SystemAccess::driveKind(const std::wstring& path) {
    if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/')) {
        // \\server\share\ : the first two parts after the leading separators.
        const std::size_t server = path.find_first_of(L"\\/", 2);
        if (server == std::wstring::npos) return DriveKind::Missing;
        const std::size_t share = path.find_first_of(L"\\/", server + 1);
        const std::wstring root = path.substr(0, share) + L"\\";
        return GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES ? DriveKind::Network
                                                                            : DriveKind::Missing;
    }
    if (path.size() < 2 || path[1] != L':') return DriveKind::Missing;
    const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
    switch (GetDriveTypeW(root)) {
        case DRIVE_FIXED:
        case DRIVE_RAMDISK:
            return DriveKind::Local;
        case DRIVE_REMOVABLE:
        case DRIVE_CDROM:
            return DriveKind::Removable;
        case DRIVE_REMOTE:
            return DriveKind::Network;
        default:
            return DriveKind::Missing;
    }
}

SystemAccess& platformSystemAccess() {
    static Win32SystemAccess access;
    return access;
}

std::wstring platformWindowsDirectory() {
    return tk::win32::systemText([](wchar_t* buffer, DWORD size) { return GetWindowsDirectoryW(buffer, size); });
}

std::wstring platformSystemDirectory() {
    return tk::win32::systemText([](wchar_t* buffer, DWORD size) { return GetSystemDirectoryW(buffer, size); });
}

DateTime platformNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return DateTime::fromCivil({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

SystemResult Win32SystemAccess::registerEventSource(const std::wstring& name, const std::wstring& messageFile) {
    const std::wstring path = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + name;
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return win32::resultOfError(static_cast<DWORD>(status));
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    status = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(messageFile.c_str()),
                            static_cast<DWORD>((messageFile.size() + 1) * sizeof(wchar_t)));
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
    RegCloseKey(key);
    return win32::resultOfError(static_cast<DWORD>(status));
}

}  // namespace lorvane
