#include <sqlite3.h>

#include <filesystem>

#include "platform/exception.h"
#include "platform/paths.h"
#include "window/mainwindow.h"

namespace corvane::test {
namespace {

TEST_F(MainWindowTest, FirstStartShowsTheDefaultsAndTheProgramsFolder) {
    TAacMain& w = Start();
    EXPECT_EQ(w.BitrateBox->Text(), "128000 ");
    EXPECT_EQ(w.EncoderBox->Text(), "Tavrin/Quartex");
    EXPECT_EQ(w.PriorityBox->Text(), "Normal");
    EXPECT_EQ(Cfg().LastDir, ExecutableFolder());
    EXPECT_EQ(w.FileListBox->Directory(), ExecutableFolder());
    EXPECT_EQ(w.DirectoryListBox->Directory(), ExecutableFolder());
    EXPECT_EQ(w.DestList->Count(), 0);
    EXPECT_TRUE(dialogs.errorBoxes.empty());
    // The first start stored the defaults, LastDir with its trailing separator.
    EXPECT_EQ(ReadStore().lastDir, ExecutableFolder() + "/");
}

// Closing stores the twelve values as they stand; the next start finds them
// all: boxes, labels, check boxes and browsers.
TEST_F(MainWindowTest, ClosingStoresTheTwelveValuesAndTheNextStartRestoresThem) {
    TempDir music;
    WriteFile(music.Child("b.wav"), "");
    {
        TAacMain& w = Start();
        w.DirectoryListBox->SetDirectory(music.Path());
        w.BitrateBox->SetItemIndex(0);
        w.BitrateBoxChange();
        w.PriorityBox->SetItemIndex(3);
        w.PriorityBoxChange();
        w.EncoderBox->SetItemIndex(0);
        w.EncoderBoxChange();
        w.HomeDir->SetCaption("/enc/home");
        w.QuarDir->SetCaption("/enc/quar");
        w.OutputDir->SetCaption("/out");
        w.CheckMinimize->setChecked(true);
        w.CheckBeep->setChecked(false);
        w.CheckHideEnc->setChecked(false);
        EXPECT_TRUE(w.close());
        EXPECT_EQ(w.SettingsRecord(), nullptr);
    }
    const StoredSettings expected{"32000  ", music.Path(), "/enc/home", "/enc/quar", "/out", 0,
                                  256,       true,         false,       false,       0,      3};
    EXPECT_EQ(ReadStore(), expected);

    window.reset();
    ASSERT_EQ(::chdir(work.Path().c_str()), 0);
    TAacMain& w = Start();
    EXPECT_EQ(w.BitrateBox->Text(), "32000 ");
    EXPECT_EQ(w.PriorityBox->Text(), "Realtime");
    EXPECT_EQ(w.EncoderBox->Text(), "Homeboy");
    EXPECT_EQ(w.HomeDir->Caption(), "/enc/home");
    EXPECT_EQ(w.QuarDir->Caption(), "/enc/quar");
    EXPECT_EQ(w.OutputDir->Caption(), "/out");
    EXPECT_TRUE(w.CheckMinimize->isChecked());
    EXPECT_FALSE(w.CheckBeep->isChecked());
    EXPECT_FALSE(w.CheckHideEnc->isChecked());
    EXPECT_EQ(w.FileListBox->Directory(), music.Path());
    EXPECT_EQ(w.FileListBox->Items(), std::vector<std::string>{"b.wav"});
    EXPECT_EQ(Cfg().LastDir, music.Path());
    EXPECT_EQ(Cfg().Bitrate, "32000  ");
    EXPECT_TRUE(dialogs.errorBoxes.empty());
}

// Indexes that name no entry leave their boxes empty without an error, and the
// record keeps the stored values.
TEST_F(MainWindowTest, StoredIndexesNamingNoEntryLeaveTheBoxesEmpty) {
    StoredSettings stored;
    stored.lastDir = work.Path();
    stored.bitrate = "999 ";
    stored.bitrateIndex = 20;
    stored.encoder = 5;
    stored.priorityIndex = 2;
    stored.priority = 32;
    WriteStore(stored);
    TAacMain& w = Start();
    EXPECT_EQ(w.BitrateBox->ItemIndex(), -1);
    EXPECT_EQ(w.BitrateBox->Text(), "");
    EXPECT_EQ(Cfg().Bitrate, "999 ");
    EXPECT_EQ(w.EncoderBox->Text(), "");
    EXPECT_EQ(Cfg().Encoder, 5);
    EXPECT_EQ(w.PriorityBox->Text(), "High");
    EXPECT_EQ(Cfg().Priority, 32);
    EXPECT_TRUE(dialogs.errorBoxes.empty());

    // A run started before an encoder is chosen is refused.
    WriteFile(work.Child("a.wav"), "");
    w.DestList->Add("a.wav");
    w.EncodeBtnClick();
    ASSERT_EQ(dialogs.messageBoxes.size(), 1u);
    EXPECT_EQ(dialogs.messageBoxes[0].text, "Invalid Encoder Selected");
}

// The browsers end at a stored folder elsewhere; a stored folder that equals
// the working folder as the platform reports it sets off no change of folder,
// so the folder list keeps the subfolders it read when it was created.
TEST_F(MainWindowTest, StoredLastDirElsewhereAndEqualToTheWorkingFolder) {
    TempDir elsewhere;
    WriteFile(elsewhere.Child("x.wav"), "");
    struct Case {
        std::string lastDir;
        bool changesFolder;
        std::string shown;
    };
    const Case cases[] = {
        {elsewhere.Path(), true, elsewhere.Path()},
        {work.Path(), false, work.Path()},
        {work.Path() + "/", true, work.Path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastDir);
        window.reset();
        ASSERT_EQ(::chdir(work.Path().c_str()), 0);
        std::filesystem::remove(work.Child("late"));
        StoredSettings stored;
        stored.lastDir = c.lastDir;
        WriteStore(stored);
        TAacMain& w = Start(false);
        std::filesystem::create_directory(work.Child("late"));
        w.show();
        EXPECT_EQ(w.FileListBox->Directory(), c.shown);
        EXPECT_EQ(w.DirectoryListBox->Directory(), c.shown);
        EXPECT_EQ(Cfg().LastDir, c.shown);
        bool sawLate = false;
        for (const FolderEntry& entry : w.DirectoryListBox->Entries()) {
            sawLate = sawLate || entry.name == "late";
        }
        if (c.shown == work.Path()) {
            EXPECT_EQ(sawLate, c.changesFolder);
        }
        EXPECT_TRUE(dialogs.errorBoxes.empty());
    }
}

TEST_F(MainWindowTest, EmptyLastDirShowsARangeErrorAndLeavesTheBrowsers) {
    StoredSettings stored;
    stored.lastDir = "";
    stored.bitrateIndex = 2;
    stored.encoder = 0;
    stored.priorityIndex = 0;
    WriteStore(stored);
    TAacMain& w = Start();
    ASSERT_EQ(dialogs.errorBoxes.size(), 1u);
    EXPECT_EQ(dialogs.errorBoxes[0].text, std::string(TAacMain::kEmptyLastDirMessage) + ".");
    EXPECT_EQ(dialogs.errorBoxes[0].caption, kApplicationTitle);
    EXPECT_EQ(w.BitrateBox->Text(), "48000 ");
    EXPECT_EQ(w.EncoderBox->Text(), "Homeboy");
    EXPECT_EQ(w.PriorityBox->Text(), "Idle");
    EXPECT_EQ(w.FileListBox->Directory(), work.Path());
    EXPECT_EQ(Cfg().LastDir, "");
    w.close();
    EXPECT_EQ(ReadStore().lastDir, "");
}

// The show step runs once: a minimize and restore makes no second record.
TEST_F(MainWindowTest, RestoringFromMinimizedRunsNoSecondShowStep) {
    TAacMain& w = Start();
    TAacCfg* first = w.SettingsRecord();
    w.DestList->Add("kept.wav");
    application.Minimize();
    QApplication::processEvents();
    application.Restore();
    w.hide();
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(w.SettingsRecord(), first);
    EXPECT_EQ(w.DestList->Count(), 1);
}

// A value of the wrong kind makes the load fail part way: the error comes
// twice (the load's and the show step's), the window goes on with the
// first-run values and the labels the load applied, and closing repairs the store.
TEST_F(MainWindowTest, DamagedStoreAtStartLeavesAUsableWindowThatRepairsItAtClosing) {
    StoredSettings stored;
    stored.lastDir = work.Path();
    stored.homeBoyDir = "/enc/home";
    WriteStore(stored);
    {
        TRegistry registry(DefaultStorePath());
        ASSERT_TRUE(registry.OpenKey(kSettingsKey));
        registry.WriteString(kEncoderValue, "broken");
    }
    TAacMain& w = Start();
    ASSERT_EQ(dialogs.errorBoxes.size(), 2u);
    EXPECT_EQ(dialogs.errorBoxes[0].text, "Failed to get data for 'Encoder'");
    EXPECT_EQ(dialogs.errorBoxes[1].text, dialogs.errorBoxes[0].text);
    ASSERT_NE(w.SettingsRecord(), nullptr);
    EXPECT_EQ(w.HomeDir->Caption(), "/enc/home");
    EXPECT_EQ(Cfg().Encoder, 1);
    EXPECT_EQ(w.EncoderBox->Text(), "Tavrin/Quartex");
    EXPECT_EQ(w.BitrateBox->Text(), "128000 ");
    EXPECT_EQ(Cfg().LastDir, w.DirectoryListBox->Directory());

    w.PriorityBox->SetItemIndex(0);
    w.PriorityBoxChange();
    EXPECT_TRUE(w.close());
    const StoredSettings repaired = ReadStore();
    EXPECT_EQ(repaired.encoder, 1);
    EXPECT_EQ(repaired.priority, 64);
    EXPECT_EQ(repaired.homeBoyDir, "/enc/home");
    EXPECT_EQ(repaired.lastDir, work.Path());
}

// Holds the store's write lock, as another program writing it would.
class StoreWriteLock {
public:
    StoreWriteLock() {
        EXPECT_EQ(sqlite3_open(DefaultStorePath().c_str(), &db_), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~StoreWriteLock() { Release(); }
    void Release() {
        if (db_ != nullptr) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }

private:
    sqlite3* db_ = nullptr;
};

// A Save that fails at closing asks the user; Retry saves again, and the
// window closes either way.
TEST_F(MainWindowTest, SaveFailureAtClosingOffersRetryOrCloseWithoutSaving) {
    for (const SaveFailureChoice choice :
         {SaveFailureChoice::Retry, SaveFailureChoice::CloseWithoutSaving}) {
        window.reset();
        prompts.clear();
        ASSERT_EQ(::chdir(work.Path().c_str()), 0);
        StoredSettings stored;
        stored.lastDir = work.Path();
        WriteStore(stored);
        TAacMain& w = Start();
        w.HomeDir->SetCaption("/changed");
        auto lock = std::make_unique<StoreWriteLock>();
        promptAnswer = [&] {
            lock.reset();
            return choice;
        };
        EXPECT_TRUE(w.close());
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].caption, kApplicationTitle);
        EXPECT_NE(prompts[0].text.find("Failed to set data for 'Bitrate'"), std::string::npos)
            << prompts[0].text;
        EXPECT_EQ(w.SettingsRecord(), nullptr);
        EXPECT_EQ(ReadStore().homeBoyDir, choice == SaveFailureChoice::Retry ? "/changed" : "None");
    }
}

// Closing before the first showing has no record, and stores nothing.
TEST_F(MainWindowTest, ClosingBeforeTheFirstShowStoresNothing) {
    TAacMain& w = Start(false);
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(std::filesystem::exists(DefaultStorePath()));
}

}  // namespace
}  // namespace corvane::test
