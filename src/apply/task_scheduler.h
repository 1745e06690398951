// What the program asks the Task Scheduler about the task that apply handed
// over: its state, its last and next run and its last result, a run now, and its
// removal. Read through the scheduler's API, not through schtasks' text, which
// the system's language changes. The platform library implements it for Win32
// (platform/win32/win32_task_scheduler.cpp); tests install a recording one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "apply/system_access.h"
#include "core/datetime.h"

namespace lorvane {

enum class TaskState {
    Unknown,   // the scheduler gave no state
    Missing,   // no task of that name is registered
    Disabled,
    Queued,
    Ready,
    Running,
};

// The scheduler's answer about one task. A value the scheduler did not give is
// empty, with the reason beside it (the system's text), so the status can say 不明.
struct TaskStatus {
    std::wstring failure;  // why the scheduler could not be asked at all; empty when it answered
    TaskState state = TaskState::Unknown;
    std::optional<DateTime> lastRun;    // none: never run, or not answered (lastRunUnknown says)
    std::wstring lastRunUnknown;
    bool hasNotRun = false;             // the last result is SCHED_S_TASK_HAS_NOT_RUN
    std::optional<std::int32_t> lastResult;  // the last run's exit code or HRESULT
    std::optional<DateTime> nextRun;
    std::wstring nextRunUnknown;
};

// The last results the scheduler gives in place of an exit code.
inline constexpr std::int32_t kTaskHasNotRun = 0x00041303;  // SCHED_S_TASK_HAS_NOT_RUN
inline constexpr std::int32_t kTaskRunning = 0x00041301;    // SCHED_S_TASK_RUNNING

class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;
    // What the scheduler says of the task (a name below its root folder, "Lorvane\\tpbackup").
    // Safe to call from any thread; it may take long when the service does not answer.
    virtual TaskStatus status(const std::wstring& task) = 0;
    // Asks the scheduler to start the task now, as its own account (SYSTEM), never in
    // the caller's session. Failed, with the system's reason, when it refuses.
    virtual SystemResult runNow(const std::wstring& task) = 0;
    // Deletes the registered task; Ok when it was not there either.
    virtual SystemResult remove(const std::wstring& task) = 0;
};

// The installed scheduler; until one is installed, one that cannot be asked.
TaskScheduler& taskScheduler();
// Installs the implementation; returns the one it replaces (nullptr: the one that cannot be asked).
TaskScheduler* setTaskScheduler(TaskScheduler* scheduler);

}  // namespace lorvane
