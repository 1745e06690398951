// Part of a file, read while the program that writes it holds it open.
#include <windows.h>

#include <algorithm>

#include "toolkit/text_bytes.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/system_text.h"

namespace tk {

bool readFilePartInto(const std::wstring& path, std::uint64_t offset, std::size_t maxBytes,
                      std::string& bytes, std::wstring* failure, FileStamp* stamp) {
    // Owned, so that running out of memory for the bytes (which the caller catches) closes it too.
    const win32::AutoCloseHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const auto fail = [&] {
        if (failure) *failure = win32::systemErrorText(GetLastError());
        return false;
    };
    if (!file.valid()) return fail();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return fail();
    const std::uint64_t total = std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    if (stamp)
        *stamp = {total, info.dwVolumeSerialNumber,
                  std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
    bytes.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(total > offset ? total - offset : 0, maxBytes)));
    LARGE_INTEGER from{};
    from.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, from, nullptr, FILE_BEGIN)) return fail();
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 64u << 20));
        if (!ReadFile(file, bytes.data() + done, want, &got, nullptr)) return fail();
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);  // a file that shrank while it was read
    return true;
}

}  // namespace tk
