#include <algorithm>

#include "driver_internal.h"

namespace e2e {

using namespace detail;

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
std::string Window::describe() const {
    if (!exists()) return "(a window that is gone)";
    std::string out = utf8(className()) + " " + quoted(title()) + (visible() ? "" : " hidden") +
                      (enabled() ? "" : " disabled");
    if (HWND text = GetDlgItem(hwnd_, kMessageBoxTextId); text && sameClass(hwnd_, L"#32770"))
        out += " saying " + quoted(textOf(text));
    return out;
}

}  // namespace e2e
