// A window of the program. Subclasses declare their controls as members and
// override the event handlers; the toolkit runs load, resize, activate and
// unload in that order and keeps every size in twips.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/font.h"

namespace tk {

class MenuItem;
class Form;

enum class BorderStyle { None, FixedSingle, Sizable, FixedDialog };
enum class ShowMode { Modeless, Modal };

// The backend's side of a window (a top-level HWND in the Win32 backend).
class FormPeer {
public:
    virtual ~FormPeer() = default;
    virtual void show() = 0;  // visible and active
    virtual void hide() = 0;
    virtual void updateCaption() = 0;
    virtual void updateBounds() = 0;
    virtual void updateMenu(MenuItem& item) = 0;
    virtual void refresh() = 0;  // repaint now, window and controls
    // Runs the window's own message loop until it is hidden or unloaded.
    virtual void runModal() = 0;
};

// A program-wide reference that creates its window on first use and lets go of
// it when the window unloads, so that every opening starts fresh.
class FormRefBase {
public:
    virtual void release(Form& form) = 0;

protected:
    ~FormRefBase() = default;
};

class Form : public Container {
public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Form& form() override { return *this; }

    // Appearance, set by the window's constructor.
    const std::wstring& Caption() const { return caption_; }
    void Caption(const std::wstring& caption);
    BorderStyle borderStyle = BorderStyle::Sizable;
    bool ControlBox = true;  // title-bar icon, window menu and close box
    bool MinButton = true;
    bool MaxButton = true;
    tk::Font font;  // the window font: controls without their own font use it
    bool centerOnScreen = false;  // placed in the centre of the screen when first shown

    // Size of the client area, in twips.
    float ScaleWidth() const { return clientWidth_; }
    float ScaleHeight() const { return clientHeight_; }
    void clientSize(float width, float height);

    // Outer size and position on the screen, in twips.
    float Width() const;
    float Height() const;
    float Left() const { return left_; }
    float Top() const { return top_; }
    void Left(float twips);
    void Top(float twips);
    void Width(float twips);
    void Height(float twips);

    void Show(ShowMode mode = ShowMode::Modeless);
    void Hide();
    void Refresh();
    // Runs the unload handler, closes the window and releases its program-wide reference.
    void Unload();
    // Closes the window and releases it without running any handler.
    void discard();
    // Runs after the window's own unload handler, while it is still on screen, for
    // whoever opened it: the program shows its main menu again after a dialog this way.
    std::function<void()> Unloaded;

    bool loaded() const { return peer_ != nullptr; }
    bool Visible() const { return visible_; }
    bool isModal() const { return modal_; }
    // Without caption, window menu and buttons the window has no title bar at all.
    bool hasTitleBar() const { return !caption_.empty() || ControlBox || MinButton || MaxButton; }

    const std::vector<MenuItem*>& menus() const { return menus_; }
    FormPeer* peer() const { return peer_.get(); }

    // For the toolkit and its backends.
    void addMenu(MenuItem& item);
    void menuChanged(MenuItem& item);
    void setReference(FormRefBase* ref) { ref_ = ref; }
    void backendActivated();                         // the system made this window active
    void backendResized(float clientWidth, float clientHeight);  // the user resized it
    void backendMoved(float left, float top);
    void backendCloseRequested();                    // the close box or Alt+F4

protected:
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_Activate() {}
    virtual void Form_Unload() {}
    // Asked before the close box or Alt+F4 closes the window: false keeps it open.
    virtual bool Form_QueryUnload() { return true; }

private:
    void load();
    void activate();
    void destroyPeers();

    std::wstring caption_;
    float left_ = 0, top_ = 0, clientWidth_ = 3000, clientHeight_ = 2000;
    bool visible_ = false;
    bool displayed_ = false;
    bool modal_ = false;
    bool showing_ = false;
    bool activationPending_ = false;
    bool unloading_ = false;
    std::vector<MenuItem*> menus_;
    std::unique_ptr<FormPeer> peer_;
    FormRefBase* ref_ = nullptr;
};

// Closes every window of the program without running its handlers (test set-up).
void unloadAllForms();
// The windows that are loaded, in the order they were loaded.
const std::vector<Form*>& loadedForms();
// The window that the program last saw become active, if any.
Form* activeForm();

namespace detail {
// Keeps a released window alive until the event that released it has returned.
void retire(Form* form);
void purgeRetired();
}  // namespace detail

template <class T>
class FormRef final : public FormRefBase {
public:
    constexpr FormRef() = default;
    // wire prepares every new instance for its place in the program (its Unloaded event).
    constexpr explicit FormRef(void (*wire)(Form&)) : wire_(wire) {}

    T& get() {
        if (!form_) {
            form_ = new T();
            form_->setReference(this);
            if (wire_) wire_(*form_);
        }
        return *form_;
    }
    T* operator->() { return &get(); }
    T& operator*() { return get(); }
    // The current instance without creating one.
    T* instance() const { return form_; }

    void release(Form& form) override {
        if (form_ == &form) {
            form_ = nullptr;
            detail::retire(&form);
        }
    }

private:
    T* form_ = nullptr;
    void (*wire_)(Form&) = nullptr;
};

}  // namespace tk
