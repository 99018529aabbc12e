#include "skin/rectangle_text.h"

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

unsigned int ConvertRectangleField(const char* field, int length)
{
    const char* p = field;
    const char* end = field + length;
    while (p < end && IsBlank(*p)) {
        ++p;
    }
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const unsigned long long limit = 0xFFFFFFFFull;
    unsigned long long value = 0;
    bool overflow = false;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (!overflow) {
            value = value * 10 + static_cast<unsigned>(*p - '0');
            overflow = value > limit;
        }
    }
    // Like the C library's unsigned conversion: an overlong magnitude saturates whatever its
    // sign, and a minus sign negates in 32-bit unsigned arithmetic.
    if (overflow) {
        return 0xFFFFFFFFu;
    }
    unsigned int result = static_cast<unsigned int>(value);
    return negative ? 0u - result : result;
}

// The next character's start; a double-byte character is stepped over whole, even when its
// second byte is a comma, exactly as the system's own character stepping does.
static const char* NextCharacter(UINT codePage, const char* p)
{
    return CharNextExA(static_cast<WORD>(codePage), p, 0);
}

int ParseButtonRectangleInCodePage(const char* text, UINT codePage, RECT* rect)
{
    if (text == nullptr || rect == nullptr) {
        return 0;
    }
    LONG values[4] = {};
    int fields = 0;
    const char* p = text;
    while (*p != '\0' && fields < 4) {
        while (*p == ',') {
            ++p;
        }
        if (*p == '\0') {
            break;
        }
        const char* start = p;
        while (*p != '\0' && *p != ',') {
            const char* next = NextCharacter(codePage, p);
            // A lead byte before the terminator is one character of its own; never step past it.
            p = next > p ? next : p + 1;
        }
        values[fields++] =
            static_cast<LONG>(ConvertRectangleField(start, static_cast<int>(p - start)));
    }
    if (fields < 4) {
        return 0;
    }
    SetRect(rect, values[0], values[1], values[2], values[3]);
    return 1;
}

int ParseButtonRectangle(const char* text, RECT* rect)
{
    return ParseButtonRectangleInCodePage(text, CP_ACP, rect);
}
