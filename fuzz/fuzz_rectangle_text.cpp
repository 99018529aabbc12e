// Fuzzes the parsing of a button's rectangle text. Besides crashes and undefined behaviour it
// checks the result against a second, deliberately plain reading of the same rule for single-byte
// code pages, and that a refused text leaves the rectangle alone.
#include "fuzz/fuzz_common.h"
#include "skin/rectangle_text.h"

#include <vector>

namespace {

// One field: blanks, one sign, decimal digits saturating at 32 bits; the sign negates modulo 2^32.
uint32_t ReferenceField(const std::string& field)
{
    size_t i = 0;
    while (i < field.size() && std::strchr(" \t\n\v\f\r", field[i]) != nullptr && field[i] != 0) {
        ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
    }
    uint64_t value = 0;
    bool saturated = false;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(field[i] - '0');
        if (value > 0xFFFFFFFFull) {
            saturated = true;
            value = 0xFFFFFFFFull;
        }
    }
    if (saturated) {
        return 0xFFFFFFFFu;
    }
    return negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(value))
                    : static_cast<uint32_t>(value);
}

std::vector<std::string> ReferenceFields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string current;
    for (char c : text) {
        if (c == ',') {
            if (!current.empty()) {
                fields.push_back(current);
            }
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) {
        fields.push_back(current);
    }
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const UINT codePage = PickCodePage(data[0]);
    const std::string text = TextOf(data, size, 1);
    // A heap copy of exactly the text's length, so that any read past the terminator is caught.
    std::vector<char> exact(text.begin(), text.end());
    exact.push_back('\0');

    RECT rect = {111, 222, 333, 444};
    const int parsed = ParseButtonRectangleInCodePage(exact.data(), codePage, &rect);
    FUZZ_CHECK(parsed == 0 || parsed == 1);
    if (!parsed) {
        FUZZ_CHECK(rect.left == 111 && rect.top == 222 && rect.right == 333 && rect.bottom == 444);
    }
    // The field conversion reads only its own bytes and stops at the first non-digit anyway.
    FUZZ_CHECK(ConvertRectangleField(exact.data(), static_cast<int>(text.size())) ==
               ReferenceField(text));

    if (codePage == CP_ACP || codePage == 1252) {
        const std::vector<std::string> fields = ReferenceFields(text);
        FUZZ_CHECK(parsed == (fields.size() >= 4 ? 1 : 0));
        if (parsed) {
            FUZZ_CHECK(static_cast<uint32_t>(rect.left) == ReferenceField(fields[0]));
            FUZZ_CHECK(static_cast<uint32_t>(rect.top) == ReferenceField(fields[1]));
            FUZZ_CHECK(static_cast<uint32_t>(rect.right) == ReferenceField(fields[2]));
            FUZZ_CHECK(static_cast<uint32_t>(rect.bottom) == ReferenceField(fields[3]));
        }
        FUZZ_CHECK(ParseButtonRectangle(exact.data(), &rect) == parsed);
    }
    FUZZ_CHECK(ParseButtonRectangleInCodePage(nullptr, codePage, &rect) == 0);
    FUZZ_CHECK(ParseButtonRectangleInCodePage(exact.data(), codePage, nullptr) == 0);
    return 0;
}
