#include <algorithm>

#include "driver_internal.h"

namespace e2e {
namespace detail {

std::wstring textOf(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool sameClass(HWND hwnd, const std::wstring& className) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return lstrcmpiW(name, className.c_str()) == 0;
}

std::string quoted(const std::wstring& text) {
    return "\"" + utf8(text) + "\"";
}

LRESULT ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, static_cast<UINT>(kAnswerTimeout.count()),
                             &result))
        throw DriverError("no answer to message " + std::to_string(msg) + " from " + Window(hwnd).describe());
    return static_cast<LRESULT>(result);
}

HWND descendantWithId(HWND parent, int id) {
    for (const Window& w : Window(parent).children())
        if (w.controlId() == id) return w.handle();
    return nullptr;
}

void postClick(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring environment(const wchar_t* name) {
    std::wstring value(32768, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

}  // namespace detail

std::wstring directoryOfThisProgram() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

namespace detail {

std::wstring inspect(HWND hwnd, Inspect what) {
    static const HMODULE inspector =
        LoadLibraryW((directoryOfThisProgram() + L"lorvane_e2e_inspector.dll").c_str());
    if (!inspector) throw DriverError("cannot load lorvane_e2e_inspector.dll beside the test program");
    const bool posted = what == Inspect::Settled;
    // Through void (*)(), the generic function pointer, to the hook's real type.
    auto* hookProc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(
        GetProcAddress(inspector, posted ? kSettledHookProcName : kInspectorHookProcName)));

    wchar_t name[64];
    inspectionMemoryName(GetCurrentProcessId(), name);
    const Handle memory(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           kInspectionChars * sizeof(wchar_t), name));
    auto* view =
        memory ? static_cast<wchar_t*>(MapViewOfFile(memory.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    if (!view) throw DriverError("cannot create the inspector's shared memory");
    volatile wchar_t* const first = view;
    *first = L'\x1';  // still there if the inspector never answers
    view[kInspectionChars - 1] = L'\0';

    const UINT message = RegisterWindowMessageW(kInspectMessage);
    if (HHOOK hook = SetWindowsHookExW(posted ? WH_GETMESSAGE : WH_CALLWNDPROC, hookProc, inspector,
                                       GetWindowThreadProcessId(hwnd, nullptr))) {
        DWORD_PTR ignored = 0;
        if (!posted)
            SendMessageTimeoutW(hwnd, message, GetCurrentProcessId(), static_cast<LPARAM>(what), SMTO_ABORTIFHUNG,
                                static_cast<UINT>(kAnswerTimeout.count()), &ignored);
        else if (PostMessageW(hwnd, message, GetCurrentProcessId(), static_cast<LPARAM>(what)))
            for (const auto deadline = Clock::now() + kAnswerTimeout; *first == L'\x1' && Clock::now() < deadline;)
                pause(kPollInterval);
        UnhookWindowsHookEx(hook);
    }
    std::wstring answer = view;
    UnmapViewOfFile(view);
    if (answer == L"\x1")
        throw DriverError("the program did not answer the inspector: " + Window(hwnd).describe());
    return answer;
}

void waitUntilUsable(const Window& control, const char* action) {
    waitUntil(std::string("a shown, enabled control ") + action, kAnswerTimeout,
              [&] { return control.visible() && control.enabled(); }, [&] { return control.describe(); });
}

}  // namespace detail

using namespace detail;

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::wstring windowsPath(const std::wstring& path) {
    if (path.empty() || path.front() != L'/') return path;
    std::wstring out = L"Z:" + path;
    for (wchar_t& c : out)
        if (c == L'/') c = L'\\';
    return out;
}

std::wstring programPath() {
    const std::wstring path = environment(L"LORVANE_EXE");
    if (path.empty()) throw DriverError("LORVANE_EXE does not name the lorvane.exe to test");
    return windowsPath(path);
}

void pause(milliseconds time) {
    const auto until = Clock::now() + time;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now()).count();
        if (left <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

void waitUntil(const std::string& what, milliseconds timeout, const std::function<bool()>& done,
               const std::function<std::string()>& seen) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > deadline)
            throw DriverError("waited " + std::to_string(timeout.count()) + " ms for " + what +
                              (seen ? "; saw:\n" + seen() : std::string()));
        pause(kPollInterval);
    }
}

}  // namespace e2e
