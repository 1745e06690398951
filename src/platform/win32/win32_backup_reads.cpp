// What a run reads of the files it copied: the walks over the folders, the
// comparison of a copy with its source, and the archive bit cleared afterwards.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/win32_backup_system.h"
#include "platform/win32/win32_paths.h"
#include "platform/win32/win32_system_result.h"
#include "toolkit/win32/scoped.h"

namespace lorvane {
namespace {

using backup::Comparison;
using tk::win32::AutoCloseHandle;
using win32::longPath;
using win32::resultOfError;

constexpr DWORD kPiece = 1 << 20;  // what one read asks for: enough to keep a disk streaming

std::int64_t asNumber(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

AutoCloseHandle openToRead(const std::wstring& path) {
    // Sharing everything: neither the source nor the copy is disturbed while it is
    // read. Sequential: the system reads ahead of each file while the other is read.
    return AutoCloseHandle(CreateFileW(
        longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Fills the buffer as far as the file goes; false when a read fails.
bool readPiece(HANDLE file, char* buffer, DWORD size, DWORD& got) {
    got = 0;
    while (got < size) {
        DWORD now = 0;
        if (!ReadFile(file, buffer + got, size - got, &now, nullptr)) return false;
        if (now == 0) break;  // the end
        got += now;
    }
    return true;
}

// Word by word: the C runtime's memcmp is a byte loop in some (Wine's msvcrt).
bool samePiece(const char* a, const char* b, std::size_t size) {
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        std::uint64_t x[4], y[4];
        std::memcpy(x, a + i, 32);
        std::memcpy(y, b + i, 32);
        if (((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3])) != 0) return false;
    }
    for (; i < size; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// The local time of a file time, to the second, as the clock and the daily type read it.
DateTime localTime(const FILETIME& time) {
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &t)) return {};
    return DateTime::fromCivil({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

}  // namespace

SystemResult Win32BackupSystem::walk(const std::wstring& folder,
                                     const std::function<void(const backup::FoundFile&)>& found) {
    std::wstring top = folder;
    while (!top.empty() && (top.back() == L'\\' || top.back() == L'/')) top.pop_back();
    std::vector<std::wstring> pending{L""};  // the folders still to list, below `top`
    bool first = true;
    while (!pending.empty()) {
        const std::wstring relative = std::move(pending.back());
        pending.pop_back();
        const std::wstring prefix = relative.empty() ? relative : relative + L"\\";
        WIN32_FIND_DATAW data;
        // The basic information leaves out the short names: the system reads less.
        const tk::win32::AutoFindClose find(FindFirstFileExW(longPath(top + L"\\" + prefix + L"*").c_str(),
                                                             FindExInfoBasic, &data, FindExSearchNameMatch,
                                                             nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find.valid()) {
            // A folder further down that cannot be read is left out; robocopy names it in its log.
            const DWORD error = GetLastError();
            // A drive's empty root has not even "." in it.
            if (first && error != ERROR_FILE_NOT_FOUND) return resultOfError(error);
            continue;
        }
        first = false;
        do {
            // A junction or link is never followed, whatever it points to: it may lead
            // back up (a profile's "Application Data") or to another volume.
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            const std::wstring name = data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (name != L"." && name != L"..") pending.push_back(prefix + name);
                continue;
            }
            found({prefix + name, (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                   asNumber(data.ftLastWriteTime), localTime(data.ftLastWriteTime),
                   (data.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) != 0});
        } while (FindNextFileW(find, &data));
    }
    return {};
}

Comparison Win32BackupSystem::compareContents(const std::wstring& first, const std::wstring& second) {
    const AutoCloseHandle a = openToRead(first), b = openToRead(second);
    if (!a.valid() || !b.valid()) return Comparison::Unreadable;
    if (!buffers_) buffers_ = std::make_unique<char[]>(2 * std::size_t{kPiece});
    char* const pieceA = buffers_.get();
    char* const pieceB = buffers_.get() + kPiece;
    // To the end of both, without asking their sizes first: a small file costs
    // no more calls than reading it would.
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (!readPiece(a, pieceA, kPiece, gotA) || !readPiece(b, pieceB, kPiece, gotB))
            return Comparison::Unreadable;
        if (gotA != gotB || !samePiece(pieceA, pieceB, gotA)) return Comparison::Different;
        if (gotA < kPiece) return Comparison::Same;
    }
}

bool Win32BackupSystem::clearArchiveIfUnchanged(const std::wstring& path, std::uint64_t size,
                                                std::int64_t writeTime) {
    // Reading the data (not only the attributes) puts this handle in the sharing
    // check: the open fails while any handle may write the file, and sharing
    // only reading keeps a writer from opening it until the bit is cleared.
    const AutoCloseHandle file(
        CreateFileW(longPath(path).c_str(), FILE_READ_DATA | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!file.valid() || !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard))
        return false;
    if (standard.Directory || static_cast<std::uint64_t>(standard.EndOfFile.QuadPart) != size ||
        basic.LastWriteTime.QuadPart != writeTime)
        return false;  // changed since it was copied: it keeps its bit for the next run
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_ARCHIVE)) return true;
    FILE_BASIC_INFO change{};  // times of zero stay as they are
    change.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
    if (change.FileAttributes == 0)
        change.FileAttributes = FILE_ATTRIBUTE_NORMAL;  // 0 would mean "unchanged"
    return SetFileInformationByHandle(file, FileBasicInfo, &change, sizeof change) != FALSE;
}

std::optional<backup::FoundFile> Win32BackupSystem::fileInfo(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(longPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    const std::size_t slash = path.find_last_of(L'\\');
    return backup::FoundFile{slash == std::wstring::npos ? path : path.substr(slash + 1),
                             (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                             asNumber(data.ftLastWriteTime), localTime(data.ftLastWriteTime),
                             (data.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) != 0};
}

}  // namespace lorvane
