#include "toolkit/text_file_reload.h"

#include <algorithm>
#include <limits>

namespace tk {
namespace {

constexpr std::size_t kCompared = 4096;  // bytes at each end of the old text that must be unchanged

}  // namespace

ReloadOutcome reloadTextFile(TextFile& file, const std::wstring& path, std::wstring* failure) {
    const std::string_view old = file.bytes();
    const std::size_t head = std::min(old.size(), kCompared), tail = std::min(old.size(), kCompared);
    const std::optional<std::string> start = readFilePart(path, 0, head, failure);
    if (!start) return ReloadOutcome::Failed;
    // An empty text had no bytes to tell its encoding by: it is found anew.
    if (!old.empty() && *start == old.substr(0, head)) {
        const std::optional<std::string> end =
            readFilePart(path, old.size() - tail, std::numeric_limits<std::size_t>::max(), failure);
        if (!end) return ReloadOutcome::Failed;
        if (end->size() >= tail && std::string_view(*end).substr(0, tail) == old.substr(old.size() - tail)) {
            file.append(std::string_view(*end).substr(tail));
            return ReloadOutcome::Grown;
        }
    }
    std::optional<std::string> whole =
        readFilePart(path, 0, std::numeric_limits<std::size_t>::max(), failure);
    if (!whole) return ReloadOutcome::Failed;
    file = TextFile(std::move(*whole));
    return ReloadOutcome::Replaced;
}

}  // namespace tk
