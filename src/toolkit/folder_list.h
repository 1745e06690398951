// A list of folders as a Windows folder list shows them: the open folder's path
// from the drive's root down, each folder one step further in, then the open
// folder's subfolders, one step further again. A click highlights a row; a
// double-click or Enter opens the row's folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/file_system.h"

namespace tk {

class FolderList : public Control {
public:
    explicit FolderList(Container& parent) : Control(parent, ControlKind::FolderList) {}

    // The open folder: a drive's root with its separator ("C:\"), any other folder without one.
    const std::wstring& Path() const { return path_; }
    // Opens the folder; a drive designation alone ("D:") opens that drive's
    // current folder. A different folder runs the change handler. Throws
    // FolderUnreadable, leaving the list as it was, when the folder cannot be read.
    void Path(const std::wstring& path);
    Handler Change;
    // A row the user opened could not be read; the list stays at its folder.
    std::function<void(const FolderUnreadable&)> OpenFailed;

    // Rows: first the open path (the root, then one row per folder down to the
    // open one), then the open folder's subfolders in name order.
    int ListCount() const { return static_cast<int>(rows_.size()); }
    // The row's name as shown: the root as "C:\", any other folder by its name.
    const std::wstring& List(int row) const { return rows_.at(static_cast<size_t>(row)); }
    int indent(int row) const;
    // Rows on the open path (shown as open folders); the last of them is the open folder.
    int pathRows() const { return pathRows_; }
    std::wstring rowPath(int row) const;
    // The row of the folder with this name, -1 when none.
    int find(const std::wstring& name) const;

    // The highlighted row, which the keyboard moves and Enter opens.
    int ListIndex() const { return listIndex_; }
    void ListIndex(int row);

    // Reads the open folder again.
    void Refresh();

    // For the backends: a click on a row, and a double-click or Enter on it.
    void userHighlighted(int row);
    void userOpened(int row);

private:
    std::wstring path_;
    std::vector<std::wstring> rows_;
    int pathRows_ = 0;
    int listIndex_ = -1;
};

}  // namespace tk
