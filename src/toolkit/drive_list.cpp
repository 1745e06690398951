#include "toolkit/drive_list.h"

#include <cwctype>
#include <stdexcept>

#include "toolkit/events.h"

namespace tk {
namespace {

wchar_t upperLetter(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c))); }

}  // namespace

DriveList::DriveList(Container& parent) : Control(parent, ControlKind::DriveList) {
    drives_ = files::drives();
    for (int i = 0; i < ListCount() && listIndex_ < 0; ++i)
        if (drive(i).type == files::DriveType::Fixed) listIndex_ = i;
    if (listIndex_ < 0 && !drives_.empty()) listIndex_ = 0;
}

std::wstring DriveList::Drive() const {
    if (listIndex_ < 0) return {};
    return std::wstring(1, drive(listIndex_).letter) + L":";
}

void DriveList::Drive(const std::wstring& text) {
    if (text.size() < 2 || text[1] != L':') throw std::invalid_argument("DriveList::Drive: not a drive");
    int index = indexOf(upperLetter(text[0]));
    if (index < 0) {  // perhaps a drive that came after the list was read
        Refresh();
        index = indexOf(upperLetter(text[0]));
    }
    if (index < 0) throw std::invalid_argument("DriveList::Drive: no such drive");
    if (index == listIndex_) return;
    listIndex_ = index;
    changed(Property::Selection);
    if (Change) dispatchEvent(Change);
}

std::wstring DriveList::List(int index) const {
    const files::DriveInfo& d = drive(index);
    std::wstring entry{static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(d.letter))), L':'};
    if (!d.label.empty()) entry += L" [" + d.label + L"]";
    return entry;
}

void DriveList::Refresh() {
    const wchar_t selected = listIndex_ >= 0 ? drive(listIndex_).letter : L'\0';
    drives_ = files::drives();
    listIndex_ = indexOf(selected);
    if (listIndex_ < 0 && !drives_.empty()) listIndex_ = 0;
    changed(Property::Items);
}

void DriveList::userChose(int index) {
    if (!effectivelyEnabled() || index < 0 || index >= ListCount() || index == listIndex_) return;
    listIndex_ = index;
    if (Change) dispatchEvent(Change);
}

int DriveList::indexOf(wchar_t letter) const {
    for (int i = 0; i < ListCount(); ++i)
        if (drive(i).letter == letter) return i;
    return -1;
}

}  // namespace tk
