// The files a copy backup leaves for readers (the job, the result record, the
// destination's mark): UTF-16LE with a byte order mark, "key=value" lines ended by
// CR LF, comments starting with ';'.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lorvane::backup {

using KeyValues = std::vector<std::pair<std::wstring, std::wstring>>;

std::string writeKeyValues(std::wstring_view comment, const KeyValues& values);
// Nothing when the bytes are no such file (no byte order mark, a line without '=').
std::optional<KeyValues> readKeyValues(std::string_view bytes);

// A whole number of the text, or nothing for anything else.
std::optional<long long> wholeNumber(std::wstring_view text);


}  // namespace lorvane::backup
