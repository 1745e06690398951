// A text file's line index: where its lines start and end, kept sparse and
// extended as a log writer appends.
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

TextFile::TextFile(std::string bytes) : own_(std::make_shared<std::string>(std::move(bytes))) {
    bytes_ = *own_;
    owner_ = own_;
    index();
}

TextFile::TextFile(std::string_view bytes, std::shared_ptr<const void> owner)
    : owner_(std::move(owner)), bytes_(bytes) {
    index();
}

void TextFile::index() {
    format_ = detectTextFormat(bytes_);
    const Mark first{format_.bomSize, 0};
    marks_.push_back(first);
    index(first, first, 0);
}

// The lines before the old last one stay as they were. That line may go on, and
// when the old bytes ended in a CR, the line it ended may take the LF that follows
// as its own: the lines are counted again from there, as a whole reading would.
// When memory runs out, the file stays as it was.
void TextFile::append(std::string_view more) {
    if (more.empty()) return;
    const std::uint64_t unit = wide() ? 2 : 1, oldSize = bytes_.size();
    std::uint64_t from = lines_ - 1;
    if (from > 0 && lineStart(from) == oldSize) {
        const std::size_t low = format_.encoding == TextEncoding::Utf16BE ? 1 : 0;
        if (bytes_[oldSize - unit + low] == '\r') --from;
    }
    const Mark restart{lineStart(from), from};
    // Grows in place (amortized) while no copy of this file shares the bytes.
    const bool inPlace = own_ && own_.use_count() <= 2;
    const std::shared_ptr<std::string> oldOwn = own_;
    const std::shared_ptr<const void> oldOwner = owner_;
    const std::string_view oldBytes = bytes_;
    std::vector<Mark> oldMarks = marks_;
    const std::uint64_t oldLines = lines_, oldLongest = longest_;
    if (inPlace) {
        own_->append(more);
    } else {
        auto copy = std::make_shared<std::string>();
        copy->reserve(oldSize + more.size() + oldSize / 4);
        copy->append(bytes_);
        copy->append(more);
        own_ = std::move(copy);
    }
    owner_ = own_;
    bytes_ = *own_;
    try {
        std::erase_if(marks_, [&](const Mark& m) { return m.line > restart.line; });
        index(restart, marks_.back(), oldLongest * unit);
    } catch (const std::bad_alloc&) {
        if (inPlace) {
            own_->resize(oldSize);
            bytes_ = *own_;
        } else {
            own_ = oldOwn;
            owner_ = oldOwner;
            bytes_ = oldBytes;
        }
        marks_ = std::move(oldMarks);
        lines_ = oldLines;
        longest_ = oldLongest;
        last_ = marks_.front();
        throw;
    }
}

void TextFile::index(Mark from, Mark mark, std::uint64_t longest) {
    const std::uint64_t size = bytes_.size();
    std::uint64_t start = from.offset;
    // Every line start is counted; only some are remembered. Counted in locals,
    // which the compiler keeps in registers while the bytes are read.
    std::uint64_t lines = from.line + 1;
    const auto lineAt = [&](std::uint64_t next) {
        longest = std::max(longest, next - start);
        start = next;
        if (lines - mark.line >= kEvery || start - mark.offset >= kReach) {
            mark = {start, lines};
            marks_.push_back(mark);
        }
        ++lines;
    };
#if defined(__SSE2__) || defined(_M_X64)
    // Sixteen bytes at a time, a file of nothing but line breaks as much as a log.
    const bool isWide = wide();
    const std::uint64_t unit = isWide ? 2 : 1;
    const std::uint64_t units = size - (size - start) % unit;
    const auto at = [this](std::uint64_t i) { return static_cast<unsigned char>(bytes_[i]); };
    const std::size_t low = format_.encoding == TextEncoding::Utf16BE ? 1 : 0;
    const auto isLf = [&](std::uint64_t i) {
        return at(i + low) == '\n' && (!isWide || at(i + 1 - low) == 0);
    };
    const __m128i lf = isWide ? _mm_set1_epi16(low ? 0x0A00 : 0x000A) : _mm_set1_epi8('\n');
    const __m128i cr = isWide ? _mm_set1_epi16(low ? 0x0D00 : 0x000D) : _mm_set1_epi8('\r');
    const unsigned keep = isWide ? 0x5555u : 0xFFFFu;
    std::uint64_t i = start;
    for (; i + 16 <= units; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes_.data() + i));
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
                if (const std::uint64_t due = mark.line + kEvery; due < lines + count) {
                    unsigned rest = lfs;
                    for (std::uint64_t k = due - lines; k > 0; --k) rest &= rest - 1;
                    mark = {i + static_cast<unsigned>(std::countr_zero(rest)) + unit, due};
                    marks_.push_back(mark);
                }
                longest = std::max({longest, first - start, static_cast<std::uint64_t>(widestGap()[lfs])});
                start = last;
                lines += count;
                continue;
            }
        }
        for (unsigned mask = lfs | crs; mask != 0; mask &= mask - 1) {
            const std::uint64_t pos = i + static_cast<unsigned>(std::countr_zero(mask));
            if (pos < start) continue;  // the LF of a CR LF
            std::uint64_t next = pos + unit;
            if (!isLf(pos) && next + unit <= units && isLf(next)) next += unit;
            lineAt(next);
        }
    }
    while (const std::optional<std::uint64_t> next = nextLine(std::max(start, i), size)) lineAt(*next);
#else
    while (const std::optional<std::uint64_t> next = nextLine(start, size)) lineAt(*next);
#endif
    lines_ = lines;
    longest_ = std::max(longest, size - start);
    if (wide()) longest_ /= 2;
    marks_.shrink_to_fit();
    last_ = marks_.front();
}

bool TextFile::wide() const {
    return format_.encoding == TextEncoding::Utf16LE || format_.encoding == TextEncoding::Utf16BE;
}

std::optional<std::uint64_t> TextFile::nextLine(std::uint64_t from, std::uint64_t limit) const {
    const char* const data = bytes_.data();
    const std::uint64_t size = bytes_.size();
    limit = std::min(limit, size);
    if (!wide()) {
        // A line feed byte never occurs inside a Shift-JIS or UTF-8 character.
        const char* p = nextLineEnd8(data + from, data + limit);
        if (p == data + limit) return std::nullopt;
        if (*p++ == '\r' && p < data + size && *p == '\n') ++p;
        return static_cast<std::uint64_t>(p - data);
    }
    // A line feed is looked for as a whole code unit, never as a byte of one.
    const std::size_t hi = format_.encoding == TextEncoding::Utf16BE ? 0 : 1;
    const std::uint64_t units = size - (size - format_.bomSize) % 2;
    for (std::uint64_t i = from; i < limit && i + 1 < units; i += 2) {
        if (data[i + hi] != 0) continue;
        const char low = data[i + 1 - hi];
        if (low == '\n') return i + 2;
        if (low == '\r') {
            const bool crlf = i + 3 < units && data[i + 2 + hi] == 0 && data[i + 3 - hi] == '\n';
            return i + (crlf ? 4 : 2);
        }
    }
    return std::nullopt;
}

std::uint64_t TextFile::lineStart(std::uint64_t line) const {
    line = std::min(line, lines_ - 1);
    auto mark = std::upper_bound(marks_.begin(), marks_.end(), line,
                                 [](std::uint64_t l, const Mark& m) { return l < m.line; });
    Mark at = *--mark;
    if (last_.line <= line && last_.line > at.line) at = last_;
    while (at.line < line) at = {*nextLine(at.offset, bytes_.size()), at.line + 1};
    last_ = at;
    return at.offset;
}

std::uint64_t TextFile::lineEnd(std::uint64_t line) const {
    const std::uint64_t size = bytes_.size();
    if (line + 1 >= lines_) return wide() ? size - (size - format_.bomSize) % 2 : size;
    const std::uint64_t start = lineStart(line);
    std::uint64_t end = lineStart(line + 1);
    const std::uint64_t unit = wide() ? 2 : 1;
    const std::size_t low = format_.encoding == TextEncoding::Utf16BE ? 1 : 0;
    const bool lf = bytes_[end - unit + low] == '\n';
    end -= unit;
    if (lf && end >= start + unit && bytes_[end - unit + low] == '\r' &&
        (!wide() || bytes_[end - unit + 1 - low] == 0))
        end -= unit;
    return end;
}

std::uint64_t TextFile::lineOf(std::uint64_t offset) const {
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
