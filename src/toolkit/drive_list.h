// A drop-down list of the machine's drives, shown as a Windows drive list shows
// them: the letter and, in brackets, the volume label.
#pragma once

#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/file_system.h"

namespace tk {

class DriveList : public Control {
public:
    // Reads the machine's drives and selects the first fixed drive.
    explicit DriveList(Container& parent);

    // The selected drive's designation, such as "C:".
    std::wstring Drive() const;
    // Selects the drive that the text begins with ("d:", "D:\DATA", "d: [DISK]");
    // a different drive runs the change handler. Throws std::invalid_argument
    // when the machine has no such drive.
    void Drive(const std::wstring& text);
    Handler Change;

    int ListCount() const { return static_cast<int>(drives_.size()); }
    // The entry as shown: "c: [SYSTEM]", "a:", "z: [\\server\share]".
    std::wstring List(int index) const;
    const files::DriveInfo& drive(int index) const { return drives_.at(static_cast<size_t>(index)); }
    int ListIndex() const { return listIndex_; }

    // Reads the drives again (the list does so each time the user opens it).
    void Refresh();

    // For the backends: the user chose this entry.
    void userChose(int index);

private:
    int indexOf(wchar_t letter) const;
    std::vector<files::DriveInfo> drives_;
    int listIndex_ = -1;
};

}  // namespace tk
