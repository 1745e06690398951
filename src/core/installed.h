// The one instance of a service that the program (or a test) installs for the
// whole run, such as the Host or the SystemAccess.
#pragma once

#include <stdexcept>
#include <utility>

namespace lorvane {

template <class Service>
class Installed {
public:
    // missing: what asking before anything is installed throws.
    explicit constexpr Installed(const char* missing) : missing_(missing) {}

    Service& get() const {
        if (!current_) throw std::logic_error(missing_);
        return *current_;
    }
    // Installs service (nullptr: none) and returns the one it replaces.
    Service* set(Service* service) { return std::exchange(current_, service); }

private:
    const char* missing_;
    Service* current_ = nullptr;
};

}  // namespace lorvane
