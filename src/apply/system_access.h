// What the apply action needs of the operating system beyond the host: replacing
// a file whole, the code page that cmd.exe reads batch files in, how cmd.exe is
// set up and what it would find, whether a folder exists, and running a program with a hidden window.
// The platform library implements it for Win32 and POSIX; tests may install their own.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace lorvane {

enum class Outcome {
    Ok,
    NotWritable,  // the file or its folder may not be written: read-only, locked, access denied
    Failed,       // anything else; the description says what
};

struct SystemResult {
    Outcome outcome = Outcome::Ok;
    std::wstring description;  // the system's own text for Failed, in the user's language

    bool ok() const { return outcome == Outcome::Ok; }
};

// What kind of drive a path is on, as a scheduled job running as SYSTEM sees it.
enum class DriveKind {
    Missing,    // no such drive or share now
    Local,      // a fixed disk of this computer
    Removable,  // a disk that can be taken away: USB, card, optical
    Network,    // a share, or a drive letter mapped to one
};

// How a program run with runHidden went.
struct ProgramRun {
    SystemResult start;     // whether it could be started at all
    bool finished = false;  // false: still running when the wait ended; it is left running
    unsigned long exitCode = 0;
    std::wstring output;  // what it wrote to its standard output and error, as text
};

class SystemAccess {
public:
    virtual ~SystemAccess() = default;

    // Replaces the file at path (backslash-separated) with exactly these bytes.
    // The file then holds either its old content or the new one, never a part;
    // nothing else is left behind in its folder.
    virtual SystemResult replaceFile(const std::wstring& path, std::string_view bytes) = 0;

    // A small file's bytes (at most 1 MiB); nothing when it cannot be read.
    virtual std::optional<std::string> readSmallFile(const std::wstring& path) {
        (void)path;
        return std::nullopt;
    }

    // Creates the folder and any of its parents that are missing.
    virtual SystemResult createFolder(const std::wstring& path) = 0;

    // Replaces the file at path, as replaceFile does, with a copy of this program's own executable.
    virtual SystemResult copyThisProgram(const std::wstring& path) = 0;

    // The text in the code page that cmd.exe reads batch files in, or nothing when
    // a character of it has no exact equivalent there (no best-fit substitutes).
    virtual std::optional<std::string> toBatchCodePage(std::wstring_view text) = 0;

    // The full path of the system's command interpreter.
    virtual std::wstring commandInterpreter() = 0;

    // Whether cmd.exe expands !name! in the lines it runs (delayed expansion switched
    // on for the machine or the user).
    virtual bool delayedExpansion() = 0;

    // Whether the path names an existing folder; a drive's or a share's root is
    // given with its separator (Q:\, \\srv\share\). False for a file and for
    // anything that cannot be reached.
    virtual bool folderExists(const std::wstring& path) = 0;

    // The file that cmd.exe would run for this command name as a scheduled job
    // does: the system directory first, then the system's search path, with each
    // of the system's program extensions. Empty when there is none.
    virtual std::wstring findProgram(const std::wstring& name) = 0;

    // Starts the program (a full path, never looked up on a search path) with the
    // arguments, in the working directory, with its window hidden, its standard
    // output and error captured, and waits for it to end, at most `timeout`. While
    // it waits the program's windows are painted but take no input from the user.
    virtual ProgramRun runHidden(const std::wstring& program, const std::wstring& arguments,
                                 const std::wstring& workingDirectory, std::chrono::milliseconds timeout) = 0;

    // Whether the folder `inner` is the folder `outer` or lies somewhere inside it,
    // by what the file system takes as the same folder, not by how the paths are
    // written (trailing dots, short names, case, a share that leads back to this
    // disk). `inner` need not exist yet: its nearest existing ancestor counts.
    // False when `outer` does not exist.
    virtual bool liesWithin(const std::wstring& inner, const std::wstring& outer) = 0;

    // The kind of drive that the path (X:\... or \\server\share\...) is on.
    virtual DriveKind driveKind(const std::wstring& path) = 0;

    // Registers the Application event log's source `name`, whose entries' texts are
    // the message table of the file `messageFile` (a full path), replacing an earlier one.
    virtual SystemResult registerEventSource(const std::wstring& name, const std::wstring& messageFile) = 0;
};

SystemAccess& systemAccess();
// Installs the implementation; returns the one it replaces. The toolkit installs
// platformSystemAccess() (platform/platform_system_access.h) when it starts.
SystemAccess* setSystemAccess(SystemAccess* access);

}  // namespace lorvane
