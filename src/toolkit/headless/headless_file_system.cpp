// The headless machine's drives and folders: drive C: with the Windows folder,
// and whatever the tests make. Names keep their case and compare without it.
#include <vector>

#include "toolkit/headless/headless_machine.h"

namespace tk {
namespace headless {

Machine& machine() {
    static Machine m;
    return m;
}

}  // namespace headless

using headless::machine;
using headless::Machine;
using headless::upper;

namespace files {

std::vector<DriveInfo> drives() {
    std::vector<DriveInfo> list;
    for (const auto& [letter, drive] : machine().drives) {
        DriveInfo info = drive.info;
        if (!drive.readable) info.label.clear();
        list.push_back(info);
    }
    return list;
}

// The headless process's current folder lies on no drive of its machine.
std::wstring fullPath(const std::wstring& path) { return Machine::normal(path); }

std::vector<std::wstring> subfolders(const std::wstring& path) {
    const std::wstring folder = Machine::normal(path);
    if (!machine().readableFolder(folder))
        throw FolderUnreadable(folder, L"The system cannot find the path specified.");
    std::wstring prefix = upper(folder);
    if (prefix.back() != L'\\') prefix += L'\\';
    std::vector<std::wstring> names;
    for (const auto& [key, made] : machine().folders)
        if (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
            key.find(L'\\', prefix.size()) == std::wstring::npos)
            names.push_back(made.substr(prefix.size()));
    return names;
}

}  // namespace files
}  // namespace tk
