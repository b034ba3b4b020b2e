#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

#include "window/mainwindow.h"

namespace corvane::test {
namespace {

struct Row {
    const char* control;
    const char* parent;
    int x, y, w, h;
    const char* text;  // caption, label text or group box title; nullptr where none
};

const Row kRows[] = {
    {"StatusBar", "AacMain", 0, 377, 482, 19, nullptr},
    {"PageControl", "AacMain", 0, 0, 482, 336, nullptr},
    {"ButtonPanel", "AacMain", 0, 336, 482, 41, nullptr},
    {"DriveComboBox", "Corvane", 0, 8, 145, 19, nullptr},
    {"Label1", "Corvane", 152, 16, 62, 13, "Choose from:"},
    {"Label2", "Corvane", 336, 16, 59, 13, "Encode List:"},
    {"DirectoryListBox", "Corvane", 0, 34, 145, 273, nullptr},
    {"FileListBox", "Corvane", 152, 34, 137, 273, nullptr},
    {"AddFileBtn", "Corvane", 296, 72, 32, 32, ""},
    {"AddAllBtn", "Corvane", 296, 112, 32, 32, ""},
    {"RemoveAllBtn", "Corvane", 296, 152, 32, 32, ""},
    {"RemoveBtn", "Corvane", 296, 192, 32, 32, ""},
    {"DestList", "Corvane", 336, 34, 129, 273, nullptr},
    {"Label5", "Settings", 8, 8, 66, 24, "Settings"},
    {"Label15", "Settings", 8, 48, 66, 13, "Encoder type:"},
    {"EncoderBox", "Settings", 8, 65, 145, 21, nullptr},
    {"Label3", "Settings", 8, 98, 33, 13, "Bitrate:"},
    {"BitrateBox", "Settings", 8, 115, 105, 21, nullptr},
    {"Label4", "Settings", 8, 148, 34, 13, "Priority:"},
    {"PriorityBox", "Settings", 8, 165, 105, 21, nullptr},
    {"CheckMinimize", "Settings", 8, 190, 121, 17, "Minimize on encode"},
    {"CheckHideEnc", "Settings", 8, 215, 121, 17, "Invisible Encoder"},
    {"CheckBeep", "Settings", 8, 240, 105, 17, "Beep when done"},
    {"GroupBox1", "Settings", 176, 56, 249, 41, "HomeBoy Directory:"},
    {"HomeDir", "GroupBox1", 8, 15, 26, 13, "None"},
    {"BrowseButton1", "Settings", 440, 64, 25, 25, ".."},
    {"GroupBox2", "Settings", 176, 120, 249, 41, "Quartex Directory:"},
    {"QuarDir", "GroupBox2", 8, 15, 26, 13, "None"},
    {"BrowseButton2", "Settings", 440, 128, 25, 25, ".."},
    {"GroupBox3", "Settings", 176, 176, 249, 41, "Output Directory"},
    {"OutputDir", "GroupBox3", 8, 16, 34, 13, "Default"},
    {"BrowseButton3", "Settings", 440, 184, 25, 25, ".."},
    {"Panel1", "About", 0, 0, 474, 308, nullptr},
    {"ProgramIcon", "Panel1", 32, 16, 33, 33, nullptr},
    {"Label8", "Panel1", 105, 24, 257, 24, "Corvane AAC Frontend"},
    {"Label9", "Panel1", 211, 56, 53, 13, "Version 0.5"},
    {"Label10", "Panel1", 137, 88, 201, 13, "(C) 2026 the Corvane developers"},
    {"Label12", "Panel1", 184, 115, 105, 13, "Code: the developers"},
    {"Label13", "Panel1", 161, 141, 152, 13, "Advice: the Corvane developers"},
    {"Label14", "Panel1", 184, 168, 106, 13, "Art: the developers"},
    {"Label11", "Panel1", 112, 208, 251, 39, nullptr},
    {"Label6", "Panel1", 162, 264, 150, 13, "Newer versions are found at"},
    {"Label7", "Panel1", 113, 280, 248, 13, "the Corvane project's releases page"},
    {"EncodeBtn", "ButtonPanel", 176, 6, 129, 30, ""},
    {"KillEncode", "ButtonPanel", 176, 6, 129, 30, ""},
};

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        return box->title();
    }
    return {};
}

// Every control stands where the description puts it, with its text. A label
// is sized to its text: where the face in use is wider than the described
// size, it grows just enough, to the right or evenly about its middle.
TEST_F(MainWindowTest, EveryControlStandsWhereTheDescriptionPutsIt) {
    TAacMain& w = Start(false);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.control);
        auto* control = w.findChild<QWidget*>(QString::fromLatin1(row.control));
        ASSERT_NE(control, nullptr);
        auto* parent = w.findChild<QWidget*>(QString::fromLatin1(row.parent));
        if (parent == nullptr) {
            parent = &w;
        }
        ASSERT_EQ(parent->objectName(), QString::fromLatin1(row.parent));
        ASSERT_TRUE(parent->isAncestorOf(control));
        const QPoint at = control->mapTo(parent, QPoint(0, 0));
        EXPECT_EQ(at.y(), row.y);
        EXPECT_EQ(control->height(), row.h);
        auto* label = qobject_cast<QLabel*>(control);
        const int needed = label != nullptr && !label->wordWrap() && !label->text().isEmpty()
                               ? label->fontMetrics().horizontalAdvance(label->text())
                               : 0;
        if (needed > row.w) {
            EXPECT_EQ(control->width(), needed);
            if (label->alignment() & Qt::AlignHCenter) {
                EXPECT_LE(std::abs((2 * at.x() + control->width()) - (2 * row.x + row.w)), 2);
            } else {
                EXPECT_EQ(at.x(), row.x);
            }
        } else {
            EXPECT_EQ(at.x(), row.x);
            EXPECT_EQ(control->width(), row.w);
        }
        if (row.text != nullptr) {
            EXPECT_EQ(TextOf(control), QString::fromUtf8(row.text));
        }
    }
    // The pages' client area, and the centred lines of the about page.
    for (const char* page : {"Corvane", "Settings", "About"}) {
        auto* sheet = w.findChild<QWidget*>(QString::fromLatin1(page));
        EXPECT_EQ(sheet->mapTo(w.PageControl, QPoint(0, 0)), QPoint(4, 24)) << page;
        EXPECT_EQ(sheet->size(), QSize(474, 308)) << page;
    }
    for (QLabel* line :
         {w.Label9, w.Label10, w.Label12, w.Label13, w.Label14, w.Label11, w.Label6, w.Label7}) {
        EXPECT_LE(std::abs(2 * line->x() + line->width() - 2 * 237), 2)
            << line->objectName().toStdString();
    }
    const QStringList tabs = {"Corvane", "Settings", "About"};
    ASSERT_EQ(w.PageControl->Tabs()->count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.PageControl->Tabs()->tabText(i), tabs[i]);
    }
}

// The freeware notice wraps into three lines of its label, each within it.
TEST_F(MainWindowTest, FreewareNoticeWrapsIntoThreeLines) {
    TAacMain& w = Start(false);
    const QFontMetrics metrics(w.Label11->font());
    const QRect needed =
        metrics.boundingRect(QRect(0, 0, w.Label11->width(), 1000),
                             Qt::TextWordWrap | Qt::AlignHCenter, w.Label11->text());
    EXPECT_LE(needed.height(), w.Label11->height());
    EXPECT_GT(needed.height(), 2 * metrics.lineSpacing());
    EXPECT_TRUE(w.Label11->text().endsWith(QStringLiteral("issue tracker.")));
}

TEST_F(MainWindowTest, NewWindowHasTheDescribedStatesBeforeItIsShown) {
    TAacMain& w = Start(false);
    EXPECT_EQ(w.windowTitle().toStdString(), TAacMain::kCaption);
    EXPECT_EQ(w.pos(), QPoint(201, 106));
    EXPECT_EQ(w.minimumSize(), QSize(482, 396));
    EXPECT_EQ(w.maximumSize(), QSize(482, 396));
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_EQ(w.PageControl->ActivePage(), w.Corvane);
    EXPECT_FALSE(w.EncodeBtn->isHidden());
    EXPECT_TRUE(w.KillEncode->isHidden());
    EXPECT_TRUE(w.StatusBar->currentMessage().isEmpty());
    EXPECT_FALSE(w.StatusBar->isSizeGripEnabled());
    EXPECT_EQ(w.BitrateBox->ItemIndex(), -1);
    EXPECT_EQ(w.PriorityBox->ItemIndex(), -1);
    EXPECT_EQ(w.EncoderBox->ItemIndex(), -1);
    EXPECT_EQ(w.EncoderBox->Text(), "");
    EXPECT_EQ(w.BitrateBox->BoxStyle(), TComboBox::Style::DropDownList);
    EXPECT_EQ(w.PriorityBox->BoxStyle(), TComboBox::Style::DropDownList);
    EXPECT_EQ(w.EncoderBox->BoxStyle(), TComboBox::Style::DropDown);
    EXPECT_FALSE(w.CheckMinimize->isChecked());
    EXPECT_TRUE(w.CheckHideEnc->isChecked());
    EXPECT_TRUE(w.CheckBeep->isChecked());
    EXPECT_EQ(w.HomeDir->Caption(), "None");
    EXPECT_EQ(w.QuarDir->Caption(), "None");
    EXPECT_EQ(w.OutputDir->Caption(), "Default");
    EXPECT_EQ(w.DestList->Count(), 0);
    EXPECT_EQ(w.FileListBox->Directory(), work.Path());
    EXPECT_EQ(w.DirectoryListBox->Directory(), work.Path());
    EXPECT_EQ(w.SettingsRecord(), nullptr);
    EXPECT_EQ(AacMain, &w);
    for (TSpeedButton* flat :
         {w.AddFileBtn, w.AddAllBtn, w.RemoveAllBtn, w.RemoveBtn, w.EncodeBtn, w.KillEncode}) {
        EXPECT_TRUE(flat->Flat());
        EXPECT_FALSE(flat->NormalGlyph().isNull());
    }
    for (TSpeedButton* framed : {w.BrowseButton1, w.BrowseButton2, w.BrowseButton3}) {
        EXPECT_FALSE(framed->Flat());
        EXPECT_TRUE(framed->NormalGlyph().isNull());
        EXPECT_TRUE(framed->toolTip().isEmpty());
    }
}

// Hints show on the four list buttons and the start button, never on Stop;
// every hint is the control's accessible description.
TEST_F(MainWindowTest, HintsAndAccessibleNames) {
    TAacMain& w = Start(false);
    const std::pair<TSpeedButton*, const char*> hinted[] = {
        {w.AddFileBtn, "Add Selected"}, {w.AddAllBtn, "Add All"},
        {w.RemoveAllBtn, "Remove All"}, {w.RemoveBtn, "Remove Selected"},
        {w.EncodeBtn, "Just Do It"},
    };
    for (const auto& [button, hint] : hinted) {
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(hint));
        EXPECT_EQ(button->accessibleDescription(), QString::fromLatin1(hint));
    }
    EXPECT_TRUE(w.KillEncode->toolTip().isEmpty());
    EXPECT_EQ(w.KillEncode->accessibleDescription(), QStringLiteral("Stop Encode"));

    for (QWidget* control : w.findChildren<QWidget*>()) {
        if (control->objectName().isEmpty() || control->objectName().startsWith("qt_")) {
            continue;
        }
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(face, nullptr) << control->objectName().toStdString();
        const bool container = control == w.Corvane || control == w.Settings ||
                               control == w.About || control == w.Panel1 ||
                               control == w.ButtonPanel || control == w.PageControl;
        if (!container) {
            EXPECT_FALSE(face->text(QAccessible::Name).isEmpty())
                << control->objectName().toStdString();
        }
    }
    EXPECT_EQ(w.BitrateBox->accessibleName(), QStringLiteral("Bitrate:"));
    EXPECT_EQ(w.DestList->accessibleName(), QStringLiteral("Encode List:"));
    w.DestList->Add("a.wav");
    w.DestList->Add("b.wav");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w.DestList)->childCount(), 2);
}

// Keyboard order: folder list, file list, encode list, drive selector; then on
// the second page bitrate, priority, the three check boxes, the encoder box.
TEST_F(MainWindowTest, TabOrderFollowsTheDescription) {
    TAacMain& w = Start(false);
    const std::vector<QWidget*> order = {
        w.DirectoryListBox, w.FileListBox,   w.DestList,     w.DriveComboBox, w.BitrateBox,
        w.PriorityBox,      w.CheckMinimize, w.CheckHideEnc, w.CheckBeep,     w.EncoderBox};
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next != order[i + 1] && next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, order[i + 1]) << order[i]->objectName().toStdString();
    }
    for (TSpeedButton* button : w.findChildren<TSpeedButton*>()) {
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    }
}

}  // namespace
}  // namespace corvane::test
