// How fast the log viewer finds text in large logs.
//
//     lorvane_search_bench [--size MB] [--keep] [folder]
//
// Writes a Shift-JIS and a UTF-16LE backup log of --size megabytes (default 100)
// into the folder (default: a new folder in the temporary directory), then measures:
//   index     the log's lines all indexed, read from the file in pieces as the
//             viewer reads it;
//   search    the whole log searched, read the same way, for a text it does not
//             hold (Japanese; and an ASCII word in any case), down from the first byte;
//   F3        in the log viewer window, a search text found 1,000 lines further
//             with F3: from the key to the match selected and painted;
//   F5        in the log viewer window, the log grown by 1 MB, then F5: from the
//             key to the new last line painted.
// Every figure is the best of three runs. The logs are deleted afterwards unless
// --keep is given.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/forms.h"
#include "bench_log.h"
#include "logview/show_log_form.h"
#include "toolkit/app.h"
#include "toolkit/menu.h"
#include "toolkit/testing.h"
#include "toolkit/text_file.h"
#include "toolkit/text_search.h"

namespace {

using namespace bench;

double bestOfThree(const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double start = seconds();
        run();
        best = std::min(best, seconds() - start);
    }
    return best;
}

std::string encoded(const std::wstring& text, bool shiftJis) {
    if (!shiftJis)
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    const int size =
        WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

// Lines from `first` on, until the file holds `bytes`; returns the next line's number.
std::size_t appendLog(const std::wstring& path, bool shiftJis, std::size_t first, std::size_t bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(2);
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::size_t written = static_cast<std::size_t>(size.QuadPart);
    const auto put = [&](const std::wstring& text) {
        const std::string bytes = encoded(text, shiftJis);
        DWORD done = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        written += done;
    };
    if (written == 0) {
        if (!shiftJis) put(L"\xFEFF");
        put(L"バックアップ状態\r\n操作: バックアップ\r\n\r\n");
    }
    std::wstring chunk;
    std::size_t i = first;
    for (; written + chunk.size() * (shiftJis ? 1 : 2) < bytes; ++i) {
        chunk += logLine(i);
        if (chunk.size() >= (1 << 18)) {
            put(chunk);
            chunk.clear();
        }
    }
    put(chunk);
    CloseHandle(file);
    return i;
}

tk::TextBytes openLog(const std::wstring& path) {
    std::optional<tk::TextBytes> bytes = tk::TextBytes::open(path, nullptr);
    if (!bytes) {
        std::fprintf(stderr, "cannot read %ls\n", path.c_str());
        std::exit(2);
    }
    return std::move(*bytes);
}

// ---- the rows ----------------------------------------------------------------

void indexRow(const char* name, const std::wstring& path) {
    std::uint64_t lines = 0;
    const double took = bestOfThree([&] { lines = tk::TextFile(openLog(path)).lineCount(); });
    std::printf("%-44s %8.0f ms   (%llu lines)\n", name, took * 1000, static_cast<unsigned long long>(lines));
    std::fflush(stdout);
}

void searchRow(const char* name, const std::wstring& path, const std::wstring& needle, bool matchCase) {
    const tk::TextBytes bytes = openLog(path);
    const tk::TextSearch search(needle, tk::TextFile(bytes, 0).format(), matchCase);
    tk::SearchResult result;
    const double took = bestOfThree([&] { result = search.find(bytes, 0, true); });
    std::printf("%-44s %8.0f ms   %s\n", name, took * 1000,
                result.outcome == tk::SearchOutcome::NotFound ? "not found, as it should be" : "FOUND?");
    std::fflush(stdout);
}

HWND viewerView() {
    HWND form = FindWindowW(nullptr, kViewerTitle);
    return FindWindowExW(form, nullptr, L"TkTextView", nullptr);
}

// A shortcut pressed in the viewer, as the message loop passes it on, and the
// window painted; returns the seconds it took.
double pressKey(tk::Shortcut shortcut) {
    const double start = seconds();
    tk::user::press(*lorvane::frmShowLog, shortcut);
    UpdateWindow(FindWindowW(nullptr, kViewerTitle));
    UpdateWindow(viewerView());
    return seconds() - start;
}

void viewerRows(const std::wstring& path, bool shiftJis, std::size_t nextLine) {
    tk::testing::chooseFile(path);
    lorvane::frmShowLog->Show();
    auto& viewer = *lorvane::frmShowLog;
    HWND view = viewerView();
    UpdateWindow(view);
    while (viewer.rtfShowLog.Indexing()) tk::DoEvents();

    // Every line names its own file number: each search finds the line 1,000 further on.
    double f3 = 1e9;
    for (int i = 1; i <= 3; ++i) {
        std::wstring number = std::to_wstring(i * 1000);
        number.insert(0, 7 - number.size(), L'0');
        viewer.dlgFind.FindWhat = L"資料_" + number;
        viewer.mnuSerachNext.Enabled(true);
        f3 = std::min(f3, pressKey(tk::Shortcut::F3));
    }
    const auto top = SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0);
    std::printf("%-44s %8.0f ms   (top line %lld)\n", "F3 to a match 1,000 lines further", f3 * 1000,
                static_cast<long long>(top));

    // Shown at its end, the log grows by a megabyte and F5 shows the new end.
    SendMessageW(view, WM_KEYDOWN, VK_END, 1);  // Ctrl is not down: End of the line
    double f5 = 1e9;
    for (int i = 0; i < 3; ++i) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(view, WM_KEYDOWN, VK_END, 1);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        nextLine = appendLog(path, shiftJis, nextLine, static_cast<std::size_t>(size) + (1 << 20));
        f5 = std::min(f5, pressKey(tk::Shortcut::F5));
    }
    const auto lines = SendMessageW(view, EM_GETLINECOUNT, 0, 0);
    const auto lastTop = SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0);
    std::printf("%-44s %8.0f ms   (top line %lld of %lld)\n", "F5 after the log grew by 1 MB", f5 * 1000,
                static_cast<long long>(lastTop), static_cast<long long>(lines));
    std::fflush(stdout);
    viewer.Unload();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    double sizeMB = 100;
    bool keep = false;
    std::filesystem::path folder;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--size" && i + 1 < argc)
            sizeMB = std::wcstod(argv[++i], nullptr);
        else if (arg == L"--keep")
            keep = true;
        else
            folder = arg;
    }
    if (folder.empty()) folder = std::filesystem::temp_directory_path() / L"lorvane-search-bench";
    std::filesystem::create_directories(folder);
    const auto bytes = static_cast<std::size_t>(sizeMB * (1 << 20));
    const std::wstring sjisPath = (folder / L"sjis.log").wstring(),
                       utf16Path = (folder / L"utf16.log").wstring();
    DeleteFileW(sjisPath.c_str());
    DeleteFileW(utf16Path.c_str());
    std::printf("Writing %.0f MB logs into %ls ...\n\n", sizeMB, folder.c_str());
    const std::size_t sjisLines = appendLog(sjisPath, true, 0, bytes);
    const std::size_t utf16Lines = appendLog(utf16Path, false, 0, bytes);

    startAsTheProgram();
    indexRow("Shift-JIS, every line indexed", sjisPath);
    indexRow("UTF-16LE, every line indexed", utf16Path);
    searchRow("Shift-JIS, Japanese text absent", sjisPath, L"バックアップに失敗しました", true);
    searchRow("UTF-16LE, Japanese text absent", utf16Path, L"バックアップに失敗しました", true);
    searchRow("Shift-JIS, ASCII word absent, any case", sjisPath, L"Skipped", false);
    searchRow("UTF-16LE, ASCII word absent, any case", utf16Path, L"Skipped", false);
    tk::testing::begin();  // the real windows; the open dialog answered with the log
    viewerRows(sjisPath, true, sjisLines);
    viewerRows(utf16Path, false, utf16Lines);

    if (!keep) {
        DeleteFileW(sjisPath.c_str());
        DeleteFileW(utf16Path.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    return 0;
}
