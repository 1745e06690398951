#include "apply/copy_commands.h"

#include <initializer_list>

#include "apply/batch_text.h"

namespace lorvane {
namespace {

// The well-known accounts by number, so that the file works in every language of
// Windows: Administrators, SYSTEM, and whoever creates a file below.
constexpr const wchar_t* kRestrictedAccess =
    L" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F *S-1-3-0:(OI)(CI)(IO)F";

constexpr const wchar_t* kRegistryHives[][2] = {{L"HKLM\\SYSTEM", L"SYSTEM"},
                                                {L"HKLM\\SOFTWARE", L"SOFTWARE"},
                                                {L"HKLM\\SAM", L"SAM"},
                                                {L"HKLM\\SECURITY", L"SECURITY"},
                                                {L"HKU\\.DEFAULT", L"DEFAULT"}};

std::wstring withoutTrailingSeparators(std::wstring_view path) {
    std::wstring text(path);
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

// cmd's own escape for a text that echo writes unquoted.
std::wstring escapedForEcho(std::wstring_view text) {
    std::wstring result;
    for (wchar_t c : doublePercents(text)) {
        if (std::wstring_view(L"^&|<>").find(c) != std::wstring_view::npos) result += L'^';
        result += c;
    }
    return result;
}

// robocopy's file selection for the backup type: every file for normal and copy
// (and for no type at all); for the others the archive bit or the age.
const wchar_t* selection(Int16 backupMode, bool checking) {
    switch (backupMode) {
        case backupMode::Incremental: return checking ? L" /A" : L" /M";  // the checking pass must not reset the bits
        case backupMode::Differential: return L" /A";
        case backupMode::Daily: return L" /MAXAGE:1";
        default: return L"";
    }
}

}  // namespace

std::wstring copyTarget(std::wstring_view destination, std::wstring_view folder) {
    std::wstring rest;
    for (wchar_t c : withoutTrailingSeparators(trimBlanks(folder)))
        if (c != L':') rest += c;
    const std::size_t first = rest.find_first_not_of(L'\\');
    rest.erase(0, first == std::wstring::npos ? rest.size() : first);
    std::wstring target = withoutTrailingSeparators(trimBlanks(destination));
    return rest.empty() ? target : target + L"\\" + rest;
}

std::vector<std::wstring> BuildCopyCommands(const BackupRecord& backup) {
    const std::wstring log = quotedArgument(backup.LogFileName);
    const std::wstring destination = withoutTrailingSeparators(trimBlanks(backup.Destination));
    const std::wstring toLog = L" >>" + log + L" 2>&1";
    const std::wstring_view guide = trimBlanks(backup.Guide);
    // Errors and the summary only, or every file and folder as well.
    const std::wstring logDetail = backup.LogFileMode == logFileMode::ExceptionsOnly ? L" /NFL /NDL" : L"";
    const std::wstring retries = L" /R:2 /W:5 /NP" + logDetail + L" /LOG+:" + log;

    std::vector<std::wstring> lines = {L"@echo off", L"setlocal", L"set failed=0"};
    // Redirection first, so that a digit at the end of the description is not taken for a handle.
    lines.push_back(L">>" + log + L" echo %DATE% %TIME%" + (guide.empty() ? L"" : L" " + escapedForEcho(guide)));
    const std::wstring destinationArgument = quotedArgument(destination);
    lines.push_back(L"if not exist " + destinationArgument + L" mkdir " + destinationArgument);
    if (backup.Restriction == 1) {
        // Before the copies, so that every file copied inherits the restriction.
        lines.push_back(L"icacls " + destinationArgument + L" /reset" + toLog);
        lines.push_back(L"if errorlevel 1 set failed=1");
        lines.push_back(L"icacls " + destinationArgument + kRestrictedAccess + toLog);
        lines.push_back(L"if errorlevel 1 set failed=1");
    }
    const bool mirror = backup.WriteMode == writeMode::Replace;
    for (const std::wstring& folder : backup.BackupPath) {
        const std::wstring source = quotedArgument(folder);
        const std::wstring target = quotedArgument(copyTarget(backup.Destination, folder));
        lines.push_back(L"robocopy " + source + L" " + target + (mirror ? L" /MIR" : L" /E") +
                        selection(backup.BackupMode, false) + retries);
        // robocopy's codes below 8 say what it copied; 8 and more say that something failed.
        if (backup.BackupMode == backupMode::Normal) {
            // A normal backup marks every file as backed up, once the copy went well.
            lines.push_back(L"if not errorlevel 8 attrib -A " +
                            quotedArgument(withoutTrailingSeparators(trimBlanks(folder)) + L"\\*") + L" /S /D" +
                            toLog);
            lines.push_back(L"if errorlevel 1 set failed=1");
        } else {
            lines.push_back(L"if errorlevel 8 set failed=1");
        }
        if (backup.Verify == 1) {
            // Listing only: a file it would still copy (1) or a mismatch (4) did not
            // arrive; files that only the destination holds (2) are what append keeps.
            lines.push_back(L"robocopy " + source + L" " + target + L" /E /L" + selection(backup.BackupMode, true) +
                            retries);
            lines.push_back(L"if errorlevel 3 set failed=1");
            lines.push_back(L"if %errorlevel%==1 set failed=1");
        }
    }
    if (backup.RegBackup == 1) {
        const std::wstring registry = destination + L"\\Registry";
        lines.push_back(L"if not exist " + quotedArgument(registry) + L" mkdir " + quotedArgument(registry));
        for (const auto& [key, file] : kRegistryHives) {
            lines.push_back(L"reg save " + std::wstring(key) + L" " +
                            quotedArgument(registry + L"\\" + file + L".hiv") + L" /y" + toLog);
            lines.push_back(L"if errorlevel 1 set failed=1");
        }
    }
    lines.push_back(L"exit /b %failed%");
    return lines;
}

std::wstring BuildTaskCommand(const std::wstring& taskFile) {
    return L"schtasks /create /tn \"" + std::wstring(kTaskName) + L"\" /xml " + quotedArgument(taskFile) + L" /f";
}

}  // namespace lorvane
