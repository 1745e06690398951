#include "toolkit/events.h"

#include "toolkit/app.h"
#include "toolkit/backend.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"

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
    if (testing::active()) throw ProgramEnded{};
    backend().exitProcess();
}

namespace testing {
namespace {
bool testMode = false;
}
bool active() { return testMode; }
Overrides& overrides() {
    static Overrides o;
    return o;
}

void begin() {
    testMode = true;
    initialize();
    overrides() = Overrides{};
    unloadAllForms();
    ended = false;
    depth = 0;
    clearMessages();
}
}  // namespace testing

}  // namespace tk
