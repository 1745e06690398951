// The copy backup's run over an in-memory machine: the sets it writes, what each
// type copies, the archive bits, the checks before anything is written, the
// shadow copies released on every path, and which sets are kept.
#include <gtest/gtest.h>

#include "apply/copy_commands.h"
#include "backup/backup_run.h"
#include "backup/backup_sets.h"
#include "backup/drill.h"
#include "backup/found_sets.h"
#include "backup/restore.h"
#include "apply/job_file.h"
#include "core/utf16.h"
#include "fake_backup_system.h"

namespace lorvane {
namespace test {

std::wstring FakeBackupSystem::text(const std::wstring& path) const {
    const auto file = files.find(path);
    return file == files.end() ? L"" : decodeUtf16Le(file->second.bytes).value_or(L"(not UTF-16LE)");
}

namespace {

// The shadow copy of the folders: their files frozen as they were when it was taken.
class FrozenCopy : public backup::Snapshot {
public:
    FrozenCopy(FakeBackupSystem& system, const std::vector<std::wstring>& sources) : system_(system) {
        for (const std::wstring& source : sources) {
            const std::wstring frozen = L"\\\\?\\GLOBALROOT\\Shadow\\" + source.substr(3);
            for (const std::wstring& relative : system.filesBelow(source))
                system.files[frozen + L"\\" + relative] = system.files[source + L"\\" + relative];
            system.folders.insert(frozen);
            paths_[source] = frozen;
        }
    }
    ~FrozenCopy() override {
        ++system_.snapshotsReleased;
        system_.removeTree(L"\\\\?\\GLOBALROOT\\Shadow");
    }
    std::wstring readPath(const std::wstring& folder) const override { return paths_.at(folder); }

private:
    FakeBackupSystem& system_;
    std::map<std::wstring, std::wstring> paths_;
};

class LiveFolders : public backup::Snapshot {
public:
    std::wstring readPath(const std::wstring& folder) const override { return folder; }
};

// The arguments as a program that splits its command line reads them.
std::vector<std::wstring> split(const std::wstring& arguments) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false, inWord = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const wchar_t c = arguments[i];
        if (c == L'"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == L' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == L'\\' && quoted && i + 2 < arguments.size() + 1 && arguments.substr(i, 3) == L"\\\\\"") {
            word += L'\\';
            ++i;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace

backup::SnapshotResult FakeBackupSystem::takeSnapshot(const std::vector<std::wstring>& sources) {
    if (snapshotFails) return {std::make_unique<LiveFolders>(), L"VSS is off"};
    ++snapshotsTaken;
    return {std::make_unique<FrozenCopy>(*this, sources), L""};
}

ProgramRun FakeBackupSystem::run(const std::wstring& program, const std::wstring& arguments) {
    if (program.ends_with(L"reg.exe")) {
        regRuns.push_back(arguments);
        write(split(arguments).at(2), "hive");
        return {{}, true, 0, L"この操作を正しく終了しました。"};
    }
    robocopyRuns.push_back(arguments);
    if (duringCopy) duringCopy();
    const std::vector<std::wstring> words = split(arguments);
    const std::wstring& source = words.at(0);
    const std::wstring& target = words.at(1);
    bool archiveOnly = false;
    std::int64_t notBefore = 0;
    for (const std::wstring& word : words) {
        if (word == L"/A") archiveOnly = true;
        if (word.starts_with(L"/MAXAGE:")) {
            const int date = std::stoi(word.substr(8));
            notBefore = DateTime::fromCivil({date / 10000, date / 100 % 100, date % 100, 0, 0, 0}).seconds();
        }
        if (word.starts_with(L"/UNILOG+:")) appendFile(word.substr(9), encodeUtf16Le(L"robocopy\r\n").substr(2));
    }
    unsigned long copied = 0;
    for (const std::wstring& relative : filesBelow(source)) {
        const File& file = files.at(source + L"\\" + relative);
        if ((archiveOnly && !file.archive) || file.writeTime < notBefore) continue;
        write(target + L"\\" + relative, file.bytes);
        files[target + L"\\" + relative] = file;
        copied = 1;
    }
    folders.insert(target);
    if (afterCopy) afterCopy();
    return {{}, true, robocopyExit ? robocopyExit : copied, L""};
}

namespace {

const std::wstring kDestination = L"E:\\Backup";
const std::wstring kJobFile = L"C:\\Windows\\System32\\tpbackup.ini";
const std::wstring kLog = L"C:\\Windows\\tpbackup.log";

class BackupRun : public testing::Test {
protected:
    void SetUp() override {
        system.createFolder(L"C:\\Windows\\System32", backup::FolderAccess::Inherited);
        system.createFolder(kDestination, backup::FolderAccess::Inherited);
        system.files[kDestination + L"\\" + backup::kMarkFileName] = {backup::writeMark(kTaskName)};
        system.write(L"C:\\DATA\\a.txt", "alpha");
        system.write(L"C:\\DATA\\sub\\b.txt", "beta");
        job.backup.BackupPath = {L"C:\\DATA"};
        job.backup.Destination = kDestination;
        job.backup.LogFileName = kLog;
    }

    // Applies the job as it stands and runs it an hour after the last run.
    int run(Int16 type) {
        job.backup.BackupMode = type;
        system.files[kJobFile] = {backup::writeJobFile(job)};
        system.clock = system.clock.addSeconds(3600);
        return backup::runBackupJob(system, kJobFile);
    }

    std::vector<std::wstring> sets() { return system.subfolders(kDestination); }
    std::vector<std::wstring> filesOf(const std::wstring& set) {
        auto found = system.filesBelow(kDestination + L"\\" + set + L"\\C\\DATA");
        std::sort(found.begin(), found.end());
        return found;
    }
    backup::ResultRecord record(const std::wstring& set) {
        return backup::readResultRecord(system.files.at(kDestination + L"\\" + set + L"\\result.ini").bytes).value();
    }
    std::vector<std::wstring> logLines() {
        std::vector<std::wstring> lines;
        std::wstring text = system.text(kLog);
        for (std::size_t at; (at = text.find(L"\r\n")) != std::wstring::npos; text.erase(0, at + 2))
            lines.push_back(text.substr(0, at));
        return lines;
    }

    FakeBackupSystem system;
    backup::Job job;
};

TEST_F(BackupRun, KeepsEverySetAndCopiesWhatEachTypeSelects) {
    using V = std::vector<std::wstring>;
    EXPECT_EQ(run(backupMode::Normal), 0);
    EXPECT_EQ(sets(), V{L"2026-12-08_033001_normal"});
    EXPECT_EQ(filesOf(L"2026-12-08_033001_normal"), (V{L"a.txt", L"sub\\b.txt"}));
    EXPECT_FALSE(system.files.at(L"C:\\DATA\\a.txt").archive) << "a normal backup marks what it copied";
    const backup::ResultRecord normal = record(L"2026-12-08_033001_normal");
    EXPECT_EQ(normal.result, backup::SetResult::Success);
    EXPECT_EQ(normal.files, 2u);
    EXPECT_EQ(normal.bytes, 9u);
    EXPECT_TRUE(normal.snapshot);
    EXPECT_EQ(system.snapshotsTaken, 1);
    EXPECT_EQ(system.snapshotsReleased, 1);
    EXPECT_NE(system.text(kDestination + L"\\2026-12-08_033001_normal\\backup.log").find(L"robocopy"),
              std::wstring::npos);

    // Changed after the normal set: the incremental takes it, then the next one nothing.
    system.write(L"C:\\DATA\\a.txt", "alpha 2");
    system.write(L"C:\\DATA\\c.txt", "gamma");
    EXPECT_EQ(run(backupMode::Incremental), 0);
    EXPECT_EQ(filesOf(L"2026-12-08_043003_incremental"), (V{L"a.txt", L"c.txt"}));
    // A file written while the copy runs keeps its bit: the copy read the shadow copy.
    system.write(L"C:\\DATA\\d.txt", "delta");
    system.duringCopy = [&] { system.write(L"C:\\DATA\\d.txt", "delta 2"); };
    EXPECT_EQ(run(backupMode::Incremental), 0);
    system.duringCopy = nullptr;
    EXPECT_EQ(filesOf(L"2026-12-08_053005_incremental"), (V{L"d.txt"}));
    EXPECT_EQ(system.files.at(kDestination + L"\\2026-12-08_053005_incremental\\C\\DATA\\d.txt").bytes, "delta");
    EXPECT_TRUE(system.files.at(L"C:\\DATA\\d.txt").archive);
    EXPECT_EQ(sets().size(), 3u) << "append keeps every set";

    // Replace: a successful normal set, and only then the earlier sets go.
    job.backup.WriteMode = writeMode::Replace;
    EXPECT_EQ(run(backupMode::Normal), 0);
    EXPECT_EQ(sets(), V{L"2026-12-08_063007_normal"});
    const V lines = logLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], L"2026-12-08 03:30:01 - 2026-12-08 03:30:02  2026-12-08_033001_normal  成功  ﾌｧｲﾙ数 2  "
                        L"ﾊﾞｲﾄ数 9  失敗 0");
    EXPECT_NE(lines[3].find(L"削除したｾｯﾄ 3"), std::wstring::npos);
    EXPECT_EQ(system.files.at(kLog).bytes.substr(0, 2), "\xFF\xFE");
}

TEST_F(BackupRun, DailyTakesWhatWasWrittenOnTheDayAndCopyLeavesTheBits) {
    system.files.at(L"C:\\DATA\\sub\\b.txt").writeTime = system.clock.addDays(-1).seconds();
    EXPECT_EQ(run(backupMode::Daily), 0);
    EXPECT_EQ(filesOf(sets().at(0)), std::vector<std::wstring>{L"a.txt"});
    EXPECT_NE(system.robocopyRuns.at(0).find(L"/MAXAGE:20261208 "), std::wstring::npos);
    EXPECT_EQ(run(backupMode::Copy), 0);
    EXPECT_TRUE(system.files.at(L"C:\\DATA\\a.txt").archive);
}

// Each stops before the set: nothing written in the destination, the job's log says why.
struct Refusal {
    const char* name;
    std::function<void(FakeBackupSystem&)> arrange;
    const wchar_t* reason;
};

class RunRefusals : public BackupRun, public testing::WithParamInterface<Refusal> {};

TEST_P(RunRefusals, WriteNothingAndFail) {
    EXPECT_EQ(run(backupMode::Normal), 0);
    GetParam().arrange(system);
    const auto before = system.files;
    EXPECT_EQ(run(backupMode::Incremental), 2);
    EXPECT_EQ(sets().size(), 1u);
    for (const auto& [path, file] : system.files) {
        if (path == kLog || path == kJobFile) continue;
        EXPECT_TRUE(before.contains(path) && before.at(path).bytes == file.bytes) << path.size();
    }
    const std::wstring entry = logLines().back();
    EXPECT_NE(entry.find(L"  -  失敗"), std::wstring::npos);
    EXPECT_NE(entry.find(GetParam().reason), std::wstring::npos);
    EXPECT_EQ(system.snapshotsTaken, system.snapshotsReleased);
    // The event log hears of it too, with the same words, so monitoring can act on it.
    ASSERT_EQ(system.events.size(), 2u);
    EXPECT_EQ(system.events.back().first, backup::EventKind::Failed);
    EXPECT_NE(system.events.back().second.find(GetParam().reason), std::wstring::npos);
}

INSTANTIATE_TEST_SUITE_P(
    , RunRefusals,
    testing::Values(
        Refusal{"NoMark", [](FakeBackupSystem& s) { s.files.erase(kDestination + L"\\lorvane-destination.ini"); },
                L"目印のﾌｧｲﾙ"},
        Refusal{"AnotherJobsMark",
                [](FakeBackupSystem& s) {
                    s.files[kDestination + L"\\lorvane-destination.ini"] = {backup::writeMark(L"Other")};
                },
                L"目印のﾌｧｲﾙ"},
        Refusal{"LessFreeThanTheLastFullSet", [](FakeBackupSystem& s) { s.free = 8; }, L"空き領域 (8 ﾊﾞｲﾄ)"},
        Refusal{"NoRobocopy", [](FakeBackupSystem& s) { s.robocopyMissing = true; }, L"robocopy が見つかりません"}),
    [](const auto& info) { return info.param.name; });

TEST_F(BackupRun, FailuresAreCountedAndTheShadowCopiesReleased) {
    // robocopy could not copy everything: the set stays, partial.
    system.robocopyExit = 8;
    EXPECT_EQ(run(backupMode::Normal), 1);
    EXPECT_EQ(record(sets().at(0)).result, backup::SetResult::Partial);
    EXPECT_EQ(system.events.back().first, backup::EventKind::Partial);
    // robocopy stopped altogether: failed, and nothing is deleted after it, even with replace.
    system.robocopyExit = 16;
    job.backup.WriteMode = writeMode::Replace;
    EXPECT_EQ(run(backupMode::Normal), 2);
    EXPECT_EQ(sets().size(), 2u);
    EXPECT_EQ(system.snapshotsReleased, 2);
    EXPECT_EQ(system.events.back().first, backup::EventKind::Failed);
    // No shadow copy: the live files, and the record says so.
    system.robocopyExit = 0;
    system.snapshotFails = true;
    EXPECT_EQ(run(backupMode::Normal), 0);
    EXPECT_FALSE(record(sets().back()).snapshot);
    EXPECT_EQ(sets().size(), 1u) << "a successful replace removes the sets it does not need";
    EXPECT_EQ(system.events.back().first, backup::EventKind::Success);
    EXPECT_EQ(system.events.size(), 3u) << "one entry a run";
    // A job file that cannot be read: no log to write to, but the event log hears of it.
    system.files[kJobFile] = {"damaged"};
    EXPECT_EQ(backup::runBackupJob(system, kJobFile), 2);
    EXPECT_EQ(system.events.back().first, backup::EventKind::Failed);
    EXPECT_NE(system.events.back().second.find(L"tpbackup.ini を読めません"), std::wstring::npos);
}

TEST_F(BackupRun, VerifyNamesEachMismatchAndTheRegistryGoesIntoAnAdministratorsOnlyFolder) {
    job.backup.Verify = 1;
    job.backup.RegBackup = 1;
    job.backup.Restriction = 1;
    // A copy that lands damaged: same size and time, other bytes.
    system.afterCopy = [&] { system.files.at(kDestination + L"\\" + sets().at(0) + L"\\C\\DATA\\a.txt").bytes = "alphA"; };
    EXPECT_EQ(run(backupMode::Normal), 1);
    const std::wstring set = kDestination + L"\\" + sets().at(0);
    const backup::ResultRecord result = record(sets().at(0));
    EXPECT_EQ(result.mismatches, 1u);
    EXPECT_EQ(result.files, 1u);
    EXPECT_NE(system.text(set + L"\\backup.log").find(L"内容が一致しません：C:\\DATA\\a.txt"), std::wstring::npos);
    EXPECT_TRUE(system.files.at(L"C:\\DATA\\a.txt").archive) << "what did not arrive intact stays for the next run";
    EXPECT_EQ(system.access.at(set), backup::FolderAccess::Restricted);
    EXPECT_EQ(system.access.at(set + L"\\Registry"), backup::FolderAccess::AdministratorsOnly);
    EXPECT_EQ(system.regRuns.size(), 5u);
    EXPECT_TRUE(system.files.contains(set + L"\\Registry\\SAM.hiv"));
}

}  // namespace
}  // namespace test
}  // namespace lorvane

namespace lorvane::test {
namespace {

// The state at the newest set, planned for the chosen paths and restored to the target.
struct Restored {
    backup::RestorePlan plan;
    std::wstring summary;
    std::vector<std::wstring> failures;
};

class Restore : public BackupRun {
protected:
    Restored restore(const std::vector<std::wstring>& chosen, const std::wstring& target, std::size_t at = 99) {
        const std::vector<backup::FoundSet> found = backup::findSets(system, kDestination);
        const backup::Chain chain = backup::restoreChain(found, std::min(at, found.size() - 1));
        const backup::ResolvedTree tree = backup::resolveTree(system, kDestination, found, chain);
        Restored restored{backup::planRestore(system, kDestination, found, tree, chosen, target), {}, {}};
        backup::RestoreRun run(system, restored.plan);
        while (run.step([](std::uint64_t) { return true; })) {}
        restored.summary = run.summary();
        restored.failures = run.failures();
        return restored;
    }
};

TEST_F(Restore, TheChainComesBackWithoutDeletingOrSilentlyOverwritingNewerFiles) {
    run(backupMode::Normal);
    system.write(L"C:\\DATA\\a.txt", "alpha 2");
    run(backupMode::Incremental);
    system.write(L"C:\\DATA\\c.txt", "gamma");
    run(backupMode::Differential);
    // After the last set: a file changed, one deleted, one made that no set holds.
    system.clock = system.clock.addSeconds(60);
    system.write(L"C:\\DATA\\sub\\b.txt", "beta, newer");
    system.files.erase(L"C:\\DATA\\c.txt");
    system.write(L"C:\\DATA\\new.txt", "not in the backup");

    // The differential takes its normal and the incremental between: a.txt from the incremental.
    const Restored other = restore({L"C:\\DATA"}, L"D:\\Back");
    EXPECT_TRUE(other.failures.empty());
    EXPECT_EQ(system.files.at(L"D:\\Back\\C\\DATA\\a.txt").bytes, "alpha 2");
    EXPECT_EQ(system.files.at(L"D:\\Back\\C\\DATA\\sub\\b.txt").bytes, "beta");
    EXPECT_EQ(system.files.at(L"D:\\Back\\C\\DATA\\c.txt").bytes, "gamma");
    EXPECT_EQ(system.filesBelow(L"D:\\Back").size(), 3u) << "nothing of the set's own files";

    const Restored original = restore({L"C:\\DATA\\"}, L"");
    ASSERT_EQ(original.plan.items.size(), 2u) << "a.txt is as the set holds it";
    EXPECT_EQ(original.plan.unchanged, 1u);
    EXPECT_TRUE(original.plan.items[0].target == L"C:\\DATA\\c.txt" && !original.plan.items[0].replaces);
    EXPECT_TRUE(original.plan.items[1].replaces && original.plan.items[1].newer) << "b.txt is newer than the set's";
    EXPECT_EQ(system.files.at(L"C:\\DATA\\c.txt").bytes, "gamma");
    EXPECT_EQ(system.files.at(L"C:\\DATA\\new.txt").bytes, "not in the backup");

    // A file a program holds open is reported, the others restored; a target inside the sets is refused.
    system.write(L"C:\\DATA\\a.txt", "alpha 3");
    system.write(L"C:\\DATA\\c.txt", "gamma 2");
    system.inUse = {L"C:\\DATA\\a.txt"};
    const Restored held = restore({L"C:\\DATA\\a.txt", L"C:\\DATA\\c.txt"}, L"");
    ASSERT_EQ(held.failures.size(), 1u);
    EXPECT_TRUE(held.failures[0].starts_with(L"C:\\DATA\\a.txt：使用中"));
    EXPECT_NE(held.summary.find(L"使用中 1"), std::wstring::npos);
    EXPECT_EQ(system.files.at(L"C:\\DATA\\c.txt").bytes, "gamma");
    EXPECT_FALSE(restore({L"C:\\DATA"}, kDestination + L"\\x").plan.failure.empty());
}

TEST_F(Restore, TheDrillRunsEveryNthRunAndFailsWithNothingToRestore) {
    job.drillEvery = 2;
    run(backupMode::Normal);
    run(backupMode::Incremental);
    run(backupMode::Incremental);
    std::vector<std::wstring> drills;
    for (const backup::FoundSet& set : backup::findSets(system, kDestination)) drills.push_back(set.record->drill);
    EXPECT_EQ(drills, (std::vector<std::wstring>{L"success 2/2 2026-12-08_033001_normal", L"",
                                                 L"success 2/2 2026-12-08_053005_incremental"}));
    EXPECT_FALSE(system.folderExists(kDestination + L"\\" + backup::kDrillFolder));
    EXPECT_NE(logLines().back().find(L"復元の確認 success 2/2"), std::wstring::npos);

    // Nothing to restore from: the drill fails and says why.
    const backup::DrillResult none = backup::runDrill(system, L"F:\\Empty");
    EXPECT_EQ(none.value(), L"failed 0/0 -");
    EXPECT_EQ(none.problems.size(), 1u);
}

}  // namespace
}  // namespace lorvane::test
