// The system access for Win32.
#pragma once

#include <string>

#include "apply/system_access.h"

namespace lorvane {

class Win32SystemAccess final : public SystemAccess {
public:
    // Code page 0 stands for the OEM code page, the one cmd.exe reads batch files in.
    explicit Win32SystemAccess(unsigned codePage = 0) : codePage_(codePage) {}

    // A temporary file next to the target, flushed, then renamed over it.
    SystemResult replaceFile(const std::wstring& path, std::string_view bytes) override;
    std::optional<std::string> readSmallFile(const std::wstring& path) override;
    // CreateDirectoryW for the folder and each missing parent.
    SystemResult createFolder(const std::wstring& path) override;
    // The bytes of the module's own file, written as replaceFile writes.
    SystemResult copyThisProgram(const std::wstring& path) override;
    std::optional<std::string> toBatchCodePage(std::wstring_view text) override;
    // The system directory followed by \cmd.exe.
    std::wstring commandInterpreter() override;
    // DelayedExpansion of Software\Microsoft\Command Processor, on for the machine or the user.
    bool delayedExpansion() override;
    // GetFileAttributesW, without the system's box for a drive that has no medium.
    bool folderExists(const std::wstring& path) override;
    // SearchPathW over the system directory and the system's Path, once for each
    // extension of the system's PATHEXT.
    std::wstring findProgram(const std::wstring& name) override;
    // The output comes through a pipe and is read as text in the batch code page.
    // The program's windows are disabled while it waits, as under a modal box.
    ProgramRun runHidden(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workingDirectory, std::chrono::milliseconds timeout) override;
    // Compares the volume serial number and file index (GetFileInformationByHandle)
    // of `outer` with those of the full path of `inner` and of each of its ancestors.
    bool liesWithin(const std::wstring& inner, const std::wstring& outer) override;
    // GetDriveTypeW of the drive's root; a share is Network when its root answers, else Missing.
    DriveKind driveKind(const std::wstring& path) override;
    // HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\<name>: EventMessageFile
    // and TypesSupported (error, warning, information).
    SystemResult registerEventSource(const std::wstring& name, const std::wstring& messageFile) override;

private:
    unsigned codePage_;
};

}  // namespace lorvane
