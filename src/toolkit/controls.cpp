#include "toolkit/controls.h"

#include "toolkit/events.h"

namespace tk {

void CaptionedControl::Caption(const std::wstring& caption) {
    caption_ = caption;
    changed(Property::Caption);
}

void Button::raiseClick() {
    if (effectivelyEnabled() && Visible() && Click) dispatchEvent(Click);
}

}  // namespace tk
