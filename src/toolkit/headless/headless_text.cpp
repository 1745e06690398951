// The headless machine is a Japanese system: its ANSI code page is 932.
#include <cstring>

#include "toolkit/headless/iconv_converter.h"
#include "toolkit/text_file.h"

namespace tk {

std::wstring decodeAnsi(std::string_view bytes) {
    std::wstring out;
    headless::IconvConverter converter("WCHAR_T", "CP932");
    if (!converter.valid()) {
        for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return out;
    }
    std::string wide;
    while (!bytes.empty()) {
        bytes.remove_prefix(converter.convertPrefix(bytes, wide));
        if (bytes.empty()) break;
        // A byte that starts no character of the code page, or a character cut off.
        constexpr wchar_t kReplacement = L'\xFFFD';
        wide.append(reinterpret_cast<const char*>(&kReplacement), sizeof kReplacement);
        bytes.remove_prefix(1);
    }
    out.resize(wide.size() / sizeof(wchar_t));
    std::memcpy(out.data(), wide.data(), out.size() * sizeof(wchar_t));
    return out;
}

bool isAnsiLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace tk
