#include "apply/system_access.h"

#include <stdexcept>

namespace lorvane {
namespace {
SystemAccess* current = nullptr;
}

SystemAccess& systemAccess() {
    if (!current) throw std::logic_error("no system access installed");
    return *current;
}

SystemAccess* setSystemAccess(SystemAccess* access) {
    SystemAccess* previous = current;
    current = access;
    return previous;
}

}  // namespace lorvane
