#include "skin/rectangle_text.h"
#include "tests/skin/skin_test_support.h"

namespace {

RECT Parsed(const char* text)
{
    RECT rect = {-7, -7, -7, -7};
    EXPECT_EQ(1, ParseButtonRectangle(text, &rect)) << text;
    return rect;
}

}  // namespace

TEST(ParseButtonRectangle, ReadsFourFieldsIgnoringEmptyFieldsBlanksAndExtras)
{
    EXPECT_EQ((RECT{64, 400, 191, 471}), Parsed("64,400,191,471"));
    EXPECT_EQ((RECT{64, 400, 191, 471}), Parsed("64, 400, 191, 471"));
    EXPECT_EQ((RECT{64, 400, 191, 471}), Parsed(" \t64,\n400,\r191,\v471"));
    EXPECT_EQ((RECT{64, 400, 191, 471}), Parsed("64,400,191,471,9"));
    EXPECT_EQ((RECT{10, 20, 110, 60}), Parsed("10,,20,110,60"));
    EXPECT_EQ((RECT{10, 20, 110, 60}), Parsed(",,,10,20,,,110,60,,"));
    // Blanks after a number end it; the rest of the field is ignored.
    EXPECT_EQ((RECT{1, 2, 3, 4}), Parsed("1 9,2x,3.5,4 "));
}

TEST(ParseButtonRectangle, ConvertsLikeAnUnsignedDecimalTakenAsSigned)
{
    EXPECT_EQ((RECT{0, 400, 191, 471}), Parsed("x,400,191,471"));
    EXPECT_EQ((RECT{0, 400, 191, 471}), Parsed("0x40,400,191,471"));
    EXPECT_EQ((RECT{-5, 400, 191, 471}), Parsed("-5,400,191,471"));
    EXPECT_EQ((RECT{5, 400, 191, 471}), Parsed("+5,400,191,471"));
    // One sign only, and blanks are skipped before the sign, not after it.
    EXPECT_EQ((RECT{0, 0, 0, 4}), Parsed("--5,+-5,- 5,4"));
    // 2147483648..4294967295 come out negative; anything larger saturates, whatever its sign.
    EXPECT_EQ((RECT{INT_MIN, -1, -1, -1}),
              Parsed("2147483648,4294967295,4294967296,99999999999999999999"));
    EXPECT_EQ((RECT{-1, 1, 2147483647, 0}), Parsed("-99999999999,-4294967295,2147483647,0"));
    EXPECT_EQ(4294967295u, ConvertRectangleField("4294967295", 10));
    EXPECT_EQ(7u, ConvertRectangleField("789", 1));
    EXPECT_EQ(0u, ConvertRectangleField("", 0));
}

TEST(ParseButtonRectangle, RefusesFewerThanFourFieldsLeavingTheRectangleAlone)
{
    const char* tooShort[] = {"", ",,,", "64,400,191", "64,,400,,191,,", " , , ,", "7"};
    for (const char* text : tooShort) {
        RECT rect = {-7, -7, -7, -7};
        EXPECT_EQ(0, ParseButtonRectangle(text, &rect)) << "'" << text << "'";
        EXPECT_EQ((RECT{-7, -7, -7, -7}), rect) << "'" << text << "'";
    }
    RECT rect = {-7, -7, -7, -7};
    EXPECT_EQ(0, ParseButtonRectangle(nullptr, &rect));
    EXPECT_EQ(0, ParseButtonRectangle("1,2,3,4", nullptr));
    // A field of blanks is a field; it converts to 0.
    EXPECT_EQ((RECT{0, 2, 3, 4}), Parsed(" ,2,3,4"));
}

TEST(ParseButtonRectangle, NeverSplitsADoubleByteCharacterAtAComma)
{
    // Under code page 932, 0x81 is a lead byte and takes the comma after it as its second byte.
    const char text[] = "\x81,5,6,7,8";
    RECT rect = {};
    ASSERT_TRUE(IsDBCSLeadByteEx(932, 0x81)) << "code page 932 is not available";
    EXPECT_EQ(1, ParseButtonRectangleInCodePage(text, 932, &rect));
    EXPECT_EQ((RECT{0, 6, 7, 8}), rect);
    // A single-byte code page splits there.
    EXPECT_EQ(1, ParseButtonRectangleInCodePage(text, 1252, &rect));
    EXPECT_EQ((RECT{0, 5, 6, 7}), rect);
    // A lead byte just before the end is not stepped past.
    EXPECT_EQ(0, ParseButtonRectangleInCodePage("1,2,3\x81", 932, &rect));
    EXPECT_EQ(1, ParseButtonRectangleInCodePage("1,2,3,\x81", 932, &rect));
    EXPECT_EQ((RECT{1, 2, 3, 0}), rect);
}
