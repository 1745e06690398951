// The drive list: an owner-drawn drop-down list of the drives, each with the
// shell's icon for its kind. Opening the list reads the drives again.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <algorithm>
#include <map>

#include "toolkit/drive_list.h"
#include "toolkit/win32/win32_list_peers.h"

namespace tk::win32 {
namespace {

// CB_SETITEMHEIGHT's index for the closed box's own field rather than a row.
constexpr WPARAM kSelectionField = static_cast<WPARAM>(-1);

// Asked once a drive letter and kept for the run.
HICON driveIcon(const files::DriveInfo& drive) {
    static std::map<wchar_t, AutoDestroyIcon> icons;
    AutoDestroyIcon& icon = icons[drive.letter];
    if (!icon) {
        // A floppy drive is shown by its kind alone: asking the drive itself would make it spin.
        const bool floppy =
            drive.type == files::DriveType::Removable && (drive.letter == L'A' || drive.letter == L'B');
        const wchar_t root[] = {drive.letter, L':', L'\\', L'\0'};
        icon = smallShellIcon(root, floppy ? SHGFI_USEFILEATTRIBUTES : 0);
    }
    return icon;
}

class DriveListPeer final : public ChildWindowPeer, public OwnerDrawn {
public:
    DriveListPeer(DriveList& list, HWND parent, int id)
        : ChildWindowPeer(list, create(list, parent, id, L"COMBOBOX",
                                       WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST |
                                           CBS_OWNERDRAWFIXED | CBS_HASSTRINGS)),
          list_(list) {
        routeOwnerDraw(hwnd(), *this);
        update(Property::Font);
        update(Property::Items);
    }
    ~DriveListPeer() override { stopOwnerDraw(hwnd()); }

    void update(Property what) override {
        updating_ = true;
        switch (what) {
            case Property::Items:
                fillComboBox(hwnd(), list_);
                [[fallthrough]];
            case Property::Selection:
                SendMessageW(hwnd(), CB_SETCURSEL, static_cast<WPARAM>(list_.ListIndex()), 0);
                break;
            case Property::Font:
            case Property::Bounds: {
                ChildWindowPeer::update(what);
                // The closed box keeps the height of its design; the rows fit an icon.
                const int dpi = dpiOf(GetParent(hwnd()));
                const RECT r = pixelRect(control(), dpi);
                const int border = GetSystemMetrics(SM_CYEDGE) * 2 + 2;
                SendMessageW(hwnd(), CB_SETITEMHEIGHT, kSelectionField,
                             std::max<LPARAM>(r.bottom - r.top - border, 1));
                SendMessageW(hwnd(), CB_SETITEMHEIGHT, 0, iconRowHeight(hwnd()));
                placeDropDown(hwnd(), control());
                break;
            }
            default: ChildWindowPeer::update(what); break;
        }
        updating_ = false;
    }

    void notify(WORD code) override {
        if (updating_) return;
        switch (code) {
            case CBN_DROPDOWN: list_.Refresh(); break;
            // While the list is open the choice is only tracked; it counts when the list closes.
            case CBN_SELCHANGE:
                if (SendMessageW(hwnd(), CB_GETDROPPEDSTATE, 0, 0)) break;
                [[fallthrough]];
            case CBN_CLOSEUP:
                list_.userChose(static_cast<int>(SendMessageW(hwnd(), CB_GETCURSEL, 0, 0)));
                break;
            default: break;
        }
    }

    void drawItem(const DRAWITEMSTRUCT& item) override {
        const int index = static_cast<int>(item.itemID);
        if (index < 0 || index >= list_.ListCount()) {
            drawIconRow(item, nullptr, 0, L"");
            return;
        }
        drawIconRow(item, driveIcon(list_.drive(index)), 0, list_.List(index).c_str());
    }

private:
    DriveList& list_;
};

}  // namespace

std::unique_ptr<ChildWindowPeer> createDriveListPeer(Control& list, HWND parent, int id) {
    return std::make_unique<DriveListPeer>(static_cast<DriveList&>(list), parent, id);
}

}  // namespace tk::win32
