// A restore through the window: sets laid down as a run leaves them (a normal, an
// incremental after it, a half-written one), the data changed and deleted since, the
// state restored into another folder and to the original place, and the drill.
#include <gtest/gtest.h>

#include <map>

#include "journey.h"

namespace e2e {
namespace {

inline const WindowQuery kRestoreWindow{L"TkForm", L"Lorvane - 復元"};
constexpr wchar_t kRestoreButton[] = L"復元(&S)";
const std::wstring kData = L"C:\\LVDATA", kSets = L"C:\\LVSETS", kOther = L"C:\\LVOUT";
const std::wstring kJobLog = L"C:\\LVSETS-job.log";
const std::wstring kNormal = L"2026-12-01_023000_normal", kIncremental = L"2026-12-02_023000_incremental",
                   kHalfWritten = L"2026-12-03_023000_incremental";

std::string utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

void makeFolders(const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

// A file written on an old day, as a set's copy is.
void writeOld(const std::wstring& path, const std::string& bytes, int day) {
    makeFolders(path.substr(0, path.find_last_of(L'\\')));
    writeFile(path, bytes);
    SYSTEMTIME t{2026, 12, 0, static_cast<WORD>(day), 1, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&t, &time);
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path + L"\\" + name);
            else {
                SetFileAttributesW((path + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW((path + L"\\" + name).c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

// Every file below the folder and its bytes.
std::map<std::wstring, std::string> tree(const std::wstring& folder, const std::wstring& below = L"") {
    std::map<std::wstring, std::string> files;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) files.merge(tree(folder + L"\\" + name, below + name + L"\\"));
        else files[below + name] = readFile(folder + L"\\" + name).value_or("?");
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return files;
}

std::wstring resultRecord(const std::wstring& set, const std::wstring& type, int files) {
    return L"format=1\r\nset=" + set + L"\r\ntype=" + type + L"\r\nstarted=2026-12-0" + set.substr(9, 1) +
           L"T02:30:00\r\nended=2026-12-0" + set.substr(9, 1) +
           L"T02:31:00\r\nresult=success\r\nexitcode=0\r\nsnapshot=yes\r\nfiles=" + std::to_wstring(files) +
           L"\r\nbytes=10\r\nfailed=0\r\nmismatches=0\r\nreason=\r\n";
}

// The prefix: a registered job whose destination holds the sets, the data as it is now.
struct Prefix {
    Restore job{systemDirectory() + L"\\tpbackup.ini"};
    Prefix() {
        for (const std::wstring& folder : {kData, kSets, kOther}) removeTree(folder);
        DeleteFileW(kJobLog.c_str());
        writeFile(systemDirectory() + L"\\tpbackup.ini",
                  utf16File(L"format=1\r\nfolder=" + kData + L"\r\ndestination=" + kSets + L"\r\nlog=" + kJobLog +
                            L"\r\n"));
        const std::wstring normal = kSets + L"\\" + kNormal, incremental = kSets + L"\\" + kIncremental;
        writeOld(normal + L"\\C\\LVDATA\\a.txt", "alpha", 1);
        writeOld(normal + L"\\C\\LVDATA\\sub\\b.txt", "beta", 1);

        writeFile(normal + L"\\result.ini", utf16File(resultRecord(kNormal, L"normal", 2)));
        writeOld(incremental + L"\\C\\LVDATA\\a.txt", "alpha 2", 2);
        writeOld(incremental + L"\\C\\LVDATA\\c.txt", "gamma", 2);
        writeOld(incremental + L"\\Registry\\SYSTEM.hiv", "regf", 2);
        writeFile(incremental + L"\\result.ini", utf16File(resultRecord(kIncremental, L"incremental", 2)));
        writeOld(kSets + L"\\" + kHalfWritten + L"\\C\\LVDATA\\a.txt", "alpha 3", 3);
        // Since the sets: a.txt changed, b.txt and c.txt deleted, new.txt made.
        makeFolders(kData + L"\\sub");
        writeFile(kData + L"\\a.txt", "alpha, newer");
        writeFile(kData + L"\\new.txt", "not in the backup");
    }
    ~Prefix() {
        for (const std::wstring& folder : {kData, kSets, kOther}) removeTree(folder);
        DeleteFileW(kJobLog.c_str());
    }
};

Window statusOf(const Window& window, const std::wstring& start) {
    for (const Window& label : window.children(L"Static"))
        if (label.title().starts_with(start)) return label;
    throw DriverError("no text starting with " + utf8(start) + " in " + window.describe());
}

std::wstring answerSummary(const Program& app, const std::wstring& start, const char* shot) {
    const MessageBoxWindow box = app.waitForMessageBox(kStepTimeout);
    const std::wstring text = box.text();
    if (shot) screenshot(box, shot);
    box.press(IDOK);
    app.waitUntilGone(box, "the report", kStepTimeout);
    EXPECT_TRUE(text.starts_with(start)) << utf8(text);
    return text;
}

TEST(Restore, TheStateOfASetComesBackIntoAnotherFolderAndToTheOriginalPlace) {
    const Prefix prefix;
    Program app;
    const Window menu = waitForMenu(app);
    const Window window = openFromMenu(app, menu, kRestoreButton, kRestoreWindow);
    const std::vector<Window> lists = window.children(L"ListBox");
    ASSERT_EQ(lists.size(), 2u);
    const Window sets = lists[0], files = lists[1];
    const std::vector<std::wstring> shown = sets.items();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[0].starts_with(L"2026-12-03 02:30:00  incremental  未完了")) << utf8(shown[0]);
    EXPECT_TRUE(shown[1].starts_with(L"2026-12-02 02:30:00  incremental  成功")) << utf8(shown[1]);

    // The half-written set says why it cannot be restored.
    sets.clickRow(0);
    app.settle(window);
    statusOf(window, L"ｾｯﾄ " + kHalfWritten);
    EXPECT_TRUE(files.items().empty());

    // The incremental's state: its normal's b.txt, its own a.txt and c.txt.
    sets.clickRow(1);
    app.settle(window);
    const std::vector<std::wstring> state = files.items();
    ASSERT_EQ(state.size(), 5u);
    EXPECT_EQ(state[0], L"C:\\LVDATA\\");
    EXPECT_EQ(state[1], L"C:\\LVDATA\\a.txt    " + kIncremental);
    statusOf(window, L"ﾚｼﾞｽﾄﾘ：SYSTEM.hiv");
    screenshot(window, "restore-window");

    files.clickRow(0);
    std::vector<Window> boxes = window.children(L"Edit");
    ASSERT_EQ(boxes.size(), 2u);
    boxes[1].type(kOther);
    window.child(L"Button", kRestoreButton).click();
    answerSummary(app, L"復元したﾌｧｲﾙ 3 / 3  失敗 0", "restore-done");
    const std::map<std::wstring, std::string> restored = tree(kOther);
    EXPECT_EQ(restored, (std::map<std::wstring, std::string>{{L"C\\LVDATA\\a.txt", "alpha 2"},
                                                             {L"C\\LVDATA\\c.txt", "gamma"},
                                                             {L"C\\LVDATA\\sub\\b.txt", "beta"}}));

    // To the original place: asked first, the newer a.txt named, new.txt left alone.
    window.child(L"Button", L"元の場所(&O)").click();
    window.child(L"Button", kRestoreButton).click();
    const MessageBoxWindow question = app.waitForMessageBox(kStepTimeout);
    EXPECT_NE(question.text().find(L"C:\\LVDATA\\a.txt  (今のﾌｧｲﾙの方が新しい)"), std::wstring::npos)
        << utf8(question.text());
    screenshot(question, "restore-question");
    question.press(IDYES);
    app.waitUntilGone(question, "the question", kStepTimeout);
    answerSummary(app, L"復元したﾌｧｲﾙ 3 / 3", nullptr);
    EXPECT_EQ(tree(kData), (std::map<std::wstring, std::string>{{L"a.txt", "alpha 2"},
                                                                {L"c.txt", "gamma"},
                                                                {L"new.txt", "not in the backup"},
                                                                {L"sub\\b.txt", "beta"}}));

    // The drill takes the newest set that can be restored and leaves no scratch folder.
    window.child(L"Button", L"復元の確認(&K)").click();
    answerSummary(app, L"復元の確認：成功  ｾｯﾄ " + kIncremental + L"  確認したﾌｧｲﾙ 3 / 3", nullptr);
    EXPECT_EQ(GetFileAttributesW((kSets + L"\\lorvane-drill").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::optional<std::string> log = readFile(kJobLog);
    ASSERT_TRUE(log);
    EXPECT_EQ(log->substr(0, 2), "\xFF\xFE");
    closeToMenu(app, window, L"閉じる(&C)");
}

}  // namespace
}  // namespace e2e
