// The rich text view: shows a file, read-only, with both scroll bars. An RTF file
// is shown with its formatting; any other file as plain text in the view's font,
// its encoding found from its bytes (see text_file.h).
#pragma once

#include <cstddef>
#include <string>

#include "toolkit/controls.h"
#include "toolkit/text_file.h"
#include "toolkit/text_search.h"

namespace tk {

// The largest RTF document shown: the rich edit control holds it whole, and
// several times over while it lays it out.
inline constexpr std::uint64_t kLargestRtf = std::uint64_t{64} << 20;

// The RTF document's bytes; nothing, with the reason in error, when it cannot be
// read or is larger than kLargestRtf.
std::optional<std::string> readRtf(const std::wstring& path, std::wstring& error);

// What the backend's side of the view tells the model (Win32: the file is read
// and shown by the view window, never by the model).
class RichTextPeer {
public:
    // Shows the file (the empty path: nothing); false, with the system's
    // description in error, when it cannot be read: then the view is unchanged.
    virtual bool load(const std::wstring& path, std::wstring& error) = 0;
    virtual std::wstring shownText() const = 0;
    virtual void refresh() = 0;
    virtual SearchOutcome find(const std::wstring& text, bool matchCase, bool down) = 0;
    virtual std::wstring selectedText(std::size_t limit) const = 0;
    // Reads the shown file again; false, with the system's description in
    // error, when it cannot be read: then the view is unchanged.
    virtual bool reload(std::wstring& error) = 0;
    virtual bool indexing() const = 0;

protected:
    ~RichTextPeer() = default;
};

class RichText : public Control {
public:
    explicit RichText(Container& parent) : Control(parent, ControlKind::RichText) {}

    const std::wstring& FileName() const { return fileName_; }
    // Loads the file into the view; the empty name empties it. A file that cannot
    // be read leaves the view and its file name as they were and returns false;
    // LoadError() then holds the system's description of why.
    bool FileName(const std::wstring& path);
    const std::wstring& LoadError() const { return loadError_; }

    // The text shown, lines ended by CR LF.
    std::wstring Text() const;

    // One attribute of the view's font at a time; the others stay.
    void FontName(const std::wstring& name);
    void FontSize(float points);
    void FontBold(bool bold);
    void FontItalic(bool italic);

    // Repaints the view now.
    void Refresh();

    // Looks for the text after the selection (down) or before it (up), never
    // wrapping round; a match is selected and scrolled into sight.
    SearchOutcome Find(const std::wstring& text, bool matchCase, bool down);
    // The selected text, or its first `limit` characters (more or less one, at a
    // character that takes two).
    std::wstring SelText(std::size_t limit = std::wstring::npos) const;
    // Reads the shown file again, as a program that writes it may have added to
    // it. False when it cannot be read; the view then keeps what it showed, and
    // LoadError() holds the system's description of why.
    bool Reload();
    // The lines of a large file are still being found, between messages; until
    // then the view shows them as far as they are known.
    bool Indexing() const;

private:
    RichTextPeer* richPeer() const { return dynamic_cast<RichTextPeer*>(peer()); }

    std::wstring fileName_;
    std::wstring loadError_;
    // What is shown while no native view does the showing (RTF as its text in
    // UTF-16), and the selection in its bytes.
    TextFile file_;
    std::uint64_t selStart_ = 0, selEnd_ = 0;
};

}  // namespace tk
