// Osmant.dll's look-ups of the default browser, mail program and players, against
// registrations made in the test prefix.
#include "outside/osmant.h"
#include "tests/bench/bench.h"
#include "tests/launch/launch_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using launch::Quoted;
using launch::Recorder;
using launch::Registrations;

namespace {

const char kUserClasses[] = "Software\\Classes\\";
const char kHttpChoice[] =
    "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
const char kMpgChoice[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.mpg\\UserChoice";

// A 256-byte buffer full of rubbish, as a caller that forgot to empty it would pass.
struct Buffer {
    char text[256];
    Buffer() { std::memset(text, 'x', sizeof text); }
};

std::string Browser(int* result)
{
    Buffer buffer;
    *result = Osmant_GetSystemDefaultBrowserFileName(buffer.text);
    return buffer.text;
}

std::string Mail(int* result)
{
    Buffer buffer;
    *result = Osmant_GetSystemDefaultMailFileName(buffer.text);
    return buffer.text;
}

std::string Verb(const char* verbPath, int* result)
{
    Buffer buffer;
    *result = Osmant_GetSystemDefaultPlayerFileName(verbPath, buffer.text);
    return buffer.text;
}

// The shell's own answer for a scheme, which Wine takes from the machine's classes only. Hidden,
// it leaves the look-ups that serve when the shell knows no handler, which these tests drive
// through the user's registrations.
struct ShellHasNoHandler {
    launch::HiddenValue http{HKEY_CLASSES_ROOT, "http\\shell\\open\\command", ""};
    launch::HiddenValue mailto{HKEY_CLASSES_ROOT, "mailto\\shell\\open\\command", ""};
};

std::string ByExt(const char* ext, int* result)
{
    Buffer buffer;
    *result = Osmant_GetDefaultPlayerFileNameByExtName(ext, buffer.text, 256);
    return buffer.text;
}

}  // namespace

TEST(DefaultPrograms, BrowserIsTheUserChoiceElseTheHttpHandler)
{
    const std::string& exe = Recorder().exe;
    ShellHasNoHandler noShellAnswer;
    Registrations reg;
    int result = -1;

    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(kUserClasses) + "http\\shell\\open\\command",
                        "", Quoted(exe) + " -url \"%1\""));
    // A name with a blank comes back quoted: whoever hands it on starts that one program.
    EXPECT_EQ(Quoted(exe), Browser(&result));
    EXPECT_NE(0, result);

    // The recorded choice wins; its command names the program unquoted, blank and all.
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Html\\shell\\open\\command", "",
                        exe + " %1"));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, kHttpChoice, "ProgId", "TileboxTest.Html"));
    EXPECT_EQ(Quoted(exe), Browser(&result));
    EXPECT_NE(0, result);

    // Environment strings in an expandable value are expanded before the program is taken.
    SetEnvironmentVariableA("TILEBOX_TEST_DIR", Recorder().dir.c_str());
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Html\\shell\\open\\command", "",
                        "\"%TILEBOX_TEST_DIR%recorder.exe\" \"%1\"", REG_EXPAND_SZ));
    EXPECT_EQ(Quoted(exe), Browser(&result));

    // A choice whose class has no command leaves the http class in charge.
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, kHttpChoice, "ProgId", "TileboxTest.Nothing"));
    EXPECT_EQ(Quoted(exe), Browser(&result));
    EXPECT_NE(0, result);

    // A program reached through a folder and "..", with "C:\\My.exe" beside that folder: the
    // whole path comes back as one, quoted, never to be split at its blank again.
    launch::InterceptionPair pair;
    ASSERT_TRUE(pair.ready);
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(kUserClasses) + "http\\shell\\open\\command",
                        "", Quoted(pair.viaParent) + " \"%1\""));
    EXPECT_EQ(Quoted(pair.viaParent), Browser(&result));
    EXPECT_NE(0, result);

    // A program that does not exist is no browser, quoted or not, and never a shorter path that
    // does ("C:\\My.exe"): a missing program, a file without its ".exe" that is gone, a program
    // whose trailing dot the system drops, in a folder that is there or gone.
    for (const std::string& command :
         {Quoted(pair.folder + "missing.exe") + " \"%1\"",
          pair.folder + "missing.exe -osint -url %1", pair.folder + "gone -url %1",
          pair.folder + "missing.exe. %1", std::string("C:\\My Gone\\missing.exe. %1")}) {
        ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER,
                            std::string(kUserClasses) + "http\\shell\\open\\command", "", command));
        EXPECT_EQ("", Browser(&result)) << command;
        EXPECT_EQ(0, result) << command;
    }
}

TEST(DefaultPrograms, MailIsTheMailtoHandlerElseTheRegisteredClient)
{
    const std::string& exe = Recorder().exe;
    ShellHasNoHandler noShellAnswer;
    Registrations reg;
    int result = -1;

    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER,
                        std::string(kUserClasses) + "mailto\\shell\\open\\command", "",
                        Quoted(exe) + " /mailurl:%1"));
    EXPECT_EQ(Quoted(exe), Mail(&result));
    EXPECT_NE(0, result);

    // Registered programs count only where their file exists.
    const std::string client = Recorder().dir + "mail client.exe";
    ASSERT_TRUE(CopyFileA(exe.c_str(), client.c_str(), FALSE));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, "Software\\Clients\\Mail", "", "Tilebox Test Mail"));
    ASSERT_TRUE(reg.Set(HKEY_LOCAL_MACHINE,
                        "Software\\Clients\\Mail\\Tilebox Test Mail\\shell\\open\\command", "",
                        Quoted(client) + " /compose"));
    // Still the mailto handler while one is registered.
    EXPECT_EQ(Quoted(exe), Mail(&result));

    // Without any mailto handler, the client named under Clients\Mail.
    bench::DeleteTree(HKEY_CURRENT_USER, std::string(kUserClasses) + "mailto");
    {
        EXPECT_EQ(Quoted(client), Mail(&result));
        EXPECT_NE(0, result);

        bench::DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail\\Tilebox Test Mail");
        launch::HiddenValue systemClient(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", "");
        EXPECT_EQ("", Mail(&result));
        EXPECT_EQ(0, result);
    }
    DeleteFileA(client.c_str());
}

TEST(DefaultPrograms, PlayerOfAVerbPathIsItsCommandLine)
{
    const std::string& exe = Recorder().exe;
    Registrations reg;
    int result = -1;
    const std::string dvd = Quoted(exe) + " /dvd \"%1\"";
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER,
                        std::string(kUserClasses) + "DVD\\Shell\\Play\\Command", "", dvd));
    EXPECT_EQ(dvd, Verb("DVD\\Shell\\Play\\Command", &result));
    EXPECT_NE(0, result);

    // Straight in HKEY_CLASSES_ROOT too, and any case of the path.
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Disc\\shell\\play\\command", "",
                        exe + " /play"));
    EXPECT_EQ(exe + " /play", Verb("tileboxtest.disc\\Shell\\Play\\Command", &result));

    EXPECT_EQ("", Verb("TileboxTest.None\\Shell\\Play\\Command", &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ("", Verb("", &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ("", Verb(nullptr, &result));
    EXPECT_EQ(0, result);
    // A key without a default value is no registration.
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Empty\\shell\\play\\command", "Other",
                        "x"));
    EXPECT_EQ("", Verb("TileboxTest.Empty\\shell\\play\\command", &result));
    EXPECT_EQ(0, result);
}

TEST(DefaultPrograms, PlayerOfAnExtensionPrefersPlayAndTheUserChoice)
{
    const std::string& exe = Recorder().exe;
    Registrations reg;
    int result = -1;
    const std::string play = Quoted(exe) + " /play \"%1\"";
    const std::string open = Quoted(exe) + " /open \"%1\"";
    const std::string chosen = Quoted(exe) + " /chosen \"%1\"";

    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(kUserClasses) + ".cda", "",
                        "TileboxTest.CdAudio"));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER,
                        std::string(kUserClasses) + "TileboxTest.CdAudio\\shell\\open\\command",
                        "", open));
    EXPECT_EQ(open, ByExt("CDA", &result));
    EXPECT_NE(0, result);
    EXPECT_EQ(open, ByExt(".cda", &result));

    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, ".mpg", "", "TileboxTest.Movie"));
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Movie\\shell\\open\\command", "", open));
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Movie\\shell\\play\\command", "", play));
    EXPECT_EQ(play, ByExt("MPG", &result));
    EXPECT_NE(0, result);

    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Chosen\\shell\\open\\command", "", chosen));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, kMpgChoice, "ProgId", "TileboxTest.Chosen"));
    EXPECT_EQ(chosen, ByExt("mpg", &result));
    bench::DeleteTree(HKEY_CURRENT_USER, kMpgChoice);
    EXPECT_EQ(play, ByExt("mpg", &result));

    // A command registered on the extension key itself.
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, ".tbxplain\\shell\\open\\command", "", open));
    EXPECT_EQ(open, ByExt("tbxplain", &result));

    for (const char* bad : {"", ".", "tbxnone", "c\\da", "c d a", "x.cda"}) {
        EXPECT_EQ("", ByExt(bad, &result)) << bad;
        EXPECT_EQ(0, result) << bad;
    }
    EXPECT_EQ("", ByExt(nullptr, &result));
    EXPECT_EQ(0, Osmant_GetDefaultPlayerFileNameByExtName("cda", nullptr, 256));
}

TEST(DefaultPrograms, ResultsFitTheirBuffersWholeOrNotAtAll)
{
    const std::string& exe = Recorder().exe;
    ShellHasNoHandler noShellAnswer;
    Registrations reg;
    int result = -1;
    std::string line255 = Quoted(exe) + " ";
    line255.append(255 - line255.size(), 'a');
    ASSERT_EQ(255u, line255.size());
    const std::string line256 = line255 + "b";

    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Long\\shell\\play\\command", "", line255));
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, ".tbxlong", "", "TileboxTest.Long"));
    EXPECT_EQ(line255, Verb("TileboxTest.Long\\shell\\play\\command", &result));
    EXPECT_NE(0, result);
    EXPECT_EQ(line255, ByExt("tbxlong", &result));
    EXPECT_NE(0, result);

    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Long\\shell\\play\\command", "", line256));
    EXPECT_EQ("", Verb("TileboxTest.Long\\shell\\play\\command", &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ("", ByExt("tbxlong", &result));
    EXPECT_EQ(0, result);

    // Expanded values at the same edge: 255 characters after expansion fit, 256 do not.
    SetEnvironmentVariableA("TILEBOX_TEST_LINE", line255.c_str());
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Long\\shell\\play\\command", "",
                        "%TILEBOX_TEST_LINE%", REG_EXPAND_SZ));
    EXPECT_EQ(line255, Verb("TileboxTest.Long\\shell\\play\\command", &result));
    EXPECT_NE(0, result);
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Long\\shell\\play\\command", "",
                        "%TILEBOX_TEST_LINE%b", REG_EXPAND_SZ));
    EXPECT_EQ("", Verb("TileboxTest.Long\\shell\\play\\command", &result));
    EXPECT_EQ(0, result);

    // A sized buffer: exactly enough room works, one byte less fails, and nothing is written
    // past the size given.
    const std::string shortLine = "C:\\p.exe /x";
    ASSERT_TRUE(reg.Set(HKEY_CLASSES_ROOT, "TileboxTest.Long\\shell\\play\\command", "",
                        shortLine));
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    const int exact = static_cast<int>(shortLine.size()) + 1;
    EXPECT_NE(0, Osmant_GetDefaultPlayerFileNameByExtName("tbxlong", buffer, exact));
    EXPECT_EQ(shortLine, std::string(buffer));
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(0, Osmant_GetDefaultPlayerFileNameByExtName("tbxlong", buffer, exact - 1));
    EXPECT_EQ('\0', buffer[0]);
    EXPECT_EQ('x', buffer[exact - 1]);
    EXPECT_EQ(0, Osmant_GetDefaultPlayerFileNameByExtName("tbxlong", buffer, 0));

    // The browser's program file: a 255-character name fits, 256 does not.
    std::string name255 = "C:\\";
    name255.append(255 - name255.size() - 4, 'n');
    name255 += ".exe";
    ASSERT_EQ(255u, name255.size());
    const std::string name256 = "C:\\n" + name255.substr(3);
    // Both exist: a missing program is no browser whatever its length.
    for (const std::string& name : {name255, name256}) {
        ASSERT_TRUE(CopyFileA(exe.c_str(), name.c_str(), FALSE));
    }
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(kUserClasses) + "http\\shell\\open\\command",
                        "", Quoted(name255) + " %1"));
    EXPECT_EQ(name255, Browser(&result));
    EXPECT_NE(0, result);
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(kUserClasses) + "http\\shell\\open\\command",
                        "", Quoted(name256) + " %1"));
    EXPECT_EQ("", Browser(&result));
    EXPECT_EQ(0, result);
    // A name with a blank is counted with its quotation marks: 253 characters fit, 254 do not.
    const std::string blank253 = "C:\\b " + name255.substr(7);
    const std::string blank254 = "C:\\b n" + name255.substr(7);
    ASSERT_EQ(253u, blank253.size());
    for (const std::string& name : {blank253, blank254}) {
        ASSERT_TRUE(CopyFileA(exe.c_str(), name.c_str(), FALSE));
    }
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(kUserClasses) + "http\\shell\\open\\command",
                        "", Quoted(blank253) + " %1"));
    EXPECT_EQ(Quoted(blank253), Browser(&result));
    ASSERT_TRUE(reg.Set(HKEY_CURRENT_USER, std::string(kUserClasses) + "http\\shell\\open\\command",
                        "", Quoted(blank254) + " %1"));
    EXPECT_EQ("", Browser(&result));
    EXPECT_EQ(0, result);
    for (const std::string& name : {name255, name256, blank253, blank254}) {
        DeleteFileA(name.c_str());
    }
}
