// The copy backup through its sets, where Windows has no ntbackup: applied through
// the windows (the backup settings ask for the destination, Wine's own schtasks
// takes the task file), then run as the Task Scheduler runs it (cmd.exe /c tpbackup.cmd) over
// real files in C:\DATA, with the stand-in robocopy in place of Wine's stub. Each
// run leaves a set below the destination with its files, its log and its result
// record, and one entry in the job's log; 上書き removes the earlier sets only once
// its own set has succeeded; a destination without its mark gets nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <regex>

#include "journey.h"

namespace e2e {
namespace {

const std::wstring kData = L"C:\\DATA";
const std::wstring kDestination = L"C:\\BACKUP";
const std::wstring kMark = kDestination + L"\\lorvane-destination.ini";

using Files = std::map<std::wstring, std::string>;  // path below the folder → contents

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName, child = path + L"\\" + name;
            if (name == L"." || name == L"..") continue;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

// A folder of the journey's own: empty at the start, removed with all in it at the end.
class OwnFolder {
public:
    explicit OwnFolder(std::wstring path) : path_(std::move(path)) {
        removeTree(path_);
        if (!CreateDirectoryW(path_.c_str(), nullptr)) throw DriverError("cannot create " + utf8(path_));
    }
    ~OwnFolder() { removeTree(path_); }
    OwnFolder(const OwnFolder&) = delete;
    OwnFolder& operator=(const OwnFolder&) = delete;

private:
    std::wstring path_;
};

void writeData(Files& data, const std::wstring& relative, const std::string& bytes, DWORD attributes = 0) {
    const std::wstring path = kData + L"\\" + relative;
    for (std::size_t slash = relative.find(L'\\'); slash != std::wstring::npos; slash = relative.find(L'\\', slash + 1))
        CreateDirectoryW((kData + L"\\" + relative.substr(0, slash)).c_str(), nullptr);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    writeFile(path, bytes);
    if (attributes) SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_ARCHIVE);
    data[relative] = bytes;
}

// Every file below the folder with its contents.
Files filesBelow(const std::wstring& folder, const std::wstring& prefix = {}) {
    Files files;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files.merge(filesBelow(folder + L"\\" + name, prefix + name + L"\\"));
        } else {
            files[prefix + name] = readFile(folder + L"\\" + name).value_or("(unreadable)");
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
}

// The names directly inside the folder, sorted (so sets come oldest first).
std::vector<std::wstring> entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> sets() {
    std::vector<std::wstring> names = entries(kDestination);
    std::erase(names, L"lorvane-destination.ini");
    return names;
}

// A UTF-16LE file's text; empty when it is missing or has no byte order mark.
std::wstring unicodeText(const std::optional<std::string>& bytes) {
    if (!bytes || bytes->size() < 2 || bytes->substr(0, 2) != "\xFF\xFE") return {};
    std::wstring text((bytes->size() - 2) / 2, L'\0');
    std::memcpy(text.data(), bytes->data() + 2, text.size() * 2);
    return text;
}

std::size_t occurrences(const std::wstring& text, const std::wstring& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// result.ini, UTF-16LE: its keys and values.
std::map<std::string, std::string> resultRecord(const std::wstring& set) {
    std::map<std::string, std::string> keys;
    const std::wstring text = unicodeText(readFile(kDestination + L"\\" + set + L"\\result.ini"));
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        if (const std::size_t equals = line.find(L'='); equals != std::wstring::npos)
            keys[utf8(line.substr(0, equals))] = utf8(line.substr(equals + 1));
    }
    return keys;
}

std::uint64_t bytesOf(const Files& files) {
    std::uint64_t total = 0;
    for (const auto& [name, bytes] : files) total += bytes.size();
    return total;
}

// Gives the file a last write time `days` before now.
void writtenDaysAgo(const std::wstring& path, int days) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 60 * 60 * 10'000'000;
    const FILETIME then{time.LowPart, time.HighPart};
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool set = file != INVALID_HANDLE_VALUE && SetFileTime(file, nullptr, nullptr, &then);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!set) throw DriverError("cannot set the write time of " + utf8(path));
}

bool archiveBit(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_ARCHIVE;
}

// Wine's file system keeps no archive bit: it reports it set on every file,
// whatever clears it. There the incrementals hold every file and the normal's
// clearing cannot be seen; Windows shows both.
bool archiveBitsKept() {
    const std::wstring probe = kData + L"\\archive-probe";
    writeFile(probe, "");
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool kept = !archiveBit(probe);
    DeleteFileW(probe.c_str());
    return kept;
}

// The journey's expectations of one set.
void expectSet(const std::wstring& set, const char* type, const Files& files, const char* result = "success") {
    SCOPED_TRACE("the set " + utf8(set));
    EXPECT_TRUE(std::regex_match(utf8(set), std::regex(R"(\d{4}-\d\d-\d\d_\d{6}_)" + std::string(type))));
    const std::wstring folder = kDestination + L"\\" + set;
    EXPECT_EQ(entries(folder), (std::vector<std::wstring>{L"C", L"backup.log", L"result.ini"}));
    EXPECT_EQ(filesBelow(folder + L"\\C\\DATA"), files);
    const std::wstring log = unicodeText(readFile(folder + L"\\backup.log"));
    EXPECT_NE(log.find(RobocopyStandIn::kLogHeading), std::wstring::npos)
        << "backup.log holds no log of the stand-in robocopy in UTF-16LE (did Wine run its stub?)";
    const auto record = resultRecord(set);
    EXPECT_EQ(record.count("format") ? record.at("format") : "", "1");
    EXPECT_EQ(record.count("set") ? record.at("set") : "", utf8(set));
    EXPECT_EQ(record.count("type") ? record.at("type") : "", type);
    EXPECT_EQ(record.count("result") ? record.at("result") : "", result);
    EXPECT_EQ(record.count("snapshot") ? record.at("snapshot") : "", "no");  // Wine has no shadow copies
    EXPECT_EQ(record.count("files") ? record.at("files") : "", std::to_string(files.size()));
    EXPECT_EQ(record.count("bytes") ? record.at("bytes") : "", std::to_string(bytesOf(files)));
}

// Set names count seconds: each run starts in a second of its own.
void waitForNextSecond() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    pause(milliseconds(1050 - now.wMilliseconds));
}

class Job {
public:
    // The job as the Task Scheduler starts it; returns the exit code it leaves as the task's last result.
    DWORD run() const {
        waitForNextSecond();
        const std::wstring before = unicodeText(readFile(log_));
        Program run(systemDirectory() + L"\\cmd.exe", L"/c \"" + commandFile_ + L"\"");
        const DWORD code = run.waitForExit(60s);
        lastEntry_ = unicodeText(readFile(log_));
        if (lastEntry_.substr(0, before.size()) != before)
            ADD_FAILURE() << "the job's log was not added to, but rewritten";
        else
            lastEntry_.erase(0, before.size());
        return code;
    }
    // What the run added to the job's log.
    const std::wstring& lastEntry() const { return lastEntry_; }

private:
    const std::wstring commandFile_ = systemDirectory() + L"\\tpbackup.cmd";
    const std::wstring log_ = windowsDirectory() + L"\\tpbackup.log";
    mutable std::wstring lastEntry_;
};

// The run's entry in the job's log: one line that names its set ("-" for none) and then its result.
void expectEntry(const Job& job, const std::wstring& set, const std::wstring& result) {
    const std::wstring& entry = job.lastEntry();
    EXPECT_EQ(occurrences(entry, L"\r\n"), 1u) << utf8(entry);
    EXPECT_EQ(entry.substr(entry.size() < 2 ? 0 : entry.size() - 2), L"\r\n") << utf8(entry);
    EXPECT_NE(entry.find((set.empty() ? L"-" : set) + L"  " + result), std::wstring::npos) << utf8(entry);
    if (!set.empty()) {
        EXPECT_EQ(occurrences(entry, set), 1u) << utf8(entry);
    }
}

void apply(const Program& app, const Window& menu) {
    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDYES);
    answerMessage(app, kApplyDone, {IDOK}, IDOK);
}

// The backup settings again: another type, write mode and number of full sets kept, then apply.
Window applyAgain(const Program& app, const Window& menu, const wchar_t* type, const wchar_t* writeMode,
                  const wchar_t* keep = L"0") {
    const Window backup = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    backup.children(L"ComboBox").at(0).chooseWithArrowKeys(type);
    backup.child(L"TkFrame", L"書き込みモード").child(L"Button", writeMode).click();
    // The 保存先 frame's second box: 保存する完全ﾊﾞｯｸｱｯﾌﾟの数.
    backup.child(L"TkFrame", L"保存先").children(L"Edit").at(1).type(keep);
    app.settle(backup);
    const Window back = closeToMenu(app, backup, L"OK");
    apply(app, back);
    return back;
}

// The system directory's files of the copy path, and the journey's folders, kept as they were.
struct CopyPrefix {
    GeneratedFiles files;
    const std::wstring system = systemDirectory();
    Restore jobFile{system + L"\\tpbackup.ini"}, taskFile{system + L"\\tpbackup.xml"},
        programFolder{system + L"\\Lorvane"}, program{system + L"\\Lorvane\\lorvane.exe"},
        snapshotLinks{system + L"\\Lorvane\\snapshots"},
        tasks{system + L"\\Tasks\\Lorvane"}, task{system + L"\\Tasks\\Lorvane\\tpbackup"},
        log{windowsDirectory() + L"\\tpbackup.log"}, oldLog{windowsDirectory() + L"\\tpbackup.log.old"};
    RobocopyStandIn robocopy;
    OwnFolder data{kData}, destination{kDestination};
};

TEST(CopyBackupSets, KeepEachRunsSetReplaceRemovesTheEarlierOnlyAfterItsOwnSucceeded) {
    const CopyPrefix prefix;
    Files data;
    writeData(data, L"a.txt", "the first a\r\n");
    writeData(data, L"sub\\b.txt", "b");
    writeData(data, L"sub\\deep\\read-only.txt", "kept read-only", FILE_ATTRIBUTE_READONLY);
    writeData(data, L"desktop.ini", "[.ShellClassInfo]\r\n", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    writeData(data, L"café.txt", "a name outside the code page");
    const bool bitsKept = archiveBitsKept();
    const Job job;

    // Applied as a normal backup into C:\BACKUP; the program stays open while the job runs.
    Program app;
    Window menu = chooseTypicalSettings(app, false, [&](const Window& backup) {
        backup.children(L"ComboBox").at(0).chooseWithArrowKeys(L"normal");
        app.settle(backup);
        screenshot(backup, "backup-settings-copy");
        backup.child(L"Button", L"OK").click();
        answerMessage(app, L"保存先が設定されていません。", {IDOK}, IDOK, "backup-settings-no-destination");
        backup.child(L"TkFrame", L"保存先").children(L"Edit").at(0).type(kDestination);
    });
    apply(app, menu);
    const std::wstring system = systemDirectory(), jobFile = system + L"\\tpbackup.ini",
                       taskFile = system + L"\\tpbackup.xml";
    EXPECT_EQ(readFile(prefix.files.commandFile), "@echo off\r\n\"" + utf8(system) + "\\Lorvane\\lorvane.exe\" /backup \"" +
                                                      utf8(jobFile) + "\"\r\nexit /b %errorlevel%\r\n");
    EXPECT_EQ(readFile(prefix.files.batchFile),
              "schtasks /create /tn \"Lorvane\\tpbackup\" /xml \"" + utf8(taskFile) + "\" /f\r\n");
    EXPECT_TRUE(readFile(system + L"\\Lorvane\\lorvane.exe") == readFile(programPath()))
        << "the system directory's Lorvane\\lorvane.exe is not the program applied";
    ASSERT_EQ(readFile(jobFile).value_or("").substr(0, 2), "\xFF\xFE");
    const std::wstring mark = unicodeText(readFile(kMark));
    EXPECT_NE(mark.find(L"job=Lorvane\\tpbackup"), std::wstring::npos) << utf8(mark);
    for (const auto& [file, name] : {std::pair{prefix.files.commandFile, "copy-tpbackup.cmd"},
                                     std::pair{taskFile, "copy-tpbackup.xml"}, std::pair{jobFile, "copy-tpbackup.ini"}})
        keepCopy(file, name);

    // 1. The normal: every file, and (where the file system keeps the bit) every archive bit cleared.
    EXPECT_EQ(job.run(), 0u);
    ASSERT_EQ(sets().size(), 1u);
    const std::wstring normal = sets()[0];
    const Files normalFiles = data;
    expectSet(normal, "normal", normalFiles);
    expectEntry(job, normal, L"成功");
    if (bitsKept) {
        for (const auto& [name, bytes] : data) EXPECT_FALSE(archiveBit(kData + L"\\" + name)) << utf8(name);
    }
    keepCopy(kDestination + L"\\" + normal + L"\\result.ini", "copy-result.ini");
    keepCopy(kDestination + L"\\" + normal + L"\\backup.log", "copy-backup.log");

    // 2. One file changed, one added, applied as incremental: the set holds those two.
    menu = applyAgain(app, menu, L"incremental", L"追加");
    Files changed;
    writeData(changed, L"a.txt", "the second a, longer\r\n");
    writeData(changed, L"new.txt", "new");
    data.insert_or_assign(L"a.txt", changed[L"a.txt"]);
    data.insert_or_assign(L"new.txt", changed[L"new.txt"]);
    EXPECT_EQ(job.run(), 0u);
    ASSERT_EQ(sets().size(), 2u);
    const std::wstring first = sets()[1];
    expectSet(first, "incremental", bitsKept ? changed : data);
    expectEntry(job, first, L"成功");

    // 3. Another incremental: only what changed since the first.
    Files changedAgain;
    writeData(changedAgain, L"sub\\b.txt", "b, changed");
    data.insert_or_assign(L"sub\\b.txt", changedAgain[L"sub\\b.txt"]);
    EXPECT_EQ(job.run(), 0u);
    ASSERT_EQ(sets().size(), 3u);
    const std::wstring second = sets()[2];
    expectSet(second, "incremental", bitsKept ? changedAgain : data);
    expectEntry(job, second, L"成功");
    // The earlier sets are as they were.
    expectSet(normal, "normal", normalFiles);

    // 4. Daily: the files written on the day of the run; one last written two days ago is left out.
    menu = applyAgain(app, menu, L"daily", L"追加");
    writtenDaysAgo(kData + L"\\a.txt", 2);
    EXPECT_EQ(job.run(), 0u);
    ASSERT_EQ(sets().size(), 4u);
    const std::wstring daily = sets()[3];
    Files writtenToday = data;
    writtenToday.erase(L"a.txt");
    expectSet(daily, "daily", writtenToday);
    expectEntry(job, daily, L"成功");

    // 5. The destination without its mark (another disk on the letter): the run fails at once and writes nothing.
    const std::string markBytes = readFile(kMark).value_or("");
    ASSERT_TRUE(DeleteFileW(kMark.c_str()));
    const std::vector<std::wstring> unmarked = entries(kDestination);
    EXPECT_EQ(job.run(), 2u);
    EXPECT_EQ(entries(kDestination), unmarked) << "the destination without its mark was written to";
    expectEntry(job, L"", L"失敗");

    // 6. 上書き, normal, and apply marks the destination again. A file held open cannot be
    // copied: the set is partial, and every earlier set stays.
    menu = applyAgain(app, menu, L"normal", L"上書き");
    EXPECT_EQ(readFile(kMark), markBytes);
    {
        HANDLE held = CreateFileW((kData + L"\\sub\\b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const DWORD code = job.run();
        CloseHandle(held);
        EXPECT_EQ(code, 1u);
    }
    ASSERT_EQ(sets().size(), 5u) << "上書き removed sets after a run that was not a success";
    const std::wstring partial = sets()[4];
    Files withoutHeld = data;
    withoutHeld.erase(L"sub\\b.txt");
    expectSet(partial, "normal", withoutHeld, "partial");
    expectEntry(job, partial, L"一部のﾌｧｲﾙをｺﾋﾟｰできませんでした");
    const auto partialRecord = resultRecord(partial);
    EXPECT_EQ(partialRecord.count("failed") ? partialRecord.at("failed") : "", "1");
    EXPECT_EQ(partialRecord.count("exitcode") ? partialRecord.at("exitcode") : "", "1");
    EXPECT_EQ(sets(), (std::vector<std::wstring>{normal, first, second, daily, partial}));

    // 7. 上書き again, every file copied: the new set is the only one left.
    EXPECT_EQ(job.run(), 0u);
    const std::vector<std::wstring> left = sets();
    ASSERT_EQ(left.size(), 1u) << "上書き kept the earlier sets";
    EXPECT_GT(left[0], partial);
    expectSet(left[0], "normal", data);
    expectEntry(job, left[0], L"成功");
    EXPECT_EQ(readFile(kMark), markBytes);

    // 8. 追加 keeping one full set: the new normal is the one kept, the one before it goes.
    menu = applyAgain(app, menu, L"normal", L"追加", L"1");
    const std::wstring jobText = unicodeText(readFile(jobFile));
    EXPECT_NE(jobText.find(L"\r\nwritemode=append\r\n"), std::wstring::npos) << utf8(jobText);
    EXPECT_NE(jobText.find(L"\r\nkeep=1\r\n"), std::wstring::npos) << utf8(jobText);
    EXPECT_EQ(job.run(), 0u);
    const std::vector<std::wstring> kept = sets();
    ASSERT_EQ(kept.size(), 1u) << "keeping one full set kept " << kept.size();
    EXPECT_GT(kept[0], left[0]);
    expectSet(kept[0], "normal", data);

    menu.close();
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
}

}  // namespace
}  // namespace e2e
