// Finding text in the plain-text view and reading its file again. Both work on
// byte offsets into the file; the view turns them into lines only to show them.
#include <windows.h>

#include <algorithm>
#include <new>

#include "toolkit/text_file_reload.h"
#include "toolkit/win32/system_text.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {

SearchOutcome PlainTextView::find(const std::wstring& text, bool matchCase, bool down,
                                  const SearchProgress& progress) {
    const std::uint64_t from = std::min(anchor_.offset, caret_.offset);
    const std::uint64_t to = std::max(anchor_.offset, caret_.offset);
    const TextSearch search(text, file_.format(), matchCase);
    const SearchResult result = search.find(file_.bytes(), down ? to : from, down, progress);
    if (result.outcome != SearchOutcome::Found) return result.outcome;
    // A match past the lines known so far is shown once they are known up to it.
    const std::uint64_t end = result.match.offset + result.match.length;
    if (!indexUpTo(end, progress)) return SearchOutcome::Cancelled;
    followEnd_ = false;
    select(result.match.offset, end);
    return result.outcome;
}

// The file is taken out of the view while it is brought up to date, so that its
// bytes can grow in place; it goes back unchanged when that fails.
bool PlainTextView::reload(const std::wstring& path, std::wstring& error) {
    const bool lastLineShown = top_ + static_cast<std::uint64_t>(visibleLines()) >= file_.lineCount();
    const std::uint64_t oldSize = file_.size();
    TextFile file = std::move(file_);
    ReloadOutcome outcome = ReloadOutcome::Failed;
    try {
        outcome = reloadTextFile(file, path, &error, kIndexedFirst);
        if (outcome == ReloadOutcome::Grown) file.indexMore(kIndexedFirst);
    } catch (const std::bad_alloc&) {
        error = win32::systemErrorText(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (outcome == ReloadOutcome::Failed) {
        file_ = std::move(file);
        return false;
    }
    const bool grew = file.size() > oldSize;
    show(std::move(file), path, true);
    if (lastLineShown && grew) scrollTo(lastTop(), left_);
    return true;
}

}  // namespace tk::win32
