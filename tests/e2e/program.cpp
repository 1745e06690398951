#include "driver_internal.h"

namespace e2e {

using namespace detail;

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

MessageBoxWindow Program::findMessageBox(bool visibleOnly) const {
    for (const Window& w : windows(visibleOnly))
        if (sameClass(w.handle(), L"#32770") && GetDlgItem(w.handle(), kMessageBoxTextId) &&
            w.children(L"ComboBox").empty()) {
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

namespace {

Window waitForDialogWith(const Program& program, int controlId, const std::string& what, milliseconds timeout) {
    Window found;
    waitUntil(
        what + " to appear", timeout,
        [&] {
            for (const Window& w : program.windows())
                if (sameClass(w.handle(), L"#32770") && descendantWithId(w.handle(), controlId)) {
                    found = w;
                    return true;
                }
            return false;
        },
        [&] { return program.describe(); });
    return found;
}

}  // namespace

FileDialog Program::waitForFileDialog(milliseconds timeout) const {
    return FileDialog(waitForDialogWith(*this, kFileNameCombo, "the open-file dialog", timeout).handle());
}

FontDialog Program::waitForFontDialog(milliseconds timeout) const {
    return FontDialog(waitForDialogWith(*this, kFontFaceList, "the font dialog", timeout).handle());
}

void Program::settle(const Window& window) const {
    inspect(window.handle(), Inspect::Settled);
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
