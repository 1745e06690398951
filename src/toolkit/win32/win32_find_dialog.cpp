// The system's modeless find dialog (FindTextW). Its owner window receives the
// registered FINDMSGSTRING message for each press of its buttons; the message
// loop passes it keys through IsDialogMessage.
#include <windows.h>
// after windows.h
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "toolkit/find_dialog.h"
#include "toolkit/testing.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

std::vector<HWND>& openDialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

class Win32FindDialogPeer final : public FindDialogPeer {
public:
    explicit Win32FindDialogPeer(FindDialog& model) : model_(model) {}
    ~Win32FindDialogPeer() override { close(); }

    HWND dialog() const { return dialog_; }

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
        if (!dialog_) throw std::runtime_error("the find dialog could not be opened");
        openDialogs().push_back(dialog_);
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
        open.erase(std::remove(open.begin(), open.end(), dialog), open.end());
        return dialog;
    }

    FindDialog& model_;
    FINDREPLACEW request_{};
    wchar_t buffer_[256] = {};
    HWND dialog_ = nullptr;
};

HWND dialogOf(FindDialog& dialog) {
    auto* peer = dynamic_cast<Win32FindDialogPeer*>(dialog.peer());
    HWND hwnd = peer && dialog.Visible() ? peer->dialog() : nullptr;
    if (!hwnd) throw std::logic_error("the find dialog is not open");
    return hwnd;
}

}  // namespace

std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog) {
    return std::make_unique<Win32FindDialogPeer>(dialog);
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
    for (HWND dialog : openDialogs())
        if (IsDialogMessageW(dialog, &msg)) return true;
    return false;
}

}  // namespace tk::win32

namespace tk::user {

void findNext(FindDialog& dialog, const std::wstring& text, bool matchCase, bool down) {
    HWND hwnd = win32::dialogOf(dialog);
    SetDlgItemTextW(hwnd, edt1, text.c_str());
    CheckDlgButton(hwnd, chx2, matchCase ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(hwnd, rad1, rad2, down ? rad2 : rad1);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDOK)));
    win32::rethrowHeldException();
}

void close(FindDialog& dialog) {
    if (!dialog.Visible()) return;
    HWND hwnd = win32::dialogOf(dialog);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
    win32::rethrowHeldException();
}

}  // namespace tk::user
