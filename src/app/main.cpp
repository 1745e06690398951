// The program's entry: the one place that wires the toolkit, the host and the
// system access; then the title screen, and from then on the windows drive the
// program. Started by the copy backup's command file as `lorvane.exe /backup
// <job file>`, it runs that job with no window instead and ends with its exit code.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shellapi.h>

#include "app/forms.h"
#include "app/job_control.h"
#include "app/program.h"
#include "app/title_form.h"
#include "apply/copy_commands.h"
#include "backup/backup_run.h"
#include "platform/platform_backup_system.h"
#include "platform/platform_system_access.h"
#include "platform/win32/win32_task_scheduler.h"
#include "restore/restore_form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int count = 0;
    if (wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
        const bool run = count == 3 && CompareStringOrdinal(arguments[1], -1, lorvane::kRunSwitch, -1, TRUE) == CSTR_EQUAL;
        const std::wstring jobFile = run ? arguments[2] : L"";
        LocalFree(arguments);
        if (run) return lorvane::backup::runBackupJob(lorvane::platformBackupSystem(), jobFile);
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    tk::initialize(lorvane::programInfo());
    static lorvane::ProgramHost host;
    lorvane::setHost(&host);
    lorvane::setSystemAccess(&lorvane::platformSystemAccess());
    lorvane::setTaskScheduler(&lorvane::platformTaskScheduler());
    lorvane::setJobSystem(&lorvane::platformBackupSystem());
    lorvane::useRestoreSystem(&lorvane::platformBackupSystem());
    return tk::RunMessageLoop([] { lorvane::frmTitle->Show(); });
}
