// The skin's folder: only this program's pictures are replaced, set aside and removed; a held
// picture stops the swap before anything moves; an undo puts every picture back; what an
// interrupted run left is cleaned by the next. The pictures here are stand-in files with the
// names the skin maker gives: the swap never looks inside them.
#include "tests/bench/bench.h"
#include "tileskin/skin_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

void Put(const std::wstring& path, const std::string& text)
{
    std::ofstream(std::string(path.begin(), path.end()), std::ios::binary) << text;
}

std::string Content(const std::wstring& path)
{
    std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
    if (!in) {
        return "<none>";
    }
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(SkinFolder, OnlyThisProgramsPicturesAreSwappedHeldOnesStopItAndUndoPutsAllBack)
{
    EXPECT_TRUE(IsSkinMakerFile(L"normal-1920x1080.bmp"));
    EXPECT_TRUE(IsSkinMakerFile(L"template-640x480.BMP"));
    EXPECT_TRUE(IsSkinMakerFile(L"selected-7680x4320.bmp"));
    for (const wchar_t* other : {L"notes.txt", L"normal.bmp", L"normal-1920x.bmp",
                                 L"normal-x1080.bmp", L"photo-1920x1080.bmp",
                                 L"normal-1920x1080.bmp.txt", L"normal-19a0x1080.bmp"}) {
        EXPECT_FALSE(IsSkinMakerFile(other)) << std::string(other, other + lstrlenW(other));
    }

    const std::wstring skins = Wide(bench::MakeTempDir("skins"));
    const std::wstring target = skins + L"Mine\\";
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    Put(target + L"normal-640x480.bmp", "old normal");
    Put(target + L"template-800x600.bmp", "old template of a size not drawn now");
    Put(target + L"notes.txt", "the person's own");
    const auto begin = [&](SkinFolder* folder) {
        std::wstring error;
        EXPECT_EQ(FolderDone, BeginSkinFolder(skins, "Mine", folder, &error));
        Put(folder->work + L"\\normal-640x480.bmp", "new normal");
        Put(folder->work + L"\\selected-640x480.bmp", "new selected");
    };

    // A picture held open by another program: named, and nothing moves.
    {
        SkinFolder folder;
        begin(&folder);
        HANDLE viewer = CreateFileW((target + L"normal-640x480.bmp").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, viewer);
        std::wstring error;
        EXPECT_EQ(FolderHeld, InstallSkinFolder(&folder, &error));
        CloseHandle(viewer);
        EXPECT_NE(std::wstring::npos, error.find(target + L"normal-640x480.bmp"));
        EXPECT_NE(std::wstring::npos, error.find(L"close the program that holds it"));
        EXPECT_EQ("old normal", Content(target + L"normal-640x480.bmp"));
        EXPECT_FALSE(Exists(folder.work)) << "the new pictures go";
        EXPECT_FALSE(Exists(folder.previous));
    }

    // Moved in, then undone (the settings failed): every picture back, the person's file kept.
    {
        SkinFolder folder;
        begin(&folder);
        std::wstring error;
        ASSERT_EQ(FolderDone, InstallSkinFolder(&folder, &error));
        EXPECT_EQ("new normal", Content(target + L"normal-640x480.bmp"));
        EXPECT_EQ("new selected", Content(target + L"selected-640x480.bmp"));
        EXPECT_FALSE(Exists(target + L"template-800x600.bmp")) << "set aside with the skin";
        EXPECT_EQ("the person's own", Content(target + L"notes.txt"));
        EXPECT_EQ(L"", AbandonSkinFolder(&folder));
        EXPECT_EQ("old normal", Content(target + L"normal-640x480.bmp"));
        EXPECT_EQ("old template of a size not drawn now",
                  Content(target + L"template-800x600.bmp"));
        EXPECT_FALSE(Exists(target + L"selected-640x480.bmp"));
        EXPECT_EQ("the person's own", Content(target + L"notes.txt"));
        EXPECT_FALSE(Exists(folder.previous));
        EXPECT_FALSE(Exists(folder.work));
    }

    // Moved in and kept: the previous pictures go, the person's file stays.
    {
        SkinFolder folder;
        begin(&folder);
        std::wstring error;
        ASSERT_EQ(FolderDone, InstallSkinFolder(&folder, &error));
        EXPECT_EQ(L"", KeepSkinFolder(&folder));
        EXPECT_EQ("new normal", Content(target + L"normal-640x480.bmp"));
        EXPECT_FALSE(Exists(target + L"template-800x600.bmp"));
        EXPECT_EQ("the person's own", Content(target + L"notes.txt"));
        EXPECT_FALSE(Exists(folder.previous));
    }
}

// Process ids are multiples of four on Windows: an odd one never names a running process, so
// its folders are an ended run's.
TEST(SkinFolder, AnInterruptedRunsFoldersAreCleanedByTheNext)
{
    const std::wstring skins = Wide(bench::MakeTempDir("skins"));
    const std::wstring target = skins + L"Mine\\";
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    Put(target + L"normal-640x480.bmp", "the newer normal");
    for (const wchar_t* left : {L"~new-4001-Mine", L"~old-4001-Mine", L"~mine"}) {
        ASSERT_TRUE(CreateDirectoryW((skins + left).c_str(), nullptr));
    }
    Put(skins + L"~new-4001-Mine\\normal-640x480.bmp", "half drawn");
    Put(skins + L"~old-4001-Mine\\normal-640x480.bmp", "older normal");
    Put(skins + L"~old-4001-Mine\\selected-640x480.bmp", "set aside, never put back");
    Put(skins + L"~mine\\normal-640x480.bmp", "a person's folder of that look");

    SkinFolder folder;
    std::wstring error;
    ASSERT_EQ(FolderDone, BeginSkinFolder(skins, "Other", &folder, &error));
    EXPECT_FALSE(Exists(skins + L"~new-4001-Mine"));
    EXPECT_FALSE(Exists(skins + L"~old-4001-Mine"));
    EXPECT_EQ("the newer normal", Content(target + L"normal-640x480.bmp"));
    EXPECT_EQ("set aside, never put back", Content(target + L"selected-640x480.bmp"));
    EXPECT_EQ("a person's folder of that look", Content(skins + L"~mine\\normal-640x480.bmp"));
    EXPECT_TRUE(Exists(folder.work)) << "this run's own folder is not a leftover";
    AbandonSkinFolder(&folder);
}

}  // namespace
