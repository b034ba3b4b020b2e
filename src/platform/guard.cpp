#include "platform/guard.h"

#include <cstdio>
#include <new>
#include <string>

namespace corvane {

namespace {

void Show(ErrorDisplay& display, const Exception& error) noexcept {
    try {
        display.ShowError(error);
    } catch (...) {
        // The display itself failed (out of memory, most likely); the message
        // still must not be lost without a trace.
        std::fprintf(stderr, "corvane: %s\n", error.what());
    }
}

void ShowInternal(ErrorDisplay& display, const char* what) noexcept {
    try {
        Show(display, Exception(std::string("Internal error: ") + what));
    } catch (...) {
        std::fprintf(stderr, "corvane: internal error: %s\n", what);
    }
}

}  // namespace

void RunGuarded(ErrorDisplay& display, const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const Exception& error) {
        Show(display, error);
    } catch (const std::bad_alloc&) {
        ShowInternal(display, "out of memory");
    } catch (const std::exception& error) {
        ShowInternal(display, error.what());
    } catch (...) {
        ShowInternal(display, "unknown exception");
    }
}

std::function<void()> Guarded(ErrorDisplay& display, std::function<void()> handler) {
    return [&display, handler = std::move(handler)] { RunGuarded(display, handler); };
}

}  // namespace corvane
