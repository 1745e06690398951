// The plain text view indexes the file it shows a little at a time, from a timer
// on the window's thread: each tick stops after a few tens of milliseconds, or
// sooner when a key or a button is waiting, so that the window always answers.
#include <windows.h>

#include <algorithm>

#include "toolkit/texts.h"
#include "toolkit/win32/win32_internal.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {
namespace {

constexpr std::uint64_t kStep = 256 * 1024;  // bytes indexed between two looks at the clock
constexpr double kTickSeconds = 0.05;
constexpr double kQuietSeconds = 0.5;  // indexing shorter than this shows no progress

std::uint64_t now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart);
}

double secondsSince(std::uint64_t start) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now() - start) / static_cast<double>(frequency.QuadPart);
}

// A mouse move does not count: under some window systems one is always waiting.
bool inputWaiting() {
    return HIWORD(GetQueueStatus(QS_KEY | QS_MOUSEBUTTON)) != 0;
}

HWND rootOf(HWND hwnd) {
    return GetAncestor(hwnd, GA_ROOT);
}

}  // namespace

void PlainTextView::startIndexing() {
    if (titled_) SetWindowTextW(rootOf(hwnd_), title_.c_str());
    titled_ = false;
    shownPercent_ = -1;
    title_.clear();
    if (file_.indexed()) {
        KillTimer(hwnd_, kIndexTimer);
        return;
    }
    title_ = windowText(rootOf(hwnd_));
    indexStarted_ = now();
    SetTimer(hwnd_, kIndexTimer, USER_TIMER_MINIMUM, nullptr);
}

std::wstring PlainTextView::ownerTitle() const {
    return indexing() && !title_.empty() ? title_ : windowText(rootOf(hwnd_));
}

void PlainTextView::onIndexTimer() {
    const std::uint64_t started = now(), indexed = file_.indexedBytes(), lines = file_.lineCount();
    const TextEncoding encoding = file_.encoding();
    do {
        file_.indexMore(kStep);
    } while (!file_.indexed() && secondsSince(started) < kTickSeconds && !inputWaiting());
    if (file_.bytes().changed()) {
        readAnew();
        return;
    }
    if (file_.indexedBytes() != indexed) indexGrew(lines, encoding);
    showProgress();
}

bool PlainTextView::indexUpTo(std::uint64_t offset, const SearchProgress& progress) {
    if (file_.indexed() || file_.indexedBytes() > offset) return true;
    const std::uint64_t lines = file_.lineCount();
    const TextEncoding encoding = file_.encoding();
    bool stopped = false;
    while (!file_.indexed() && file_.indexedBytes() <= offset && !stopped) {
        file_.indexMore(TextBytes::kPiece);
        stopped = progress && !progress(file_.indexedBytes(), offset + 1);
    }
    indexGrew(lines, encoding);
    return !stopped;
}

void PlainTextView::indexGrew(std::uint64_t lineCount, TextEncoding encoding) {
    if (file_.encoding() != encoding) {
        dropLayout();
        InvalidateRect(hwnd_, nullptr, FALSE);
    } else {
        // The last line known may have gone on: it is laid out again.
        lines_.erase(lines_.lower_bound(lineCount - 1), lines_.end());
        pieces_.erase(pieces_.lower_bound({lineCount - 1, 0}), pieces_.end());
        if (top_ + static_cast<std::uint64_t>(visibleLines()) + 1 >= lineCount)
            InvalidateRect(hwnd_, nullptr, FALSE);
    }
    if (followEnd_) {
        const std::uint64_t last = file_.lineCount() - 1;
        const Position end{last, file_.lineEnd(last)};
        if (end != caret_) moveCaret(end, anchor_ != caret_);
    }
    updateScrollBars();
}

// The title shows how far the file is read once that takes a while, and is put
// back when it is done.
void PlainTextView::showProgress() {
    HWND window = rootOf(hwnd_);
    if (file_.indexed()) {
        KillTimer(hwnd_, kIndexTimer);
        if (titled_) SetWindowTextW(window, title_.c_str());
        titled_ = false;
        title_.clear();
        return;
    }
    if (secondsSince(indexStarted_) < kQuietSeconds) return;
    const auto percent = static_cast<int>(static_cast<double>(file_.indexedBytes()) * 100 /
                                          static_cast<double>(std::max<std::uint64_t>(file_.size(), 1)));
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    titled_ = true;
    SetWindowTextW(window, filled(texts().indexing, title_, std::to_wstring(percent)).c_str());
}

// A file that can no longer be read leaves the view empty, and the user is told why.
void PlainTextView::readAnew() {
    rereadPosted_ = false;
    std::wstring error;
    std::optional<TextBytes> bytes = TextBytes::open(path_, &error);
    if (!bytes) {
        const std::wstring path = path_;
        show(TextFile(), L"");
        messageBox(filled(texts().fileLost, path, error), box::Stop);
        return;
    }
    show(TextFile(std::move(*bytes), kIndexedFirst), path_, true);
}

}  // namespace tk::win32
