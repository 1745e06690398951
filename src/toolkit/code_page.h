// Text written in a code page exactly, or not at all.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tk {

// The system's ANSI code page, whichever it is (932 on a Japanese system and on
// the headless machine).
constexpr unsigned kAnsiCodePage = 0;
constexpr unsigned kUtf8CodePage = 65001;

// The text in the code page, with no best-fit substitute (never a look-alike,
// such as the backslash for U+00A5 ¥); nothing when a character has no place in
// it. Each toolkit backend provides it.
std::optional<std::string> encodeToCodePage(std::wstring_view text, unsigned codePage);

}  // namespace tk
