#include "toolkit/win32/win32_system_access.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace lorvane {
namespace {

SystemResult FromError(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return {Outcome::NotWritable, {}};
        default:
            return {Outcome::Failed, SystemErrorText(error)};
    }
}

}  // namespace

std::wstring SystemErrorText(unsigned long error) {
    wchar_t* buffer = nullptr;
    // Language 0: the thread's, then the user's, then the system's language.
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) text = L"ｼｽﾃﾑｴﾗｰが発生しました。(ｴﾗｰ番号 " + std::to_wstring(error) + L")";
    return text;
}

SystemResult Win32SystemAccess::replaceFile(const std::wstring& path, std::string_view bytes) {
    // Renaming over a read-only file is refused by Windows but not by every file system
    // beneath it; asking first keeps the outcome the same everywhere.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return FromError(ERROR_ACCESS_DENIED);
    // Next to the target, so that the rename stays on one volume and is atomic.
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring temp;
    for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
        temp =
            path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
        file =
            CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt >= 100)
                return FromError(error);
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
    if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        return FromError(error);
    }
    return {};
}

std::optional<std::string> Win32SystemAccess::toBatchCodePage(std::wstring_view text) {
    if (text.empty()) return std::string();
    if (text.size() > INT_MAX / 4) return std::nullopt;
    const UINT codePage = codePage_ ? codePage_ : GetOEMCP();
    // UTF-8 holds every character but refuses a lone surrogate; it takes no default character.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, used);
    if (size <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(codePage, flags, text.data(), length, bytes.data(), size, nullptr, used) !=
            size ||
        usedDefault)
        return std::nullopt;
    return bytes;
}

std::wstring Win32SystemAccess::commandInterpreter() {
    const UINT needed = GetSystemDirectoryW(nullptr, 0);
    if (needed == 0) return {};
    std::wstring directory(needed, L'\0');
    const UINT length = GetSystemDirectoryW(directory.data(), needed);
    if (length == 0 || length >= needed) return {};
    directory.resize(length);
    return directory + L"\\cmd.exe";
}

SystemResult Win32SystemAccess::startHidden(const std::wstring& program, const std::wstring& arguments,
                                            const std::wstring& workingDirectory) {
    if (program.empty()) return {Outcome::Failed, SystemErrorText(ERROR_FILE_NOT_FOUND)};
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;  // a hidden console window rather than none, so the batch runs as usual
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &process))
        return {Outcome::Failed, SystemErrorText(GetLastError())};
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {};
}

SystemAccess& platformSystemAccess() {
    static Win32SystemAccess access;
    return access;
}

}  // namespace lorvane
