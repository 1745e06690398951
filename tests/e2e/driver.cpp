#include "driver.h"

#include <memory>

#include "inspector.h"

namespace e2e {
namespace {

constexpr milliseconds kPollInterval{20};
constexpr int kMessageBoxTextId = 0xFFFF;

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

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

std::wstring directoryOfThisProgram() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// Asks the inspector, hooked into the window's thread for the one question.
std::wstring inspect(HWND hwnd, Inspect what) {
    static const HMODULE inspector =
        LoadLibraryW((directoryOfThisProgram() + L"lorvane_e2e_inspector.dll").c_str());
    if (!inspector) throw DriverError("cannot load lorvane_e2e_inspector.dll beside the test program");
    // Through void (*)(), the generic function pointer, to the hook's real type.
    auto* hookProc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(inspector, kInspectorHookProcName)));

    wchar_t name[64];
    inspectionMemoryName(GetCurrentProcessId(), name);
    const Handle memory(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           kInspectionChars * sizeof(wchar_t), name));
    auto* view =
        memory ? static_cast<wchar_t*>(MapViewOfFile(memory.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    if (!view) throw DriverError("cannot create the inspector's shared memory");
    view[0] = L'\x1';  // still there if the inspector never answers
    view[kInspectionChars - 1] = L'\0';

    HHOOK hook =
        SetWindowsHookExW(WH_CALLWNDPROC, hookProc, inspector, GetWindowThreadProcessId(hwnd, nullptr));
    DWORD_PTR ignored = 0;
    if (hook)
        SendMessageTimeoutW(hwnd, RegisterWindowMessageW(kInspectMessage), GetCurrentProcessId(),
                            static_cast<LPARAM>(what), SMTO_ABORTIFHUNG, 5000, &ignored);
    if (hook) UnhookWindowsHookEx(hook);
    std::wstring answer = view;
    UnmapViewOfFile(view);
    if (answer == L"\x1")
        throw DriverError("the program did not answer the inspector: " + Window(hwnd).describe());
    return answer;
}

std::vector<MenuItem> parseMenu(const std::wstring& text) {
    std::vector<MenuItem> bar;
    std::vector<std::vector<MenuItem>*> levels{&bar};
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        const std::wstring line = text.substr(start, end - start);
        const size_t a = line.find(L'\t'), b = line.find(L'\t', a + 1), c = line.find(L'\t', b + 1);
        const size_t depth = std::stoul(line.substr(0, a));
        if (c == std::wstring::npos || depth >= levels.size())
            throw DriverError("unreadable menu: " + utf8(text));
        MenuItem item;
        item.id = static_cast<unsigned>(std::stoul(line.substr(a + 1, b - a - 1)));
        const std::wstring flags = line.substr(b + 1, c - b - 1);
        item.grayed = flags.find(L'g') != std::wstring::npos;
        item.checked = flags.find(L'c') != std::wstring::npos;
        item.text = line.substr(c + 1);
        item.text = item.text.substr(0, item.text.find(L'\t'));
        levels.resize(depth + 1);
        levels[depth]->push_back(std::move(item));
        levels.push_back(&levels[depth]->back().items);
    }
    return bar;
}

std::string outline(const std::vector<MenuItem>& items) {
    std::string out;
    for (const MenuItem& item : items) {
        if (!out.empty()) out += ' ';
        out += utf8(item.text);
        if (item.grayed) out += " [greyed]";
        if (item.checked) out += " [checked]";
        if (!item.items.empty()) out += " { " + outline(item.items) + " }";
    }
    return out;
}

}  // namespace

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
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
    std::wstring path(32768, L'\0');
    path.resize(GetEnvironmentVariableW(L"LORVANE_EXE", path.data(), static_cast<DWORD>(path.size())));
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

bool Window::exists() const {
    return hwnd_ && IsWindow(hwnd_);
}
bool Window::visible() const {
    return exists() && IsWindowVisible(hwnd_);
}
bool Window::enabled() const {
    return exists() && IsWindowEnabled(hwnd_);
}
std::wstring Window::title() const {
    return textOf(hwnd_);
}
int Window::controlId() const {
    return GetDlgCtrlID(hwnd_);
}

std::wstring Window::className() const {
    wchar_t name[256] = {};
    GetClassNameW(hwnd_, name, 256);
    return name;
}

DWORD Window::processId() const {
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd_, &id);
    return id;
}

std::vector<Window> Window::children(const std::wstring& className) const {
    struct Search {
        const std::wstring& className;
        std::vector<Window> found;
    } search{className, {}};
    EnumChildWindows(
        hwnd_,
        [](HWND child, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            if (s.className.empty() || sameClass(child, s.className)) s.found.emplace_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Window Window::child(const std::wstring& className, const std::wstring& caption) const {
    std::string seen;
    for (const Window& w : children(className)) {
        if (w.title() == caption) return w;
        seen += "\n  " + w.describe();
    }
    throw DriverError("no " + utf8(className) + " " + quoted(caption) + " in " + describe() +
                      "; its children of that class:" + (seen.empty() ? " none" : seen));
}

void Window::click() const {
    if (!visible() || !enabled()) throw DriverError("cannot click " + describe());
    PostMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(controlId(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd_));
}

void Window::close() const {
    PostMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::vector<MenuItem> Window::menuBar() const {
    return parseMenu(inspect(hwnd_, Inspect::MenuBar));
}

std::string Window::menuOutline() const {
    return outline(menuBar());
}

void Window::chooseMenu(const std::vector<std::wstring>& path) const {
    const std::vector<MenuItem> bar = menuBar();
    const std::vector<MenuItem>* items = &bar;
    const MenuItem* chosen = nullptr;
    std::string walked;
    for (const std::wstring& text : path) {
        walked += (walked.empty() ? "" : " > ") + utf8(text);
        chosen = nullptr;
        for (const MenuItem& item : *items)
            if (item.text == text) chosen = &item;
        if (!chosen || chosen->grayed)
            throw DriverError("cannot choose " + walked + (chosen ? ": greyed" : ": no such item") +
                              " in the menu " + outline(bar) + " of " + describe());
        items = &chosen->items;
    }
    if (!chosen || !chosen->items.empty()) throw DriverError("not a command: " + walked);
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(chosen->id, 0), 0);
}

std::string Window::describe() const {
    if (!exists()) return "(a window that is gone)";
    std::string out = utf8(className()) + " " + quoted(title()) + (visible() ? "" : " hidden") +
                      (enabled() ? "" : " disabled");
    if (HWND text = GetDlgItem(hwnd_, kMessageBoxTextId); text && sameClass(hwnd_, L"#32770"))
        out += " saying " + quoted(textOf(text));
    return out;
}

std::wstring MessageBoxWindow::text() const {
    return textOf(GetDlgItem(handle(), kMessageBoxTextId));
}

void MessageBoxWindow::press(int result) const {
    const Window button(GetDlgItem(handle(), result));
    if (!button.visible() || !button.enabled())
        throw DriverError("no button for result " + std::to_string(result) + " in " + describe());
    PostMessageW(handle(), WM_COMMAND, MAKEWPARAM(result, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.handle()));
}

std::string describe(const WindowQuery& query) {
    return "a " + utf8(query.className) + " window" + (query.title ? " titled " + quoted(*query.title) : "");
}

Window foregroundWindow() {
    return Window(GetForegroundWindow());
}

Program::Program(const std::wstring& exe, const std::wstring& arguments) : exe_(exe) {
    std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        throw DriverError("cannot start " + utf8(exe) + ": error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

Program::~Program() {
    terminate();
    CloseHandle(process_);
}

bool Program::running() const {
    return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD Program::exitCode() const {
    if (running()) throw DriverError("still running: " + describe());
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

DWORD Program::waitForExit(milliseconds timeout) const {
    waitUntil(
        "process " + std::to_string(processId_) + " to end", timeout, [this] { return !running(); },
        [this] { return describe(); });
    return exitCode();
}

void Program::terminate() {
    if (!running()) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
}

std::vector<Window> Program::windows(bool visibleOnly) const {
    struct Search {
        DWORD process;
        bool visibleOnly;
        std::vector<Window> found;
    } search{processId_, visibleOnly, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            const Window w(hwnd);
            if (w.processId() == s.process && (w.visible() || !s.visibleOnly) && !sameClass(hwnd, L"IME"))
                s.found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Window Program::findWindow(const WindowQuery& query) const {
    for (const Window& w : windows())
        if (sameClass(w.handle(), query.className) && (!query.title || w.title() == *query.title)) return w;
    return {};
}

Window Program::waitForWindow(const WindowQuery& query, milliseconds timeout) const {
    Window found;
    waitUntil(
        e2e::describe(query) + " to appear", timeout, [&] { return bool(found = findWindow(query)); },
        [this] { return describe(); });
    return found;
}

void Program::waitUntilGone(const Window& window, const std::string& what, milliseconds timeout) const {
    waitUntil(
        what + " to close", timeout, [&] { return !window.visible(); }, [this] { return describe(); });
}

MessageBoxWindow Program::findMessageBox() const {
    for (const Window& w : windows())
        if (sameClass(w.handle(), L"#32770") && GetDlgItem(w.handle(), kMessageBoxTextId)) {
            MessageBoxWindow box(w.handle());
            lastMessageBox_ = box.text();
            return box;
        }
    return {};
}

MessageBoxWindow Program::waitForMessageBox(milliseconds timeout) const {
    MessageBoxWindow found;
    waitUntil(
        "a message box to appear", timeout, [&] { return bool(found = findMessageBox()); },
        [this] { return describe(); });
    return found;
}

std::string Program::describe() const {
    findMessageBox();
    std::string out = utf8(exe_.substr(exe_.find_last_of(L"\\/") + 1)) + " (process " +
                      std::to_string(processId_) + ") " +
                      (running() ? "running" : "ended with exit code " + std::to_string(exitCode()));
    out += "\n  its windows:";
    const std::vector<Window> all = windows(false);
    if (all.empty()) out += " none";
    for (const Window& w : all) out += "\n    " + w.describe();
    out += "\n  in front: " + (foregroundWindow() ? foregroundWindow().describe() : "nothing");
    if (!lastMessageBox_.empty()) out += "\n  last message box: " + quoted(lastMessageBox_);
    return out;
}

}  // namespace e2e
