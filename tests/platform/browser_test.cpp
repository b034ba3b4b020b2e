#include <gtest/gtest.h>

#include <QIcon>
#include <filesystem>

#include "browserwindow.h"
#include "platform/paths.h"
#include "platform/useraction.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::BrowserWindow;
using test::TempDir;
using test::WriteFile;

// Three volumes stand in for drives: the root and two folders of a temporary
// folder that the volume table names as mount points.
class BrowserTest : public ::testing::Test {
protected:
    BrowserTest() {
        for (const char* folder :
             {"volA/music/wav", "volA/music/Other", "volA/music/.hidden", "volB/disc", "work"}) {
            fs::create_directories(temp_.Child(folder));
        }
        for (const char* file : {"volA/music/wav/b.wav", "volA/music/wav/A.WAV",
                                 "volA/music/wav/notes.txt", "volB/one.wav", "work/w.wav"}) {
            WriteFile(temp_.Child(file), "");
        }
        EXPECT_EQ(ChangeDirectory(temp_.Child("volA/music")), 0);
    }

    VolumeState MakeVolumes(const std::vector<std::string>& extra = {}) {
        std::vector<Volume> volumes = {
            {"/", "", "ext4", ""}, {VolA(), "", "ext4", "A"}, {VolB(), "", "vfat", ""}};
        for (const std::string& mountPoint : extra) {
            volumes.push_back({mountPoint, "", "ext4", ""});
        }
        return VolumeState(std::move(volumes));
    }

    std::string VolA() const { return temp_.Child("volA"); }
    std::string VolB() const { return temp_.Child("volB"); }
    std::string Music() const { return temp_.Child("volA/music"); }

    int RowOf(const TDirectoryListBox& list, const std::string& path) const {
        const auto& entries = list.Entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].path == path) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    test::ScopedCurrentDirectory restore_;
    TempDir temp_;
};

TEST_F(BrowserTest, CreationShowsTheWorkingFolderWithoutAFolderChange) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);

    EXPECT_EQ(window.driveChanges, 1);
    EXPECT_EQ(window.folderChanges, 0);
    EXPECT_EQ(window.DriveComboBox.Drive(), VolA());
    EXPECT_EQ(window.DriveComboBox.currentText().toStdString(), VolA() + " [A]");
    EXPECT_EQ(window.DriveComboBox.count(), 3);
    EXPECT_EQ(window.DirectoryListBox.Directory(), Music());
    EXPECT_EQ(window.DirectoryListBox.Drive(), VolA());
    EXPECT_EQ(window.FileListBox.Directory(), Music());
    EXPECT_EQ(window.FileListBox.Count(), 0);
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(BrowserTest, FolderListShowsThePathThenVisibleSubfolders) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    using Kind = FolderEntry::Kind;
    EXPECT_EQ(window.DirectoryListBox.Entries(),
              (std::vector<FolderEntry>{{VolA(), VolA(), 0, Kind::Path},
                                        {Music(), "music", 1, Kind::Current},
                                        {Music() + "/Other", "Other", 2, Kind::Subfolder},
                                        {Music() + "/wav", "wav", 2, Kind::Subfolder}}));
    TDirectoryListBox& list = window.DirectoryListBox;
    EXPECT_EQ(list.CurrentEntry(), 1);
    EXPECT_EQ(list.currentIndex().row(), 1);
    EXPECT_TRUE(list.selectionModel()->isSelected(list.model()->index(1, 0)));

    const auto icon = [&](int row) {
        return list.model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
    };
    EXPECT_FALSE(icon(0).isNull());
    EXPECT_NE(icon(0).cacheKey(), icon(1).cacheKey());
    EXPECT_NE(icon(1).cacheKey(), icon(2).cacheKey());
    EXPECT_NE(icon(0).cacheKey(), icon(2).cacheKey());
    EXPECT_EQ(icon(2).cacheKey(), icon(3).cacheKey());
    EXPECT_EQ(list.model()->index(3, 0).data(Qt::AccessibleTextRole).toString(), "wav");
}

TEST_F(BrowserTest, DoubleClickOpensAFolderAndRunsTheFolderChange) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music());
    window.DestList.Add("old.wav");

    test::Click(window.DirectoryListBox, 3);
    EXPECT_EQ(window.DirectoryListBox.Directory(), Music()) << "a single click only selects";

    test::DoubleClick(window.DirectoryListBox, 3);
    EXPECT_EQ(window.folderChanges, 1);
    EXPECT_EQ(window.DirectoryListBox.Directory(), Music() + "/wav");
    EXPECT_EQ(CurrentDirectory(), Music() + "/wav");
    EXPECT_EQ(window.LastDir, Music() + "/wav");
    EXPECT_EQ(window.FileListBox.Directory(), Music() + "/wav");
    EXPECT_EQ(window.FileListBox.Items(), (std::vector<std::string>{"A.WAV", "b.wav"}));
    EXPECT_EQ(window.DestList.Count(), 0);
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(BrowserTest, EnterOpensTheFocusedEntry) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music());
    window.DirectoryListBox.setCurrentIndex(window.DirectoryListBox.model()->index(0, 0));
    test::PressKey(window.DirectoryListBox, Qt::Key_Return);
    EXPECT_EQ(window.DirectoryListBox.Directory(), VolA());
    EXPECT_EQ(window.LastDir, VolA());
    EXPECT_EQ(window.folderChanges, 1);
}

TEST_F(BrowserTest, OpeningTheFolderShownOrPickingTheDriveShownKeepsTheList) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music());
    window.DestList.Add("kept.wav");

    test::DoubleClick(window.DirectoryListBox, window.DirectoryListBox.CurrentEntry());
    window.DriveComboBox.PickEntry(window.DriveComboBox.currentIndex());
    window.DirectoryListBox.SetDirectory(Music());

    EXPECT_EQ(window.folderChanges, 0);
    EXPECT_EQ(window.DestList.Items(), (std::vector<std::string>{"kept.wav"}));
    EXPECT_EQ(window.LastDir, Music());
}

TEST_F(BrowserTest, TrailingSeparatorIsAChangeAndIsDropped) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music() + "/");
    EXPECT_EQ(window.folderChanges, 1);
    EXPECT_EQ(window.DirectoryListBox.Directory(), Music());
    EXPECT_EQ(window.LastDir, Music());
}

TEST_F(BrowserTest, LastDirAtTheRootEndsWithTheSeparator) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music());
    window.DirectoryListBox.SetDrive("/");
    EXPECT_EQ(window.DirectoryListBox.Directory(), "/");
    ASSERT_TRUE(window.LastDir.has_value());
    EXPECT_EQ(*window.LastDir, "/");
    EXPECT_EQ(window.FileListBox.Directory(), "/");
    EXPECT_EQ(window.DirectoryListBox.Entries().front(),
              (FolderEntry{"/", "/", 0, FolderEntry::Kind::Current}));
}

TEST_F(BrowserTest, FolderThatCannotBeEnteredLeavesEveryControlAsItWas) {
    WriteFile(Music() + "/Other.wav", "");
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music());
    window.DestList.Add("kept.wav");
    const auto entries = window.DirectoryListBox.Entries();
    const auto files = window.FileListBox.Items();

    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {Music() + "/Other", "File not found"},        // removed behind the list's back
        {Music() + "/Other.wav", "Invalid filename"},  // a file, not a folder
        {Music() + "/" + std::string(300, 'n'), "Invalid filename"},
    };
    fs::remove(Music() + "/Other");
    for (const auto& c : cases) {
        window.errors.clear();
        window.DirectoryListBox.OpenEntry(RowOf(window.DirectoryListBox, Music() + "/Other"));
        window.Guard([&] { window.DirectoryListBox.SetDirectory(c.path); });
        EXPECT_EQ(window.errors, (std::vector<std::string>{"File not found", c.message}));
        EXPECT_EQ(window.folderChanges, 0);
        EXPECT_EQ(window.DirectoryListBox.Directory(), Music());
        EXPECT_EQ(window.DirectoryListBox.Entries(), entries);
        EXPECT_EQ(window.FileListBox.Directory(), Music());
        EXPECT_EQ(window.FileListBox.Items(), files);
        EXPECT_EQ(window.DestList.Items(), (std::vector<std::string>{"kept.wav"}));
        EXPECT_EQ(window.LastDir, Music());
        EXPECT_EQ(CurrentDirectory(), Music());
    }
}

TEST_F(BrowserTest, FileAddedBehindTheListsBackShowsAfterEnteringAgain) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music() + "/wav");
    WriteFile(Music() + "/wav/c.wav", "");

    window.FileListBox.ApplyFilePath(Music() + "/wav");
    window.DirectoryListBox.SetDirectory(Music() + "/wav");
    EXPECT_EQ(window.FileListBox.Items(), (std::vector<std::string>{"A.WAV", "b.wav"}));

    window.DirectoryListBox.SetDirectory(Music());
    window.DirectoryListBox.SetDirectory(Music() + "/wav");
    EXPECT_EQ(window.FileListBox.Items(), (std::vector<std::string>{"A.WAV", "b.wav", "c.wav"}));
}

TEST_F(BrowserTest, FileListOutsideAChangeOfFolderReadsTheFolderItself) {
    VolumeState volumes = MakeVolumes();
    TDirectoryListBox folders(nullptr, volumes);
    TFileListBox files(nullptr, volumes);
    folders.SetDirectory(Music() + "/wav");
    WriteFile(Music() + "/wav/late.wav", "");
    files.ApplyFilePath(Music() + "/wav");
    EXPECT_EQ(files.Items(), (std::vector<std::string>{"A.WAV", "b.wav", "late.wav"}));
}

TEST_F(BrowserTest, DrivePickOpensTheCurrentFolderOfThatVolume) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music() + "/wav");
    window.AddAllBtnClick();
    ASSERT_EQ(window.DestList.Count(), 2);
    window.driveChanges = 0;
    window.folderChanges = 0;

    window.DriveComboBox.PickEntry(2);
    EXPECT_EQ(window.DriveComboBox.Drive(), VolB());
    EXPECT_EQ(window.driveChanges, 2) << "once for the new drive, once more for the pick";
    EXPECT_EQ(window.folderChanges, 1);
    EXPECT_EQ(window.DirectoryListBox.Directory(), VolB());
    EXPECT_EQ(window.FileListBox.Directory(), VolB());
    EXPECT_EQ(window.FileListBox.Items(), (std::vector<std::string>{"one.wav"}));
    EXPECT_EQ(window.LastDir, VolB());
    EXPECT_EQ(window.DestList.Count(), 0);

    window.DriveComboBox.PickEntry(1);
    EXPECT_EQ(window.DirectoryListBox.Directory(), Music() + "/wav");
    EXPECT_EQ(window.LastDir, Music() + "/wav");
    EXPECT_EQ(window.FileListBox.Items(), (std::vector<std::string>{"A.WAV", "b.wav"}));
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(BrowserTest, KeyboardPickArrivesAsAPick) {
    VolumeState volumes = MakeVolumes();
    BrowserWindow window(volumes);
    window.FormShow(Music());
    ASSERT_EQ(window.DriveComboBox.currentIndex(), 1);
    test::PressKey(window.DriveComboBox, Qt::Key_Down);
    EXPECT_EQ(window.DriveComboBox.Drive(), VolB());
    EXPECT_EQ(window.DirectoryListBox.Directory(), VolB());
}

TEST_F(BrowserTest, DriveThatCannotBeEnteredKeepsThePickAndTriesAgainLater) {
    const std::string volC = temp_.Child("volC");
    VolumeState volumes = MakeVolumes({volC});
    BrowserWindow window(volumes);
    window.FormShow(Music() + "/wav");
    window.AddAllBtnClick();
    const int pick = window.DriveComboBox.count() - 1;
    ASSERT_EQ(window.DriveComboBox.EntryDrive(pick), volC);

    window.DriveComboBox.setCurrentIndex(pick);
    window.DriveComboBox.PickEntry(pick);
    EXPECT_EQ(window.errors, (std::vector<std::string>{"File not found"}));
    EXPECT_EQ(window.DriveComboBox.Drive(), volC);
    EXPECT_EQ(window.DriveComboBox.currentIndex(), pick);
    EXPECT_EQ(window.DirectoryListBox.Directory(), Music() + "/wav");
    EXPECT_EQ(window.FileListBox.Directory(), Music() + "/wav");
    EXPECT_EQ(window.DestList.Count(), 2);
    EXPECT_EQ(window.LastDir, Music() + "/wav");

    fs::create_directory(volC);
    WriteFile(volC + "/c.wav", "");
    window.DriveComboBox.PickEntry(pick);
    EXPECT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.DirectoryListBox.Directory(), volC);
    EXPECT_EQ(window.FileListBox.Items(), (std::vector<std::string>{"c.wav"}));
    EXPECT_EQ(window.LastDir, volC);
    EXPECT_EQ(window.DestList.Count(), 0);
}

TEST_F(BrowserTest, ShowStepPositionsTheBrowsersAtTheStoredFolder) {
    const struct {
        std::string stored;
        std::string directory;
        int folderChanges;
        std::vector<std::string> errors;
        std::string lastDir;
    } cases[] = {
        // Equal to the working folder exactly as reported: no change event.
        {Music(), Music(), 0, {}, Music()},
        {Music() + "/", Music(), 1, {}, Music()},
        // On another drive: the drive's change moves first, then the folder.
        {VolB() + "/disc", VolB() + "/disc", 2, {}, VolB() + "/disc"},
        // Missing on the same drive: the stored text stays.
        {Music() + "/gone", Music(), 0, {"File not found"}, Music() + "/gone"},
        // Missing on another drive: the browsers and LastDir hold that drive's folder.
        {VolB() + "/gone", VolB(), 1, {"File not found"}, VolB()},
        {"", Music(), 0, {"LastDir is empty"}, ""},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ChangeDirectory(Music()), 0);
        VolumeState volumes = MakeVolumes();
        BrowserWindow window(volumes);
        window.FormShow(c.stored);
        EXPECT_EQ(window.DirectoryListBox.Directory(), c.directory) << c.stored;
        EXPECT_EQ(window.FileListBox.Directory(), c.directory) << c.stored;
        EXPECT_EQ(window.folderChanges, c.folderChanges) << c.stored;
        EXPECT_EQ(window.errors, c.errors) << c.stored;
        EXPECT_EQ(window.LastDir, c.lastDir) << c.stored;
        EXPECT_EQ(window.changesBeforeShow, 0) << c.stored;
    }
}

TEST(RunUserAction, NothingLeavesWithoutOrThroughAGuard) {
    testing::internal::CaptureStderr();
    RunUserAction({}, [] { throw EInOutError(2); });
    RunUserAction([](const std::function<void()>& action) { action(); },
                  [] { throw std::runtime_error("escaped the guard"); });
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("File not found"), std::string::npos) << written;
    EXPECT_NE(written.find("escaped the guard"), std::string::npos) << written;
}

}  // namespace
}  // namespace corvane
