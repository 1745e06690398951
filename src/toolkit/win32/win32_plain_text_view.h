// What the plain text view's files share: its margin, and positions brought within
// what GDI takes.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

namespace tk::win32 {

inline constexpr int kMargin = 2;  // pixels between the border and the text

inline int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN / 2, INT_MAX / 2));
}

}  // namespace tk::win32
