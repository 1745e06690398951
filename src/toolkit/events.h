// Every event handler runs through dispatchEvent: once the program has been
// ended, no further handler runs.
#pragma once

#include <functional>

namespace tk {

// Thrown by EndProgram where the process must survive (tests); never escapes an event.
struct ProgramEnded {};

bool programEnded();
void dispatchEvent(const std::function<void()>& handler);

}  // namespace tk
