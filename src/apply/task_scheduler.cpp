#include "apply/task_scheduler.h"

namespace lorvane {
namespace {

// Where no Task Scheduler is installed (the native tests' system): every answer is missing.
class NoTaskScheduler final : public TaskScheduler {
public:
    TaskStatus status(const std::wstring&) override {
        TaskStatus missing;
        missing.failure = kNone;
        return missing;
    }
    SystemResult runNow(const std::wstring&) override { return {Outcome::Failed, kNone}; }
    SystemResult remove(const std::wstring&) override { return {Outcome::Failed, kNone}; }

private:
    static constexpr const wchar_t* kNone = L"ﾀｽｸ ｽｹｼﾞｭｰﾗを使用できません。";
};

NoTaskScheduler none;
TaskScheduler* installed = nullptr;

}  // namespace

TaskScheduler& taskScheduler() { return installed ? *installed : none; }

TaskScheduler* setTaskScheduler(TaskScheduler* scheduler) {
    TaskScheduler* old = installed;
    installed = scheduler;
    return old;
}

}  // namespace lorvane
