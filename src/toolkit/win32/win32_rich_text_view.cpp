// Plain text in the rich text view: only what is in sight is decoded and painted.
#include <windows.h>

#include <algorithm>
#include <climits>

#include "core/host.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {
namespace {

constexpr int kMargin = 2;  // pixels between the border and the text
constexpr int kTabColumns = 8;
constexpr std::uint64_t kPieceBytes = 4096;
constexpr std::size_t kKeptLines = 512, kKeptPieces = 512;
// The most text put on the clipboard at once: 256 MB.
constexpr std::uint64_t kClipboardUnits = 128u << 20;

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN / 2, INT_MAX / 2));
}

bool isHigh(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLow(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The boundary inside a surrogate pair is no place for the caret.
bool insidePair(const std::wstring& text, std::size_t unit) {
    return unit > 0 && unit < text.size() && isHigh(text[unit - 1]) && isLow(text[unit]);
}

// Keeps a cache to its size by dropping the entries used least recently.
template <typename Map>
void trim(Map& cache, std::size_t keep) {
    if (cache.size() <= keep) return;
    std::vector<std::uint64_t> uses;
    for (const auto& entry : cache) uses.push_back(entry.second.used);
    auto middle = uses.begin() + static_cast<std::ptrdiff_t>(cache.size() - keep / 2);
    std::nth_element(uses.begin(), middle, uses.end());
    const std::uint64_t oldest = *middle;
    std::erase_if(cache, [oldest](const auto& entry) { return entry.second.used < oldest; });
}

}  // namespace

PlainTextView::~PlainTextView() {
    if (measure_) DeleteDC(measure_);
    if (font_) DeleteObject(font_);
}

void PlainTextView::show(TextFile file, bool keepPlace) {
    const std::uint64_t top = top_, anchor = anchor_.offset, caret = caret_.offset;
    file_ = std::move(file);
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
    lf.lfHeight = -static_cast<LONG>(font.Size * static_cast<float>(dpiOf(hwnd_)) / 72.0f + 0.5f);
    lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.Italic;
    lf.lfUnderline = font.Underline;
    lf.lfCharSet = static_cast<BYTE>(font.Charset);
    font.Name.copy(lf.lfFaceName, LF_FACESIZE - 1);
    HFONT chosen = CreateFontIndirectW(&lf);
    if (!measure_) {
        HDC screen = GetDC(hwnd_);
        measure_ = CreateCompatibleDC(screen);
        ReleaseDC(hwnd_, screen);
    }
    const auto faceOf = [this](HFONT f) {
        wchar_t face[LF_FACESIZE] = {};
        SelectObject(measure_, f);
        GetTextFaceW(measure_, LF_FACESIZE, face);
        return std::wstring(face);
    };
    if (faceOf(chosen) != font.Name) {
        lf.lfCharSet = DEFAULT_CHARSET;
        HFONT anySet = CreateFontIndirectW(&lf);
        if (faceOf(anySet) == font.Name) std::swap(chosen, anySet);
        SelectObject(measure_, GetStockObject(DEFAULT_GUI_FONT));
        DeleteObject(anySet);
    }
    SelectObject(measure_, chosen);
    if (font_) DeleteObject(font_);
    font_ = chosen;
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

// ---- lines and pieces --------------------------------------------------------

PlainTextView::Line& PlainTextView::lineAt(std::uint64_t number) {
    auto found = lines_.find(number);
    if (found == lines_.end()) {
        trim(lines_, kKeptLines);
        Line line;
        line.begin = file_.lineStart(number);
        line.end = file_.lineEnd(number);
        const std::uint64_t bytes = line.end - line.begin;
        const std::size_t count =
            static_cast<std::size_t>(std::max<std::uint64_t>(1, (bytes + kPieceBytes - 1) / kPieceBytes));
        // Until it is measured, a piece is as wide as its characters at the average width.
        const std::int64_t unit =
            file_.encoding() == TextEncoding::Utf16LE || file_.encoding() == TextEncoding::Utf16BE ? 2 : 1;
        const auto estimate = [&](std::uint64_t b) {
            return static_cast<std::int64_t>(b) / unit * charWidth_;
        };
        line.widths = WidthSums(count, estimate(kPieceBytes), estimate(bytes - (count - 1) * kPieceBytes));
        line.measured.assign(count, false);
        line.longest =
            static_cast<std::int64_t>(bytes) / unit + 2 >= static_cast<std::int64_t>(file_.longestLine());
        found = lines_.emplace(number, std::move(line)).first;
        noteWidth(number, found->second);
    }
    found->second.used = ++clock_;
    return found->second;
}

std::uint64_t PlainTextView::pieceBegin(const Line& line, std::size_t piece) const {
    if (piece == 0) return line.begin;
    if (piece >= line.widths.size()) return line.end;
    return file_.boundaryBefore(line.begin, line.begin + piece * kPieceBytes);
}

std::size_t PlainTextView::pieceOf(const Line& line, std::uint64_t offset) const {
    const std::size_t last = line.widths.size() - 1;
    std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(last, (offset - line.begin) / kPieceBytes));
    if (piece > 0 && offset < pieceBegin(line, piece)) --piece;
    if (piece < last && offset >= pieceBegin(line, piece + 1)) ++piece;
    return piece;
}

const PlainTextView::Piece& PlainTextView::piece(std::uint64_t lineNumber, Line& line, std::size_t index) {
    const auto key = std::make_pair(lineNumber, index);
    auto found = pieces_.find(key);
    if (found == pieces_.end()) {
        trim(pieces_, kKeptPieces);
        Piece piece;
        piece.begin = pieceBegin(line, index);
        piece.text = file_.decode(piece.begin, pieceBegin(line, index + 1), piece.offsets);
        const std::wstring& text = piece.text;
        piece.x.assign(text.size() + 1, 0);
        const int tab = kTabColumns * charWidth_;
        std::vector<int> extents;
        for (std::size_t i = 0; i < text.size();) {
            if (text[i] == L'\t') {
                piece.x[i + 1] = (piece.x[i] / tab + 1) * tab;
                ++i;
                continue;
            }
            const std::size_t end = std::min(text.find(L'\t', i), text.size());
            const int count = static_cast<int>(end - i);
            extents.resize(static_cast<std::size_t>(count));
            SIZE size{};
            GetTextExtentExPointW(measure_, text.data() + i, count, 0, nullptr, extents.data(), &size);
            for (int k = 0; k < count; ++k)
                piece.x[i + static_cast<std::size_t>(k) + 1] =
                    piece.x[i] + extents[static_cast<std::size_t>(k)];
            i = end;
        }
        found = pieces_.emplace(key, std::move(piece)).first;
    }
    const Piece& laid = found->second;
    if (!line.measured[index]) {
        line.measured[index] = true;
        line.widths.add(index, laid.x.back() - line.widths.width(index));
        noteWidth(lineNumber, line);
    }
    found->second.used = ++clock_;
    return laid;
}

// The unit boundary at the byte offset (the last one there, after a surrogate pair's middle).
std::size_t PlainTextView::unitAt(const Piece& piece, std::uint64_t offset) {
    const auto relative = static_cast<std::uint32_t>(offset - piece.begin);
    const auto next = std::upper_bound(piece.offsets.begin(), piece.offsets.end(), relative);
    return static_cast<std::size_t>(next - piece.offsets.begin()) - 1;
}

PlainTextView::Position PlainTextView::positionOf(std::uint64_t offset) {
    const std::uint64_t line = file_.lineOf(offset);
    const std::uint64_t start = file_.lineStart(line);
    return {line, file_.boundaryBefore(start, std::min(offset, file_.lineEnd(line)))};
}

// Pixels from the line's left; the pieces before the caret's count as far as they are known.
std::int64_t PlainTextView::xOf(Position at) {
    Line& line = lineAt(at.line);
    const std::size_t index = pieceOf(line, at.offset);
    const Piece& laid = piece(at.line, line, index);
    return line.widths.before(index) + laid.x[unitAt(laid, at.offset)];
}

// The character boundary nearest to x.
PlainTextView::Position PlainTextView::at(std::uint64_t number, std::int64_t x) {
    Line& line = lineAt(number);
    std::size_t index = line.widths.at(x);
    // Measuring a piece can narrow it: then x lies in one of the next.
    for (int tries = 0;; ++tries) {
        const Piece& laid = piece(number, line, index);
        const std::int64_t local = x - line.widths.before(index);
        if (local >= laid.x.back() && index + 1 < line.widths.size() && tries < 16) {
            ++index;
            continue;
        }
        const auto next = std::lower_bound(laid.x.begin(), laid.x.end(), local);
        std::size_t unit = std::min(static_cast<std::size_t>(next - laid.x.begin()), laid.text.size());
        if (unit > 0 && (next == laid.x.end() || local - laid.x[unit - 1] < *next - local)) --unit;
        if (insidePair(laid.text, unit)) --unit;
        return {number, laid.begin + laid.offsets[unit]};
    }
}

// One character to the left or right, across the line break.
PlainTextView::Position PlainTextView::step(Position from, bool forward) {
    Line& line = lineAt(from.line);
    if (!forward && from.offset <= line.begin)
        return from.line > 0 ? Position{from.line - 1, file_.lineEnd(from.line - 1)} : from;
    if (forward && from.offset >= line.end)
        return from.line + 1 < file_.lineCount() ? Position{from.line + 1, file_.lineStart(from.line + 1)}
                                                 : from;
    std::size_t index = pieceOf(line, from.offset);
    const Piece* laid = &piece(from.line, line, index);
    std::size_t unit = unitAt(*laid, from.offset);
    if (!forward && unit == 0) {
        laid = &piece(from.line, line, --index);
        unit = laid->text.size();
    } else if (forward && unit == laid->text.size()) {
        laid = &piece(from.line, line, ++index);
        unit = 0;
    }
    unit = forward ? unit + 1 : unit - 1;
    if (insidePair(laid->text, unit)) unit = forward ? unit + 1 : unit - 1;
    return {from.line, laid->begin + laid->offsets[unit]};
}

PlainTextView::Position PlainTextView::hit(int x, int y) {
    const long long row = y < 0 ? -1 - (-y - 1) / lineHeight_ : y / lineHeight_;
    const auto line = static_cast<std::uint64_t>(std::clamp<long long>(
        static_cast<long long>(top_) + row, 0, static_cast<long long>(file_.lineCount()) - 1));
    return at(line, x - kMargin + left_);
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

std::uint64_t PlainTextView::lastTop() const {
    const auto visible = static_cast<std::uint64_t>(visibleLines());
    return file_.lineCount() > visible ? file_.lineCount() - visible : 0;
}

std::int64_t PlainTextView::lastLeft() const {
    return std::max<std::int64_t>(0, extent() + 2 * kMargin + charWidth_ - clientWidth() + 1);
}

// ---- painting ------------------------------------------------------------------

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

    const std::int64_t known = extent();
    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    const int width = client.right;
    for (int row = 0; row * lineHeight_ < client.bottom; ++row) {
        const std::uint64_t number = top_ + static_cast<std::uint64_t>(row);
        if (number >= file_.lineCount()) break;
        const int y = row * lineHeight_;
        if (y + lineHeight_ <= ps.rcPaint.top || y >= ps.rcPaint.bottom) continue;
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
    BitBlt(target, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, dc, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(hwnd_, &ps);
    // A line wider than was thought widens the horizontal scroll range.
    if (extent() != known) updateScrollBars();
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
    SystemParametersInfoW(horizontal ? 0x006C /* SPI_GETWHEELSCROLLCHARS */ : SPI_GETWHEELSCROLLLINES, 0,
                          &lines, 0);
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

// ---- caret and selection ---------------------------------------------------------

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
    const std::uint64_t lastLine = file_.lineCount() - 1;
    const auto page = static_cast<std::uint64_t>(std::max(1, visibleLines() - 1));
    Position to = caret_;
    bool keepX = false;
    switch (key) {
        case VK_LEFT:
        case VK_RIGHT:
            to = step(to, key == VK_RIGHT);
            break;
        case VK_UP:
            if (to.line > 0) to = at(to.line - 1, caretX_);
            keepX = true;
            break;
        case VK_DOWN:
            if (to.line < lastLine) to = at(to.line + 1, caretX_);
            keepX = true;
            break;
        case VK_PRIOR:
        case VK_NEXT: {
            // The page moves, and the caret with it.
            const bool up = key == VK_PRIOR;
            const std::uint64_t line =
                up ? (to.line > page ? to.line - page : 0) : std::min(lastLine, to.line + page);
            scrollTo(up ? (top_ > page ? top_ - page : 0) : top_ + page, left_);
            to = at(line, caretX_);
            keepX = true;
            break;
        }
        case VK_HOME:
            to = ctrl ? Position{0, file_.lineStart(0)} : Position{to.line, file_.lineStart(to.line)};
            break;
        case VK_END:
            to = ctrl ? Position{lastLine, file_.lineEnd(lastLine)}
                      : Position{to.line, file_.lineEnd(to.line)};
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
    if (!keepX) caretX_ = xOf(to);
    ensureVisible(to);
    placeCaret();
    if (changed) InvalidateRect(hwnd_, nullptr, FALSE);
}

void PlainTextView::select(std::uint64_t anchor, std::uint64_t caret) {
    anchor_ = positionOf(anchor);
    caret_ = positionOf(caret);
    caretX_ = xOf(caret_);
    ensureVisible(caret_, 3);
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// Scrolls so that the position is in sight, with context lines above and below where there is room.
void PlainTextView::ensureVisible(Position at, std::uint64_t context) {
    std::uint64_t top = top_;
    const auto visible = static_cast<std::uint64_t>(visibleLines());
    context = std::min(context, (visible - 1) / 2);
    if (at.line < top + context) top = at.line > context ? at.line - context : 0;
    if (at.line + context >= top + visible) top = at.line + context - visible + 1;
    const std::int64_t width = std::max(1, clientWidth() - 2 * kMargin);
    std::int64_t x = xOf(at), left = left_;
    // Measuring the pieces from the new left edge to the caret's moves the caret's
    // x when they turn out narrower or wider than estimated: again until it stays.
    for (int tries = 0; tries < 8; ++tries) {
        left = left_;
        if (x < left) left = std::max<std::int64_t>(0, x - width / 4);
        if (x >= left + width) left = x - width * 3 / 4;
        Line& line = lineAt(at.line);
        const std::size_t last = pieceOf(line, at.offset);
        bool measured = false;
        for (std::size_t index = line.widths.at(left); index <= last; ++index) {
            if (line.measured[index]) continue;
            piece(at.line, line, index);
            measured = true;
        }
        if (!measured) break;
        x = xOf(at);
    }
    // The caret's piece may have widened the range just now.
    updateScrollBars();
    scrollTo(top, left);
}

void PlainTextView::placeCaret() {
    if (!focused_) return;
    const bool inSight =
        caret_.line >= top_ && caret_.line < top_ + static_cast<std::uint64_t>(visibleLines()) + 1;
    if (!inSight) {
        SetCaretPos(-100, -100 - lineHeight_);
        return;
    }
    SetCaretPos(clampToInt(kMargin - left_ + xOf(caret_)),
                static_cast<int>(caret_.line - top_) * lineHeight_);
}

void PlainTextView::selectAll() {
    const std::uint64_t last = file_.lineCount() - 1;
    anchor_ = Position{0, file_.lineStart(0)};
    caret_ = Position{last, file_.lineEnd(last)};
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// The selection as text, lines ended by CR LF, decoded straight into the
// clipboard's memory; a selection larger than the clipboard should take is refused.
void PlainTextView::copy() {
    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    if (from == to) return;
    const bool wide = file_.encoding() == TextEncoding::Utf16LE || file_.encoding() == TextEncoding::Utf16BE;
    // No byte gives more than one unit (UTF-16: two bytes), a line break at most two.
    const std::uint64_t most = (to.offset - from.offset) / (wide ? 2 : 1) + 2 * (to.line - from.line) + 1;
    HGLOBAL memory = most <= kClipboardUnits ? GlobalAlloc(GMEM_MOVEABLE, most * sizeof(wchar_t)) : nullptr;
    if (!memory) {
        lorvane::MsgBox(L"選択範囲が大きすぎるため、ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰできません。", lorvane::mb::Exclamation);
        return;
    }
    auto* target = static_cast<wchar_t*>(GlobalLock(memory));
    std::uint64_t units = 0;
    bool afterCr = false;  // a CR was the last: an LF after it belongs to its line break
    constexpr std::uint64_t kChunk = 1 << 20;
    for (std::uint64_t at = from.offset; at < to.offset;) {
        std::uint64_t next = to.offset - at > kChunk ? file_.boundaryBefore(at, at + kChunk) : to.offset;
        if (next <= at) next = to.offset;
        // Line breaks of every kind become CR LF.
        for (const wchar_t c : file_.decode(at, next)) {
            if (c == L'\n' && afterCr) {
                afterCr = false;
                continue;
            }
            afterCr = c == L'\r';
            if (c == L'\r' || c == L'\n') {
                target[units++] = L'\r';
                target[units++] = L'\n';
            } else {
                target[units++] = c;
            }
        }
        at = next;
    }
    target[units] = L'\0';
    GlobalUnlock(memory);
    if (HGLOBAL smaller = GlobalReAlloc(memory, (units + 1) * sizeof(wchar_t), 0)) memory = smaller;
    if (!OpenClipboard(hwnd_)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
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
