// A failure in a handler that a window procedure ran: held until the message
// loop that delivered the message reports it, since an exception must not
// cross the system's code between the procedure and the loop.
#include <utility>

#include "toolkit/events.h"
#include "toolkit/win32/system_text.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {
std::exception_ptr heldException;
}  // namespace

void runGuarded(const std::function<void()>& action) {
    try {
        action();
    } catch (...) {
        holdException(std::current_exception());
    }
}

void holdException(std::exception_ptr error) {
    if (!heldException) heldException = error;
}

void rethrowHeldException() {
    if (std::exception_ptr error = std::exchange(heldException, nullptr)) std::rethrow_exception(error);
}

void reportHeldFailure(HWND where) {
    std::exception_ptr error = std::exchange(heldException, nullptr);
    if (!error) return;
    Form* failed = where ? formOf(GetAncestor(where, GA_ROOT)) : nullptr;
    reportFailure(error, failed ? failed : activeForm());
}

void throwLastError(const std::wstring& what) {
    const DWORD code = GetLastError();
    throw Failure(code == ERROR_SUCCESS ? what : what + L"\r\n" + systemErrorText(code));
}

}  // namespace tk::win32
