// The person's skins folder: its long name when the code page carries it, its short name when
// not, and the per-account folder under the machine's data folder when a volume has no short
// names, which Wine cannot show (it always makes them): that case goes through a stand-in for
// GetShortPathNameW that gives the long name back, as the system does there.
#include "tests/bench/bench.h"
#include "tileskin/personal_folder.h"

#include <gtest/gtest.h>

namespace {

std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// The folder without the trailing backslash MakeTempDir gives.
std::wstring TempBase(const char* stem)
{
    std::string dir = bench::MakeTempDir(stem);
    dir.pop_back();
    return Wide(dir);
}

DWORD WINAPI NoShortNames(LPCWSTR longPath, LPWSTR shortPath, DWORD capacity)
{
    const DWORD length = lstrlenW(longPath);
    if (length >= capacity) {
        return length + 1;
    }
    lstrcpyW(shortPath, longPath);
    return length;
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(PersonalFolder, LongNameShortNameOrTheAccountsFolderUnderTheMachinesData)
{
    const std::wstring sid = L"S-1-5-21-7-7-7-1001";
    const std::wstring shared = TempBase("shared");
    SkinsFolder folder;
    std::wstring error;

    // A plain profile: the long name, made, exact.
    const std::wstring plain = TempBase("plain");
    ASSERT_TRUE(ChooseSkinsFolder(plain, shared, sid, GetShortPathNameW, &folder, &error));
    EXPECT_EQ(plain + L"\\Velnor\\Tilebox\\Skins", folder.wide);
    EXPECT_EQ(std::string(folder.wide.begin(), folder.wide.end()), folder.ansi);
    EXPECT_TRUE(IsFolder(folder.wide));

    // A profile named in Greek, which a Western code page cannot carry: the short name, which
    // the 8-bit calls open as the same folder.
    const std::wstring greek = plain + L"\\\x0395\x03BB\x03AD\x03BD\x03B7";
    ASSERT_TRUE(CreateDirectoryW(greek.c_str(), nullptr));
    ASSERT_TRUE(ChooseSkinsFolder(greek, shared, sid, GetShortPathNameW, &folder, &error));
    EXPECT_EQ(greek + L"\\Velnor\\Tilebox\\Skins", folder.wide);
    std::string exact;
    if (GetACP() != CP_UTF8 && GetACP() != 1253) {
        EXPECT_FALSE(ExactAnsi(folder.wide, &exact)) << "this test needs a non-Greek code page";
        EXPECT_EQ(std::string::npos, folder.ansi.find('?')) << folder.ansi;
        EXPECT_NE(std::string(folder.wide.begin(), folder.wide.end()), folder.ansi);
    }
    const DWORD attributes = GetFileAttributesA(folder.ansi.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << folder.ansi;
    const std::string probe = folder.ansi + "\\probe.txt";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << probe;
    CloseHandle(file);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder.wide + L"\\probe.txt").c_str()));

    // The same profile on a volume without short names: the account's folder under the
    // machine's data folder, once the installer has made Users there...
    EXPECT_FALSE(ChooseSkinsFolder(greek, shared, sid, NoShortNames, &folder, &error));
    EXPECT_NE(std::wstring::npos, error.find(shared + L"\\Velnor\\Tilebox\\Users"));
    ASSERT_TRUE(CreateDirectoryW((shared + L"\\Velnor").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((shared + L"\\Velnor\\Tilebox").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((shared + L"\\Velnor\\Tilebox\\Users").c_str(), nullptr));
    ASSERT_TRUE(ChooseSkinsFolder(greek, shared, sid, NoShortNames, &folder, &error));
    EXPECT_EQ(shared + L"\\Velnor\\Tilebox\\Users\\" + sid + L"\\Skins", folder.wide);
    EXPECT_EQ(std::string(folder.wide.begin(), folder.wide.end()), folder.ansi);
    EXPECT_TRUE(IsFolder(folder.wide));

    // ...and the real one of this account is exact, whatever it is.
    ASSERT_TRUE(PersonalSkinsFolder(&folder, &error));
    EXPECT_TRUE(IsFolder(folder.wide));
    EXPECT_TRUE(IsFolder(Wide(folder.ansi))) << folder.ansi;
}

}  // namespace
