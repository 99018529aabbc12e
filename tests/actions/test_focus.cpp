// The rule that picks the button an arrow key moves to, on the default grid and on an uneven
// layout, with regions built by hand.
#include "actions/focus.h"
#include "tests/bench/test_skin.h"
#include "tests/reliability/soak_counts.h"

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

    // The buttons the arrows lead to from `from`, in any number of presses, as a mask.
    unsigned Reached(int from) const
    {
        unsigned reached = 1u << from;
        for (bool grew = true; grew;) {
            grew = false;
            for (int at = 0; at < skin.buttonCount; ++at) {
                for (int way = FocusLeft; (reached >> at & 1) && way <= FocusDown; ++way) {
                    const int next = Next(at, static_cast<FocusDirection>(way));
                    if (next != -1 && !(reached >> next & 1)) {
                        reached |= 1u << next;
                        grew = true;
                    }
                }
            }
        }
        return reached;
    }

    // Whether every button is reached from every other.
    bool AllReachable() const
    {
        const unsigned all = (1u << skin.buttonCount) - 1;
        for (int from = 0; from < skin.buttonCount; ++from) {
            if (Reached(from) != all) {
                return false;
            }
        }
        return true;
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

// A square of side 100 around the centre.
RECT Around(int x, int y)
{
    return RECT{x - 50, y - 50, x + 50, y + 50};
}

TEST(FocusMove, AButtonExactlyOnADiagonalLiesBothWays)
{
    // The middle one lies at 45 degrees from both others.
    Layout vee({Around(100, 100), Around(200, 200), Around(300, 100)});
    EXPECT_EQ(1, vee.Next(0, FocusDown));
    EXPECT_EQ(2, vee.Next(0, FocusRight)) << "the one in line is nearer";
    EXPECT_EQ(0, vee.Next(1, FocusUp)) << "both at the same score: the lower index";
    EXPECT_EQ(2, vee.Next(1, FocusRight));
    EXPECT_TRUE(vee.AllReachable());
}

TEST(FocusMove, WhereTheConeWouldLeaveAButtonOutTheArrowsFollowRows)
{
    // The five of a die: the middle is diagonal to every corner, and each corner has a nearer
    // one in line. Rows: the top corners, the middle, the bottom corners.
    Layout die({Around(100, 100), Around(300, 100), Around(200, 200), Around(100, 300),
                Around(300, 300)});
    EXPECT_EQ(1, die.Next(0, FocusRight));
    EXPECT_EQ(2, die.Next(0, FocusDown)) << "the row below is the middle";
    EXPECT_EQ(2, die.Next(1, FocusDown));
    EXPECT_EQ(3, die.Next(2, FocusDown)) << "as near across as 4: the lower index";
    EXPECT_EQ(0, die.Next(2, FocusUp));
    EXPECT_EQ(-1, die.Next(2, FocusLeft)) << "alone in its row";
    EXPECT_EQ(4, die.Next(3, FocusRight));
    EXPECT_EQ(3, die.Next(4, FocusLeft));
    EXPECT_EQ(2, die.Next(4, FocusUp));
    EXPECT_EQ(-1, die.Next(3, FocusDown));
    EXPECT_TRUE(die.AllReachable());

    // A row is every button whose centre lies within the height of its first (highest) one, in
    // order across the screen: 5, 30 pixels lower than the middle, joins its row.
    Layout rows({Around(100, 100), Around(300, 100), Around(200, 200), Around(100, 300),
                 Around(300, 300), Around(400, 230)});
    EXPECT_EQ(5, rows.Next(2, FocusRight));
    EXPECT_EQ(2, rows.Next(5, FocusLeft)) << "the cone would take 4, nearer down there";
    EXPECT_EQ(4, rows.Next(5, FocusDown));
    EXPECT_EQ(2, rows.Next(1, FocusDown)) << "2 and 5 as near across: the lower index";
    EXPECT_TRUE(rows.AllReachable());
}

// Layouts drawn at random, many of them with centres in line or on diagonals: from every button
// the arrows reach every other.
TEST(FocusMove, EveryButtonOfAnyLayoutIsReachedFromEveryOther)
{
    unsigned seed = 25;
    auto random = [&seed](int below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(below));
    };
    const int layouts = reliability::Count(2000, 100000);
    for (int made = 0; made < layouts; ++made) {
        const int count = 2 + random(5);
        const int step = made % 3 == 0 ? 1 : made % 3 == 1 ? 40 : 200;
        std::vector<RECT> rects;
        for (int i = 0; i < count; ++i) {
            const int x = 300 + step * random(6);
            const int y = 300 + step * random(6);
            const int halfWidth = 5 + random(60);
            const int halfHeight = 5 + random(60);
            rects.push_back(RECT{x - halfWidth, y - halfHeight, x + halfWidth, y + halfHeight});
        }
        Layout layout(rects);
        ASSERT_TRUE(layout.AllReachable()) << "layout " << made;
    }
}

}  // namespace
