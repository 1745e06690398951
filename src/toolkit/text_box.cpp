#include "toolkit/text_box.h"

#include "toolkit/events.h"

namespace tk {

void TextBox::Text(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    changed(Property::Text);
    if (Change) dispatchEvent(Change);
}

void TextBox::userTyped(const std::wstring& text) {
    if (!effectivelyEnabled() || Locked || text == text_) return;
    text_ = text;
    if (Change) dispatchEvent(Change);
}

}  // namespace tk
