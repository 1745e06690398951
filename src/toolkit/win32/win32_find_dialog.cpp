// The system's modeless find dialog (FindTextW). Its owner window receives the
// registered FINDMSGSTRING message for each press of its buttons; the message
// loop passes it keys through IsDialogMessage.
#include <windows.h>
// after windows.h
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <vector>

#include "toolkit/events.h"
#include "toolkit/find_dialog.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

class Win32FindDialogPeer;

// The peers whose dialog is open.
std::vector<Win32FindDialogPeer*>& openDialogs() {
    static std::vector<Win32FindDialogPeer*> dialogs;
    return dialogs;
}

class Win32FindDialogPeer final : public FindDialogPeer {
public:
    explicit Win32FindDialogPeer(FindDialog& model) : model_(model) {}
    ~Win32FindDialogPeer() override { close(); }

    HWND dialog() const { return dialog_; }
    const FindDialog& model() const { return model_; }

    void show() override {
        if (dialog_) {
            // Open already: it comes to the front with the values it is given now.
            SetDlgItemTextW(dialog_, edt1, model_.FindWhat.c_str());
            CheckDlgButton(dialog_, chx2, model_.MatchCase ? BST_CHECKED : BST_UNCHECKED);
            CheckRadioButton(dialog_, rad1, rad2, model_.Down ? rad2 : rad1);
            ShowWindow(dialog_, SW_SHOW);
            SetActiveWindow(dialog_);
            return;
        }
        const std::size_t length = std::min(model_.FindWhat.size(), std::size(buffer_) - 1);
        std::copy_n(model_.FindWhat.begin(), length, buffer_);
        buffer_[length] = L'\0';
        request_ = FINDREPLACEW{};
        request_.lStructSize = sizeof request_;
        request_.hwndOwner = formWindow(model_.owner());
        request_.lpstrFindWhat = buffer_;
        request_.wFindWhatLen = sizeof buffer_;  // bytes
        request_.Flags = FR_HIDEWHOLEWORD | (model_.Down ? FR_DOWN : 0) | (model_.MatchCase ? FR_MATCHCASE : 0);
        request_.lCustData = reinterpret_cast<LPARAM>(this);
        dialog_ = FindTextW(&request_);
        if (!dialog_) throw Failure(texts().findDialogFailure);
        openDialogs().push_back(this);
    }

    void close() override {
        if (!dialog_) return;
        HWND dialog = forget();
        if (IsWindow(dialog)) DestroyWindow(dialog);
    }

    // What the dialog told its owner.
    void message(const FINDREPLACEW& request) {
        if (request.Flags & FR_DIALOGTERM) {
            forget();
            model_.userClosed();
        } else if (request.Flags & FR_FINDNEXT) {
            model_.userFindNext(buffer_, (request.Flags & FR_MATCHCASE) != 0, (request.Flags & FR_DOWN) != 0);
        }
    }

private:
    HWND forget() {
        HWND dialog = dialog_;
        dialog_ = nullptr;
        auto& open = openDialogs();
        open.erase(std::remove(open.begin(), open.end(), this), open.end());
        return dialog;
    }

    FindDialog& model_;
    FINDREPLACEW request_{};
    wchar_t buffer_[256] = {};
    HWND dialog_ = nullptr;
};

}  // namespace

std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog) {
    return std::make_unique<Win32FindDialogPeer>(dialog);
}

HWND findDialogWindow(FindDialog& dialog) {
    if (!dialog.Visible()) return nullptr;
    for (Win32FindDialogPeer* peer : openDialogs())
        if (&peer->model() == &dialog) return peer->dialog();
    return nullptr;
}

UINT findMessage() {
    static const UINT id = RegisterWindowMessageW(FINDMSGSTRINGW);
    return id;
}

void onFindMessage(LPARAM lp) {
    const auto* request = reinterpret_cast<const FINDREPLACEW*>(lp);
    if (auto* peer = request ? reinterpret_cast<Win32FindDialogPeer*>(request->lCustData) : nullptr)
        runGuarded([peer, request] { peer->message(*request); });
}

bool modelessDialogMessage(MSG& msg) {
    for (Win32FindDialogPeer* peer : openDialogs())
        if (IsDialogMessageW(peer->dialog(), &msg)) return true;
    return false;
}

}  // namespace tk::win32
