// The tiles file's reader and the choice of button keys: encodings, the forgiving parts of the
// syntax, and one case per rule a file can break, each naming its line.
#include "tests/bench/bench.h"
#include "tileskin/settings.h"
#include "tileskin/tileskin.h"
#include "tileskin/tiles_file.h"

#include <gtest/gtest.h>

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
}

}  // namespace
