#include "toolkit/find_dialog.h"

#include "toolkit/backend.h"
#include "toolkit/events.h"
#include "toolkit/testing.h"

namespace tk {

FindDialog::~FindDialog() {
    if (peer_) peer_->close();
}

void FindDialog::Show() {
    if (testing::active())
        testing::noteDialog({L"find", L"", FindWhat, L"",
                             fr::HideWholeWord | (Down ? fr::Down : 0) | (MatchCase ? fr::MatchCase : 0)});
    if (!peer_) peer_ = backend().createFindDialogPeer(*this);
    visible_ = true;
    peer_->show();
}

void FindDialog::Close() {
    if (!visible_) return;
    visible_ = false;
    if (peer_) peer_->close();
}

void FindDialog::userFindNext(const std::wstring& text, bool matchCase, bool down) {
    FindWhat = text;
    MatchCase = matchCase;
    Down = down;
    if (FindNext) dispatchEvent(FindNext);
}

void FindDialog::userClosed() {
    visible_ = false;
}

}  // namespace tk
