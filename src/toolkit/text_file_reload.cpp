#include "toolkit/text_file_reload.h"

#include <algorithm>
#include <limits>

namespace tk {

// A text read from its file keeps only its ends: they are compared, and the file's
// new end noted. A text held in memory takes what was added.
ReloadOutcome reloadTextFile(TextFile& file, const std::wstring& path, std::wstring* failure,
                             std::uint64_t indexFirst) {
    const TextBytes& old = file.bytes();
    const std::string &head = old.head(), &tail = old.tail();
    FileStamp now;
    const std::optional<std::string> start = readFilePart(path, 0, head.size(), failure, &now);
    if (!start) return ReloadOutcome::Failed;
    // An empty text had no bytes to tell its encoding by: it is found anew.
    const bool same = old.size() > 0 && *start == head && (!old.fromFile() || now.sameFile(old.stamp()));
    if (same && now.size >= old.size()) {
        const std::uint64_t tailAt = old.size() - tail.size();
        const std::size_t wanted = old.fromFile() ? tail.size() : std::numeric_limits<std::size_t>::max();
        const std::optional<std::string> end = readFilePart(path, tailAt, wanted, failure);
        if (!end) return ReloadOutcome::Failed;
        if (end->size() >= tail.size() && std::string_view(*end).substr(0, tail.size()) == tail) {
            if (!old.fromFile()) {
                file.append(std::string_view(*end).substr(tail.size()));
                return ReloadOutcome::Grown;
            }
            const std::size_t ends =
                static_cast<std::size_t>(std::min<std::uint64_t>(now.size, TextBytes::kEnds));
            std::optional<std::string> newTail = readFilePart(path, now.size - ends, ends, failure);
            if (!newTail) return ReloadOutcome::Failed;
            if (newTail->size() == ends) {
                file.grow(now, std::move(*newTail));
                return ReloadOutcome::Grown;
            }
        }
    }
    if (!old.fromFile()) {
        std::optional<std::string> whole = readWholeFile(path, failure);
        if (!whole) return ReloadOutcome::Failed;
        file = TextFile(std::move(*whole));
        return ReloadOutcome::Replaced;
    }
    std::optional<TextBytes> bytes = TextBytes::open(path, failure);
    if (!bytes) return ReloadOutcome::Failed;
    file = TextFile(std::move(*bytes), indexFirst);
    return ReloadOutcome::Replaced;
}

}  // namespace tk
