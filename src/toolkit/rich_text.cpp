#include "toolkit/rich_text.h"

#include "toolkit/text_file.h"

namespace tk {

void RichText::FileName(const std::wstring& path) {
    fileName_ = path;
    text_.clear();
    if (!richPeer() && !path.empty()) {
        if (std::optional<std::string> bytes = readWholeFile(path))
            text_ = isRtf(*bytes) ? rtfPlainText(*bytes) : TextFile(std::move(*bytes)).text();
    }
    changed(Property::Text);
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
