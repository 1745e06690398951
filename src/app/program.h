// What the program hands to the toolkit at start, and how settings, command
// lines and the apply action reach the system and the user.
#pragma once

#include "core/host.h"
#include "toolkit/app.h"

namespace lorvane {

// The title, version and the toolkit's texts in the program's language.
tk::ProgramInfo programInfo();

// The host of the program: the system's directories and clock, and the toolkit's
// message box. Tests derive from it to decide the directories and the clock.
class ProgramHost : public Host {
public:
    std::wstring windowsDirectory() override;
    std::wstring systemDirectory() override;
    DateTime now() override;
    int messageBox(const std::wstring& text, int style) override;
};

}  // namespace lorvane
