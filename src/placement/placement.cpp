#include "placement/placement.h"

#include <string>

#include "core/host.h"
#include "toolkit/app.h"

namespace lorvane {

void subMoveForm(tk::Form& window, Int16 prmMode) {
    const float screenW = tk::ScreenWidth();
    const float screenH = tk::ScreenHeight();
    const float w = window.Width();
    const float h = window.Height();
    float top = 0;
    float left = 0;
    switch (prmMode) {
        case placement::Centre: top = screenH / 2 - h / 2; left = screenW / 2 - w / 2; break;
        case placement::TopLeft: top = 0; left = 0; break;
        case placement::TopRight: top = 0; left = screenW - w; break;
        case placement::BottomLeft: top = screenH - h; left = 0; break;
        case placement::BottomRight: top = screenH - h; left = screenW - w; break;
        default:
            MsgBox(L"引数エラー\r\n\r\n関数名：subMoveForm\r\n引数名：prmMode\r\n値　　：" + std::to_wstring(prmMode),
                   mb::OkOnly);
            return;
    }
    // A window larger than the screen keeps its top or left edge on the screen.
    if (h > screenH) top = 0;
    if (w > screenW) left = 0;
    window.Top(top);
    window.Left(left);
}

}  // namespace lorvane
