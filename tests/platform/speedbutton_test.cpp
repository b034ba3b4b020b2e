#include "platform/speedbutton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "platform/inputevents.h"

namespace corvane {
namespace {

const QRgb kGrey = qRgb(156, 156, 156);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBackground = qRgb(255, 255, 255);

constexpr int kImage = 10;

// Normal image red, disabled image blue. Column 0 of each carries the colour of
// its bottom-left pixel: grey in the normal image, green in the disabled one,
// where a grey pixel at (7, 7) must therefore stay visible.
QImage TwoImages() {
    QImage image(kImage * 2, kImage, QImage::Format_RGB32);
    for (int y = 0; y < kImage; ++y) {
        for (int x = 0; x < kImage; ++x) {
            image.setPixel(x, y, x == 0 ? kGrey : kRed);
            image.setPixel(kImage + x, y, x == 0 ? kGreen : kBlue);
        }
    }
    image.setPixel(kImage + 7, 7, kGrey);
    return image;
}

class SpeedButtonTest : public testing::Test {
protected:
    SpeedButtonTest() {
        QPalette palette = button.palette();
        palette.setColor(QPalette::Window, QColor(kBackground));
        button.setPalette(palette);
        button.resize(40, 30);
    }

    // The glyph stands centred: its pixel (x, y) is the button's (15 + x, 10 + y).
    QRgb Shown(int x, int y) { return button.grab().toImage().pixel(15 + x, 10 + y) | 0xff000000u; }

    TSpeedButton button;
};

TEST_F(SpeedButtonTest, EnabledButtonShowsTheNormalImageDisabledTheDisabledOne) {
    button.SetGlyph(TwoImages());
    EXPECT_EQ(Shown(5, 5), kRed);
    button.setEnabled(false);
    EXPECT_EQ(Shown(5, 5), kBlue);
    EXPECT_EQ(Shown(7, 7), kGrey);
    button.setEnabled(true);
    EXPECT_EQ(Shown(5, 5), kRed);
}

TEST_F(SpeedButtonTest, EachImageLeavesItsBottomLeftColourTransparent) {
    button.SetGlyph(TwoImages());
    for (int y = 0; y < kImage; ++y) {
        EXPECT_EQ(Shown(0, y), kBackground) << "enabled, row " << y;
    }
    button.setEnabled(false);
    for (int y = 0; y < kImage; ++y) {
        EXPECT_EQ(Shown(0, y), kBackground) << "disabled, row " << y;
    }
}

TEST_F(SpeedButtonTest, FlatButtonShowsItsFrameOnlyUnderThePointerFramedAlways) {
    // The right edge: a raised frame draws it in the palette's dark colour.
    const auto edge = [&] { return button.grab().toImage().pixel(39, 15) | 0xff000000u; };
    button.SetFlat(true);
    EXPECT_EQ(edge(), kBackground);
    button.setAttribute(Qt::WA_UnderMouse, true);
    EXPECT_NE(edge(), kBackground);
    button.setAttribute(Qt::WA_UnderMouse, false);

    button.SetFlat(false);
    button.SetCaption("..");
    const QImage framed = button.grab().toImage();
    button.SetFlat(true);
    EXPECT_NE(framed, button.grab().toImage());
}

TEST_F(SpeedButtonTest, HintIsTheTooltipUnlessHintsAreOffButAlwaysTheDescription) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* shown = new TSpeedButton;
    auto* silent = new TSpeedButton;
    layout->addWidget(shown);
    layout->addWidget(silent);
    shown->SetHint("Just Do It");
    silent->SetHint("Stop Encode");
    silent->SetShowHint(false);
    window.show();

    const struct {
        TSpeedButton* button;
        const char* tooltip;
    } cases[] = {{silent, ""}, {shown, "Just Do It"}};
    for (const auto& c : cases) {
        QHelpEvent rest(QEvent::ToolTip, QPoint(2, 2), c.button->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(c.button, &rest);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), c.tooltip);
        EXPECT_EQ(c.button->toolTip(), c.tooltip);
        EXPECT_EQ(c.button->accessibleDescription(), c.button->Hint());
        EXPECT_EQ(c.button->accessibleName(), c.button->Hint());
    }
    QToolTip::hideText();
}

TEST_F(SpeedButtonTest, CaptionIsTheAccessibleName) {
    button.SetCaption("..");
    EXPECT_EQ(button.accessibleName(), "..");
    EXPECT_EQ(button.accessibleDescription(), "");
    button.SetHint("Choose a folder");
    EXPECT_EQ(button.accessibleName(), "..");
    EXPECT_EQ(button.accessibleDescription(), "Choose a folder");
}

TEST_F(SpeedButtonTest, KeyboardFocusPassesOverIt) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit;
    auto* speed = new TSpeedButton;
    auto* push = new QPushButton("push");
    layout->addWidget(edit);
    layout->addWidget(speed);
    layout->addWidget(push);
    window.show();
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());

    test::KeyClick(edit, Qt::Key_Tab);

    EXPECT_TRUE(push->hasFocus());
    EXPECT_EQ(speed->focusPolicy(), Qt::NoFocus);
}

TEST_F(SpeedButtonTest, ClickRaisesClicked) {
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    button.show();
    test::Click(&button);
    EXPECT_EQ(clicks, 1);
    button.setEnabled(false);
    test::Click(&button);
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace corvane
