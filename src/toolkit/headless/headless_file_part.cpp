// Part of a file, read with the C library.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "toolkit/text_bytes.h"

namespace tk {

bool readFilePartInto(const std::wstring& path, std::uint64_t offset, std::size_t maxBytes,
                      std::string& bytes, std::wstring* failure, FileStamp* stamp) {
    const auto fail = [failure] {
        if (failure) {
            const std::string reason = std::strerror(errno);
            *failure = std::wstring(reason.begin(), reason.end());
        }
        return false;
    };
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(std::filesystem::path(path).c_str(), "rb"), std::fclose);
    if (!file) return fail();
    if (stamp) {
        struct stat info {};
        if (fstat(fileno(file.get()), &info) != 0) return fail();
        *stamp = {static_cast<std::uint64_t>(info.st_size), static_cast<std::uint64_t>(info.st_dev),
                  static_cast<std::uint64_t>(info.st_ino)};
    }
    if (fseeko(file.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return fail();
    bytes.clear();
    char chunk[65536];
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(sizeof chunk, maxBytes - bytes.size());
        const std::size_t got = std::fread(chunk, 1, want, file.get());
        bytes.append(chunk, got);
        if (got < want) break;
    }
    if (std::ferror(file.get())) return fail();
    return true;
}

}  // namespace tk
