#include "platform/folderdialog.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "platform/modaldriver.h"
#include "platform/recordingdialogs.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

using test::ModalDriver;
using test::RecordingDialogs;
using test::TempDir;

class BrowseFolderTest : public testing::Test {
protected:
    BrowseFolderTest() {
        std::filesystem::create_directories(homeboy);
        std::filesystem::create_directories(output);
    }

    TempDir temp;
    const std::string homeboy = temp.Child("homeboy");
    const std::string output = temp.Child("output");
    RecordingDialogs dialogs;
    TBrowseFolder browse{dialogs};
    QWidget owner;
};

TEST_F(BrowseFolderTest, FirstDialogHasTheTitleAndNoPreselection) {
    dialogs.folderAnswers = {std::nullopt};
    EXPECT_FALSE(browse.Execute(&owner));
    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0].owner, &owner);
    EXPECT_EQ(dialogs.folderRequests[0].title, "Select Encoder Directory");
    EXPECT_EQ(dialogs.folderRequests[0].preselect, "");
    EXPECT_EQ(browse.Directory(), "");
}

TEST_F(BrowseFolderTest, ConfirmedFolderHasNoTrailingSeparatorButTheRootKeepsIt) {
    const struct {
        const char* chosen;
        const char* directory;
    } cases[] = {{"/music/wav", "/music/wav"},
                 {"/music/wav/", "/music/wav"},
                 {"/music/wav//", "/music/wav"},
                 {"/", "/"},
                 {"//", "/"}};
    for (const auto& c : cases) {
        dialogs.folderAnswers = {std::string(c.chosen)};
        EXPECT_TRUE(browse.Execute(&owner)) << c.chosen;
        EXPECT_EQ(browse.Directory(), c.directory) << c.chosen;
    }
}

TEST_F(BrowseFolderTest, LastConfirmedFolderIsPreselectedWhileItExistsAndCancelKeepsIt) {
    dialogs.folderAnswers = {homeboy, std::nullopt, std::nullopt, std::nullopt};
    ASSERT_TRUE(browse.Execute(&owner));  // through the Homeboy button

    EXPECT_FALSE(browse.Execute(&owner));  // through the output button, cancelled
    EXPECT_EQ(dialogs.folderRequests[1].preselect, homeboy);
    EXPECT_EQ(browse.Directory(), homeboy);

    std::filesystem::remove(homeboy);
    EXPECT_FALSE(browse.Execute(&owner));
    EXPECT_EQ(dialogs.folderRequests[2].preselect, "");
    EXPECT_EQ(browse.Directory(), homeboy);

    test::WriteFile(homeboy, "now a file");
    EXPECT_FALSE(browse.Execute(&owner));
    EXPECT_EQ(dialogs.folderRequests[3].preselect, "");
}

struct SeenDialog {
    QString title;
    bool foldersOnly = false;
    bool modal = false;
    QString directory;
    QStringList selected;
    QPoint position;
    QPoint expectedPosition;
};

SeenDialog Look(QWidget* modal, QWidget* owner) {
    SeenDialog seen;
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) {
        ADD_FAILURE() << "the modal widget is not a file dialog";
        return seen;
    }
    seen.title = dialog->windowTitle();
    seen.foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                       dialog->testOption(QFileDialog::ShowDirsOnly);
    seen.modal = dialog->windowModality() == Qt::ApplicationModal;
    seen.directory = dialog->directory().absolutePath();
    seen.selected = dialog->selectedFiles();
    seen.position = dialog->pos();
    const QRect frame = owner->frameGeometry();
    const DialogPosition at = FolderDialogPosition(frame.left(), frame.top(), frame.width(),
                                                   frame.height(), dialog->frameGeometry().width());
    seen.expectedPosition = QPoint(at.x, at.y);
    return seen;
}

// Goes to the folder's parent, types its name and presses Choose; for the root,
// goes there and presses Choose with the name field empty.
void Confirm(QWidget* modal, const QString& folder) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    auto* name = modal->findChild<QLineEdit*>("fileNameEdit");
    auto* buttons = modal->findChild<QDialogButtonBox*>();
    if (dialog == nullptr || name == nullptr || buttons == nullptr ||
        buttons->button(QDialogButtonBox::Open) == nullptr) {
        ADD_FAILURE() << "no file dialog with a name field and a Choose button";
        return;
    }
    const QFileInfo info(folder);
    dialog->setDirectory(info.isRoot() ? folder : info.absolutePath());
    name->setText(info.isRoot() ? QString() : info.fileName());
    buttons->button(QDialogButtonBox::Open)->click();
}

TEST(BrowseFolderDialog, QtDialogPicksFoldersOverTheOwnerAndPreselectsTheLastOne) {
    TempDir temp;
    const std::string folder = temp.Child("aac");
    std::filesystem::create_directories(folder);
    QWidget owner;
    owner.setGeometry(100, 120, 482, 396);
    owner.show();
    TBrowseFolder browse;

    SeenDialog first;
    {
        ModalDriver driver([&](QWidget* modal) {
            first = Look(modal, &owner);
            Confirm(modal, QString::fromStdString(folder));
        });
        EXPECT_TRUE(browse.Execute(&owner));
        ASSERT_TRUE(driver.Answered());
    }
    EXPECT_EQ(first.title, "Select Encoder Directory");
    EXPECT_TRUE(first.foldersOnly);
    EXPECT_TRUE(first.modal);
    EXPECT_EQ(first.directory, QDir::rootPath());
    EXPECT_EQ(first.selected, QStringList{QDir::rootPath()});
    EXPECT_EQ(first.position, first.expectedPosition);
    EXPECT_EQ(browse.Directory(), folder);

    SeenDialog second;
    {
        ModalDriver driver([&](QWidget* modal) {
            second = Look(modal, &owner);
            qobject_cast<QDialog*>(modal)->reject();
        });
        EXPECT_FALSE(browse.Execute(&owner));
        ASSERT_TRUE(driver.Answered());
    }
    EXPECT_EQ(second.directory, QString::fromStdString(temp.Path()));
    EXPECT_EQ(second.selected, QStringList{QString::fromStdString(folder)});
    EXPECT_EQ(browse.Directory(), folder);

    {
        ModalDriver driver([&](QWidget* modal) { Confirm(modal, QDir::rootPath()); });
        EXPECT_TRUE(browse.Execute(&owner));
        ASSERT_TRUE(driver.Answered());
    }
    EXPECT_EQ(browse.Directory(), "/");
}

}  // namespace
}  // namespace corvane
