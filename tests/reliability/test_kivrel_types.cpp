// Settings of the wrong registry type, read through the real Kivrel.dll: each is a failed read
// with an emptied buffer, and a panel value of the wrong type keeps the real menu from starting.
#include "outside/kivrel.h"
#include "tests/bench/bench.h"
#include "tests/bench/test_skin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char panelKey[] = "Software\\Velnor\\Tilebox\\Panel";
const char buttonKey[] = "Software\\Velnor\\Tilebox\\Buttons\\Button 0";

bool WriteRaw(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool ok =
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

class KivrelTypes : public ::testing::Test {
  protected:
    void SetUp() override
    {
        testskin::DeleteSettings(HKEY_CURRENT_USER);
    }
    void TearDown() override
    {
        testskin::DeleteSettings(HKEY_CURRENT_USER);
    }
};

TEST_F(KivrelTypes, StringsOfAnotherTypeAreFailedReadsWithAnEmptyBuffer)
{
    const DWORD number = 320;
    const unsigned long long wide = 320;
    const char multi[] = "normal.bmp\0second\0";
    const char unterminated[] = {'a', 'b', 'c'};
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        const char* expected;  // null: a failed read
    } cases[] = {
        {"REG_DWORD", REG_DWORD, &number, sizeof number, nullptr},
        {"REG_QWORD", REG_QWORD, &wide, sizeof wide, nullptr},
        {"REG_BINARY", REG_BINARY, "normal.bmp", 11, nullptr},
        {"REG_MULTI_SZ", REG_MULTI_SZ, multi, sizeof multi, nullptr},
        {"REG_NONE", REG_NONE, "x", 2, nullptr},
        {"REG_SZ empty", REG_SZ, "", 1, ""},
        {"REG_SZ of no bytes", REG_SZ, "", 0, ""},
        {"REG_SZ unterminated", REG_SZ, unterminated, sizeof unterminated, "abc"},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, "%SystemRoot%\\x.bmp", 19, "C:\\windows\\x.bmp"},
    };
    ASSERT_TRUE(Kivrel_SetUserProfileInfo(nullptr, "Velnor\\Tilebox"));
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteRaw(panelKey, "Normal Bitmap Mode 3", c.type, c.data, c.size)) << c.what;
        char buffer[256];
        std::memset(buffer, 'Z', sizeof buffer);
        const int result = Kivrel_GetProfileStringEx("Panel", "Normal Bitmap Mode 3", buffer,
                                                     sizeof buffer, 1, nullptr, 0);
        if (c.expected == nullptr) {
            EXPECT_EQ(0, result) << c.what;
            EXPECT_EQ('\0', buffer[0]) << c.what;
        } else {
            EXPECT_NE(0, result) << c.what;
            EXPECT_EQ(0, lstrcmpiA(c.expected, buffer)) << c.what << ": " << buffer;
        }
    }
    // The remote code must be a DWORD: a string, a QWORD or four raw bytes do not count.
    for (DWORD type : {static_cast<DWORD>(REG_SZ), static_cast<DWORD>(REG_BINARY),
                       static_cast<DWORD>(REG_QWORD)}) {
        ASSERT_TRUE(WriteRaw(buttonKey, "Remote Code", type,
                             type == REG_QWORD ? static_cast<const void*>(&wide) : &number,
                             type == REG_QWORD ? 8 : 4));
        DWORD code = 77;
        EXPECT_EQ(0, Kivrel_GetProfileDWord("Buttons\\Button 0", "Remote Code", &code)) << type;
    }
    std::printf("registry types: %zu string cases and 3 remote-code cases read\n",
                sizeof cases / sizeof cases[0]);
}

TEST_F(KivrelTypes, APanelValueOfTheWrongTypeKeepsTheMenuFromStarting)
{
    ASSERT_TRUE(testskin::WriteFiles(bench::BinDir()));
    ASSERT_TRUE(bench::SetDisplayMode(1024, 768));
    testskin::WriteSettings(HKEY_CURRENT_USER, 0);
    const std::string file = testskin::TemplateFile(2);
    ASSERT_TRUE(WriteRaw(panelKey, "Region Template Mode 3", REG_BINARY, file.c_str(),
                         static_cast<DWORD>(file.size() + 1)));
    // A window of the agent's class spares the menu its wait.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MorvixRemoteCtrl4VelnorWndClass";
    RegisterClassA(&wc);
    HWND agent = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    bench::Process menu;
    ASSERT_TRUE(bench::StartInBin(menu, "tilebox.exe", ""));
    DWORD code = STILL_ACTIVE;
    bool windowSeen = false;
    for (int i = 0; i < 200 && code == STILL_ACTIVE; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        windowSeen = windowSeen || bench::WaitForWindow("MorvixFullScreenMenuDemoForVelnorWndClass",
                                                        0, menu.Id()) != nullptr;
        code = menu.WaitExit(50);
    }
    DestroyWindow(agent);
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(windowSeen);
}

}  // namespace
