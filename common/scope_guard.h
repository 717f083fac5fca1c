#pragma once
// Runs a clean-up action when the scope ends, however it ends: the way a
// procedure's "always" steps are written here.
#include <utility>

namespace corvanta {

template <typename F>
class ScopeGuard {
public:
    explicit ScopeGuard(F action) : action_(std::move(action)) {}
    ~ScopeGuard() { action_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    F action_;
};

}  // namespace corvanta
