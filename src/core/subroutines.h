// Small routines that several windows share.
#pragma once

#include <cstdint>
#include <string>

#include "core/settings.h"

namespace lorvane {

// A window as subMoveForm sees it: outer size and position in twips.
class PlaceableWindow {
public:
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void Top(float twips) = 0;
    virtual void Left(float twips) = 0;

protected:
    ~PlaceableWindow() = default;
};

// Where subMoveForm puts a window on the screen.
namespace placement {
constexpr Int16 Centre = 1, TopLeft = 2, TopRight = 3, BottomLeft = 4, BottomRight = 5;
}

// Places the window on the screen by one of the placements; any other mode
// shows an argument error.
void subMoveForm(PlaceableWindow& window, Int16 prmMode);

std::wstring subGetWindowsDir();
std::wstring subGetSystemDir();

// Busy-waits the given number of seconds without letting any window message through.
void subWait(std::int32_t seconds);

}  // namespace lorvane
