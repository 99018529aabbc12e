// skincheck.exe as a process: its exit code, its report lines and its preview pictures, for the
// default skin, for skins broken one fault at a time, and for settings read from the registry.
#include "default_skin_layout.h"
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"
#include "tests/dist/picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const DWORD checkTimeoutMs = 60000;
const COLORREF outlineColour = RGB(255, 0, 255);

struct CheckResult {
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::string> lines;
    std::vector<std::string> problems; // the "error:" and "warning:" lines

    std::string Text() const
    {
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\n";
        }
        return text;
    }
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// A .reg file as 8-bit text: the skin maker writes UTF-16, and the default skin's settings are
// plain ASCII, which the checker reads in either form.
std::string ReadRegText(const std::string& path)
{
    const std::string bytes = ReadFile(path);
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) {
        return bytes;
    }
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(bytes[i + 1] == 0 ? bytes[i] : '?');
    }
    return text;
}

void WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary);
    out << data;
}

// Runs skincheck.exe with the arguments and its report going to a file in dir.
CheckResult RunCheck(const std::string& dir, const std::string& arguments)
{
    CheckResult result;
    const std::string out = dir + "report.txt";
    DeleteFileA(out.c_str());
    bench::Process process;
    const std::string line =
        "\"" + bench::BinDir() + "skincheck.exe\" " + arguments + " --out \"" + out + "\"";
    if (!process.Start(line)) {
        return result;
    }
    result.exitCode = process.WaitExit(checkTimeoutMs);
    std::istringstream text(ReadFile(out));
    std::string each;
    while (std::getline(text, each)) {
        if (!each.empty() && each.back() == '\r') {
            each.pop_back();
        }
        result.lines.push_back(each);
        if (each.find(": error: ") != std::string::npos ||
            each.find(": warning: ") != std::string::npos) {
            result.problems.push_back(each);
        }
    }
    return result;
}

// A quoted argument. A folder loses its trailing backslash, which would escape the closing
// quotation mark.
std::string Quoted(std::string text)
{
    if (!text.empty() && text.back() == '\\') {
        text.pop_back();
    }
    return "\"" + text + "\"";
}

// The default skin's settings and bitmaps copied into a folder of the test's own, where one
// fault at a time is put in. The DVD button gets a fallback command, so the copy checks with no
// problem at all.
class BrokenSkin : public ::testing::Test {
  protected:
    void SetUp() override
    {
        // The copy stands in a folder "skin", so that the faults below read as short names.
        dir = bench::MakeTempDir("skincheck");
        CreateDirectoryA((dir + "skin").c_str(), nullptr);
        const std::string shipped = "skins\\Default\\";
        for (const defaultSkin::Mode& mode : defaultSkin::modes) {
            for (const char* file : {mode.normalFile, mode.selectedFile, mode.templateFile}) {
                const std::string copy = "skin\\" + std::string(file).substr(shipped.size());
                ASSERT_TRUE(
                    CopyFileA((bench::BinDir() + file).c_str(), (dir + copy).c_str(), FALSE))
                    << file;
            }
        }
        base = ReadRegText(bench::BinDir() + "skins\\defaults-user.reg");
        ASSERT_FALSE(base.empty());
        const std::string escaped = "skins\\\\Default\\\\";
        for (size_t at; (at = base.find(escaped)) != std::string::npos;) {
            base.replace(at, escaped.size(), "skin\\\\");
        }
        // Read back as the 8-bit form; one test below turns it into version 5 again.
        Replace(base, "Windows Registry Editor Version 5.00", "REGEDIT4");
        Replace(base, "\"Remote Code\"=dword:000006b2\r\n\"Command\"=\"\"\r\n",
                "\"Remote Code\"=dword:000006b2\r\n\"Command\"=\"dvdplayer.exe\"\r\n");
    }

    static void Replace(std::string& text, const std::string& from, const std::string& to)
    {
        const size_t at = text.find(from);
        ASSERT_NE(std::string::npos, at) << from;
        text.replace(at, from.size(), to);
    }

    // Checks mode 3 (or a size, "1920x1080") of the base settings with one replacement made.
    CheckResult CheckWith(const std::string& from, const std::string& to,
                          const std::string& mode = "3")
    {
        std::string settings = base;
        Replace(settings, from, to);
        WriteFile(dir + "skin.reg", settings);
        const char* option = mode.find('x') != std::string::npos ? " --size " : " --mode ";
        return RunCheck(dir, "--reg " + Quoted(dir + "skin.reg") + " --dir " + Quoted(dir) +
                                 " --preview " + Quoted(dir) + option + mode);
    }

    // The one problem line and exit code a fault must give.
    void ExpectOnly(const CheckResult& result, const std::string& line, DWORD exitCode)
    {
        ASSERT_EQ(1u, result.problems.size()) << result.Text();
        EXPECT_EQ(line, result.problems[0]) << result.Text();
        EXPECT_EQ(exitCode, result.exitCode) << result.Text();
    }

    std::string dir;
    std::string base;
};

TEST(SkinCheck, DefaultSkinChecksCleanAtEverySizeItShips)
{
    const std::string dir = bench::MakeTempDir("skincheck");
    for (const char* file : {"defaults-user.reg", "defaults-machine.reg"}) {
        CheckResult result = RunCheck(dir, "--reg " + Quoted(bench::BinDir() + "skins\\" + file) +
                                               " --preview " + Quoted(dir));
        EXPECT_EQ(0u, result.exitCode) << file << "\n" << result.Text();
        // The shipped DVD button has no fallback command, by design: the one warning there is.
        ASSERT_EQ(1u, result.problems.size()) << result.Text();
        EXPECT_EQ("actions: warning: Buttons\\4 DVD: Command: missing or empty: remote code 1714 "
                  "falls back to it when no DVD player starts, and then does nothing",
                  result.problems[0]);
        const std::string text = result.Text();
        for (int i = 0; i < defaultSkin::sizeCount; ++i) {
            const defaultSkin::Mode& mode = defaultSkin::modes[i];
            const std::string size =
                std::to_string(mode.width) + "x" + std::to_string(mode.height);
            const std::string summary = i < defaultSkin::classicCount
                                            ? "mode " + std::to_string(i + 1) + " (" + size +
                                                  "): loads, 0 errors, 0 warnings"
                                            : "size " + size + ": loads, 0 errors, 0 warnings";
            EXPECT_NE(std::string::npos, text.find(summary)) << summary;
            const std::string preview =
                dir + "preview-" +
                (i < defaultSkin::classicCount ? "mode" + std::to_string(i + 1) : size) + ".bmp";
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(preview.c_str())) << preview;
        }
        EXPECT_NE(std::string::npos, text.find("(exit 0)")) << text;
    }
}

TEST_F(BrokenSkin, PanelFaultsNameTheValueAndTheFile)
{
    // With fitting on, the nearest size whole serves a size that lacks a picture.
    const std::string normal3 = "\"Normal Bitmap Mode 3\"=\"skin\\\\normal-1024x768.bmp\"\r\n";
    ExpectOnly(CheckWith(normal3, ""),
               "mode 3: warning: Panel: Selected Bitmap Mode 3 is set, but not all three pictures "
               "of 1024x768 are: the size is served by 800x600 instead",
               0);
    Replace(base, "\"Fit Other Sizes\"=dword:00000001", "\"Fit Other Sizes\"=dword:00000000");
    ExpectOnly(CheckWith(normal3, ""),
               "mode 3: error: Panel: Normal Bitmap Mode 3: missing or empty", 1);
    ExpectOnly(CheckWith("skin\\\\selected-1024x768.bmp", "skin\\\\gone.bmp"),
               "mode 3: error: Panel: Selected Bitmap Mode 3: file \"" + dir +
                   "skin\\gone.bmp\" not found",
               1);
    // An absolute value (a personal skin's) is used as it stands, not joined to the folder.
    std::string absolute;
    for (char c : dir + "skin\\") {
        absolute += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    const CheckResult elsewhere =
        CheckWith("skin\\\\selected-1024x768.bmp", absolute + "selected-1024x768.bmp");
    EXPECT_TRUE(elsewhere.problems.empty()) << elsewhere.Text();
    EXPECT_EQ(0u, elsewhere.exitCode) << elsewhere.Text();
    ExpectOnly(CheckWith("skin\\\\selected-1024x768.bmp", absolute + "gone.bmp"),
               "mode 3: error: Panel: Selected Bitmap Mode 3: file \"" + dir +
                   "skin\\gone.bmp\" not found",
               1);
    // A template cut in half: the system would load it, reading past its end; the menu refuses.
    const std::string whole = ReadFile(dir + "skin\\template-1024x768.bmp");
    WriteFile(dir + "skin\\cut.bmp", whole.substr(0, whole.size() / 2));
    ExpectOnly(CheckWith("skin\\\\template-1024x768.bmp", "skin\\\\cut.bmp"),
               "mode 3: error: Panel: Region Template Mode 3: file \"" + dir +
                   "skin\\cut.bmp\" is not a complete bitmap the menu can load",
               1);
    ExpectOnly(CheckWith("skin\\\\normal-1024x768.bmp", "skin\\\\normal-800x600.bmp"),
               "mode 3: warning: Panel: Normal Bitmap Mode 3: file \"" + dir +
                   "skin\\normal-800x600.bmp\" is 800x600, not 1024x768: it will be stretched",
               0);
    // A name the store gives whole, but too long with the folder in front of it...
    const std::string longName = "skin\\" + std::string(221, 'x') + ".bmp";
    CheckResult tooLong = CheckWith("skin\\\\normal-1024x768.bmp", "skin\\\\" + longName.substr(5));
    ExpectOnly(tooLong,
               "mode 3: error: Panel: Normal Bitmap Mode 3: the path \"" + dir + longName +
                   "\" is longer than the 255 characters the menu allows",
               1);
    // ...and one the store refuses to give into the menu's buffer at all.
    ExpectOnly(CheckWith("skin\\\\normal-1024x768.bmp", std::string(256, 'y')),
               "mode 3: error: Panel: Normal Bitmap Mode 3: longer than the 255 characters the "
               "menu reads",
               1);
    EXPECT_NE(std::string::npos, tooLong.Text().find("mode 3 (1024x768): does not load"));
}

TEST_F(BrokenSkin, RectangleFaultsNameTheButtonAndTheText)
{
    ExpectOnly(CheckWith("\"Rectangle Mode 3\"=\"61,123,340,398\"\r\n", ""),
               "mode 3: error: Buttons\\1 Internet: Rectangle Mode 3: missing or empty", 1);
    ExpectOnly(CheckWith("372,123,651,398", "10,20"),
               "mode 3: error: Buttons\\2 Mail: Rectangle Mode 3: \"10,20\" does not have four "
               "numbers",
               1);
    ExpectOnly(CheckWith("61,123,340,398", "340,123,61,398"),
               "mode 3: error: Buttons\\1 Internet: Rectangle Mode 3: \"340,123,61,398\" has its "
               "left edge not left of its right edge: the menu refuses it",
               1);
    ExpectOnly(CheckWith("61,123,340,398", "-5,123,340,398"),
               "mode 3: error: Buttons\\1 Internet: Rectangle Mode 3: \"-5,123,340,398\" has a "
               "negative left or top: the menu refuses it",
               1);
    ExpectOnly(CheckWith("683,430,962,705", "0,0,40,40"),
               "mode 3: error: Buttons\\6 Close: Rectangle Mode 3: \"0,0,40,40\" holds no template "
               "pixel that is not black: the traced region is empty",
               1);
    ExpectOnly(CheckWith("683,430,962,705", "683,430,1030,705"),
               "mode 3: warning: Buttons\\6 Close: Rectangle Mode 3: \"683,430,1030,705\" reaches "
               "past the 1024x768 template: its traced region takes in the pixels outside the "
               "bitmap",
               0);
    ExpectOnly(CheckWith("683,430,962,705", "0,0,99999,99999"),
               "mode 3: error: Buttons\\6 Close: Rectangle Mode 3: \"0,0,99999,99999\" covers "
               "10000000000 pixels, more than the 33177600 one skin load may trace: the menu "
               "refuses it",
               1);
    // One picture of the largest screen is the budget of all six together.
    ExpectOnly(CheckWith("683,430,962,705", "0,0,7679,4319"),
               "mode 3: error: Buttons\\6 Close: Rectangle Mode 3: \"0,0,7679,4319\" covers "
               "33177600 pixels, which with the 386400 of the buttons before it is more than the "
               "33177600 one skin load may trace: the menu refuses it",
               1);
    ExpectOnly(CheckWith("61,123,340,398", "61, 123, 340, 398, 9"),
               "mode 3: warning: Buttons\\1 Internet: Rectangle Mode 3: \"61, 123, 340, 398, 9\" "
               "is read as 61,123,340,398",
               0);
}

TEST_F(BrokenSkin, OverlapsAndButtonCounts)
{
    ExpectOnly(CheckWith("372,123,651,398", "61,123,651,398"),
               "mode 3: warning: Buttons\\2 Mail: its region overlaps that of Buttons\\1 Internet "
               "within 61,123,340,398: a press there goes to Buttons\\1 Internet (index 0)",
               0);
    ExpectOnly(CheckWith("372,123,651,398", "61,123,340,398"),
               "mode 3: error: Buttons\\2 Mail: its region lies wholly under buttons of lower "
               "index: it can never be pressed",
               1);
    const std::string closeKey = "[HKEY_CURRENT_USER\\Software\\Velnor\\Tilebox\\Buttons\\6 Close]";
    const size_t at = base.find(closeKey);
    ASSERT_NE(std::string::npos, at);
    ExpectOnly(CheckWith(base.substr(at), ""),
               "mode 3: error: Buttons: 5 buttons; the menu needs six", 1);
    ExpectOnly(
        CheckWith(closeKey, "[HKEY_CURRENT_USER\\Software\\Velnor\\Tilebox\\Buttons\\7 Extra]\r\n"
                            "\"Rectangle Mode 3\"=\"0,0,10,10\"\r\n\r\n" +
                                closeKey),
        "mode 3: warning: Buttons: 7 buttons; only the first six are used, \"7 Extra\" not", 0);
}

TEST_F(BrokenSkin, ActionFaultsAreReportedOnceForAllModes)
{
    CheckResult unknown = CheckWith("dword:000006b1", "dword:00000007", "1");
    ExpectOnly(unknown,
               "actions: error: Buttons\\3 Music CD: Remote Code: 7 is not a known code (320, 321, "
               "1713, 1714, 39321, 39322, 39323, 39324, 61456): the button does nothing",
               1);
    // The mode loads; the broken button is what fails the check.
    EXPECT_NE(std::string::npos, unknown.Text().find("mode 1 (640x480): loads, 0 errors"));
    ExpectOnly(CheckWith("\"Remote Code\"=dword:00000141\r\n", ""),
               "actions: error: Buttons\\2 Mail: Remote Code: missing or not a DWORD: the button "
               "does nothing",
               1);
    ExpectOnly(CheckWith("\"Command\"=\"explorer.exe\"\r\n", ""),
               "actions: error: Buttons\\5 Files: Command: missing or empty: remote code 61456 "
               "runs it, so the button does nothing",
               1);
    ExpectOnly(CheckWith("\"Command\"=\"dvdplayer.exe\"\r\n", ""),
               "actions: warning: Buttons\\4 DVD: Command: missing or empty: remote code 1714 "
               "falls back to it when no DVD player starts, and then does nothing",
               0);
    ExpectOnly(
        CheckWith("\"Command\"=\"explorer.exe\"", "\"Command\"=\"" + std::string(300, 'c') + "\""),
        "actions: error: Buttons\\5 Files: Command: longer than the 255 characters the menu "
        "reads",
        1);
}

TEST_F(BrokenSkin, TodaysSizesAreCheckedByTheirOwnNamesAndNamesTheMenuNeverReadsAreWarned)
{
    ExpectOnly(CheckWith("\"Rectangle 1920x1080\"=\"724,173,1195,556\"\r\n", "", "1920x1080"),
               "size 1920x1080: error: Buttons\\2 Mail: Rectangle 1920x1080: missing or empty", 1);
    CheckResult clean = CheckWith("REGEDIT4", "REGEDIT4", "3840x2160");
    EXPECT_EQ(0u, clean.exitCode) << clean.Text();
    EXPECT_NE(std::string::npos, clean.Text().find("size 3840x2160: loads, 0 errors, 0 warnings; "
                                                   "preview " + dir + "preview-3840x2160.bmp"))
        << clean.Text();

    // A size the default skin does not name: which one serves it and how, with its preview; by
    // default the previews go to a folder of their own in the temporary folder.
    WriteFile(dir + "skin.reg", base);
    CheckResult fitted =
        RunCheck(dir, "--reg " + Quoted(dir + "skin.reg") + " --dir " + Quoted(dir) +
                          " --size 1360x768");
    EXPECT_EQ(0u, fitted.exitCode) << fitted.Text();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string previews = std::string(temp) + "tilebox-skincheck\\";
    for (const std::string& line :
         {"previews: \"" + previews + "\"",
          std::string("size 1360x768: served by 1366x768, stretched over the whole screen"),
          "size 1360x768: loads, 0 errors, 0 warnings; preview " + previews +
              "preview-1360x768.bmp"}) {
        EXPECT_NE(std::string::npos, fitted.Text().find(line)) << line << "\n" << fitted.Text();
    }

    const std::string panel = "[HKEY_CURRENT_USER\\Software\\Velnor\\Tilebox\\Panel]\r\n";
    const std::string button = "[HKEY_CURRENT_USER\\Software\\Velnor\\Tilebox\\Buttons\\1 Internet]\r\n";
    std::string settings = base;
    Replace(settings, button, button + "\"Normal Bitmap 1920x1080\"=\"skin\\\\x.bmp\"\r\n");
    Replace(settings, panel,
            panel + "\"" + std::string(300, 'L') + "\"=\"x\"\r\n\"Rectangle 1920x1080\"=\"1,1,9,9\"\r\n");
    WriteFile(dir + "skin.reg", settings);
    CheckResult misplaced = RunCheck(dir, "--reg " + Quoted(dir + "skin.reg") + " --dir " +
                                              Quoted(dir) + " --preview " + Quoted(dir) +
                                              " --mode 1");
    EXPECT_EQ(0u, misplaced.exitCode) << misplaced.Text();
    for (const char* warning :
         {"characters or more: the menu never reads it",
          "settings: warning: Panel: Rectangle 1920x1080 (user tree): a button rectangle",
          "settings: warning: Buttons\\1 Internet: Normal Bitmap 1920x1080 (user tree): a panel "
          "bitmap"}) {
        EXPECT_NE(std::string::npos, misplaced.Text().find(warning)) << warning << "\n"
                                                                    << misplaced.Text();
    }

    CheckResult odd = CheckWith(panel, panel + "\"Normal Bitmap 1024x768\"=\"skin\\\\x.bmp\"\r\n"
                                                 "\"Selected Bitmap 1920 x 1080\"=\"skin\\\\x.bmp\"\r\n",
                                "1");
    ASSERT_EQ(2u, odd.problems.size()) << odd.Text();
    EXPECT_EQ("settings: warning: Panel: Normal Bitmap 1024x768 (user tree): 1024x768 is a classic "
              "size, read as \"Normal Bitmap Mode 3\": this value is ignored",
              odd.problems[0]);
    EXPECT_EQ("settings: warning: Panel: Selected Bitmap 1920 x 1080 (user tree): not a size name "
              "the menu reads (\"Mode 1\"..\"Mode 3\" or WxH, such as 1920x1080): this value is "
              "ignored",
              odd.problems[1]);
    EXPECT_EQ(0u, odd.exitCode);
    ExpectOnly(CheckWith("\"Rectangle 1280x720\"=\"482,115,795,370\"\r\n",
                         "\"Rectangle 1280x720\"=\"482,115,795,370\"\r\n"
                         "\"Rectangle 1280x1024\"=\"1,1,9,9\"\r\n",
                         "1"),
               "settings: warning: Buttons\\2 Mail: Rectangle 1280x1024 (user tree): \"Panel\" "
               "names no bitmap for 1280x1024: this value is never read",
               0);
}

// A version 5.00 export: UTF-16LE, with a hex(2) string continued over two lines.
std::string Utf16File(const std::string& text)
{
    std::string data = "\xFF\xFE";
    for (char c : text) {
        data += c;
        data += '\0';
    }
    return data;
}

TEST_F(BrokenSkin, ReadsVersionFiveExportsAndRejectsBrokenFiles)
{
    std::string settings = base;
    Replace(settings, "REGEDIT4", "Windows Registry Editor Version 5.00");
    // "explorer.exe" and its terminator in UTF-16, as an expandable string.
    Replace(settings, "\"Command\"=\"explorer.exe\"",
            "\"Command\"=hex(2):65,00,78,00,70,00,6c,00,6f,00,72,00,\\\r\n"
            "  65,00,72,00,2e,00,65,00,78,00,65,00,00,00");
    WriteFile(dir + "v5.reg", Utf16File(settings));
    const std::string common = " --dir " + Quoted(dir) + " --preview " + Quoted(dir);
    CheckResult clean = RunCheck(dir, "--reg " + Quoted(dir + "v5.reg") + common);
    EXPECT_EQ(0u, clean.exitCode) << clean.Text();
    EXPECT_TRUE(clean.problems.empty()) << clean.Text();

    // The same file with an empty command proves the hex value was read, not skipped.
    Replace(settings,
            "65,00,78,00,70,00,6c,00,6f,00,72,00,\\\r\n  65,00,72,00,2e,00,65,00,78,00,65,00,", "");
    WriteFile(dir + "v5.reg", Utf16File(settings));
    CheckResult empty = RunCheck(dir, "--reg " + Quoted(dir + "v5.reg") + common + " --mode 2");
    ExpectOnly(empty,
               "actions: error: Buttons\\5 Files: Command: missing or empty: remote code 61456 "
               "runs it, so the button does nothing",
               1);

    WriteFile(dir + "bad.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velnor\\Tilebox]\r\n"
                               "\"Name\"=word:12\r\n");
    CheckResult bad = RunCheck(dir, "--reg " + Quoted(dir + "bad.reg") + common);
    EXPECT_EQ(2u, bad.exitCode) << bad.Text();
    ASSERT_EQ(1u, bad.lines.size()) << bad.Text();
    EXPECT_EQ("skincheck: \"" + dir +
                  "bad.reg\": line 4: a value of a kind this checker does not "
                  "read",
              bad.lines[0]);
    CheckResult notReg =
        RunCheck(dir, "--reg " + Quoted(dir + "skin\\normal-640x480.bmp") + common);
    EXPECT_EQ(2u, notReg.exitCode) << notReg.Text();
    CheckResult missing = RunCheck(dir, "--reg " + Quoted(dir + "none.reg") + common);
    EXPECT_EQ(2u, missing.exitCode) << missing.Text();

    // Every run removed its private copy of the settings.
    HKEY velnor = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Velnor", 0, KEY_READ, &velnor) ==
        ERROR_SUCCESS) {
        char name[256];
        for (DWORD index = 0;; ++index) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(velnor, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            EXPECT_NE(0, std::string(name).rfind("TileboxSkinCheck-", 0)) << name;
        }
        RegCloseKey(velnor);
    }
}

TEST(SkinCheck, UsageErrorsEndWithTwo)
{
    const std::string dir = bench::MakeTempDir("skincheck");
    for (const char* arguments : {"--mode 4", "--mode", "--colour red", "--help",
                                  "--displays --mode 2"}) {
        bench::Process process;
        ASSERT_TRUE(process.Start("\"" + bench::BinDir() + "skincheck.exe\" " + arguments));
        EXPECT_EQ(2u, process.WaitExit(checkTimeoutMs)) << arguments;
    }
}

// The registry the menu reads, the program's own folder for the bitmaps: the skin the tests make.
TEST(SkinCheck, ReadsTheMenusOwnSettingsFromTheRegistry)
{
    const std::string dir = bench::MakeTempDir("skincheck");
    ASSERT_TRUE(testskin::WriteFiles(bench::BinDir()));
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    testskin::WriteSettings(HKEY_CURRENT_USER, 320);
    CheckResult clean = RunCheck(dir, "--preview " + Quoted(dir));
    EXPECT_EQ(0u, clean.exitCode) << clean.Text();
    EXPECT_TRUE(clean.problems.empty()) << clean.Text();

    bench::WriteString(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox\\Buttons\\Button 2",
                       "Rectangle Mode 2", "1,2");
    CheckResult broken = RunCheck(dir, "--preview " + Quoted(dir));
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    ASSERT_EQ(1u, broken.problems.size()) << broken.Text();
    EXPECT_EQ("mode 2: error: Buttons\\Button 2: Rectangle Mode 2: \"1,2\" does not have four "
              "numbers",
              broken.problems[0]);
    EXPECT_EQ(1u, broken.exitCode);
    EXPECT_NE(std::string::npos, broken.Text().find("mode 2 (800x600): does not load"));
    EXPECT_NE(std::string::npos, broken.Text().find("mode 1 (640x480): loads"));

    // The monitors, with the one the menu covers; Wine here has one, the primary one.
    const std::string size = std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
                             std::to_string(GetSystemMetrics(SM_CYSCREEN));
    CheckResult displays = RunCheck(dir, "--displays");
    EXPECT_EQ(0u, displays.exitCode) << displays.Text();
    ASSERT_EQ(1u, displays.lines.size()) << displays.Text();
    EXPECT_EQ("\\\\.\\DISPLAY1 " + size + " at (0,0) primary menu", displays.lines[0]);
    bench::WriteString(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox", "Display",
                       "\\\\.\\DISPLAY7");
    displays = RunCheck(dir, "--displays");
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    ASSERT_EQ(2u, displays.lines.size()) << displays.Text();
    EXPECT_EQ("Display \"\\\\.\\DISPLAY7\" is not connected now: the menu uses the primary "
              "monitor",
              displays.lines[1]);
}

// With the skin installed machine-wide and one value of one button in the user's tree, that
// button's values are each reported with the tree they come from; the others have one source.
TEST(SkinCheck, ReportsWhichTreeEachValueOfAButtonInBothTreesComesFrom)
{
    const std::string dir = bench::MakeTempDir("skincheck");
    ASSERT_TRUE(testskin::WriteFiles(bench::BinDir()));
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    testskin::WriteSettings(HKEY_LOCAL_MACHINE, 320);
    const std::string button = "Buttons\\" + testskin::ButtonName(4);
    bench::WriteString(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox\\" + button,
                       "Rectangle Mode 1", "1,2,3,4");
    // A value of a type the store refuses is the user's all the same: a failed read.
    bench::WriteDWord(HKEY_CURRENT_USER, "Software\\Velnor\\Tilebox\\" + button,
                      "Rectangle Mode 2", 5);
    CheckResult result = RunCheck(dir, "--preview " + Quoted(dir) + " --mode 3");
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    testskin::DeleteSettings(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(0u, result.exitCode) << result.Text();
    std::vector<std::string> sources;
    for (const std::string& line : result.lines) {
        if (line.compare(0, 9, "sources: ") == 0) {
            sources.push_back(line);
        }
    }
    const std::string prefix = "sources: " + button + ": ";
    EXPECT_EQ((std::vector<std::string>{
                  prefix + "Rectangle Mode 1: user's tree (over the machine-wide value)",
                  prefix + "Rectangle Mode 2: a failed read: the user's tree holds it as a type "
                           "the store refuses, and the machine-wide value is not read",
                  prefix + "Rectangle 1280x720: machine-wide tree",
                  prefix + "Rectangle 1920x1080: machine-wide tree",
                  prefix + "Rectangle Mode 3: machine-wide tree",
                  prefix + "Remote Code: machine-wide tree"}),
              sources)
        << result.Text();
}

// In the preview the outline lies on the region's edge: the template's first and last shape
// pixel of a row are outlined, the pixel just outside is the panel untouched, and the inside is
// tinted.
TEST(SkinCheck, PreviewOutlinesEachRegionAtItsEdge)
{
    const std::string dir = bench::MakeTempDir("skincheck");
    CheckResult result =
        RunCheck(dir, "--reg " + Quoted(bench::BinDir() + "skins\\defaults-user.reg") +
                          " --preview " + Quoted(dir) + " --mode 1");
    ASSERT_EQ(0u, result.exitCode) << result.Text();
    Picture preview;
    Picture normal;
    Picture shapes;
    ASSERT_TRUE(LoadPicture(dir + "preview-mode1.bmp", preview));
    ASSERT_TRUE(LoadPicture(bench::BinDir() + defaultSkin::modes[0].normalFile, normal));
    ASSERT_TRUE(LoadPicture(bench::BinDir() + defaultSkin::modes[0].templateFile, shapes));
    ASSERT_EQ(640, preview.width);
    ASSERT_EQ(480, preview.height);
    for (int index = 0; index < 6; ++index) {
        const RECT r = defaultSkin::buttons[index].rect[0];
        const int y = (r.top + r.bottom) / 2;
        int first = r.left;
        while (first <= r.right && shapes.At(first, y) == RGB(0, 0, 0)) {
            ++first;
        }
        int last = r.right;
        while (last >= r.left && shapes.At(last, y) == RGB(0, 0, 0)) {
            --last;
        }
        ASSERT_LT(first + 20, last) << index;
        EXPECT_EQ(outlineColour, preview.At(first, y)) << index;
        EXPECT_EQ(outlineColour, preview.At(last, y)) << index;
        EXPECT_EQ(normal.At(first - 1, y), preview.At(first - 1, y)) << index;
        EXPECT_EQ(normal.At(last + 1, y), preview.At(last + 1, y)) << index;
        const COLORREF inside = preview.At(first + 8, y);
        EXPECT_NE(normal.At(first + 8, y), inside) << index;
        EXPECT_NE(outlineColour, inside) << index;
        // The same along a column: the top edge of the shape.
        const int x = (r.left + r.right) / 2;
        int top = r.top;
        while (top <= r.bottom && shapes.At(x, top) == RGB(0, 0, 0)) {
            ++top;
        }
        EXPECT_EQ(outlineColour, preview.At(x, top)) << index;
        EXPECT_EQ(normal.At(x, top - 1), preview.At(x, top - 1)) << index;
    }
}

} // namespace
