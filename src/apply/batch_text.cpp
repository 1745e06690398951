#include "apply/batch_text.h"

#include <cstddef>

namespace lorvane {

std::wstring_view trimBlanks(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::wstring doublePercents(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t c : text) {
        result += c;
        if (c == L'%') result += L'%';
    }
    return result;
}

std::wstring quoted(std::wstring_view text) {
    const std::size_t last = text.find_last_not_of(L'\\');
    const std::size_t trailing = last == std::wstring_view::npos ? text.size() : text.size() - last - 1;
    std::wstring result = L"\"";
    result += text;
    result.append(trailing, L'\\');
    result += L'"';
    return result;
}

std::wstring quotedArgument(std::wstring_view typed) { return quoted(doublePercents(trimBlanks(typed))); }

}  // namespace lorvane
