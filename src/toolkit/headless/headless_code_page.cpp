// The headless machine is a Japanese system: its ANSI code page is 932.
#include <string>

#include "toolkit/code_page.h"
#include "toolkit/headless/iconv_converter.h"

namespace tk {

std::optional<std::string> encodeToCodePage(std::wstring_view text, unsigned codePage) {
    const std::string name = codePage == kAnsiCodePage  ? std::string("CP932")
                             : codePage == kUtf8CodePage ? std::string("UTF-8")
                                                         : "CP" + std::to_string(codePage);
    const std::string_view wide(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    std::optional<std::string> bytes = headless::IconvConverter(name.c_str(), "WCHAR_T").convert(wide);
    if (!bytes) return std::nullopt;
    // iconv also takes best-fit substitutes (U+00A5 to 0x5C); only what converts back unchanged is exact.
    const std::optional<std::string> back = headless::IconvConverter("WCHAR_T", name.c_str()).convert(*bytes);
    if (!back || *back != wide) return std::nullopt;
    return bytes;
}

}  // namespace tk
