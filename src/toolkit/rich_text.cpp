#include "toolkit/rich_text.h"

#include "toolkit/text_file_reload.h"

namespace tk {
namespace {

std::string utf16le(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

}  // namespace

bool RichText::FileName(const std::wstring& path) {
    loadError_.clear();
    if (RichTextPeer* view = richPeer()) {
        if (!view->load(path, loadError_)) return false;
        fileName_ = path;
        return true;
    }
    TextFile file;
    if (!path.empty()) {
        std::optional<std::string> bytes = readWholeFile(path, &loadError_);
        if (!bytes) return false;
        file = TextFile(isRtf(*bytes) ? utf16le(rtfPlainText(*bytes)) : std::move(*bytes));
    }
    fileName_ = path;
    file_ = std::move(file);
    selStart_ = selEnd_ = 0;
    changed(Property::Text);
    return true;
}

std::wstring RichText::Text() const {
    if (RichTextPeer* view = richPeer()) return view->shownText();
    return file_.text();
}

void RichText::FontName(const std::wstring& name) {
    tk::Font font = Font();
    font.Name = name;
    Control::Font(font);
}

void RichText::FontSize(float points) {
    tk::Font font = Font();
    font.Size = points;
    Control::Font(font);
}

void RichText::FontBold(bool bold) {
    tk::Font font = Font();
    font.Bold = bold;
    Control::Font(font);
}

void RichText::FontItalic(bool italic) {
    tk::Font font = Font();
    font.Italic = italic;
    Control::Font(font);
}

void RichText::Refresh() {
    if (RichTextPeer* view = richPeer()) view->refresh();
}

SearchOutcome RichText::Find(const std::wstring& text, bool matchCase, bool down) {
    if (RichTextPeer* view = richPeer()) return view->find(text, matchCase, down);
    const TextSearch search(text, file_.format(), matchCase);
    const SearchResult result = search.find(file_.bytes(), down ? selEnd_ : selStart_, down);
    if (result.outcome == SearchOutcome::Found) {
        selStart_ = result.match.offset;
        selEnd_ = result.match.offset + result.match.length;
    }
    return result.outcome;
}

std::wstring RichText::SelText(std::size_t limit) const {
    if (RichTextPeer* view = richPeer()) return view->selectedText(limit);
    return file_.decodeFirst(selStart_, selEnd_, limit);
}

bool RichText::Reload() {
    loadError_.clear();
    if (RichTextPeer* view = richPeer()) return view->reload(loadError_);
    if (fileName_.empty()) return true;
    std::optional<std::string> start = readFilePart(fileName_, 0, 5, &loadError_);
    if (!start) return false;
    if (isRtf(*start)) {
        std::optional<std::string> bytes = readWholeFile(fileName_, &loadError_);
        if (!bytes) return false;
        file_ = TextFile(utf16le(rtfPlainText(*bytes)));
    } else if (reloadTextFile(file_, fileName_, &loadError_) == ReloadOutcome::Failed) {
        return false;
    }
    selEnd_ = std::min<std::uint64_t>(selEnd_, file_.bytes().size());
    selStart_ = std::min(selStart_, selEnd_);
    return true;
}

}  // namespace tk
