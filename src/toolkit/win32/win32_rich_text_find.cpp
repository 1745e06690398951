// Finding text in the plain-text view and reading its file again. Both work on
// byte offsets into the file, turned into lines and columns only to show them.
#include <windows.h>

#include <algorithm>

#include "toolkit/text_file_reload.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {
namespace {

constexpr std::size_t kContextLines = 3;  // shown above and below a match

}  // namespace

// The columns of a line count UTF-16 code units of its decoded text.
std::size_t PlainTextView::offsetOf(Position at) const {
    const std::size_t start = file_.lineStart(at.line);
    const std::string_view bytes = file_.bytes();
    const std::size_t end = at.line + 1 < file_.lineCount() ? file_.lineStart(at.line + 1) : bytes.size();
    if (file_.encoding() == TextEncoding::Utf16LE || file_.encoding() == TextEncoding::Utf16BE)
        return std::min(end, start + 2 * at.column);
    std::size_t offset = start;
    for (std::size_t column = 0; column < at.column && offset < end;) {
        const auto lead = static_cast<unsigned char>(bytes[offset]);
        std::size_t length = 1, units = 1;
        if (file_.encoding() == TextEncoding::Utf8) {
            length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
            units = length == 4 ? 2 : 1;
        } else if (isAnsiLeadByte(lead)) {
            length = 2;
        }
        offset = std::min(end, offset + length);
        column += units;
    }
    return offset;
}

PlainTextView::Position PlainTextView::positionOf(std::size_t offset) const {
    const std::size_t line = file_.lineAt(offset);
    return {line, file_.decode(file_.lineStart(line), offset).size()};
}

// No character takes more than four bytes.
std::wstring PlainTextView::selectedText(std::size_t limit) const {
    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    const std::size_t start = offsetOf(from);
    return file_.decode(start, std::min(offsetOf(to), start + std::min(limit, file_.bytes().size()) * 4))
        .substr(0, limit);
}

SearchOutcome PlainTextView::find(const std::wstring& text, bool matchCase, bool down,
                                  const SearchProgress& progress) {
    const Position from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    const TextSearch search(text, file_.format(), matchCase);
    const SearchResult result = search.find(file_.bytes(), offsetOf(down ? to : from), down, progress);
    if (result.outcome == SearchOutcome::Found)
        showRange(positionOf(result.match.offset), positionOf(result.match.offset + result.match.length));
    return result.outcome;
}

void PlainTextView::showRange(Position from, Position to) {
    anchor_ = from;
    caret_ = to;
    const auto visible = static_cast<std::size_t>(visibleLines());
    const std::size_t context = std::min(kContextLines, visible / 4);
    std::size_t top = top_;
    if (from.line < top_ + context)
        top = from.line > context ? from.line - context : 0;
    else if (to.line + context >= top_ + visible)
        top = to.line + context + 1 - visible;
    const Layout laid = layout(to.line);
    const int start = laid.x[std::min(from.column, laid.text.size())];
    caretX_ = laid.x[std::min(to.column, laid.text.size())];
    const int width = std::max(1, clientWidth() - 4);
    int left = left_;
    if (caretX_ >= left + width) left = caretX_ - width * 3 / 4;
    if (start < left) left = std::max(0, start - width / 4);
    scrollTo(top, left);
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

bool PlainTextView::reload(const std::wstring& path, std::wstring* failure) {
    const bool lastLineShown = top_ + static_cast<std::size_t>(visibleLines()) >= file_.lineCount();
    const std::size_t oldSize = file_.bytes().size();
    if (reloadTextFile(file_, path, failure) == ReloadOutcome::Failed) return false;
    const std::size_t lastLine = file_.lineCount() - 1;
    for (Position* at : {&caret_, &anchor_})
        if (at->line > lastLine) *at = {lastLine, file_.line(lastLine).size()};
    extent_ = std::max(extent_, static_cast<int>(std::min<std::size_t>(
                                    file_.longestLine() * static_cast<std::size_t>(charWidth_), 1 << 30)));
    top_ = lastLineShown && file_.bytes().size() > oldSize ? lastTop() : std::min(top_, lastTop());
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
    return true;
}

}  // namespace tk::win32
