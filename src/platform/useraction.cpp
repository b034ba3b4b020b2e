#include "platform/useraction.h"

#include <cstdio>
#include <exception>

namespace corvane {

namespace {

void Report(const char* what) noexcept {
    std::fprintf(stderr, "corvane: %s\n", what);
}

}  // namespace

void RunUserAction(const UserActionGuard& guard, const std::function<void()>& action) noexcept {
    try {
        if (guard) {
            guard(action);
        } else {
            action();
        }
    } catch (const std::exception& error) {
        Report(error.what());
    } catch (...) {
        Report("unknown exception in a user action");
    }
}

}  // namespace corvane
