// The rich text view's window. An RTF file goes to a rich edit control inside it;
// plain text is shown by the window itself (PlainTextView): the file is read in
// pieces, its line starts indexed a little at a time between messages, and only
// what is in sight is decoded and painted, so that a log of any size opens at once.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/font.h"
#include "toolkit/text_bytes.h"
#include "toolkit/text_file.h"
#include "toolkit/text_search.h"
#include "toolkit/width_sums.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/win32_internal.h"

namespace tk {
class RichText;
}

namespace tk::win32 {

std::unique_ptr<ChildWindowPeer> createRichTextPeer(RichText& view, HWND parent, int id);

// Read-only plain text with both scroll bars, a caret, keyboard and mouse
// selection, the mouse wheel, and copying. It answers a few edit-control messages
// (EM_GETFIRSTVISIBLELINE, EM_GETLINECOUNT, EM_SETSEL for select-all, WM_COPY).
// Lines are cut into pieces of a few kilobytes; a piece is decoded and measured
// only when it is seen or the caret needs it, and a piece not yet measured counts
// with an estimated width, so that no key, paint or mouse move costs time in
// proportion to the length of a line. Positions are byte offsets into the file.
class PlainTextView {
public:
    explicit PlainTextView(HWND hwnd) : hwnd_(hwnd) {}
    ~PlainTextView();
    PlainTextView(const PlainTextView&) = delete;
    PlainTextView& operator=(const PlainTextView&) = delete;

    // Shows the file (read from path) from its first line, nothing selected; with
    // keepPlace (the same file read again) the top line and the selection stay
    // where they fit. What is not yet indexed is indexed from a timer.
    void show(TextFile file, const std::wstring& path, bool keepPlace = false);
    const TextFile& file() const { return file_; }
    // The bytes indexed when a file is shown, before its first page.
    static constexpr std::uint64_t kIndexedFirst = TextBytes::kPiece;
    void setFont(const Font& font);

    std::uint64_t topLine() const { return top_; }
    std::uint64_t anchorOffset() const { return anchor_.offset; }
    std::uint64_t caretOffset() const { return caret_.offset; }
    // Selects from anchor to caret (byte offsets, taken back to character
    // boundaries) and scrolls the caret into view with a few lines around it.
    void select(std::uint64_t anchor, std::uint64_t caret);

    // The window's messages; false lets the default procedure run.
    bool handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    static constexpr UINT_PTR kIndexTimer = 1;
    static constexpr UINT kReadAnew = WM_APP + 1;
    // Forgets what was measured, after memory ran out.
    void dropLayout();

    // Finding and reloading (win32_rich_text_find.cpp). The match after the
    // selection (down) or before it (up) is selected and shown with a few lines
    // around it.
    SearchOutcome find(const std::wstring& text, bool matchCase, bool down, const SearchProgress& progress);
    // Reads the file again. When it grew while its last line was in sight, the
    // new last line is shown; otherwise the top line and the selection stay.
    // False, with the system's description in error, when it cannot be read:
    // the view keeps what it had.
    bool reload(const std::wstring& path, std::wstring& error);

    // Indexing the rest of the file (win32_rich_text_index.cpp). While it lasts
    // longer than half a second, the window's title shows how far it has come.
    bool indexing() const { return !file_.indexed(); }
    // The window's title without that progress in it.
    std::wstring ownerTitle() const;
    // Someone else put the title back: the progress is shown again at the next tick.
    void titleRestored() {
        shownPercent_ = -1;
        titled_ = false;
    }

private:
    struct Position {
        std::uint64_t line = 0;
        std::uint64_t offset = 0;  // a character boundary in the file
        friend auto operator<=>(const Position&, const Position&) = default;
    };
    // A piece decoded and measured: for every UTF-16 unit boundary its x from the
    // piece's left (tabs expanded from there) and its byte offset from begin.
    struct Piece {
        std::uint64_t begin = 0;
        std::wstring text;
        std::vector<std::uint32_t> offsets;
        std::vector<int> x;
        std::uint64_t used = 0;
    };
    // A line in pieces; which pieces have been measured, and their widths.
    struct Line {
        std::uint64_t begin = 0, end = 0;
        WidthSums widths{0, 0, 0};
        std::vector<bool> measured;
        bool longest = false;  // as long as the file's longest line
        std::uint64_t used = 0;
    };

    Line& lineAt(std::uint64_t line);
    std::uint64_t pieceBegin(const Line& line, std::size_t piece) const;
    std::size_t pieceOf(const Line& line, std::uint64_t offset) const;
    const Piece& piece(std::uint64_t lineNumber, Line& line, std::size_t index);
    static std::size_t unitAt(const Piece& piece, std::uint64_t offset);
    Position positionOf(std::uint64_t offset);
    std::int64_t xOf(Position at);
    Position at(std::uint64_t line, std::int64_t x);
    Position step(Position from, bool forward);
    Position hit(int x, int y);
    int visibleLines() const;
    int clientWidth() const;
    std::uint64_t lastTop() const;
    // Width of the widest line, as far as it is known.
    std::int64_t extent() const;
    void noteWidth(std::uint64_t number, const Line& line);
    std::int64_t lastLeft() const;

    void paint();
    void paintLines();
    void scrollTo(std::uint64_t top, std::int64_t left);
    void updateScrollBars();
    void setScrollBar(int bar, std::uint64_t last, std::uint64_t page, std::uint64_t position);
    void onScroll(int bar, WORD code);
    void onWheel(int delta, bool horizontal);
    bool onKey(WPARAM key);
    // Puts the caret there; extend keeps the anchor, so the selection grows.
    void moveCaret(Position to, bool extend, bool keepX = false);
    void ensureVisible(Position at, std::uint64_t context = 0);
    void placeCaret();
    void selectAll();
    void copy();

    bool answer(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void startIndexing();
    void onIndexTimer();
    // Indexes up to offset at least; false when progress says stop. The title is
    // left to the caller.
    bool indexUpTo(std::uint64_t offset, const SearchProgress& progress);
    // The lines grew from lineCount, the encoding may have been judged anew: the
    // view follows, and the caret too where Ctrl+End or select-all put it at the end.
    void indexGrew(std::uint64_t lineCount, TextEncoding encoding);
    void showProgress();
    // The file changed under the view while it was read: it is read anew.
    void readAnew();

    HWND hwnd_;
    TextFile file_;
    std::wstring path_;
    bool followEnd_ = false;  // the caret stays at the end while more lines become known
    bool rereadPosted_ = false;
    std::uint64_t indexStarted_ = 0;  // performance counter ticks
    std::wstring title_;              // the window's title as it was when indexing began
    bool titled_ = false;             // the title shows the progress
    int shownPercent_ = -1;
    AutoDeleteFont font_;
    AutoDeleteDC measure_;  // holds the font, for measuring; let go of before it
    int lineHeight_ = 16;
    int charWidth_ = 8;
    std::uint64_t top_ = 0;    // first line shown
    std::int64_t left_ = 0;    // pixels scrolled to the right
    std::int64_t widest_ = 0;  // the widest line seen but the longest ones
    std::map<std::uint64_t, std::int64_t> longestWidths_;
    Position caret_, anchor_;
    std::int64_t caretX_ = 0;  // where up and down look for the column
    int wheel_ = 0;            // wheel movement not yet turned into lines
    bool focused_ = false;
    int scrollShift_[2] = {0, 0};  // how far each scroll bar's range is scaled down
    std::map<std::uint64_t, Line> lines_;
    std::map<std::pair<std::uint64_t, std::size_t>, Piece> pieces_;
    std::uint64_t clock_ = 0;  // for dropping what was used least recently
};

}  // namespace tk::win32
