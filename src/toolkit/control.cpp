#include "toolkit/control.h"

#include <algorithm>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace tk {

Control::Control(Container& parent, ControlKind kind, std::wstring name)
    : parent_(parent), kind_(kind), name_(std::move(name)) {
    parent_.children_.push_back(this);
}

void Control::Move(float left, float top, float width, float height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    changed(Property::Bounds);
}

void Control::Enabled(bool enabled) {
    enabled_ = enabled;
    changed(Property::Enabled);
}

bool Control::effectivelyEnabled() const {
    if (!enabled_) return false;
    if (auto* outer = dynamic_cast<const Control*>(&parent_)) return outer->effectivelyEnabled();
    return true;
}

void Control::Visible(bool visible) {
    visible_ = visible;
    changed(Property::Visible);
}

void Control::Font(const tk::Font& font) {
    font_ = font;
    hasOwnFont_ = true;
    changed(Property::Font);
}

std::vector<Control*> windowOrder(const Container& container) {
    std::vector<Control*> ordered(container.children().begin(), container.children().end());
    std::stable_sort(ordered.begin(), ordered.end(), [](Control* a, Control* b) {
        const int ta = a->TabIndex() < 0 ? 1 << 20 : a->TabIndex();
        const int tb = b->TabIndex() < 0 ? 1 << 20 : b->TabIndex();
        return ta < tb;
    });
    for (Control* control : container.children()) {
        auto* label = dynamic_cast<Label*>(control);
        if (!label || !label->names || &label->names->parent() != &container) continue;
        ordered.erase(std::find(ordered.begin(), ordered.end(), label));
        ordered.insert(std::find(ordered.begin(), ordered.end(), label->names), label);
    }
    return ordered;
}

}  // namespace tk
