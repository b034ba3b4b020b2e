#include "platform/consolewindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <string>
#include <vector>

namespace corvane {
namespace {

ConsoleWindow* OpenConsole(const std::string& commandLine) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* console = qobject_cast<ConsoleWindow*>(widget);
        if (console != nullptr && console->windowTitle() == QString::fromStdString(commandLine)) {
            return console;
        }
    }
    return nullptr;
}

TEST(ConsoleWindow, OpensAsAReadOnlyTopLevelWindowTitledWithTheCommandLineAndClosesWithTheSink) {
    const std::string line = "aacenc.exe \"/music/track01.wav\" \"/aac/track01.aac\" 128";
    std::unique_ptr<ConsoleSink> sink = ConsoleWindowFactory()(line);
    QPointer<ConsoleWindow> console = OpenConsole(line);
    ASSERT_NE(console, nullptr);
    EXPECT_TRUE(console->isVisible());
    EXPECT_TRUE(console->isWindow());
    EXPECT_TRUE(console->isReadOnly());
    EXPECT_FALSE(console->testAttribute(Qt::WA_QuitOnClose));

    sink.reset();
    EXPECT_TRUE(console.isNull());
    EXPECT_EQ(OpenConsole(line), nullptr);
}

TEST(ConsoleWindow, OutputReachesTheWindowWhenMessagesAreProcessed) {
    ConsoleWindow console("aacenc.exe");
    console.Append("size=  12kB time=00:00:01\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(console.toPlainText(), "size=  12kB time=00:00:01\n");
}

TEST(ConsoleWindow, MultiByteSequencesSplitAcrossChunksShowWhole) {
    // Two, three and four byte sequences, and a byte that is not UTF-8 at all.
    const std::string bytes = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xFF!\n";
    const QString shown = QString::fromUtf8("café € \xF0\x9F\x98\x80 \xEF\xBF\xBD!\n");
    const std::vector<size_t> chunkSizes{1, 2, 3, 5, bytes.size()};
    for (const size_t chunk : chunkSizes) {
        ConsoleWindow console("aacenc.exe");
        for (size_t at = 0; at < bytes.size(); at += chunk) {
            console.Append(std::string_view(bytes).substr(at, chunk));
        }
        EXPECT_EQ(console.Text(), shown) << "chunks of " << chunk;
    }
}

TEST(ConsoleWindow, CarriageReturnRestartsTheLineAndCarriageReturnLineFeedEndsIt) {
    const struct {
        std::vector<std::string> chunks;
        const char* shown;
    } cases[] = {
        {{"10%\r50%\r100%\n", "done\n"}, "100%\ndone\n"},
        {{"first\r\nsecond\r\n"}, "first\nsecond\n"},
        {{"first\r", "\nsecond"}, "first\nsecond"},
        {{"first\r", "again"}, "again"},
        {{"a\n", "\r", "b\n"}, "a\nb\n"},
    };
    for (const auto& c : cases) {
        ConsoleWindow console("aacenc.exe");
        for (const std::string& chunk : c.chunks) {
            console.Append(chunk);
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(console.Text(), c.shown) << c.shown;
    }
}

TEST(ConsoleWindow, KeepsTheNewestTextWhenTheOutputOutgrowsTheCap) {
    ConsoleWindow console("aacenc.exe");
    const std::string line(99, 'x');
    const int lines = ConsoleWindow::kMaxCharacters / 100 * 3 / 2;
    for (int i = 0; i < lines; ++i) {
        console.Append(line + "\n");
    }
    console.Append("last line\n");
    const QString text = console.Text();
    EXPECT_LE(text.size(), ConsoleWindow::kMaxCharacters);
    EXPECT_GE(text.size(), ConsoleWindow::kMaxCharacters / 2);
    EXPECT_TRUE(text.endsWith("x\nlast line\n"));
}

}  // namespace
}  // namespace corvane
