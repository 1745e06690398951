#include "toolkit/common_dialog.h"

#include "toolkit/backend.h"
#include "toolkit/testing.h"

namespace tk {

int CommonDialog::ShowOpen() {
    const testing::DialogAnswer* answer = nullptr;
    if (testing::active()) {
        answer = testing::recordDialog({L"open", DialogTitle, FileName, Filter, Flags});
        if (answer && answer->kind == testing::DialogAnswer::Fail) return cdl::Failure;
    }
    return backend().showOpenDialog(*this, answer);
}

int CommonDialog::ShowFont() {
    const testing::DialogAnswer* answer = nullptr;
    if (testing::active()) {
        answer = testing::recordDialog({L"font", DialogTitle, FontName, L"", Flags});
        if (answer && answer->kind == testing::DialogAnswer::Fail) return cdl::Failure;
    }
    return backend().showFontDialog(*this, answer);
}

}  // namespace tk
