#include "backup/backup_run.h"

#include <algorithm>
#include <map>

#include "apply/batch_text.h"
#include "apply/copy_commands.h"
#include "apply/job_file.h"
#include "backup/backup_sets.h"
#include "backup/drill.h"
#include "backup/found_sets.h"
#include "backup/job_log.h"
#include "core/utf16.h"

namespace lorvane::backup {
namespace {

constexpr const wchar_t* kRegistryHives[][2] = {{L"HKLM\\SYSTEM", L"SYSTEM"},
                                                {L"HKLM\\SOFTWARE", L"SOFTWARE"},
                                                {L"HKLM\\SAM", L"SAM"},
                                                {L"HKLM\\SECURITY", L"SECURITY"},
                                                {L"HKU\\.DEFAULT", L"DEFAULT"}};

// robocopy's exit codes from 8 on say that something could not be copied; 16 that it copied nothing.
constexpr unsigned long kRobocopyFailures = 8, kRobocopyFatal = 16;

std::wstring shown(DateTime time) { return shownTime(time); }

std::wstring typeWord(Int16 type) {
    return type >= 0 && type < static_cast<Int16>(kBackupTypes.size()) ? kBackupTypes[type] : L"copy";
}

// Whether the type selects the file: every file for normal and copy; for
// incremental and differential those whose archive bit is set; for daily those
// written on the run's day.
bool selects(Int16 type, const FoundFile& file, DateTime runDay) {
    switch (type) {
        case backupMode::Incremental:
        case backupMode::Differential: return file.archive;
        case backupMode::Daily: return file.written >= runDay;
        default: return true;
    }
}

// robocopy's file selection for the type, as `selects` reads it.
std::wstring selection(Int16 type, DateTime runDay) {
    switch (type) {
        case backupMode::Incremental:
        case backupMode::Differential: return L" /A";
        case backupMode::Daily: {
            const CivilTime c = runDay.civil();
            return L" /MAXAGE:" + std::to_wstring(c.year * 10000 + c.month * 100 + c.day);
        }
        default: return L"";
    }
}

class Run {
public:
    Run(BackupSystem& system, const Job& job)
        : system_(system),
          backup_(job.backup),
          drillEvery_(job.drillEvery),
          type_(job.backup.BackupMode == backupMode::None ? backupMode::Copy : job.backup.BackupMode),
          destination_(typedFolder(job.backup.Destination)) {}

    int go() {
        record_.type = type_;
        record_.started = system_.now();
        const CivilTime today = record_.started.civil();
        runDay_ = DateTime::fromCivil({today.year, today.month, today.day, 0, 0, 0});
        if (prepare()) {
            copyAll();
            if (backup_.RegBackup == 1) saveRegistry();
        }
        return finish();
    }

private:
    // The checks before anything is written, and the new set's folder. False: the run ends here.
    bool prepare() {
        const std::optional<std::string> mark = system_.readFileStart(join(destination_, kMarkFileName), 4096);
        if (!mark || !markNamesJob(*mark, kTaskName))
            return fatal(L"保存先 " + destination_ + L" に目印のﾌｧｲﾙ " + kMarkFileName +
                         L" がありません。保存先のﾃﾞｨｽｸが違うか、接続されていません。何も書き込みませんでした。");
        sets_ = findSets(system_, destination_);
        if (const std::optional<std::uint64_t> needed = lastFullSize()) {
            const std::optional<std::uint64_t> free = system_.freeSpace(destination_);
            if (free && *free < *needed)
                return fatal(L"保存先の空き領域 (" + std::to_wstring(*free) + L" ﾊﾞｲﾄ) が前回の完全ﾊﾞｯｸｱｯﾌﾟの大きさ (" +
                             std::to_wstring(*needed) + L" ﾊﾞｲﾄ) より少ないため、何も書き込みませんでした。");
        }
        robocopy_ = system_.findProgram(L"robocopy");
        if (robocopy_.empty()) return fatal(L"robocopy が見つかりません。");
        std::wstring name = setName(record_.started, type_);
        for (int n = 2; system_.folderExists(join(destination_, name)); ++n)
            name = setName(record_.started, type_) + L"_" + std::to_wstring(n);
        record_.set = name;
        set_ = join(destination_, name);
        // With 制限 each set gets the restricted access of its own, so that nothing
        // later (a copy, another program's change to the destination) can undo it.
        const FolderAccess access = backup_.Restriction == 1 ? FolderAccess::Restricted : FolderAccess::Inherited;
        if (const SystemResult created = system_.createFolder(set_, access); !created.ok()) {
            set_.clear();
            return fatal(L"ｾｯﾄのﾌｫﾙﾀﾞ " + name + L" を作成できませんでした：" + created.description);
        }
        log(L"Lorvane ﾊﾞｯｸｱｯﾌﾟ 開始 " + shown(record_.started) + L"  種類 " + typeWord(type_) +
            (trimBlanks(backup_.Guide).empty() ? L"" : L"  説明 " + std::wstring(trimBlanks(backup_.Guide))));
        return true;
    }

    std::optional<std::uint64_t> lastFullSize() const {
        for (auto set = sets_.rbegin(); set != sets_.rend(); ++set)
            if (isBase(*set)) return set->record->bytes;
        return std::nullopt;
    }

    void copyAll() {
        std::vector<std::wstring> folders;
        for (const std::wstring& folder : backup_.BackupPath) folders.push_back(typedFolder(folder));
        SnapshotResult snapshot = system_.takeSnapshot(folders);
        record_.snapshot = snapshot.failure.empty();
        if (!record_.snapshot)
            log(L"ｼｬﾄﾞｳ ｺﾋﾟｰを作成できませんでした。使用中のﾌｧｲﾙはｺﾋﾟｰできないことがあります：" + snapshot.failure);
        for (const std::wstring& folder : folders) copyFolder(folder, snapshot.snapshot->readPath(folder));
        // The shadow copies go before the records are written, whatever happened.
        snapshot.snapshot.reset();
    }

    void copyFolder(const std::wstring& folder, const std::wstring& source) {
        const std::wstring target = copyTarget(set_, folder);
        const std::wstring logDetail = backup_.LogFileMode == logFileMode::ExceptionsOnly ? L" /NFL /NDL" : L"";
        const std::wstring arguments = quoted(source) + L" " + quoted(target) +
                                       L" /E /COPY:DAT /DCOPY:T /XJ /B /R:2 /W:5 /NP" + logDetail +
                                       L" /UNILOG+:" + quoted(join(set_, kSetLogName)) +
                                       selection(type_, runDay_) + L" /XD " + quoted(destination_);
        log(L"ﾌｫﾙﾀﾞ " + folder + L"：robocopy " + arguments);
        const ProgramRun copied = system_.run(robocopy_, arguments);
        if (!copied.start.ok()) return failed(L"robocopy を起動できませんでした：" + copied.start.description);
        if (copied.exitCode >= kRobocopyFatal)
            return failed(L"robocopy が終了ｺｰﾄﾞ " + std::to_wstring(copied.exitCode) + L" で終了しました (" + folder + L")。");
        if (copied.exitCode >= kRobocopyFailures)
            partly(L"robocopy が終了ｺｰﾄﾞ " + std::to_wstring(copied.exitCode) + L" で終了しました (" + folder + L")。");
        checkFolder(folder, source, target);
    }

    // What the set holds of the folder against what the type selected: counts,
    // the check of contents, and the archive bits of what arrived.
    void checkFolder(const std::wstring& folder, const std::wstring& source, const std::wstring& target) {
        std::map<std::wstring, FoundFile> arrived;
        system_.walk(target, [&](const FoundFile& file) { arrived.emplace(file.relative, file); });
        std::vector<FoundFile> selected;
        const SystemResult walked = system_.walk(source, [&](const FoundFile& file) {
            if (selects(type_, file, runDay_)) selected.push_back(file);
        });
        if (!walked.ok()) return failed(L"ﾌｫﾙﾀﾞ " + folder + L" を読めません：" + walked.description);
        const bool clearsBits = type_ == backupMode::Normal || type_ == backupMode::Incremental;
        std::uint64_t missing = 0;
        for (const FoundFile& file : selected) {
            const auto copy = arrived.find(file.relative);
            if (copy == arrived.end() || copy->second.size != file.size || copy->second.writeTime != file.writeTime) {
                ++missing;
                log(L"ｺﾋﾟｰされていません：" + join(folder, file.relative));
                continue;
            }
            if (backup_.Verify == 1) {
                const Comparison same =
                    system_.compareContents(join(source, file.relative), join(target, file.relative));
                if (same != Comparison::Same) {
                    ++missing;
                    ++record_.mismatches;
                    log((same == Comparison::Different ? L"内容が一致しません：" : L"検査で読めません：") +
                        join(folder, file.relative));
                    continue;
                }
            }
            ++record_.files;
            record_.bytes += file.size;
            // The live file, only while it is as it was copied: a change since keeps its bit.
            if (clearsBits && file.archive)
                system_.clearArchiveIfUnchanged(join(folder, file.relative), file.size, file.writeTime);
        }
        if (missing > 0) {
            record_.failed += missing;
            partly(L"ﾌｫﾙﾀﾞ " + folder + L" の " + std::to_wstring(missing) + L" 個のﾌｧｲﾙをｺﾋﾟｰできませんでした。");
        }
    }

    void saveRegistry() {
        const std::wstring folder = join(set_, L"Registry");
        if (const SystemResult created = system_.createFolder(folder, FolderAccess::AdministratorsOnly);
            !created.ok())
            return failed(L"ﾚｼﾞｽﾄﾘのﾌｫﾙﾀﾞを作成できませんでした：" + created.description);
        const std::wstring reg = join(system_.systemDirectory(), L"reg.exe");
        for (const auto& [key, file] : kRegistryHives) {
            const std::wstring arguments =
                L"save " + std::wstring(key) + L" " + quoted(join(folder, std::wstring(file) + L".hiv")) + L" /y";
            log(L"reg " + arguments);
            const ProgramRun saved = system_.run(reg, arguments);
            if (!trimBlanks(saved.output).empty()) log(std::wstring(trimBlanks(saved.output)));
            if (!saved.start.ok() || saved.exitCode != 0)
                partly(L"ﾚｼﾞｽﾄﾘ " + std::wstring(key) + L" を保存できませんでした。" + saved.start.description);
        }
    }

    int finish() {
        record_.ended = system_.now();
        if (record_.result == SetResult::Running) record_.result = SetResult::Success;
        int deleted = 0;
        if (!set_.empty()) {
            log(L"終了 " + shown(record_.ended) + L"  " + resultWord(record_.result));
            if (const SystemResult written = system_.replaceFile(join(set_, kResultFileName), writeResultRecord(record_));
                !written.ok()) {
                record_.result = SetResult::Failed;
                note(L"結果のﾌｧｲﾙを書き込めませんでした：" + written.description);
            } else {
                deleted = removeOldSets();
                if (record_.result == SetResult::Success && drillDue()) drill();
            }
        }
        const std::wstring entry = writeJobLogEntry(deleted);
        system_.reportEvent(record_.result == SetResult::Success   ? EventKind::Success
                            : record_.result == SetResult::Partial ? EventKind::Partial
                                                                   : EventKind::Failed,
                            L"ﾊﾞｯｸｱｯﾌﾟ対象：" + folders() + L"\r\n保存先：" + destination_ + L"\r\n" + entry);
        return exitCodeOf(record_.result);
    }

    // Every N-th run: when none of the N-1 finished runs before this one had its drill.
    bool drillDue() const {
        if (drillEvery_ <= 0) return false;
        int looked = 0;
        for (auto set = sets_.rbegin(); set != sets_.rend() && looked < drillEvery_ - 1; ++set) {
            if (!set->record) continue;
            if (!set->record->drill.empty()) return false;
            ++looked;
        }
        return true;
    }

    // The drill's result goes into the set's log and its result record.
    void drill() {
        const DrillResult drill = runDrill(system_, destination_);
        log(L"復元の確認 (ｾｯﾄ " + (drill.set.empty() ? L"-" : drill.set) + L")：" +
            (drill.passed ? L"成功" : L"失敗") + L"  確認したﾌｧｲﾙ " + std::to_wstring(drill.checked) + L" / " +
            std::to_wstring(drill.sampled));
        for (const std::wstring& problem : drill.problems) log(problem);
        record_.drill = drill.value();
        if (const SystemResult written = system_.replaceFile(join(set_, kResultFileName), writeResultRecord(record_));
            !written.ok())
            log(L"結果のﾌｧｲﾙに復元の確認を書き込めませんでした：" + written.description);
    }

    int removeOldSets() {
        int deleted = 0;
        for (const std::wstring& name :
             setsToDelete(findSets(system_, destination_), backup_.KeepFullSets, backup_.WriteMode == writeMode::Replace)) {
            const SystemResult removed = system_.removeTree(join(destination_, name));
            log(removed.ok() ? L"古いｾｯﾄを削除しました：" + name
                             : L"古いｾｯﾄを削除できませんでした：" + name + L" " + removed.description);
            deleted += removed.ok();
        }
        return deleted;
    }

    // One line in the log that the backup dialog names; returns the line.
    std::wstring writeJobLogEntry(int deleted) {
        std::wstring line = shown(record_.started) + L" - " + shown(record_.ended) + L"  " +
                            (record_.set.empty() ? L"-" : record_.set) + L"  " + resultWord(record_.result) +
                            L"  ﾌｧｲﾙ数 " + std::to_wstring(record_.files) + L"  ﾊﾞｲﾄ数 " +
                            std::to_wstring(record_.bytes) + L"  失敗 " + std::to_wstring(record_.failed);
        if (deleted > 0) line += L"  削除したｾｯﾄ " + std::to_wstring(deleted);
        if (!record_.reason.empty()) line += L"  " + record_.reason;
        if (!record_.drill.empty()) line += L"  復元の確認 " + record_.drill;
        appendJobLog(system_, std::wstring(trimBlanks(backup_.LogFileName)), line);
        return line;
    }

    std::wstring folders() const {
        std::wstring list;
        for (const std::wstring& folder : backup_.BackupPath) list += (list.empty() ? L"" : L", ") + folder;
        return list;
    }

    // A line of the set's log, which robocopy writes into too (it opens the log only while it runs).
    void log(const std::wstring& line) {
        if (set_.empty()) return;
        std::string bytes = encodeUtf16Le(line + L"\r\n");
        if (setLogStarted_) bytes.erase(0, 2);  // the byte order mark heads the file only
        setLogStarted_ = system_.appendFile(join(set_, kSetLogName), bytes).ok() || setLogStarted_;
    }

    void note(const std::wstring& reason) {
        if (record_.reason.empty()) record_.reason = reason;
        log(reason);
    }
    void partly(const std::wstring& reason) {
        if (record_.result == SetResult::Running) record_.result = SetResult::Partial;
        note(reason);
    }
    void failed(const std::wstring& reason) {
        record_.result = SetResult::Failed;
        note(reason);
    }
    bool fatal(const std::wstring& reason) {
        failed(reason);
        return false;
    }

    BackupSystem& system_;
    const BackupRecord& backup_;
    const int drillEvery_;
    const Int16 type_;
    const std::wstring destination_;
    DateTime runDay_;
    std::vector<FoundSet> sets_;
    std::wstring robocopy_, set_;
    bool setLogStarted_ = false;
    ResultRecord record_;
};

}  // namespace

int runBackupJob(BackupSystem& system, const std::wstring& jobFile) {
    const std::optional<std::string> bytes = system.readFile(jobFile);
    const JobRead job = bytes ? readJobFile(*bytes) : JobRead{std::nullopt, L"ﾌｧｲﾙを読めません。"};
    // With no job there is no log to write to: the exit code and the event log are all there is.
    if (!job.job) {
        system.reportEvent(EventKind::Failed, L"ｼﾞｮﾌﾞのﾌｧｲﾙ " + jobFile + L" を読めません：" + job.failure);
        return exitCodeOf(SetResult::Failed);
    }
    return Run(system, *job.job).go();
}

}  // namespace lorvane::backup
