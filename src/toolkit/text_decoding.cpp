// What a text file's bytes say: its encoding, their decoding, and the character
// boundaries in them.
#include <algorithm>
#include <cstring>

#include "toolkit/code_point.h"
#include "toolkit/text_file.h"

namespace tk {
namespace {

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

}  // namespace

// Valid UTF-8 with real evidence for it (see detectTextFormat). A sequence cut
// off by the end of one part is completed by the next.
void Utf8Evidence::feed(std::string_view bytes) {
    const auto wanted = [](unsigned char lead) -> std::size_t {
        return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    };
    const auto note = [this](std::size_t length) {
        twoBytes_ = twoBytes_ || length == 2;
        longer_ = longer_ || length > 2;
    };
    if (invalid_) return;
    if (!carry_.empty()) {
        const std::size_t take =
            std::min(wanted(static_cast<unsigned char>(carry_[0])) - carry_.size(), bytes.size());
        const std::string_view added = bytes.substr(0, take);
        carry_.append(added);
        bytes.remove_prefix(take);
        if (carry_.size() < wanted(static_cast<unsigned char>(carry_[0]))) {
            invalid_ = !std::all_of(added.begin(), added.end(), [](char b) { return (b & 0xC0) == 0x80; });
            return;
        }
        char32_t c;
        const auto* p = reinterpret_cast<const unsigned char*>(carry_.data());
        const std::size_t length = utf8Sequence(p, p + carry_.size(), &c);
        invalid_ = length != carry_.size();
        if (invalid_) return;
        note(length);
        carry_.clear();
    }
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
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
            const bool cutOff =
                *p >= 0xC2 && *p <= 0xF4 && static_cast<std::size_t>(end - p) < wanted(*p) &&
                std::all_of(p + 1, end, [](unsigned char b) { return b >= 0x80 && b <= 0xBF; });
            if (cutOff)
                carry_.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p));
            else
                invalid_ = true;
            return;
        }
        note(length);
        p += length;
    }
}

// A sequence cut off at the very end only counts with a longer one before it.
bool Utf8Evidence::verdict() const {
    if (invalid_) return false;
    return carry_.empty() ? twoBytes_ || longer_ : longer_;
}

TextFormat detectTextFormat(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return {TextEncoding::Utf16LE, 2};
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return {TextEncoding::Utf16BE, 2};
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return {TextEncoding::Utf8, 3};
    Utf8Evidence evidence;
    evidence.feed(bytes);
    return {evidence.verdict() ? TextEncoding::Utf8 : TextEncoding::Ansi, 0};
}

bool isRtf(std::string_view bytes) {
    return bytes.substr(0, 5) == "{\\rtf";
}

std::uint64_t TextFile::boundaryBefore(std::uint64_t from, std::uint64_t offset) const {
    if (offset <= from) return from;
    const std::uint64_t size = bytes_.size();
    offset = std::min(offset, size);
    ByteReader byte(bytes_);
    switch (format_.encoding) {
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE: {
            offset -= (offset - from) % 2;
            const std::size_t hi = format_.encoding == TextEncoding::Utf16BE ? 0 : 1;
            const auto isHigh = [&](std::uint64_t i) {
                return i + 1 < size && (byte[i + hi] & 0xFC) == 0xD8;
            };
            const auto isLow = [&](std::uint64_t i) { return i + 1 < size && (byte[i + hi] & 0xFC) == 0xDC; };
            if (offset >= from + 2 && isLow(offset) && isHigh(offset - 2)) offset -= 2;
            return offset;
        }
        case TextEncoding::Utf8: {
            // Back over the continuation bytes of one character at most.
            for (int i = 0; i < 3 && offset > from && offset < size && (byte[offset] & 0xC0) == 0x80; ++i)
                --offset;
            return offset;
        }
        case TextEncoding::Ansi:
            break;
    }
    // A byte that cannot lead a two-byte character ends one; from just after the
    // last such byte, characters are counted forward. Past a long run of possible
    // lead bytes (no text has one) the offset is taken as it is.
    std::uint64_t start = offset;
    while (start > from && offset - start < 256 && isAnsiLeadByte(byte[start - 1])) --start;
    while (start < offset) {
        const std::size_t length = isAnsiLeadByte(byte[start]) && size - start >= 2 ? 2 : 1;
        if (start + length > offset) break;
        start += length;
    }
    return start;
}

std::wstring TextFile::decode(std::uint64_t begin, std::uint64_t end) const {
    const ByteSpan span = bytes_.read(begin, static_cast<std::size_t>(end - begin));
    const std::string_view bytes = span.view();
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
    const ByteSpan span = bytes_.read(begin, static_cast<std::size_t>(end - begin));
    const std::string_view bytes = span.view();
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

// No character takes more than four bytes, so the first limit characters lie
// within limit * 4 bytes.
std::wstring TextFile::decodeFirst(std::uint64_t begin, std::uint64_t end, std::size_t limit) const {
    const std::uint64_t most = limit > (end - begin) / 4 ? end - begin : std::uint64_t{limit} * 4;
    return decode(begin, boundaryBefore(begin, begin + most)).substr(0, limit);
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

}  // namespace tk
