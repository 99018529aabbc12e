// The real tileskin.exe on a tiles file of six tiles, then the real menu it restarts: the skin's
// folder and settings, the new pictures at two screen sizes, and the launches of a program, a
// web address, a protocol link and two apps named by their Start-menu shortcuts. A bad tiles
// file afterwards changes nothing.
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/e2e/menu_fixture.h"
#include "tests/launch/launch_fixture.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <shobjidl.h>

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

// A file's bytes as a number, to tell byte-identical files from others.
unsigned long long ContentHash(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned long long hash = 14695981039346656037ull;
    for (char c; in.get(c);) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
}

// Every file below the folder with its size, time of writing and content.
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
                std::to_string(found.ftLastWriteTime.dwLowDateTime);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            text += "\n" + FolderText(folder + "\\" + name);
        } else {
            text += " " + std::to_string(ContentHash(folder + "\\" + name)) + "\n";
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return text;
}

// Runs a program's command line; its messages (UTF-8 when redirected) land in said.
DWORD RunProgram(const std::wstring& commandLine, std::string* said)
{
    const std::string out = bench::MakeTempDir("tileskin-out") + "said.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION info = {};
    std::wstring line = commandLine;
    DWORD code = STILL_ACTIVE;
    if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
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

std::wstring Widened(const std::string& ansi)
{
    wchar_t wide[4096] = {};
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide, 4096);
    return wide;
}

// Runs the program's tileskin.exe (the tests' build, or an installed one) with the tail.
DWORD RunTileskin(const std::string& tail, std::string* said,
                  const std::string& programFolder = bench::BinDir())
{
    return RunProgram(L"\"" + Widened(programFolder) + L"tileskin.exe\" " + Widened(tail), said);
}

std::string ReadText(const std::string& key, const char* name, HKEY root = HKEY_CURRENT_USER)
{
    char value[512] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(root, (std::string(appKey) + "\\" + key).c_str(), name,
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
POINT TileSpot(const std::string& buttonKey, const std::string& size, POINT* centre,
               HKEY root = HKEY_CURRENT_USER)
{
    RECT r = {};
    std::sscanf(ReadText("Buttons\\" + buttonKey, ("Rectangle " + size).c_str(), root).c_str(),
                "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom);
    if (centre != nullptr) {
        *centre = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    return POINT{r.left + (r.right - r.left) / 10, (r.top + r.bottom) / 2};
}

// Start-menu shortcuts made for the test, in the person's or the machine's Programs folder, and
// removed again with the folders made for them.
class Shortcuts {
  public:
    ~Shortcuts()
    {
        for (auto it = made.rbegin(); it != made.rend(); ++it) {
            DeleteFileW(it->c_str());
            RemoveDirectoryW(it->c_str());
        }
    }

    bool Make(REFKNOWNFOLDERID programs, const std::wstring& relative, const std::string& target,
              const std::string& arguments)
    {
        PWSTR root = nullptr;
        if (FAILED(SHGetKnownFolderPath(programs, KF_FLAG_CREATE, nullptr, &root))) {
            return false;
        }
        const std::wstring path = std::wstring(root) + L"\\" + relative;
        CoTaskMemFree(root);
        const size_t slash = relative.find(L'\\');
        if (slash != std::wstring::npos) {
            const std::wstring folder = path.substr(0, path.size() - relative.size() + slash);
            if (CreateDirectoryW(folder.c_str(), nullptr)) {
                made.push_back(folder);
            }
        }
        IShellLinkW* link = nullptr;
        IPersistFile* file = nullptr;
        bool saved = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IShellLinkW,
                                                reinterpret_cast<void**>(&link)));
        saved = saved && SUCCEEDED(link->SetPath(Widened(target).c_str())) &&
                SUCCEEDED(link->SetArguments(Widened(arguments).c_str())) &&
                SUCCEEDED(link->QueryInterface(IID_IPersistFile,
                                               reinterpret_cast<void**>(&file))) &&
                SUCCEEDED(file->Save(path.c_str(), TRUE));
        if (file != nullptr) {
            file->Release();
        }
        if (link != nullptr) {
            link->Release();
        }
        made.push_back(path);
        return saved;
    }

  private:
    std::vector<std::wstring> made;
};

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
        RemoveSkin(bench::BinDir() + "skins\\" + skinName);
        if (!personalSkin.empty()) {
            RemoveSkin(personalSkin);
        }
        MenuFixture::TearDown();
    }

    static void RemoveSkin(const std::string& folder)
    {
        WIN32_FIND_DATAA found = {};
        HANDLE search = FindFirstFileA((folder + "\\*.bmp").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }

    std::string personalSkin;  // the person's own folder of the skin, once it is known
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
           "Display=\\\\.\\display1\r\n[Tile 1]\r\nLabel=Player\r\nAction=Command\r\nApp=e2e PLAYER\r\n"
           "[Tile 2]\r\nLabel=Web\r\nAction=Command\r\nCommand=https://example.org/tilebox\r\n"
           "[Tile 3]\r\nLabel=Link\r\nAction=Command\r\nCommand=tileboxe2e:open/big\r\n"
           "[TILE 4]\r\nlabel = \xE2\x98\x85 Internet\r\naction = browser\r\n"
           "[Tile 5]\r\nLabel=Lounge\r\nAction=Command\r\nApp=E2e Lounge\r\n"
           "[Tile 6]\r\nLabel=Close\r\nAction=Close\r\n";
    // Apps by their Start-menu shortcuts: the person's in a sub-folder, with arguments the launch
    // rules must keep whole; the machine's; and a name two shortcuts share with different
    // arguments, which only fails when a tile asks for it.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    Shortcuts shortcuts;
    ASSERT_TRUE(shortcuts.Make(FOLDERID_Programs, L"Tilebox e2e\\E2e Player.lnk", recorder,
                               "/program \"from shortcut\""));
    ASSERT_TRUE(shortcuts.Make(FOLDERID_CommonPrograms, L"E2e Lounge.lnk", recorder, ""));
    ASSERT_TRUE(shortcuts.Make(FOLDERID_Programs, L"E2e Twin.lnk", recorder, "/person"));
    ASSERT_TRUE(shortcuts.Make(FOLDERID_CommonPrograms, L"E2e Twin.lnk", recorder, "/machine"));

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

    // The pictures in the person's own folder, named by absolute paths, the program's folder
    // untouched; the settings under the keys the menu read.
    const std::string normal = ReadText("Panel", "Normal Bitmap 1920x1080");
    const std::string ending = std::string("\\") + skinName + "\\normal-1920x1080.bmp";
    ASSERT_GT(normal.size(), ending.size() + 3) << normal;
    ASSERT_EQ(ending, normal.substr(normal.size() - ending.size())) << normal;
    ASSERT_EQ(":\\", normal.substr(1, 2)) << normal;
    const std::string folder = normal.substr(0, normal.size() - ending.size() + ending.find(
                                                                    "normal-"));
    personalSkin = folder.substr(0, folder.size() - 1);
    EXPECT_NE(0, lstrcmpiA(bench::BinDir().c_str(), folder.substr(0, bench::BinDir().size()).c_str()))
        << folder;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((bench::BinDir() + "skins\\" + skinName).c_str()));
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
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + file).c_str())) << file;
    }
    const DWORD codes[6] = {61456, 61456, 61456, 320, 61456, 39321};
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
    // A screen reader in another process hears the label whole, star and all (UTF-8 here).
    const std::vector<std::string> heard = ProbeAccessible();
    std::string heardText;
    for (const std::string& line : heard) {
        heardText += line + "\n";
    }
    // The probe's lines: children, focus, the name through IDispatch, then one per tile.
    ASSERT_EQ(9u, heard.size()) << heardText;
    EXPECT_NE(std::string::npos, heard[6].find(" name \xE2\x98\x85 Internet")) << heard[6];

    // The new skin on the screen at both sizes, once the start period is over.
    for (const char* size : {"1920x1080", "1280x720"}) {
        int width = 0;
        int height = 0;
        std::sscanf(size, "%dx%d", &width, &height);
        ASSERT_TRUE(bench::SetDisplayMode(width, height));
        const POINT spot = TileSpot(testskin::ButtonName(4), size, nullptr);
        EXPECT_EQ(tileColour, bench::WaitForScreenPixel(spot.x, spot.y, tileColour, 16000))
            << size;
    }
    EXPECT_NE(litTileColour, tileColour);

    // Without the agent the menu launches each tile's command itself. Each started program's
    // window is closed before the next click, so that it cannot stand over the next tile.
    StopAgent();
    // The apps' tiles run exactly the shortcut's program with its arguments.
    const int clicked[4] = {0, 1, 2, 4};
    const std::string expected[4] = {launch::Quoted(recorder) + " /program \"from shortcut\"",
                                     "https://example.org/tilebox", "tileboxe2e:open/big",
                                     launch::Quoted(recorder)};
    for (size_t i = 0; i < 4; ++i) {
        POINT centre = {};
        TileSpot(testskin::ButtonName(clicked[i]), "1280x720", &centre);
        bench::Click(centre.x, centre.y);
        const std::vector<std::string> log = launch::WaitForLog(i + 1, 10000);
        ASSERT_EQ(i + 1, log.size()) << expected[i];
        EXPECT_EQ(0u, log[i].find(launch::Quoted(recorder))) << log[i];
        EXPECT_NE(std::string::npos, log[i].find(expected[i])) << log[i];
        if (i == 3) {
            EXPECT_EQ(launch::Quoted(recorder), log[i].substr(0, log[i].find_last_not_of(" ") + 1))
                << log[i];
        }
        launch::WaitForRecorderWindows(1, 10000);
        launch::EndRecorders();
    }

    // The same skin again with an unknown action: refused with its line, nothing changed.
    const std::string settings = TreeText(HKEY_CURRENT_USER, appKey);
    const std::string files = FolderText(personalSkin);
    std::ofstream(tiles, std::ios::binary)
        << "[Skin]\nName=" << skinName
        << "\n[Tile 1]\nLabel=A\nAction=Close\n[Tile 2]\nLabel=B\nAction=Close\n"
           "[Tile 3]\nLabel=C\nAction=Close\n[Tile 4]\nLabel=D\nAction=Teleport\n"
           "[Tile 5]\nLabel=E\nAction=Close\n[Tile 6]\nLabel=F\nAction=Close\n";
    EXPECT_EQ(1u, RunTileskin("--no-restart " + launch::Quoted(tiles), &said)) << said;
    EXPECT_NE(std::string::npos, said.find(tiles + ", line 14: Action: \"Teleport\"")) << said;
    EXPECT_EQ(settings, TreeText(HKEY_CURRENT_USER, appKey));
    EXPECT_EQ(files, FolderText(personalSkin));
    // An unknown app and one whose name two shortcuts share: refused with the line and the
    // names to choose from, nothing changed.
    const std::string sixCloses = "[Skin]\nName=" + std::string(skinName) +
                                  "\n[Tile 1]\nLabel=A\nAction=Close\n[Tile 2]\nLabel=B\n"
                                  "Action=Close\n[Tile 3]\nLabel=C\nAction=Close\n[Tile 4]\n"
                                  "Label=D\nAction=Close\n[Tile 5]\nLabel=E\nAction=Close\n"
                                  "[Tile 6]\nLabel=F\nAction=Close\n";
    const std::string rec = launch::Quoted(recorder);
    const std::string refusals[2][3] = {
        {"E2e Plyer", "no app is named \"E2e Plyer\"; nearest: E2e Player, ", "E2e Lounge"},
        {"e2e twin", "E2e Twin = " + rec + " /machine", "E2e Twin = " + rec + " /person"}};
    for (const auto& refusal : refusals) {
        std::string text = sixCloses;
        text.replace(text.find("Action=Close\n[Tile 5]"), 12, "Action=Command\nApp=" + refusal[0]);
        std::ofstream(tiles, std::ios::binary) << text;
        EXPECT_EQ(1u, RunTileskin("--no-restart " + launch::Quoted(tiles), &said)) << said;
        EXPECT_NE(std::string::npos, said.find(tiles + ", line 15: App: ")) << said;
        EXPECT_NE(std::string::npos, said.find(refusal[1])) << said;
        EXPECT_NE(std::string::npos, said.find(refusal[2])) << said;
        EXPECT_EQ(settings, TreeText(HKEY_CURRENT_USER, appKey));
        EXPECT_EQ(files, FolderText(personalSkin));
    }
    // --apps lists the shortcuts, each with what it runs, sorted by name.
    ASSERT_EQ(0u, RunTileskin("--apps", &said)) << said;
    const size_t lounge = said.find("E2e Lounge\t" + launch::Quoted(recorder) + "\r\n");
    const size_t player = said.find("E2e Player\t" + launch::Quoted(recorder) +
                                    " /program \"from shortcut\"\r\n");
    EXPECT_NE(std::string::npos, lounge) << said;
    EXPECT_NE(std::string::npos, player) << said;
    EXPECT_LT(lounge, player) << said;
    EXPECT_NE(std::string::npos, said.find("E2e Twin\t" + launch::Quoted(recorder) + " /person"));
    CoUninitialize();
    // A missing icon is an error of its line too, not a silent glyph.
    std::ofstream(tiles, std::ios::binary)
        << "[Skin]\nName=" << skinName
        << "\n[Tile 1]\nLabel=A\nAction=Close\nIcon=no-such.png\n[Tile 2]\nLabel=B\nAction=Close\n"
           "[Tile 3]\nLabel=C\nAction=Close\n[Tile 4]\nLabel=D\nAction=Close\n"
           "[Tile 5]\nLabel=E\nAction=Close\n[Tile 6]\nLabel=F\nAction=Close\n";
    EXPECT_EQ(1u, RunTileskin("--no-restart " + launch::Quoted(tiles), &said)) << said;
    EXPECT_NE(std::string::npos, said.find(tiles + ", line 6: Icon: ")) << said;
    EXPECT_EQ(settings, TreeText(HKEY_CURRENT_USER, appKey));
    EXPECT_EQ(files, FolderText(personalSkin));
}

// --- As the bench's standard user ------------------------------------------------------------
// tools/standard_user.sh runs this program once more as an unprivileged Unix account in a Wine
// prefix of its own, where the real installer put Tilebox into Program Files and the folder was
// then made read-only to that account: writing there is refused with ERROR_ACCESS_DENIED, as for
// a standard user on Windows. Wine keeps no rights on the registry, so a refused machine-wide
// write cannot be shown here: the program's folder, which comes first, refuses instead. These
// cases skip in every other run.

bool IsStandardUser()
{
    char flag[8] = {};
    return GetEnvironmentVariableA("TILEBOX_STANDARD_USER", flag, sizeof flag) > 0;
}

// Where the installer put the program, with a trailing backslash.
std::string InstalledFolder()
{
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    RegGetValueA(HKEY_LOCAL_MACHINE,
                 "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tilebox",
                 "InstallLocation", RRF_RT_REG_SZ, nullptr, folder, &size);
    return std::string(folder) + "\\";
}

void WriteBytes(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// A tiles file (UTF-8) at a path in any script: a Greek label, a star, and an icon named relative
// to the file's own folder.
void WriteTiles(const std::wstring& path, const std::string& name, const std::string& tile)
{
    const std::string text =
        "[Skin]\r\nName=" + name + "\r\nTile=" + tile +
        "\r\n[Tile 1]\r\nLabel=\xCE\xA4\xCE\xB1\xCE\xB9\xCE\xBD\xCE\xAF\xCE\xB5\xCF\x82\r\n"
        "Action=Browser\r\nIcon=\xCE\xB5\xCE\xB9\xCE\xBA\xCF\x8C\xCE\xBD\xCE\xB1.bmp\r\n"
        "[Tile 2]\r\nLabel=\xE2\x98\x85 Internet\r\nAction=Browser\r\n"
        "[Tile 3]\r\nLabel=CD\r\nAction=CD\r\n[Tile 4]\r\nLabel=DVD\r\nAction=DVD\r\n"
        "[Tile 5]\r\nLabel=Mail\r\nAction=Mail\r\n[Tile 6]\r\nLabel=Close\r\nAction=Close\r\n";
    WriteBytes(path, text);
}

std::string Utf8(const std::wstring& text)
{
    char bytes[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

COLORREF IconPixel(int, int x, int y)
{
    return (x / 4 + y / 4) % 2 ? RGB(200, 30, 30) : RGB(250, 250, 250);
}

// Runs the installed tileskin.exe on the tiles file with the options before it.
DWORD RunInstalledTileskin(const std::string& program, const std::wstring& options,
                           const std::wstring& tiles, std::string* said)
{
    return RunProgram(L"\"" + Widened(program) + L"tileskin.exe\" " + options + L" \"" + tiles +
                          L"\"",
                      said);
}

// The fifth button key in the registry's order, which the menu reads fifth.
std::string FifthButtonKey(HKEY root)
{
    char key[256] = {};
    DWORD keySize = sizeof key;
    HKEY buttons = nullptr;
    if (RegOpenKeyExA(root, (std::string(appKey) + "\\Buttons").c_str(), 0, KEY_READ,
                      &buttons) == ERROR_SUCCESS) {
        RegEnumKeyExA(buttons, 4, key, &keySize, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(buttons);
    }
    return key;
}

// The menu a test started, ended by its id.
struct StartedMenu {
    bench::Process process;
    bool Start(const std::string& programFolder)
    {
        return process.Start("\"" + programFolder + "tilebox.exe\"") &&
               bench::WaitForWindow(menuClass, 15000, process.Id()) != nullptr;
    }
};

TEST(TileSkinStandardUser, APersonalSkinNeedsNoAdministratorAndTouchesNoOneElses)
{
    if (!IsStandardUser()) {
        GTEST_SKIP() << "runs as the bench's standard user (tools/standard_user.sh)";
    }
    const std::string program = InstalledFolder();
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((program + "tileskin.exe").c_str()))
        << program;
    // The bench is what it stands for: the program's folder refuses this account.
    HANDLE denied = CreateFileA((program + "skins\\probe.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr);
    const DWORD deniedError = GetLastError();
    ASSERT_EQ(INVALID_HANDLE_VALUE, denied);
    ASSERT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), deniedError);
    bench::DeleteTree(HKEY_CURRENT_USER, appKey);
    const std::string shipped = FolderText(program);
    const std::string machine = TreeText(HKEY_LOCAL_MACHINE, appKey);
    ASSERT_NE(std::string::npos, shipped.find("skins\\Default\\normal-1920x1080.bmp")) << shipped;

    // A person's skin named like the installer's, from a tiles file and an icon in a folder
    // named in Greek, with labels no 8-bit code page carries whole.
    const std::string temp = bench::MakeTempDir("tiles");
    const std::wstring folder = Widened(temp) + L"\x0391\x03C1\x03C7\x03B5\x03AF\x03B1\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(testskin::WriteBitmap(temp + "icon.bmp", 0, 32, 32, IconPixel));
    ASSERT_TRUE(MoveFileW(Widened(temp + "icon.bmp").c_str(),
                          (folder + L"\x03B5\x03B9\x03BA\x03CC\x03BD\x03B1.bmp").c_str()));
    const std::wstring tiles = folder + L"\x03BC\x03BF\x03C5.ini";
    WriteTiles(tiles, "Default", "#A0D0B0");
    std::string said;
    ASSERT_EQ(0u, RunInstalledTileskin(program, L"--no-restart", tiles, &said)) << said;
    EXPECT_EQ(shipped, FolderText(program)) << "the program's folder changed";
    EXPECT_EQ(machine, TreeText(HKEY_LOCAL_MACHINE, appKey));
    const std::string normal = ReadText("Panel", "Normal Bitmap 1920x1080");
    EXPECT_EQ(0u, normal.find("C:\\users\\")) << normal;
    EXPECT_NE(std::string::npos, normal.find("\\Default\\normal-1920x1080.bmp")) << normal;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(normal.c_str())) << normal;

    // The installed menu shows it, from the person's own folder, and a screen reader in another
    // process hears the Greek label and the star whole.
    ASSERT_TRUE(bench::SetDisplayMode(1920, 1080));
    {
        StartedMenu menu;
        ASSERT_TRUE(menu.Start(program));
        const std::string probeOut = bench::MakeTempDir("probe") + "probe.txt";
        bench::Process probe;
        ASSERT_TRUE(bench::StartInBin(probe, "accessible_probe.exe", "\"" + probeOut + "\""));
        EXPECT_EQ(0u, probe.WaitExit(15000));
        std::ifstream heard(probeOut, std::ios::binary);
        std::stringstream names;
        names << heard.rdbuf();
        EXPECT_NE(std::string::npos,
                  names.str().find(" name \xCE\xA4\xCE\xB1\xCE\xB9\xCE\xBD\xCE\xAF\xCE\xB5\xCF\x82"))
            << names.str();
        EXPECT_NE(std::string::npos, names.str().find(" name \xE2\x98\x85 Internet")) << names.str();
        const POINT spot = TileSpot(FifthButtonKey(HKEY_CURRENT_USER), "1920x1080", nullptr);
        EXPECT_EQ(tileColour, bench::WaitForScreenPixel(spot.x, spot.y, tileColour, 16000));
    }

    // A picture held open by another program (an image viewer) is named, and nothing changes;
    // once it is closed the skin is made again, and the person's own file beside it stays.
    const std::string skinFolder = normal.substr(0, normal.rfind('\\'));
    std::ofstream(skinFolder + "\\notes.txt") << "the person's own";
    const std::string settings = TreeText(HKEY_CURRENT_USER, appKey);
    const std::string pictures = FolderText(skinFolder);
    HANDLE viewer = CreateFileA(normal.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, viewer);
    EXPECT_EQ(1u, RunInstalledTileskin(program, L"--no-restart", tiles, &said)) << said;
    CloseHandle(viewer);
    EXPECT_NE(std::string::npos, said.find("\"" + normal + "\" is open in another program: "
                                           "close the program that holds it")) << said;
    EXPECT_EQ(std::string::npos, said.find("administrator")) << said;
    EXPECT_EQ(pictures, FolderText(skinFolder));
    EXPECT_EQ(settings, TreeText(HKEY_CURRENT_USER, appKey));
    ASSERT_EQ(0u, RunInstalledTileskin(program, L"--no-restart", tiles, &said)) << said;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((skinFolder + "\\notes.txt").c_str()));
    EXPECT_EQ(shipped, FolderText(program));

    // A machine-wide skin needs an administrator: refused with its message, nothing changed.
    WriteTiles(tiles, "Living room", "#A0D0B0");
    EXPECT_EQ(2u, RunInstalledTileskin(program, L"--machine --no-restart", tiles, &said)) << said;
    EXPECT_NE(std::string::npos, said.find("need an administrator")) << said;
    EXPECT_NE(std::string::npos, said.find("your own skin settings stand over the machine's skin"))
        << said;
    EXPECT_NE(std::string::npos, said.find("tileskin --reset")) << said;
    // The installer's name stays the installer's, whoever asks.
    WriteTiles(tiles, "default", "#A0D0B0");
    EXPECT_EQ(1u, RunInstalledTileskin(program, L"--machine --no-restart", tiles, &said)) << said;
    EXPECT_NE(std::string::npos, said.find("belongs to the skin the installer ships")) << said;
    EXPECT_EQ(shipped, FolderText(program));
    EXPECT_EQ(machine, TreeText(HKEY_LOCAL_MACHINE, appKey));
    EXPECT_EQ(settings, TreeText(HKEY_CURRENT_USER, appKey));

    // --reset: the person's skin settings go, the application key's own values stay, and the
    // menu shows the installer's skin again.
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, appKey, "Home Keys", 0));
    ASSERT_EQ(0u, RunProgram(L"\"" + Widened(program) + L"tileskin.exe\" --reset --no-restart",
                             &said))
        << said;
    EXPECT_NE(std::string::npos, said.find("removed")) << said;
    EXPECT_EQ("<none>\n", TreeText(HKEY_CURRENT_USER, std::string(appKey) + "\\Panel"));
    EXPECT_EQ("<none>\n", TreeText(HKEY_CURRENT_USER, std::string(appKey) + "\\Buttons"));
    EXPECT_NE(std::string::npos, TreeText(HKEY_CURRENT_USER, appKey).find("Home Keys"));
    EXPECT_EQ(shipped, FolderText(program));
    {
        StartedMenu menu;
        ASSERT_TRUE(menu.Start(program));
        const POINT spot =
            TileSpot(FifthButtonKey(HKEY_LOCAL_MACHINE), "1920x1080", nullptr, HKEY_LOCAL_MACHINE);
        const COLORREF shippedTile = RGB(0x24, 0x40, 0x70);
        EXPECT_EQ(shippedTile, bench::WaitForScreenPixel(spot.x, spot.y, shippedTile, 16000));
    }

    // No command prompt: the Start menu's "Edit my Tilebox skin" makes the person's own copy of
    // the example in their Documents and opens it in an editor; "Apply my Tilebox skin" makes it
    // and shows the outcome, or the fault with its line, in a window.
    PWSTR documents = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr,
                                               &documents)));
    const std::wstring mine = std::wstring(documents) + L"\\Tilebox\\My tiles.ini";
    CoTaskMemFree(documents);
    SetFileAttributesW(mine.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(mine.c_str());
    const std::string windowed = "\"" + program + "tileskinw.exe\"";
    {
        bench::Process edit;
        ASSERT_TRUE(edit.Start(windowed + " --edit"));
        EXPECT_EQ(0u, edit.WaitExit(15000));
        HWND editor = bench::WaitForWindow("Notepad", 15000);
        EXPECT_NE(nullptr, editor) << "no editor came up";
        DWORD editorId = 0;
        GetWindowThreadProcessId(editor, &editorId);
        HANDLE editorProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, editorId);
        if (editorProcess != nullptr) {
            TerminateProcess(editorProcess, 0);
            WaitForSingleObject(editorProcess, 5000);
            CloseHandle(editorProcess);
        }
    }
    std::string copied(64 * 1024, '\0');
    HANDLE copy = CreateFileW(mine.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    DWORD copiedSize = 0;
    ReadFile(copy, &copied[0], static_cast<DWORD>(copied.size()), &copiedSize, nullptr);
    CloseHandle(copy);
    copied.resize(copiedSize);
    std::ifstream example(program + "default-tiles.ini", std::ios::binary);
    std::stringstream exampleText;
    exampleText << example.rdbuf();
    EXPECT_EQ(exampleText.str(), copied);
    const std::wstring icon = L"\x03B5\x03B9\x03BA\x03CC\x03BD\x03B1.bmp";
    ASSERT_TRUE(CopyFileW((folder + icon).c_str(),
                          (mine.substr(0, mine.rfind(L'\\') + 1) + icon).c_str(), FALSE));
    const auto applied = [&](std::wstring* text) {
        bench::Process apply;
        if (!apply.Start(windowed + " --apply")) {
            return static_cast<DWORD>(STILL_ACTIVE);
        }
        HWND box = bench::WaitForWindow("#32770", 60000, apply.Id());
        wchar_t shownText[2048] = {};
        GetDlgItemTextW(box, 0xFFFF, shownText, 2048);  // the message box's text
        *text = shownText;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return apply.WaitExit(15000);
    };
    WriteTiles(mine, "Mine", "#A0D0B0");
    std::wstring outcome;
    EXPECT_EQ(0u, applied(&outcome));
    EXPECT_NE(std::wstring::npos, outcome.find(L"made the skin \"Mine\"")) << Utf8(outcome);
    EXPECT_NE(std::string::npos, ReadText("Panel", "Normal Bitmap 1920x1080").find("\\Mine\\"));
    const std::string mineSettings = TreeText(HKEY_CURRENT_USER, appKey);
    const std::string teleport =
        "[Skin]\nName=Mine\n[Tile 1]\nLabel=A\nAction=Close\n[Tile 2]\nLabel=B\nAction=Close\n"
        "[Tile 3]\nLabel=C\nAction=Close\n[Tile 4]\nLabel=D\nAction=Teleport\n"
        "[Tile 5]\nLabel=E\nAction=Close\n[Tile 6]\nLabel=F\nAction=Close\n";
    WriteBytes(mine, teleport);
    EXPECT_EQ(1u, applied(&outcome));
    EXPECT_NE(std::wstring::npos, outcome.find(L"My tiles.ini, line 14: Action: \"Teleport\""))
        << Utf8(outcome);
    EXPECT_EQ(mineSettings, TreeText(HKEY_CURRENT_USER, appKey));

    bench::DeleteTree(HKEY_CURRENT_USER, appKey);
    bench::SetDisplayMode(1024, 768);
}

}  // namespace
