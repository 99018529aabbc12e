// Settings made wrong on purpose, served by the fake store: values missing in turn, empty and
// over-long strings, odd rectangle texts, long button names, too few or too many buttons, and
// remote codes known and unknown. Each is a clean failure of the load or of the click, never a
// crash, an overrun or a half-done action.
#include "actions/button_actions.h"
#include "skin/skin.h"
#include "tests/fakes/fake_outside.h"
#include "tests/reliability/skin_handles.h"
#include "tests/skin/skin_test_support.h"

#include <cstdio>

namespace {

using skintest::SkinTest;

const char* const panelValues[] = {"Normal Bitmap Mode 3", "Selected Bitmap Mode 3",
                                   "Region Template Mode 3"};

// Button 0's rectangle at 1024 x 768, as the test skin has it.
const char button0[] = "40,40,139,99";

class BadSettings : public SkinTest {
  protected:
    void SetUp() override
    {
        SkinTest::SetUp();
        WritePanel(1024, 768);
        AddButtons(1024, 768);
        base = fake::CurrentSettings();
    }

    // Loads with the settings as changed by the caller, then restores them; returns the result
    // and checks that FreeSkin leaves nothing of the attempt.
    int TryLoad(const std::string& what)
    {
        ++tried;
        const int result = LoadSkin(GetDesktopWindow());
        const std::vector<HGDIOBJ> held = reliability::HandlesOf(currentSkin);
        FreeSkin();
        EXPECT_EQ(0, reliability::CountLive(held)) << what;
        fake::CurrentSettings() = base;
        fake::Calls().clear();
        return result;
    }

    void SetRectangle(int index, const std::string& text)
    {
        fake::SetString("Buttons\\Button " + std::to_string(index), "Rectangle Mode 3", text);
    }

    fake::Settings base;
    int tried = 0;
};

TEST_F(BadSettings, EveryPanelAndRectangleValueMissingOrEmptyInTurnFailsTheLoad)
{
    for (const char* value : panelValues) {
        fake::CurrentSettings().strings["Panel"].erase(value);
        EXPECT_EQ(0, TryLoad(std::string(value) + " missing"));
        fake::SetString("Panel", value, "");
        EXPECT_EQ(0, TryLoad(std::string(value) + " empty"));
    }
    for (int i = 0; i < 6; ++i) {
        const std::string key = "Buttons\\Button " + std::to_string(i);
        fake::CurrentSettings().strings[key].erase("Rectangle Mode 3");
        EXPECT_EQ(0, TryLoad(key + " rectangle missing"));
        SetRectangle(i, "");
        EXPECT_EQ(0, TryLoad(key + " rectangle empty"));
    }
    EXPECT_EQ(1, TryLoad("all present"));
    std::printf("settings corpus, missing and empty values: %d loads\n", tried);
}

TEST_F(BadSettings, LongStringsFitOrFailButNeverOverrun)
{
    // A rectangle text padded with an ignored fifth field: it fits the 128-byte value up to
    // 127 characters.
    for (size_t length : {127u, 128u, 255u, 256u, 300u}) {
        std::string text = std::string(button0) + ",";
        text += std::string(length - text.size(), '7');
        SetRectangle(0, text);
        EXPECT_EQ(length <= 127 ? 1 : 0, TryLoad("rectangle of " + std::to_string(length)))
            << length;
    }
    // Panel file names of the same lengths: a name loads while the store can give it and the
    // directory and the name together fit the 256-byte path.
    const std::string normal = skintest::ReadRawFile(directory + "normal3.bmp");
    for (size_t length : {127u, 128u, 255u, 256u, 300u}) {
        const std::string name = std::string(length - 4, 'p') + ".bmp";
        const bool fits = directory.size() + length < 256;
        if (fits) {
            ASSERT_TRUE(skintest::WriteRawFile(directory + name, normal));
        }
        fake::SetString("Panel", panelValues[0], name);
        EXPECT_EQ(fits ? 1 : 0, TryLoad("file name of " + std::to_string(length))) << length;
        DeleteFileA((directory + name).c_str());
    }
}

TEST_F(BadSettings, RectangleTextsOfEveryShape)
{
    struct Case {
        const char* text;
        int loads;
    } cases[] = {
        {"40,40,139,99", 1},
        {" 40, 40, 139, 99", 1},
        {"+40,+40,+139,+99", 1},
        {"40,40,139,99,5,6,7", 1},
        {",,40,,40,139,,99,,", 1},
        {"40x,40y,139z,99!", 1},
        {"a,b,c,d", 0},
        {"-40,40,139,99", 0},
        {"40,-40,139,99", 0},
        {"40,40,-139,99", 0},
        {"40,40,139,4294967296", 0},
        {"40,40,99999999999999999999,99", 0},
        {"2147483647,40,2147483647,99", 0},
        // Blocks of absurd extent are refused before a pixel is read; any shape within the
        // traced-pixel budget is traced (past the template every pixel reads invalid, and
        // belongs). 552,960 x 60 pixels is exactly the budget.
        {"40,40,2000000000,99", 0},
        {"40,40,139,2000000000", 0},
        {"40,40,2000000,99", 0},
        {"40,40,553040,99", 0},
        {"40,40,139,331816", 0},
        {"0,0,4200,99", 1},
        {"40,40,139,4136", 1},
        {"40,40,139", 0},
        {"40", 0},
        {"40 40 139 99", 0},
        {"40;40;139;99", 0},
        {",,,,", 0},
        {"139,40,40,99", 0},
        {"0,0,5,5", 0},
    };
    int refused = 0;
    for (const Case& c : cases) {
        SetRectangle(3, c.text);
        const DWORD start = GetTickCount();
        const int result = TryLoad(c.text);
        EXPECT_LT(GetTickCount() - start, 3000u) << c.text << ": the load must not hang";
        EXPECT_EQ(c.loads, result) << c.text;
        refused += result == 0;
    }
    std::printf("settings corpus, rectangle texts: %zu cases, %d refused\n",
                sizeof cases / sizeof cases[0], refused);
}

TEST_F(BadSettings, ButtonNamesAndCountsAtTheirLimits)
{
    auto& names = fake::CurrentSettings().subKeys["Buttons"];
    // "Buttons\" and the name must fit 255 characters: 247 does, 248 does not.
    for (size_t length : {247u, 248u, 255u, 256u}) {
        const std::string name(length, 'n');
        names[4] = name;
        fake::SetString("Buttons\\" + name, "Rectangle Mode 3", "400,40,499,99");
        const int result = LoadSkin(GetDesktopWindow());
        EXPECT_EQ(length == 247 ? 1 : 0, result) << length;
        if (result) {
            EXPECT_EQ(name, currentSkin->buttons[4].name);
            fake::Calls().clear();
            PerformButtonAction(GetDesktopWindow(), 4);
            EXPECT_EQ(std::vector<std::string>{"Kivrel_GetProfileDWord(Buttons\\" + name +
                                               ", Remote Code)"},
                      fake::Calls());
        } else {
            ASSERT_NE(nullptr, currentSkin);
            EXPECT_EQ(4, currentSkin->buttonCount) << length;
        }
        FreeSkin();
        fake::CurrentSettings() = base;
    }
    for (int count : {0, 1, 5, 6, 7, 12}) {
        fake::CurrentSettings().subKeys["Buttons"].clear();
        for (int i = 0; i < count; ++i) {
            const std::string name = "Button " + std::to_string(i);
            fake::AddSubKey("Buttons", name);
            fake::SetString("Buttons\\" + name, "Rectangle Mode 3",
                            skintest::RectangleText(skintest::ButtonRect(1024, 768, i % 6)));
        }
        fake::Calls().clear();
        const int result = LoadSkin(GetDesktopWindow());
        EXPECT_EQ(count >= 6 ? 1 : 0, result) << count;
        ASSERT_NE(nullptr, currentSkin);
        EXPECT_EQ(count >= 6 ? 6 : count, currentSkin->buttonCount) << count;
        EXPECT_LE(fake::CallsStartingWith("Kivrel_EnumKeyName").size(), 6u) << count;
        FreeSkin();
    }
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ReliabilityPlainWndClass";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

TEST_F(BadSettings, RemoteCodesKnownUnknownAndCommandsOfEveryLength)
{
    ASSERT_EQ(nullptr, FindWindowA("MorvixRemoteCtrl4VelnorWndClass", nullptr))
        << "these cases need the agent absent";
    ASSERT_EQ(1, LoadSkin(GetDesktopWindow()));
    fake::World().browser = "C:\\browser\\browser.exe";
    fake::SetString("Buttons\\Button 2", "Command", "C:\\tools\\run.exe");
    const DWORD codes[] = {0,     1,          319, 322, 1712, 1715, 39320, 61457,
                           65535, 0xFFFFFFFF, 320, 321, 1713, 1714, 61456, 39321};
    int silent = 0;
    for (DWORD code : codes) {
        HWND window = MakeWindow();
        ASSERT_NE(nullptr, window);
        fake::SetDWord("Buttons\\Button 2", "Remote Code", code);
        fake::Calls().clear();
        PerformButtonAction(window, 2);
        const bool known =
            code == 320 || code == 321 || code == 1713 || code == 1714 || code == 61456;
        const size_t launches =
            fake::CallsStartingWith("Osmant_").size() + fake::CallsStartingWith("TARVIK_").size();
        if (known) {
            EXPECT_GT(launches, 0u) << code;
        } else {
            EXPECT_EQ(0u, launches) << code;
            EXPECT_EQ(1u, fake::Calls().size()) << code << ": only the code is read";
            silent += 1;
        }
        EXPECT_EQ(code == 39321 ? FALSE : TRUE, IsWindow(window)) << code;
        DestroyWindow(window);
    }
    // The command of the command button: up to 255 characters it is run as it stands, longer
    // ones the store cannot give, and nothing is run.
    fake::SetDWord("Buttons\\Button 2", "Remote Code", 61456);
    for (size_t length : {1u, 127u, 128u, 255u, 256u, 300u}) {
        const std::string command =
            length < 3 ? std::string(length, 'c') : "C:\\" + std::string(length - 3, 'c');
        fake::SetString("Buttons\\Button 2", "Command", command);
        fake::Calls().clear();
        PerformButtonAction(GetDesktopWindow(), 2);
        const std::vector<std::string> runs = fake::CallsStartingWith("Osmant_ExecuteCommand");
        if (length <= 255) {
            ASSERT_EQ(1u, runs.size()) << length;
            EXPECT_NE(std::string::npos, runs[0].find(command)) << length;
        } else {
            EXPECT_TRUE(runs.empty()) << length;
        }
    }
    std::printf("remote codes: %zu tried, %d did nothing as they should\n",
                sizeof codes / sizeof codes[0], silent);
}

}  // namespace
