// The headless machine's drives and folders, shared by its file system and
// the testing library's hooks that change them.
#pragma once

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>

#include "toolkit/file_system.h"

namespace tk::headless {

inline std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return text;
}

inline bool startsWithDrive(const std::wstring& path) {
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

Machine& machine();

}  // namespace tk::headless
