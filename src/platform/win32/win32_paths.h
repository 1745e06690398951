// Paths as the system takes them: past MAX_PATH (a backup's folders hold whatever
// users made, and a set adds its own folders in front), and one folder up.
#pragma once

#include <windows.h>

#include <string>

namespace lorvane::win32 {

// The full path as the system takes it past MAX_PATH: \\?\C:\... for a drive,
// \\?\UNC\server\share\... for a share; short paths unchanged, so that they read
// as the user wrote them. The extended form takes the path literally: it must be
// a full path (as the run's paths are); slashes become backslashes.
inline std::wstring longPath(const std::wstring& path) {
    // Folders stop 12 short of MAX_PATH (room for an 8.3 name below them).
    if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\")) return path;
    std::wstring literal = path;
    for (wchar_t& c : literal)
        if (c == L'/') c = L'\\';
    if (literal.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + literal.substr(2);
    return L"\\\\?\\" + literal;
}

// The path without its last part ("C:\DATA\x" gives "C:\DATA", "C:\DATA" gives "C:\");
// empty at a drive's or a share's root.
inline std::wstring parentFolder(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash + 1 >= path.size()) return {};
    std::wstring parent = path.substr(0, slash);
    // A share's root is as far up as a network path goes (never "\\server").
    if (parent.starts_with(L"\\\\") && parent.find_first_of(L"\\/", 2) == std::wstring::npos) return {};
    // "C:" alone is the drive's current folder, not its root.
    if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
    return parent == path ? std::wstring() : parent;
}

}  // namespace lorvane::win32
