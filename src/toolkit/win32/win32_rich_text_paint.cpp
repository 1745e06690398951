// The plain text view's painting and scrolling.
#include <windows.h>

#include <algorithm>

#include "toolkit/win32/win32_rich_text.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/win32_plain_text_view.h"

namespace tk::win32 {

void PlainTextView::paint() {
    const std::int64_t known = extent();
    paintLines();
    // A line wider than was thought widens the horizontal scroll range.
    if (extent() != known) updateScrollBars();
}

// Measuring a piece can run out of memory; the handles of the painting are let
// go whichever way this ends.
void PlainTextView::paintLines() {
    const ScopedPaint target(hwnd_);
    const RECT& area = target.area();
    RECT client;
    GetClientRect(hwnd_, &client);
    // Drawn off screen first, so that scrolling does not flicker.
    const AutoDeleteDC dc(CreateCompatibleDC(target));
    const AutoDeleteBitmap bitmap(
        CreateCompatibleBitmap(target, std::max(1L, client.right), std::max(1L, client.bottom)));
    if (!dc.valid() || !bitmap.valid()) return;
    const ScopedSelectObject bitmapSelected(dc, bitmap);
    const ScopedSelectObject fontSelected(dc, font_.valid() ? font_.get() : GetStockObject(DEFAULT_GUI_FONT));
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);

    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    const int width = client.right;
    for (int row = 0; row * lineHeight_ < client.bottom; ++row) {
        const std::uint64_t number = top_ + static_cast<std::uint64_t>(row);
        if (number >= file_.lineCount()) break;
        const int y = row * lineHeight_;
        if (y + lineHeight_ <= area.top || y >= area.bottom) continue;
        Line& line = lineAt(number);
        const bool selectedLine = from != to && number >= from.line && number <= to.line;
        for (std::size_t index = line.widths.at(left_); index < line.widths.size(); ++index) {
            const Piece& laid = piece(number, line, index);
            const std::int64_t pieceX = line.widths.before(index);
            if (pieceX >= left_ + width) break;
            const bool lastPiece = index + 1 == line.widths.size();
            if (pieceX + laid.x.back() < left_ && !(lastPiece && selectedLine)) continue;
            const int origin = clampToInt(kMargin - left_ + pieceX);
            const std::wstring& text = laid.text;

            // The selected part, and a little of the line end when the selection goes on past it.
            std::size_t selStart = 0, selEnd = 0;
            if (selectedLine) {
                selStart = from.offset <= laid.begin
                               ? 0
                               : unitAt(laid, std::min(from.offset, laid.begin + laid.offsets.back()));
                selEnd = to.offset <= laid.begin
                             ? 0
                             : unitAt(laid, std::min(to.offset, laid.begin + laid.offsets.back()));
                RECT band{origin + laid.x[selStart], y, origin + laid.x[selEnd], y + lineHeight_};
                if (number != to.line && lastPiece) band.right += charWidth_ / 2 + 1;
                band.left = std::max(band.left, -1L);
                band.right = std::min(band.right, static_cast<LONG>(width) + 1);
                if (band.left < band.right) FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
            }

            // Only the characters in sight are drawn, in runs of one colour without tabs.
            const std::int64_t leftInPiece = left_ - pieceX;
            std::size_t i = static_cast<std::size_t>(
                std::upper_bound(laid.x.begin(), laid.x.end(), leftInPiece) - laid.x.begin());
            i = i > 0 ? i - 1 : 0;
            const std::size_t last = static_cast<std::size_t>(
                std::lower_bound(laid.x.begin(), laid.x.end(), leftInPiece + width) - laid.x.begin());
            const std::size_t stop = std::min(last, text.size());
            while (i < stop) {
                if (text[i] == L'\t') {
                    ++i;
                    continue;
                }
                const bool selected = i >= selStart && i < selEnd;
                std::size_t end = i + 1;
                while (end < stop && text[end] != L'\t' && (end >= selStart && end < selEnd) == selected)
                    ++end;
                SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
                ExtTextOutW(dc, origin + laid.x[i], y, 0, nullptr, text.data() + i,
                            static_cast<UINT>(end - i), nullptr);
                i = end;
            }
        }
    }
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left, area.top,
           SRCCOPY);
}

// ---- scrolling -----------------------------------------------------------------

// A scroll bar holds 32-bit positions: a longer range is scaled down by a power of two.
void PlainTextView::setScrollBar(int bar, std::uint64_t last, std::uint64_t page, std::uint64_t position) {
    int& shift = scrollShift_[bar == SB_VERT ? 1 : 0];
    shift = 0;
    while ((last >> shift) > 0x3FFFFFFF) ++shift;
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
    info.nMax = static_cast<int>(last >> shift);
    info.nPage = static_cast<UINT>(std::max<std::uint64_t>(1, page >> shift));
    info.nPos = static_cast<int>(position >> shift);
    SetScrollInfo(hwnd_, bar, &info, TRUE);
}

void PlainTextView::updateScrollBars() {
    setScrollBar(SB_VERT, file_.lineCount() - 1, static_cast<std::uint64_t>(visibleLines()), top_);
    setScrollBar(SB_HORZ, static_cast<std::uint64_t>(extent() + 2 * kMargin + charWidth_),
                 static_cast<std::uint64_t>(std::max(1, clientWidth())), static_cast<std::uint64_t>(left_));
}

void PlainTextView::scrollTo(std::uint64_t top, std::int64_t left) {
    top = std::min(top, lastTop());
    left = std::clamp<std::int64_t>(left, 0, lastLeft());
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
    const int shift = scrollShift_[vertical ? 1 : 0];
    const std::int64_t line = vertical ? 1 : charWidth_ * 4;
    const std::int64_t page =
        vertical ? std::max(1, visibleLines() - 1) : std::max(1, clientWidth() - charWidth_);
    const std::int64_t end = vertical ? static_cast<std::int64_t>(lastTop()) : lastLeft();
    std::int64_t position = vertical ? static_cast<std::int64_t>(top_) : left_;
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
            // On a scaled bar the thumb's last place still reaches the end.
            position = info.nTrackPos + static_cast<int>(info.nPage) > info.nMax
                           ? end
                           : static_cast<std::int64_t>(info.nTrackPos) << shift;
            break;
        case SB_TOP:
            position = 0;
            break;
        case SB_BOTTOM:
            position = end;
            break;
        default:
            return;
    }
    position = std::max<std::int64_t>(0, position);
    if (vertical)
        scrollTo(static_cast<std::uint64_t>(position), left_);
    else
        scrollTo(top_, position);
}

void PlainTextView::onWheel(int delta, bool horizontal) {
    UINT lines = 3;
    SystemParametersInfoW(horizontal ? SPI_GETWHEELSCROLLCHARS : SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    wheel_ += delta;
    const int notches = wheel_ / WHEEL_DELTA;
    wheel_ %= WHEEL_DELTA;
    if (notches == 0) return;
    if (horizontal) {
        scrollTo(top_, left_ + static_cast<std::int64_t>(notches) * lines * charWidth_);
        return;
    }
    const std::int64_t step =
        lines == WHEEL_PAGESCROLL ? std::max(1, visibleLines() - 1) : static_cast<std::int64_t>(lines);
    const std::int64_t top = static_cast<std::int64_t>(top_) - notches * step;
    scrollTo(static_cast<std::uint64_t>(std::max<std::int64_t>(0, top)), left_);
}

}  // namespace tk::win32
