// Reading a log again while the program that writes it may still be adding to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "toolkit/text_file.h"

namespace tk {

enum class ReloadOutcome {
    Grown,     // the file only had bytes added at its end (perhaps none): those were read
    Replaced,  // the file is another one now: it was read whole
    Failed,    // it could not be read: the text is as it was
};

// Brings the text up to date with the file. When it is the same file and its
// first and last bytes as they were are still there, only what was added is read
// (or, for a text read from its file in pieces, noted, to be indexed). Otherwise
// the file is read anew: its first indexFirst bytes indexed (all, in memory).
// Memory running out throws std::bad_alloc and leaves the text as it was.
ReloadOutcome reloadTextFile(TextFile& file, const std::wstring& path, std::wstring* failure,
                             std::uint64_t indexFirst = TextFile::kWhole);

}  // namespace tk
