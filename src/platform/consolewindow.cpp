#include "platform/consolewindow.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextCursor>

namespace corvane {

namespace {

constexpr QChar kReturn = u'\r';
constexpr QChar kNewline = u'\n';

}  // namespace

ConsoleWindow::ConsoleWindow(const std::string& commandLine) : decoder_(QStringDecoder::Utf8) {
    setWindowTitle(QString::fromUtf8(commandLine));
    // A console never keeps the program running, nor ends it when closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    resize(640, 360);
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(0);
    connect(&flushTimer_, &QTimer::timeout, this, &ConsoleWindow::Flush);
    show();
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::Append(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    pending_ += decoder_.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (pending_.size() > kMaxCharacters) {
        // Output that outran the event loop: only the newest could stay shown anyway.
        pending_.remove(0, pending_.size() - kMaxCharacters);
        if (!pending_.isEmpty() && pending_.front().isLowSurrogate()) {
            pending_.remove(0, 1);
        }
    }
    if (!flushTimer_.isActive()) {
        flushTimer_.start();
    }
}

QString ConsoleWindow::Text() {
    Flush();
    return toPlainText();
}

void ConsoleWindow::Flush() {
    flushTimer_.stop();
    if (pending_.isEmpty()) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();

    // A return at the very end waits: the next chunk may bring its line feed.
    const qsizetype end = pending_.back() == kReturn ? pending_.size() - 1 : pending_.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < end; ++i) {
        if (pending_[i] != kReturn) {
            continue;
        }
        Insert(QStringView(pending_).sliced(start, i - start));
        if (pending_[i + 1] != kNewline) {
            lineRestarts_ = true;
        }
        start = i + 1;
    }
    Insert(QStringView(pending_).sliced(start, end - start));
    pending_.remove(0, end);
    Trim();
    if (atEnd) {
        bar->setValue(bar->maximum());
    }
}

void ConsoleWindow::Insert(QStringView text) {
    if (text.isEmpty()) {
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (lineRestarts_) {
        // The text after a carriage return replaces the line it returned to.
        lineRestarts_ = false;
        cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.insertText(text.toString());
}

void ConsoleWindow::Trim() {
    QTextDocument* doc = document();
    if (doc->characterCount() <= kMaxCharacters) {
        return;
    }
    // Down to three quarters at once, so a full window does not trim on every insertion.
    QTextCursor cursor(doc);
    cursor.setPosition(0);
    cursor.setPosition(doc->characterCount() - kMaxCharacters * 3 / 4, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

ConsoleFactory ConsoleWindowFactory() {
    return [](const std::string& commandLine) -> std::unique_ptr<ConsoleSink> {
        return std::make_unique<ConsoleWindow>(commandLine);
    };
}

}  // namespace corvane
