#include "apply/system_access.h"

#include "core/installed.h"

namespace lorvane {
namespace {
constinit Installed<SystemAccess> installed("no system access installed");
}

SystemAccess& systemAccess() { return installed.get(); }

SystemAccess* setSystemAccess(SystemAccess* access) { return installed.set(access); }

}  // namespace lorvane
