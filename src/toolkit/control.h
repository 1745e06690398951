// The base of every control: a place in its container (in twips),
// enabled and visible state, a font, and the backend's native counterpart.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/font.h"

namespace tk {

class Control;
class Form;

// Every kind of control the windows use. A new kind gets a model class in the
// toolkit and a native peer in the Win32 backend (see docs/architecture.md).
enum class ControlKind {
    Button,
    Label,
    Frame,
    Image,
    CheckBox,
    OptionButton,
    TextBox,
    ListBox,
    ComboBox,
    DriveList,
    FolderList,
    UpDown,
    RichText,
    ProgressBar,
};

// What changed on a control, so that the backend updates only that.
enum class Property { Caption, Enabled, Visible, Bounds, Font, Value, Text, Items, Selection };

// The backend's side of a control (a child window in the Win32 backend).
class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    virtual void update(Property what) = 0;
};

// A window or frame that holds controls, back to front in declaration order.
class Container {
public:
    const std::vector<Control*>& children() const { return children_; }
    virtual Form& form() = 0;

protected:
    ~Container() = default;

private:
    friend class Control;
    std::vector<Control*> children_;
};

// The order in which a container's controls become windows, which is also the
// keyboard's order: by tab index, each label directly before the control it
// names, the controls that never take the focus last, in declaration order.
std::vector<Control*> windowOrder(const Container& container);

class Control {
public:
    Control(Container& parent, ControlKind kind);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return kind_; }
    Container& parent() const { return parent_; }
    Form& form() const { return parent_.form(); }

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void Move(float left, float top, float width, float height);

    bool Enabled() const { return enabled_; }
    void Enabled(bool enabled);
    // Enabled here and in every container above it.
    bool effectivelyEnabled() const;

    bool Visible() const { return visible_; }
    void Visible(bool visible);

    const tk::Font& Font() const { return font_; }
    void Font(const tk::Font& font);
    bool hasOwnFont() const { return hasOwnFont_; }

    // Order in the keyboard's tab cycle; -1 for controls that never take focus.
    int TabIndex() const { return tabIndex_; }
    void TabIndex(int index) { tabIndex_ = index; }

    ControlPeer* peer() const { return peer_.get(); }
    void attachPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }
    void detachPeer() { peer_.reset(); }

protected:
    void changed(Property what) {
        if (peer_) peer_->update(what);
    }

private:
    Container& parent_;
    ControlKind kind_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    tk::Font font_;
    bool hasOwnFont_ = false;
    int tabIndex_ = -1;
    std::unique_ptr<ControlPeer> peer_;
};

}  // namespace tk
