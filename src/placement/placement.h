// Where a window goes on the screen, as every window of the program places itself.
#pragma once

#include "core/settings.h"
#include "toolkit/form.h"

namespace lorvane {

// Where subMoveForm puts a window on the screen.
namespace placement {
constexpr Int16 Centre = 1, TopLeft = 2, TopRight = 3, BottomLeft = 4, BottomRight = 5;
}

// Places the window on the screen by one of the placements; any other mode
// shows an argument error and moves nothing.
void subMoveForm(tk::Form& window, Int16 prmMode);

}  // namespace lorvane
