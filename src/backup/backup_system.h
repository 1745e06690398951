// What a copy backup's run needs of the system: files and folders, their access,
// free space, shadow copies, robocopy and reg started and awaited, and the walks,
// comparisons and archive bits of the files a run copied. The platform library
// implements it for Win32 (platform/win32/win32_backup_system.cpp); unit tests
// use an in-memory one.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apply/system_access.h"
#include "core/datetime.h"

namespace lorvane::backup {

// A file a walk found. `relative` is its path below the walked folder
// ("sub\\file.txt"); the write time is the file system's own count (FILETIME).
struct FoundFile {
    std::wstring relative;
    std::uint64_t size = 0;
    std::int64_t writeTime = 0;
    DateTime written;      // the same, as local time
    bool archive = false;  // the archive attribute: changed since a backup cleared it
};

// The shadow copies taken for one run. Releasing the object releases them, on
// every path out of the run.
class Snapshot {
public:
    virtual ~Snapshot() = default;
    // Where the run reads the folder: the same folder inside the shadow copy of
    // its volume, or the live folder where its volume has none.
    virtual std::wstring readPath(const std::wstring& folder) const = 0;
};

struct SnapshotResult {
    std::unique_ptr<Snapshot> snapshot;  // never null: at worst it reads the live folders
    std::wstring failure;  // why some volume has no shadow copy (the system's reason); empty when all have one
};

// Who may use a folder the run creates.
enum class FolderAccess {
    Inherited,           // what its parent gives
    AdministratorsOnly,  // SYSTEM and Administrators only, nothing inherited (the registry's hives)
    Restricted,          // SYSTEM, Administrators and the creator of each file below, nothing inherited
};

enum class Comparison { Same, Different, Unreadable };

// The Application event log entry of a run, by its event ID (source kEventSource;
// docs/backup-sets.md gives the texts).
enum class EventKind { Success = 1000, Partial = 1001, Failed = 1002 };
enum class CopyOutcome { Copied, InUse, Cancelled, Failed };
struct CopyResult {
    CopyOutcome outcome = CopyOutcome::Copied;
    std::wstring description;  // the system's reason when not copied
};
// Told the bytes copied so far of one file; false cancels the copy.
using CopyProgress = std::function<bool(std::uint64_t copied)>;

class BackupSystem {
public:
    virtual ~BackupSystem() = default;

    virtual DateTime now() = 0;
    virtual std::wstring systemDirectory() = 0;
    // As SystemAccess::findProgram: the file cmd.exe would run for the name; empty when none.
    virtual std::wstring findProgram(const std::wstring& name) = 0;

    // A whole (small) file; nothing when it cannot be read or does not exist.
    virtual std::optional<std::string> readFile(const std::wstring& path) = 0;
    // At most the first `count` bytes of a file of any size; nothing as readFile.
    virtual std::optional<std::string> readFileStart(const std::wstring& path, std::size_t count) = 0;
    // As SystemAccess::replaceFile: the old content or the new, never a part.
    virtual SystemResult replaceFile(const std::wstring& path, std::string_view bytes) = 0;
    // Adds the bytes at the end of the file, creating it when it does not exist.
    virtual SystemResult appendFile(const std::wstring& path, std::string_view bytes) = 0;
    // Renames a file; fails when `to` exists.
    virtual SystemResult renameFile(const std::wstring& from, const std::wstring& to) = 0;

    virtual bool folderExists(const std::wstring& path) = 0;
    // The names of the folders directly inside the folder, in no particular order.
    virtual std::vector<std::wstring> subfolders(const std::wstring& path) = 0;
    // Creates the folder and any missing parents; the access is the new folder's own.
    virtual SystemResult createFolder(const std::wstring& path, FolderAccess access) = 0;
    // Gives an existing folder that access, replacing what it had.
    virtual SystemResult setFolderAccess(const std::wstring& path, FolderAccess access) = 0;
    // Removes the folder with everything in it, following no junction or link; a
    // file alone too. Ok when there is nothing at the path.
    virtual SystemResult removeTree(const std::wstring& path) = 0;
    // Bytes free for this account on the folder's volume; nothing when unknown.
    virtual std::optional<std::uint64_t> freeSpace(const std::wstring& path) = 0;

    // Shadow copies of the volumes that hold the folders, for the length of one run.
    virtual SnapshotResult takeSnapshot(const std::vector<std::wstring>& folders) = 0;

    // Starts the program (a full path) with a hidden window and waits for it to end,
    // however long that takes; its output is captured as text.
    virtual ProgramRun run(const std::wstring& program, const std::wstring& arguments) = 0;

    // Every file below the folder, in no particular order, never through a
    // junction or a symbolic link (a reparse point is left out with what it holds).
    // Fails only when the folder itself cannot be read.
    virtual SystemResult walk(const std::wstring& folder, const std::function<void(const FoundFile&)>& found) = 0;
    // Reads both files to their ends and compares them byte by byte.
    virtual Comparison compareContents(const std::wstring& first, const std::wstring& second) = 0;
    // Clears the archive attribute of the file, only when it still has this size and
    // write time, with no writer able to change it in between. False when it was not cleared.
    virtual bool clearArchiveIfUnchanged(const std::wstring& path, std::uint64_t size, std::int64_t writeTime) = 0;

    // Writes one entry into the Application event log under kEventSource
    // (apply/copy_commands.h), registered at apply; a log
    // that cannot be written changes nothing of the run.
    virtual void reportEvent(EventKind kind, const std::wstring& text) = 0;
    // The file's size and times; nothing when there is no such file.
    virtual std::optional<FoundFile> fileInfo(const std::wstring& path) = 0;
    // Copies the file with its attributes (read-only, hidden) and times to `to`,
    // creating the folders it lacks. A file already at `to` is replaced only once the
    // whole copy has arrived beside it, so that a copy cancelled or failed part way
    // leaves it as it was; one that a program holds open is InUse.
    virtual CopyResult copyFile(const std::wstring& from, const std::wstring& to, const CopyProgress& progress) = 0;
};

}  // namespace lorvane::backup
