// The program's entry: the one place that wires the toolkit, the host and the
// system access; then the title screen, and from then on the windows drive the program.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "app/forms.h"
#include "app/program.h"
#include "app/title_form.h"
#include "platform/platform_system_access.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    tk::initialize(lorvane::programInfo());
    static lorvane::ProgramHost host;
    lorvane::setHost(&host);
    lorvane::setSystemAccess(&lorvane::platformSystemAccess());
    return tk::RunMessageLoop([] { lorvane::frmTitle->Show(); });
}
