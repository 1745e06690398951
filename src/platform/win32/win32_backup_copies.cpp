// What a restore writes: a file of a set copied back, whole or not at all.
#include <windows.h>

#include "platform/win32/win32_backup_system.h"
#include "platform/win32/win32_paths.h"
#include "toolkit/win32/system_text.h"

namespace lorvane {
namespace {

using backup::CopyOutcome;
using backup::CopyResult;
using win32::longPath;

// The name the copy arrives under before it takes the target's place.
constexpr wchar_t kArriving[] = L".lorvane-restore";

struct ProgressContext {
    const backup::CopyProgress* progress;
    bool cancelled = false;
};

DWORD CALLBACK copyProgress(LARGE_INTEGER, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE,
                            HANDLE, LPVOID data) {
    auto* context = static_cast<ProgressContext*>(data);
    if (*context->progress && !(*context->progress)(static_cast<std::uint64_t>(copied.QuadPart))) {
        context->cancelled = true;
        return PROGRESS_CANCEL;
    }
    return PROGRESS_CONTINUE;
}

CopyResult failure(DWORD error) {
    const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                       error == ERROR_USER_MAPPED_FILE;
    return {inUse ? CopyOutcome::InUse : CopyOutcome::Failed, tk::win32::systemErrorText(error)};
}

}  // namespace

CopyResult Win32BackupSystem::copyFile(const std::wstring& from, const std::wstring& to,
                                       const backup::CopyProgress& progress) {
    if (const std::wstring parent = win32::parentFolder(to); !parent.empty() && !folderExists(parent))
        if (const SystemResult made = createFolder(parent, backup::FolderAccess::Inherited); !made.ok())
            return {CopyOutcome::Failed, made.description};
    const std::wstring arriving = longPath(to + kArriving);
    ProgressContext context{&progress};
    // A copy left by an earlier restore that was cut off goes first.
    SetFileAttributesW(arriving.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(arriving.c_str());
    if (!CopyFileExW(longPath(from).c_str(), arriving.c_str(), copyProgress, &context, nullptr, 0)) {
        const DWORD error = GetLastError();
        DeleteFileW(arriving.c_str());
        if (context.cancelled || error == ERROR_REQUEST_ABORTED) return {CopyOutcome::Cancelled, {}};
        return failure(error);
    }
    // A read-only or hidden file is replaced as the user asked; its attributes come back with the copy's.
    const std::wstring target = longPath(to);
    const DWORD old = GetFileAttributesW(target.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        SetFileAttributesW(target.c_str(), old & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    if (!MoveFileExW(arriving.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        if (old != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(target.c_str(), old);
        SetFileAttributesW(arriving.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(arriving.c_str());
        return failure(error);
    }
    return {};
}

}  // namespace lorvane
