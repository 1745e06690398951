// The plain text view's layout cache: lines cut into pieces, decoded and measured
// as they come into sight, and positions found in them.
#include <windows.h>

#include <algorithm>

#include "toolkit/win32/win32_rich_text.h"
#include "toolkit/win32/win32_plain_text_view.h"

namespace tk::win32 {
namespace {

constexpr int kTabColumns = 8;
constexpr std::uint64_t kPieceBytes = 4096;
constexpr std::size_t kKeptLines = 512, kKeptPieces = 512;

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

}  // namespace tk::win32
