// The tiles file as this PC reads it: its bytes from the disk, through the wide file calls, and
// the system code page that the reader (tiles_file.cpp, free of the platform so that it also
// builds natively for fuzzing) falls back to for a file that is not UTF-8 or UTF-16.
#include "tileskin/tileskin.h"

namespace {

Problem ProblemOf(const std::wstring& path, int line, const std::wstring& what)
{
    return Problem{path, line, what};
}

// The system code page, strictly: bytes that are not a character there are not accepted.
bool DecodeSystemCodePage(const std::string& bytes, std::wstring* text)
{
    if (bytes.empty()) {
        text->clear();
        return true;
    }
    const int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) {
        return false;
    }
    text->assign(static_cast<size_t>(size), L'\0');
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), &(*text)[0], size) == size;
}

}  // namespace

std::wstring WideFromAnsi(const std::string& text)
{
    std::wstring wide;
    DecodeSystemCodePage(text, &wide);
    return wide;
}

bool LoadTilesFile(const std::wstring& path, TilesFile* tiles, Problem* problem)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *problem = ProblemOf(path, 0, L"cannot be opened (error " +
                                          std::to_wstring(GetLastError()) + L")");
        return false;
    }
    // One byte past the limit is enough to know the file is too large.
    std::string bytes(maxTilesFileBytes + 1, '\0');
    DWORD read = 0;
    const BOOL ok = ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok) {
        *problem = ProblemOf(path, 0, L"cannot be read");
        return false;
    }
    bytes.resize(read);
    TilesError error = {};
    if (!ReadTilesFile(bytes, DecodeSystemCodePage, tiles, &error)) {
        *problem = ProblemOf(path, error.line, error.what);
        return false;
    }
    return true;
}
