// What the test scripted for the user, and what the program showed.
#include <deque>
#include <stdexcept>

#include "toolkit/app.h"
#include "toolkit/events.h"
#include "toolkit/form.h"
#include "toolkit/testing/scripted.h"

namespace tk::testing {
namespace {
std::deque<int> answers;
std::vector<ShownMessage> shown;
std::deque<std::function<void(Form&)>> modalActions;
std::deque<DialogAnswer> dialogAnswers;
std::vector<DialogRequest> dialogs;

// What the user leaves a message box with when nothing was scripted; its buttons
// are the low four bits of its style.
int defaultAnswer(int style) {
    switch (style & 0xF) {
        case box::OkCancel:
        case box::RetryCancel: return box::Cancel;
        case box::YesNoCancel:
        case box::YesNo: return box::No;
        default: return box::Ok;
    }
}
}  // namespace

Backend& testBackend();

void begin() {
    useBackend(&testBackend());
    overrides() = Overrides{};
    tk::detail::restartProgram();
    clearMessages();
}

Overrides& overrides() {
    static Overrides o;
    return o;
}

void answerNextDialog(DialogAnswer answer) { dialogAnswers.push_back(std::move(answer)); }
const std::vector<DialogRequest>& shownDialogs() { return dialogs; }

void answerNextMessageBox(int result) { answers.push_back(result); }
const std::vector<ShownMessage>& shownMessages() { return shown; }

void clearMessages() {
    answers.clear();
    shown.clear();
    modalActions.clear();
    dialogAnswers.clear();
    dialogs.clear();
}

void onNextModal(std::function<void(Form&)> action) { modalActions.push_back(std::move(action)); }

namespace detail {

DialogAnswer recordDialog(const DialogRequest& request) {
    dialogs.push_back(request);
    if (dialogAnswers.empty()) return DialogAnswer{};
    DialogAnswer answer = std::move(dialogAnswers.front());
    dialogAnswers.pop_front();
    return answer;
}

int recordMessageBox(const std::wstring& text, int style, const std::wstring& caption) {
    int answer = defaultAnswer(style);
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    shown.push_back({text, style, caption, answer});
    return answer;
}

void noteDialog(const DialogRequest& request) { dialogs.push_back(request); }

std::function<void(Form&)> takeModalAction() {
    if (modalActions.empty()) return {};
    auto action = std::move(modalActions.front());
    modalActions.pop_front();
    return action;
}

}  // namespace detail
}  // namespace tk::testing
