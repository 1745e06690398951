#include "toolkit/events.h"

#include <algorithm>

#include "toolkit/app.h"
#include "toolkit/backend.h"
#include "toolkit/form.h"

namespace tk {
namespace {
bool ended = false;
int depth = 0;
}  // namespace

bool programEnded() { return ended; }

void dispatchEvent(const std::function<void()>& handler) {
    if (ended) return;
    // Windows released by earlier events go now, when no handler can still be
    // running in them; the toolkit call that started this event may still be.
    if (depth == 0) detail::purgeRetired();
    ++depth;
    try {
        handler();
    } catch (const ProgramEnded&) {
        // The program ended inside the handler; nothing after it runs.
    } catch (...) {
        --depth;
        throw;
    }
    --depth;
}

void EndProgram() {
    ended = true;
    backend().exitProcess();
}

namespace {

// An exception's own text is UTF-8; a byte that is not, stands for itself.
std::wstring fromUtf8(const std::string& bytes) {
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            text += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            text += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<wchar_t>(code);
        }
        i += static_cast<std::size_t>(length);
    }
    return text;
}

bool anyWindowShown() {
    const auto& forms = loadedForms();
    return std::any_of(forms.begin(), forms.end(), [](const Form* form) { return form->Visible(); });
}

}  // namespace

std::wstring failureText(std::exception_ptr error) {
    std::wstring text = texts().unexpectedFailure;
    std::wstring detail;
    try {
        if (error) std::rethrow_exception(error);
    } catch (const Failure& failure) {
        detail = failure.text();
    } catch (const std::exception& e) {
        detail = fromUtf8(e.what());
    } catch (...) {
    }
    if (!detail.empty()) text += L"\r\n\r\n" + detail;
    return text;
}

void reportFailure(std::exception_ptr error, Form* failed) {
    if (ended) return;
    messageBox(failureText(error), box::Stop);
    if (failed && failed->loaded()) {
        try {
            failed->Unload();
        } catch (...) {
            failed->discard();  // its own unload failed too: closed without its handlers
        }
    }
    if (ended || anyWindowShown()) return;
    // Nothing left that the user could work with.
    unloadAllForms();
    backend().allFormsUnloaded();
}

namespace detail {
void restartProgram() {
    unloadAllForms();
    ended = false;
    depth = 0;
}
}  // namespace detail

}  // namespace tk
