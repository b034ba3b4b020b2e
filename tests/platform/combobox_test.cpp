#include "platform/combobox.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <vector>

#include "platform/inputevents.h"

namespace corvane {
namespace {

using Style = TComboBox::Style;

// A box in a shown window, with every change event recorded as the index the
// box reported at that moment.
class ComboBoxTest : public testing::Test {
protected:
    TComboBox* Make(Style style) {
        auto* box = new TComboBox(style);
        for (const char* entry : {"Homeboy", "Tavrin/Quartex", "Third"}) {
            box->AddItem(entry);
        }
        layout_->addWidget(box);
        QObject::connect(box, &TComboBox::Change,
                         [this, box] { changes.push_back(box->ItemIndex()); });
        window_.show();
        QApplication::setActiveWindow(&window_);
        return box;
    }

    // Opens the list, moves to the entry and presses Return, as with the keyboard.
    static void ChooseFromList(TComboBox* box, int index) {
        box->showPopup();
        QAbstractItemView* view = box->view();
        view->setCurrentIndex(view->model()->index(index, 0));
        test::KeyClick(view, Qt::Key_Return);
    }

    QWidget window_;
    QVBoxLayout* layout_ = new QVBoxLayout(&window_);
    QLineEdit* other_ = [this] {
        auto* edit = new QLineEdit;
        layout_->addWidget(edit);
        return edit;
    }();
    std::vector<int> changes;
};

TEST_F(ComboBoxTest, SelectingFromTheProgramRaisesNoChangeAndBadIndexesLeaveItEmpty) {
    const struct {
        int index;
        int itemIndex;
        const char* text;
    } cases[] = {{1, 1, "Tavrin/Quartex"}, {0, 0, "Homeboy"}, {5, -1, ""},
                 {2, 2, "Third"},          {-1, -1, ""},      {3, -1, ""}};
    for (const Style style : {Style::DropDown, Style::DropDownList}) {
        TComboBox* box = Make(style);
        for (const auto& c : cases) {
            box->SetItemIndex(c.index);
            EXPECT_EQ(box->ItemIndex(), c.itemIndex) << c.index;
            EXPECT_EQ(box->Text(), c.text) << c.index;
        }
        EXPECT_EQ(box->count(), 3);
    }
    EXPECT_TRUE(changes.empty());
}

TEST_F(ComboBoxTest, EveryEditRaisesChangeAndLeavesNoEntrySelectedEvenWhenTheTextMatches) {
    TComboBox* box = Make(Style::DropDown);
    box->SetItemIndex(0);
    box->lineEdit()->setFocus();
    box->lineEdit()->selectAll();

    test::TypeText(box->lineEdit(), "Homeboy");

    EXPECT_EQ(changes, std::vector<int>(7, -1));
    EXPECT_EQ(box->Text(), "Homeboy");
    EXPECT_EQ(box->ItemIndex(), -1);

    // Neither Return nor leaving the field selects the matching entry or adds one.
    test::KeyClick(box->lineEdit(), Qt::Key_Return);
    other_->setFocus();
    EXPECT_EQ(box->ItemIndex(), -1);
    EXPECT_EQ(box->Text(), "Homeboy");
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(changes.size(), 7u);
}

TEST_F(ComboBoxTest, TypedLetterClearsTheIndexAndChoosingFromTheListSetsItAgain) {
    TComboBox* box = Make(Style::DropDown);
    box->SetItemIndex(1);
    box->lineEdit()->setFocus();
    box->lineEdit()->end(false);

    test::TypeText(box->lineEdit(), "x");
    EXPECT_EQ(box->Text(), "Tavrin/Quartexx");
    EXPECT_EQ(box->lineEdit()->cursorPosition(), 15);
    EXPECT_EQ(changes, std::vector<int>{-1});

    ChooseFromList(box, 0);
    EXPECT_EQ(changes, (std::vector<int>{-1, 0}));
    EXPECT_EQ(box->Text(), "Homeboy");
    EXPECT_EQ(box->count(), 3);
}

TEST_F(ComboBoxTest, ChoosingFromTheListRaisesChangeWithThatIndex) {
    for (const Style style : {Style::DropDown, Style::DropDownList}) {
        changes.clear();
        TComboBox* box = Make(style);
        ChooseFromList(box, 2);
        EXPECT_EQ(changes, std::vector<int>{2});
        EXPECT_EQ(box->Text(), "Third");
    }
}

TEST_F(ComboBoxTest, DropDownListTakesNoTypingButTheKeyboardChooses) {
    TComboBox* box = Make(Style::DropDownList);
    EXPECT_FALSE(box->isEditable());
    EXPECT_EQ(box->lineEdit(), nullptr);
    box->SetItemIndex(0);
    box->setFocus();
    test::KeyClick(box, Qt::Key_Down);
    EXPECT_EQ(changes, std::vector<int>{1});
    EXPECT_EQ(box->Text(), "Tavrin/Quartex");
}

}  // namespace
}  // namespace corvane
