// The headless machine's drives and folders: drive C: with the Windows folder,
// and whatever the tests make. Names keep their case and compare without it.
#include <algorithm>
#include <cwctype>
#include <map>
#include <vector>

#include "toolkit/file_system.h"

namespace tk {
namespace {

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return text;
}

bool startsWithDrive(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' && std::iswalpha(static_cast<std::wint_t>(path[0]));
}

struct Machine {
    struct Drive {
        files::DriveInfo info;
        bool readable = true;
    };
    std::map<wchar_t, Drive> drives;
    std::map<std::wstring, std::wstring> folders;  // by upper-case full path: the path as made

    Machine() {
        drives[L'C'] = {{L'C', files::DriveType::Fixed, L"SYSTEM"}, true};
        folders[L"C:\\WINDOWS"] = L"C:\\WINDOWS";
    }

    // "c:/data\\" and the like become "C:\data"; the root keeps its separator.
    static std::wstring normal(std::wstring path) {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        if (startsWithDrive(path))
            path[0] = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(path[0])));
        if (path.size() == 2 && startsWithDrive(path)) path += L'\\';
        while (path.size() > 3 && path.back() == L'\\') path.pop_back();
        return path;
    }

    bool readableFolder(const std::wstring& path) const {
        if (!startsWithDrive(path)) return false;
        const auto drive = drives.find(path[0]);
        if (drive == drives.end() || !drive->second.readable) return false;
        return path.size() == 3 || folders.count(upper(path)) > 0;
    }
};

Machine& machine() {
    static Machine m;
    return m;
}

}  // namespace

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
    if (!machine().readableFolder(folder)) throw FolderUnreadable(folder);
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
