// The Task Scheduler through its COM API (ITaskService, IRegisteredTask): what
// the status reads and the menu's 今すぐ実行 and 登録解除 ask of it.
#pragma once

#include "apply/task_scheduler.h"

namespace lorvane {

class Win32TaskScheduler final : public TaskScheduler {
public:
    // Each answer the service leaves out (Wine gives no run times) is marked
    // unknown with the system's text for the call's HRESULT.
    TaskStatus status(const std::wstring& task) override;
    // IRegisteredTask::Run: the task runs as its principal (SYSTEM). Awaited on
    // a thread of its own with the windows disabled and painted, at most 30 s.
    SystemResult runNow(const std::wstring& task) override;
    // ITaskFolder::DeleteTask, awaited as runNow; where the service does not
    // implement it, schtasks /delete run hidden.
    SystemResult remove(const std::wstring& task) override;
};

TaskScheduler& platformTaskScheduler();

}  // namespace lorvane
