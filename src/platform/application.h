#pragma once

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <string>

#include "platform/dialogs.h"
#include "platform/errordisplay.h"

namespace corvane {

// The application object. Its title is Qt's application display name, the
// caption of the standard error display and what the desktop shows beside the
// main window's caption. Create it after the QApplication.
class TApplication : public ErrorDisplay {
public:
    explicit TApplication(Dialogs& dialogs = SystemDialogs());

    // The text last given to SetTitle; Qt's display name while none was given.
    std::string Title() const;
    // Also sets the main window's title again, because Qt composes the display
    // name into a window title only when that title is set.
    void SetTitle(const std::string& title);

    // The window that Minimize, Restore and SetTitle act on; not owned.
    void SetMainWindow(QWidget* window);
    QWidget* MainWindow() const { return mainWindow_; }

    void Minimize();
    // Shows a minimized main window again in its former state and activates it;
    // nothing otherwise.
    void Restore();
    bool IsMinimized() const;

    // Runs the pending events, and those they post, until none is left (bounded
    // by kMessageBudget, so a stream of events cannot hold the caller forever).
    void ProcessMessages();
    static constexpr std::chrono::milliseconds kMessageBudget{50};

    // The plain box: the text, one OK button, no icon, the caption "Error".
    void MessageBox(const std::string& text);
    // The standard error display: ErrorDisplayText of the message, the title as
    // caption, one OK button, the stop icon.
    void ShowError(const Exception& error) override;
    void Beep();

    Dialogs& DialogBoxes() const { return dialogs_; }

    static constexpr const char* kMessageBoxCaption = "Error";

private:
    Dialogs& dialogs_;
    std::string title_;
    QPointer<QWidget> mainWindow_;
};

}  // namespace corvane
