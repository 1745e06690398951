#include "toolkit/common_dialog.h"

#include "toolkit/backend.h"

namespace tk {

int CommonDialog::ShowOpen() { return backend().showOpenDialog(*this); }

int CommonDialog::ShowFont() { return backend().showFontDialog(*this); }

}  // namespace tk
