#pragma once

#include <functional>

namespace corvane {

// Runs one user action of a browser control, together with every window handler
// it sets off, to its end. The window installs one that catches the exception
// family and shows it with the standard error display, so that no exception
// crosses Qt's event loop.
using UserActionGuard = std::function<void(const std::function<void()>& action)>;

// Runs `action` through `guard`. Without a guard, or when the guard itself lets
// something escape, the error is written to standard error instead: nothing leaves.
void RunUserAction(const UserActionGuard& guard, const std::function<void()>& action) noexcept;

}  // namespace corvane
