#include "driver.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "inspector.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr milliseconds kPollInterval{20};
constexpr milliseconds kAnswerTimeout{5000};
constexpr int kMessageBoxTextId = 0xFFFF;
// The standard dialogs' controls: the open-file dialog's file name box (a combo
// box, or an edit box in older layouts) and the font dialog's face and size lists.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;
constexpr int kFontFaceList = 0x470;
constexpr int kFontSizeList = 0x472;

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

// Asks another program's window and waits for its answer, never for ever.
LRESULT ask(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
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

std::wstring directoryOfThisProgram() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// Asks the inspector, hooked into the window's thread for the one question:
// sent, it is answered at once; posted (Inspect::Settled), once the program
// has taken from its queue everything posted to it before.
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
std::wstring Window::contents() const {
    const LRESULT length = ask(hwnd_, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        std::max<LRESULT>(ask(hwnd_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())), 0)));
    return text;
}

int Window::controlId() const {
    return GetDlgCtrlID(hwnd_);
}

std::wstring Window::className() const {
    wchar_t name[256] = {};
    GetClassNameW(hwnd_, name, 256);
    return name;
}

Window Window::parent() const {
    return Window(GetParent(hwnd_));
}

RECT Window::rect() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r;
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

Window Window::childById(int id) const {
    if (HWND found = descendantWithId(hwnd_, id)) return Window(found);
    throw DriverError("no control with id " + std::to_string(id) + " in " + describe());
}

namespace {

// Waits, as a user would, for a control that the program is about to show or
// enable: the driver's clicks and keys are posted, so the program may still be
// acting on the last one. Refuses one that stays hidden or disabled.
void waitUntilUsable(const Window& control, const char* action) {
    waitUntil(std::string("a shown, enabled control ") + action, kAnswerTimeout,
              [&] { return control.visible() && control.enabled(); }, [&] { return control.describe(); });
}

}  // namespace

void Window::click() const {
    waitUntilUsable(*this, "to click");
    PostMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(controlId(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd_));
}

bool Window::checked() const {
    return ask(hwnd_, BM_GETCHECK) == BST_CHECKED;
}

void Window::type(const std::wstring& text) const {
    waitUntilUsable(*this, "to type into");
    ask(hwnd_, EM_SETSEL, 0, -1);
    PostMessageW(hwnd_, WM_CHAR, VK_BACK, 1);
    for (wchar_t c : text) PostMessageW(hwnd_, WM_CHAR, c, 1);
    waitUntil("the box to show " + quoted(text) + " after typing", kAnswerTimeout,
              [&] { return contents() == text; }, [&] { return describe() + " holding " + quoted(contents()); });
}

void Window::pressKey(UINT virtualKey) const {
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(hwnd_, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageW(hwnd_, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
}

void Window::clickAt(int x, int y) const {
    waitUntilUsable(*this, "to click");
    PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(hwnd_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

std::vector<std::wstring> Window::items() const {
    const bool combo = sameClass(hwnd_, L"ComboBox");
    const LRESULT count = ask(hwnd_, combo ? CB_GETCOUNT : LB_GETCOUNT);
    std::vector<std::wstring> out;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ask(hwnd_, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(i));
        std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        const LRESULT got = ask(hwnd_, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
        out.push_back(text);
    }
    return out;
}

int Window::row(const std::wstring& text) const {
    const std::vector<std::wstring> all = items();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == text) return static_cast<int>(i);
    std::string seen;
    for (const std::wstring& item : all) seen += " " + quoted(item);
    throw DriverError("no item " + quoted(text) + " in " + describe() + "; its items:" + (seen.empty() ? " none" : seen));
}

std::vector<int> Window::selectedRows() const {
    std::vector<int> rows;
    if (ask(hwnd_, LB_GETSELCOUNT) == LB_ERR) {  // a single selection
        if (const LRESULT row = ask(hwnd_, LB_GETCURSEL); row != LB_ERR) rows.push_back(static_cast<int>(row));
        return rows;
    }
    const LRESULT count = ask(hwnd_, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i)
        if (ask(hwnd_, LB_GETSEL, static_cast<WPARAM>(i)) > 0) rows.push_back(static_cast<int>(i));
    return rows;
}

namespace {

// The middle of a list box row, in the list's client coordinates, scrolled into sight first.
LPARAM rowPoint(const Window& list, int row) {
    waitUntilUsable(list, "to click into");
    if (row < 0 || row >= static_cast<int>(list.items().size()))
        throw DriverError("no row " + std::to_string(row) + " in " + list.describe());
    RECT client{};
    GetClientRect(list.handle(), &client);
    const auto height = static_cast<int>(ask(list.handle(), LB_GETITEMHEIGHT, 0));
    auto top = static_cast<int>(ask(list.handle(), LB_GETTOPINDEX));
    if (height <= 0) throw DriverError("no row height in " + list.describe());
    if (row < top || (row - top + 1) * height > client.bottom) {
        ask(list.handle(), LB_SETTOPINDEX, static_cast<WPARAM>(row));
        top = static_cast<int>(ask(list.handle(), LB_GETTOPINDEX));
    }
    return MAKELPARAM(std::min<LONG>(client.right / 2, 40), (row - top) * height + height / 2);
}

}  // namespace

void Window::clickRow(int row) const {
    const LPARAM at = rowPoint(*this, row);
    clickAt(LOWORD(at), HIWORD(at));
}

void Window::doubleClickRow(int row) const {
    const LPARAM at = rowPoint(*this, row);
    PostMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(hwnd_, WM_LBUTTONUP, 0, at);
    PostMessageW(hwnd_, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(hwnd_, WM_LBUTTONUP, 0, at);
}

void Window::chooseWithArrowKeys(const std::wstring& text) const {
    waitUntilUsable(*this, "to choose in");
    const int wanted = row(text);
    // The keys go where the keyboard is while the box has the focus: its edit field.
    const std::vector<Window> edits = children(L"Edit");
    const Window keys = edits.empty() ? *this : edits.front();
    for (size_t presses = 0; presses <= items().size(); ++presses) {
        const auto now = static_cast<int>(ask(hwnd_, CB_GETCURSEL));
        if (now == wanted) break;
        keys.pressKey(now < wanted ? VK_DOWN : VK_UP);
        waitUntil("the selection of " + describe() + " to move", kAnswerTimeout,
                  [&] { return ask(hwnd_, CB_GETCURSEL) != now; });
    }
    waitUntil("the box to show " + quoted(text), kAnswerTimeout, [&] { return contents() == text; },
              [&] { return describe() + " holding " + quoted(contents()); });
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

std::vector<int> MessageBoxWindow::buttons() const {
    std::vector<std::pair<LONG, int>> found;
    for (int result = IDOK; result <= IDCONTINUE; ++result)
        if (const Window button(GetDlgItem(handle(), result)); button.visible())
            found.emplace_back(button.rect().left, result);
    std::sort(found.begin(), found.end());
    std::vector<int> results;
    for (const auto& [left, result] : found) results.push_back(result);
    return results;
}

void MessageBoxWindow::press(int result) const {
    const Window button(GetDlgItem(handle(), result));
    if (!button.visible() || !button.enabled())
        throw DriverError("no button for result " + std::to_string(result) + " in " + describe());
    PostMessageW(handle(), WM_COMMAND, MAKEWPARAM(result, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.handle()));
}

std::wstring FileDialog::fileName() const {
    HWND box = descendantWithId(handle(), kFileNameCombo);
    return Window(box ? box : descendantWithId(handle(), kFileNameEdit)).contents();
}

void FileDialog::open(const std::wstring& path) const {
    bool typed = false;
    for (int id : {kFileNameCombo, kFileNameEdit})
        if (HWND box = descendantWithId(handle(), id)) {
            ask(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            typed = true;
        }
    if (!typed) throw DriverError("no file name box in " + describe());
    postClick(handle(), IDOK);
}

void FontDialog::choose(const std::wstring& face, int points) const {
    // As a click into each list does: the selection moves and the dialog hears of it.
    for (const auto& [id, item] : {std::pair{kFontFaceList, face}, std::pair{kFontSizeList, std::to_wstring(points)}}) {
        const Window list = childById(id);
        ask(list.handle(), CB_SETCURSEL, static_cast<WPARAM>(list.row(item)));
        ask(handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list.handle()));
    }
    postClick(handle(), IDOK);
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

int inkedRows(const Window& window) {
    RECT client{};
    GetClientRect(window.handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(window.handle(), &origin);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return 0;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, image);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    int rows = 0;
    if (copied && bits) {
        const auto* pixels = static_cast<const unsigned char*>(bits);
        for (int y = 0; y < height; ++y) {
            const unsigned char* line = pixels + 4 * static_cast<size_t>(y) * static_cast<size_t>(width);
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = line + 4 * x;
                if (p[0] + p[1] + p[2] < 3 * 96) {
                    ++rows;
                    break;
                }
            }
        }
    }
    SelectObject(memory, old);
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw DriverError("cannot read the screen under " + window.describe());
    return rows;
}

std::string screenshotFolder() {
    return utf8(environment(L"LORVANE_SCREENSHOTS"));
}

std::optional<std::string> screenshot(const Window& window, const std::string& name) {
    const std::wstring folder = environment(L"LORVANE_SCREENSHOTS");
    if (folder.empty()) return std::nullopt;
    if (folder.front() != L'/' || folder.find_first_of(L"'\"") != std::wstring::npos)
        throw DriverError("LORVANE_SCREENSHOTS must be an absolute Unix path without quotes: " + utf8(folder));
    const std::wstring file = folder + L"/" + fromUtf8(name) + L".png";
    const std::wstring part = folder + L"/." + fromUtf8(name) + L".part.png";
    DeleteFileW(windowsPath(file).c_str());

    // What Wine has drawn reaches the X display a moment after the program painted it.
    pause(300ms);
    const RECT r = window.rect();
    const LONG left = std::max<LONG>(r.left, 0), top = std::max<LONG>(r.top, 0);
    const std::wstring geometry = std::to_wstring(r.right - left) + L"x" + std::to_wstring(r.bottom - top) + L"+" +
                                  std::to_wstring(left) + L"+" + std::to_wstring(top);
    // Wine starts a Unix program like a Windows one, but its process cannot be
    // waited for: the file appears, whole, when it is done.
    std::wstring command = L"/bin/sh -c \"mkdir -p '" + folder + L"' && import -window root -crop " + geometry +
                           L" +repage '" + part + L"' && mv -f '" + part + L"' '" + file + L"'\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        throw DriverError("cannot start /bin/sh for a screenshot: error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    waitUntil("the screenshot " + utf8(file) + " (ImageMagick's import on $DISPLAY)", 20s,
              [&] { return GetFileAttributesW(windowsPath(file).c_str()) != INVALID_FILE_ATTRIBUTES; });
    return utf8(file);
}

void pressChord(const Window& window, const std::vector<UINT>& keys) {
    SetForegroundWindow(window.handle());
    waitUntil("the window to be in front for the keyboard", kAnswerTimeout,
              [&] { return GetForegroundWindow() == window.handle(); }, [&] { return window.describe(); });
    std::vector<INPUT> inputs;
    const auto key = [&](UINT vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(vk);
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        const bool extended = (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
        input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
        inputs.push_back(input);
    };
    for (UINT vk : keys) key(vk, false);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) key(*it, true);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        throw DriverError("the keys could not be pressed in " + window.describe());
}

}  // namespace e2e
