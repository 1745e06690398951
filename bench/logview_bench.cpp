// How fast the log viewer opens large logs, next to a stock rich edit control.
//
//     lorvane_logview_bench [--size MB] [--rich-size MB] [--long-size MB] [--huge MB,MB] [--keep] [folder]
//
// Writes a UTF-16LE and a Shift-JIS backup log of --size megabytes (default 100)
// and of --rich-size megabytes (default 4) into the folder (default: a new folder
// in the temporary directory), and the awkward files a backup can leave: --size
// megabytes of nothing but LF, of CR LF and of UTF-16LE line breaks, and a log
// written without line breaks, of 10 and of --long-size megabytes (default 400);
// then Shift-JIS logs of the --huge sizes (default 2048 and 10240; 0: none),
// written out line by line, no sparse file.
// Then it measures each file in a fresh process:
//   viewer    the log viewer window: the file is chosen in its real open dialog;
//             time from the dialog closing to the first page painted, then each of
//             End, Home, Right, Shift+End and Ctrl+End until painted (while the
//             rest of the file is indexed), the time until it is all indexed,
//             Ctrl+End again, a find of an absent word from the top, the peak
//             working set, and how far it grew over the program before opening;
//   richedit  the same file streamed as text into a stock rich edit control in a
//             window of the same size: the same three figures.
// The rich edit control takes seconds per megabyte under Wine, so it gets the
// smaller logs; the viewer is measured on both, and the speed-up is given on the
// same file. The logs are deleted afterwards unless --keep is given.
#include <windows.h>
// after windows.h
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/forms.h"
#include "bench_log.h"
#include "logview/show_log_form.h"
#include "toolkit/app.h"
#include "toolkit/testing.h"

namespace {

using namespace bench;

double peakWorkingSetMB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1 << 20);
}

// ---- the logs ------------------------------------------------------------

// breaks false: a writer that never ended a line (spaces where the breaks were).
void writeLog(const std::wstring& path, bool shiftJis, std::size_t bytes, bool breaks = true) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(2);
    }
    std::size_t written = 0;
    const auto put = [&](std::wstring text) {
        if (!breaks)
            std::replace_if(
                text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
        std::string encoded;
        if (shiftJis) {
            const int size = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                                 0, nullptr, nullptr);
            encoded.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), encoded.data(), size,
                                nullptr, nullptr);
        } else {
            encoded.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
        }
        DWORD done = 0;
        WriteFile(file, encoded.data(), static_cast<DWORD>(encoded.size()), &done, nullptr);
        written += done;
    };
    if (!shiftJis) put(L"\xFEFF");
    put(L"バックアップ状態\r\n操作: バックアップ\r\nバックアップの種類: 差分\r\nログ ファイル: "
        L"C:\\WINNT\\tpbackup.log\r\n\r\n");
    std::wstring chunk;
    for (std::size_t i = 0; written + 200 < bytes; ++i) {
        chunk += logLine(i);
        if (chunk.size() >= (1 << 18) || written + chunk.size() * (shiftJis ? 1 : 2) + 200 >= bytes) {
            put(chunk);
            chunk.clear();
        }
    }
    put(L"\r\nバックアップが完了しました。\r\n最終行 (LAST LINE)");
    CloseHandle(file);
}

// A file made of one pattern repeated, after a head (a byte-order mark).
void writePattern(const std::wstring& path, const std::string& head, const std::string& pattern,
                  std::size_t bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(2);
    }
    std::string chunk;
    while (chunk.size() < (1u << 20)) chunk += pattern;
    DWORD done = 0;
    WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &done, nullptr);
    for (std::size_t written = head.size(); written < bytes;) {
        const std::size_t count = std::min(chunk.size(), bytes - written);
        WriteFile(file, chunk.data(), static_cast<DWORD>(count), &done, nullptr);
        written += count;
    }
    CloseHandle(file);
}

// ---- one measurement, in a process of its own -------------------------------

double dialogClosedAt = 0;
HHOOK dialogWatch = nullptr;

LRESULT CALLBACK watchDialog(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_DESTROYWND) {
        wchar_t name[16] = {};
        GetClassNameW(reinterpret_cast<HWND>(wp), name, 16);
        if (std::wcscmp(name, L"#32770") == 0) dialogClosedAt = seconds();
    }
    return CallNextHookEx(dialogWatch, code, wp, lp);
}

double workingSetMB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / (1 << 20);
}

// A key pressed in the window, then painted; returns the seconds it took.
double press(HWND hwnd, WPARAM key, bool ctrl = false, bool shift = false) {
    SetFocus(hwnd);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    const double start = seconds();
    SendMessageW(hwnd, WM_KEYDOWN, key, 1);
    UpdateWindow(hwnd);
    const double took = seconds() - start;
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    return took;
}

// What the viewer is asked beyond keys: to be let index the whole file (messages
// delivered until it has), and to find a word that is not there, from the top.
struct ViewerSteps {
    std::function<void()> waitIndexed;
    std::function<void()> findAbsent;
};

// The figures of one file on one line: first page, End, Home, Right, Shift+End,
// Ctrl+End (ms; while the file is still indexed), time until it is all indexed,
// Ctrl+End then, a find of an absent word (ms), peak and growth (MB), top line and
// lines after Ctrl+End, then Ctrl+A and Ctrl+C (ms). The rich edit control holds
// its whole text from the first page on; it is not asked to find or copy, which
// takes it minutes.
void report(double firstPage, HWND hwnd, double before, const ViewerSteps* viewer = nullptr) {
    const double end = press(hwnd, VK_END), home = press(hwnd, VK_HOME), right = press(hwnd, VK_RIGHT),
                 shiftEnd = press(hwnd, VK_END, false, true), ctrlEnd = press(hwnd, VK_END, true);
    double indexed = 0, lastEnd = ctrlEnd, find = 0;
    if (viewer) {
        const double start = seconds();
        viewer->waitIndexed();
        indexed = seconds() - start;
        lastEnd = press(hwnd, VK_END, true);
    }
    const auto top = SendMessageW(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0);
    const auto lines = SendMessageW(hwnd, EM_GETLINECOUNT, 0, 0);
    if (viewer) {
        press(hwnd, VK_HOME, true);
        const double start = seconds();
        viewer->findAbsent();
        find = seconds() - start;
    }
    const double peak = peakWorkingSetMB();
    // Everything copied, or the message that it is too much (answered at once).
    const double copy = viewer ? press(hwnd, 'A', true) + press(hwnd, 'C', true) : 0;
    std::printf("%.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %lld %lld %.1f\n", firstPage * 1000,
                end * 1000, home * 1000, right * 1000, shiftEnd * 1000, ctrlEnd * 1000, indexed * 1000,
                lastEnd * 1000, find * 1000, peak, peak - before, static_cast<long long>(top),
                static_cast<long long>(lines), copy * 1000);
}

void measureViewer(const std::wstring& path) {
    startAsTheProgram();
    const double before = workingSetMB();
    tk::testing::begin();  // the real open dialog, answered with the file as a user would pick it
    dialogWatch = SetWindowsHookExW(WH_CBT, watchDialog, nullptr, GetCurrentThreadId());
    tk::testing::chooseFile(path);
    lorvane::frmShowLog->Show();
    HWND form = FindWindowW(nullptr, kViewerTitle);
    HWND view = FindWindowExW(form, nullptr, L"TkTextView", nullptr);
    UpdateWindow(view);
    const double firstPage = seconds() - dialogClosedAt;
    tk::RichText& shown = lorvane::frmShowLog->rtfShowLog;
    const ViewerSteps steps{[&] {
                                while (shown.Indexing()) tk::DoEvents();
                            },
                            [&] { shown.Find(L"見つからない語", false, true); }};
    report(firstPage, view, before, &steps);
}

DWORD CALLBACK readFile(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    DWORD got = 0;
    const BOOL ok =
        ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(wanted), &got, nullptr);
    *given = static_cast<LONG>(got);
    return ok ? 0 : 1;
}

void measureRichEdit(const std::wstring& path) {
    const double before = workingSetMB();
    LoadLibraryW(L"msftedit.dll");
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"LorvaneBenchWindow";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"rich edit", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                  100, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
    RECT client;
    GetClientRect(window, &client);
    HWND rich =
        CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                            ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_DISABLENOSCROLL,
                        4, 4, client.right - 8, client.bottom - 8, window, nullptr, wc.hInstance, nullptr);
    SendMessageW(rich, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(rich, EM_SETTARGETDEVICE, 0, 1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
    format.yHeight = 9 * 20;
    format.bCharSet = SHIFTJIS_CHARSET;
    std::wcscpy(format.szFaceName, L"ＭＳ Ｐゴシック");
    SendMessageW(rich, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    UpdateWindow(window);

    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char bom[2] = {};
    DWORD got = 0;
    ReadFile(file, bom, 2, &got, nullptr);
    const bool unicode = got == 2 && bom[0] == '\xFF' && bom[1] == '\xFE';
    if (!unicode) SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(file), 0, readFile};
    const double start = seconds();
    SendMessageW(rich, EM_STREAMIN, unicode ? (SF_TEXT | SF_UNICODE) : SF_TEXT,
                 reinterpret_cast<LPARAM>(&stream));
    UpdateWindow(rich);
    const double firstPage = seconds() - start;
    CloseHandle(file);
    report(firstPage, rich, before);
}

// ---- the run ---------------------------------------------------------------

// "2048,10240" as sizes; "" or "0" as none.
std::vector<double> sizesOf(const wchar_t* list) {
    std::vector<double> sizes;
    for (const wchar_t* p = list; *p;) {
        wchar_t* end = nullptr;
        const double size = std::wcstod(p, &end);
        if (end == p) break;
        if (size > 0) sizes.push_back(size);
        p = *end == L',' ? end + 1 : end;
    }
    return sizes;
}

struct Result {
    bool ok = false;
    double firstMs = 0, endMs = 0, homeMs = 0, rightMs = 0, shiftEndMs = 0, ctrlEndMs = 0, indexedMs = 0,
           lastEndMs = 0, findMs = 0, peakMB = 0, grownMB = 0;
    long long top = 0, lines = 0;
    double copyMs = 0;
};

Result measure(const wchar_t* kind, const std::wstring& path) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --measure " + kind + L" \"" + path + L"\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    Result result;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return result;
    }
    CloseHandle(writeEnd);
    std::string output;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    std::istringstream in(output);
    result.ok = static_cast<bool>(in >> result.firstMs >> result.endMs >> result.homeMs >> result.rightMs >>
                                  result.shiftEndMs >> result.ctrlEndMs >> result.indexedMs >>
                                  result.lastEndMs >> result.findMs >> result.peakMB >> result.grownMB >>
                                  result.top >> result.lines >> result.copyMs);
    return result;
}

void printRow(const char* kind, const char* encoding, double sizeMB, const Result& r) {
    if (!r.ok) {
        std::printf("%-9s %-17s %5.0f   (failed)\n", kind, encoding, sizeMB);
        return;
    }
    std::printf(
        "%-9s %-17s %5.0f %6.0f %6.1f %6.1f %6.1f %6.1f %6.1f %7.0f %6.1f %6.0f %6.0f %6.0f %5.2f "
        "%10lld %10lld %6.0f\n",
        kind, encoding, sizeMB, r.firstMs, r.endMs, r.homeMs, r.rightMs, r.shiftEndMs, r.ctrlEndMs,
        r.indexedMs, r.lastEndMs, r.findMs, r.peakMB, r.grownMB, r.grownMB / sizeMB, r.top, r.lines,
        r.copyMs);
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--measure") == 0) {
        if (std::wcscmp(argv[2], L"viewer") == 0)
            measureViewer(argv[3]);
        else
            measureRichEdit(argv[3]);
        std::fflush(stdout);
        ExitProcess(0);  // the measured windows are not closed one by one
    }
    double bigMB = 100, smallMB = 4, longMB = 400;
    std::vector<double> hugeMB = {2048, 10240};
    bool keep = false;
    std::filesystem::path folder;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--size" && i + 1 < argc)
            bigMB = std::wcstod(argv[++i], nullptr);
        else if (arg == L"--rich-size" && i + 1 < argc)
            smallMB = std::wcstod(argv[++i], nullptr);
        else if (arg == L"--long-size" && i + 1 < argc)
            longMB = std::wcstod(argv[++i], nullptr);
        else if (arg == L"--huge" && i + 1 < argc)
            hugeMB = sizesOf(argv[++i]);
        else if (arg == L"--keep")
            keep = true;
        else
            folder = arg;
    }
    if (folder.empty()) folder = std::filesystem::temp_directory_path() / L"lorvane-logview-bench";
    std::filesystem::create_directories(folder);

    struct Log {
        const char* label;
        double sizeMB;
        std::wstring name;
        std::function<void(const std::wstring&, std::size_t)> write;
        std::wstring path;
    };
    const auto log = [](bool shiftJis, bool breaks) {
        return [=](const std::wstring& path, std::size_t bytes) { writeLog(path, shiftJis, bytes, breaks); };
    };
    const auto pattern = [](std::string head, std::string repeated) {
        return
            [=](const std::wstring& path, std::size_t bytes) { writePattern(path, head, repeated, bytes); };
    };
    const auto mb = [](double size) { return std::to_wstring(static_cast<int>(size)) + L"mb"; };
    std::vector<Log> logs = {
        {"UTF-16LE", bigMB, L"utf16-" + mb(bigMB), log(false, true), {}},
        {"Shift-JIS", bigMB, L"sjis-" + mb(bigMB), log(true, true), {}},
        {"UTF-16LE", smallMB, L"utf16-" + mb(smallMB), log(false, true), {}},
        {"Shift-JIS", smallMB, L"sjis-" + mb(smallMB), log(true, true), {}},
        {"bare LF", bigMB, L"lf-" + mb(bigMB), pattern("", "\n"), {}},
        {"bare CR LF", bigMB, L"crlf-" + mb(bigMB), pattern("", "\r\n"), {}},
        {"UTF-16LE breaks", bigMB, L"utf16-lf-" + mb(bigMB), pattern("\xFF\xFE", std::string("\n\0", 2)), {}},
        {"1 line Shift-JIS", 10, L"line-10mb", log(true, false), {}},
        {"1 line Shift-JIS", longMB, L"line-" + mb(longMB), log(true, false), {}},
    };
    for (const double size : hugeMB)
        logs.push_back({"Shift-JIS", size, L"sjis-" + mb(size), log(true, true), {}});
    std::printf("Writing the logs into %ls ...\n", folder.c_str());
    for (Log& l : logs) {
        l.path = (folder / (l.name + L".log")).wstring();
        l.write(l.path, static_cast<std::size_t>(l.sizeMB * (1 << 20)));
    }

    const char* const format =
        "%-9s %-17s %5s %6s %6s %6s %6s %6s %6s %7s %6s %6s %6s %6s %5s %10s %10s %6s\n";
    std::printf("\n");
    std::printf(format, "shown by", "file", "MB", "first", "End", "Home", "Right", "S+End", "C+End",
                "indexed", "C+End", "find", "peak", "grown", "xfile", "top line", "lines", "copy");
    std::printf(format, "", "", "", "ms", "ms", "ms", "ms", "ms", "ms", "ms", "ms", "ms", "MB", "MB", "", "",
                "", "ms");
    std::vector<Result> viewer, rich;
    for (const Log& l : logs) {
        viewer.push_back(measure(L"viewer", l.path));
        printRow("viewer", l.label, l.sizeMB, viewer.back());
    }
    for (std::size_t i = 2; i < 4; ++i) {
        rich.push_back(measure(L"richedit", logs[i].path));
        printRow("richedit", logs[i].label, logs[i].sizeMB, rich.back());
    }
    std::printf("\nOn the same %.0f MB log, rich edit / viewer:\n", smallMB);
    for (std::size_t i = 0; i < rich.size(); ++i) {
        const Result& v = viewer[i + 2];
        const Result& r = rich[i];
        if (!v.ok || !r.ok) continue;
        std::printf("  %-10s first page x%.0f, Ctrl+End x%.1f, peak memory x%.1f\n", logs[i + 2].label,
                    r.firstMs / std::max(v.firstMs, 0.1), r.ctrlEndMs / std::max(v.ctrlEndMs, 0.1),
                    r.peakMB / v.peakMB);
    }
    if (!keep)
        for (const Log& l : logs) DeleteFileW(l.path.c_str());
    if (!keep) RemoveDirectoryW(folder.c_str());
    return 0;
}
