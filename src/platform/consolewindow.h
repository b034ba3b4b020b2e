#pragma once

#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTimer>
#include <string>
#include <string_view>

#include "platform/consolesink.h"

namespace corvane {

// The console of one shown encoder: a plain top-level read-only text window
// titled with the command line, shown when created and closed when destroyed.
// Output is decoded as UTF-8 (a sequence split across chunks decodes whole,
// invalid bytes show as the replacement character) and reaches the window on
// the next pass of the event loop, one insertion however many chunks arrived.
// A carriage return not followed by a line feed starts the line again, as a
// terminal shows progress lines. The oldest text goes once the window holds
// more than kMaxCharacters.
class ConsoleWindow : public QPlainTextEdit, public ConsoleSink {
    Q_OBJECT

public:
    explicit ConsoleWindow(const std::string& commandLine);
    ~ConsoleWindow() override;

    void Append(std::string_view bytes) override;

    // The shown text, with everything appended so far.
    QString Text();

    static constexpr int kMaxCharacters = 1 << 20;

private:
    void Flush();
    void Insert(QStringView text);
    void Trim();

    QStringDecoder decoder_;
    QString pending_;
    QTimer flushTimer_;
    bool lineRestarts_ = false;
};

// Makes a ConsoleWindow for each shown child.
ConsoleFactory ConsoleWindowFactory();

}  // namespace corvane
