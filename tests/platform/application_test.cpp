#include "platform/application.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWindow>

#include "platform/modaldriver.h"
#include "platform/recordingdialogs.h"

namespace corvane {
namespace {

using test::ModalDriver;
using test::RecordingDialogs;
using Box = RecordingDialogs::Box;

TEST(TApplication, ErrorDisplayShowsTheMessageWithTheFullStopRuleUnderTheTitle) {
    RecordingDialogs dialogs;
    TApplication application(dialogs);
    application.SetTitle("Corvane 0.5");

    application.ShowError(EInOutError(2));
    application.ShowError(ERegistryException("Failed to get data for 'Encoder'"));

    const std::vector<Box> expected{{"File not found.", "Corvane 0.5"},
                                    {"Failed to get data for 'Encoder'", "Corvane 0.5"}};
    EXPECT_EQ(dialogs.errorBoxes, expected);
    EXPECT_TRUE(dialogs.messageBoxes.empty());
}

TEST(TApplication, RefusedStoreWriteNamesTheFileAfterItsMessage) {
    RecordingDialogs dialogs;
    TApplication application(dialogs);
    application.SetTitle("Corvane 0.5");
    application.ShowError(ERegistryWriteError(
        "Failed to set data for 'Bitrate'", "The settings store /x/registry.sqlite3 is full"));
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(dialogs.errorBoxes[0].text,
              "Failed to set data for 'Bitrate'\n\nThe settings store /x/registry.sqlite3 is full");
}

TEST(TApplication, ErrorDisplayCaptionFollowsTheCurrentTitle) {
    RecordingDialogs dialogs;
    TApplication application(dialogs);
    application.SetTitle("Encoding track01.wav");
    application.ShowError(Exception("Failed to create key Software\\Corvane"));
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(dialogs.errorBoxes[0],
              (Box{"Failed to create key Software\\Corvane.", "Encoding track01.wav"}));
}

TEST(TApplication, PlainMessageBoxHasTheDefaultCaption) {
    RecordingDialogs dialogs;
    TApplication application(dialogs);
    application.SetTitle("Corvane 0.5");
    application.MessageBox("Invalid Encoder Selected");
    EXPECT_EQ(dialogs.messageBoxes, (std::vector<Box>{{"Invalid Encoder Selected", "Error"}}));
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

struct ShownBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    bool onlyOk = false;
    Qt::TextFormat format = Qt::AutoText;
    Qt::WindowModality modality = Qt::NonModal;
};

// Reads the open box and presses its OK button, as a user would.
ShownBox ReadAndPressOk(QWidget* modal) {
    ShownBox shown;
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) {
        ADD_FAILURE() << "the modal widget is not a message box";
        return shown;
    }
    shown.text = box->text();
    shown.title = box->windowTitle();
    shown.icon = box->icon();
    shown.buttonCount = static_cast<int>(box->buttons().size());
    shown.onlyOk = box->standardButtons() == QMessageBox::Ok;
    shown.format = box->textFormat();
    shown.modality = box->windowModality();
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
        ok->click();
    }
    return shown;
}

TEST(TApplication, RealErrorDisplayIsAnApplicationModalStopBoxWithOneOk) {
    TApplication application;
    application.SetTitle("Corvane 0.5");
    ShownBox shown;
    ModalDriver driver([&](QWidget* modal) { shown = ReadAndPressOk(modal); });

    application.ShowError(EInOutError(3));

    ASSERT_TRUE(driver.Answered());
    EXPECT_EQ(shown.text, "Invalid filename.");
    EXPECT_EQ(shown.title, "Corvane 0.5");
    EXPECT_EQ(shown.icon, QMessageBox::Critical);
    EXPECT_EQ(shown.buttonCount, 1);
    EXPECT_TRUE(shown.onlyOk);
    EXPECT_EQ(shown.modality, Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(TApplication, RealPlainBoxHasNoIconOneOkAndShowsNamesAsPlainText) {
    TApplication application;
    application.SetTitle("Corvane 0.5");
    ShownBox shown;
    ModalDriver driver([&](QWidget* modal) { shown = ReadAndPressOk(modal); });

    application.MessageBox("Error - Encoder Not Found <b>x</b>");

    ASSERT_TRUE(driver.Answered());
    EXPECT_EQ(shown.text, "Error - Encoder Not Found <b>x</b>");
    EXPECT_EQ(shown.format, Qt::PlainText);
    EXPECT_EQ(shown.title, "Error");
    EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown.buttonCount, 1);
    EXPECT_TRUE(shown.onlyOk);
    EXPECT_EQ(shown.modality, Qt::ApplicationModal);
}

TEST(TApplication, TitleIsTheDisplayNameAndComesBackByteForByte) {
    TApplication application;
    for (const std::string title :
         {"Corvane 0.5", "Encoding track01.wav", "Encoding caf\xE9.wav"}) {
        application.SetTitle(title);
        EXPECT_EQ(application.Title(), title);
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), QString::fromUtf8(title));
    }
}

TEST(TApplication, SettingTheTitleHandsTheMainWindowItsCaptionAgain) {
    TApplication application;
    QWidget window;
    window.setWindowTitle("Corvane v0.5");
    window.show();
    ASSERT_NE(window.windowHandle(), nullptr);
    application.SetMainWindow(&window);
    QStringList handed;
    QObject::connect(window.windowHandle(), &QWindow::windowTitleChanged,
                     [&](const QString& title) { handed.append(title); });

    application.SetTitle("Encoding track01.wav");

    // The platform window composes "Corvane v0.5 — Encoding track01.wav" from
    // the caption it was last handed and the display name of that moment.
    ASSERT_FALSE(handed.isEmpty());
    EXPECT_EQ(handed.back(), "Corvane v0.5");
    EXPECT_EQ(window.windowTitle(), "Corvane v0.5");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Encoding track01.wav");
}

TEST(TApplication, MinimizeAndRestoreActOnTheMainWindow) {
    TApplication application;
    QWidget window;
    window.show();
    application.SetMainWindow(&window);

    application.Minimize();
    EXPECT_TRUE(application.IsMinimized());
    EXPECT_TRUE(window.isMinimized());

    application.Restore();
    EXPECT_FALSE(application.IsMinimized());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized),
              Qt::WindowNoState);
}

TEST(TApplication, RestoreDoesNothingUnlessMinimized) {
    TApplication application;
    application.Restore();  // no main window yet
    EXPECT_FALSE(application.IsMinimized());

    QWidget hidden;
    application.SetMainWindow(&hidden);
    application.Restore();
    EXPECT_FALSE(hidden.isVisible());

    QWidget maximized;
    maximized.showMaximized();
    application.SetMainWindow(&maximized);
    application.Restore();
    EXPECT_TRUE(maximized.isMaximized());
    EXPECT_TRUE(maximized.isVisible());
}

TEST(TApplication, RestoreBringsBackTheStateBeforeMinimizing) {
    TApplication application;
    QWidget window;
    window.showMaximized();
    application.SetMainWindow(&window);
    application.Minimize();
    application.Restore();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isMaximized());
}

// Counts its events; each one posts the next until `remaining` runs out.
class ChainReceiver : public QObject {
public:
    static constexpr QEvent::Type kType = QEvent::User;
    int received = 0;
    int remaining = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() != kType) {
            return QObject::event(e);
        }
        ++received;
        if (remaining-- > 0) {
            QCoreApplication::postEvent(this, new QEvent(kType));
        }
        return true;
    }
};

TEST(TApplication, ProcessMessagesRunsPostedEventsAndThoseTheyPostThenReturns) {
    TApplication application;
    ChainReceiver receiver;
    receiver.remaining = 4;
    QCoreApplication::postEvent(&receiver, new QEvent(ChainReceiver::kType));
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });

    application.ProcessMessages();

    EXPECT_EQ(receiver.received, 5);
    EXPECT_TRUE(timerRan);
    application.ProcessMessages();  // nothing pending: returns at once
    EXPECT_EQ(receiver.received, 5);
}

}  // namespace
}  // namespace corvane
