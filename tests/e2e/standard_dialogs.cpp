#include <algorithm>
#include <utility>

#include "driver_internal.h"

namespace e2e {

using namespace detail;

std::wstring MessageBoxWindow::text() const {
    return textOf(GetDlgItem(handle(), kMessageBoxTextId));
}

std::vector<int> MessageBoxWindow::buttons() const {
    std::vector<std::pair<LONG, int>> found;
    for (int result = IDOK; result <= IDCONTINUE; ++result)
        if (const Window button(GetDlgItem(handle(), result)); button.visible())
            found.emplace_back(button.rect().left, result);
    std::sort(found.begin(), found.end());
    std::vector<int> results;
    for (const auto& [left, result] : found) results.push_back(result);
    return results;
}

void MessageBoxWindow::press(int result) const {
    const Window button(GetDlgItem(handle(), result));
    if (!button.visible() || !button.enabled())
        throw DriverError("no button for result " + std::to_string(result) + " in " + describe());
    PostMessageW(handle(), WM_COMMAND, MAKEWPARAM(result, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.handle()));
}

std::wstring FileDialog::fileName() const {
    HWND box = descendantWithId(handle(), kFileNameCombo);
    return Window(box ? box : descendantWithId(handle(), kFileNameEdit)).contents();
}

void FileDialog::open(const std::wstring& path) const {
    bool typed = false;
    for (int id : {kFileNameCombo, kFileNameEdit})
        if (HWND box = descendantWithId(handle(), id)) {
            ask(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            typed = true;
        }
    if (!typed) throw DriverError("no file name box in " + describe());
    postClick(handle(), IDOK);
}

void FontDialog::choose(const std::wstring& face, int points) const {
    // As a click into each list does: the selection moves and the dialog hears of it.
    for (const auto& [id, item] : {std::pair{kFontFaceList, face}, std::pair{kFontSizeList, std::to_wstring(points)}}) {
        const Window list = childById(id);
        ask(list.handle(), CB_SETCURSEL, static_cast<WPARAM>(list.row(item)));
        ask(handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list.handle()));
    }
    postClick(handle(), IDOK);
}

}  // namespace e2e
