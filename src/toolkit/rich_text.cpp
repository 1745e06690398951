#include "toolkit/rich_text.h"

#include "toolkit/text_file.h"

namespace tk {

bool RichText::FileName(const std::wstring& path) {
    loadError_.clear();
    if (RichTextPeer* view = richPeer()) {
        if (!view->load(path, loadError_)) return false;
        fileName_ = path;
        return true;
    }
    std::wstring text;
    if (!path.empty()) {
        std::optional<std::string> bytes = readWholeFile(path, &loadError_);
        if (!bytes) return false;
        text = isRtf(*bytes) ? rtfPlainText(*bytes) : TextFile(std::move(*bytes)).text();
    }
    fileName_ = path;
    text_ = std::move(text);
    changed(Property::Text);
    return true;
}

std::wstring RichText::Text() const {
    if (RichTextPeer* view = richPeer()) return view->shownText();
    return text_;
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

}  // namespace tk
