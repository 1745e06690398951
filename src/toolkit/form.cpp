#include "toolkit/form.h"

#include <algorithm>

#include "toolkit/backend.h"
#include "toolkit/events.h"
#include "toolkit/menu.h"

namespace tk {
namespace {

std::vector<Form*>& loadedRegistry() {
    static std::vector<Form*> forms;
    return forms;
}

std::vector<Form*>& retired() {
    static std::vector<Form*> forms;
    return forms;
}

Form* lastActive = nullptr;

void detachControlPeers(Container& container) {
    for (Control* control : container.children()) {
        if (auto* inner = dynamic_cast<Container*>(control)) detachControlPeers(*inner);
        control->detachPeer();
    }
}

}  // namespace

Form::Form() = default;

Form::~Form() {
    // The controls, members of the subclass, are gone already and took their
    // native side with them; only the window itself is left to close.
    if (peer_) {
        if (lastActive == this) lastActive = nullptr;
        std::erase(loadedRegistry(), this);
        peer_.reset();
    }
    std::erase(retired(), this);
}

void Form::Caption(const std::wstring& caption) {
    caption_ = caption;
    if (peer_) peer_->updateCaption();
}

void Form::clientSize(float width, float height) {
    clientWidth_ = width;
    clientHeight_ = height;
    if (peer_) peer_->updateBounds();
}

float Form::Width() const {
    float extraWidth = 0, extraHeight = 0;
    backend().frameExtent(*this, extraWidth, extraHeight);
    return clientWidth_ + extraWidth;
}

float Form::Height() const {
    float extraWidth = 0, extraHeight = 0;
    backend().frameExtent(*this, extraWidth, extraHeight);
    return clientHeight_ + extraHeight;
}

void Form::Left(float twips) {
    left_ = twips;
    if (peer_) peer_->updateBounds();
}

void Form::Top(float twips) {
    top_ = twips;
    if (peer_) peer_->updateBounds();
}

void Form::Width(float twips) { clientSize(std::max(0.0f, clientWidth_ + twips - Width()), clientHeight_); }

void Form::Height(float twips) { clientSize(clientWidth_, std::max(0.0f, clientHeight_ + twips - Height())); }

void Form::load() {
    peer_ = backend().createFormPeer(*this);
    loadedRegistry().push_back(this);
    dispatchEvent([this] { Form_Load(); });
}

void Form::Show(ShowMode mode) {
    if (programEnded()) return;
    if (!loaded()) load();
    if (programEnded() || !loaded()) return;

    // The system activates a window as it shows it; the toolkit holds that
    // back so that the first resize always comes before the activation.
    const bool firstDisplay = !displayed_;
    if (firstDisplay && centerOnScreen) {
        Left((backend().screenWidthTwips() - Width()) / 2);
        Top((backend().screenHeightTwips() - Height()) / 2);
    }
    showing_ = true;
    activationPending_ = false;
    modal_ = mode == ShowMode::Modal;
    visible_ = true;
    peer_->show();
    showing_ = false;
    if (firstDisplay) {
        displayed_ = true;
        dispatchEvent([this] { Form_Resize(); });
    }
    if (programEnded() || !loaded()) return;
    if (activationPending_) {
        activationPending_ = false;
        activate();
    }
    if (modal_ && loaded() && visible_) backend().runModal(*this);
    modal_ = false;
}

void Form::Hide() {
    if (!loaded()) load();
    visible_ = false;
    if (peer_) peer_->hide();
}

void Form::Refresh() {
    if (peer_ && visible_) peer_->refresh();
}

void Form::Unload() {
    if (!loaded() || unloading_) return;
    unloading_ = true;
    dispatchEvent([this] { Form_Unload(); });
    if (Unloaded) dispatchEvent(Unloaded);
    destroyPeers();
    unloading_ = false;
    if (ref_) ref_->release(*this);
    if (loadedRegistry().empty() && !programEnded()) backend().allFormsUnloaded();
}

void Form::destroyPeers() {
    if (!peer_) return;
    if (lastActive == this) lastActive = nullptr;
    detachControlPeers(*this);
    visible_ = false;
    displayed_ = false;
    std::erase(loadedRegistry(), this);
    peer_.reset();
}

void Form::discard() {
    destroyPeers();
    if (ref_) ref_->release(*this);
}

void Form::addMenu(MenuItem& item) { menus_.push_back(&item); }

void Form::menuChanged(MenuItem& item) {
    if (peer_) peer_->updateMenu(item);
}

void Form::backendActivated() {
    if (showing_) {
        activationPending_ = true;
        return;
    }
    activate();
}

void Form::activate() {
    // Only a change of the active window inside the program counts; coming
    // back from another application to the same window does not.
    if (lastActive == this || !visible_) return;
    lastActive = this;
    dispatchEvent([this] { Form_Activate(); });
}

void Form::backendResized(float clientWidth, float clientHeight) {
    if (clientWidth == clientWidth_ && clientHeight == clientHeight_) return;
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    if (displayed_ && visible_) dispatchEvent([this] { Form_Resize(); });
}

void Form::backendMoved(float left, float top) {
    left_ = left;
    top_ = top;
}

void Form::backendCloseRequested() {
    bool close = true;
    dispatchEvent([&] { close = Form_QueryUnload(); });
    if (close && !programEnded()) Unload();
}

void unloadAllForms() {
    while (!loadedRegistry().empty()) {
        loadedRegistry().back()->discard();
    }
    detail::purgeRetired();
    lastActive = nullptr;
}

const std::vector<Form*>& loadedForms() { return loadedRegistry(); }

Form* activeForm() { return lastActive; }

namespace detail {

void retire(Form* form) { retired().push_back(form); }

void purgeRetired() {
    std::vector<Form*> doomed;
    doomed.swap(retired());
    for (Form* form : doomed) delete form;
}

}  // namespace detail
}  // namespace tk
