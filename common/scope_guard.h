#pragma once
// Runs a clean-up action when the scope ends, however it ends: the way a
// procedure's "always" steps are written here.
//
// The action must not throw. It may run while an exception is already on its
// way out of the scope, and a second one cannot be carried alongside it; the
// destructor is noexcept, so an action that throws ends the program at once
// rather than replacing the first error with its own.
#include <utility>

namespace corvanta {

template <typename F>
class ScopeGuard {
public:
    explicit ScopeGuard(F action) : action_(std::move(action)) {}
    ~ScopeGuard() noexcept { action_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    F action_;
};

}  // namespace corvanta
