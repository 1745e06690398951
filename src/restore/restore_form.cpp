#include "restore/restore_form.h"

#include <set>

#include "apply/batch_text.h"
#include "apply/job_file.h"
#include "backup/drill.h"
#include "backup/found_sets.h"
#include "backup/job_log.h"
#include "backup/restore.h"
#include "backupinfo/select_path_form.h"
#include "core/host.h"
#include "core/settings.h"
#include "placement/placement.h"
#include "toolkit/app.h"

namespace lorvane {
namespace {

backup::BackupSystem* restoreSystem = nullptr;

// The question whose default answer is No: an overwrite is never one key press away.
constexpr int kAskNoFirst = mb::QuestionYesNo + 256;  // MB_DEFBUTTON2
constexpr std::size_t kShownInMessage = 20;           // files named in a question or a report

const wchar_t* const kTypeWords[] = {L"normal", L"copy", L"incremental", L"differential", L"daily"};

std::wstring typeWord(Int16 type) { return type >= 0 && type < 5 ? kTypeWords[type] : L"-"; }

// 1234567 → "1,234,567"
std::wstring grouped(std::uint64_t n) {
    std::wstring digits = std::to_wstring(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), L",");
    return digits;
}

std::wstring setLine(const backup::FoundSet& set) {
    std::wstring line = backup::shownTime(set.parsed.started) + L"  " + typeWord(set.parsed.type) + L"  ";
    if (!set.record) return line + L"未完了 (結果のﾌｧｲﾙがありません)";
    line += backup::resultWord(set.record->result) + L"  " + grouped(set.record->files) + L" ﾌｧｲﾙ  " +
            grouped(set.record->bytes) + L" ﾊﾞｲﾄ";
    if (!set.record->drill.empty()) line += L"  復元の確認 " + set.record->drill;
    return line;
}

// Up to kShownInMessage lines, and how many more there are.
std::wstring someOf(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (std::size_t i = 0; i < lines.size() && i < kShownInMessage; ++i) text += L"\r\n" + lines[i];
    if (lines.size() > kShownInMessage) text += L"\r\n... ほか " + std::to_wstring(lines.size() - kShownInMessage);
    return text;
}

}  // namespace

void useRestoreSystem(backup::BackupSystem* system) { restoreSystem = system; }

RestoreForm::RestoreForm() : system_(restoreSystem) {
    Caption(L"Lorvane - 復元");
    borderStyle = tk::BorderStyle::FixedSingle;
    MinButton = true;
    MaxButton = false;
    clientSize(9600, 7560);

    lblDestination.Move(120, 150, 1080, 300);
    lblDestination.Caption(L"保存先(&D)");
    lblDestination.names = &txtDestination;
    txtDestination.Move(1200, 105, 5640, 330);
    cmdPickDestination.Move(6900, 90, 720, 360);
    cmdPickDestination.Caption(L"...");
    cmdShowSets.Move(7740, 90, 1740, 360);
    cmdShowSets.Caption(L"ｾｯﾄを表示(&L)");

    lblSets.Move(120, 570, 9360, 270);
    lblSets.Caption(L"ｾｯﾄ (新しい順)(&E)");
    lblSets.names = &lstSets;
    lstSets.Move(120, 840, 9360, 1440);

    lblFiles.Move(120, 2370, 9360, 270);
    lblFiles.Caption(L"ｾｯﾄの時点のﾌｫﾙﾀﾞとﾌｧｲﾙ (復元するものを選択)(&F)");
    lblFiles.names = &lstFiles;
    lstFiles.multiSelect = tk::MultiSelect::Extended;
    lstFiles.Move(120, 2640, 9360, 2100);

    lblHives.Move(120, 4800, 9360, 540);

    fraTarget.Move(120, 5400, 9360, 780);
    fraTarget.Caption(L"復元先");
    optOriginal.Move(180, 330, 1680, 300);
    optOriginal.Caption(L"元の場所(&O)");
    optOther.Move(1920, 330, 1800, 300);
    optOther.Caption(L"別のﾌｫﾙﾀﾞ(&A)");
    txtTarget.Move(3780, 300, 4680, 330);
    cmdPickTarget.Move(8520, 285, 720, 360);
    cmdPickTarget.Caption(L"..");

    prgRestore.Move(120, 6300, 9360, 240);
    lblStatus.Move(120, 6600, 4680, 840);
    cmdRestore.Move(4920, 6960, 1440, 420);
    cmdRestore.Caption(L"復元(&S)");
    cmdDrill.Move(6480, 6960, 1560, 420);
    cmdDrill.Caption(L"復元の確認(&K)");
    cmdClose.Move(8160, 6960, 1320, 420);
    cmdClose.Caption(L"閉じる(&C)");

    cmdPickDestination.Click = [this] { cmdPickDestination_Click(); };
    cmdShowSets.Click = [this] { cmdShowSets_Click(); };
    lstSets.Click = [this] { lstSets_Click(); };
    optOriginal.Click = [this] { optOriginal_Click(); };
    optOther.Click = [this] { optOther_Click(); };
    cmdPickTarget.Click = [this] { cmdPickTarget_Click(); };
    cmdRestore.Click = [this] { cmdRestore_Click(); };
    cmdDrill.Click = [this] { cmdDrill_Click(); };
    cmdClose.Click = [this] { cmdClose_Click(); };
}

void RestoreForm::Form_Load() {
    subMoveForm(*this, placement::Centre);
    optOther.Value(true);
    if (!system_) {
        lblStatus.Caption(L"このｼｽﾃﾑでは復元を使えません。");
        return running(false);
    }
    // The registered job names the destination and the log a restore writes to.
    const std::wstring jobFile = backup::join(system_->systemDirectory(), L"tpbackup.ini");
    if (const std::optional<std::string> bytes = system_->readFile(jobFile)) {
        const backup::JobRead read = backup::readJobFile(*bytes);
        if (read.job) {
            txtDestination.Text(backup::typedFolder(read.job->backup.Destination));
            jobLog_ = std::wstring(trimBlanks(read.job->backup.LogFileName));
        }
    }
    running(false);
    if (!trimBlanks(txtDestination.Text()).empty()) showSets(false);
    else lblStatus.Caption(L"登録されたｼﾞｮﾌﾞがありません。保存先を選んでください。");
}

bool RestoreForm::Form_QueryUnload() {
    // Closing while files are copied stops the copy first; the window stays for its report.
    if (running_) stopAsked_ = true;
    return !running_;
}

void RestoreForm::cmdPickDestination_Click() {
    SelectPathForm& picker = frmSelectPath.get();
    picker.Hide();
    picker.Caption(L"Lorvane - 保存先の指定");
    picker.lblPath.Caption(L"保存先");
    picker.cmdOk.Caption(L"OK");
    picker.Show(tk::ShowMode::Modal);
    const std::optional<std::wstring> chosen = picker.chosen();
    picker.Unload();
    if (!chosen) return;
    txtDestination.Text(*chosen);
    showSets(true);
}

void RestoreForm::cmdShowSets_Click() { showSets(true); }

void RestoreForm::showSets(bool tell) {
    destination_ = backup::typedFolder(txtDestination.Text());
    sets_.clear();
    chosenSet_.reset();
    tree_ = {};
    filePaths_.clear();
    lstSets.Clear();
    lstFiles.Clear();
    lblHives.Caption(L"");
    std::wstring problem;
    if (destination_.empty()) problem = L"保存先を入力してください。";
    else if (!system_->folderExists(destination_)) problem = L"保存先 " + destination_ + L" がありません。";
    else {
        sets_ = backup::findSets(*system_, destination_);
        if (sets_.empty()) problem = L"保存先 " + destination_ + L" にはﾊﾞｯｸｱｯﾌﾟのｾｯﾄがありません。";
    }
    if (!problem.empty()) {
        lblStatus.Caption(problem);
        if (tell) MsgBox(problem, mb::Exclamation);
        return;
    }
    for (auto set = sets_.rbegin(); set != sets_.rend(); ++set) lstSets.AddItem(setLine(*set));
    lblStatus.Caption(L"ｾｯﾄ " + std::to_wstring(sets_.size()) + L" 個。復元するｾｯﾄを選んでください。");
}

void RestoreForm::lstSets_Click() {
    if (lstSets.ListIndex() < 0 || running_) return;
    const std::size_t index = sets_.size() - 1 - static_cast<std::size_t>(lstSets.ListIndex());
    chosenSet_ = index;
    filePaths_.clear();
    lstFiles.Clear();
    const backup::Chain chain = backup::restoreChain(sets_, index);
    tree_ = chain.failure.empty() ? backup::resolveTree(*system_, destination_, sets_, chain)
                                  : backup::ResolvedTree{{}, chain.failure};
    const std::wstring setFolder = backup::join(destination_, sets_[index].name);
    const std::vector<std::wstring> hives = backup::savedHives(*system_, setFolder);
    if (hives.empty()) {
        lblHives.Caption(L"ﾚｼﾞｽﾄﾘ：このｾｯﾄには保存されていません。");
    } else {
        std::wstring names;
        for (const std::wstring& hive : hives) names += (names.empty() ? L"" : L", ") + hive;
        lblHives.Caption(L"ﾚｼﾞｽﾄﾘ：" + names + L" (" + setFolder + L"\\" + backup::kRegistryFolder +
                         L")。復元はしません。管理者が ｶﾞｲﾄﾞ の「ﾚｼﾞｽﾄﾘの復元」の手順で戻します。");
    }
    if (!tree_.failure.empty()) {
        lblStatus.Caption(tree_.failure);
        return;
    }
    // Each folder once, before what it holds, then the files with the set each comes from.
    std::set<std::wstring> folders;
    std::vector<std::pair<std::wstring, std::wstring>> lines;  // path, line
    for (const backup::ResolvedFile& file : tree_.files) {
        const std::wstring original = backup::originalPath(file.relative);
        for (std::size_t slash = original.find(L'\\', 3); slash != std::wstring::npos;
             slash = original.find(L'\\', slash + 1)) {
            const std::wstring folder = original.substr(0, slash + 1);
            if (folders.insert(backup::foldedPath(folder)).second) lines.emplace_back(folder, folder);
        }
        lines.emplace_back(original, original + L"    " + sets_[file.set].name);
    }
    for (const auto& [path, line] : lines) {
        filePaths_.push_back(path);
        lstFiles.AddItem(line);
    }
    std::uint64_t bytes = 0;
    for (const backup::ResolvedFile& file : tree_.files) bytes += file.size;
    lblStatus.Caption(L"ﾌｧｲﾙ " + grouped(tree_.files.size()) + L" 個 (" + grouped(bytes) + L" ﾊﾞｲﾄ)、ｾｯﾄ " +
                      std::to_wstring(chain.sets.size()) + L" 個から。");
}

void RestoreForm::optOriginal_Click() {
    txtTarget.Enabled(false);
    cmdPickTarget.Enabled(false);
}

void RestoreForm::optOther_Click() {
    txtTarget.Enabled(!running_);
    cmdPickTarget.Enabled(!running_);
}

void RestoreForm::cmdPickTarget_Click() {
    SelectPathForm& picker = frmSelectPath.get();
    picker.Hide();
    picker.Caption(L"Lorvane - 復元先の指定");
    picker.lblPath.Caption(L"復元先");
    picker.cmdOk.Caption(L"OK");
    picker.Show(tk::ShowMode::Modal);
    const std::optional<std::wstring> chosen = picker.chosen();
    picker.Unload();
    if (chosen) txtTarget.Text(*chosen);
}

std::vector<std::wstring> RestoreForm::chosenPaths() const {
    std::vector<std::wstring> paths;
    for (int i = 0; i < lstFiles.ListCount(); ++i)
        if (lstFiles.Selected(i)) paths.push_back(filePaths_[static_cast<std::size_t>(i)]);
    return paths;
}

void RestoreForm::cmdRestore_Click() {
    if (!chosenSet_) return void(MsgBox(L"復元するｾｯﾄを選んでください。", mb::Exclamation));
    if (!tree_.failure.empty()) return void(MsgBox(tree_.failure, mb::Critical));
    const std::vector<std::wstring> chosen = chosenPaths();
    if (chosen.empty()) return void(MsgBox(L"復元するﾌｫﾙﾀﾞかﾌｧｲﾙを選んでください。", mb::Exclamation));
    const bool original = optOriginal.Value();
    const std::wstring target = original ? L"" : backup::typedFolder(txtTarget.Text());
    if (!original && target.empty()) return void(MsgBox(L"復元先のﾌｫﾙﾀﾞを入力してください。", mb::Exclamation));
    const backup::RestorePlan plan = backup::planRestore(*system_, destination_, sets_, tree_, chosen, target);
    if (!plan.failure.empty()) return void(MsgBox(plan.failure, mb::Critical));
    std::vector<std::wstring> replaced;
    std::size_t newer = 0;
    for (const backup::RestoreItem& item : plan.items)
        if (item.replaces) {
            replaced.push_back(item.target + (item.newer ? L"  (今のﾌｧｲﾙの方が新しい)" : L""));
            newer += item.newer;
        }
    const std::wstring where = original ? L"元の場所" : target;
    if (original || !replaced.empty()) {
        std::wstring question = (original ? where : where + L" ") + L"に " + std::to_wstring(plan.items.size()) +
                                L" 個のﾌｧｲﾙを復元します。";
        if (replaced.empty()) question += L"\r\n上書きされるﾌｧｲﾙはありません。";
        else {
            question += L"\r\n上書きされるﾌｧｲﾙ " + std::to_wstring(replaced.size()) + L" 個";
            if (newer > 0) question += L" (うち今のﾌｧｲﾙの方が新しいもの " + std::to_wstring(newer) + L" 個)";
            question += L"：" + someOf(replaced);
        }
        question += L"\r\n\r\nﾊﾞｯｸｱｯﾌﾟにないﾌｧｲﾙは削除しません。復元しますか?";
        if (MsgBox(question, kAskNoFirst) != mb::Yes) return;
    }

    backup::RestoreRun run(*system_, plan);
    running(true);
    const auto show = [&](std::uint64_t within) {
        prgRestore.Value(run.bytesDone() + within, run.bytesTotal());
        lblStatus.Caption(L"復元中 " + std::to_wstring(run.done()) + L" / " + std::to_wstring(run.total()));
        tk::DoEvents();
        if (stopAsked_) run.cancel();
        return !stopAsked_;
    };
    while (show(0) && run.step(show)) {}
    if (stopAsked_) run.cancel();
    prgRestore.Value(run.bytesDone(), run.bytesTotal());
    running(false);
    const std::wstring summary = run.summary();
    lblStatus.Caption(summary);
    writeJobLog(L"復元 ｾｯﾄ " + sets_[*chosenSet_].name + L" → " + where + L"  " + summary);
    MsgBox(summary + (run.failures().empty() ? L"" : L"\r\n\r\n復元できなかったﾌｧｲﾙ：" + someOf(run.failures())),
           run.failures().empty() && !run.cancelled() ? mb::OkOnly : mb::Exclamation);
}

void RestoreForm::cmdDrill_Click() {
    destination_ = backup::typedFolder(txtDestination.Text());
    if (destination_.empty() || !system_->folderExists(destination_))
        return void(MsgBox(L"保存先 " + destination_ + L" がありません。", mb::Exclamation));
    running(true);
    lblStatus.Caption(L"復元の確認中...");
    tk::DoEvents();
    const backup::DrillResult drill = backup::runDrill(*system_, destination_);
    running(false);
    const std::wstring text = std::wstring(L"復元の確認：") + (drill.passed ? L"成功" : L"失敗") + L"  ｾｯﾄ " +
                              (drill.set.empty() ? L"-" : drill.set) + L"  確認したﾌｧｲﾙ " +
                              std::to_wstring(drill.checked) + L" / " + std::to_wstring(drill.sampled);
    lblStatus.Caption(text);
    writeJobLog(text);
    MsgBox(text + (drill.problems.empty() ? L"" : L"\r\n" + someOf(drill.problems)),
           drill.passed ? mb::OkOnly : mb::Exclamation);
}

void RestoreForm::cmdClose_Click() {
    if (running_) stopAsked_ = true;
    else Unload();
}

void RestoreForm::running(bool on) {
    running_ = on;
    stopAsked_ = false;
    const bool usable = !on && system_ != nullptr;
    for (tk::Control* control : std::initializer_list<tk::Control*>{&txtDestination, &cmdPickDestination, &cmdShowSets,
                                                                    &lstSets, &lstFiles, &optOriginal, &optOther,
                                                                    &cmdRestore, &cmdDrill})
        control->Enabled(usable);
    txtTarget.Enabled(usable && optOther.Value());
    cmdPickTarget.Enabled(usable && optOther.Value());
    cmdClose.Caption(on ? L"中止(&C)" : L"閉じる(&C)");
    if (on) prgRestore.Value(0);
}

void RestoreForm::writeJobLog(const std::wstring& line) {
    if (!jobLog_.empty()) backup::appendJobLog(*system_, jobLog_, backup::shownTime(system_->now()) + L"  " + line);
}

}  // namespace lorvane
