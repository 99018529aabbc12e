// Fuzzes the trimming of a player's command line and the extraction of its program's file name,
// on 256-byte buffers as the menu uses them. Trimming only ever cuts the text short, and the file
// name always fits its buffer.
#include "actions/button_actions.h"
#include "fuzz/fuzz_common.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = TextOf(data, size, 0);

    char buffer[256];
    ZeroMemory(buffer, sizeof buffer);
    lstrcpynA(buffer, text.c_str(), sizeof buffer);
    const std::string before = buffer;
    TrimCommandTail(buffer);
    const std::string after = buffer;
    FUZZ_CHECK(after.size() <= before.size());
    FUZZ_CHECK(before.compare(0, after.size(), after) == 0);
    FUZZ_CHECK(before.empty() || !after.empty());
    const size_t lastBackslash = before.find_last_of('\\');
    if (lastBackslash != std::string::npos && lastBackslash >= 1) {
        FUZZ_CHECK(after.size() > lastBackslash);
    }

    // The command line as the launch utilities hand it over: a heap block of its own length, so
    // that a read past its end is caught. The name buffer is poisoned to catch a missing end.
    std::vector<char> exact(text.begin(), text.end());
    exact.push_back('\0');
    std::vector<char> name(256, 'x');
    FUZZ_CHECK(GetCommandFileName(exact.data(), name.data()) == 1);
    const void* terminator = std::memchr(name.data(), 0, name.size());
    FUZZ_CHECK(terminator != nullptr);
    return 0;
}
