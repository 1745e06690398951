#include "toolkit/headless/iconv_converter.h"

#include <cerrno>

namespace tk::headless {

IconvConverter::IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}

IconvConverter::~IconvConverter() {
    if (valid()) iconv_close(cd_);
}

std::size_t IconvConverter::convertPrefix(std::string_view input, std::string& output) {
    if (!valid()) return 0;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // from the initial state
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = output.size();
    output.resize(written + input.size() * 2 + 16);
    for (;;) {
        char* out = output.data() + written;
        std::size_t outLeft = output.size() - written;
        const std::size_t rc = iconv(cd_, &in, &inLeft, &out, &outLeft);
        written = output.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1) || errno != E2BIG) break;
        output.resize(output.size() * 2);
    }
    output.resize(written);
    return input.size() - inLeft;
}

std::optional<std::string> IconvConverter::convert(std::string_view input) {
    std::string output;
    if (!valid() || convertPrefix(input, output) != input.size()) return std::nullopt;
    return output;
}

}  // namespace tk::headless
