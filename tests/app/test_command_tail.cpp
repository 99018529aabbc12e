#include "app/command_tail.h"

#include <gtest/gtest.h>

TEST(CommandTail, SkipsTheProgramNameAndTheBlanksAfterIt)
{
    EXPECT_STREQ("Close", GetCommandTail("tilebox.exe Close"));
    EXPECT_STREQ("Close", GetCommandTail("tilebox.exe   Close"));
    EXPECT_STREQ("Close", GetCommandTail("tilebox.exe\t \tClose"));
    EXPECT_STREQ("Destroy", GetCommandTail("\"C:\\Program Files\\Velnor\\tilebox.exe\" Destroy"));
    EXPECT_STREQ("Destroy", GetCommandTail("\"C:\\Program Files\\tilebox.exe\"Destroy"));
    EXPECT_STREQ("", GetCommandTail("tilebox.exe"));
    EXPECT_STREQ("", GetCommandTail("tilebox.exe   "));
    EXPECT_STREQ("", GetCommandTail(""));
    EXPECT_STREQ("", GetCommandTail(nullptr));
}

TEST(CommandTail, KeepsInnerAndTrailingBlanksAndQuotes)
{
    EXPECT_STREQ("Close ", GetCommandTail("tilebox.exe Close "));
    EXPECT_STREQ("\"Close\"", GetCommandTail("tilebox.exe \"Close\""));
    EXPECT_STREQ("Close now", GetCommandTail("tilebox.exe Close now"));
    EXPECT_STREQ("/Close", GetCommandTail("tilebox.exe /Close"));
}

TEST(CommandTail, AnUnclosedQuoteTakesTheWholeLine)
{
    EXPECT_STREQ("", GetCommandTail("\"C:\\Program Files\\tilebox.exe Close"));
}

TEST(CommandTail, ComparesBytesAboveTheAsciiRangeUnsigned)
{
    // 0xE9 belongs to the program name; a signed comparison would end the name there.
    EXPECT_STREQ("Close", GetCommandTail("men\xE9.exe Close"));
    // A non-breaking space (0xA0) is no blank: the tail starts with it.
    EXPECT_STREQ("\xA0"
                 "Close",
                 GetCommandTail("tilebox.exe \xA0"
                                "Close"));
    // Control characters from 1 to 32 after the name are all skipped.
    EXPECT_STREQ("Close", GetCommandTail("tilebox.exe \x01\x1F Close"));
}

TEST(CommandTail, LeadBytesInsideQuotesTakeTheNextByteAlong)
{
    // Under Shift-JIS 0x81 is a lead byte, so the quote after it is its second byte and does not
    // end the program name: with no further quote the whole line is the name.
    EXPECT_STREQ("", GetCommandTailInCodePage("\"ab\x81\" Close", 932));
    // Under a single-byte code page the same quote ends the name.
    EXPECT_STREQ("Close", GetCommandTailInCodePage("\"ab\x81\" Close", 1252));
    // A lead byte as the very last byte does not step over the terminator.
    EXPECT_STREQ("", GetCommandTailInCodePage("\"ab\x81", 932));
}

TEST(CommandWord, IsCloseOrDestroyWholeInAnyCase)
{
    for (const char* word : {"Close", "close", "CLOSE", "cLoSe", "Destroy", "destroy", "DESTROY"}) {
        EXPECT_EQ(1, IsCloseCommandWord(word)) << word;
    }
    for (const char* word : {"", "Close ", " Close", "\"Close\"", "Close now", "/Close", "Clos",
                             "Closed", "Destroy!", "Exit"}) {
        EXPECT_EQ(0, IsCloseCommandWord(word)) << word;
    }
}
