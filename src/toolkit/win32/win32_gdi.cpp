// Drawing helpers that need no window of their own: fonts, resolution, and
// where a control lies in pixels.
#include <map>
#include <utility>

#include "toolkit/controls.h"
#include "toolkit/twips.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {

LONG fontHeight(float points, int dpi) {
    constexpr float kPointsPerInch = 72.0f;
    return -static_cast<LONG>(points * static_cast<float>(dpi) / kPointsPerInch + 0.5f);
}

// Fonts are made once per description and resolution and kept for the run.
HFONT fontFor(const Font& font, int dpi) {
    static std::map<std::pair<std::wstring, int>, HFONT> cache;
    const std::wstring key = font.Name + L"|" + std::to_wstring(font.Size) + (font.Bold ? L"b" : L"") +
                             (font.Italic ? L"i" : L"") + (font.Underline ? L"u" : L"") +
                             std::to_wstring(font.Charset);
    HFONT& handle = cache[{key, dpi}];
    if (!handle) {
        handle = CreateFontW(fontHeight(font.Size, dpi), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, font.Italic,
                             font.Underline, FALSE, static_cast<BYTE>(font.Charset), OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.Name.c_str());
    }
    return handle;
}

const Font& effectiveFont(const Control& control) {
    return control.hasOwnFont() ? control.Font() : control.form().font;
}

RECT pixelRect(const Control& control, int dpi) {
    const int left = twipsToPixels(control.Left(), dpi), top = twipsToPixels(control.Top(), dpi);
    return RECT{left, top, left + twipsToPixels(control.Width(), dpi), top + twipsToPixels(control.Height(), dpi)};
}

HWND containerWindow(const Control& control) {
    if (auto* frame = dynamic_cast<const Frame*>(&control.parent())) return controlWindow(*frame);
    return formWindow(control.form());
}

HWND controlWindow(const Control& control) {
    auto* peer = dynamic_cast<ChildWindowPeer*>(control.peer());
    return peer ? peer->hwnd() : nullptr;
}

std::wstring windowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

int dpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (hwnd && getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    const int dpi = GetDeviceCaps(ScopedGetDC(nullptr), LOGPIXELSX);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace tk::win32
