#include "app/job_control.h"

#include <mutex>
#include <thread>

#include "apply/backup_rules.h"
#include "apply/copy_commands.h"
#include "apply/job_file.h"
#include "apply/system_access.h"
#include "apply/task_scheduler.h"
#include "backup/found_sets.h"
#include "core/host.h"

namespace lorvane {
namespace {

backup::BackupSystem* installedJobSystem = nullptr;

// What apply writes into the system directory for the copy, the program's copy folder last.
constexpr const wchar_t* kAppliedFiles[] = {L"tpbackup.cmd", L"tpbackup.ini", L"tpbackup.xml", L"atcmd.bat", L"Lorvane"};

}  // namespace

void setJobSystem(backup::BackupSystem* system) { installedJobSystem = system; }

backup::BackupSystem* jobSystem() { return installedJobSystem; }

bool onCopyPath() { return installedJobSystem && findBackupMethod(systemAccess()) == BackupMethod::Copy; }

void startFromRegisteredJob(Settings& settings) {
    if (!onCopyPath()) return;
    backup::BackupSystem& system = *installedJobSystem;
    const std::wstring message =
        backup::startFromJob(settings, system.readFile(backup::join(system.systemDirectory(), backup::kJobFileName)));
    if (!message.empty()) MsgBox(message, mb::Exclamation);
}

std::wstring removeRegisteredJob() {
    if (const SystemResult removed = taskScheduler().remove(kTaskName); !removed.ok())
        return L"ﾀｽｸ " + std::wstring(kTaskName) + L" を削除できませんでした：" + removed.description;
    backup::BackupSystem& system = *installedJobSystem;
    std::wstring failures;
    for (const wchar_t* name : kAppliedFiles) {
        const std::wstring path = backup::join(system.systemDirectory(), name);
        if (const SystemResult removed = system.removeTree(path); !removed.ok())
            failures += L"\r\n" + path + L"：" +
                        (removed.description.empty() ? L"ｱｸｾｽが拒否されました。" : removed.description);
    }
    return failures.empty() ? failures : L"次のﾌｧｲﾙを削除できませんでした。" + failures;
}

struct StatusRead::Shared {
    std::mutex mutex;
    std::optional<backup::JobStatus> answer;
};

StatusRead::StatusRead() : shared_(std::make_shared<Shared>()), started_(std::chrono::steady_clock::now()) {
    // The thread holds its own share: a read that never ends keeps only itself alive.
    std::thread([shared = shared_, system = installedJobSystem] {
        backup::JobStatus status = backup::readJobStatus(*system, taskScheduler());
        const std::lock_guard lock(shared->mutex);
        shared->answer = std::move(status);
    }).detach();
}

std::optional<backup::JobStatus> StatusRead::answer() {
    const std::lock_guard lock(shared_->mutex);
    return shared_->answer;
}

std::chrono::steady_clock::duration StatusRead::age() const { return std::chrono::steady_clock::now() - started_; }

}  // namespace lorvane
