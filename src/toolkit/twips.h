// Twips (1/1440 inch) are the unit of every size and position the windows use.
#pragma once

#include <cmath>

namespace tk {

constexpr float kTwipsPerInch = 1440.0f;

inline int twipsToPixels(float twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch)); }
inline float pixelsToTwips(int pixels, int dpi) { return static_cast<float>(pixels) * kTwipsPerInch / dpi; }

}  // namespace tk
