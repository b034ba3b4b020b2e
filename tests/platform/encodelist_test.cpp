#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "browserwindow.h"
#include "platform/folderlisting.h"
#include "platform/paths.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::BrowserWindow;
using test::TempDir;
using Names = std::vector<std::string>;

// The Qt view's own record of the selection and the list's bitmap agree.
void ExpectSelectionFollowsTheView(const NameListBox& list) {
    int selected = 0;
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.Selected(i), list.selectionModel()->isSelected(list.model()->index(i, 0)))
            << "entry " << i;
        selected += list.Selected(i) ? 1 : 0;
    }
    EXPECT_EQ(list.SelectedCount(), selected);
    EXPECT_EQ(list.ItemIndex() == -1, list.Count() == 0);
}

Names SelectedNames(const NameListBox& list) {
    Names names;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Selected(i)) {
            names.push_back(list.Item(i));
        }
    }
    return names;
}

class EncodeListTest : public ::testing::Test {
protected:
    explicit EncodeListTest(int capacity = TListBox::kMaxCapacity) {
        fs::create_directories(Wav());
        fs::create_directories(temp_.Child("empty"));
        for (const char* name :
             {"delta.wav", "Alpha.wav", "charlie.WAV", "bravo.wav", "echo.wav"}) {
            test::WriteFile(Wav() + "/" + name, "");
        }
        EXPECT_EQ(ChangeDirectory(temp_.Path()), 0);
        window_ = std::make_unique<BrowserWindow>(volumes_, capacity);
        window_->FormShow(Wav());
    }

    std::string Wav() const { return temp_.Child("wav"); }

    test::ScopedCurrentDirectory restore_;
    TempDir temp_;
    VolumeState volumes_{{{"/", "", "ext4", ""}}};
    std::unique_ptr<BrowserWindow> window_;
};

const Names kAll = {"Alpha.wav", "bravo.wav", "charlie.WAV", "delta.wav", "echo.wav"};

TEST_F(EncodeListTest, FileListShowsTheFolderInListOrder) {
    EXPECT_EQ(window_->FileListBox.Items(), kAll);
    EXPECT_EQ(window_->FileListBox.SelectedCount(), 0);
    EXPECT_EQ(window_->FileListBox.ItemIndex(), 0);
}

TEST_F(EncodeListTest, AddSelectedWithNothingSelectedAddsNothing) {
    BrowserWindow& w = *window_;
    w.FileListBoxDblClick();
    EXPECT_EQ(w.DestList.Count(), 0);
    w.DestList.Add("delta.wav");
    w.FileListBoxDblClick();
    EXPECT_EQ(w.DestList.Items(), (Names{"delta.wav"}));
}

TEST_F(EncodeListTest, AddSelectedAddsEachNameOnce) {
    BrowserWindow& w = *window_;
    w.FileListBox.SelectOnly({0, 3});
    w.FileListBoxDblClick();
    w.FileListBoxDblClick();
    EXPECT_EQ(w.DestList.Items(), (Names{"Alpha.wav", "delta.wav"}));

    w.AddAllBtnClick();
    w.FileListBox.SelectOnly({0, 1, 2, 3, 4});
    w.FileListBoxDblClick();
    EXPECT_EQ(w.DestList.Items(), kAll);
    EXPECT_TRUE(w.errors.empty());
}

TEST_F(EncodeListTest, AddSelectedSkipsTheListedNameAndSortsTheOthersIn) {
    BrowserWindow& w = *window_;
    w.DestList.Add("charlie.WAV");
    w.DestList.Add("delta.wav");
    w.FileListBox.SelectOnly({4, 1, 2});
    const Names selectedBefore = SelectedNames(w.FileListBox);
    w.FileListBoxDblClick();
    EXPECT_EQ(w.DestList.Items(), (Names{"bravo.wav", "charlie.WAV", "delta.wav", "echo.wav"}));
    EXPECT_EQ(SelectedNames(w.FileListBox), selectedBefore);
}

TEST_F(EncodeListTest, NamesDifferingOnlyInLetterCaseAreBothKept) {
    BrowserWindow& w = *window_;
    test::WriteFile(Wav() + "/Take.wav", "");
    test::WriteFile(Wav() + "/take.wav", "");
    w.DirectoryListBox.SetDirectory(temp_.Path());
    w.DirectoryListBox.SetDirectory(Wav());
    w.FileListBox.SelectOnly({5, 6});
    ASSERT_EQ(SelectedNames(w.FileListBox), (Names{"Take.wav", "take.wav"}));
    w.FileListBoxDblClick();
    EXPECT_EQ(w.DestList.Items(), (Names{"Take.wav", "take.wav"}));
    w.AddAllBtnClick();
    EXPECT_EQ(w.DestList.Count(), 7);
    EXPECT_EQ(w.DestList.IndexOf("take.wav"), 6);
    EXPECT_EQ(w.DestList.IndexOf("TAKE.wav"), -1);
}

TEST_F(EncodeListTest, DoubleClicksAddAndRemoveTogetherWithTheOtherSelectedEntries) {
    BrowserWindow& w = *window_;
    w.FileListBox.SetSelected(0, true);
    test::DoubleClick(w.FileListBox, 3, Qt::ControlModifier);
    EXPECT_EQ(w.DestList.Items(), (Names{"Alpha.wav", "delta.wav"}));

    w.AddAllBtnClick();
    w.DestList.SetSelected(1, true);
    test::DoubleClick(w.DestList, 3, Qt::ControlModifier);
    EXPECT_EQ(w.DestList.Items(), (Names{"Alpha.wav", "charlie.WAV", "echo.wav"}));

    test::DoubleClick(w.DestList, 0);
    EXPECT_EQ(w.DestList.Items(), (Names{"charlie.WAV", "echo.wav"}));
    EXPECT_TRUE(w.errors.empty());
}

TEST_F(EncodeListTest, AddAllWithAnEmptyFileListEmptiesTheList) {
    BrowserWindow& w = *window_;
    w.DestList.Add("Alpha.wav");
    w.FileListBox.ApplyFilePath(temp_.Child("empty"));
    ASSERT_EQ(w.FileListBox.Count(), 0);
    EXPECT_EQ(w.FileListBox.ItemIndex(), -1);
    w.AddAllBtnClick();
    EXPECT_EQ(w.DestList.Count(), 0);
    w.FileListBoxDblClick();
    EXPECT_EQ(w.DestList.Count(), 0);
}

TEST_F(EncodeListTest, AddAllIgnoresTheSelectionAndLeavesIt) {
    BrowserWindow& w = *window_;
    w.FileListBox.SelectOnly({1, 3});
    w.FileListBox.SetItemIndex(3);
    w.DestList.Add("zulu.wav");
    w.AddAllBtnClick();
    EXPECT_EQ(w.DestList.Items(), kAll);
    EXPECT_EQ(SelectedNames(w.FileListBox), (Names{"bravo.wav", "delta.wav"}));
    EXPECT_EQ(w.FileListBox.ItemIndex(), 3);
}

TEST_F(EncodeListTest, RemoveSelectedKeepsTheUnselectedInOrder) {
    BrowserWindow& w = *window_;
    w.AddAllBtnClick();
    w.DestList.SelectOnly({1, 3});
    w.RemoveBtnClick();
    EXPECT_EQ(w.DestList.Items(), (Names{"Alpha.wav", "charlie.WAV", "echo.wav"}));
    EXPECT_EQ(w.DestList.SelectedCount(), 0);
    ExpectSelectionFollowsTheView(w.DestList);
}

TEST_F(EncodeListTest, RemovingFromAnEmptyListDoesNothing) {
    BrowserWindow& w = *window_;
    EXPECT_EQ(w.DestList.ItemIndex(), -1);
    w.RemoveBtnClick();
    w.RemoveAllBtnClick();
    EXPECT_EQ(w.DestList.Count(), 0);
    EXPECT_TRUE(w.errors.empty());
}

TEST_F(EncodeListTest, ChangeOfFolderEmptiesTheListAndOnlyThat) {
    BrowserWindow& w = *window_;
    w.AddAllBtnClick();
    w.DirectoryListBox.SetDirectory(Wav());
    w.FileListBox.ApplyFilePath(Wav());
    w.DriveComboBox.PickEntry(0);
    EXPECT_EQ(w.DestList.Items(), kAll);
    w.DirectoryListBox.SetDirectory(temp_.Child("empty"));
    EXPECT_EQ(w.DestList.Count(), 0);
    EXPECT_EQ(w.LastDir, temp_.Child("empty"));
}

TEST_F(EncodeListTest, NameThatIsNotUtf8IsShownReadablyAndPassedOnUnchanged) {
    BrowserWindow& w = *window_;
    const std::string raw = "caf\xe9 \xff.wav";
    test::WriteFile(Wav() + "/" + raw, "");
    w.DirectoryListBox.SetDirectory(temp_.Path());
    w.DirectoryListBox.SetDirectory(Wav());
    const int row = static_cast<int>(
        std::find(w.FileListBox.Items().begin(), w.FileListBox.Items().end(), raw) -
        w.FileListBox.Items().begin());
    ASSERT_LT(row, w.FileListBox.Count());
    const QString shown = w.FileListBox.ShownText(row);
    EXPECT_EQ(shown, QString::fromUtf8("caf\xEF\xBF\xBD \xEF\xBF\xBD.wav"));
    EXPECT_EQ(w.FileListBox.model()->index(row, 0).data(Qt::DisplayRole).toString(), shown);

    w.FileListBox.SelectOnly({row});
    w.FileListBoxDblClick();
    ASSERT_EQ(w.DestList.Count(), 1);
    EXPECT_EQ(w.DestList.Item(0), raw);
    EXPECT_EQ(w.DestList.model()->index(0, 0).data(NameListModel::kRawNameRole).toByteArray(),
              QByteArray(raw.data(), static_cast<qsizetype>(raw.size())));
    EXPECT_TRUE(fs::exists(w.FileListBox.Directory() + "/" + w.DestList.Item(0)));
}

class FullEncodeListTest : public EncodeListTest {
protected:
    FullEncodeListTest() : EncodeListTest(3) {}
};

TEST_F(FullEncodeListTest, AddingStopsWhenTheListIsFullKeepingWhatWasAdded) {
    BrowserWindow& w = *window_;
    w.FileListBox.SelectOnly({0, 1, 2, 3, 4});
    w.Guard([&] { w.FileListBoxDblClick(); });
    EXPECT_EQ(w.errors, (Names{"Unable to insert a line"}));
    EXPECT_EQ(w.DestList.Items(), (Names{"Alpha.wav", "bravo.wav", "charlie.WAV"}));

    w.errors.clear();
    w.Guard([&] { w.AddAllBtnClick(); });
    EXPECT_EQ(w.errors, (Names{"Unable to insert a line"}));
    EXPECT_EQ(w.DestList.Items(), (Names{"Alpha.wav", "bravo.wav", "charlie.WAV"}));
    EXPECT_THROW(w.DestList.Add("x.wav"), EStringListError);
}

TEST(TListBox, IndexOutOfBoundsIsAListError) {
    TListBox list;
    list.Add("a.wav");
    for (int index : {-1, 1}) {
        try {
            list.Item(index);
            ADD_FAILURE() << index;
        } catch (const EStringListError& error) {
            EXPECT_EQ(error.Message(), "List index out of bounds (" + std::to_string(index) + ")");
        }
        EXPECT_THROW(list.Selected(index), EStringListError);
        EXPECT_THROW(list.Delete(index), EStringListError);
    }
}

// The one-step operations give what the step-by-step algorithms give: entries,
// selection flags and focus.
TEST(TListBox, OneStepOperationsMatchTheirStepByStepAlgorithms) {
    std::mt19937 random(7);
    const auto name = [&] {
        static const char* const parts[] = {"a", "A", "b", "B", "_", "\xff", "1"};
        std::string text;
        const int length = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < length; ++i) {
            text += parts[random() % 7];
        }
        return text + ".wav";
    };
    for (int round = 0; round < 40; ++round) {
        TListBox bulk;
        TListBox stepwise;
        for (int i = static_cast<int>(random() % 12); i > 0; --i) {
            const std::string added = name();
            bulk.Add(added);
            stepwise.Add(added);
        }
        std::vector<int> rows;
        for (int i = 0; i < bulk.Count(); ++i) {
            if (random() % 2 == 0) {
                rows.push_back(i);
            }
        }
        bulk.SelectOnly(rows);
        stepwise.SelectOnly(rows);
        if (bulk.Count() > 0) {
            const int focus = static_cast<int>(random() % static_cast<unsigned>(bulk.Count()));
            bulk.SetItemIndex(focus);
            stepwise.SetItemIndex(focus);
        }

        Names batch;
        for (int i = static_cast<int>(random() % 12); i > 0; --i) {
            batch.push_back(name());
        }
        bulk.AddNames(batch);
        for (const std::string& added : batch) {
            stepwise.Add(added);
        }
        ASSERT_EQ(bulk.Items(), stepwise.Items()) << round;
        EXPECT_TRUE(std::is_sorted(bulk.Items().begin(), bulk.Items().end(), ListOrderLess()));
        for (int i = 0; i < bulk.Count(); ++i) {
            EXPECT_EQ(bulk.Selected(i), stepwise.Selected(i)) << round << " entry " << i;
        }
        EXPECT_EQ(bulk.ItemIndex(), stepwise.ItemIndex()) << round;
        ExpectSelectionFollowsTheView(bulk);
        ExpectSelectionFollowsTheView(stepwise);

        for (const std::string& listed : bulk.Items()) {
            const auto first = std::find(bulk.Items().begin(), bulk.Items().end(), listed);
            EXPECT_EQ(bulk.IndexOf(listed), first - bulk.Items().begin());
        }
        EXPECT_EQ(bulk.IndexOf("none.wav"), -1);

        bulk.DeleteSelected();
        for (int i = stepwise.Count() - 1; i >= 0; --i) {
            if (stepwise.Selected(i)) {
                stepwise.Delete(i);
            }
        }
        ASSERT_EQ(bulk.Items(), stepwise.Items()) << round;
        ExpectSelectionFollowsTheView(bulk);
        ExpectSelectionFollowsTheView(stepwise);
    }
}

TEST(TListBox, SelectionFlagsFollowClicksAndChanges) {
    TListBox list;
    list.resize(200, 400);
    list.show();
    list.AddNames({"a.wav", "c.wav", "e.wav", "g.wav", "i.wav"});

    test::Click(list, 1);
    test::Click(list, 3, Qt::ShiftModifier);
    EXPECT_EQ(SelectedNames(list), (Names{"c.wav", "e.wav", "g.wav"}));
    ExpectSelectionFollowsTheView(list);

    test::Click(list, 2, Qt::ControlModifier);
    EXPECT_EQ(SelectedNames(list), (Names{"c.wav", "g.wav"}));
    EXPECT_EQ(list.ItemIndex(), 2);

    list.selectAll();
    list.Add("d.wav");
    EXPECT_FALSE(list.Selected(2)) << "a new entry is not selected";
    EXPECT_EQ(list.SelectedCount(), 5);
    ExpectSelectionFollowsTheView(list);

    list.Delete(1);
    EXPECT_EQ(list.Items(), (Names{"a.wav", "d.wav", "e.wav", "g.wav", "i.wav"}));
    EXPECT_EQ(SelectedNames(list), (Names{"a.wav", "e.wav", "g.wav", "i.wav"}));
    ExpectSelectionFollowsTheView(list);

    list.AddNames({"b.wav", "h.wav"});
    EXPECT_EQ(SelectedNames(list), (Names{"a.wav", "e.wav", "g.wav", "i.wav"}));
    ExpectSelectionFollowsTheView(list);

    list.Clear();
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_EQ(list.ItemIndex(), -1);
    ExpectSelectionFollowsTheView(list);
}

}  // namespace
}  // namespace corvane
