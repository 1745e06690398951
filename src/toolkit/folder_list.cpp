#include "toolkit/folder_list.h"

#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "toolkit/events.h"

namespace tk {
namespace {

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return text;
}

// "C:\" stays; "c:\data\" becomes "C:\data".
std::wstring tidy(std::wstring path) {
    if (path.size() >= 2 && path[1] == L':')
        path[0] = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(path[0])));
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

}  // namespace

void FolderList::Path(const std::wstring& path) {
    const std::wstring folder = tidy(files::fullPath(path));
    std::vector<std::wstring> names = files::subfolders(folder);  // throws before anything changes
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        const std::wstring ua = upper(a), ub = upper(b);
        return ua != ub ? ua < ub : a < b;
    });

    std::vector<std::wstring> rows;
    std::size_t start = 0;
    if (folder.size() >= 3 && folder[1] == L':') {
        rows.push_back(folder.substr(0, 3));
        start = 3;
    }
    while (start < folder.size()) {
        const std::size_t end = folder.find(L'\\', start);
        rows.push_back(folder.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    const bool moved = folder != path_;
    path_ = folder;
    pathRows_ = static_cast<int>(rows.size());
    rows.insert(rows.end(), names.begin(), names.end());
    rows_ = std::move(rows);
    listIndex_ = pathRows_ - 1;
    changed(Property::Items);
    if (moved && Change) dispatchEvent(Change);
}

int FolderList::indent(int row) const {
    if (row < 0 || row >= ListCount()) throw std::out_of_range("FolderList::indent: no such row");
    return row < pathRows_ ? row : pathRows_;
}

std::wstring FolderList::rowPath(int row) const {
    if (row < 0 || row >= ListCount()) throw std::out_of_range("FolderList::rowPath: no such row");
    if (row >= pathRows_)
        return path_ + (path_.back() == L'\\' ? L"" : L"\\") + rows_[static_cast<size_t>(row)];
    std::wstring path = rows_[0];
    for (int i = 1; i <= row; ++i) path += (i > 1 ? L"\\" : L"") + rows_[static_cast<size_t>(i)];
    return path;
}

int FolderList::find(const std::wstring& name) const {
    for (int row = ListCount() - 1; row >= 0; --row)
        if (upper(rows_[static_cast<size_t>(row)]) == upper(name)) return row;
    return -1;
}

void FolderList::ListIndex(int row) {
    if (row < -1 || row >= ListCount()) throw std::out_of_range("FolderList::ListIndex: no such row");
    if (row == listIndex_) return;
    listIndex_ = row;
    changed(Property::Selection);
}

void FolderList::Refresh() {
    if (!path_.empty()) Path(path_);
}

void FolderList::userHighlighted(int row) {
    if (effectivelyEnabled() && row >= -1 && row < ListCount()) listIndex_ = row;
}

void FolderList::userOpened(int row) {
    if (!effectivelyEnabled() || row < 0 || row >= ListCount()) return;
    try {
        Path(rowPath(row));
    } catch (const FolderUnreadable& unreadable) {
        if (OpenFailed) dispatchEvent([&] { OpenFailed(unreadable); });
        // Gone or locked since the list was read: show what is there now.
        try {
            Refresh();
        } catch (const FolderUnreadable&) {
        }
    }
}

}  // namespace tk
