// The system access for POSIX, for the native tests: real files, so that tests see the
// bytes that would land on disk, code page 932 for the batch files, and programs
// recorded instead of started; what cmd.exe would find and how it is set up, and
// how a started program answers, are whatever the test says.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "apply/system_access.h"

namespace lorvane {

class PosixSystemAccess final : public SystemAccess {
public:
    struct Started {
        std::wstring program, arguments, workingDirectory;
    };

    // Paths are Windows paths: backslashes are taken as separators, and a drive's
    // path lies below `driveFolders` when that is set. A file without
    // its owner's write permission counts as read-only and is not replaced.
    SystemResult replaceFile(const std::wstring& path, std::string_view bytes) override;
    std::optional<std::string> readSmallFile(const std::wstring& path) override;
    SystemResult createFolder(const std::wstring& path) override;
    // The bytes of `programImage`, as the copy of the exe.
    SystemResult copyThisProgram(const std::wstring& path) override { return replaceFile(path, programImage); }
    // Code page 932, refusing what it holds only as a best-fit substitute (U+00A5 ¥ is not a backslash).
    std::optional<std::string> toBatchCodePage(std::wstring_view text) override;
    std::wstring commandInterpreter() override { return interpreter; }
    bool delayedExpansion() override { return delayedExpansionOn; }
    // A Windows path names a folder when `folders` holds it (case and a trailing
    // backslash aside); a POSIX path (from "/") when the disk has it.
    bool folderExists(const std::wstring& path) override;
    // The name with ".exe" in the system directory, unless the test took it away.
    std::wstring findProgram(const std::wstring& name) override;
    // Records the program and the wait; nothing is executed, `answer` is the answer.
    ProgramRun runHidden(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workingDirectory, std::chrono::milliseconds timeout) override;

    // By the paths' text: the same folders, in any case of ASCII letters, with trailing
    // dots and blanks of each name ignored, as Windows reads them.
    bool liesWithin(const std::wstring& inner, const std::wstring& outer) override;
    // What `drives` says for the path's drive ("E:" or "\\server\share", any case); Local otherwise.
    DriveKind driveKind(const std::wstring& path) override;
    // Recorded in `eventSources` as "name=file".
    SystemResult registerEventSource(const std::wstring& name, const std::wstring& messageFile) override {
        eventSources.push_back(name + L"=" + messageFile);
        return {};
    }
    std::vector<std::wstring> eventSources;

    std::wstring interpreter = L"C:\\Windows\\System32\\cmd.exe";
    std::string programImage = "MZ lorvane.exe";
    std::string driveFolders;
    bool delayedExpansionOn = false;
    std::vector<std::wstring> missingPrograms;
    std::vector<std::wstring> folders = {L"C:\\", L"C:\\WINNT", L"C:\\WINDOWS", L"D:\\", L"E:\\"};
    ProgramRun answer{{}, true, 0, {}};
    std::vector<Started> started;
    std::vector<std::chrono::milliseconds> waits;
    std::map<std::wstring, DriveKind> drives;
};

}  // namespace lorvane
