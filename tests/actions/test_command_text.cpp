#include "actions/button_actions.h"

#include <gtest/gtest.h>

#include <string>

static std::string Trimmed(std::string text)
{
    char buffer[256] = {};
    lstrcpynA(buffer, text.c_str(), sizeof buffer);
    TrimCommandTail(buffer);
    return buffer;
}

static std::string FileName(const char* commandLine)
{
    char name[256];
    memset(name, 'x', sizeof name);
    EXPECT_EQ(1, GetCommandFileName(commandLine, name));
    return name;
}

TEST(TrimCommandTail, EndsTheTextAtTheFirstSeparatorAfterTheLastBackslash)
{
    EXPECT_EQ("C:\\Players\\cd.exe", Trimmed("C:\\Players\\cd.exe %1"));
    EXPECT_EQ("\"C:\\Program Files\\Player\\play.exe",
              Trimmed("\"C:\\Program Files\\Player\\play.exe\" /play \"%1\""));
    EXPECT_EQ("C:\\Players\\cd.exe", Trimmed("C:\\Players\\cd.exe"));
    // Nothing before the last backslash changes: an argument holding one stays.
    EXPECT_EQ("C:\\Players\\cd.exe /dir C:\\Music", Trimmed("C:\\Players\\cd.exe /dir C:\\Music"));
    EXPECT_EQ("\"C:\\a b\\", Trimmed("\"C:\\a b\\"));
}

TEST(TrimCommandTail, WithoutABackslashKeepsTheFirstCharacter)
{
    EXPECT_EQ("player.exe", Trimmed("player.exe /cd %1"));
    EXPECT_EQ("\"player.exe", Trimmed("\"player.exe\" /cd"));
    EXPECT_EQ("\"", Trimmed("\"\"\"\""));
    EXPECT_EQ(" ", Trimmed("  %%"));
    EXPECT_EQ("%", Trimmed("%"));
    EXPECT_EQ("", Trimmed(""));
    EXPECT_EQ("a", Trimmed("a"));
    std::string long255(255, 'p');
    EXPECT_EQ(long255, Trimmed(long255));
    EXPECT_EQ("p", Trimmed("p" + std::string(254, ' ')));
}

TEST(GetCommandFileName, GivesTheProgramNameAfterTheLastBackslash)
{
    EXPECT_EQ("dvdplay.exe", FileName("C:\\Windows\\dvdplay.exe"));
    EXPECT_EQ("dvdplay.exe", FileName("\"C:\\Program Files\\DVD\\dvdplay.exe\" /play \"%L\""));
    EXPECT_EQ("DVDPlay.EXE", FileName("%SystemRoot%\\system32\\DVDPlay.EXE %1"));
    EXPECT_EQ("", FileName("C:\\Players\\"));
}

TEST(GetCommandFileName, WithoutABackslashStartsAtTheSecondCharacter)
{
    // A quoted program loses its quotation marks; an unquoted one its first letter.
    EXPECT_EQ("dvdplay.exe", FileName("\"dvdplay.exe\" /play"));
    EXPECT_EQ("vdplay.exe", FileName("dvdplay.exe /play"));
    EXPECT_EQ("", FileName("d"));
    EXPECT_EQ("", FileName(""));
    EXPECT_EQ("", FileName("    "));
    // A command line longer than the working text is cut, never overrun.
    std::string tooLong(300, 'q');
    EXPECT_EQ(std::string(254, 'q'), FileName(tooLong.c_str()));
}
