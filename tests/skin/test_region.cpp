#include "skin/region.h"
#include "skin/skin_limits.h"
#include "tests/reliability/soak_counts.h"
#include "tests/skin/skin_test_support.h"

#include <climits>

using skintest::Box;
using skintest::Canvas;
using skintest::Describe;
using skintest::ImportHook;
using skintest::PixelReadRecorder;
using skintest::RegionOf;

namespace {

// Deletes the region under test when the test ends, whatever it asserted.
struct OwnedRegion {
    HRGN hrgn;
    explicit OwnedRegion(HRGN region) : hrgn(region) {}
    ~OwnedRegion()
    {
        if (hrgn != nullptr) {
            DeleteObject(hrgn);
        }
    }
    OwnedRegion(const OwnedRegion&) = delete;
    OwnedRegion& operator=(const OwnedRegion&) = delete;
};

void ExpectRegionEquals(HRGN actual, const std::vector<RECT>& rects)
{
    ASSERT_NE(nullptr, actual);
    OwnedRegion expected(RegionOf(rects));
    EXPECT_TRUE(EqualRgn(actual, expected.hrgn))
        << "got " << Describe(actual) << " want " << Describe(expected.hrgn);
}

const std::vector<std::string> workedExample = {
    "KWWKKW",
    "KKWKWW",
    "WKKKKW",
    "KKKKKK",
};

}  // namespace

TEST(BuildRegionFromTemplate, TracesTheWorkedExampleReadingEachPixelOnceInRowOrder)
{
    Canvas canvas(8, 5);
    canvas.Paint(workedExample);
    // Column 6 is white: it lies past the block and must never be read or take part.
    for (int y = 0; y < 5; ++y) {
        canvas.Set(6, y, RGB(255, 255, 255));
    }
    PixelReadRecorder recorder;
    ASSERT_TRUE(recorder.Installed());
    RECT bounds = {9, 9, 9, 9};
    OwnedRegion region(BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 3}, 0, TRUE, &bounds));

    ExpectRegionEquals(region.hrgn, {{1, 0, 3, 1}, {5, 0, 6, 1}, {2, 1, 3, 2}, {4, 1, 6, 2},
                                     {0, 2, 1, 3}, {5, 2, 6, 3}});
    EXPECT_EQ((RECT{0, 0, 6, 3}), bounds);
    const std::vector<POINT>& reads = recorder.Reads();
    ASSERT_EQ(24u, reads.size());
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(i % 6, reads[i].x) << "read " << i;
        EXPECT_EQ(i / 6, reads[i].y) << "read " << i;
    }
}

TEST(BuildRegionFromTemplate, PlacesTheRegionAtTheBlocksOwnOrigin)
{
    Canvas canvas(10, 10);
    canvas.Set(5, 4, RGB(255, 255, 255));
    canvas.Set(6, 4, RGB(255, 255, 255));
    canvas.Set(5, 5, RGB(255, 255, 255));
    canvas.Set(6, 5, RGB(255, 255, 255));
    OwnedRegion square(BuildRegionFromTemplate(canvas.Dc(), RECT{3, 2, 8, 7}, 0, TRUE, nullptr));
    // Rows of equal runs merge into one shape.
    ExpectRegionEquals(square.hrgn, {{2, 2, 4, 4}});
    EXPECT_EQ(1, skintest::RectangleCount(square.hrgn));

    // A single pixel, and a run that reaches the block's right column.
    Canvas single(10, 10);
    single.Set(7, 3, RGB(1, 0, 0));
    RECT bounds = {};
    OwnedRegion pixel(BuildRegionFromTemplate(single.Dc(), RECT{2, 1, 7, 6}, 0, TRUE, &bounds));
    ExpectRegionEquals(pixel.hrgn, {{5, 2, 6, 3}});
    EXPECT_EQ((RECT{5, 2, 6, 3}), bounds);
}

TEST(BuildRegionFromTemplate, AcceptsTheSmallestBlockAndRefusesInvalidOnesWithoutReading)
{
    Canvas canvas(4, 4);
    canvas.Paint({"WWWW", "WWWW", "WWWW", "WWWW"});
    PixelReadRecorder recorder;
    ASSERT_TRUE(recorder.Installed());
    RECT bounds = {};
    OwnedRegion smallest(BuildRegionFromTemplate(canvas.Dc(), RECT{1, 1, 2, 2}, 0, TRUE, &bounds));
    ExpectRegionEquals(smallest.hrgn, {{0, 0, 2, 2}});
    EXPECT_EQ((RECT{0, 0, 2, 2}), bounds);
    EXPECT_EQ(4u, recorder.Reads().size());

    const RECT refused[] = {
        {-1, 0, 2, 2},       {0, -1, 2, 2},       {2, 0, 2, 2},  {3, 0, 2, 2},
        {0, 2, 2, 2},        {0, 3, 2, 2},        {0, 0, INT_MAX, 2}, {0, 0, 2, INT_MAX},
        {INT_MIN, 0, 2, 2},
        // One pixel more than a skin load may trace, as a wide strip and as a square.
        {0, 0, 16588800, 1}, {0, 0, 7680, 4319},
    };
    for (const RECT& area : refused) {
        recorder.Clear();
        RECT untouched = {7, 7, 7, 7};
        HRGN region = BuildRegionFromTemplate(canvas.Dc(), area, 0, TRUE, &untouched);
        EXPECT_EQ(nullptr, region) << ::testing::PrintToString(area);
        EXPECT_EQ((RECT{7, 7, 7, 7}), untouched) << ::testing::PrintToString(area);
        EXPECT_TRUE(recorder.Reads().empty()) << ::testing::PrintToString(area);
        if (region != nullptr) {
            DeleteObject(region);
        }
    }
    recorder.Clear();
    RECT untouched = {7, 7, 7, 7};
    EXPECT_EQ(nullptr, BuildRegionFromTemplate(nullptr, RECT{0, 0, 2, 2}, 0, TRUE, &untouched));
    EXPECT_EQ((RECT{7, 7, 7, 7}), untouched);
    EXPECT_TRUE(recorder.Reads().empty());
}

TEST(BuildRegionFromTemplate, GivesNullWhenNoPixelBelongs)
{
    Canvas canvas(6, 6);
    RECT untouched = {7, 7, 7, 7};
    EXPECT_EQ(nullptr, BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 5}, 0, TRUE, &untouched));
    EXPECT_EQ((RECT{7, 7, 7, 7}), untouched);

    // Every pixel equal to a non-black key, excluded: nothing belongs either.
    canvas.Paint({"RRRRRR", "RRRRRR", "RRRRRR", "RRRRRR", "RRRRRR", "RRRRRR"});
    EXPECT_EQ(nullptr,
              BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 5}, RGB(255, 0, 0), TRUE, nullptr));
    // No red pixel in the block when red is what belongs.
    Canvas black(6, 6);
    EXPECT_EQ(nullptr,
              BuildRegionFromTemplate(black.Dc(), RECT{0, 0, 5, 5}, RGB(255, 0, 0), FALSE, nullptr));
}

TEST(BuildRegionFromTemplate, WithoutExclusionOnlyTheKeyColourBelongs)
{
    Canvas canvas(8, 3);
    // Black runs reach the block's right column on rows 0 and 2: the sentinel must still close
    // them, so it never counts as black.
    canvas.Paint({
        "WKKWRKWW",
        "WWWWWWWW",
        "KKKKKKWW",
    });
    OwnedRegion black(BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 2}, 0, FALSE, nullptr));
    ExpectRegionEquals(black.hrgn, {{1, 0, 3, 1}, {5, 0, 6, 1}, {0, 2, 6, 3}});

    // A non-black key: only red belongs, the sentinel (0) does not.
    OwnedRegion red(BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 2}, RGB(255, 0, 0), FALSE,
                                            nullptr));
    ExpectRegionEquals(red.hrgn, {{4, 0, 5, 1}});
}

TEST(BuildRegionFromTemplate, PixelsPastTheBitmapReadInvalidAndBelongToTheLoadersTrace)
{
    Canvas canvas(4, 4);
    RECT bounds = {};
    OwnedRegion region(BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 5}, 0, TRUE, &bounds));
    // The 4 x 4 bitmap is black; columns 4, 5 and rows 4, 5 lie outside it.
    ExpectRegionEquals(region.hrgn, {{4, 0, 6, 4}, {0, 4, 6, 6}});
    EXPECT_EQ((RECT{0, 0, 6, 6}), bounds);
    EXPECT_EQ(CLR_INVALID, GetPixel(canvas.Dc(), 4, 0));

    // With the key itself set to the invalid value, those pixels are the key and drop out.
    canvas.Set(1, 1, RGB(255, 255, 255));
    OwnedRegion inside(
        BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 5}, CLR_INVALID, TRUE, nullptr));
    ExpectRegionEquals(inside.hrgn, {{0, 0, 4, 4}});
}

TEST(GetRegionBounds, AnswersOnlyForValidNonEmptyRegions)
{
    RECT out = {7, 7, 7, 7};
    EXPECT_EQ(0, GetRegionBounds(nullptr, &out));
    EXPECT_EQ((RECT{7, 7, 7, 7}), out);

    HRGN empty = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetRegionBounds(empty, &out));
    EXPECT_EQ((RECT{7, 7, 7, 7}), out);
    DeleteObject(empty);

    HRGN shape = RegionOf({{1, 2, 3, 4}, {5, 2, 9, 6}});
    EXPECT_EQ(0, GetRegionBounds(shape, nullptr));
    EXPECT_EQ(1, GetRegionBounds(shape, &out));
    EXPECT_EQ((RECT{1, 2, 9, 6}), out);
    DeleteObject(shape);

    // A deleted handle is no region.
    out = RECT{7, 7, 7, 7};
    EXPECT_EQ(0, GetRegionBounds(shape, &out));
    EXPECT_EQ((RECT{7, 7, 7, 7}), out);
}

TEST(BuildRegionFromTemplate, ABlockOfExactlyTheTracedPixelBudgetTraces)
{
    EXPECT_EQ(MaxTracedPixels, CountBlockPixels(RECT{0, 0, 16588799, 1}));
    EXPECT_EQ(MaxTracedPixels + 2, CountBlockPixels(RECT{0, 0, 16588800, 1}));
    EXPECT_EQ(0, CountBlockPixels(RECT{5, 5, 5, 9}));
    // Reading the whole budget takes seconds: the long run only.
    if (!reliability::LongRun()) {
        return;
    }
    // Past the canvas every pixel reads invalid and belongs: one run per row.
    Canvas canvas(4, 4);
    OwnedRegion strip(
        BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 16588799, 1}, 0, TRUE, nullptr));
    ASSERT_NE(nullptr, strip.hrgn);
    EXPECT_EQ((RECT{4, 0, 16588800, 2}), Box(strip.hrgn));
}

namespace {

std::vector<HRGN> madeRegions;
int runsBeforeFailure = 0;
void* realCreateRectRgnIndirect = nullptr;

HRGN WINAPI CountingCreateRectRgnIndirect(const RECT* rect)
{
    if (runsBeforeFailure-- == 0) {
        return nullptr;
    }
    HRGN region = reinterpret_cast<HRGN(WINAPI*)(const RECT*)>(realCreateRectRgnIndirect)(rect);
    madeRegions.push_back(region);
    return region;
}

int WINAPI FailingCombineRgn(HRGN, HRGN, HRGN, int)
{
    return ERROR;
}

void ExpectAllDeleted(const std::vector<HRGN>& regions)
{
    for (size_t i = 0; i < regions.size(); ++i) {
        EXPECT_EQ(0u, GetObjectType(regions[i])) << "region " << i << " survived";
    }
}

}  // namespace

TEST(BuildRegionFromTemplate, ARunThatCannotBeMadeOrUnitedLeavesNoRegionBehind)
{
    Canvas canvas(6, 4);
    canvas.Paint(workedExample);
    ImportHook create("gdi32.dll", "CreateRectRgnIndirect",
                      reinterpret_cast<void*>(&CountingCreateRectRgnIndirect));
    ASSERT_TRUE(create.Installed());
    realCreateRectRgnIndirect = create.Original();
    // The first run's region, then any later one, cannot be made.
    for (int failAt : {0, 1, 3}) {
        madeRegions.clear();
        runsBeforeFailure = failAt;
        EXPECT_EQ(nullptr, BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 3}, 0, TRUE, nullptr))
            << failAt;
        EXPECT_EQ(static_cast<size_t>(failAt), madeRegions.size());
        ExpectAllDeleted(madeRegions);
    }
    // The union answers ERROR: both the run and everything gathered so far go.
    madeRegions.clear();
    runsBeforeFailure = -1;
    {
        ImportHook combine("gdi32.dll", "CombineRgn", reinterpret_cast<void*>(&FailingCombineRgn));
        ASSERT_TRUE(combine.Installed());
        EXPECT_EQ(nullptr,
                  BuildRegionFromTemplate(canvas.Dc(), RECT{0, 0, 5, 3}, 0, TRUE, nullptr));
    }
    EXPECT_EQ(2u, madeRegions.size());
    ExpectAllDeleted(madeRegions);
}
