// Region tracing against a plain reading of its rule, on thousands of small random bitmaps and
// blocks, valid and invalid: every pixel of the block and the ring around it is asked of the
// region with PtInRegion, and the bounding box is compared. Pixels past the bitmap read
// CLR_INVALID and belong or not like any other value. The seed is fixed and printed.
#include "skin/region.h"
#include "tests/reliability/gdi_count.h"
#include "tests/skin/skin_test_support.h"

#include <cstdio>
#include <random>

namespace {

const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(1, 2, 3)};

struct Picture {
    int width;
    int height;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const
    {
        return x < width && y < height ? pixels[y * width + x] : CLR_INVALID;
    }
};

TEST(RegionRandom, TracedRegionsMatchThePixelsThatBelong)
{
    const unsigned seed = 20261207;
    std::printf("region tracing: seed %u\n", seed);
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    {
        // What the system sets up on the first use of a DIB section is not counted.
        skintest::Canvas warmUp(2, 2);
        DeleteObject(BuildRegionFromTemplate(warmUp.Dc(), RECT{0, 0, 1, 1}, 1, 1, nullptr));
    }
    const reliability::GdiFigures before = reliability::MeasureGdi();
    const int rounds = 5000;
    int invalid = 0, empty = 0, traced = 0, pointsChecked = 0;
    for (int round = 0; round < rounds; ++round) {
        Picture picture;
        picture.width = pick(1, 10);
        picture.height = pick(1, 10);
        skintest::Canvas canvas(picture.width, picture.height);
        // Mostly one colour, so that blocks with no belonging pixel come up as well.
        const int spread = pick(0, 3);
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const COLORREF c = colours[pick(0, spread)];
                picture.pixels.push_back(c);
                canvas.Set(x, y, c);
            }
        }
        const COLORREF key = pick(0, 9) == 0 ? CLR_INVALID : colours[pick(0, 3)];
        const BOOL excludeKey = pick(0, 1);
        RECT area;
        // About one block in three is invalid; many reach past the bitmap's edges.
        auto start = [&](int size) { return pick(0, 9) == 0 ? pick(-2, -1) : pick(0, size + 1); };
        auto extent = [&](int size) { return pick(0, 9) == 0 ? pick(-2, 0) : pick(1, size + 2); };
        area.left = start(picture.width);
        area.top = start(picture.height);
        area.right = area.left + extent(picture.width);
        area.bottom = area.top + extent(picture.height);
        SCOPED_TRACE("round " + std::to_string(round));

        const RECT untouched = {-7, -7, -7, -7};
        RECT bounds = untouched;
        HRGN region = BuildRegionFromTemplate(canvas.Dc(), area, key, excludeKey, &bounds);
        const bool valid =
            area.left >= 0 && area.top >= 0 && area.left < area.right && area.top < area.bottom;
        if (!valid) {
            EXPECT_EQ(nullptr, region);
            EXPECT_EQ(untouched, bounds);
            ++invalid;
            if (region != nullptr) {
                DeleteObject(region);
            }
            continue;
        }
        RECT expected = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        std::vector<bool> belongs;
        const int columns = area.right - area.left + 1;
        const int rows = area.bottom - area.top + 1;
        for (int oy = 0; oy < rows; ++oy) {
            for (int ox = 0; ox < columns; ++ox) {
                const COLORREF value = picture.At(area.left + ox, area.top + oy);
                const bool in = excludeKey ? value != key : value == key;
                belongs.push_back(in);
                if (in) {
                    expected.left = std::min<LONG>(expected.left, ox);
                    expected.top = std::min<LONG>(expected.top, oy);
                    expected.right = std::max<LONG>(expected.right, ox + 1);
                    expected.bottom = std::max<LONG>(expected.bottom, oy + 1);
                }
            }
        }
        if (expected.left == INT_MAX) {
            EXPECT_EQ(nullptr, region);
            EXPECT_EQ(untouched, bounds);
            ++empty;
            if (region != nullptr) {
                DeleteObject(region);
            }
            continue;
        }
        ASSERT_NE(nullptr, region);
        ++traced;
        EXPECT_EQ(expected, bounds);
        EXPECT_EQ(expected, skintest::Box(region));
        int wrong = 0;
        for (int oy = -1; oy <= rows; ++oy) {
            for (int ox = -1; ox <= columns; ++ox) {
                const bool inside = ox >= 0 && oy >= 0 && ox < columns && oy < rows;
                const bool want = inside && belongs[oy * columns + ox];
                wrong += (PtInRegion(region, ox, oy) != 0) != want;
                ++pointsChecked;
            }
        }
        EXPECT_EQ(0, wrong) << skintest::Describe(region);
        DeleteObject(region);
    }
    const reliability::GdiFigures after = reliability::MeasureGdi();
    std::printf("region tracing: %d rounds: %d invalid blocks, %d with no pixel, %d traced, "
                "%d points compared\n",
                rounds, invalid, empty, traced, pointsChecked);
    std::printf("GDI before: %s\nGDI after:  %s\n", reliability::Describe(before).c_str(),
                reliability::Describe(after).c_str());
    EXPECT_LE(reliability::GdiGrowth(before, after), 4);
    EXPECT_GT(invalid, rounds / 10);
    EXPECT_GT(empty, rounds / 50);
    EXPECT_GT(traced, rounds / 3);
}

}  // namespace
