// The folder and drive hooks on the headless machine's memory.
#include "toolkit/headless/headless_machine.h"
#include "toolkit/testing.h"

namespace tk {

using headless::machine;
using headless::Machine;
using headless::startsWithDrive;
using headless::upper;

namespace testing {

void makeFolder(const std::wstring& path) {
    const std::wstring folder = Machine::normal(path);
    if (!startsWithDrive(folder)) return;
    auto& drives = machine().drives;
    if (!drives.count(folder[0])) drives[folder[0]] = {{folder[0], files::DriveType::Fixed, L""}, true};
    for (std::size_t end = folder.find(L'\\', 3); ; end = folder.find(L'\\', end + 1)) {
        const std::wstring step = folder.substr(0, end);
        if (step.size() > 3) machine().folders.emplace(upper(step), step);
        if (end == std::wstring::npos) break;
    }
}

void removeFolder(const std::wstring& path) {
    const std::wstring key = upper(Machine::normal(path));
    std::erase_if(machine().folders, [&](const auto& entry) {
        return entry.first == key || entry.first.rfind(key + L"\\", 0) == 0;
    });
}

bool addUnreadableDrive(wchar_t letter) {
    letter = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(letter)));
    machine().drives[letter] = {{letter, files::DriveType::Removable, L""}, false};
    return true;
}

void removeDrive(wchar_t letter) {
    machine().drives.erase(static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(letter))));
}

}  // namespace testing
}  // namespace tk
