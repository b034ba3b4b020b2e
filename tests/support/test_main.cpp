#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "support/testsupport.h"

namespace corvane::test {

namespace {
std::unique_ptr<TempDir> g_home;
std::string g_homePath;
}  // namespace

const std::string& TestHome() {
    return g_homePath;
}

}  // namespace corvane::test

// Every test process gets its own HOME and XDG_CONFIG_HOME, so no test touches
// the user's settings, and runs the window code on the offscreen platform.
int main(int argc, char** argv) {
    using namespace corvane::test;
    g_home = std::make_unique<TempDir>();
    g_homePath = g_home->Path();
    ::setenv("HOME", g_homePath.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (g_homePath + "/.config").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);

    testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    g_home.reset();
    return result;
}
