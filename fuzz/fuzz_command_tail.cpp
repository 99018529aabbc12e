// Fuzzes the splitting of a command line into program name and tail, and the recognition of the
// two command words. The tail must lie inside the line, never start with a blank or a control
// character, and a line whose tail is a command word must end with exactly that word.
#include "app/command_tail.h"
#include "fuzz/fuzz_common.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const UINT codePage = PickCodePage(data[0]);
    const std::string line = TextOf(data, size, 1);
    std::vector<char> exact(line.begin(), line.end());
    exact.push_back('\0');
    const char* begin = exact.data();
    const char* end = begin + line.size();

    const char* tail = GetCommandTailInCodePage(begin, codePage);
    FUZZ_CHECK(tail >= begin && tail <= end);
    const unsigned char first = static_cast<unsigned char>(*tail);
    FUZZ_CHECK(first == 0 || first > ' ');
    if (!line.empty() && line[0] != '"') {
        // An unquoted program name ends at the first blank or control character.
        for (const char* p = begin; p < tail; ++p) {
            if (static_cast<unsigned char>(*p) <= ' ') {
                for (const char* q = p; q < tail; ++q) {
                    FUZZ_CHECK(static_cast<unsigned char>(*q) <= ' ');
                }
                break;
            }
        }
    }
    if (codePage == CP_ACP) {
        FUZZ_CHECK(GetCommandTail(begin) == tail);
    }
    const int word = IsCloseCommandWord(tail);
    FUZZ_CHECK(word == 0 || word == 1);
    if (word) {
        const size_t length = std::strlen(tail);
        FUZZ_CHECK(length == 5 || length == 7);
    }
    FUZZ_CHECK(*GetCommandTailInCodePage(nullptr, codePage) == '\0');
    return 0;
}
