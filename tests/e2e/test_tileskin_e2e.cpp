// The real tileskin.exe on a tiles file of six tiles, then the real menu it restarts: the skin's
// folder and settings, the new pictures at two screen sizes, and the launches of a program, a
// web address and a protocol link. A bad tiles file afterwards changes nothing.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"
#include "tests/launch/launch_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

const char appKey[] = "Software\\Velnor\\Tilebox";
const char skinName[] = "E2e Living Room";
// Colours no other skin of the tests uses, so a pixel of them is this skin's; the labels darker
// than the tiles.
const COLORREF tileColour = RGB(0xA0, 0xD0, 0xB0);
const COLORREF litTileColour = RGB(0xFF, 0xD7, 0x60);

// The whole tree below a key, values with their data, as text to compare before and after.
std::string TreeText(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<none>\n";
    }
    std::string text;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[1024];
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        text += path + ":" + name + "=" + std::to_string(type) + ":" +
                std::string(reinterpret_cast<char*>(data), dataSize) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        text += TreeText(root, path + "\\" + name);
    }
    RegCloseKey(key);
    return text;
}

// Every file below the skins folder with its size and time of writing.
std::string FolderText(const std::string& folder)
{
    std::string text;
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return "<none>";
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        text += folder + "\\" + name + " " + std::to_string(found.nFileSizeLow) + " " +
                std::to_string(found.ftLastWriteTime.dwLowDateTime) + "\n";
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            text += FolderText(folder + "\\" + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return text;
}

// Runs tileskin.exe with the tail; its messages land in said.
DWORD RunTileskin(const std::string& tail, std::string* said)
{
    const std::string out = bench::MakeTempDir("tileskin-out") + "said.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + bench::BinDir() + "tileskin.exe\" " + tail;
    DWORD code = STILL_ACTIVE;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, 90000) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 1);
        }
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(file);
    std::ifstream in(out, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    *said = text.str();
    return code;
}

std::string ReadText(const std::string& key, const char* name)
{
    char value[512] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, (std::string(appKey) + "\\" + key).c_str(), name,
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    return value;
}

DWORD ReadNumber(const std::string& key, const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, (std::string(appKey) + "\\" + key).c_str(), name,
                 RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// A spot of plain tile colour: a tenth in from the left edge, half-way down.
POINT TileSpot(int index, const std::string& size, POINT* centre)
{
    RECT r = {};
    std::sscanf(ReadText("Buttons\\" + testskin::ButtonName(index), ("Rectangle " + size).c_str())
                    .c_str(),
                "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom);
    if (centre != nullptr) {
        *centre = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    return POINT{r.left + (r.right - r.left) / 10, (r.top + r.bottom) / 2};
}

// The menu that tileskin started again belongs to no Process object: ended here by its id.
struct RestartedMenu {
    HANDLE process = nullptr;
    ~RestartedMenu()
    {
        if (process != nullptr) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
};

class TileSkinE2e : public MenuFixture {
  protected:
    void TearDown() override
    {
        launch::EndRecorders();
        const std::string folder = bench::BinDir() + "skins\\" + skinName;
        WIN32_FIND_DATAA found = {};
        HANDLE search = FindFirstFileA((folder + "\\*.bmp").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
        MenuFixture::TearDown();
    }
};

TEST_F(TileSkinE2e, SixTilesBecomeTheRestartedMenusSkinAndEachLaunchWorks)
{
    const std::string recorder = launch::Recorder().exe;
    SetEnvironmentVariableA("TILEBOX_RECORDER_LOG", launch::Recorder().log.c_str());
    launch::ClearLog();
    // The recorder is the default browser (which a command tile needs), the https handler the
    // shell finds, and the handler of a link scheme of the test's own.
    const std::string handler = launch::Quoted(recorder) + " \"%1\"";
    launch::Registrations reg;
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, "Software\\Classes\\http\\shell\\open\\command", "",
                        handler));
    launch::HiddenValue https(HKEY_CLASSES_ROOT, "https\\shell\\open\\command", "",
                              handler.c_str());
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "tileboxe2e", "URL Protocol", ""));
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "tileboxe2e\\shell\\open\\command", "", handler));
    // UTF-8 with its mark, a label beyond every 8-bit code page, blanks and a comment.
    const std::string tiles = bench::MakeTempDir("tiles") + "living room.ini";
    std::ofstream(tiles, std::ios::binary)
        << "\xEF\xBB\xBF; made by the end-to-end test\r\n[skin]\r\nName = " << skinName
        << "\r\nTile=#A0D0B0\r\nLabel=#102010\r\nLit Tile=#FFD760\r\nLit Label=#201000\r\n"
           "Display=\\\\.\\display1\r\n[Tile 1]\r\nLabel=Player\r\nAction=Command\r\nCommand="
        << launch::Quoted(recorder)
        << " /program\r\n"
           "[Tile 2]\r\nLabel=Web\r\nAction=Command\r\nCommand=https://example.org/tilebox\r\n"
           "[Tile 3]\r\nLabel=Link\r\nAction=Command\r\nCommand=tileboxe2e:open/big\r\n"
           "[TILE 4]\r\nlabel = \xE2\x98\x85 Internet\r\naction = browser\r\n"
           "[Tile 5]\r\nLabel=Mail\r\nAction=Mail\r\n[Tile 6]\r\nLabel=Close\r\nAction=Close\r\n";

    ASSERT_TRUE(bench::SetDisplayMode(1920, 1080));
    bench::Process before;
    ASSERT_TRUE(StartMenu(before));
    std::string said;
    ASSERT_EQ(0u, RunTileskin(launch::Quoted(tiles), &said)) << said;
    EXPECT_EQ(18u, before.WaitExit(10000)) << "the running menu was not closed";
    HWND window = bench::WaitForWindow(menuClass, 15000);
    ASSERT_NE(nullptr, window) << "the menu was not started again\n" << said;
    RestartedMenu restarted;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    restarted.process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);

    // The pictures in their folder, the settings naming them, under the keys the menu read.
    const std::string folder = std::string("skins\\") + skinName + "\\";
    EXPECT_EQ(folder + "normal-1920x1080.bmp", ReadText("Panel", "Normal Bitmap 1920x1080"));
    EXPECT_EQ(folder + "template-640x480.bmp", ReadText("Panel", "Region Template Mode 1"));
    EXPECT_EQ(1u, ReadNumber("Panel", "Fit Other Sizes"));
    // The monitor named as written; the menu finds it without regard to case and covers it.
    char display[64] = {};
    DWORD displaySize = sizeof display;
    RegGetValueA(HKEY_CURRENT_USER, appKey, "Display", RRF_RT_REG_SZ, nullptr, display,
                 &displaySize);
    EXPECT_STREQ("\\\\.\\display1", display);
    for (const char* file : {"normal-1280x720.bmp", "selected-1920x1080.bmp",
                             "template-3840x2160.bmp"}) {
        EXPECT_NE(INVALID_FILE_ATTRIBUTES,
                  GetFileAttributesA((bench::BinDir() + folder + file).c_str())) << file;
    }
    const DWORD codes[6] = {61456, 61456, 61456, 320, 321, 39321};
    for (int i = 0; i < 6; ++i) {
        const std::string key = "Buttons\\" + testskin::ButtonName(i);
        EXPECT_EQ(codes[i], ReadNumber(key, "Remote Code")) << key;
    }
    EXPECT_EQ("https://example.org/tilebox", ReadText("Buttons\\" + testskin::ButtonName(1),
                                                      "Command"));
    wchar_t label[64] = {};
    DWORD labelSize = sizeof label;
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Velnor\\Tilebox\\Buttons\\Button 3", L"Name",
                 RRF_RT_REG_SZ, nullptr, label, &labelSize);
    EXPECT_EQ(std::wstring(L"\x2605 Internet"), label);

    // The new skin on the screen at both sizes, once the start period is over.
    for (const char* size : {"1920x1080", "1280x720"}) {
        int width = 0;
        int height = 0;
        std::sscanf(size, "%dx%d", &width, &height);
        ASSERT_TRUE(bench::SetDisplayMode(width, height));
        const POINT spot = TileSpot(4, size, nullptr);
        EXPECT_EQ(tileColour, bench::WaitForScreenPixel(spot.x, spot.y, tileColour, 16000))
            << size;
    }
    EXPECT_NE(litTileColour, tileColour);

    // Without the agent the menu launches each tile's command itself. Each started program's
    // window is closed before the next click, so that it cannot stand over the next tile.
    StopAgent();
    const char* const expected[3] = {" /program", "https://example.org/tilebox",
                                     "tileboxe2e:open/big"};
    for (size_t i = 0; i < 3; ++i) {
        POINT centre = {};
        TileSpot(static_cast<int>(i), "1280x720", &centre);
        bench::Click(centre.x, centre.y);
        const std::vector<std::string> log = launch::WaitForLog(i + 1, 10000);
        ASSERT_EQ(i + 1, log.size()) << expected[i];
        EXPECT_EQ(0u, log[i].find(launch::Quoted(recorder))) << log[i];
        EXPECT_NE(std::string::npos, log[i].find(expected[i])) << log[i];
        launch::WaitForRecorderWindows(1, 10000);
        launch::EndRecorders();
    }

    // The same skin again with an unknown action: refused with its line, nothing changed.
    const std::string settings = TreeText(HKEY_CURRENT_USER, appKey);
    const std::string files = FolderText(bench::BinDir() + "skins");
    std::ofstream(tiles, std::ios::binary)
        << "[Skin]\nName=" << skinName
        << "\n[Tile 1]\nLabel=A\nAction=Close\n[Tile 2]\nLabel=B\nAction=Close\n"
           "[Tile 3]\nLabel=C\nAction=Close\n[Tile 4]\nLabel=D\nAction=Teleport\n"
           "[Tile 5]\nLabel=E\nAction=Close\n[Tile 6]\nLabel=F\nAction=Close\n";
    EXPECT_EQ(1u, RunTileskin("--no-restart " + launch::Quoted(tiles), &said)) << said;
    EXPECT_NE(std::string::npos, said.find(tiles + ", line 14: Action: \"Teleport\"")) << said;
    EXPECT_EQ(settings, TreeText(HKEY_CURRENT_USER, appKey));
    EXPECT_EQ(files, FolderText(bench::BinDir() + "skins"));
    // A missing icon is an error of its line too, not a silent glyph.
    std::ofstream(tiles, std::ios::binary)
        << "[Skin]\nName=" << skinName
        << "\n[Tile 1]\nLabel=A\nAction=Close\nIcon=no-such.png\n[Tile 2]\nLabel=B\nAction=Close\n"
           "[Tile 3]\nLabel=C\nAction=Close\n[Tile 4]\nLabel=D\nAction=Close\n"
           "[Tile 5]\nLabel=E\nAction=Close\n[Tile 6]\nLabel=F\nAction=Close\n";
    EXPECT_EQ(1u, RunTileskin("--no-restart " + launch::Quoted(tiles), &said)) << said;
    EXPECT_NE(std::string::npos, said.find(tiles + ", line 6: Icon: ")) << said;
    EXPECT_EQ(settings, TreeText(HKEY_CURRENT_USER, appKey));
    EXPECT_EQ(files, FolderText(bench::BinDir() + "skins"));
}

}  // namespace
