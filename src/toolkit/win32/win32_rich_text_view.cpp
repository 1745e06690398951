// Plain text in the rich text view: only the lines in sight are decoded and painted.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {
namespace {

constexpr int kMargin = 2;  // pixels between the border and the text
constexpr int kTabColumns = 8;

int clampToInt(std::size_t value) {
    return static_cast<int>(std::min<std::size_t>(value, INT_MAX));
}

}  // namespace

PlainTextView::~PlainTextView() {
    if (font_) DeleteObject(font_);
}

void PlainTextView::show(TextFile file) {
    file_ = std::move(file);
    top_ = 0;
    left_ = 0;
    caret_ = anchor_ = Position{};
    caretX_ = 0;
    extent_ = clampToInt(file_.longestLine() * static_cast<std::size_t>(charWidth_));
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// The chosen face in the chosen character set; a face that has no characters of
// that set (a Latin font chosen for a Japanese view) is still the one the user gets.
void PlainTextView::setFont(const Font& font) {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(font.Size * static_cast<float>(dpiOf(hwnd_)) / 72.0f + 0.5f);
    lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.Italic;
    lf.lfUnderline = font.Underline;
    lf.lfCharSet = static_cast<BYTE>(font.Charset);
    font.Name.copy(lf.lfFaceName, LF_FACESIZE - 1);
    HFONT chosen = CreateFontIndirectW(&lf);
    HDC dc = GetDC(hwnd_);
    const auto faceOf = [dc](HFONT f) {
        wchar_t face[LF_FACESIZE] = {};
        HGDIOBJ old = SelectObject(dc, f);
        GetTextFaceW(dc, LF_FACESIZE, face);
        SelectObject(dc, old);
        return std::wstring(face);
    };
    if (faceOf(chosen) != font.Name) {
        lf.lfCharSet = DEFAULT_CHARSET;
        HFONT anySet = CreateFontIndirectW(&lf);
        if (faceOf(anySet) == font.Name) std::swap(chosen, anySet);
        DeleteObject(anySet);
    }
    if (font_) DeleteObject(font_);
    font_ = chosen;
    HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    lineHeight_ = std::max(1, static_cast<int>(tm.tmHeight + tm.tmExternalLeading));
    charWidth_ = std::max(1, static_cast<int>(tm.tmAveCharWidth));
    extent_ = clampToInt(file_.longestLine() * static_cast<std::size_t>(charWidth_));
    if (focused_) {
        DestroyCaret();
        CreateCaret(hwnd_, nullptr, 1, lineHeight_);
        ShowCaret(hwnd_);
    }
    const Layout caretLine = layout(caret_.line);
    caretX_ = caretLine.x[std::min(caret_.column, caretLine.text.size())];
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

PlainTextView::Layout PlainTextView::layout(HDC dc, std::size_t line) const {
    Layout result{file_.line(line), {}};
    const std::wstring& text = result.text;
    result.x.assign(text.size() + 1, 0);
    const int tab = kTabColumns * charWidth_;
    std::vector<int> extents;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == L'\t') {
            result.x[i + 1] = (result.x[i] / tab + 1) * tab;
            ++i;
            continue;
        }
        const std::size_t end = std::min(text.find(L'\t', i), text.size());
        const int count = clampToInt(end - i);
        extents.resize(static_cast<std::size_t>(count));
        SIZE size{};
        GetTextExtentExPointW(dc, text.data() + i, count, 0, nullptr, extents.data(), &size);
        for (int k = 0; k < count; ++k)
            result.x[i + static_cast<std::size_t>(k) + 1] =
                result.x[i] + extents[static_cast<std::size_t>(k)];
        i = end;
    }
    return result;
}

PlainTextView::Layout PlainTextView::layout(std::size_t line) const {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    Layout result = layout(dc, line);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    return result;
}

// The character boundary nearest to x.
std::size_t PlainTextView::columnAt(const Layout& line, int x) const {
    const auto next = std::lower_bound(line.x.begin(), line.x.end(), x);
    if (next == line.x.end()) return line.text.size();
    std::size_t column = static_cast<std::size_t>(next - line.x.begin());
    if (column > 0 && x - line.x[column - 1] < *next - x) --column;
    return column;
}

PlainTextView::Position PlainTextView::hit(int x, int y) const {
    const long long row = y < 0 ? -1 - (-y - 1) / lineHeight_ : y / lineHeight_;
    const long long line = std::clamp<long long>(static_cast<long long>(top_) + row, 0,
                                                 static_cast<long long>(file_.lineCount()) - 1);
    const Layout laid = layout(static_cast<std::size_t>(line));
    return {static_cast<std::size_t>(line), columnAt(laid, x - kMargin + left_)};
}

int PlainTextView::visibleLines() const {
    RECT client;
    GetClientRect(hwnd_, &client);
    return std::max(1, static_cast<int>(client.bottom) / lineHeight_);
}

int PlainTextView::clientWidth() const {
    RECT client;
    GetClientRect(hwnd_, &client);
    return client.right;
}

std::size_t PlainTextView::lastTop() const {
    const auto visible = static_cast<std::size_t>(visibleLines());
    return file_.lineCount() > visible ? file_.lineCount() - visible : 0;
}

void PlainTextView::paint() {
    PAINTSTRUCT ps;
    HDC target = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    // Drawn off screen first, so that scrolling does not flicker.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, std::max(1L, client.right), std::max(1L, client.bottom));
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);

    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    const int width = client.right;
    int widest = extent_;
    for (int row = 0; row * lineHeight_ < client.bottom; ++row) {
        const std::size_t line = top_ + static_cast<std::size_t>(row);
        if (line >= file_.lineCount()) break;
        const int y = row * lineHeight_;
        if (y + lineHeight_ <= ps.rcPaint.top || y >= ps.rcPaint.bottom) continue;
        const Layout laid = layout(dc, line);
        const std::wstring& text = laid.text;
        widest = std::max(widest, laid.x.back());
        const int origin = kMargin - left_;

        // The selected part, and a little of the line end when the selection goes on past it.
        std::size_t selStart = 0, selEnd = 0;
        if (from != to && line >= from.line && line <= to.line) {
            selStart = line == from.line ? std::min(from.column, text.size()) : 0;
            selEnd = line == to.line ? std::min(to.column, text.size()) : text.size();
            RECT band{origin + laid.x[selStart], y, origin + laid.x[selEnd], y + lineHeight_};
            if (line != to.line) band.right += charWidth_ / 2 + 1;
            FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
        }

        // Only the characters in sight are drawn, in runs of one colour without tabs.
        std::size_t i =
            static_cast<std::size_t>(std::upper_bound(laid.x.begin(), laid.x.end(), left_) - laid.x.begin());
        i = i > 0 ? i - 1 : 0;
        const std::size_t last = static_cast<std::size_t>(
            std::lower_bound(laid.x.begin(), laid.x.end(), left_ + width) - laid.x.begin());
        const std::size_t stop = std::min(last, text.size());
        while (i < stop) {
            if (text[i] == L'\t') {
                ++i;
                continue;
            }
            const bool selected = i >= selStart && i < selEnd;
            std::size_t end = i + 1;
            while (end < stop && text[end] != L'\t' && (end >= selStart && end < selEnd) == selected) ++end;
            SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            ExtTextOutW(dc, origin + laid.x[i], y, 0, nullptr, text.data() + i, static_cast<UINT>(end - i),
                        nullptr);
            i = end;
        }
    }
    BitBlt(target, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, dc, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(hwnd_, &ps);
    // A line wider than was thought widens the horizontal scroll range.
    if (widest > extent_) {
        extent_ = widest;
        updateScrollBars();
    }
}

void PlainTextView::updateScrollBars() {
    SCROLLINFO vertical{sizeof vertical, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
    vertical.nMax = clampToInt(file_.lineCount()) - 1;
    vertical.nPage = static_cast<UINT>(visibleLines());
    vertical.nPos = clampToInt(top_);
    SetScrollInfo(hwnd_, SB_VERT, &vertical, TRUE);
    SCROLLINFO horizontal{
        sizeof horizontal, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
    horizontal.nMax = extent_ + 2 * kMargin + charWidth_;
    horizontal.nPage = static_cast<UINT>(std::max(1, clientWidth()));
    horizontal.nPos = left_;
    SetScrollInfo(hwnd_, SB_HORZ, &horizontal, TRUE);
}

void PlainTextView::scrollTo(std::size_t top, int left) {
    top = std::min(top, lastTop());
    left = std::clamp(left, 0, std::max(0, extent_ + 2 * kMargin + charWidth_ - clientWidth() + 1));
    if (top == top_ && left == left_) return;
    top_ = top;
    left_ = left;
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void PlainTextView::onScroll(int bar, WORD code) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd_, bar, &info);
    const bool vertical = bar == SB_VERT;
    const long long line = vertical ? 1 : charWidth_ * 4;
    const long long page =
        vertical ? std::max(1, visibleLines() - 1) : std::max(1, clientWidth() - charWidth_);
    long long position = vertical ? static_cast<long long>(top_) : left_;
    switch (code) {
        case SB_LINEUP:
            position -= line;
            break;
        case SB_LINEDOWN:
            position += line;
            break;
        case SB_PAGEUP:
            position -= page;
            break;
        case SB_PAGEDOWN:
            position += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            position = info.nTrackPos;
            break;
        case SB_TOP:
            position = 0;
            break;
        case SB_BOTTOM:
            position = info.nMax;
            break;
        default:
            return;
    }
    position = std::max(0LL, position);
    if (vertical)
        scrollTo(static_cast<std::size_t>(position), left_);
    else
        scrollTo(top_, static_cast<int>(std::min<long long>(position, INT_MAX)));
}

void PlainTextView::onWheel(int delta, bool horizontal) {
    UINT lines = 3;
    SystemParametersInfoW(horizontal ? 0x006C /* SPI_GETWHEELSCROLLCHARS */ : SPI_GETWHEELSCROLLLINES, 0,
                          &lines, 0);
    wheel_ += delta;
    const int notches = wheel_ / WHEEL_DELTA;
    wheel_ %= WHEEL_DELTA;
    if (notches == 0) return;
    if (horizontal) {
        scrollTo(top_, left_ + notches * static_cast<int>(lines) * charWidth_);
        return;
    }
    const long long step =
        lines == WHEEL_PAGESCROLL ? std::max(1, visibleLines() - 1) : static_cast<long long>(lines);
    const long long top = static_cast<long long>(top_) - notches * step;
    scrollTo(static_cast<std::size_t>(std::max(0LL, top)), left_);
}

bool PlainTextView::onKey(WPARAM key) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    if (ctrl && key == 'A') {
        selectAll();
        return true;
    }
    if (ctrl && (key == 'C' || key == VK_INSERT)) {
        copy();
        return true;
    }
    const std::size_t lastLine = file_.lineCount() - 1;
    const auto lengthOf = [this](std::size_t line) { return file_.line(line).size(); };
    // A line up or down at the x the caret keeps.
    const auto atX = [this](std::size_t line) { return Position{line, columnAt(layout(line), caretX_)}; };
    const auto page = static_cast<std::size_t>(std::max(1, visibleLines() - 1));
    Position to = caret_;
    bool keepX = false;
    switch (key) {
        case VK_LEFT:
            if (to.column > 0) {
                const std::wstring text = file_.line(to.line);
                to.column = std::min(to.column, text.size()) - 1;
                if (to.column > 0 && text[to.column] >= 0xDC00 && text[to.column] <= 0xDFFF) --to.column;
            } else if (to.line > 0) {
                to = {to.line - 1, lengthOf(to.line - 1)};
            }
            break;
        case VK_RIGHT:
            if (const std::wstring text = file_.line(to.line); to.column < text.size()) {
                ++to.column;
                if (to.column < text.size() && text[to.column] >= 0xDC00 && text[to.column] <= 0xDFFF)
                    ++to.column;
            } else if (to.line < lastLine) {
                to = {to.line + 1, 0};
            }
            break;
        case VK_UP:
            if (to.line > 0) to = atX(to.line - 1);
            keepX = true;
            break;
        case VK_DOWN:
            if (to.line < lastLine) to = atX(to.line + 1);
            keepX = true;
            break;
        case VK_PRIOR:
        case VK_NEXT: {
            // The page moves, and the caret with it.
            const bool up = key == VK_PRIOR;
            const std::size_t line =
                up ? (to.line > page ? to.line - page : 0) : std::min(lastLine, to.line + page);
            scrollTo(up ? (top_ > page ? top_ - page : 0) : top_ + page, left_);
            to = atX(line);
            keepX = true;
            break;
        }
        case VK_HOME:
            to = ctrl ? Position{} : Position{to.line, 0};
            break;
        case VK_END:
            to = ctrl ? Position{lastLine, lengthOf(lastLine)} : Position{to.line, lengthOf(to.line)};
            break;
        default:
            return false;
    }
    moveCaret(to, shift, keepX);
    return true;
}

void PlainTextView::moveCaret(Position to, bool extend, bool keepX) {
    const bool changed = to != caret_ || (!extend && anchor_ != caret_);
    caret_ = to;
    if (!extend) anchor_ = to;
    const Layout laid = layout(to.line);
    if (!keepX) caretX_ = laid.x[std::min(to.column, laid.text.size())];
    ensureVisible(to);
    placeCaret();
    if (changed) InvalidateRect(hwnd_, nullptr, FALSE);
}

void PlainTextView::ensureVisible(Position at) {
    std::size_t top = top_;
    const auto visible = static_cast<std::size_t>(visibleLines());
    if (at.line < top) top = at.line;
    if (at.line >= top + visible) top = at.line - visible + 1;
    const Layout laid = layout(at.line);
    const int x = laid.x[std::min(at.column, laid.text.size())];
    const int width = std::max(1, clientWidth() - 2 * kMargin);
    int left = left_;
    if (x < left) left = std::max(0, x - width / 4);
    if (x >= left + width) left = x - width * 3 / 4;
    scrollTo(top, left);
}

void PlainTextView::placeCaret() {
    if (!focused_) return;
    const bool inSight =
        caret_.line >= top_ && caret_.line < top_ + static_cast<std::size_t>(visibleLines()) + 1;
    if (!inSight) {
        SetCaretPos(-100, -100 - lineHeight_);
        return;
    }
    const Layout laid = layout(caret_.line);
    const int x = laid.x[std::min(caret_.column, laid.text.size())];
    SetCaretPos(kMargin - left_ + x, static_cast<int>(caret_.line - top_) * lineHeight_);
}

void PlainTextView::selectAll() {
    const std::size_t last = file_.lineCount() - 1;
    anchor_ = Position{};
    caret_ = {last, file_.line(last).size()};
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void PlainTextView::copy() const {
    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    if (from == to) return;
    std::wstring text;
    for (std::size_t line = from.line; line <= to.line; ++line) {
        const std::wstring whole = file_.line(line);
        const std::size_t begin = line == from.line ? std::min(from.column, whole.size()) : 0;
        const std::size_t end = line == to.line ? std::min(to.column, whole.size()) : whole.size();
        text.append(whole, begin, end - begin);
        if (line != to.line) text += L"\r\n";
    }
    if (!OpenClipboard(hwnd_)) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        auto* target = static_cast<wchar_t*>(GlobalLock(memory));
        std::copy(text.c_str(), text.c_str() + text.size() + 1, target);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

bool PlainTextView::handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    result = 0;
    switch (msg) {
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
            onScroll(SB_VERT, LOWORD(wp));
            return true;
        case WM_HSCROLL:
            onScroll(SB_HORZ, LOWORD(wp));
            return true;
        case WM_MOUSEWHEEL:
            onWheel(GET_WHEEL_DELTA_WPARAM(wp), false);
            return true;
        case WM_MOUSEHWHEEL:
            onWheel(-GET_WHEEL_DELTA_WPARAM(wp), true);
            return true;
        case WM_LBUTTONDOWN:
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
