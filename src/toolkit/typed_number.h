// Numbers as a user types them into a box, with or without the Japanese input
// method: "07", " 7 ", "０７" and "　７　" are all seven.
#pragma once

#include <optional>
#include <string_view>

namespace tk {

// A whole number: blanks around it (spaces, tabs, ideographic spaces), an
// optional + or -, then digits, half-width or full-width, leading zeros allowed.
// Nothing for any other text, an empty one, or more than 18 digits.
std::optional<long long> typedWholeNumber(std::wstring_view text);

}  // namespace tk
