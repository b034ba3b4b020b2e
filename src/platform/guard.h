#pragma once

#include <functional>

#include "platform/errordisplay.h"

namespace corvane {

// Runs one event handler to its end. An error of the exception family is shown
// with `display`; any other exception is shown as an internal error with what it
// says. Nothing leaves, so no exception ever crosses Qt's event loop.
void RunGuarded(ErrorDisplay& display, const std::function<void()>& handler) noexcept;

// The handler wrapped in RunGuarded, for connecting to a signal.
std::function<void()> Guarded(ErrorDisplay& display, std::function<void()> handler);

}  // namespace corvane
