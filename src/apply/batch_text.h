// How text the user typed is put into a line that cmd.exe reads from a batch file.
#pragma once

#include <string>
#include <string_view>

namespace lorvane {

// The text without the blanks around it, as the lines hold what the user typed.
// Blanks only: tabs, ideographic spaces and everything else stay.
std::wstring_view trimBlanks(std::wstring_view text);

// cmd expands %...% in a batch file even inside quotes; %% stands for one %.
std::wstring doublePercents(std::wstring_view text);

// The text in double quotes. Backslashes before the closing quote are doubled, as
// a program that splits its command line would take an odd run of them as an
// escaped quote.
std::wstring quoted(std::wstring_view text);

// Percent signs doubled, then quoted: one argument, exactly as typed less its blanks.
std::wstring quotedArgument(std::wstring_view typed);

}  // namespace lorvane
