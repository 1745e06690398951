// The basic controls: button, label, frame and image.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "toolkit/control.h"

namespace tk {

using Handler = std::function<void()>;

// A control that shows a caption ("&" marks the access key).
class CaptionedControl : public Control {
public:
    using Control::Control;
    const std::wstring& Caption() const { return caption_; }
    void Caption(const std::wstring& caption);

private:
    std::wstring caption_;
};

class Button : public CaptionedControl {
public:
    explicit Button(Container& parent) : CaptionedControl(parent, ControlKind::Button) {}
    Handler Click;
    // Runs the click handler as a press of the button would (nothing when disabled).
    void raiseClick();
};

enum class Alignment { Left, Right, Center };

// A text of the window. AutoSize labels take the size of their text. A label
// that names a control becomes a window directly before it, so that screen
// readers call the control by the label's text, as they do in dialog boxes.
class Label : public CaptionedControl {
public:
    explicit Label(Container& parent) : CaptionedControl(parent, ControlKind::Label) {}
    Alignment alignment = Alignment::Left;
    bool AutoSize = false;
    bool transparent = false;  // draws no background of its own
    // 0xBBGGRR as in a Windows COLORREF; none: the system's text colour.
    std::optional<std::uint32_t> ForeColor;
    Control* names = nullptr;  // the control this label names, in the same container
};

// A bordered group that holds other controls; without a caption it is a plain etched box.
class Frame : public CaptionedControl, public Container {
public:
    explicit Frame(Container& parent) : CaptionedControl(parent, ControlKind::Frame) {}
    tk::Form& form() override { return Control::form(); }
};

// A picture from the program's resources, stretched to the control.
class Image : public Control {
public:
    explicit Image(Container& parent) : Control(parent, ControlKind::Image) {}
    int pictureResource = 0;  // icon resource id
    bool Stretch = true;
};

}  // namespace tk
