#include "toolkit/backend.h"

namespace tk {
namespace {
Backend* replacement = nullptr;
}  // namespace

Backend& backend() { return replacement ? *replacement : systemBackend(); }

void useBackend(Backend* backend) { replacement = backend; }

}  // namespace tk
