// The plain text view's life: the file and font it shows, and the messages it answers.
#include <windows.h>

#include <algorithm>

#include "toolkit/win32/win32_plain_text_view.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {

PlainTextView::~PlainTextView() = default;

void PlainTextView::show(TextFile file, const std::wstring& path, bool keepPlace) {
    const std::uint64_t top = top_, anchor = anchor_.offset, caret = caret_.offset;
    file_ = std::move(file);
    path_ = path;
    followEnd_ = false;
    rereadPosted_ = false;
    dropLayout();
    top_ = 0;
    left_ = 0;
    caret_ = anchor_ = positionOf(0);
    caretX_ = 0;
    if (keepPlace) {
        top_ = std::min(top, lastTop());
        anchor_ = positionOf(anchor);
        caret_ = positionOf(caret);
    }
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
    startIndexing();
}

void PlainTextView::dropLayout() {
    lines_.clear();
    pieces_.clear();
    widest_ = 0;
    longestWidths_.clear();
}

// The longest line's width as far as it is measured, or its estimate until it is
// laid out; other lines count with the widest they have been seen.
std::int64_t PlainTextView::extent() const {
    std::int64_t longest = static_cast<std::int64_t>(file_.longestLine()) * charWidth_;
    if (!longestWidths_.empty()) {
        longest = 0;
        for (const auto& [line, width] : longestWidths_) longest = std::max(longest, width);
    }
    return std::max(widest_, longest);
}

void PlainTextView::noteWidth(std::uint64_t number, const Line& line) {
    if (line.longest)
        longestWidths_[number] = line.widths.total();
    else
        widest_ = std::max(widest_, line.widths.total());
}

// The chosen face in the chosen character set; a face that has no characters of
// that set (a Latin font chosen for a Japanese view) is still the one the user gets.
void PlainTextView::setFont(const Font& font) {
    LOGFONTW lf{};
    lf.lfHeight = fontHeight(font.Size, dpiOf(hwnd_));
    lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.Italic;
    lf.lfUnderline = font.Underline;
    lf.lfCharSet = static_cast<BYTE>(font.Charset);
    font.Name.copy(lf.lfFaceName, LF_FACESIZE - 1);
    AutoDeleteFont chosen(CreateFontIndirectW(&lf));
    if (!measure_.valid()) measure_.reset(CreateCompatibleDC(ScopedGetDC(hwnd_)));
    const auto faceOf = [this](HFONT f) {
        wchar_t face[LF_FACESIZE] = {};
        SelectObject(measure_, f);
        GetTextFaceW(measure_, LF_FACESIZE, face);
        return std::wstring(face);
    };
    if (faceOf(chosen) != font.Name) {
        lf.lfCharSet = DEFAULT_CHARSET;
        AutoDeleteFont anySet(CreateFontIndirectW(&lf));
        if (faceOf(anySet) == font.Name) std::swap(chosen, anySet);
        SelectObject(measure_, GetStockObject(DEFAULT_GUI_FONT));  // the one left over goes unselected
    }
    SelectObject(measure_, chosen);
    font_ = std::move(chosen);  // the earlier font, no longer selected, goes
    TEXTMETRICW tm{};
    GetTextMetricsW(measure_, &tm);
    lineHeight_ = std::max(1, static_cast<int>(tm.tmHeight + tm.tmExternalLeading));
    charWidth_ = std::max(1, static_cast<int>(tm.tmAveCharWidth));
    dropLayout();
    if (focused_) {
        DestroyCaret();
        CreateCaret(hwnd_, nullptr, 1, lineHeight_);
        ShowCaret(hwnd_);
    }
    caretX_ = xOf(caret_);
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// A piece of the file found changed while a message was answered: the file is
// read anew once that message is done.
bool PlainTextView::handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const bool handled = answer(msg, wp, lp, result);
    if (file_.bytes().changed() && !rereadPosted_ && msg != kReadAnew) {
        rereadPosted_ = PostMessageW(hwnd_, kReadAnew, 0, 0) != FALSE;
    }
    return handled;
}

bool PlainTextView::answer(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    result = 0;
    switch (msg) {
        case WM_TIMER:
            if (wp != kIndexTimer) return false;
            onIndexTimer();
            return true;
        case kReadAnew:
            if (file_.bytes().changed()) readAnew();
            return true;
        case WM_PAINT:
            paint();
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_SIZE:
            scrollTo(std::min(top_, lastTop()), left_);
            updateScrollBars();
            InvalidateRect(hwnd_, nullptr, FALSE);
            return true;
        case WM_GETDLGCODE:
            result = DLGC_WANTARROWS | DLGC_WANTCHARS;
            return true;
        case WM_SETFOCUS:
            focused_ = true;
            CreateCaret(hwnd_, nullptr, 1, lineHeight_);
            placeCaret();
            ShowCaret(hwnd_);
            return true;
        case WM_KILLFOCUS:
            focused_ = false;
            DestroyCaret();
            return true;
        case WM_KEYDOWN:
            return onKey(wp);
        case WM_VSCROLL:
            followEnd_ = false;
            onScroll(SB_VERT, LOWORD(wp));
            return true;
        case WM_HSCROLL:
            onScroll(SB_HORZ, LOWORD(wp));
            return true;
        case WM_MOUSEWHEEL:
            followEnd_ = false;
            onWheel(GET_WHEEL_DELTA_WPARAM(wp), false);
            return true;
        case WM_MOUSEHWHEEL:
            onWheel(-GET_WHEEL_DELTA_WPARAM(wp), true);
            return true;
        case WM_LBUTTONDOWN:
            followEnd_ = false;
            SetFocus(hwnd_);
            SetCapture(hwnd_);
            moveCaret(hit(x, y), (wp & MK_SHIFT) != 0);
            return true;
        case WM_MOUSEMOVE:
            if (GetCapture() == hwnd_) moveCaret(hit(x, y), true);
            return true;
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd_) ReleaseCapture();
            return true;
        case WM_COPY:
            copy();
            return true;
        case EM_SETSEL:
            if (static_cast<int>(wp) == 0 && static_cast<int>(lp) == -1) selectAll();
            return true;
        case EM_GETFIRSTVISIBLELINE:
            result = static_cast<LRESULT>(top_);
            return true;
        case EM_GETLINECOUNT:
            result = static_cast<LRESULT>(file_.lineCount());
            return true;
        default:
            return false;
    }
}

}  // namespace tk::win32
