// The rich text view's window. An RTF file goes to a rich edit control inside it;
// plain text is shown by the window itself (PlainTextView): the file is read once,
// its line starts indexed, and only the lines in sight are decoded and painted,
// so that a log of a hundred megabytes opens at once.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/font.h"
#include "toolkit/text_file.h"
#include "toolkit/text_search.h"
#include "toolkit/win32/win32_internal.h"

namespace tk {
class RichText;
}

namespace tk::win32 {

std::unique_ptr<ChildWindowPeer> createRichTextPeer(RichText& view, HWND parent, int id);

// Read-only plain text with both scroll bars, a caret, keyboard and mouse
// selection, the mouse wheel, and copying. It answers a few edit-control messages
// (EM_GETFIRSTVISIBLELINE, EM_GETLINECOUNT, EM_SETSEL for select-all, WM_COPY).
class PlainTextView {
public:
    explicit PlainTextView(HWND hwnd) : hwnd_(hwnd) {}
    ~PlainTextView();
    PlainTextView(const PlainTextView&) = delete;
    PlainTextView& operator=(const PlainTextView&) = delete;

    // Shows the file from its first line, nothing selected.
    void show(TextFile file);
    const TextFile& file() const { return file_; }
    void setFont(const Font& font);

    // The window's messages; false lets the default procedure run.
    bool handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Finding and reloading (win32_rich_text_find.cpp), on byte offsets into the file.
    // The match after the selection (down) or before it (up) is selected and
    // shown with a few lines around it.
    SearchOutcome find(const std::wstring& text, bool matchCase, bool down, const SearchProgress& progress);
    std::wstring selectedText(std::size_t limit) const;
    // Reads the file again. When it grew while its last line was in sight, the
    // new last line is shown; otherwise the top line and the selection stay.
    // False when it cannot be read: the view keeps what it had.
    bool reload(const std::wstring& path, std::wstring* failure);

private:
    struct Position {
        std::size_t line = 0;
        std::size_t column = 0;  // UTF-16 code units into the decoded line
        friend auto operator<=>(const Position&, const Position&) = default;
    };
    // A decoded line with the x of every character boundary (tabs expanded).
    struct Layout {
        std::wstring text;
        std::vector<int> x;  // text.size() + 1 entries, from 0
    };

    Layout layout(HDC dc, std::size_t line) const;
    Layout layout(std::size_t line) const;
    std::size_t columnAt(const Layout& line, int x) const;
    Position hit(int x, int y) const;
    int visibleLines() const;
    int clientWidth() const;
    std::size_t lastTop() const;

    void paint();
    void scrollTo(std::size_t top, int left);
    void updateScrollBars();
    void onScroll(int bar, WORD code);
    void onWheel(int delta, bool horizontal);
    bool onKey(WPARAM key);
    // Puts the caret there; extend keeps the anchor, so the selection grows.
    void moveCaret(Position to, bool extend, bool keepX = false);
    void ensureVisible(Position at);
    void placeCaret();
    void selectAll();
    void copy() const;

    std::size_t offsetOf(Position at) const;
    Position positionOf(std::size_t offset) const;
    // Selects from..to and scrolls it into sight with lines of context around it.
    void showRange(Position from, Position to);

    HWND hwnd_;
    TextFile file_;
    HFONT font_ = nullptr;
    int lineHeight_ = 16;
    int charWidth_ = 8;
    std::size_t top_ = 0;  // first line shown
    int left_ = 0;         // pixels scrolled to the right
    int extent_ = 0;       // width of the widest line, as far as it is known
    Position caret_, anchor_;
    int caretX_ = 0;  // where up and down look for the column
    int wheel_ = 0;   // wheel movement not yet turned into lines
    bool focused_ = false;
};

}  // namespace tk::win32
