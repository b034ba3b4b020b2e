#include "platform/guard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane {
namespace {

class RecordingDisplay : public ErrorDisplay {
public:
    void ShowError(const Exception& error) override { shown.push_back(error.Message()); }
    std::vector<std::string> shown;
};

TEST(RunGuarded, EveryKindOfExceptionEndsTheHandlerAndIsShown) {
    const struct {
        const char* name;
        std::function<void()> handler;
        const char* shown;
    } cases[] = {
        {"family", [] { throw EInOutError(2); }, "File not found"},
        {"descendant", [] { throw ERangeError("LastDir is empty"); }, "LastDir is empty"},
        {"standard", [] { throw std::runtime_error("vector too long"); },
         "Internal error: vector too long"},
        {"out of memory", [] { throw std::bad_alloc(); }, "Internal error: out of memory"},
        {"anything else", [] { throw 42; }, "Internal error: unknown exception"},
    };
    for (const auto& c : cases) {
        RecordingDisplay display;
        RunGuarded(display, c.handler);
        EXPECT_EQ(display.shown, std::vector<std::string>{c.shown}) << c.name;
    }
}

TEST(RunGuarded, HandlerThatSucceedsShowsNothing) {
    RecordingDisplay display;
    int ran = 0;
    RunGuarded(display, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(display.shown.empty());
}

TEST(RunGuarded, DisplayThatFailsStillLetsNothingOut) {
    class FailingDisplay : public ErrorDisplay {
    public:
        void ShowError(const Exception&) override {
            ++calls;
            throw std::bad_alloc();
        }
        int calls = 0;
    } display;
    RunGuarded(display, [] { throw Exception("Failed to set data for 'Bitrate'"); });
    EXPECT_GE(display.calls, 1);
}

TEST(Guarded, HandlerRunFromTheEventLoopKeepsTheLoopGoing) {
    RecordingDisplay display;
    bool laterRan = false;
    QTimer::singleShot(0, Guarded(display, [] { throw EStringListError("List index out"); }));
    QTimer::singleShot(0, [&] { laterRan = true; });
    QCoreApplication::processEvents();
    EXPECT_EQ(display.shown, std::vector<std::string>{"List index out"});
    EXPECT_TRUE(laterRan);
}

}  // namespace
}  // namespace corvane
