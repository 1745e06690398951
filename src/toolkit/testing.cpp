#include "toolkit/testing.h"

#include <deque>
#include <stdexcept>

#include "core/host.h"

namespace tk::testing {
namespace {
std::deque<int> answers;
std::vector<ShownMessage> shown;
std::deque<std::function<void(Form&)>> modalActions;
std::deque<DialogAnswer> dialogAnswers;
std::vector<DialogRequest> dialogs;
DialogAnswer currentAnswer;
}  // namespace

void answerNextDialog(DialogAnswer answer) { dialogAnswers.push_back(std::move(answer)); }
const std::vector<DialogRequest>& shownDialogs() { return dialogs; }

const DialogAnswer* recordDialog(const DialogRequest& request) {
    dialogs.push_back(request);
    currentAnswer = DialogAnswer{};
    if (!dialogAnswers.empty()) {
        currentAnswer = std::move(dialogAnswers.front());
        dialogAnswers.pop_front();
    }
    return &currentAnswer;
}

void noteDialog(const DialogRequest& request) { dialogs.push_back(request); }

void answerNextMessageBox(int result) { answers.push_back(result); }
const std::vector<ShownMessage>& shownMessages() { return shown; }

void clearMessages() {
    answers.clear();
    shown.clear();
    modalActions.clear();
    dialogAnswers.clear();
    dialogs.clear();
}

int defaultAnswer(int style) {
    switch (style & 0xF) {
        case 1: case 5: return lorvane::mb::Cancel;  // OK/Cancel, Retry/Cancel
        case 3: case 4: return lorvane::mb::No;      // Yes/No(/Cancel)
        default: return lorvane::mb::Ok;
    }
}

int recordMessageBox(const std::wstring& text, int style, const std::wstring& caption) {
    int answer = 0;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    shown.push_back({text, style, caption, answer ? answer : defaultAnswer(style)});
    return answer;
}

void onNextModal(std::function<void(Form&)> action) { modalActions.push_back(std::move(action)); }

bool runModalAction(Form& form) {
    if (modalActions.empty()) return false;
    auto action = std::move(modalActions.front());
    modalActions.pop_front();
    action(form);
    return true;
}

}  // namespace tk::testing
