#include "core/host.h"

#include "core/installed.h"

namespace lorvane {
namespace {
constinit Installed<Host> installed("no host installed");
}

Host& host() { return installed.get(); }

Host* setHost(Host* host) { return installed.set(host); }

}  // namespace lorvane
