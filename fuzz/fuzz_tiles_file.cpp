// Fuzzes the tiles file's reader: any bytes, in any of the encodings it tells apart. Besides
// crashes and undefined behaviour it checks that an accepted file obeys every rule the reader
// promises, and that a refusal names a line the file has.
#include "fuzz/fuzz_common.h"
#include "tileskin/tiles_file.h"

namespace {

// The stand-in system code page: bytes above 0x7F are Latin-1, except one the page lacks.
bool Latin1(const std::string& bytes, std::wstring* text)
{
    text->clear();
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) == 0x81) {
            return false;
        }
        text->push_back(static_cast<unsigned char>(c));
    }
    return true;
}

size_t CodePoints(const std::wstring& text)
{
    size_t count = 0;
    for (wchar_t c : text) {
        count += !(c >= 0xDC00 && c <= 0xDFFF);
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TilesFile file;
    TilesError error = {};
    if (!ReadTilesFile(bytes, Latin1, &file, &error)) {
        FUZZ_CHECK(!error.what.empty());
        FUZZ_CHECK(error.line >= 0 && static_cast<size_t>(error.line) <= size + 1);
        return 0;
    }
    FUZZ_CHECK(!file.name.empty() && file.name.size() <= static_cast<size_t>(maxSkinNameLength));
    for (wchar_t c : file.name) {
        FUZZ_CHECK((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                   (c >= L'0' && c <= L'9') || c == L' ' || c == L'-' || c == L'_');
    }
    for (const TileSpec& tile : file.tiles) {
        const size_t characters = CodePoints(tile.label);
        FUZZ_CHECK(characters >= 1 && characters <= static_cast<size_t>(maxLabelCharacters));
        FUZZ_CHECK(tile.action >= ActionBrowser && tile.action <= ActionClose);
        FUZZ_CHECK(tile.action != ActionCommand || (tile.hasCommand && !tile.command.empty()));
        FUZZ_CHECK(!tile.hasCommand || tile.action == ActionCommand || tile.action == ActionDvd);
        FUZZ_CHECK(RemoteCodeOf(tile.action) != 0);
        IsLinkCommand(tile.command);
    }
    for (const SkinColour& colour : file.colours) {
        FUZZ_CHECK(!colour.given || colour.rgb <= 0xFFFFFFu);
    }
    return 0;
}
