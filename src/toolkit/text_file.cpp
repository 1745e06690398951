// A text file's line index: where its lines start and end, kept sparse, built a
// piece of the file at a time and extended as a log writer appends.
#include "toolkit/text_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace tk {
namespace {

// The next CR or LF byte at or after p, else end. Eight bytes at a time while
// none of them is one.
const char* nextLineEnd8(const char* p, const char* end) {
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const auto hasZero = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (hasZero(word ^ (ones * '\n')) | hasZero(word ^ (ones * '\r'))) break;
        p += 8;
    }
    for (; p < end; ++p)
        if (*p == '\n' || *p == '\r') return p;
    return end;
}

#if defined(__SSE2__) || defined(_M_X64)
// For each 16-bit mask of line ends, the largest distance between two of them.
const std::array<std::uint8_t, 65536>& widestGap() {
    static const std::array<std::uint8_t, 65536> table = [] {
        std::array<std::uint8_t, 65536> gaps{};
        for (unsigned mask = 0; mask < 65536; ++mask) {
            int previous = -1;
            for (int bit = 0; bit < 16; ++bit) {
                if (!(mask >> bit & 1)) continue;
                if (previous >= 0)
                    gaps[mask] =
                        std::max<std::uint8_t>(gaps[mask], static_cast<std::uint8_t>(bit - previous));
                previous = bit;
            }
        }
        return gaps;
    }();
    return table;
}
#endif
}  // namespace

TextFile::TextFile(TextBytes bytes, std::uint64_t indexFirst) : bytes_(std::move(bytes)) {
    format_ = detectTextFormat(bytes_.readSome(0, TextBytes::kPiece).view());
    if (format_.bomSize == 0 && !wide()) judging_.emplace();
    // Some 16 bytes of marks for every every_ lines: at most 64 MB of them.
    every_ = std::max<std::uint64_t>(kEvery, bytes_.size() >> 22);
    scanned_ = start_ = format_.bomSize;
    marks_.push_back({start_, 0});
    last_ = marks_.front();
    indexMore(indexFirst);
}

void TextFile::indexMore(std::uint64_t bytes) {
    const std::uint64_t end = endOfText();
    std::uint64_t until = end - scanned_ > bytes ? scanned_ + bytes : end;
    if (wide()) until -= (until - format_.bomSize) % 2;  // whole units only
    scan(until);
    if (!indexed()) return;
    if (judging_) {
        format_.encoding = judging_->verdict() ? TextEncoding::Utf8 : TextEncoding::Ansi;
        judging_.reset();
    }
    marks_.shrink_to_fit();
}

void TextFile::append(std::string_view more) {
    if (more.empty()) return;
    const std::uint64_t oldSize = bytes_.size();
    bytes_.append(more);
    restartAtLastLine(oldSize);
    indexMore(kWhole);
}

void TextFile::grow(const FileStamp& now, std::string tail) {
    const std::uint64_t oldSize = bytes_.size();
    bytes_.grow(now, std::move(tail));
    restartAtLastLine(oldSize);
}

// The lines before the old last one stay as they were. That line may go on, and
// when the old bytes ended in a CR, the line it ended may take the LF that follows
// as its own: the lines are counted again from there, as a whole reading would.
// Bytes not yet indexed are simply more to index; the rest is left to indexMore.
void TextFile::restartAtLastLine(std::uint64_t oldSize) {
    const std::uint64_t unit = wide() ? 2 : 1;
    const bool wasIndexed = scanned_ + unit > oldSize;
    if (wasIndexed) {
        std::uint64_t from = lines_ - 1;
        if (from > 0 && start_ == oldSize) {
            const std::size_t low = format_.encoding == TextEncoding::Utf16BE ? 1 : 0;
            if (bytes_.at(oldSize - unit + low) == '\r') --from;
        }
        const std::uint64_t restart = lineStart(from);
        std::erase_if(marks_, [&](const Mark& m) { return m.line > from; });
        scanned_ = start_ = restart;
        lines_ = from + 1;
        last_ = marks_.front();
    }
}

void TextFile::scan(std::uint64_t until) {
    const std::uint64_t size = bytes_.size();
    std::uint64_t start = start_, lines = lines_, longest = longest_;
    Mark mark = marks_.back();
    // Every line start is counted; only some are remembered. Counted in locals,
    // which the compiler keeps in registers while the bytes are read.
    const auto lineAt = [&](std::uint64_t next) {
        longest = std::max(longest, next - start);
        start = next;
        if (lines - mark.line >= every_ || start - mark.offset >= kReach) {
            mark = {start, lines};
            marks_.push_back(mark);
        }
        ++lines;
    };
    const bool isWide = wide();
    const std::uint64_t unit = isWide ? 2 : 1, units = endOfText();
    const std::size_t low = format_.encoding == TextEncoding::Utf16BE ? 1 : 0;
    ByteReader beyond(bytes_);
    for (std::uint64_t pos = std::max(scanned_, start); pos < until;) {
        const ByteSpan span = bytes_.readSome(pos, static_cast<std::size_t>(until - pos));
        const std::uint64_t end = pos + span.size();
        if (judging_) judging_->feed(span.view());
        const auto at = [&](std::uint64_t i) -> unsigned char {
            if (i >= pos && i < end) return static_cast<unsigned char>(span.data()[i - pos]);
            return i < size ? beyond[i] : 0;
        };
        const auto isLf = [&](std::uint64_t i) {
            return at(i + low) == '\n' && (!isWide || at(i + 1 - low) == 0);
        };
        std::uint64_t i = pos;
#if defined(__SSE2__) || defined(_M_X64)
        // Sixteen bytes at a time, a file of nothing but line breaks as much as a log.
        const __m128i lf = isWide ? _mm_set1_epi16(low ? 0x0A00 : 0x000A) : _mm_set1_epi8('\n');
        const __m128i cr = isWide ? _mm_set1_epi16(low ? 0x0D00 : 0x000D) : _mm_set1_epi8('\r');
        const unsigned keep = isWide ? 0x5555u : 0xFFFFu;
        for (; i + 16 <= end; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(span.data() + (i - pos)));
            const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(isWide ? _mm_cmpeq_epi16(block, lf)
                                                                            : _mm_cmpeq_epi8(block, lf))) &
                             keep;
            const auto crs = static_cast<unsigned>(_mm_movemask_epi8(isWide ? _mm_cmpeq_epi16(block, cr)
                                                                            : _mm_cmpeq_epi8(block, cr))) &
                             keep;
            if ((lfs | crs) == 0) continue;
            // Where every CR is followed by its LF in the block, the LFs end the lines:
            // then the block's lines are counted together.
            if (start <= i && ((crs << unit) & ~lfs & 0xFFFF) == 0 && (crs >> (16 - unit)) == 0) {
                const auto count = static_cast<std::uint64_t>(std::popcount(lfs));
                const std::uint64_t first = i + static_cast<unsigned>(std::countr_zero(lfs)) + unit;
                const std::uint64_t last = i + static_cast<unsigned>(31 - std::countl_zero(lfs)) + unit;
                if (last - mark.offset < kReach) {
                    if (const std::uint64_t due = mark.line + every_; due < lines + count) {
                        unsigned rest = lfs;
                        for (std::uint64_t k = due - lines; k > 0; --k) rest &= rest - 1;
                        mark = {i + static_cast<unsigned>(std::countr_zero(rest)) + unit, due};
                        marks_.push_back(mark);
                    }
                    longest =
                        std::max({longest, first - start, static_cast<std::uint64_t>(widestGap()[lfs])});
                    start = last;
                    lines += count;
                    continue;
                }
            }
            for (unsigned mask = lfs | crs; mask != 0; mask &= mask - 1) {
                const std::uint64_t p = i + static_cast<unsigned>(std::countr_zero(mask));
                if (p < start) continue;  // the LF of a CR LF
                std::uint64_t next = p + unit;
                if (!isLf(p) && next + unit <= units && isLf(next)) next += unit;
                lineAt(next);
            }
        }
#endif
        // The rest a unit at a time (a UTF-16 unit never lies across two pieces).
        for (; i + unit <= end; i += unit) {
            const unsigned char c = at(i + low);
            if ((c != '\n' && c != '\r') || (isWide && at(i + 1 - low) != 0) || i < start) continue;
            std::uint64_t next = i + unit;
            if (c == '\r' && next + unit <= units && isLf(next)) next += unit;
            lineAt(next);
        }
        pos = end;
    }
    scanned_ = std::max(scanned_, until);
    start_ = start;
    lines_ = lines;
    longest_ = longest;
}

bool TextFile::wide() const {
    return format_.encoding == TextEncoding::Utf16LE || format_.encoding == TextEncoding::Utf16BE;
}

std::uint64_t TextFile::endOfText() const {
    const std::uint64_t size = bytes_.size();
    return wide() ? size - (size - format_.bomSize) % 2 : size;
}

std::uint64_t TextFile::longestLine() const {
    const std::uint64_t longest = std::max(longest_, std::max(scanned_, start_) - start_);
    return wide() ? longest / 2 : longest;
}

std::optional<std::uint64_t> TextFile::nextLine(std::uint64_t from, std::uint64_t limit) const {
    const std::uint64_t size = bytes_.size();
    limit = std::min(limit, size);
    ByteReader byte(bytes_);
    if (!wide()) {
        // A line feed byte never occurs inside a Shift-JIS or UTF-8 character.
        for (std::uint64_t pos = from; pos < limit;) {
            const ByteSpan span = bytes_.readSome(pos, static_cast<std::size_t>(limit - pos));
            const char* const end = span.data() + span.size();
            const char* p = nextLineEnd8(span.data(), end);
            if (p == end) {
                pos += span.size();
                continue;
            }
            const std::uint64_t at = pos + static_cast<std::uint64_t>(p - span.data());
            return at + (*p == '\r' && at + 1 < size && byte[at + 1] == '\n' ? 2 : 1);
        }
        return std::nullopt;
    }
    // A line feed is looked for as a whole code unit, never as a byte of one.
    const std::size_t hi = format_.encoding == TextEncoding::Utf16BE ? 0 : 1;
    const std::uint64_t units = endOfText();
    for (std::uint64_t i = from; i < limit && i + 1 < units; i += 2) {
        if (byte[i + hi] != 0) continue;
        const unsigned char low = byte[i + 1 - hi];
        if (low == '\n') return i + 2;
        if (low == '\r') {
            const bool crlf = i + 3 < units && byte[i + 2 + hi] == 0 && byte[i + 3 - hi] == '\n';
            return i + (crlf ? 4 : 2);
        }
    }
    return std::nullopt;
}

std::uint64_t TextFile::lineStart(std::uint64_t line) const {
    line = std::min(line, lines_ - 1);
    if (line == lines_ - 1) return start_;
    auto mark = std::upper_bound(marks_.begin(), marks_.end(), line,
                                 [](std::uint64_t l, const Mark& m) { return l < m.line; });
    Mark at = *--mark;
    if (last_.line <= line && last_.line > at.line) at = last_;
    while (at.line < line) at = {*nextLine(at.offset, bytes_.size()), at.line + 1};
    last_ = at;
    return at.offset;
}

std::uint64_t TextFile::lineEnd(std::uint64_t line) const {
    if (line + 1 >= lines_)
        return indexed() ? endOfText() : boundaryBefore(start_, std::max(scanned_, start_));
    const std::uint64_t start = lineStart(line);
    std::uint64_t end = lineStart(line + 1);
    const std::uint64_t unit = wide() ? 2 : 1;
    const std::size_t low = format_.encoding == TextEncoding::Utf16BE ? 1 : 0;
    ByteReader byte(bytes_);
    const bool lf = byte[end - unit + low] == '\n';
    end -= unit;
    if (lf && end >= start + unit && byte[end - unit + low] == '\r' &&
        (!wide() || byte[end - unit + 1 - low] == 0))
        end -= unit;
    return end;
}

std::uint64_t TextFile::lineOf(std::uint64_t offset) const {
    if (offset >= start_) return lines_ - 1;
    auto mark = std::upper_bound(marks_.begin(), marks_.end(), offset,
                                 [](std::uint64_t o, const Mark& m) { return o < m.offset; });
    if (mark != marks_.begin()) --mark;
    // Every line start between two remembered ones lies within kReach of the first.
    const std::uint64_t limit = std::min<std::uint64_t>(offset + 1, mark->offset + kReach);
    Mark at = *mark;
    if (last_.offset <= offset && last_.offset > at.offset) at = last_;
    while (const std::optional<std::uint64_t> next = nextLine(at.offset, limit)) {
        if (*next > offset || at.line + 1 >= lines_) break;
        at = {*next, at.line + 1};
    }
    last_ = at;
    return at.line;
}

std::wstring TextFile::text() const {
    std::wstring all;
    for (std::uint64_t i = 0; i < lineCount(); ++i) {
        if (i > 0) all += L"\r\n";
        all += line(i);
    }
    return all;
}

}  // namespace tk
