#include "app/app_state.h"

#include <gtest/gtest.h>

static std::string Directory(std::string path)
{
    CutToModuleDirectory(&path[0]);
    return path.c_str();
}

TEST(ModuleDirectory, KeepsEverythingUpToTheLastBackslash)
{
    EXPECT_EQ("C:\\Apps\\Menu\\", Directory("C:\\Apps\\Menu\\menu.exe"));
    EXPECT_EQ("C:\\", Directory("C:\\menu.exe"));
    EXPECT_EQ("\\\\server\\share\\", Directory("\\\\server\\share\\menu.exe"));
    EXPECT_EQ("C:\\Apps\\", Directory("C:\\Apps\\"));
}

TEST(ModuleDirectory, IsEmptyWithoutABackslash)
{
    EXPECT_EQ("", Directory("menu.exe"));
    EXPECT_EQ("", Directory(""));
    EXPECT_EQ("", Directory("C:menu.exe"));
}
