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

constexpr DWORD kPiece = 1 << 20;  // what one read asks for: large enough to keep a disk streaming

std::int64_t asNumber(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

// One of the two files compareContents reads, with its own read in flight.
struct ReadSide {
    AutoCloseHandle file;
    AutoCloseHandle done;  // the event its reads signal
    OVERLAPPED overlapped{};
    char* buffer = nullptr;

    bool open(const std::wstring& path) {
        // Sharing everything: neither the source nor the copy is disturbed while it is read.
        file.reset(CreateFileW(longPath(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OVERLAPPED | FILE_FLAG_BACKUP_SEMANTICS,
                               nullptr));
        done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        return file.valid() && done.valid();
    }
    // Starts reading `size` bytes at `offset`; false when it could not start.
    bool start(std::uint64_t offset, DWORD size) {
        overlapped = OVERLAPPED{};
        overlapped.Offset = static_cast<DWORD>(offset);
        overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
        overlapped.hEvent = done;
        return ReadFile(file, buffer, size, nullptr, &overlapped) || GetLastError() == ERROR_IO_PENDING;
    }
    // The bytes the read gave; 0 at the end or on failure.
    DWORD finish() {
        DWORD got = 0;
        return GetOverlappedResult(file, &overlapped, &got, TRUE) ? got : 0;
    }
};

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
    ReadSide a, b;
    if (!a.open(first) || !b.open(second)) return Comparison::Unreadable;
    LARGE_INTEGER sizeA{}, sizeB{};
    if (!GetFileSizeEx(a.file, &sizeA) || !GetFileSizeEx(b.file, &sizeB)) return Comparison::Unreadable;
    if (sizeA.QuadPart != sizeB.QuadPart) return Comparison::Different;
    if (!buffers_) buffers_ = std::make_unique<char[]>(2 * std::size_t{kPiece});
    a.buffer = buffers_.get();
    b.buffer = buffers_.get() + kPiece;

    // Both files are read at once, piece by piece: two disks each stream at their
    // own speed, and the comparison of a piece costs little beside its reading.
    const std::uint64_t size = static_cast<std::uint64_t>(sizeA.QuadPart);
    for (std::uint64_t offset = 0; offset < size;) {
        const DWORD piece = static_cast<DWORD>(std::min<std::uint64_t>(kPiece, size - offset));
        const bool startedA = a.start(offset, piece);
        const bool startedB = b.start(offset, piece);
        // A read that started is waited for, whatever became of the other.
        const DWORD gotA = startedA ? a.finish() : 0;
        const DWORD gotB = startedB ? b.finish() : 0;
        if (gotA != piece || gotB != piece) {
            // Shorter than it said it was: changed while read, or a read failed.
            return (!startedA || !startedB || gotA == 0 || gotB == 0) ? Comparison::Unreadable
                                                                      : Comparison::Different;
        }
        if (std::memcmp(a.buffer, b.buffer, piece) != 0) return Comparison::Different;
        offset += piece;
    }
    return Comparison::Same;
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
