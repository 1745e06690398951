#include "apply/key_values.h"

#include "core/utf16.h"

namespace lorvane::backup {

std::string writeKeyValues(std::wstring_view comment, const KeyValues& values) {
    std::wstring text = L"; " + std::wstring(comment) + L"\r\n";
    for (const auto& [key, value] : values) text += key + L"=" + value + L"\r\n";
    return encodeUtf16Le(text);
}

std::optional<KeyValues> readKeyValues(std::string_view bytes) {
    const std::optional<std::wstring> text = decodeUtf16Le(bytes);
    if (!text) return std::nullopt;
    KeyValues values;
    for (std::size_t at = 0; at < text->size();) {
        std::size_t end = text->find(L'\n', at);
        if (end == std::wstring::npos) end = text->size();
        std::wstring_view line = std::wstring_view(*text).substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        if (line.empty() || line.front() == L';') continue;
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos || equals == 0) return std::nullopt;
        values.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return values;
}

std::optional<long long> wholeNumber(std::wstring_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    long long n = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        n = n * 10 + (c - L'0');
    }
    return n;
}

}  // namespace lorvane::backup
