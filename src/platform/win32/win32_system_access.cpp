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
#include "toolkit/code_page.h"
#include "toolkit/win32/modal_wait.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/system_text.h"

namespace lorvane {
namespace {

SystemResult fromError(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return {Outcome::NotWritable, {}};
        default:
            return {Outcome::Failed, tk::win32::systemErrorText(error)};
    }
}

}  // namespace

SystemResult Win32SystemAccess::replaceFile(const std::wstring& path, std::string_view bytes) {
    // Renaming over a read-only file is refused by Windows but not by every file system
    // beneath it; asking first keeps the outcome the same everywhere.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return fromError(ERROR_ACCESS_DENIED);
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
                return fromError(error);
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
        return fromError(error);
    }
    return {};
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
    DWORD size = 0;
    std::wstring value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, nullptr,
                     &size) == ERROR_SUCCESS &&
        size > 0) {
        value.resize(size / sizeof(wchar_t));
        if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr,
                         value.data(), &size) != ERROR_SUCCESS)
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

// What the pipe holds now, without waiting; only the last 64 KiB are kept.
void readAvailable(HANDLE pipe, std::string& bytes) {
    constexpr std::size_t kKept = 64 * 1024;
    char buffer[4096];
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0)
            return;
        bytes.append(buffer, got);
        if (bytes.size() > kKept) bytes.erase(0, bytes.size() - kKept);
    }
}

std::wstring textFrom(const std::string& bytes, UINT codePage) {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) return {};
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, text.data(), size);
    return text;
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
    if (program.empty()) {
        run.start = {Outcome::Failed, tk::win32::systemErrorText(ERROR_FILE_NOT_FOUND)};
        return run;
    }
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    tk::win32::AutoCloseHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.receive(), writeEnd.receive(), &inherited, 0)) {
        run.start = {Outcome::Failed, tk::win32::systemErrorText(GetLastError())};
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    tk::win32::AutoCloseHandle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             &inherited, OPEN_EXISTING, 0, nullptr));

    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;  // a hidden console window rather than none, so the batch runs as usual
    startup.hStdInput = input.valid() ? input.get() : nullptr;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION started{};
    const BOOL ok =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &started);
    const DWORD startError = GetLastError();
    // Only the program holds the writing end now: the pipe ends when it does.
    writeEnd.reset();
    input.reset();
    if (!ok) {
        run.start = {Outcome::Failed, tk::win32::systemErrorText(startError)};
        return run;
    }
    // A program still running is left alone; closing the handles does not end it.
    const tk::win32::AutoCloseHandle process(started.hProcess);
    CloseHandle(started.hThread);

    std::string bytes;
    tk::win32::waitWithWindowsDisabled(process, timeout, [&] { readAvailable(readEnd, bytes); });

    DWORD exitCode = 0;
    run.finished = WaitForSingleObject(process, 0) == WAIT_OBJECT_0 &&
                   GetExitCodeProcess(process, &exitCode);
    if (run.finished) {
        readAvailable(readEnd, bytes);
        run.exitCode = exitCode;
    }
    run.output = textFrom(bytes, codePage_ ? codePage_ : GetOEMCP());
    return run;
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

}  // namespace lorvane
