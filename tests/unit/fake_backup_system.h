// An in-memory machine for the copy backup's run: files with sizes, write times
// and archive bits, folders and their access, a robocopy that copies by the
// switches the run gives it, reg, free space, and shadow copies that freeze the
// source as it was when they were taken.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "backup/backup_system.h"

namespace lorvane::test {

class FakeBackupSystem : public backup::BackupSystem {
public:
    struct File {
        std::string bytes;
        std::int64_t writeTime = 0;
        bool archive = true;
    };
    std::map<std::wstring, File> files;  // by full path
    std::set<std::wstring> folders;
    std::map<std::wstring, backup::FolderAccess> access;
    DateTime clock = DateTime::fromCivil({2026, 12, 8, 2, 30, 0});
    std::uint64_t free = 1ull << 40;
    bool snapshotFails = false, robocopyMissing = false;
    unsigned long robocopyExit = 0;  // 0: as the copy went
    int snapshotsTaken = 0, snapshotsReleased = 0;
    std::vector<std::wstring> robocopyRuns, regRuns;
    std::vector<std::pair<backup::EventKind, std::wstring>> events;  // the event log's entries
    std::function<void()> duringCopy;  // what a user does while robocopy runs
    std::function<void()> afterCopy;   // what befalls the copy before the run checks it
    std::set<std::wstring> inUse;      // files a program holds open: a restore cannot replace them
    std::vector<std::wstring> copies;  // the targets copyFile wrote, in order

    // A file written now, as an editor would: its archive bit set.
    void write(const std::wstring& path, const std::string& bytes) {
        files[path] = {bytes, clock.seconds(), true};
        for (std::wstring parent = parentOf(path); !parent.empty(); parent = parentOf(parent)) folders.insert(parent);
    }
    std::vector<std::wstring> filesBelow(const std::wstring& folder) const {
        std::vector<std::wstring> found;
        for (const auto& [path, file] : files)
            if (path.starts_with(folder + L"\\")) found.push_back(path.substr(folder.size() + 1));
        return found;
    }
    std::wstring text(const std::wstring& path) const;  // a UTF-16LE file's text

    DateTime now() override { return clock = clock.addSeconds(1); }
    std::wstring systemDirectory() override { return L"C:\\Windows\\System32"; }
    std::wstring findProgram(const std::wstring& name) override {
        return robocopyMissing ? L"" : L"C:\\Windows\\System32\\" + name + L".exe";
    }
    std::optional<std::string> readFile(const std::wstring& path) override {
        const auto file = files.find(path);
        if (file == files.end()) return std::nullopt;
        return file->second.bytes;
    }
    std::optional<std::string> readFileStart(const std::wstring& path, std::size_t count) override {
        auto bytes = readFile(path);
        if (bytes) bytes->resize(std::min(bytes->size(), count));
        return bytes;
    }
    SystemResult replaceFile(const std::wstring& path, std::string_view bytes) override {
        if (!folders.contains(parentOf(path))) return {Outcome::Failed, L"no folder"};
        files[path] = {std::string(bytes), clock.seconds(), true};
        return {};
    }
    SystemResult appendFile(const std::wstring& path, std::string_view bytes) override {
        if (!folders.contains(parentOf(path))) return {Outcome::Failed, L"no folder"};
        files[path].bytes += bytes;
        return {};
    }
    SystemResult renameFile(const std::wstring& from, const std::wstring& to) override {
        if (!files.contains(from) || files.contains(to)) return {Outcome::Failed, L"rename"};
        files[to] = files[from];
        files.erase(from);
        return {};
    }
    bool folderExists(const std::wstring& path) override { return folders.contains(path); }
    std::vector<std::wstring> subfolders(const std::wstring& path) override {
        std::vector<std::wstring> names;
        for (const std::wstring& folder : folders)
            if (parentOf(folder) == path) names.push_back(folder.substr(path.size() + (path.back() == L'\\' ? 0 : 1)));
        return names;
    }
    SystemResult createFolder(const std::wstring& path, backup::FolderAccess kind) override {
        for (std::wstring folder = path; !folder.empty(); folder = parentOf(folder)) folders.insert(folder);
        access[path] = kind;
        return {};
    }
    SystemResult setFolderAccess(const std::wstring& path, backup::FolderAccess kind) override {
        access[path] = kind;
        return {};
    }
    SystemResult removeTree(const std::wstring& path) override {
        std::erase_if(files, [&](const auto& file) { return file.first == path || file.first.starts_with(path + L"\\"); });
        std::erase_if(folders, [&](const std::wstring& folder) { return folder == path || folder.starts_with(path + L"\\"); });
        return {};
    }
    std::optional<std::uint64_t> freeSpace(const std::wstring&) override { return free; }

    backup::SnapshotResult takeSnapshot(const std::vector<std::wstring>& sources) override;
    ProgramRun run(const std::wstring& program, const std::wstring& arguments) override;
    SystemResult walk(const std::wstring& folder,
                      const std::function<void(const backup::FoundFile&)>& found) override {
        if (!folders.contains(folder)) return {Outcome::Failed, L"no folder"};
        for (const std::wstring& relative : filesBelow(folder)) {
            const File& file = files.at(folder + L"\\" + relative);
            found({relative, file.bytes.size(), file.writeTime, DateTime::fromSeconds(file.writeTime), file.archive});
        }
        return {};
    }
    backup::Comparison compareContents(const std::wstring& first, const std::wstring& second) override {
        const auto a = readFile(first), b = readFile(second);
        if (!a || !b) return backup::Comparison::Unreadable;
        return *a == *b ? backup::Comparison::Same : backup::Comparison::Different;
    }
    bool clearArchiveIfUnchanged(const std::wstring& path, std::uint64_t size, std::int64_t writeTime) override {
        const auto file = files.find(path);
        if (file == files.end() || file->second.bytes.size() != size || file->second.writeTime != writeTime)
            return false;
        file->second.archive = false;
        return true;
    }
    void reportEvent(backup::EventKind kind, const std::wstring& text) override { events.push_back({kind, text}); }

    std::optional<backup::FoundFile> fileInfo(const std::wstring& path) override {
        const auto file = files.find(path);
        if (file == files.end()) return std::nullopt;
        return backup::FoundFile{path.substr(path.find_last_of(L'\\') + 1), file->second.bytes.size(),
                                 file->second.writeTime, DateTime::fromSeconds(file->second.writeTime),
                                 file->second.archive};
    }
    backup::CopyResult copyFile(const std::wstring& from, const std::wstring& to,
                                const backup::CopyProgress& progress) override {
        const auto file = files.find(from);
        if (file == files.end()) return {backup::CopyOutcome::Failed, L"no file"};
        if (progress && !progress(file->second.bytes.size() / 2)) return {backup::CopyOutcome::Cancelled, {}};
        if (inUse.contains(to)) return {backup::CopyOutcome::InUse, L"in use"};
        const File copy = file->second;
        createFolder(parentOf(to), backup::FolderAccess::Inherited);
        files[to] = copy;
        copies.push_back(to);
        return {};
    }

    static std::wstring parentOf(const std::wstring& path) {
        const std::size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos || slash < 3) return slash == 2 && path.size() > 3 ? path.substr(0, 3) : L"";
        return path.substr(0, slash);
    }
};

}  // namespace lorvane::test
