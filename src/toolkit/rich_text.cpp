#include "toolkit/rich_text.h"

#include "toolkit/text_file_reload.h"
#include "toolkit/texts.h"

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

// An RTF document as its text, or nothing with the reason in error (too large to hold).
std::optional<TextFile> rtfAsText(const std::wstring& path, std::wstring& error) {
    std::optional<std::string> rtf = readRtf(path, error);
    if (!rtf) return std::nullopt;
    return TextFile(utf16le(rtfPlainText(*rtf)));
}

}  // namespace

std::optional<std::string> readRtf(const std::wstring& path, std::wstring& error) {
    FileStamp stamp;
    if (!readFilePart(path, 0, 0, &error, &stamp)) return std::nullopt;
    if (stamp.size > kLargestRtf) {
        error = filled(texts().rtfTooLarge, std::to_wstring(kLargestRtf >> 20));
        return std::nullopt;
    }
    return readFilePart(path, 0, kLargestRtf + 1, &error);
}

bool RichText::FileName(const std::wstring& path) {
    loadError_.clear();
    if (RichTextPeer* view = richPeer()) {
        if (!view->load(path, loadError_)) return false;
        fileName_ = path;
        return true;
    }
    TextFile file;
    if (!path.empty()) {
        std::optional<TextBytes> bytes = TextBytes::open(path, &loadError_);
        if (!bytes) return false;
        if (isRtf(bytes->head())) {
            std::optional<TextFile> text = rtfAsText(path, loadError_);
            if (!text) return false;
            file = std::move(*text);
        } else {
            file = TextFile(std::move(*bytes));
        }
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
        std::optional<TextFile> text = rtfAsText(fileName_, loadError_);
        if (!text) return false;
        file_ = std::move(*text);
    } else if (reloadTextFile(file_, fileName_, &loadError_) == ReloadOutcome::Failed) {
        return false;
    }
    file_.indexMore(TextFile::kWhole);
    selEnd_ = std::min<std::uint64_t>(selEnd_, file_.size());
    selStart_ = std::min(selStart_, selEnd_);
    return true;
}

}  // namespace tk

namespace tk {

bool RichText::Indexing() const {
    const RichTextPeer* view = richPeer();
    return view && view->indexing();
}

}  // namespace tk
