#include "platform/win32/win32_hidden_process.h"

#include <algorithm>
#include <climits>

#include "toolkit/win32/system_text.h"

namespace lorvane::win32 {
namespace {

constexpr std::size_t kKept = 64 * 1024;

void keep(std::string& bytes, const char* more, DWORD count) {
    bytes.append(more, count);
    if (bytes.size() > kKept) bytes.erase(0, bytes.size() - kKept);
}

}  // namespace

HiddenProcess startHidden(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& workingDirectory) {
    HiddenProcess started;
    if (program.empty()) {
        started.start = {Outcome::Failed, tk::win32::systemErrorText(ERROR_FILE_NOT_FOUND)};
        return started;
    }
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    tk::win32::AutoCloseHandle writeEnd;
    // Room for a burst of output while the reader is busy elsewhere.
    if (!CreatePipe(started.output.receive(), writeEnd.receive(), &inherited, kKept)) {
        started.start = {Outcome::Failed, tk::win32::systemErrorText(GetLastError())};
        return started;
    }
    SetHandleInformation(started.output, HANDLE_FLAG_INHERIT, 0);
    tk::win32::AutoCloseHandle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 &inherited, OPEN_EXISTING, 0, nullptr));

    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;  // a hidden console window rather than none, so a batch runs as usual
    startup.hStdInput = input.valid() ? input.get() : nullptr;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    const BOOL ok =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info);
    const DWORD startError = GetLastError();
    // Only the program holds the writing end now: the pipe ends when it does.
    writeEnd.reset();
    input.reset();
    if (!ok) {
        started.output.reset();
        started.start = {Outcome::Failed, tk::win32::systemErrorText(startError)};
        return started;
    }
    started.process.reset(info.hProcess);
    CloseHandle(info.hThread);
    return started;
}

void readAvailable(HANDLE pipe, std::string& bytes) {
    char buffer[4096];
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0)
            return;
        keep(bytes, buffer, got);
    }
}

void readToEnd(HANDLE pipe, std::string& bytes) {
    char buffer[16384];
    DWORD got = 0;
    // A read blocks until the program writes; it fails (ERROR_BROKEN_PIPE) once no writer is left.
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr)) keep(bytes, buffer, got);
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

}  // namespace lorvane::win32
