// The tiles file's reader and the choice of button keys: encodings, the forgiving parts of the
// syntax, and one case per rule a file can break, each naming its line.
#include "tests/bench/bench.h"
#include "tileskin/apps.h"
#include "tileskin/settings.h"
#include "tileskin/tileskin.h"
#include "tileskin/tiles_file.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

namespace {

const char sixTiles[] =
    "[Tile 1]\r\nLabel=Films\r\nAction=Command\r\nCommand=https://example.org/\r\n"
    "[Tile 2]\r\nLabel=Mail\r\nAction=Mail\r\n[Tile 3]\r\nLabel=CD\r\nAction=CD\r\n"
    "[Tile 4]\r\nLabel=DVD\r\nAction=DVD\r\n[Tile 5]\r\nLabel=Web\r\nAction=Browser\r\n"
    "[Tile 6]\r\nLabel=Close\r\nAction=Close\r\n";

// Bytes above 0x7F in the stand-in code page are Latin-1, as on a Western system.
bool Latin1(const std::string& bytes, std::wstring* text)
{
    text->clear();
    for (char c : bytes) {
        text->push_back(static_cast<unsigned char>(c));
    }
    return true;
}

TilesError Refusal(const std::string& text)
{
    TilesFile file;
    TilesError error = {};
    EXPECT_FALSE(ReadTilesFile(text, Latin1, &file, &error)) << text;
    return error;
}

std::string Utf16(const std::string& ascii, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        bytes += bigEndian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
    }
    return bytes;
}

TEST(TilesFile, ReadsEveryEncodingAndTheForgivingSyntax)
{
    const std::string utf8 = "; a comment\r\n  [ SKIN ]  \r\n name  =  Living room \r\ntheme=light\r\n"
                             "lit tile=#ff8000\r\ndisplay = \\\\.\\DISPLAY2\r\n\r\n" +
                             std::string(sixTiles);
    TilesFile file;
    TilesError error = {};
    for (const std::string& text :
         {utf8, "\xEF\xBB\xBF" + utf8, Utf16(utf8, false), Utf16(utf8, true)}) {
        ASSERT_TRUE(ReadTilesFile(text, Latin1, &file, &error)) << error.line;
        EXPECT_EQ(L"Living room", file.name);
        EXPECT_TRUE(file.light);
        EXPECT_TRUE(file.colours[ColourLitTile].given);
        EXPECT_EQ(0xFF8000u, file.colours[ColourLitTile].rgb);
        EXPECT_FALSE(file.colours[ColourTile].given);
        EXPECT_EQ(ActionCommand, file.tiles[0].action);
        EXPECT_EQ(L"https://example.org/", file.tiles[0].command);
        EXPECT_EQ(ActionClose, file.tiles[5].action);
        EXPECT_TRUE(file.hasDisplay);
        EXPECT_EQ(L"\\\\.\\DISPLAY2", file.display);
    }
    // The power actions, each with its own remote code beside Close's.
    const struct {
        const char* name;
        TileAction action;
        unsigned long code;
    } power[] = {{"Sleep", ActionSleep, 39322},
                 {"restart", ActionRestart, 39323},
                 {"Shut Down", ActionShutDown, 39324}};
    for (const auto& expected : power) {
        std::string text = "[Skin]\nName=A\n" + std::string(sixTiles);
        text.replace(text.rfind("Action=Close"), 12, std::string("Action=") + expected.name);
        ASSERT_TRUE(ReadTilesFile(text, Latin1, &file, &error)) << expected.name;
        EXPECT_EQ(expected.action, file.tiles[5].action) << expected.name;
        EXPECT_EQ(expected.code, RemoteCodeOf(file.tiles[5].action)) << expected.name;
    }
    EXPECT_EQ(39321ul, RemoteCodeOf(ActionClose));
    // A character beyond the basic plane is kept as its two UTF-16 units and counts as one.
    const std::string star = "\xF0\x9F\x8E\xAC Films";
    std::string withStar = "[Skin]\nName=A\n" + std::string(sixTiles);
    withStar.replace(withStar.find("Films"), 5, star + std::string(33, 'x'));
    ASSERT_TRUE(ReadTilesFile(withStar, Latin1, &file, &error)) << error.line;
    EXPECT_FALSE(file.hasDisplay) << "no Display line: the menu's monitor is left alone";
    EXPECT_EQ(std::wstring(L"\xD83C\xDFAC Films") + std::wstring(33, L'x'), file.tiles[0].label);
    // Not UTF-8: the system code page.
    std::string latin = "[Skin]\nName=A\n" + std::string(sixTiles);
    latin.replace(latin.find("Films"), 5, "T\xE9l\xE9");
    ASSERT_TRUE(ReadTilesFile(latin, Latin1, &file, &error));
    EXPECT_EQ(L"T\xE9l\xE9", file.tiles[0].label);
    // Icons: the index is split off a program, the empty value asks for the glyph.
    std::string icons = "[Skin]\nName=A\n" + std::string(sixTiles);
    icons.insert(icons.find("[Tile 2]"), "Icon = C:\\Games\\a,b.exe, 3\r\n");
    icons.insert(icons.find("[Tile 3]"), "Icon=\r\n");
    ASSERT_TRUE(ReadTilesFile(icons, Latin1, &file, &error)) << error.line;
    EXPECT_EQ(L"C:\\Games\\a,b.exe", file.tiles[0].icon);
    EXPECT_EQ(3, file.tiles[0].iconIndex);
    EXPECT_TRUE(file.tiles[1].hasIcon);
    EXPECT_TRUE(file.tiles[1].icon.empty());
}

TEST(TilesFile, EachFaultIsRefusedWithItsLine)
{
    const std::string head = "[Skin]\nName=Den\n";
    const std::string tiles = sixTiles;
    struct Case {
        std::string text;
        int line;
        const wchar_t* says;
    };
    const Case cases[] = {
        {head + tiles.substr(0, tiles.find("[Tile 4]")) + "[Tile 4]\nLabel=X\nAction=Teleport\n",
         15, L"Action: \"Teleport\" is not one of"},
        {head + "Colour=#000000\n" + tiles, 3, L"\"Colour\" is not a key of [Skin]"},
        {head + "Tile=#12345\n" + tiles, 3, L"Tile: \"#12345\" is not a colour"},
        {head + "Theme=Blue\n" + tiles, 3, L"Theme: \"Blue\""},
        {head + "Display=DISPLAY2\n" + tiles, 3, L"Display: \"DISPLAY2\" is not a monitor"},
        {head + "Display=\\\\.\\" + std::string(28, 'D') + "\n" + tiles, 3, L"at most 31"},
        {head + "Display=\\\\.\\DISPLAY2\\Monitor0\n" + tiles, 3, L"is not a monitor"},
        {"[Skin]\nName=Den/Room\n" + tiles, 2, L"may hold only"},
        {"[Skin]\nName=" + std::string(65, 'a') + "\n" + tiles, 2, L"1 to 64"},
        {"[Skin]\nName=nul\n" + tiles, 2, L"device"},
        {"[Skin]\nName=Den\nName=Den\n" + tiles, 3, L"a second time"},
        {head + "just words\n" + tiles, 3, L"not a [section]"},
        {head + "[Tile 7]\n" + tiles, 3, L"[Tile 7] is not a section"},
        {head + "[Skin\n" + tiles, 3, L"must end with ]"},
        {"Name=Den\n" + tiles, 1, L"before any [section]"},
        {head + tiles + "[Tile 2]\n", 22, L"[Tile 2] appears a second time"},
        {head + tiles.substr(0, tiles.find("[Tile 6]")), 0, L"[Tile 6] is missing"},
        {tiles, 0, L"[Skin] with a Name is missing"},
        {head + tiles.substr(0, tiles.find("Command=")) + tiles.substr(tiles.find("[Tile 2]")),
         3, L"Action=Command needs a Command"},
        {head + tiles + "Command=explorer.exe\n", 22, L"used only by Command and DVD"},
        {head + tiles.substr(0, tiles.size() - 27) + "Label=" + std::string(41, 'x') + "\n", 20,
         L"1 to 40 characters"},
        {head + tiles + "Icon=a.png,2\n", 22, L"an index is for a program"},
        {head + tiles + "Colour=red\n", 22, L"is not a key of a tile"},
        {head + tiles.substr(0, tiles.find("[Tile 2]")) + "App=Films\n" +
             tiles.substr(tiles.find("[Tile 2]")),
         7, L"either Command or App, not both"},
        {head + tiles + "App=Films\n", 22, L"App is used only by Command tiles"},
        {head + tiles + "App=\n", 22, L"App: is empty"},
        {"\xEF\xBB\xBF[Skin]\xC3\n", 0, L"not valid UTF-8"},
        {Utf16(head, false) + "x", 0, L"middle of a character"},
        {std::string(maxTilesFileBytes + 1, ';'), 0, L"larger than 64 KB"},
    };
    for (const Case& c : cases) {
        const TilesError error = Refusal(c.text);
        EXPECT_EQ(c.line, error.line) << c.text;
        EXPECT_NE(std::wstring::npos, error.what.find(c.says))
            << std::string(error.what.begin(), error.what.end());
    }
}

TEST(TilesFile, LinksAreToldFromPrograms)
{
    for (const wchar_t* link : {L"https://example.org/", L"steam://open/bigpicture",
                                L"ms-settings:", L"shell:AppsFolder\\App!Id"}) {
        EXPECT_TRUE(IsLinkCommand(link)) << link;
    }
    for (const wchar_t* program : {L"C:\\Games\\game.exe", L"\"C:\\P F\\x.exe\" -f",
                                   L"explorer.exe", L"1a:b"}) {
        EXPECT_FALSE(IsLinkCommand(program));
    }

    // A command tile's icon is that of the program the menu will start: the longest existing
    // prefix, with the environment's names expanded, never a shorter program beside it.
    const std::string dir = bench::MakeTempDir("tile-programs");
    ASSERT_TRUE(CreateDirectoryA((dir + "My Player").c_str(), nullptr));
    for (const char* file : {"My.exe", "My Player\\player.exe"}) {
        ASSERT_TRUE(CopyFileA("C:\\windows\\system32\\cmd.exe", (dir + file).c_str(), FALSE));
    }
    ASSERT_TRUE(SetEnvironmentVariableA("TILESKIN_TEST_DIR", dir.c_str()));
    EXPECT_EQ(dir + "My Player\\player.exe",
              ProgramOfCommand("%TILESKIN_TEST_DIR%My Player\\player.exe --full"));
    EXPECT_EQ("", ProgramOfCommand(dir + "My Player\\gone.exe --full"));
    EXPECT_EQ("", ProgramOfCommand("\"" + dir + "My Player\\gone.exe\" --full"));
    // Nor for a program without its ".exe", or a document, that is gone from a folder still there.
    EXPECT_EQ("", ProgramOfCommand(dir + "My Player\\gone --full"));
    EXPECT_EQ("", ProgramOfCommand(dir + "My Player\\list.m3u"));

    // A shortcut's target is written so that the launch rules find exactly it, arguments after.
    for (const char* file : {"My.exe", "My Player\\player.exe"}) {
        const std::wstring target = WideFromAnsi(dir + file);
        const std::wstring command = ShortcutCommand(target, L"--full \"a b\"");
        EXPECT_EQ(dir + file, ProgramOfCommand(std::string(command.begin(), command.end())))
            << file;
    }
    EXPECT_EQ(L"C:\\Games\\go.exe", ShortcutCommand(L"C:\\Games\\go.exe", L""));
}

// Recorded from a Windows 11 apps folder: two Store apps, and desktop programs named by a path or
// by their own identity, which the Start menu's shortcuts give instead. Wine's apps folder holds
// no Store apps, so their route is shown here at the seam; the shortcut route runs end to end in
// the tileskin end-to-end test.
bool RecordedAppsFolder(std::vector<AppsFolderItem>* items)
{
    *items = {{L"4DF9E0F8.Netflix_mcm4njqhnhss8!Netflix.App", L"Netflix"},
              {L"Microsoft.ZuneMusic_8wekyb3d8bbwe!Microsoft.ZuneMusic", L"Media Player"},
              {L"{6D809377-6AF0-444B-8957-A3773F02200E}\\Kodi\\kodi.exe", L"Kodi"},
              {L"Microsoft.Windows.Explorer", L"File Explorer"}};
    return true;
}

bool UnreadableAppsFolder(std::vector<AppsFolderItem>*)
{
    return false;
}

// The shell's image of a Store app, as its image factory hands one over: a 32-bit bitmap of the
// side asked for, colours premultiplied by alpha; opaque blue on the left, half-transparent orange
// on the right. Wine's shell draws no Store apps, so their icons are shown at this seam.
std::wstring askedApp;
int askedSide = 0;
HBITMAP StandInAppImage(const wchar_t* parsingName, int side)
{
    askedApp = parsingName;
    askedSide = side;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    for (int p = 0; image != nullptr && p < side * side; ++p) {
        static_cast<DWORD*>(bits)[p] = p % side < side / 2 ? 0xFF2040C0 : 0x80804020;
    }
    return image;
}

TEST(Apps, StoreAppsComeFromTheAppsFolderAndNamesMatchAsThePersonWritesThem)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // The real apps folder is only asked here, to show that the call returns: under Wine it may
    // be unreadable or list no Store app, which is no failure of the skin maker.
    std::vector<AppsFolderItem> real;
    appsPlatform.listAppsFolder(&real);
    const AppsPlatform saved = appsPlatform;
    appsPlatform.listAppsFolder = UnreadableAppsFolder;
    const std::vector<AppEntry> withoutStore = ListApps();
    appsPlatform.listAppsFolder = RecordedAppsFolder;
    const std::vector<AppEntry> apps = ListApps();
    ASSERT_EQ(withoutStore.size() + 2, apps.size());
    AppEntry found;
    std::vector<std::wstring> nearest;
    ASSERT_EQ(AppFound, FindApp(apps, L"NETFLIX", &found, &nearest));
    EXPECT_EQ(L"shell:AppsFolder\\4DF9E0F8.Netflix_mcm4njqhnhss8!Netflix.App", found.command);
    EXPECT_TRUE(found.program.empty());
    EXPECT_EQ(AppUnknown, FindApp(apps, L"Kodi", &found, &nearest));
    EXPECT_EQ(AppUnknown, FindApp(apps, L"File Explorer", &found, &nearest));

    // A Store app's tile gets its command as the menu reads it, and keeps its line.
    TilesFile tiles;
    TilesError error = {};
    std::string text = "[Skin]\nName=A\n" + std::string(sixTiles);
    text.replace(text.find("Command=https://example.org/"), 28, "App=Media player");
    ASSERT_TRUE(ReadTilesFile(text, Latin1, &tiles, &error)) << error.line;
    Problem problem;
    ASSERT_TRUE(ResolveApps(L"t.ini", &tiles, &problem)) << problem.line;
    EXPECT_EQ(L"shell:AppsFolder\\Microsoft.ZuneMusic_8wekyb3d8bbwe!Microsoft.ZuneMusic",
              tiles.tiles[0].command);
    EXPECT_EQ(6, tiles.tiles[0].commandLine);
    // Its icon is the shell's image at the largest box a skin draws, taken whole, with straight
    // alpha; a shell with no image for it leaves the glyph, and that is no fault.
    appsPlatform.appImage = StandInAppImage;
    PreparedTile prepared[6];
    ASSERT_TRUE(PrepareTiles(L"t.ini", tiles, prepared, &problem)) << problem.line;
    EXPECT_EQ(tiles.tiles[0].command, askedApp);
    EXPECT_EQ(LargestTileIconSide(), askedSide);
    EXPECT_GE(askedSide, 256);
    ASSERT_EQ(askedSide, prepared[0].icon.width);
    ASSERT_EQ(askedSide, prepared[0].icon.height);
    EXPECT_EQ(0xFF2040C0u, prepared[0].icon.pixels[0]);
    EXPECT_EQ(0x80FF8040u, prepared[0].icon.pixels[askedSide * askedSide - 1]);
    FreePreparedTiles(prepared);
    appsPlatform.appImage = [](const wchar_t*, int) -> HBITMAP { return nullptr; };
    ASSERT_TRUE(PrepareTiles(L"t.ini", tiles, prepared, &problem)) << problem.line;
    EXPECT_EQ(nullptr, prepared[0].icon.pixels);
    appsPlatform = saved;
    CoUninitialize();

    // An exact match wins over one in another case; the same command twice is one app; two
    // commands under one name are named, never guessed between.
    const wchar_t* const written[][2] = {
        {L"Films", L"films.exe"},    {L"FILMS", L"old.exe"},   {L"Music", L"m.exe"},
        {L"music", L"m.exe"},        {L"Game", L"a.exe"},      {L"game", L"b.exe"},
        {L"Film Studio", L"fs.exe"}, {L"Filmora", L"f.exe"},   {L"Fitness", L"x.exe"},
        {L"Maps", L"maps.exe"},      {L"Photos", L"p.exe"},    {L"Zoom", L"z.exe"}};
    std::vector<AppEntry> list;
    for (const auto& entry : written) {
        AppEntry app = {};
        app.name = entry[0];
        app.command = entry[1];
        list.push_back(app);
    }
    ASSERT_EQ(AppFound, FindApp(list, L"Films", &found, &nearest));
    EXPECT_EQ(L"films.exe", found.command);
    ASSERT_EQ(AppFound, FindApp(list, L"MUSIC", &found, &nearest));
    EXPECT_EQ(L"m.exe", found.command);
    ASSERT_EQ(AppAmbiguous, FindApp(list, L"GAME", &found, &nearest));
    EXPECT_EQ((std::vector<std::wstring>{L"Game = a.exe", L"game = b.exe"}), nearest);
    ASSERT_EQ(AppAmbiguous, FindApp(list, L"films", &found, &nearest));
    // Unknown: names that begin with what was written first, then the fewest edits, five at most.
    ASSERT_EQ(AppUnknown, FindApp(list, L"Fi", &found, &nearest));
    EXPECT_EQ((std::vector<std::wstring>{L"FILMS", L"Films", L"Filmora", L"Fitness",
                                         L"Film Studio"}),
              nearest);
    ASSERT_EQ(AppUnknown, FindApp(list, L"Fotos", &found, &nearest));
    ASSERT_EQ(5u, nearest.size());
    EXPECT_EQ(L"Photos", nearest[0]);
}

// A shortcut in the person's Start menu, as an installer makes one.
std::wstring MakeShortcut(const std::wstring& name, const std::string& target, const char* icon,
                          int index)
{
    PWSTR programs = nullptr;
    EXPECT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Programs, 0, nullptr, &programs)));
    const std::wstring path = std::wstring(programs) + L"\\" + name + L".lnk";
    CoTaskMemFree(programs);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    link->SetPath(WideFromAnsi(target).c_str());
    if (icon != nullptr) {
        link->SetIconLocation(WideFromAnsi(icon).c_str(), index);
    }
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    EXPECT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
    file->Release();
    link->Release();
    return path;
}

bool SamePixels(const TileIcon& a, const TileIcon& b)
{
    return a.pixels != nullptr && b.pixels != nullptr && a.width == b.width &&
           a.height == b.height &&
           std::memcmp(a.pixels, b.pixels, sizeof(DWORD) * a.width * a.height) == 0;
}

// A scheme of links registered for the test in the classes root, its handler starting program;
// the names are the test's own, so the whole class is deleted afterwards.
struct TestScheme {
    std::string name;
    TestScheme(const std::string& scheme, const std::string& program) : name(scheme)
    {
        const std::string command = "\"" + program + "\" \"%1\"";
        RegSetKeyValueA(HKEY_CLASSES_ROOT, (name + "\\shell\\open\\command").c_str(), nullptr,
                        REG_SZ, command.c_str(), static_cast<DWORD>(command.size() + 1));
    }
    ~TestScheme() { RegDeleteTreeA(HKEY_CLASSES_ROOT, name.c_str()); }
    // The icon as another program may have written it: of any type, terminated or not.
    void Declare(DWORD type, const std::wstring& value, bool terminated = true)
    {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, WideFromAnsi(name + "\\DefaultIcon").c_str(), nullptr,
                        type, value.c_str(), (value.size() + terminated) * sizeof(wchar_t));
    }
};

// Without Icon=, a tile shows what its command starts: the icon an app's shortcut declares, else
// its program's; for a web address the default browser's; for a link the icon its scheme
// declares, else its handler program's; for a folder the folder icon. Each is compared with the
// icon loaded from its own file.
TEST(Apps, TilesTakeTheShortcutsIconAndAWebAddressTheBrowsers)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const std::string program = bench::BinDir() + "tilebox.exe";
    const std::string notepad = "C:\\windows\\system32\\notepad.exe";
    const char shell[] = "C:\\windows\\system32\\shell32.dll";
    const std::wstring own = MakeShortcut(L"Tileskin Unit Own Icon", program, shell, 12);
    const std::wstring plain = MakeShortcut(L"Tileskin Unit Plain", program, nullptr, 0);
    const std::string folder = bench::MakeTempDir("tile-folder") + "My Films";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    TestScheme declaring("tileskinunitdeclared", notepad);
    declaring.Declare(REG_SZ, L" \"%SystemRoot%\\system32\\shell32.dll\" , 7 ");
    TestScheme handled("tileskinunithandled", notepad);
    // The web handler for the test's length, set in the classes root, where this prefix's shell
    // was seen to take it from: what the prefix had is put back.
    const HKEY classes = HKEY_CLASSES_ROOT;
    const char httpCommand[] = "http\\shell\\open\\command";
    char before[1024] = {};
    DWORD beforeSize = sizeof before;
    const bool hadHandler = RegGetValueA(classes, httpCommand, nullptr, RRF_RT_REG_SZ,
                                         nullptr, before, &beforeSize) == ERROR_SUCCESS;
    const std::string handler = "\"" + program + "\" \"%1\"";
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(classes, httpCommand, nullptr, REG_SZ, handler.c_str(),
                              static_cast<DWORD>(handler.size() + 1)));
    const std::string text =
        "[Skin]\nName=A\n[Tile 1]\nLabel=A\nAction=Command\nApp=Tileskin Unit Own Icon\n"
        "[Tile 2]\nLabel=B\nAction=Command\nApp=tileskin unit plain\n[Tile 3]\nLabel=C\n"
        "Action=Command\nCommand=HTTPS://example.org/\n[Tile 4]\nLabel=D\nAction=Command\n"
        "Command=tileskinunitdeclared:open\n[Tile 5]\nLabel=E\nAction=Command\n"
        "Command=tileskinunithandled://run/1\n[Tile 6]\nLabel=F\nAction=Command\nCommand=" +
        folder + "\n";
    TilesFile tiles;
    TilesError error = {};
    ASSERT_TRUE(ReadTilesFile(text, Latin1, &tiles, &error)) << error.line;
    Problem problem;
    const bool resolved = ResolveApps(L"t.ini", &tiles, &problem);
    PreparedTile prepared[6];
    const bool ready = resolved && PrepareTiles(L"t.ini", tiles, prepared, &problem);
    DeleteFileW(own.c_str());
    DeleteFileW(plain.c_str());
    if (hadHandler) {
        RegSetKeyValueA(classes, httpCommand, nullptr, REG_SZ, before,
                        static_cast<DWORD>(std::strlen(before) + 1));
    } else {
        RegDeleteKeyValueA(classes, httpCommand, nullptr);
    }
    ASSERT_TRUE(ready) << problem.line;
    TileIcon shellIcon = {}, declaredIcon = {}, programIcon = {}, notepadIcon = {}, folderIcon = {};
    char message[256] = {};
    ASSERT_EQ(1, LoadTileIconFile(shell, 12, &shellIcon, message, sizeof message)) << message;
    ASSERT_EQ(1, LoadTileIconFile(shell, 7, &declaredIcon, message, sizeof message)) << message;
    ASSERT_EQ(1, LoadProgramIcon(program.c_str(), &programIcon));
    ASSERT_EQ(1, LoadProgramIcon(notepad.c_str(), &notepadIcon));
    // The folder's icon where the shell reports it; under Wine that is the only source of the
    // folder icon, its stock icons being a page's icon throughout.
    SHFILEINFOW shown = {};
    ASSERT_NE(0u, SHGetFileInfoW(WideFromAnsi(folder).c_str(), 0, &shown, sizeof shown,
                                 SHGFI_ICONLOCATION));
    ASSERT_EQ(1, LoadTileIconFile(Utf8Of(shown.szDisplayName).c_str(), shown.iIcon, &folderIcon,
                                  message, sizeof message))
        << message;
    const TileIcon* expected[6] = {&shellIcon,    &programIcon, &programIcon,
                                   &declaredIcon, &notepadIcon, &folderIcon};
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(SamePixels(*expected[i], prepared[i].icon)) << "tile " << i + 1;
        for (int j = 0; j < i; ++j) {
            EXPECT_TRUE(expected[i] == expected[j] || !SamePixels(*expected[i], *expected[j]))
                << "tiles " << j + 1 << " and " << i + 1 << " would not tell the sources apart";
        }
    }
    FreePreparedTiles(prepared);

    // What a scheme declares is read as anything another program may have written: a value
    // without its terminator or a bare name of the system folder is still an icon; a number that
    // is no index, an unclosed quotation mark, a value of another type or of any length gives way
    // to the handler's icon, and none is an error.
    const struct {
        DWORD type;
        std::wstring value;
        bool terminated;
        const TileIcon* icon;
    } declared[] = {
        {REG_EXPAND_SZ, L"shell32.dll,7", true, &declaredIcon},
        {REG_SZ, L"%SystemRoot%\\system32\\shell32.dll,7", false, &declaredIcon},
        {REG_SZ, L"shell32.dll,7x", true, &notepadIcon},
        {REG_SZ, L"\"shell32.dll,7", true, &notepadIcon},
        {REG_SZ, L"C:\\none\\gone.dll,5", true, &notepadIcon},
        {REG_BINARY, L"shell32.dll,7", true, &notepadIcon},
        {REG_SZ, L"C:\\" + std::wstring(4000, L'x') + L".dll,5", true, &notepadIcon},
    };
    for (size_t i = 0; i < sizeof declared / sizeof declared[0]; ++i) {
        declaring.Declare(declared[i].type, declared[i].value, declared[i].terminated);
        ASSERT_TRUE(PrepareTiles(L"t.ini", tiles, prepared, &problem)) << problem.line;
        EXPECT_TRUE(SamePixels(*declared[i].icon, prepared[3].icon)) << "declared value " << i;
        FreePreparedTiles(prepared);
    }
    for (TileIcon* icon : {&shellIcon, &declaredIcon, &programIcon, &notepadIcon, &folderIcon}) {
        FreeTileIcon(icon);
    }
    CoUninitialize();
}

// The menu reads the keys in the registry's order: existing keys keep their names, missing ones
// are named by number and label, and tile 1 goes to whichever key the menu reads first.
TEST(ButtonKeys, ExistingNamesStayAndNewOnesAreNumbered)
{
    const std::vector<std::string> labels = {"Films", "Mail", "Web \xE9t\xE9", "", "A\\B", "Z"};
    EXPECT_EQ((std::vector<std::string>{"1 Films", "2 Mail", "3 Web t", "4 Tile", "5 AB", "6 Z"}),
              ChooseButtonKeys({}, labels));
    const std::vector<std::string> six = {"1 Internet", "2 Mail", "3 Music CD", "4 DVD",
                                          "5 Files", "6 Close"};
    EXPECT_EQ(six, ChooseButtonKeys(six, labels));
    EXPECT_EQ((std::vector<std::string>{"3 Web t", "4 Tile", "5 AB", "6 Z", "alpha", "Beta"}),
              ChooseButtonKeys({"alpha", "Beta"}, labels));
    EXPECT_EQ((std::vector<std::string>{"6 Z", "6 z 2", "a", "b", "c", "d"}),
              ChooseButtonKeys({"6 Z", "a", "b", "c", "d"}, {"", "", "", "", "", "z"}));
    // The order is the store's own, the one the menu enumerates in: upper-case code units, so an
    // underscore (after the capitals) comes after every letter.
    EXPECT_EQ((std::vector<std::string>{"9 Nine", "Alpha", "beta", "z", "Zz", "_under"}),
              ChooseButtonKeys({"_under", "beta", "9 Nine", "Zz", "Alpha", "z"}, labels));
}

}  // namespace
