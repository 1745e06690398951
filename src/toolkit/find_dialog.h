// The system's find dialog. It is modeless: it stays open beside its window, and
// each press of its find button asks the window for the next match.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tk {

class Form;

// The backend's side: the dialog window (Win32), or nothing (headless).
class FindDialogPeer {
public:
    virtual ~FindDialogPeer() = default;
    virtual void show() = 0;  // opens it, or brings it to the front with the model's values
    virtual void close() = 0;
};

class FindDialog {
public:
    explicit FindDialog(Form& owner) : owner_(owner) {}
    ~FindDialog();
    FindDialog(const FindDialog&) = delete;
    FindDialog& operator=(const FindDialog&) = delete;

    // What the dialog shows when it opens, and what the user last chose in it.
    std::wstring FindWhat;
    bool MatchCase = false;
    bool Down = true;

    void Show();
    void Close();
    bool Visible() const { return visible_; }

    // The user pressed the find button: FindWhat, MatchCase and Down hold the choice.
    std::function<void()> FindNext;

    Form& owner() const { return owner_; }
    FindDialogPeer* peer() const { return peer_.get(); }

    // For the backends.
    void userFindNext(const std::wstring& text, bool matchCase, bool down);
    void userClosed();

private:
    Form& owner_;
    std::unique_ptr<FindDialogPeer> peer_;
    bool visible_ = false;
};

}  // namespace tk
