#include "core/host.h"

#include <stdexcept>

namespace lorvane {
namespace {
Host* current = nullptr;
}

Host& host() {
    if (!current) throw std::logic_error("no host installed");
    return *current;
}

Host* setHost(Host* host) {
    Host* previous = current;
    current = host;
    return previous;
}

}  // namespace lorvane
