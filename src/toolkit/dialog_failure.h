// A standard dialog that fails for a reason other than the user cancelling leaves
// nothing sensible to do: the user is told, under the dialog's own name, and the
// program ends.
#pragma once

#include <string>

namespace tk {

// Passes on a Show result that says the user chose (0) or cancelled (cdl::Cancel);
// any other result is told with a stop icon and ends the program.
int endOnDialogFailure(int result, const std::wstring& dialogName);

}  // namespace tk
