// Finding text in a file's raw bytes: the text sought is written once in the
// file's own encoding, and the bytes are scanned without decoding them, so that a
// log of hundreds of megabytes is searched in a fraction of a second.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/text_file.h"

namespace tk {

// The other case of a letter that has one (ASCII, Latin-1, full-width Latin,
// Greek, Cyrillic); any other character is its own.
char32_t otherCase(char32_t c);

struct TextMatch {
    std::uint64_t offset = 0;  // bytes from the start of the file
    std::size_t length = 0;    // bytes
};

enum class SearchOutcome { Found, NotFound, Cancelled };

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::NotFound;
    TextMatch match;
};

// Told how far the search has gone, between two pieces of the file; returning
// false stops it.
using SearchProgress = std::function<bool(std::uint64_t searched, std::uint64_t total)>;

class TextSearch {
public:
    // Bytes scanned between two reports of progress: a piece of a file read in pieces.
    static constexpr std::size_t kDefaultChunk = TextBytes::kPiece;

    // What to look for in files of this format. Without matchCase a letter also
    // matches its other case; kana and kanji only match themselves.
    TextSearch(std::wstring_view needle, TextFormat format, bool matchCase);

    // False when nothing can match: an empty needle, or one with a character
    // that the file's encoding cannot hold.
    bool possible() const { return !units_.empty(); }

    // Down: the first match that starts at or after `from`. Up: the last match
    // that starts before `from`. Offsets are bytes from the start of the file
    // (byte-order mark included). Matches start on character boundaries only.
    SearchResult find(const TextBytes& bytes, std::uint64_t from, bool down,
                      const SearchProgress& progress = {}) const;
    SearchResult find(std::string_view bytes, std::uint64_t from, bool down,
                      const SearchProgress& progress = {}) const;

    std::size_t chunkSize = kDefaultChunk;

private:
    // One character of the needle: its bytes, and those of its other case.
    struct Unit {
        std::string forms[2];
        int count = 1;
    };

    bool matchesAt(std::string_view bytes, std::size_t at) const;
    // The nearest place at or after `from` (down) or before `from` (up) whose
    // byte may begin the needle, within [begin, end); end when there is none.
    std::size_t nextCandidate(std::string_view bytes, std::size_t from, std::size_t end) const;
    std::size_t previousCandidate(std::string_view bytes, std::size_t begin, std::size_t before) const;

    TextFormat format_;
    std::vector<Unit> units_;
    std::size_t length_ = 0;  // bytes of a match (every form of a character has the same length)
    unsigned char first_[2] = {0, 0};
    std::array<bool, 256> lead_{};  // double-byte lead bytes, for ANSI files
    bool doubleByte_ = false;
};

}  // namespace tk
