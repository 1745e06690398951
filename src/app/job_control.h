// The copy backup's job that apply handed over, as the main menu sees and
// controls it: the settings read back at start, the status read on a thread of
// its own, and the files that 登録解除 removes.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "backup/backup_system.h"
#include "backup/job_status.h"
#include "core/settings.h"

namespace lorvane {

// The system the job's files and sets are read from: installed by the program
// (main.cpp) on Win32; with none (the window tests), the menu shows no status.
void setJobSystem(backup::BackupSystem* system);
backup::BackupSystem* jobSystem();

// Whether the menu shows the job: a job system is installed and this system takes the copy path.
bool onCopyPath();

// At start on the copy path: the registered job's settings with both flags raised;
// a job file that cannot be read leaves the start values and says why, once.
void startFromRegisteredJob(Settings& settings);

// Removes the task and the files apply wrote for it (the command file, the job
// file, the task file, the batch file, the program's copy); the sets and logs stay.
// Empty when all went, else what could not go and why.
std::wstring removeRegisteredJob();

// One status read on a thread of its own; the window asks for its answer between
// messages and never waits for it.
class StatusRead {
public:
    StatusRead();
    // The answer once the thread has it; nothing before.
    std::optional<backup::JobStatus> answer();
    // How long the read has been under way.
    std::chrono::steady_clock::duration age() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace lorvane
