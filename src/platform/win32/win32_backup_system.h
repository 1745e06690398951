// The system a copy backup's run works on, for Win32: files and folders with
// their access, long paths, reparse points never followed, robocopy and reg run
// hidden and awaited, shadow copies through the VSS requester API.
#pragma once

#include <memory>
#include <string>

#include "backup/backup_system.h"

namespace lorvane {

class Win32BackupSystem final : public backup::BackupSystem {
public:
    // Enables the backup and restore privileges of the process where its account
    // holds them (SYSTEM, Administrators), so that reading, walking and changing
    // attributes pass every file's own access list, as robocopy's /B does.
    Win32BackupSystem();
    ~Win32BackupSystem() override;

    DateTime now() override;
    std::wstring systemDirectory() override;
    // The platform's SystemAccess::findProgram.
    std::wstring findProgram(const std::wstring& name) override;

    std::optional<std::string> readFile(const std::wstring& path) override;
    std::optional<std::string> readFileStart(const std::wstring& path, std::size_t count) override;
    // The platform's SystemAccess::replaceFile.
    SystemResult replaceFile(const std::wstring& path, std::string_view bytes) override;
    SystemResult appendFile(const std::wstring& path, std::string_view bytes) override;
    SystemResult renameFile(const std::wstring& from, const std::wstring& to) override;

    bool folderExists(const std::wstring& path) override;
    std::vector<std::wstring> subfolders(const std::wstring& path) override;
    // An existing folder keeps its place and gets the access asked for.
    SystemResult createFolder(const std::wstring& path, backup::FolderAccess access) override;
    // A protected access list (nothing inherited) for AdministratorsOnly and
    // Restricted; an empty one that inherits again for Inherited.
    SystemResult setFolderAccess(const std::wstring& path, backup::FolderAccess access) override;
    // Read-only attributes are cleared first; a junction or link is removed itself.
    SystemResult removeTree(const std::wstring& path) override;
    std::optional<std::uint64_t> freeSpace(const std::wstring& path) override;

    // One shadow copy of each distinct volume, reached through a directory link in
    // the system directory's Lorvane\snapshots (SYSTEM and Administrators only).
    backup::SnapshotResult takeSnapshot(const std::vector<std::wstring>& folders) override;

    // No windows, no message loop: the output is read until the program closes it.
    ProgramRun run(const std::wstring& program, const std::wstring& arguments) override;

    SystemResult walk(const std::wstring& folder,
                      const std::function<void(const backup::FoundFile&)>& found) override;
    // Both files read in turn, 1 MiB of each at a time, sequentially (the system
    // reads ahead of each), and compared word by word.
    backup::Comparison compareContents(const std::wstring& first, const std::wstring& second) override;
    bool clearArchiveIfUnchanged(const std::wstring& path, std::uint64_t size,
                                 std::int64_t writeTime) override;
    // ReportEventW through RegisterEventSourceW; the texts are lorvane.exe's message table.
    void reportEvent(backup::EventKind kind, const std::wstring& text) override;

    std::optional<backup::FoundFile> fileInfo(const std::wstring& path) override;
    // CopyFileExW into a file beside the target, then MoveFileExW over it.
    backup::CopyResult copyFile(const std::wstring& from, const std::wstring& to,
                                const backup::CopyProgress& progress) override;

private:
    std::unique_ptr<char[]> buffers_;  // compareContents' two pieces, made once
};

}  // namespace lorvane
