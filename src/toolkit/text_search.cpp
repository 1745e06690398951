#include "toolkit/text_search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "toolkit/code_page.h"
#include "toolkit/utf8.h"

namespace tk {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;

// Whether any byte of the word is zero.
bool hasZeroByte(std::uint64_t word) {
    return ((word - kOnes) & ~word & kHighs) != 0;
}

// The code points of a wide string (surrogate pairs joined where wchar_t has 16 bits).
std::vector<char32_t> codePoints(std::wstring_view text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            const char32_t next = static_cast<char32_t>(text[i + 1]);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        out.push_back(c);
    }
    return out;
}

std::optional<std::string> encode(char32_t c, TextEncoding encoding) {
    std::string out;
    switch (encoding) {
        case TextEncoding::Utf8:
            appendUtf8(out, c);
            return out;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            const bool big = encoding == TextEncoding::Utf16BE;
            const auto unit = [&](char32_t u) {
                out += static_cast<char>(big ? u >> 8 : u & 0xFF);
                out += static_cast<char>(big ? u & 0xFF : u >> 8);
            };
            if (c >= 0x10000) {
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                unit(c);
            }
            return out;
        }
        case TextEncoding::Ansi:
            break;
    }
    std::wstring wide;
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
        wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        wide += static_cast<wchar_t>(c);
    }
    return encodeToCodePage(wide, kAnsiCodePage);
}

// Where characters begin in double-byte text. Going back from a place over bytes
// that can only be lead bytes reaches a byte that ends a character; the place is
// a boundary when an even number of such bytes lie between. The last run walked
// is remembered, so that many places in one long run cost one walk.
class CharacterBoundaries {
public:
    CharacterBoundaries(std::string_view bytes, std::size_t floor, const std::array<bool, 256>& lead)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), floor_(floor), lead_(lead) {}

    bool at(std::size_t place) {
        std::size_t start = place;
        while (start > floor_ && lead_[data_[start - 1]]) {
            if (start > runStart_ && start <= runEnd_) {
                start = runStart_;  // the rest of the way is known
                break;
            }
            --start;
        }
        if (start < place) {
            runEnd_ = start == runStart_ ? std::max(runEnd_, place) : place;
            runStart_ = start;
        }
        return (place - start) % 2 == 0;
    }

private:
    const unsigned char* data_;
    std::size_t floor_;
    const std::array<bool, 256>& lead_;
    // [runStart_, runEnd_) holds only lead bytes, and a character begins at runStart_.
    std::size_t runStart_ = 0, runEnd_ = 0;
};

}  // namespace

char32_t otherCase(char32_t c) {
    const auto pair = [c](char32_t upperFirst, char32_t upperLast, char32_t distance) -> char32_t {
        if (c >= upperFirst && c <= upperLast) return c + distance;
        if (c >= upperFirst + distance && c <= upperLast + distance) return c - distance;
        return 0;
    };
    if (c == 0xD7 || c == 0xF7 || c == 0x3A2 || c == 0x3C2) return c;  // × ÷ and the final sigma
    for (const auto& [first, last, distance] :
         {std::array<char32_t, 3>{U'A', U'Z', 0x20}, std::array<char32_t, 3>{0xC0, 0xDE, 0x20},
          std::array<char32_t, 3>{0xFF21, 0xFF3A, 0x20}, std::array<char32_t, 3>{0x391, 0x3A9, 0x20},
          std::array<char32_t, 3>{0x410, 0x42F, 0x20}, std::array<char32_t, 3>{0x400, 0x40F, 0x50}})
        if (const char32_t other = pair(first, last, distance)) return other;
    return c;
}

TextSearch::TextSearch(std::wstring_view needle, TextFormat format, bool matchCase) : format_(format) {
    for (const char32_t c : codePoints(needle)) {
        std::optional<std::string> bytes = encode(c, format.encoding);
        if (!bytes || bytes->empty()) {
            units_.clear();  // this character cannot be in the file
            return;
        }
        Unit unit;
        unit.forms[0] = *bytes;
        const char32_t other = matchCase ? c : otherCase(c);
        if (other != c) {
            std::optional<std::string> otherBytes = encode(other, format.encoding);
            if (otherBytes && otherBytes->size() == bytes->size()) {
                unit.forms[1] = *otherBytes;
                unit.count = 2;
            }
        }
        length_ += bytes->size();
        units_.push_back(std::move(unit));
    }
    if (units_.empty()) return;
    first_[0] = static_cast<unsigned char>(units_[0].forms[0][0]);
    first_[1] = static_cast<unsigned char>(units_[0].forms[units_[0].count - 1][0]);
    if (format.encoding == TextEncoding::Ansi) {
        for (int b = 0; b < 256; ++b) {
            lead_[static_cast<std::size_t>(b)] = isAnsiLeadByte(static_cast<unsigned char>(b));
            doubleByte_ = doubleByte_ || lead_[static_cast<std::size_t>(b)];
        }
    }
}

bool TextSearch::matchesAt(std::string_view bytes, std::size_t at) const {
    if (bytes.size() - at < length_) return false;
    const char* p = bytes.data() + at;
    for (const Unit& unit : units_) {
        const std::size_t size = unit.forms[0].size();
        if (std::memcmp(p, unit.forms[0].data(), size) != 0 &&
            (unit.count < 2 || std::memcmp(p, unit.forms[1].data(), size) != 0))
            return false;
        p += size;
    }
    return true;
}

// Eight bytes at a time while none of them is a first byte of the needle.
std::size_t TextSearch::nextCandidate(std::string_view bytes, std::size_t from, std::size_t end) const {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto isFirst = [this](unsigned char b) { return b == first_[0] || b == first_[1]; };
    const std::uint64_t a = kOnes * first_[0], b = kOnes * first_[1];
    std::size_t p = from;
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + p, 8);
        if (!hasZeroByte(word ^ a) && !hasZeroByte(word ^ b)) continue;
        for (std::size_t k = 0; k < 8; ++k)
            if (isFirst(data[p + k])) return p + k;
    }
    for (; p < end; ++p)
        if (isFirst(data[p])) return p;
    return end;
}

std::size_t TextSearch::previousCandidate(std::string_view bytes, std::size_t begin,
                                          std::size_t before) const {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto isFirst = [this](unsigned char b) { return b == first_[0] || b == first_[1]; };
    const std::uint64_t a = kOnes * first_[0], b = kOnes * first_[1];
    std::size_t p = before;
    for (; p - begin >= 8; p -= 8) {
        std::uint64_t word;
        std::memcpy(&word, data + p - 8, 8);
        if (!hasZeroByte(word ^ a) && !hasZeroByte(word ^ b)) continue;
        for (std::size_t k = 1; k <= 8; ++k)
            if (isFirst(data[p - k])) return p - k;
    }
    while (p > begin)
        if (isFirst(data[--p])) return p;
    return before;
}

SearchResult TextSearch::find(std::string_view bytes, std::uint64_t from, bool down,
                              const SearchProgress& progress) const {
    return find(TextBytes(bytes, nullptr), from, down, progress);
}

// The file is searched a chunk at a time, each read with the bytes around it that
// a match at its edges needs: the rest of the needle after it, and before it the
// bytes a double-byte character boundary is found from. A run of more than kBack
// possible lead bytes (no text has one) is taken to start on a boundary.
SearchResult TextSearch::find(const TextBytes& bytes, std::uint64_t from, bool down,
                              const SearchProgress& progress) const {
    constexpr std::uint64_t kBack = 4096;
    SearchResult result;
    if (!possible()) return result;
    const bool wide = format_.encoding == TextEncoding::Utf16LE || format_.encoding == TextEncoding::Utf16BE;
    const std::uint64_t size = bytes.size(), textStart = std::min<std::uint64_t>(format_.bomSize, size);
    const std::uint64_t chunk = std::max<std::size_t>(chunkSize, 1);
    std::shared_ptr<std::string> scratch;  // one window's memory for all of them
    // The match in [begin, end), the first (down) or the last; false when there is none.
    const auto searchChunk = [&](std::uint64_t begin, std::uint64_t end) {
        const std::uint64_t windowStart = begin - std::min(begin - textStart, kBack);
        const std::uint64_t windowEnd = std::min(size, end + length_ - 1);
        const ByteSpan window =
            bytes.read(windowStart, static_cast<std::size_t>(windowEnd - windowStart), &scratch);
        const std::string_view local = window.view();
        CharacterBoundaries boundaries(local, 0, lead_);
        const auto accept = [&](std::size_t at) {
            if (wide && (windowStart + at - textStart) % 2 != 0) return false;
            if (!matchesAt(local, at)) return false;
            return !doubleByte_ || boundaries.at(at);
        };
        const auto found = [&](std::size_t at) {
            result.outcome = SearchOutcome::Found;
            result.match = {windowStart + at, length_};
            return true;
        };
        const auto first = static_cast<std::size_t>(begin - windowStart),
                   last = static_cast<std::size_t>(end - windowStart);
        if (down) {
            for (std::size_t p = nextCandidate(local, first, last); p < last;
                 p = nextCandidate(local, p + 1, last))
                if (accept(p)) return found(p);
            return false;
        }
        std::size_t below = last;
        for (std::size_t p; (p = previousCandidate(local, first, below)) != below; below = p)
            if (accept(p)) return found(p);
        return false;
    };

    if (down) {
        std::uint64_t pos = std::max(from, textStart);
        const std::uint64_t start = pos, total = size > pos ? size - pos : 0;
        while (pos < size) {
            const std::uint64_t end = pos + std::min(chunk, size - pos);
            if (searchChunk(pos, end)) return result;
            pos = end;
            if (pos < size && progress && !progress(pos - start, total)) {
                result.outcome = SearchOutcome::Cancelled;
                return result;
            }
        }
        return result;
    }

    std::uint64_t pos = std::min(from, size);
    const std::uint64_t total = pos > textStart ? pos - textStart : 0, start = pos;
    while (pos > textStart) {
        const std::uint64_t begin = pos - std::min(chunk, pos - textStart);
        if (searchChunk(begin, pos)) return result;
        pos = begin;
        if (pos > textStart && progress && !progress(start - pos, total)) {
            result.outcome = SearchOutcome::Cancelled;
            return result;
        }
    }
    return result;
}

}  // namespace tk
