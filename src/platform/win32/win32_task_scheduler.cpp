#include "platform/win32/win32_task_scheduler.h"

#include <windows.h>
// after windows.h
#include <oleauto.h>
#include <taskschd.h>

#include <chrono>
#include <memory>
#include <utility>

#include "platform/platform_system_access.h"
#include "toolkit/win32/modal_wait.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/system_text.h"

namespace lorvane {
namespace {

constexpr std::chrono::seconds kAnswerWait{30};

// One reference to a COM object, released at the end of its scope.
template <class Interface>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    Interface* operator->() const { return p_; }
    Interface** receive() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    Interface* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return b_; }

private:
    BSTR b_;
};

// COM for this thread for the length of one call: a thread that has it already keeps its own.
class ComForThisThread {
public:
    ComForThisThread() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComForThisThread() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

std::wstring hresultText(const wchar_t* call, HRESULT hr) {
    return std::wstring(call) + L"：" + tk::win32::systemErrorText(static_cast<DWORD>(hr));
}

// The connected service, or why there is none.
std::wstring connect(Com<ITaskService>& service) {
    HRESULT hr = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                  reinterpret_cast<void**>(service.receive()));
    if (FAILED(hr)) return hresultText(L"CoCreateInstance(TaskScheduler)", hr);
    VARIANT empty;
    VariantInit(&empty);
    hr = service->Connect(empty, empty, empty, empty);
    return FAILED(hr) ? hresultText(L"ITaskService::Connect", hr) : std::wstring();
}

// "Lorvane\\tpbackup" → "\\Lorvane" and "tpbackup".
std::pair<std::wstring, std::wstring> folderAndName(const std::wstring& task) {
    const std::size_t cut = task.rfind(L'\\');
    if (cut == std::wstring::npos) return {L"\\", task};
    return {L"\\" + task.substr(0, cut), task.substr(cut + 1)};
}

bool isMissing(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// A scheduler DATE (local time) as the program's time; the zero date means none.
std::optional<DateTime> timeOf(DATE date) {
    SYSTEMTIME t{};
    if (date <= 0 || !VariantTimeToSystemTime(date, &t) || t.wYear < 1980) return std::nullopt;
    return DateTime::fromCivil({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
}

TaskState stateOf(TASK_STATE state) {
    switch (state) {
        case TASK_STATE_DISABLED: return TaskState::Disabled;
        case TASK_STATE_QUEUED: return TaskState::Queued;
        case TASK_STATE_READY: return TaskState::Ready;
        case TASK_STATE_RUNNING: return TaskState::Running;
        default: return TaskState::Unknown;
    }
}

// The registered task, or why it cannot be had; `missing` when it is not registered.
HRESULT openTask(ITaskService& service, const std::wstring& task, Com<IRegisteredTask>& found, std::wstring& why) {
    const auto [folderPath, name] = folderAndName(task);
    Com<ITaskFolder> folder;
    HRESULT hr = service.GetFolder(Bstr(folderPath), folder.receive());
    if (FAILED(hr)) {
        why = hresultText(L"ITaskService::GetFolder", hr);
        return hr;
    }
    hr = folder->GetTask(Bstr(name), found.receive());
    if (FAILED(hr)) why = hresultText(L"ITaskFolder::GetTask", hr);
    return hr;
}

// Runs the call on a thread of its own and waits for it with the windows disabled
// and painted; a call that does not end in time is left to end on its own.
template <class Result>
Result awaited(std::function<Result()> call, Result unanswered) {
    struct Shared {
        std::function<Result()> call;
        Result result;
    };
    auto shared = std::make_shared<Shared>(Shared{std::move(call), {}});
    auto* handed = new std::shared_ptr<Shared>(shared);
    tk::win32::AutoCloseHandle thread(CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            std::unique_ptr<std::shared_ptr<Shared>> mine(static_cast<std::shared_ptr<Shared>*>(parameter));
            (*mine)->result = (*mine)->call();
            return 0;
        },
        handed, 0, nullptr));
    if (!thread) {
        delete handed;
        return shared->call();  // no thread to spare: the call is made here
    }
    if (!tk::win32::waitWithWindowsDisabled(thread.get(), kAnswerWait, [] {})) return unanswered;
    return shared->result;
}

SystemResult runTask(const std::wstring& task) {
    const ComForThisThread com;
    if (!com.usable()) return {Outcome::Failed, hresultText(L"CoInitializeEx", com.result())};
    Com<ITaskService> service;
    if (std::wstring why = connect(service); !why.empty()) return {Outcome::Failed, why};
    Com<IRegisteredTask> registered;
    std::wstring why;
    if (FAILED(openTask(*service.operator->(), task, registered, why))) return {Outcome::Failed, why};
    VARIANT none;
    VariantInit(&none);
    Com<IRunningTask> running;
    const HRESULT hr = registered->Run(none, running.receive());
    if (FAILED(hr)) return {Outcome::Failed, hresultText(L"IRegisteredTask::Run", hr)};
    return {};
}

SystemResult deleteWithSchtasks(const std::wstring& task) {
    SystemAccess& access = platformSystemAccess();
    const std::wstring schtasks = platformSystemDirectory() + L"\\schtasks.exe";
    const ProgramRun run = access.runHidden(schtasks, L"/delete /tn \"" + task + L"\" /f", platformSystemDirectory(),
                                            kAnswerWait);
    if (!run.start.ok()) return run.start;
    if (!run.finished) return {Outcome::Failed, L"schtasks が応答しませんでした。"};
    if (run.exitCode != 0) return {Outcome::Failed, L"schtasks の終了ｺｰﾄﾞ " + std::to_wstring(run.exitCode) + L"\r\n" + run.output};
    return {};
}

// How ITaskFolder::DeleteTask went: S_OK too when the task was not there.
struct Deleted {
    HRESULT hr = S_OK;
    std::wstring why;
};

Deleted deleteTask(const std::wstring& task) {
    const ComForThisThread com;
    if (!com.usable()) return {com.result(), hresultText(L"CoInitializeEx", com.result())};
    Com<ITaskService> service;
    if (std::wstring why = connect(service); !why.empty()) return {E_FAIL, why};
    const auto [folderPath, name] = folderAndName(task);
    Com<ITaskFolder> folder;
    HRESULT hr = service->GetFolder(Bstr(folderPath), folder.receive());
    if (isMissing(hr)) return {};
    if (FAILED(hr)) return {hr, hresultText(L"ITaskService::GetFolder", hr)};
    hr = folder->DeleteTask(Bstr(name), 0);
    if (isMissing(hr)) return {};
    if (FAILED(hr)) return {hr, hresultText(L"ITaskFolder::DeleteTask", hr)};
    return {};
}

std::wstring unansweredText() {
    return L"ﾀｽｸ ｽｹｼﾞｭｰﾗが " + std::to_wstring(kAnswerWait.count()) + L" 秒以内に応答しませんでした。";
}

}  // namespace

TaskStatus Win32TaskScheduler::status(const std::wstring& task) {
    TaskStatus status;
    const ComForThisThread com;
    if (!com.usable()) {
        status.failure = hresultText(L"CoInitializeEx", com.result());
        return status;
    }
    Com<ITaskService> service;
    if (status.failure = connect(service); !status.failure.empty()) return status;
    Com<IRegisteredTask> registered;
    std::wstring why;
    if (const HRESULT hr = openTask(*service.operator->(), task, registered, why); FAILED(hr)) {
        if (isMissing(hr))
            status.state = TaskState::Missing;
        else
            status.failure = why;
        return status;
    }
    TASK_STATE state = TASK_STATE_UNKNOWN;
    if (SUCCEEDED(registered->get_State(&state))) status.state = stateOf(state);
    LONG result = 0;
    if (SUCCEEDED(registered->get_LastTaskResult(&result))) {
        status.hasNotRun = result == kTaskHasNotRun;
        if (!status.hasNotRun) status.lastResult = static_cast<std::int32_t>(result);
    }
    DATE date = 0;
    if (const HRESULT hr = registered->get_LastRunTime(&date); FAILED(hr))
        status.lastRunUnknown = hresultText(L"LastRunTime", hr);
    else if (hr == kTaskHasNotRun)  // a success code, with no date
        status.hasNotRun = true;
    else
        status.lastRun = timeOf(date);
    date = 0;
    if (const HRESULT hr = registered->get_NextRunTime(&date); FAILED(hr))
        status.nextRunUnknown = hresultText(L"NextRunTime", hr);
    else if (!(status.nextRun = timeOf(date)))
        status.nextRunUnknown = L"ﾀｽｸ ｽｹｼﾞｭｰﾗに次回の実行予定がありません";
    return status;
}

SystemResult Win32TaskScheduler::runNow(const std::wstring& task) {
    return awaited<SystemResult>([task] { return runTask(task); }, {Outcome::Failed, unansweredText()});
}

SystemResult Win32TaskScheduler::remove(const std::wstring& task) {
    const Deleted deleted = awaited<Deleted>([task] { return deleteTask(task); }, {E_PENDING, unansweredText()});
    if (deleted.hr == E_NOTIMPL) return deleteWithSchtasks(task);
    if (FAILED(deleted.hr)) return {Outcome::Failed, deleted.why};
    return {};
}

TaskScheduler& platformTaskScheduler() {
    static Win32TaskScheduler scheduler;
    return scheduler;
}

}  // namespace lorvane
