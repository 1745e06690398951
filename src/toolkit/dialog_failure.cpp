#include "toolkit/dialog_failure.h"

#include "core/host.h"
#include "toolkit/app.h"
#include "toolkit/common_dialog.h"

namespace tk {

int endOnDialogFailure(int result, const std::wstring& dialogName) {
    if (result == 0 || result == cdl::Cancel) return result;
    lorvane::MsgBox(L"[" + dialogName + L"] ﾀﾞｲｱﾛｸﾞ ﾎﾞｯｸｽで予期しないｴﾗｰが発生しました。", lorvane::mb::Critical);
    EndProgram();
    return result;
}

}  // namespace tk
