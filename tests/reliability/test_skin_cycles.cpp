// A thousand loads and frees of the skin, successful and failing at every step of the load, with
// every GDI object accounted for: each handle the load made is dead after FreeSkin, and the
// process holds no more GDI objects at the end than at the start.
#include "skin/skin.h"
#include "tests/fakes/fake_outside.h"
#include "tests/reliability/gdi_count.h"
#include "tests/reliability/skin_handles.h"
#include "tests/skin/skin_test_support.h"

#include <cstdio>
#include <functional>

namespace {

using skintest::SkinTest;

struct Scenario {
    const char* what;
    int expected;  // LoadSkin's result
    std::function<void()> apply;
};

void ErasePanel(const char* value)
{
    fake::CurrentSettings().strings["Panel"].erase(value);
}

void SetPanel(const char* value, const std::string& file)
{
    fake::SetString("Panel", value, file);
}

void SetRectangle(int index, const std::string& text)
{
    fake::SetString("Buttons\\Button " + std::to_string(index), "Rectangle Mode 1", text);
}

std::vector<Scenario> Scenarios()
{
    static const char* const panelValues[] = {"Normal Bitmap Mode 1", "Selected Bitmap Mode 1",
                                              "Region Template Mode 1"};
    std::vector<Scenario> s;
    s.push_back({"complete skin", 1, [] {}});
    for (const char* value : panelValues) {
        s.push_back({value, 0, [=] { ErasePanel(value); }});
        s.push_back({value, 0, [=] { SetPanel(value, ""); }});
        s.push_back({value, 0, [=] { SetPanel(value, "notabitmap.bmp"); }});
        s.push_back({value, 0, [=] { SetPanel(value, "truncated.bmp"); }});
        s.push_back({value, 0, [=] { SetPanel(value, "nosuchfile.bmp"); }});
    }
    s.push_back({"panel of another size, stretched", 1,
                 [] { SetPanel("Normal Bitmap Mode 1", "small.bmp"); }});
    for (int i = 0; i < 6; ++i) {
        s.push_back(
            {"rectangle missing", 0, [=] {
                 fake::CurrentSettings().strings["Buttons\\Button " + std::to_string(i)].erase(
                     "Rectangle Mode 1");
             }});
    }
    s.push_back({"empty rectangle", 0, [] { SetRectangle(2, ""); }});
    s.push_back({"one-pixel rectangle", 0, [] { SetRectangle(3, "1,1,1,1"); }});
    s.push_back({"letters", 0, [] { SetRectangle(5, "abc"); }});
    s.push_back({"three fields", 0, [] { SetRectangle(0, "40,40,139"); }});
    s.push_back({"negative left", 0, [] { SetRectangle(1, "-5,40,139,99"); }});
    s.push_back({"huge numbers", 0, [] { SetRectangle(4, "40,40,99999999999,99"); }});
    s.push_back({"no template pixel", 0, [] { SetRectangle(4, "0,0,5,5"); }});
    s.push_back({"five buttons", 0, [] { fake::CurrentSettings().subKeys["Buttons"].resize(5); }});
    s.push_back({"no buttons", 0, [] { fake::CurrentSettings().subKeys["Buttons"].clear(); }});
    s.push_back({"eight buttons", 1, [] {
                     fake::AddSubKey("Buttons", "Button 6");
                     fake::AddSubKey("Buttons", "Button 7");
                 }});
    s.push_back({"name too long for the key path", 0,
                 [] { fake::CurrentSettings().subKeys["Buttons"][2] = std::string(248, 'n'); }});
    return s;
}

class SkinCycles : public SkinTest {};

TEST_F(SkinCycles, AThousandLoadsAndFreesLeaveNoGdiObjectBehind)
{
    SwitchDisplay(640, 480);
    WritePanel(640, 480);
    AddButtons(640, 480);
    ASSERT_TRUE(skintest::WriteBitmapFile(directory + "small.bmp", 160, 120,
                                          [](int, int) { return RGB(1, 2, 3); }));
    ASSERT_TRUE(skintest::WriteRawFile(directory + "notabitmap.bmp", "GIF89a, not a bitmap"));
    const std::string whole = skintest::ReadRawFile(directory + "normal1.bmp");
    ASSERT_TRUE(skintest::WriteRawFile(directory + "truncated.bmp", whole.substr(0, 1000)));
    const fake::Settings base = fake::CurrentSettings();
    const std::vector<Scenario> scenarios = Scenarios();

    // One round first, so that whatever the system caches on first use is in place before
    // the count starts.
    for (const Scenario& scenario : scenarios) {
        fake::CurrentSettings() = base;
        scenario.apply();
        LoadSkin(GetDesktopWindow());
        FreeSkin();
    }
    const reliability::GdiFigures before = reliability::MeasureGdi();

    const int cycles = 1000;
    int loaded = 0, failed = 0, handlesMade = 0, survivors = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const Scenario& scenario = scenarios[cycle % scenarios.size()];
        fake::CurrentSettings() = base;
        fake::Calls().clear();
        scenario.apply();
        const int result = LoadSkin(GetDesktopWindow());
        EXPECT_EQ(scenario.expected, result) << "cycle " << cycle << ": " << scenario.what;
        (result ? loaded : failed) += 1;
        ASSERT_NE(nullptr, currentSkin) << scenario.what;
        const std::vector<HGDIOBJ> held = reliability::HandlesOf(currentSkin);
        handlesMade += static_cast<int>(held.size());
        FreeSkin();
        EXPECT_EQ(nullptr, currentSkin);
        const int live = reliability::CountLive(held);
        EXPECT_EQ(0, live) << "cycle " << cycle << ": " << scenario.what;
        survivors += live;
    }
    const reliability::GdiFigures after = reliability::MeasureGdi();
    std::printf("skin cycles: %d (%d loaded, %d failed, %zu scenarios), %d handles made, "
                "%d alive after FreeSkin\n",
                cycles, loaded, failed, scenarios.size(), handlesMade, survivors);
    std::printf("GDI before: %s\nGDI after:  %s\n", reliability::Describe(before).c_str(),
                reliability::Describe(after).c_str());
    // The probe itself and the system's DC cache may move by an object or two; a leak of even
    // one object per cycle would show as hundreds.
    const int tolerance = 4;
    EXPECT_LE(reliability::GdiGrowth(before, after), tolerance);
    EXPECT_GT(before.freeSlots, 1000) << "the free-slot probe must have room to see a leak";
}

}  // namespace
