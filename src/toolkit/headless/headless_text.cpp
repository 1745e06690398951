// The headless machine is a Japanese system: its ANSI code page is 932.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

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

std::optional<std::string> readWholeFile(const std::wstring& path, std::wstring* error) {
    const auto failed = [error] {
        if (error) {
            const std::string reason = std::strerror(errno);
            *error = std::wstring(reason.begin(), reason.end());
        }
        return std::nullopt;
    };
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(std::filesystem::path(path).c_str(), "rb"), std::fclose);
    if (!file) return failed();
    std::string bytes;
    char chunk[65536];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get())) bytes.append(chunk, n);
    if (std::ferror(file.get())) return failed();
    return bytes;
}

}  // namespace tk
