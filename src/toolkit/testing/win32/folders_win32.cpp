// The folder and drive hooks on the real disk: folders made and removed, and a
// drive letter that stands for a folder that does not exist.
#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/testing.h"
#include "toolkit/win32/scoped.h"

namespace tk::testing {
namespace {

using win32::AutoFindClose;

std::wstring withSeparator(std::wstring path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path;
}

// The folders directly inside, hidden ones too.
std::vector<std::wstring> foldersIn(const std::wstring& path) {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found;
    const AutoFindClose search(FindFirstFileW((withSeparator(path) + L"*").c_str(), &found));
    if (!search.valid()) return folders;
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            folders.push_back(withSeparator(path) + name);
    } while (FindNextFileW(search, &found));
    return folders;
}

}  // namespace

void makeFolder(const std::wstring& path) {
    const std::wstring folder = withSeparator(path);
    for (std::size_t end = folder.find(L'\\', 3); end != std::wstring::npos; end = folder.find(L'\\', end + 1))
        CreateDirectoryW(folder.substr(0, end).c_str(), nullptr);
}

void removeFolder(const std::wstring& path) {
    for (const std::wstring& folder : foldersIn(path)) removeFolder(folder);
    RemoveDirectoryW(path.c_str());
}

bool addUnreadableDrive(wchar_t letter) {
    const wchar_t device[] = {letter, L':', L'\0'};
    return DefineDosDeviceW(0, device, L"C:\\tk-no-medium-d41d8cd9") != FALSE;
}

void removeDrive(wchar_t letter) {
    const wchar_t device[] = {letter, L':', L'\0'};
    DefineDosDeviceW(DDD_REMOVE_DEFINITION, device, nullptr);
}

}  // namespace tk::testing
