#include "toolkit/control.h"

#include <algorithm>
#include <utility>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace tk {

Control::Control(Container& parent, ControlKind kind) : parent_(parent), kind_(kind) {
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
    // Controls without a tab index come after all others.
    const auto place = [](const Control* c) { return std::pair(c->TabIndex() < 0, c->TabIndex()); };
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const Control* a, const Control* b) { return place(a) < place(b); });
    for (Control* control : container.children()) {
        auto* label = dynamic_cast<Label*>(control);
        if (!label || !label->names || &label->names->parent() != &container) continue;
        ordered.erase(std::find(ordered.begin(), ordered.end(), label));
        ordered.insert(std::find(ordered.begin(), ordered.end(), label->names), label);
    }
    return ordered;
}

}  // namespace tk
