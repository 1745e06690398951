// The plain text view's caret and selection: keys that move them, and copying.
#include <windows.h>

#include <algorithm>

#include "toolkit/win32/win32_plain_text_view.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {
namespace {

// The most text put on the clipboard at once: 256 MB.
constexpr std::uint64_t kClipboardUnits = 128u << 20;

}  // namespace

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
    followEnd_ = false;
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
            // To the end as far as it is known, and on with it while more becomes known.
            to = ctrl ? Position{lastLine, file_.lineEnd(lastLine)}
                      : Position{to.line, file_.lineEnd(to.line)};
            followEnd_ = ctrl;
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

// Everything known so far, and the rest as it becomes known.
void PlainTextView::selectAll() {
    followEnd_ = true;
    const std::uint64_t last = file_.lineCount() - 1;
    anchor_ = Position{0, file_.lineStart(0)};
    caret_ = Position{last, file_.lineEnd(last)};
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// The selection as text, lines ended by CR LF, decoded straight into the
// clipboard's memory; a selection larger than the clipboard should take is refused.
void PlainTextView::copy() {
    const bool wide = file_.encoding() == TextEncoding::Utf16LE || file_.encoding() == TextEncoding::Utf16BE;
    // A selection that follows the end of a file still being indexed takes in the
    // rest of the file first (a moment, for what the clipboard can take), so that
    // what is copied is what was selected, never only the part known so far.
    if (followEnd_ && !file_.indexed()) {
        if ((file_.size() - std::min(caret_, anchor_).offset) / (wide ? 2 : 1) > kClipboardUnits) {
            messageBox(texts().selectionTooLarge, box::Exclamation);
            return;
        }
        indexUpTo(file_.size(), {});
    }
    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    if (from == to) return;
    // No byte gives more than one unit (UTF-16: two bytes), a line break at most two.
    const std::uint64_t most = (to.offset - from.offset) / (wide ? 2 : 1) + 2 * (to.line - from.line) + 1;
    HGLOBAL memory = most <= kClipboardUnits ? GlobalAlloc(GMEM_MOVEABLE, most * sizeof(wchar_t)) : nullptr;
    if (!memory) {
        messageBox(texts().selectionTooLarge, box::Exclamation);
        return;
    }
    auto* target = static_cast<wchar_t*>(GlobalLock(memory));
    std::uint64_t units = 0;
    bool afterCr = false;  // a CR was the last: an LF after it belongs to its line break
    // Small enough that its decoding is never a large block of memory of its own.
    constexpr std::uint64_t kChunk = 64 * 1024;
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

}  // namespace tk::win32
