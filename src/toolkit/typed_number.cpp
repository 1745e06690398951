#include "toolkit/typed_number.h"

namespace tk {
namespace {

bool blank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\x3000'; }

// 0 to 9 for a half-width or full-width digit, -1 for anything else.
int digitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'\xFF10' && c <= L'\xFF19') return c - L'\xFF10';
    return -1;
}

}  // namespace

std::optional<long long> typedWholeNumber(std::wstring_view text) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) return std::nullopt;
    long long number = 0;
    for (wchar_t c : text) {
        const int digit = digitValue(c);
        if (digit < 0) return std::nullopt;
        number = number * 10 + digit;
    }
    return negative ? -number : number;
}

}  // namespace tk
