#include "toolkit/dialog_failure.h"

#include "toolkit/app.h"
#include "toolkit/common_dialog.h"

namespace tk {

int endOnDialogFailure(int result, const std::wstring& dialogName) {
    if (result == 0 || result == cdl::Cancel) return result;
    messageBox(filled(texts().dialogFailure, dialogName), box::Stop);
    EndProgram();
    return result;
}

}  // namespace tk
