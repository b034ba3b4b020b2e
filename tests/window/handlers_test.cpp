#include <QLineEdit>
#include <QTimer>
#include <filesystem>

#include "platform/browserwindow.h"
#include "platform/inputevents.h"
#include "window/images.h"
#include "window/mainwindow.h"

namespace corvane::test {
namespace {

// The user's choice of entry `index` from a drop-down list.
void Choose(TComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

class HandlersTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
            WriteFile(music.Child(name), "");
        }
        StoredSettings stored;
        stored.lastDir = music.Path();
        WriteStore(stored);
    }

    TempDir music;
};

TEST_F(HandlersTest, SettingsPageChoicesGoIntoTheRecord) {
    TAacMain& w = Start();
    struct PriorityCase {
        int index;
        int32_t priorityClass;
    };
    for (const PriorityCase c : {PriorityCase{3, 256}, {0, 64}, {1, 32}}) {
        Choose(w.PriorityBox, c.index);
        EXPECT_EQ(Cfg().PriorityIndex, c.index);
        EXPECT_EQ(Cfg().Priority, c.priorityClass);
    }
    Choose(w.BitrateBox, 0);
    EXPECT_EQ(Cfg().BitrateIndex, 0);
    EXPECT_EQ(Cfg().Bitrate, "32000  ");

    // A typed letter leaves no entry selected; a choice from the list selects again.
    w.EncoderBox->lineEdit()->setFocus();
    TypeText(w.EncoderBox->lineEdit(), QStringLiteral("x"));
    EXPECT_EQ(Cfg().Encoder, -1);
    EXPECT_EQ(w.EncoderBox->count(), 2);
    Choose(w.EncoderBox, 0);
    EXPECT_EQ(Cfg().Encoder, 0);
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

// The three ".." buttons share one dialog: it opens at the folder confirmed
// last through any of them, and a cancel changes nothing.
TEST_F(HandlersTest, BrowseButtonsShareOneFolderDialog) {
    TAacMain& w = Start();
    TempDir chosen;
    dialogs.folderAnswers = {chosen.Path() + "/", std::nullopt, std::string("/")};
    Click(w.BrowseButton1);
    EXPECT_EQ(w.HomeDir->Caption(), chosen.Path());
    Click(w.BrowseButton3);
    EXPECT_EQ(w.OutputDir->Caption(), "Default");
    Click(w.BrowseButton2);
    EXPECT_EQ(w.QuarDir->Caption(), "/");
    ASSERT_EQ(dialogs.folderRequests.size(), 3u);
    for (const auto& request : dialogs.folderRequests) {
        EXPECT_EQ(request.title, "Select Encoder Directory");
        EXPECT_EQ(request.owner, &w);
    }
    EXPECT_EQ(dialogs.folderRequests[0].preselect, "");
    EXPECT_EQ(dialogs.folderRequests[1].preselect, chosen.Path());
    EXPECT_EQ(dialogs.folderRequests[2].preselect, chosen.Path());
}

// A click on AddFileBtn does what a double click in the file list does, and a
// click on RemoveBtn what a double click in the encode list does.
TEST_F(HandlersTest, DoubleBoundHandlersMatchTheirButtons) {
    TAacMain& w = Start();
    ASSERT_EQ(w.FileListBox->Count(), 3);
    w.FileListBox->SelectOnly({0, 2});
    Click(w.AddFileBtn);
    const std::vector<std::string> byButton = w.DestList->Items();
    EXPECT_EQ(byButton, (std::vector<std::string>{"a.wav", "c.wav"}));

    Click(w.RemoveAllBtn);
    EXPECT_EQ(w.DestList->Count(), 0);
    w.FileListBox->SelectOnly({0});
    DoubleClick(*w.FileListBox, 2, Qt::ControlModifier);
    EXPECT_EQ(w.DestList->Items(), byButton);

    Click(w.AddAllBtn);
    w.DestList->SelectOnly({1});
    Click(w.RemoveBtn);
    const std::vector<std::string> removedByButton = w.DestList->Items();
    EXPECT_EQ(removedByButton, (std::vector<std::string>{"a.wav", "c.wav"}));
    Click(w.AddAllBtn);
    DoubleClick(*w.DestList, 1);
    EXPECT_EQ(w.DestList->Items(), removedByButton);
}

// A change of folder records it, moves the file list and empties the encode list.
TEST_F(HandlersTest, ChangeOfFolderEmptiesTheEncodeList) {
    TAacMain& w = Start();
    std::filesystem::create_directory(music.Child("sub"));
    WriteFile(music.Child("sub/d.wav"), "");
    Click(w.AddAllBtn);
    w.DirectoryListBox->SetDirectory(music.Path());
    EXPECT_EQ(w.DestList->Count(), 3);
    w.DirectoryListBox->SetDirectory(music.Child("sub"));
    EXPECT_EQ(w.DestList->Count(), 0);
    EXPECT_EQ(Cfg().LastDir, music.Child("sub"));
    EXPECT_EQ(w.FileListBox->Items(), std::vector<std::string>{"d.wav"});
}

// An error raised inside a handler reaches the standard error display, and
// the window goes on working.
TEST_F(HandlersTest, ErrorInsideAHandlerIsShownAndTheWindowGoesOn) {
    TAacMain& w = Start();
    std::filesystem::create_directory(music.Child("gone"));
    w.DirectoryListBox->SetDirectory(music.Child("gone"));
    w.DirectoryListBox->SetDirectory(music.Path());
    int gone = -1;
    for (size_t i = 0; i < w.DirectoryListBox->Entries().size(); ++i) {
        if (w.DirectoryListBox->Entries()[i].name == "gone") {
            gone = static_cast<int>(i);
        }
    }
    ASSERT_GE(gone, 0);
    std::filesystem::remove(music.Child("gone"));
    Click(w.AddAllBtn);
    w.DirectoryListBox->OpenEntry(gone);
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(dialogs.errorBoxes[0].text, "File not found.");
    EXPECT_EQ(dialogs.errorBoxes[0].caption, kApplicationTitle);
    EXPECT_EQ(w.DestList->Count(), 3);
    EXPECT_EQ(Cfg().LastDir, music.Path());
    Click(w.RemoveAllBtn);
    EXPECT_EQ(w.DestList->Count(), 0);
}

// A run with a stand-in encoder that takes its time: `during` runs while the
// first file is being encoded.
class RunTest : public HandlersTest {
protected:
    void SetUp() override {
        HandlersTest::SetUp();
        InstallHelper("fakeenc", encoder.Path(), "aacenc.exe");
        for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
            WriteFile(music.Child(name), "sleep 400\n");
        }
        StoredSettings stored;
        stored.lastDir = music.Path();
        stored.encoder = 0;
        stored.bitrateIndex = 0;
        stored.bitrate = "32000  ";
        stored.homeBoyDir = encoder.Path();
        stored.outputDir = output.Path();
        stored.beepDone = false;
        WriteStore(stored);
    }

    void RunWith(const std::function<void(TAacMain&)>& during) {
        TAacMain& w = *window;
        bool ran = false;
        QTimer::singleShot(150, [&] {
            ran = true;
            during(w);
        });
        Click(w.EncodeBtn);
        EXPECT_TRUE(ran);
    }

    TempDir encoder;
    TempDir output;
};

TEST_F(RunTest, RunLocksTheSeventeenControlsAndStopEndsIt) {
    TAacMain& w = Start();
    Click(w.AddAllBtn);
    const QImage enabledLook = w.AddFileBtn->grab().toImage();
    RunWith([&](TAacMain& running) {
        EXPECT_TRUE(running.RunInProgress());
        for (LockedControl control : kLockList) {
            EXPECT_FALSE(running.LockedWidget(control)->isEnabled())
                << running.LockedWidget(control)->objectName().toStdString();
        }
        EXPECT_TRUE(running.BrowseButton3->isEnabled());
        EXPECT_TRUE(running.KillEncode->isEnabled());
        EXPECT_TRUE(running.PageControl->Tabs()->isEnabled());
        EXPECT_TRUE(running.EncodeBtn->isHidden());
        EXPECT_FALSE(running.KillEncode->isHidden());
        EXPECT_EQ(running.StatusBar->currentMessage(), QStringLiteral("AAC Encoding a.wav"));
        EXPECT_EQ(application.Title(), "Encoding a.wav");
        EXPECT_NE(running.AddFileBtn->grab().toImage(), enabledLook);
        // Choosing an output folder during the run changes the label only.
        dialogs.folderAnswers = {encoder.Path()};
        Click(running.BrowseButton3);
        EXPECT_EQ(running.OutputDir->Caption(), encoder.Path());
        Click(running.KillEncode);
    });
    EXPECT_FALSE(w.RunInProgress());
    EXPECT_EQ(w.StatusBar->currentMessage(), QStringLiteral("Encoding Aborted By User"));
    EXPECT_EQ(application.Title(), kApplicationTitle);
    for (LockedControl control : kLockList) {
        EXPECT_TRUE(w.LockedWidget(control)->isEnabled());
    }
    EXPECT_FALSE(w.EncodeBtn->isHidden());
    EXPECT_TRUE(w.KillEncode->isHidden());
    EXPECT_FALSE(Cfg().AbortRequested);
    EXPECT_EQ(w.AddFileBtn->grab().toImage(), enabledLook);
    EXPECT_FALSE(std::filesystem::exists(output.Child("a.aac")));
    EXPECT_EQ(w.DestList->Count(), 3);
}

TEST_F(RunTest, CompleteRunEncodesEveryFileInListOrder) {
    TAacMain& w = Start();
    Click(w.AddAllBtn);
    Click(w.EncodeBtn);
    EXPECT_EQ(w.StatusBar->currentMessage(), QStringLiteral("Done Encoding"));
    for (const char* name : {"a.aac", "b.aac", "c.aac"}) {
        EXPECT_TRUE(std::filesystem::exists(output.Child(name))) << name;
    }
    EXPECT_TRUE(dialogs.messageBoxes.empty());
}

// Closing during a run stops it; once it has unwound, the window saves and closes.
TEST_F(RunTest, ClosingDuringARunStopsItThenSavesAndCloses) {
    TAacMain& w = Start();
    Click(w.AddAllBtn);
    Choose(w.PriorityBox, 0);
    RunWith([&](TAacMain& running) {
        EXPECT_FALSE(running.close());
        EXPECT_TRUE(running.isVisible());
        EXPECT_NE(running.SettingsRecord(), nullptr);
    });
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.SettingsRecord(), nullptr);
    EXPECT_EQ(w.StatusBar->currentMessage(), QStringLiteral("Encoding Aborted By User"));
    EXPECT_EQ(ReadStore().priorityIndex, 0);
    EXPECT_FALSE(std::filesystem::exists(output.Child("b.aac")));
}

}  // namespace
}  // namespace corvane::test
