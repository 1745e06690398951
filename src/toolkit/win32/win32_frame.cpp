// The frame: a plain child window that draws an etched box with its caption
// over the upper edge and passes its children's notifications on.
#include "toolkit/controls.h"
#include "toolkit/twips.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

constexpr wchar_t kFrameClass[] = L"TkFrame";
constexpr float kCaptionIndent = 120;  // twips from the box's left edge to its caption

void paintFrame(HWND hwnd, Frame& frame) {
    const ScopedPaint dc(hwnd);
    const int dpi = dpiOf(hwnd);
    RECT box;
    GetClientRect(hwnd, &box);
    const ScopedSelectObject font(dc, fontFor(effectiveFont(frame), dpi));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    if (!frame.Caption().empty()) box.top += tm.tmHeight / 2;
    DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
    if (!frame.Caption().empty()) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(frame.effectivelyEnabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        RECT text{twipsToPixels(kCaptionIndent, dpi), 0, box.right, tm.tmHeight};
        DrawTextW(dc, (L" " + frame.Caption() + L" ").c_str(), -1, &text, DT_SINGLELINE | DT_NOCLIP);
    }
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_VSCROLL:
        case WM_HSCROLL: return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = labelColors(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
                return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_PAINT: {
            ChildWindowPeer* peer = ChildWindowPeer::of(hwnd);
            if (auto* frame = peer ? dynamic_cast<Frame*>(&peer->control()) : nullptr) {
                paintFrame(hwnd, *frame);
                return 0;
            }
            break;
        }
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

const wchar_t* frameClassName() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = frameProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFrameClass;
        if (!RegisterClassExW(&wc)) throwLastError(texts().windowClassFailure);
        return true;
    }();
    (void)registered;
    return kFrameClass;
}

}  // namespace tk::win32
