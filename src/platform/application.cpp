#include "platform/application.h"

#include <QApplication>
#include <QCoreApplication>

#include "platform/registry.h"

namespace corvane {

TApplication::TApplication(Dialogs& dialogs) : dialogs_(dialogs) {}

std::string TApplication::Title() const {
    const QString shown = QGuiApplication::applicationDisplayName();
    // The bytes last set come back unchanged, even those that do not decode.
    if (shown == QString::fromUtf8(title_)) {
        return title_;
    }
    return shown.toStdString();
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(title));
    if (mainWindow_ == nullptr) {
        return;
    }
    // Qt skips setting a title equal to the current one, so it passes through a
    // different text first.
    const QString caption = mainWindow_->windowTitle();
    mainWindow_->setWindowTitle(caption + QLatin1Char(' '));
    mainWindow_->setWindowTitle(caption);
}

void TApplication::SetMainWindow(QWidget* window) {
    mainWindow_ = window;
}

void TApplication::Minimize() {
    if (mainWindow_ != nullptr) {
        mainWindow_->setWindowState(mainWindow_->windowState() | Qt::WindowMinimized);
    }
}

void TApplication::Restore() {
    if (!IsMinimized()) {
        return;
    }
    mainWindow_->setWindowState((mainWindow_->windowState() & ~Qt::WindowMinimized) |
                                Qt::WindowActive);
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

bool TApplication::IsMinimized() const {
    return mainWindow_ != nullptr && mainWindow_->isMinimized();
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents,
                                    static_cast<int>(kMessageBudget.count()));
}

void TApplication::MessageBox(const std::string& text) {
    dialogs_.MessageBox(text, kMessageBoxCaption);
}

void TApplication::ShowError(const Exception& error) {
    std::string text = ErrorDisplayText(error.Message());
    // A refused store write keeps its standard message; the file and the cause
    // follow it so the user knows what to fix.
    if (const auto* write = dynamic_cast<const ERegistryWriteError*>(&error);
        write != nullptr && !write->Detail().empty()) {
        text += "\n\n" + write->Detail();
    }
    dialogs_.ErrorBox(text, Title());
}

void TApplication::Beep() {
    QApplication::beep();
}

}  // namespace corvane
