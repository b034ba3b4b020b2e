#include "window/images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace corvane {
namespace {

struct GlyphCase {
    const char* name;
    std::function<QImage()> make;
    int width;
    int height;
};

const GlyphCase kGlyphs[] = {
    {"AddFileBtn", AddFileBtnGlyph, 56, 28},     {"AddAllBtn", AddAllBtnGlyph, 56, 28},
    {"RemoveAllBtn", RemoveAllBtnGlyph, 56, 28}, {"RemoveBtn", RemoveBtnGlyph, 56, 28},
    {"EncodeBtn", EncodeBtnGlyph, 194, 24},      {"KillEncode", KillEncodeGlyph, 194, 24},
};

bool IsGrey(QRgb colour) {
    return qRed(colour) == qGreen(colour) && qGreen(colour) == qBlue(colour);
}

struct HalfCount {
    int drawn = 0;     // pixels other than the transparent grey
    int coloured = 0;  // pixels that are not a grey at all
};

HalfCount Count(const QImage& image, int left, int width) {
    HalfCount count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < left + width; ++x) {
            const QRgb colour = image.pixel(x, y);
            count.drawn += colour != kGlyphTransparent ? 1 : 0;
            count.coloured += IsGrey(colour) ? 0 : 1;
        }
    }
    return count;
}

TEST(ButtonGlyphs, SizeFormatPaletteAndTransparentCorners) {
    for (const GlyphCase& glyph : kGlyphs) {
        SCOPED_TRACE(glyph.name);
        const QImage image = glyph.make();
        ASSERT_EQ(image.size(), QSize(glyph.width, glyph.height));
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_EQ(image.colorCount(), 256);
        EXPECT_EQ(image.depth(), 8);
        const int half = glyph.width / 2;
        EXPECT_EQ(image.pixel(0, glyph.height - 1), kGlyphTransparent);
        EXPECT_EQ(image.pixel(half, glyph.height - 1), kGlyphTransparent);
    }
}

TEST(ButtonGlyphs, NormalImageInColourDisabledImageInGreys) {
    for (const GlyphCase& glyph : kGlyphs) {
        SCOPED_TRACE(glyph.name);
        const QImage image = glyph.make();
        const int half = glyph.width / 2;
        const HalfCount normal = Count(image, 0, half);
        const HalfCount disabled = Count(image, half, half);
        EXPECT_GT(normal.coloured, 40);
        EXPECT_GT(disabled.drawn, 40);
        EXPECT_EQ(disabled.coloured, 0);
        EXPECT_NE(image.copy(0, 0, half, glyph.height), image.copy(half, 0, half, glyph.height));
    }
}

TEST(ButtonGlyphs, TheTwoButtonsOfEachDirectionAreDrawnDifferently) {
    EXPECT_NE(AddFileBtnGlyph(), AddAllBtnGlyph());
    EXPECT_NE(RemoveAllBtnGlyph(), RemoveBtnGlyph());
    EXPECT_NE(EncodeBtnGlyph(), KillEncodeGlyph());
}

// Which way the normal image of an arrow points. Toward its point an arrow
// narrows step by step and at its back it rises at once, so going right the
// height of the drawing falls in more steps than it rises when the arrow
// points right. Positive for right, negative for left.
int Pointing(const QImage& glyph) {
    int heights[28] = {};
    for (int x = 0; x < 28; ++x) {
        for (int y = 0; y < 28; ++y) {
            heights[x] += glyph.pixel(x, y) != kGlyphTransparent ? 1 : 0;
        }
    }
    int falls = 0;
    int rises = 0;
    for (int x = 0; x + 1 < 28; ++x) {
        falls += heights[x + 1] < heights[x] ? 1 : 0;
        rises += heights[x + 1] > heights[x] ? 1 : 0;
    }
    return falls - rises;
}

TEST(ButtonGlyphs, AddArrowsPointRightRemoveArrowsLeft) {
    EXPECT_GT(Pointing(AddFileBtnGlyph()), 0);
    EXPECT_GT(Pointing(AddAllBtnGlyph()), 0);
    EXPECT_LT(Pointing(RemoveAllBtnGlyph()), 0);
    EXPECT_LT(Pointing(RemoveBtnGlyph()), 0);
}

TEST(GlyphPalette, HoldsTheTransparentGreyAmong256Colours) {
    const QList<QRgb> palette = GlyphPalette();
    EXPECT_EQ(palette.size(), 256);
    EXPECT_TRUE(palette.contains(kGlyphTransparent));
}

TEST(ProgramIcon, Is32By32In16Colours) {
    const QImage image = ProgramIconImage();
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorCount(), 16);
    EXPECT_EQ(image.colorTable(), IconPalette());
    int used[16] = {};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ++used[image.pixelIndex(x, y)];
        }
    }
    EXPECT_GE(std::count_if(std::begin(used), std::end(used), [](int n) { return n > 0; }), 4);

    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    EXPECT_EQ(icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_RGB32),
              image.convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace corvane
