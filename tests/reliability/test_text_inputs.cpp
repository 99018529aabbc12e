// Command lines and command texts made awkward on purpose: every form of the two command words,
// very long tails, bytes above 127, and the edge lengths of the 256-byte command buffers.
#include "actions/button_actions.h"
#include "app/command_tail.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string program = "\"C:\\Program Files\\Velnor\\Tilebox\\tilebox.exe\"";

TEST(CommandLineCorpus, OnlyTheBareWordsInAnyCaseCloseTheMenu)
{
    const char* const words[] = {"Close",   "close",   "CLOSE",   "cLOSE",  "ClOsE",
                                 "Destroy", "destroy", "DESTROY", "dEsTrOy"};
    const char* const notWords[] = {"Close ",
                                    "\"Close\"",
                                    "Close now",
                                    "/Close",
                                    "-Close",
                                    "Closed",
                                    "Clos",
                                    "Close\t",
                                    "Destroyed",
                                    "Destroy Close",
                                    "Clo se",
                                    "Close\xA0",
                                    "\xA0"
                                    "Close",
                                    "Cl\xD3se",
                                    "",
                                    "CloseDestroy",
                                    "Clo\xADse",
                                    "Close\xAD",
                                    "\xAD" "Close",
                                    "Cl\x7Fose",
                                    "De-stroy",
                                    "Clo\x01se",
                                    "Close,",
                                    "Close\"",
                                    "C",
                                    "Closee"};
    const char* const starts[] = {"", " ", "   ", "\t", " \t \x01 "};
    int cases = 0;
    for (const char* start : starts) {
        for (const char* word : words) {
            const std::string line = program + start + word;
            EXPECT_STREQ(word, GetCommandTail(line.c_str())) << line;
            EXPECT_EQ(1, IsCloseCommandWord(GetCommandTail(line.c_str()))) << line;
            const std::string bare = std::string("tilebox.exe") + (*start ? start : " ") + word;
            EXPECT_EQ(1, IsCloseCommandWord(GetCommandTail(bare.c_str()))) << bare;
            cases += 2;
        }
        for (const char* other : notWords) {
            const std::string line = program + (*start ? start : " ") + other;
            EXPECT_EQ(0, IsCloseCommandWord(GetCommandTail(line.c_str()))) << line;
            ++cases;
        }
    }
    std::printf("command-word corpus: %d command lines\n", cases);
}

TEST(CommandLineCorpus, VeryLongTailsAndHighBytesAreReadInPlace)
{
    for (size_t length : {255u, 256u, 1000u, 32767u, 100000u}) {
        const std::string tail = "Close" + std::string(length - 5, 'x');
        const std::string line = program + "  " + tail;
        const char* found = GetCommandTail(line.c_str());
        EXPECT_EQ(line.c_str() + program.size() + 2, found) << length;
        EXPECT_EQ(0, IsCloseCommandWord(found)) << length;
    }
    // Every byte above 127 in the program name and the tail: none of them ends the name, none
    // is skipped as a blank.
    std::string high;
    for (int b = 128; b < 256; ++b) {
        high.push_back(static_cast<char>(b));
    }
    const std::string unquoted = high + " " + high;
    EXPECT_EQ(unquoted.c_str() + high.size() + 1, GetCommandTail(unquoted.c_str()));
    const std::string quoted = "\"" + high + "\" " + high;
    EXPECT_EQ(quoted.c_str() + high.size() + 3, GetCommandTail(quoted.c_str()));
    // Under a double-byte code page a lead byte at the very end of a quoted name must not carry
    // the scan past the terminator.
    const std::string cut = "\"abc\x81";
    EXPECT_EQ(cut.c_str() + cut.size(), GetCommandTailInCodePage(cut.c_str(), 932));
    const std::string trailQuote = "\"a\x81\"b\" Close";
    EXPECT_STREQ("Close", GetCommandTailInCodePage(trailQuote.c_str(), 932));
    EXPECT_STREQ("", GetCommandTail(nullptr));
    EXPECT_STREQ("", GetCommandTail(""));
    EXPECT_STREQ("", GetCommandTail("\"\""));
    EXPECT_STREQ("", GetCommandTail("\""));
    EXPECT_STREQ("", GetCommandTail("     "));
}

// The buffers of the actions: 256 bytes, filled to the brim or hardly at all.
TEST(CommandTextCorpus, TrimAndFileNameStayInsideTheirBuffers)
{
    struct Case {
        std::string text;
        std::string trimmed;
        std::string name;
    };
    const std::string a255(255, 'a');
    const std::string path255 = "C:\\" + std::string(246, 'd') + "\\p.exe";
    const std::vector<Case> cases = {
        {"", "", ""},
        {"x", "x", ""},
        {" ", " ", ""},
        {"\"", "\"", ""},
        {"\\", "\\", ""},
        {"%", "%", ""},
        {"    ", " ", ""},
        {"\"\"\"\"", "\"", ""},
        {"%%%%", "%", ""},
        {" \"% \"% ", " ", ""},
        {"\\\\\\", "\\\\\\", ""},
        {"player.exe", "player.exe", "layer.exe"},
        {"player.exe /play %1", "player.exe", "layer.exe"},
        {"\"player.exe\" %1", "\"player.exe", "player.exe"},
        {"C:\\p\\player.exe \"%1\"", "C:\\p\\player.exe", "player.exe"},
        {"C:\\p\\player.exe\\", "C:\\p\\player.exe\\", ""},
        {a255, a255, a255.substr(1)},
        {path255, path255, "p.exe"},
        {path255 + "x", path255, "p.exe"},
        {a255 + " tail", a255, a255.substr(1)},
    };
    ASSERT_EQ(255u, path255.size());
    for (const Case& c : cases) {
        char buffer[257];
        std::memset(buffer, '#', sizeof buffer);
        lstrcpynA(buffer, c.text.c_str(), 256);
        TrimCommandTail(buffer);
        EXPECT_EQ(c.trimmed, std::string(buffer)) << "[" << c.text << "]";
        EXPECT_EQ('#', buffer[256]);

        char name[257];
        std::memset(name, '#', sizeof name);
        EXPECT_EQ(1, GetCommandFileName(c.text.c_str(), name)) << "[" << c.text << "]";
        EXPECT_EQ('#', name[256]) << "[" << c.text << "]";
        EXPECT_EQ(c.name, std::string(name)) << "[" << c.text << "]";
    }
    std::printf("command-text corpus: %zu texts\n", cases.size());
}

}  // namespace
