#include "keyboard.h"

#include <algorithm>
#include <vector>

namespace e2e {
namespace {

constexpr milliseconds kKeyTimeout{10000};

bool isClass(HWND hwnd, const wchar_t* name) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    return lstrcmpiW(cls, name) == 0;
}

// Keys that sit apart from the typing keys on a real keyboard are extended keys.
bool isExtended(UINT key) {
    switch (key) {
        case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT:
        case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE: return true;
        default: return false;
    }
}

INPUT keyInput(UINT key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(key);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtended(key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

void send(std::vector<INPUT> inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) throw DriverError("SendInput took " + std::to_string(sent) + " of the key events");
}

}  // namespace

void bringToFront(const Window& window) {
    waitUntil("the window in front: " + window.describe(), kKeyTimeout, [&] {
        if (foregroundWindow() == window) return true;
        SetForegroundWindow(window.handle());
        pause(milliseconds(50));
        return foregroundWindow() == window;
    }, [] { return "in front: " + foregroundWindow().describe(); });
}

void pressKey(UINT virtualKey, bool shift) {
    std::vector<INPUT> inputs;
    if (shift) inputs.push_back(keyInput(VK_SHIFT, false));
    inputs.push_back(keyInput(virtualKey, false));
    inputs.push_back(keyInput(virtualKey, true));
    if (shift) inputs.push_back(keyInput(VK_SHIFT, true));
    send(inputs);
}

void pressChord(const Window& window, const std::vector<UINT>& keys) {
    bringToFront(window);
    std::vector<INPUT> inputs;
    for (UINT key : keys) inputs.push_back(keyInput(key, false));
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(keyInput(*key, true));
    send(inputs);
}

void typeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = c;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        send({down, up});
    }
}

Window focusedControl(const Window& window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window.handle(), nullptr), &info)) return Window();
    return Window(info.hwndFocus);
}

Window waitForFocusToMove(const Window& window, const Window& from) {
    Window now;
    waitUntil("the focus to leave " + from.describe(), kKeyTimeout, [&] {
        now = focusedControl(window);
        return now && now != from;
    });
    return now;
}

std::wstring labelBefore(const Window& control) {
    HWND previous = GetWindow(control.handle(), GW_HWNDPREV);
    return previous && isClass(previous, L"Static") ? Window(previous).title() : std::wstring();
}

std::wstring describeForKeyboard(const Window& window, const Window& focused) {
    Window control = focused;
    if (control.parent() && isClass(control.parent().handle(), L"ComboBox")) control = control.parent();
    const HWND h = control.handle();
    if (isClass(h, L"Button")) {
        const LONG type = GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK;
        const wchar_t* kind = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ? L"option "
                              : type == BS_CHECKBOX || type == BS_AUTOCHECKBOX     ? L"check "
                                                                                   : L"button ";
        return kind + control.title();
    }
    if (isClass(h, L"Edit")) return L"edit " + labelBefore(control);
    for (const wchar_t* cls : {L"ComboBox", L"ListBox"}) {
        if (!isClass(h, cls)) continue;
        const std::wstring label = labelBefore(control);
        const std::wstring kind = isClass(h, L"ComboBox") ? L"combo " : L"list ";
        if (!label.empty()) return kind + label;
        const std::vector<Window> all = window.children(cls);
        return kind + std::to_wstring(std::find(all.begin(), all.end(), control) - all.begin() + 1);
    }
    return control.className() + L" " + control.title();
}

}  // namespace e2e
