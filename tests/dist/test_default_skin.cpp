// The default skin as the build draws it into the program folder: sizes, the traced button
// shapes, where the labels are, and how the lit panel differs from the unlit one.
#include "default_skin_layout.h"
#include "tests/bench/bench.h"
#include "tests/dist/picture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using defaultSkin::buttons;
using defaultSkin::modes;

struct ModePictures {
    Picture normal;
    Picture selected;
    Picture shapes;
};

bool LoadMode(int mode, ModePictures& pictures)
{
    std::string dir = bench::BinDir();
    return LoadPicture(dir + modes[mode].normalFile, pictures.normal) &&
           LoadPicture(dir + modes[mode].selectedFile, pictures.selected) &&
           LoadPicture(dir + modes[mode].templateFile, pictures.shapes);
}

bool InShape(const Picture& shapes, const RECT& inclusive, int x, int y)
{
    return x >= inclusive.left && x <= inclusive.right && y >= inclusive.top &&
           y <= inclusive.bottom && shapes.At(x, y) != RGB(0, 0, 0);
}

int ColourDistance(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

TEST(DefaultSkin, EachModeHasItsThreeBitmapsAtExactlyItsScreenSize)
{
    for (int mode = 0; mode < 3; ++mode) {
        for (const char* file : {modes[mode].normalFile, modes[mode].selectedFile,
                                 modes[mode].templateFile}) {
            Picture picture;
            ASSERT_TRUE(LoadPicture(bench::BinDir() + file, picture)) << file;
            EXPECT_EQ(modes[mode].width, picture.width) << file;
            EXPECT_EQ(modes[mode].height, picture.height) << file;
        }
    }
    Picture missing;
    EXPECT_FALSE(LoadPicture(bench::BinDir() + "skin\\no-such-panel.bmp", missing));
}

TEST(DefaultSkin, ButtonShapesAreRoundedTilesThatNeverOverlap)
{
    for (int mode = 0; mode < 3; ++mode) {
        ModePictures pictures;
        ASSERT_TRUE(LoadMode(mode, pictures)) << "mode " << mode + 1;
        const Picture& shapes = pictures.shapes;
        std::vector<int> owner(shapes.pixels.size(), -1);
        for (int b = 0; b < 6; ++b) {
            const RECT& r = buttons[b].rect[mode];
            SCOPED_TRACE(std::string(buttons[b].keyName) + ", mode " + std::to_string(mode + 1));
            ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
                        r.right < shapes.width && r.bottom < shapes.height);
            int area = (r.right - r.left + 1) * (r.bottom - r.top + 1);
            int shape = CountShapePixels(shapes, r);
            // Most of the rectangle, but not all of it: the corners are cut off.
            EXPECT_GT(shape, area * 8 / 10);
            EXPECT_LT(shape, area);
            for (POINT corner : {POINT{r.left, r.top}, POINT{r.right, r.top},
                                 POINT{r.left, r.bottom}, POINT{r.right, r.bottom}}) {
                EXPECT_EQ(RGB(0, 0, 0), shapes.At(corner.x, corner.y))
                    << "corner " << corner.x << "," << corner.y;
            }
            // The tile touches its rectangle's sides midway: the rectangle encloses it tightly.
            int midX = (r.left + r.right) / 2;
            int midY = (r.top + r.bottom) / 2;
            EXPECT_NE(RGB(0, 0, 0), shapes.At(r.left, midY));
            EXPECT_NE(RGB(0, 0, 0), shapes.At(r.right, midY));
            EXPECT_NE(RGB(0, 0, 0), shapes.At(midX, r.top));
            EXPECT_NE(RGB(0, 0, 0), shapes.At(midX, r.bottom));
            int overlaps = 0;
            for (int y = r.top; y <= r.bottom; ++y) {
                for (int x = r.left; x <= r.right; ++x) {
                    if (shapes.At(x, y) == RGB(0, 0, 0)) {
                        continue;
                    }
                    int& cell = owner[static_cast<size_t>(y) * shapes.width + x];
                    overlaps += cell != -1;
                    cell = b;
                }
            }
            EXPECT_EQ(0, overlaps);
        }
    }
}

TEST(DefaultSkin, EachLabelIsDrawnInsideItsButtonShapeOnBothPanels)
{
    for (int mode = 0; mode < 3; ++mode) {
        ModePictures pictures;
        ASSERT_TRUE(LoadMode(mode, pictures)) << "mode " << mode + 1;
        for (int b = 0; b < 6; ++b) {
            SCOPED_TRACE(std::string(buttons[b].keyName) + ", mode " + std::to_string(mode + 1));
            const RECT& r = buttons[b].rect[mode];
            const RECT& label = buttons[b].labelBox[mode];
            int labelHeight = label.bottom - label.top;
            struct Panel {
                const Picture* picture;
                COLORREF ink;
            };
            for (Panel panel : {Panel{&pictures.normal, defaultSkin::normalLabel},
                                Panel{&pictures.selected, defaultSkin::litLabel}}) {
                int inkInLabel = 0;
                int inkOutsideShape = 0;
                for (int y = r.top; y <= r.bottom; ++y) {
                    for (int x = r.left; x <= r.right; ++x) {
                        if (panel.picture->At(x, y) != panel.ink) {
                            continue;
                        }
                        inkOutsideShape += !InShape(pictures.shapes, r, x, y);
                        inkInLabel += x >= label.left && x < label.right && y >= label.top &&
                                      y < label.bottom;
                    }
                }
                // Readable across a room: letters at least a fortieth of the screen high.
                EXPECT_GE(labelHeight, modes[mode].height / 40);
                EXPECT_GT(inkInLabel, labelHeight * 4) << "ink " << std::hex << panel.ink;
                EXPECT_EQ(0, inkOutsideShape) << "ink " << std::hex << panel.ink;
            }
        }
    }
}

TEST(DefaultSkin, OnlyTheTilesLightAndTheyContrastStrongly)
{
    for (int mode = 0; mode < 3; ++mode) {
        ModePictures pictures;
        ASSERT_TRUE(LoadMode(mode, pictures)) << "mode " << mode + 1;
        int changedOutsideShapes = 0;
        for (int y = 0; y < pictures.shapes.height; ++y) {
            for (int x = 0; x < pictures.shapes.width; ++x) {
                if (pictures.shapes.At(x, y) == RGB(0, 0, 0) &&
                    pictures.normal.At(x, y) != pictures.selected.At(x, y)) {
                    ++changedOutsideShapes;
                }
            }
        }
        EXPECT_EQ(0, changedOutsideShapes) << "mode " << mode + 1;
        EXPECT_GT(ColourDistance(defaultSkin::normalTile, defaultSkin::litTile), 300);
        EXPECT_GT(ColourDistance(defaultSkin::normalTile, defaultSkin::normalLabel), 300);
        EXPECT_GT(ColourDistance(defaultSkin::litTile, defaultSkin::litLabel), 300);
        for (int b = 0; b < 6; ++b) {
            POINT p = buttons[b].sample[mode];
            EXPECT_EQ(defaultSkin::normalTile, pictures.normal.At(p.x, p.y)) << buttons[b].label;
            EXPECT_EQ(defaultSkin::litTile, pictures.selected.At(p.x, p.y)) << buttons[b].label;
            EXPECT_TRUE(InShape(pictures.shapes, buttons[b].rect[mode], p.x, p.y));
        }
    }
}

}  // namespace
