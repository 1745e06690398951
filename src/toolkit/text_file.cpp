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

// A code point as a wstring holds it: one unit, or a surrogate pair where wchar_t has 16 bits.
void appendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c > 0xFFFF) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// The length of the well-formed UTF-8 sequence at p, 0 when there is none; *code
// receives its code point. A sequence cut off by the end counts as ill-formed.
std::size_t utf8Sequence(const unsigned char* p, const unsigned char* end, char32_t* code) {
    const unsigned char lead = p[0];
    std::size_t length = 0;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char b = p[i];
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    *code = c;
    return length;
}

// Valid UTF-8 with real evidence for it (see detectTextFormat).
bool isUtf8Text(std::string_view bytes) {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    bool twoBytes = false, longer = false;
    while (p < end) {
        // Plain ASCII goes eight bytes at a time.
        std::uint64_t word;
        if (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080ull) == 0)) {
            p += 8;
            continue;
        }
        char32_t c;
        const std::size_t length = utf8Sequence(p, end, &c);
        if (length == 0) {
            const std::ptrdiff_t wanted = *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : 2;
            const bool cutOff =
                *p >= 0xC2 && *p <= 0xF4 && end - p < wanted &&
                std::all_of(p + 1, end, [](unsigned char b) { return b >= 0x80 && b <= 0xBF; });
            return cutOff && longer;
        }
        twoBytes = twoBytes || length == 2;
        longer = longer || length > 2;
        p += length;
    }
    return twoBytes || longer;
}

// The decoders below note, when asked, the byte offset of every UTF-16 unit
// boundary; the boundary inside a surrogate pair gets the offset of its character.
void note(std::vector<std::uint32_t>* offsets, std::size_t units, std::size_t at) {
    if (offsets) offsets->resize(units + 1, static_cast<std::uint32_t>(at));
}

std::wstring decodeUtf8(std::string_view bytes, std::vector<std::uint32_t>* offsets) {
    std::wstring out;
    out.reserve(bytes.size());
    auto begin = reinterpret_cast<const unsigned char*>(bytes.data());
    auto p = begin;
    const auto end = p + bytes.size();
    while (p < end) {
        note(offsets, out.size(), static_cast<std::size_t>(p - begin));
        char32_t c;
        const std::size_t length = utf8Sequence(p, end, &c);
        appendCodePoint(out, length ? c : 0xFFFD);
        p += length ? length : 1;
    }
    note(offsets, out.size(), bytes.size());
    return out;
}

std::wstring decodeUtf16(std::string_view bytes, bool bigEndian, std::vector<std::uint32_t>* offsets) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        note(offsets, out.size(), i);
        char32_t c = unit(i);
        if constexpr (sizeof(wchar_t) > 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
                const char32_t next = unit(i + 2);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                    i += 2;
                }
            }
        }
        appendCodePoint(out, c);
    }
    note(offsets, out.size(), i);
    return out;
}

// The length in bytes of the ANSI character at p (a lead byte cut off by end stands alone).
std::size_t ansiLength(const char* p, const char* end) {
    return isAnsiLeadByte(static_cast<unsigned char>(*p)) && end - p >= 2 ? 2 : 1;
}

std::wstring decodeAnsiWithOffsets(std::string_view bytes, std::vector<std::uint32_t>& offsets) {
    std::wstring out = decodeAnsi(bytes);
    // Usually one unit for each character: then the offsets follow from the lengths.
    offsets.clear();
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    for (const char* p = begin; p < end && offsets.size() <= out.size(); p += ansiLength(p, end))
        offsets.push_back(static_cast<std::uint32_t>(p - begin));
    if (offsets.size() == out.size()) {
        offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
        return out;
    }
    // Otherwise character by character, each one a single unit.
    out.clear();
    offsets.clear();
    for (const char* p = begin; p < end;) {
        const std::size_t length = ansiLength(p, end);
        const std::wstring c = decodeAnsi(std::string_view(p, length));
        offsets.push_back(static_cast<std::uint32_t>(p - begin));
        out += c.size() == 1 ? c[0] : L'\xFFFD';
        p += length;
    }
    offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
    return out;
}

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

TextFormat detectTextFormat(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return {TextEncoding::Utf16LE, 2};
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return {TextEncoding::Utf16BE, 2};
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return {TextEncoding::Utf8, 3};
    return {isUtf8Text(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi, 0};
}

bool isRtf(std::string_view bytes) {
    return bytes.substr(0, 5) == "{\\rtf";
}

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

std::uint64_t TextFile::boundaryBefore(std::uint64_t from, std::uint64_t offset) const {
    if (offset <= from) return from;
    offset = std::min<std::uint64_t>(offset, bytes_.size());
    const auto byte = [this](std::uint64_t i) { return static_cast<unsigned char>(bytes_[i]); };
    switch (format_.encoding) {
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            offset -= (offset - from) % 2;
            const std::size_t hi = format_.encoding == TextEncoding::Utf16BE ? 0 : 1;
            const auto isHigh = [&](std::uint64_t i) {
                return i + 1 < bytes_.size() && (byte(i + hi) & 0xFC) == 0xD8;
            };
            const auto isLow = [&](std::uint64_t i) {
                return i + 1 < bytes_.size() && (byte(i + hi) & 0xFC) == 0xDC;
            };
            if (offset >= from + 2 && isLow(offset) && isHigh(offset - 2)) offset -= 2;
            return offset;
        }
        case TextEncoding::Utf8: {
            // Back over the continuation bytes of one character at most.
            for (int i = 0; i < 3 && offset > from && (byte(offset) & 0xC0) == 0x80; ++i) --offset;
            return offset;
        }
        case TextEncoding::Ansi:
            break;
    }
    // A byte that cannot lead a two-byte character ends one; from just after the
    // last such byte, characters are counted forward. Past a long run of possible
    // lead bytes (no text has one) the offset is taken as it is.
    std::uint64_t start = offset;
    while (start > from && offset - start < 256 && isAnsiLeadByte(byte(start - 1))) --start;
    const char* const end = bytes_.data() + bytes_.size();
    while (start < offset) {
        const std::size_t length = ansiLength(bytes_.data() + start, end);
        if (start + length > offset) break;
        start += length;
    }
    return start;
}

std::wstring TextFile::decode(std::uint64_t begin, std::uint64_t end) const {
    const std::string_view bytes = bytes_.substr(begin, end - begin);
    switch (format_.encoding) {
        case TextEncoding::Utf8:
            return decodeUtf8(bytes, nullptr);
        case TextEncoding::Utf16LE:
            return decodeUtf16(bytes, false, nullptr);
        case TextEncoding::Utf16BE:
            return decodeUtf16(bytes, true, nullptr);
        case TextEncoding::Ansi:
            break;
    }
    return decodeAnsi(bytes);
}

std::wstring TextFile::decode(std::uint64_t begin, std::uint64_t end,
                              std::vector<std::uint32_t>& offsets) const {
    const std::string_view bytes = bytes_.substr(begin, end - begin);
    offsets.clear();
    switch (format_.encoding) {
        case TextEncoding::Utf8:
            return decodeUtf8(bytes, &offsets);
        case TextEncoding::Utf16LE:
            return decodeUtf16(bytes, false, &offsets);
        case TextEncoding::Utf16BE:
            return decodeUtf16(bytes, true, &offsets);
        case TextEncoding::Ansi:
            break;
    }
    return decodeAnsiWithOffsets(bytes, offsets);
}

std::size_t TextFile::columnOf(std::uint64_t line, std::uint64_t offset) const {
    const std::uint64_t start = lineStart(line);
    return decode(start, boundaryBefore(start, std::min(offset, lineEnd(line)))).size();
}

std::uint64_t TextFile::offsetOf(std::uint64_t line, std::size_t column) const {
    const std::uint64_t start = lineStart(line);
    std::vector<std::uint32_t> offsets;
    const std::wstring text = decode(start, lineEnd(line), offsets);
    column = std::min(column, text.size());
    // Inside a surrogate pair: before it.
    if (column > 0 && column < text.size() && text[column - 1] >= 0xD800 && text[column - 1] <= 0xDBFF &&
        text[column] >= 0xDC00 && text[column] <= 0xDFFF)
        --column;
    return start + offsets[column];
}

std::wstring TextFile::text() const {
    std::wstring all;
    for (std::uint64_t i = 0; i < lineCount(); ++i) {
        if (i > 0) all += L"\r\n";
        all += line(i);
    }
    return all;
}

// Groups nest; each keeps whether its text is hidden and how many fallback
// characters follow a \u character. Hex bytes (\'hh) and raw bytes above ASCII
// are collected and decoded together, since one character may take two of them.
std::wstring rtfPlainText(std::string_view rtf) {
    struct Group {
        bool hidden = false;
        int fallback = 1;
    };
    static constexpr std::string_view hiddenDestinations[] = {
        "fonttbl",   "colortbl",     "stylesheet",        "info",    "pict",    "object",
        "header",    "footer",       "headerl",           "headerr", "footerl", "footerr",
        "footnote",  "listtable",    "listoverridetable", "fldinst", "rsidtbl", "generator",
        "themedata", "latentstyles", "datastore",         "xmlnstbl"};
    std::vector<Group> outer;
    Group group;
    std::wstring out;
    std::string ansi;
    int skip = 0;               // fallback characters still to skip
    std::size_t paragraph = 0;  // where the text stood after the last paragraph mark
    const auto flush = [&] {
        if (!ansi.empty()) out += decodeAnsi(ansi);
        ansi.clear();
    };
    // A byte of the code page (from \'hh or raw text above ASCII), or a character.
    const auto character = [&](char32_t c, bool byte) {
        if (group.hidden) return;
        if (skip > 0) {
            --skip;
            return;
        }
        if (byte) {
            ansi += static_cast<char>(c);
            return;
        }
        flush();
        appendCodePoint(out, c);
    };
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto hexValue = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };

    std::size_t i = 0;
    while (i < rtf.size()) {
        const char c = rtf[i++];
        if (c == '{' || c == '}') {
            flush();
            skip = 0;
            if (c == '{') {
                outer.push_back(group);
            } else if (!outer.empty()) {
                group = outer.back();
                outer.pop_back();
            }
        } else if (c == '\r' || c == '\n') {
            // Line breaks in the source are not text.
        } else if (c != '\\') {
            character(static_cast<unsigned char>(c), static_cast<unsigned char>(c) >= 0x80);
        } else if (i < rtf.size() && isLetter(rtf[i])) {
            const std::size_t wordStart = i;
            while (i < rtf.size() && isLetter(rtf[i])) ++i;
            const std::string_view word = rtf.substr(wordStart, i - wordStart);
            bool hasParameter = false;
            long parameter = 0;
            const bool negative = i < rtf.size() && rtf[i] == '-';
            if (negative) ++i;
            while (i < rtf.size() && isDigit(rtf[i])) {
                hasParameter = true;
                parameter = std::min(parameter * 10 + (rtf[i++] - '0'), 1L << 20);
            }
            if (negative) parameter = -parameter;
            if (i < rtf.size() && rtf[i] == ' ') ++i;

            if (word == "par" || word == "line" || word == "sect" || word == "page") {
                character(L'\r', false);
                character(L'\n', false);
                if (!group.hidden) paragraph = out.size();
            } else if (word == "tab") {
                character(L'\t', false);
            } else if (word == "u" && hasParameter) {
                character(static_cast<char32_t>(parameter < 0 ? parameter + 0x10000 : parameter), false);
                if (!group.hidden) skip = group.fallback;
            } else if (word == "uc" && hasParameter) {
                group.fallback = static_cast<int>(std::max(0L, parameter));
            } else if (word == "bin" && hasParameter) {
                i = std::min(rtf.size(), i + static_cast<std::size_t>(std::max(0L, parameter)));
            } else if (std::find(std::begin(hiddenDestinations), std::end(hiddenDestinations), word) !=
                       std::end(hiddenDestinations)) {
                group.hidden = true;
            }
        } else if (i < rtf.size()) {
            const char symbol = rtf[i++];
            if (symbol == '\'' && i + 1 < rtf.size() && hexValue(rtf[i]) >= 0 && hexValue(rtf[i + 1]) >= 0) {
                character(static_cast<char32_t>(hexValue(rtf[i]) * 16 + hexValue(rtf[i + 1])), true);
                i += 2;
            } else if (symbol == '*') {
                group.hidden = true;  // a destination the reader may not know
            } else if (symbol == '~') {
                character(0xA0, false);
            } else if (symbol == '\r' || symbol == '\n') {
                character(L'\r', false);
                character(L'\n', false);
            } else if (symbol == '\\' || symbol == '{' || symbol == '}') {
                character(static_cast<unsigned char>(symbol), false);
            }
        }
    }
    flush();
    // The document's last paragraph mark ends it and adds no empty line.
    if (paragraph == out.size() && out.size() >= 2) out.resize(out.size() - 2);
    return out;
}

}  // namespace tk
