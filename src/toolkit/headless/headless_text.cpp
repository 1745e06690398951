// The headless machine is a Japanese system: its ANSI code page is 932.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "toolkit/text_file.h"

namespace tk {

std::wstring decodeAnsi(std::string_view bytes) {
    std::wstring out;
    const iconv_t cd = iconv_open("WCHAR_T", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (char c : bytes) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return out;
    }
    std::wstring buffer(bytes.size() + 1, L'\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outStart = reinterpret_cast<char*>(buffer.data());
        char* outPtr = outStart;
        std::size_t outLeft = buffer.size() * sizeof(wchar_t);
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - outStart) / sizeof(wchar_t));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A byte that starts no character of the code page, or a character cut off.
            out += L'\xFFFD';
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
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
