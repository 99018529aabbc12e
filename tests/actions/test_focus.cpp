// The rule that picks the button an arrow key moves to, on the default grid and on an uneven
// layout, with regions built by hand.
#include "actions/focus.h"
#include "tests/bench/test_skin.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A skin record holding only button regions, made from rectangles (exclusive right and bottom).
class Layout {
  public:
    explicit Layout(const std::vector<RECT>& rects) : entries(rects.size())
    {
        for (size_t i = 0; i < rects.size(); ++i) {
            const RECT& r = rects[i];
            entries[i].region = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        }
        skin.buttons = entries.data();
        skin.buttonCount = static_cast<int>(entries.size());
    }
    ~Layout()
    {
        for (ButtonEntry& entry : entries) {
            DeleteObject(entry.region);
        }
    }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    int Next(int from, FocusDirection direction) const
    {
        return FindNearestButton(&skin, from, direction);
    }

  private:
    std::vector<ButtonEntry> entries;
    Skin skin = {};
};

TEST(FocusMove, OnTheGridMovesAlongRowsAndColumnsAndStopsAtTheEdges)
{
    std::vector<RECT> rects;
    for (int i = 0; i < 6; ++i) {
        RECT r = testskin::ButtonRect(2, i);
        rects.push_back(RECT{r.left, r.top, r.right + 1, r.bottom + 1});
    }
    Layout grid(rects);
    EXPECT_EQ(1, grid.Next(0, FocusRight)) << "Internet to Mail";
    EXPECT_EQ(3, grid.Next(0, FocusDown)) << "Internet to DVD";
    EXPECT_EQ(-1, grid.Next(0, FocusLeft)) << "no wrap";
    EXPECT_EQ(-1, grid.Next(0, FocusUp));
    EXPECT_EQ(0, grid.Next(3, FocusUp)) << "DVD to Internet";
    EXPECT_EQ(-1, grid.Next(2, FocusRight));
    EXPECT_EQ(-1, grid.Next(5, FocusDown));

    // Drawn by hand, two shapes a pixel taller than their row: a centre half a pixel off the row
    // lies beside it, not above or below it.
    rects[2].top -= 1;
    rects[5].bottom += 1;
    Layout uneven(rects);
    EXPECT_EQ(-1, uneven.Next(1, FocusUp)) << "stays on the top row";
    EXPECT_EQ(-1, uneven.Next(4, FocusDown)) << "stays on the bottom row";
    EXPECT_EQ(1, uneven.Next(4, FocusUp));
    EXPECT_EQ(2, uneven.Next(1, FocusRight));
}

TEST(FocusMove, ButtonsWithTheSameCentreAreToldApartByIndex)
{
    // 1, 2 and 3 share a centre: Right and Down step through them in order, Left and Up back.
    Layout same({{100, 100, 200, 200}, {400, 100, 500, 200}, {410, 110, 490, 190},
                 {420, 120, 480, 180}});
    EXPECT_EQ(1, same.Next(0, FocusRight));
    EXPECT_EQ(2, same.Next(1, FocusRight));
    EXPECT_EQ(3, same.Next(2, FocusDown));
    EXPECT_EQ(-1, same.Next(3, FocusRight));
    EXPECT_EQ(2, same.Next(3, FocusUp));
    EXPECT_EQ(1, same.Next(2, FocusLeft));
    EXPECT_EQ(0, same.Next(1, FocusLeft));
}

TEST(FocusMove, OnAnUnevenLayoutTakesTheConeAndWeighsTheSidewaysOffsetTwice)
{
    // Centres: 0 (500,100) a wide banner; 1 (200,300), 2 (550,350), 3 (850,260) a middle row
    // out of line; 4 (300,600), 5 (800,600) a bottom row.
    Layout uneven({{100, 50, 900, 150},
                   {100, 250, 300, 350},
                   {450, 300, 650, 400},
                   {800, 230, 900, 290},
                   {150, 550, 450, 650},
                   {600, 500, 1000, 700}});
    // From the banner down: 2 lies 250 below and 50 aside (350), nearer than 1 (200 + 2 x 300).
    EXPECT_EQ(2, uneven.Next(0, FocusDown));
    // 2 is 50 to the right of the banner's centre but 250 below it: below, not to the right.
    EXPECT_EQ(3, uneven.Next(0, FocusRight));
    // From 3 down, 5 (340 + 2 x 50) wins over 2 (90 + 2 x 300), though 2 is nearer in a line.
    EXPECT_EQ(5, uneven.Next(3, FocusDown));
    EXPECT_EQ(2, uneven.Next(3, FocusLeft));
    EXPECT_EQ(-1, uneven.Next(3, FocusUp)) << "the banner lies more to the left than above";
    EXPECT_EQ(-1, uneven.Next(3, FocusRight));
    EXPECT_EQ(1, uneven.Next(4, FocusUp));

    // Two buttons at the same score: the lower index.
    Layout tie({{450, 50, 550, 150}, {150, 550, 250, 650}, {750, 550, 850, 650}});
    EXPECT_EQ(1, tie.Next(0, FocusDown));
    EXPECT_EQ(-1, tie.Next(0, FocusUp));
}

}  // namespace
