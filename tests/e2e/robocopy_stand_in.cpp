// A stand-in for robocopy in the Wine journeys, whose own robocopy.exe is a stub:
// it really copies, for the switches the copy backup's run hands it, and ends
// with robocopy's exit codes (bits: 1 files copied, 8 some file not copied; 16
// a bad argument or an unreadable source). Any switch it does not know is refused
// with 16, so that a run changing its switches is noticed. A journey copies it
// into the prefix's system directory as robocopy.exe.
//
//   robocopy <source> <target> /E /COPY:DAT /DCOPY:T /XJ /B /R:n /W:n /NP [/NFL] [/NDL]
//            [/UNILOG+:<log>] [/A | /MAXAGE:YYYYMMDD] [/XD <folder>...]
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Options {
    std::wstring source, target, log;
    bool recurse = false;          // /E: every subfolder, empty ones included
    bool copyTimes = false;        // /COPY:DAT: data, attributes, times
    bool folderTimes = false;      // /DCOPY:T
    bool skipReparse = false;      // /XJ: junctions and links are not followed
    bool onlyArchive = false;      // /A: files whose archive bit is set, left set
    bool fileLines = true;         // off with /NFL
    bool folderLines = true;       // off with /NDL
    std::optional<ULONGLONG> oldest;  // /MAXAGE:YYYYMMDD: files written before its local midnight are left out
    std::vector<std::wstring> excluded;  // /XD: folders left out, by path or name
};

struct Totals {
    unsigned long long folders = 0, copied = 0, skipped = 0, failed = 0, bytes = 0;
};

std::vector<std::wstring> lines;  // what goes to the log (or the console)

bool startsWith(const std::wstring& text, const wchar_t* prefix, std::wstring* rest = nullptr) {
    const std::size_t n = std::wcslen(prefix);
    if (text.size() < n || _wcsnicmp(text.c_str(), prefix, n) != 0) return false;
    if (rest) *rest = text.substr(n);
    return true;
}

bool same(const std::wstring& a, const wchar_t* b) {
    return _wcsicmp(a.c_str(), b) == 0;
}

bool isNumber(const std::wstring& text) {
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (!std::iswdigit(c)) return false;
    return true;
}

ULONGLONG ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Local midnight of the day YYYYMMDD, as a file time.
std::optional<ULONGLONG> localMidnight(const std::wstring& date) {
    if (date.size() != 8 || !isNumber(date)) return std::nullopt;
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(std::stoi(date.substr(0, 4)));
    local.wMonth = static_cast<WORD>(std::stoi(date.substr(4, 2)));
    local.wDay = static_cast<WORD>(std::stoi(date.substr(6, 2)));
    SYSTEMTIME utc{};
    FILETIME time{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &time))
        return std::nullopt;
    return ticks(time);
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    std::wstring full = n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : path;
    if (full.size() > 3 && full.back() == L'\\') full.pop_back();
    return full;
}

// The options, or why they are refused.
std::optional<Options> parse(const std::vector<std::wstring>& args, std::wstring& refusal) {
    Options o;
    bool inExcluded = false;
    std::size_t paths = 0;
    for (const std::wstring& arg : args) {
        std::wstring value;
        if (arg.empty() || arg[0] != L'/') {
            if (inExcluded) {
                o.excluded.push_back(arg);
            } else if (paths < 2) {
                (paths++ == 0 ? o.source : o.target) = fullPath(arg);
            } else {
                refusal = L"file names after the folders are not known here: \"" + arg + L"\"";
                return std::nullopt;
            }
            continue;
        }
        inExcluded = false;
        if (same(arg, L"/E")) o.recurse = true;
        else if (same(arg, L"/COPY:DAT")) o.copyTimes = true;
        else if (same(arg, L"/DCOPY:T")) o.folderTimes = true;
        else if (same(arg, L"/XJ")) o.skipReparse = true;
        else if (same(arg, L"/B") || same(arg, L"/NP")) {
        } else if (same(arg, L"/NFL")) o.fileLines = false;
        else if (same(arg, L"/NDL")) o.folderLines = false;
        else if (same(arg, L"/A")) o.onlyArchive = true;
        else if (same(arg, L"/XD")) inExcluded = true;
        else if ((startsWith(arg, L"/R:", &value) || startsWith(arg, L"/W:", &value)) && isNumber(value)) {
        } else if (startsWith(arg, L"/UNILOG+:", &value) && !value.empty()) o.log = value;
        else if (startsWith(arg, L"/MAXAGE:", &value) && (o.oldest = localMidnight(value))) {
        } else {
            refusal = L"Invalid Parameter : \"" + arg + L"\"";
            return std::nullopt;
        }
    }
    if (paths < 2) {
        refusal = L"a source and a target folder are needed";
        return std::nullopt;
    }
    if (!o.copyTimes) {
        refusal = L"only /COPY:DAT is known here";
        return std::nullopt;
    }
    return o;
}

std::wstring errorText(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    return L"ERROR " + std::to_wstring(error) + L" " + message;
}

// Creates the folder and whatever parents it lacks.
bool createFolders(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    if (GetLastError() != ERROR_PATH_NOT_FOUND) return false;
    const std::size_t slash = path.find_last_of(L'\\');
    return slash != std::wstring::npos && slash > 2 && createFolders(path.substr(0, slash)) &&
           (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
}

bool setTimes(const std::wstring& path, const WIN32_FIND_DATAW& from, bool folder) {
    HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = SetFileTime(handle, &from.ftCreationTime, &from.ftLastAccessTime, &from.ftLastWriteTime);
    CloseHandle(handle);
    return ok;
}

bool excluded(const Options& o, const std::wstring& path, const std::wstring& name) {
    for (const std::wstring& x : o.excluded)
        if (_wcsicmp(fullPath(x).c_str(), path.c_str()) == 0 || _wcsicmp(x.c_str(), name.c_str()) == 0) return true;
    return false;
}

// Whether the target already holds the file as it is (robocopy leaves such a file alone).
bool unchanged(const std::wstring& target, const WIN32_FIND_DATAW& source) {
    WIN32_FILE_ATTRIBUTE_DATA there{};
    return GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &there) &&
           there.nFileSizeHigh == source.nFileSizeHigh && there.nFileSizeLow == source.nFileSizeLow &&
           ticks(there.ftLastWriteTime) == ticks(source.ftLastWriteTime);
}

void copyFile(const Options& o, const std::wstring& from, const std::wstring& to, const WIN32_FIND_DATAW& found,
              Totals& totals) {
    const ULONGLONG size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    if ((o.onlyArchive && !(found.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE)) ||
        (o.oldest && ticks(found.ftLastWriteTime) < *o.oldest) || unchanged(to, found)) {
        ++totals.skipped;
        return;
    }
    // A read-only or hidden copy from an earlier run would refuse to be replaced.
    if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE) ||
        !SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL) || !setTimes(to, found, false) ||
        !SetFileAttributesW(to.c_str(), found.dwFileAttributes)) {
        lines.push_back(errorText(GetLastError()) + L" Copying File " + from);
        ++totals.failed;
        return;
    }
    if (o.fileLines) lines.push_back(L"\t    New File  \t\t" + std::to_wstring(size) + L"\t" + found.cFileName);
    ++totals.copied;
    totals.bytes += size;
}

void copyFolder(const Options& o, const std::wstring& from, const std::wstring& to, Totals& totals) {
    if (!createFolders(to)) {
        lines.push_back(errorText(GetLastError()) + L" Creating Destination Directory " + to);
        ++totals.failed;
        return;
    }
    ++totals.folders;
    if (o.folderLines) lines.push_back(L"\t  New Dir \t" + from + L"\\");
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        lines.push_back(errorText(GetLastError()) + L" Scanning Source Directory " + from);
        ++totals.failed;
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (o.skipReparse && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        const std::wstring path = from + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (o.recurse && !excluded(o, path, name)) copyFolder(o, path, to + L"\\" + name, totals);
        } else {
            copyFile(o, path, to + L"\\" + name, found, totals);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    // Last, once the files written into it have changed its times.
    WIN32_FIND_DATAW self{};
    HANDLE folder = FindFirstFileW(from.c_str(), &self);
    if (o.folderTimes && folder != INVALID_HANDLE_VALUE) setTimes(to, self, true);
    if (folder != INVALID_HANDLE_VALUE) FindClose(folder);
}

void writeBytes(HANDLE handle, const void* bytes, std::size_t size) {
    DWORD written = 0;
    WriteFile(handle, bytes, static_cast<DWORD>(size), &written, nullptr);
}

// Appends the lines to the log in UTF-16LE, with a byte order mark only when it creates the file.
bool writeLog(const std::wstring& path) {
    HANDLE log = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return false;
    if (GetLastError() != ERROR_ALREADY_EXISTS) writeBytes(log, "\xFF\xFE", 2);
    for (const std::wstring& line : lines) {
        const std::wstring text = line + L"\r\n";
        writeBytes(log, text.data(), text.size() * sizeof(wchar_t));
    }
    CloseHandle(log);
    return true;
}

// Without a log, the lines go to the console in its code page, as robocopy's do.
void writeConsole(HANDLE handle) {
    for (const std::wstring& line : lines) {
        const std::wstring text = line + L"\r\n";
        const int n = WideCharToMultiByte(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_OEMCP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                            nullptr);
        writeBytes(handle, bytes.data(), bytes.size());
    }
}

std::wstring joined(const std::vector<std::wstring>& args) {
    std::wstring text;
    for (const std::wstring& arg : args) text += (text.empty() ? L"" : L" ") + arg;
    return text;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> args(argv + 1, argv + count);
    LocalFree(argv);

    std::wstring refusal;
    const std::optional<Options> options = parse(args, refusal);
    if (!options) {
        lines = {L"ROBOCOPY stand-in: " + refusal, L"  given: " + joined(args)};
        writeConsole(GetStdHandle(STD_ERROR_HANDLE));
        return 16;
    }
    lines = {L"-------------------------------------------------------------------------------",
             L"   ROBOCOPY stand-in     ::     the Wine journeys' copier",
             L"-------------------------------------------------------------------------------",
             L"   Source : " + options->source + L"\\", L"     Dest : " + options->target + L"\\",
             L"  Options : " + joined(args), L""};
    int code = 0;
    const DWORD attributes = GetFileAttributesW(options->source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        lines.push_back(errorText(attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY) +
                        L" Accessing Source Directory " + options->source + L"\\");
        code = 16;
    } else {
        Totals totals;
        copyFolder(*options, options->source, options->target, totals);
        lines.push_back(L"");
        lines.push_back(L"               Total    Copied   Skipped    FAILED");
        lines.push_back(L"   Files : " + std::to_wstring(totals.copied + totals.skipped + totals.failed) + L"  " +
                        std::to_wstring(totals.copied) + L"  " + std::to_wstring(totals.skipped) + L"  " +
                        std::to_wstring(totals.failed));
        lines.push_back(L"   Bytes : " + std::to_wstring(totals.bytes));
        code = (totals.copied > 0 ? 1 : 0) | (totals.failed > 0 ? 8 : 0);
    }
    if (options->log.empty()) {
        writeConsole(GetStdHandle(STD_OUTPUT_HANDLE));
    } else if (!writeLog(options->log)) {
        lines = {L"ROBOCOPY stand-in: " + errorText(GetLastError()) + L" opening the log " + options->log};
        writeConsole(GetStdHandle(STD_ERROR_HANDLE));
        return 16;
    }
    return code;
}
