// The program's entry: show the title screen; from then on the windows drive the program.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "app/forms.h"
#include "app/title_form.h"
#include "toolkit/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    tk::initialize();
    return tk::RunMessageLoop([] { lorvane::frmTitle->Show(); });
}
