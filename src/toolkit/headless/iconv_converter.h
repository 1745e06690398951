// A conversion between two encodings with iconv, closed by its owner.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace tk::headless {

class IconvConverter {
public:
    // Encodings by iconv's names ("CP932", "WCHAR_T", "UTF-8").
    IconvConverter(const char* to, const char* from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // False when iconv does not know one of the encodings.
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts input onto the end of output up to the first sequence that has no
    // counterpart or is cut off; returns how many bytes of input were used.
    std::size_t convertPrefix(std::string_view input, std::string& output);

    // The whole input converted; nothing when some of it cannot be.
    std::optional<std::string> convert(std::string_view input);

private:
    iconv_t cd_;
};

}  // namespace tk::headless
