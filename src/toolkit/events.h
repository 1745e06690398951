// Every event handler runs through dispatchEvent: once the program has been
// ended, no further handler runs.
#pragma once

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace tk {

class Form;

// Thrown by a backend's exitProcess where the process must survive (tests);
// never escapes an event.
struct ProgramEnded {};

bool programEnded();
void dispatchEvent(const std::function<void()>& handler);

// A failure whose text is meant for the user as it stands (the system's reason).
class Failure : public std::runtime_error {
public:
    explicit Failure(std::wstring text) : std::runtime_error("failure"), text_(std::move(text)) {}
    const std::wstring& text() const { return text_; }

private:
    std::wstring text_;
};

// What the message loops do with a failure that escaped a handler: the user
// reads it in a stop-icon message box, the window it happened in is closed (a
// dialog's closing shows the main menu again), and when no window is left on
// screen the program ends in order.
void reportFailure(std::exception_ptr error, Form* failed);
// The message's text: a fixed first line, then what the failure says.
std::wstring failureText(std::exception_ptr error);

namespace detail {
// Every window closed without its handlers, the program not ended, no event
// running: a fresh start in the same process.
void restartProgram();
}  // namespace detail

}  // namespace tk
