// How fast the log viewer opens large logs, next to a stock rich edit control.
//
//     lorvane_logview_bench [--size MB] [--rich-size MB] [--keep] [folder]
//
// Writes a UTF-16LE and a Shift-JIS backup log of --size megabytes (default 100)
// and of --rich-size megabytes (default 4) into the folder (default: a new folder
// in the temporary directory), then measures each log in a fresh process:
//   viewer    the log viewer window: the file is chosen in its real open dialog;
//             time from the dialog closing to the first page painted, then Ctrl+End
//             until the last line is painted, and the peak working set;
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
#include <sstream>
#include <string>
#include <vector>

#include "app/forms.h"
#include "logview/show_log_form.h"
#include "toolkit/app.h"
#include "toolkit/testing.h"

namespace {

constexpr wchar_t kViewerTitle[] = L"Lorvane - ﾛｸﾞﾌｧｲﾙの確認";

double seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

double peakWorkingSetMB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1 << 20);
}

// ---- the logs ------------------------------------------------------------

std::wstring twoDigits(std::size_t n) {
    return (n < 10 ? L"0" : L"") + std::to_wstring(n);
}

// One line of a backup log that lists every file it copied.
std::wstring logLine(std::size_t i) {
    static const wchar_t* const folders[] = {L"経理", L"営業部", L"ﾃﾞｰﾀ", L"プロジェクト", L"写真", L"共有"};
    std::wstring number = std::to_wstring(i);
    number.insert(0, number.size() < 7 ? 7 - number.size() : 0, L'0');
    return L"2026/12/07 " + twoDigits(2 + i / 3600 % 20) + L":" + twoDigits(i / 60 % 60) + L":" +
           twoDigits(i % 60) + L"  C:\\DATA\\" + folders[i % 6] + L"\\資料_" + number + L".xlsx  " +
           std::to_wstring(i * 7919 % 10000000) + L" バイト  コピーしました\r\n";
}

void writeLog(const std::wstring& path, bool shiftJis, std::size_t bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(2);
    }
    std::size_t written = 0;
    const auto put = [&](const std::wstring& text) {
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

// Ctrl+End pressed in the window, then painted; returns the seconds it took.
double pressCtrlEnd(HWND hwnd) {
    SetFocus(hwnd);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    const double start = seconds();
    SendMessageW(hwnd, WM_KEYDOWN, VK_END, 1);
    UpdateWindow(hwnd);
    const double took = seconds() - start;
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    return took;
}

void report(double firstPage, double toEnd, HWND hwnd) {
    const auto top = SendMessageW(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0);
    const auto lines = SendMessageW(hwnd, EM_GETLINECOUNT, 0, 0);
    std::printf("%.1f %.1f %.1f %lld %lld\n", firstPage * 1000, toEnd * 1000, peakWorkingSetMB(),
                static_cast<long long>(top), static_cast<long long>(lines));
}

void measureViewer(const std::wstring& path) {
    tk::initialize();
    tk::testing::begin();  // the real open dialog, answered with the file as a user would pick it
    dialogWatch = SetWindowsHookExW(WH_CBT, watchDialog, nullptr, GetCurrentThreadId());
    tk::testing::chooseFile(path);
    lorvane::frmShowLog->Show();
    HWND form = FindWindowW(nullptr, kViewerTitle);
    HWND view = FindWindowExW(form, nullptr, L"LorvaneTextView", nullptr);
    UpdateWindow(view);
    const double firstPage = seconds() - dialogClosedAt;
    report(firstPage, pressCtrlEnd(view), view);
}

DWORD CALLBACK readFile(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    DWORD got = 0;
    const BOOL ok =
        ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(wanted), &got, nullptr);
    *given = static_cast<LONG>(got);
    return ok ? 0 : 1;
}

void measureRichEdit(const std::wstring& path) {
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
    report(firstPage, pressCtrlEnd(rich), rich);
}

// ---- the run ---------------------------------------------------------------

struct Result {
    bool ok = false;
    double firstMs = 0, endMs = 0, peakMB = 0;
    long long top = 0, lines = 0;
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
    result.ok = static_cast<bool>(in >> result.firstMs >> result.endMs >> result.peakMB >> result.top >>
                                  result.lines);
    return result;
}

void printRow(const char* kind, const char* encoding, double sizeMB, const Result& r) {
    if (!r.ok) {
        std::printf("%-9s %-10s %6.0f   (failed)\n", kind, encoding, sizeMB);
        return;
    }
    std::printf("%-9s %-10s %6.0f %12.0f %10.0f %9.0f %7.1f %10lld %10lld\n", kind, encoding, sizeMB,
                r.firstMs, r.endMs, r.peakMB, r.peakMB / sizeMB, r.top, r.lines);
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
    double bigMB = 100, smallMB = 4;
    bool keep = false;
    std::filesystem::path folder;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--size" && i + 1 < argc)
            bigMB = std::wcstod(argv[++i], nullptr);
        else if (arg == L"--rich-size" && i + 1 < argc)
            smallMB = std::wcstod(argv[++i], nullptr);
        else if (arg == L"--keep")
            keep = true;
        else
            folder = arg;
    }
    if (folder.empty()) folder = std::filesystem::temp_directory_path() / L"lorvane-logview-bench";
    std::filesystem::create_directories(folder);

    struct Log {
        const char* encoding;
        bool shiftJis;
        double sizeMB;
        std::wstring path;
    };
    std::vector<Log> logs;
    for (double size : {bigMB, smallMB})
        for (bool shiftJis : {false, true})
            logs.push_back({shiftJis ? "Shift-JIS" : "UTF-16LE", shiftJis, size,
                            (folder / (std::wstring(shiftJis ? L"sjis-" : L"utf16-") +
                                       std::to_wstring(static_cast<int>(size)) + L"mb.log"))
                                .wstring()});
    std::printf("Writing the logs into %ls ...\n", folder.c_str());
    for (const Log& log : logs)
        writeLog(log.path, log.shiftJis, static_cast<std::size_t>(log.sizeMB * (1 << 20)));

    std::printf("\n%-9s %-10s %6s %12s %10s %9s %7s %10s %10s\n", "shown by", "log", "MB", "first page ms",
                "Ctrl+End ms", "peak MB", "x file", "top line", "lines");
    std::vector<Result> viewer, rich;
    for (const Log& log : logs) {
        viewer.push_back(measure(L"viewer", log.path));
        printRow("viewer", log.encoding, log.sizeMB, viewer.back());
    }
    for (std::size_t i = 2; i < logs.size(); ++i) {
        rich.push_back(measure(L"richedit", logs[i].path));
        printRow("richedit", logs[i].encoding, logs[i].sizeMB, rich.back());
    }
    std::printf("\nOn the same %.0f MB log, rich edit / viewer:\n", smallMB);
    for (std::size_t i = 0; i < rich.size(); ++i) {
        const Result& v = viewer[i + 2];
        const Result& r = rich[i];
        if (!v.ok || !r.ok) continue;
        std::printf("  %-10s first page x%.0f, Ctrl+End x%.0f, peak memory x%.1f\n", logs[i + 2].encoding,
                    r.firstMs / std::max(v.firstMs, 0.1), r.endMs / std::max(v.endMs, 0.1),
                    r.peakMB / v.peakMB);
    }
    if (!keep)
        for (const Log& log : logs) DeleteFileW(log.path.c_str());
    if (!keep) RemoveDirectoryW(folder.c_str());
    return 0;
}
