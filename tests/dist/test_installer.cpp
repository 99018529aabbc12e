// The installer as a user or an administrator runs it, silently, in the test prefix: what it puts
// in place, what the installed menu shows, what the uninstaller takes away and what it leaves.
//
// Every test installs and uninstalls by itself. The fixture sets aside an earlier install and both
// settings trees first and puts them back afterwards, so the other suites find the prefix as
// they left it.
#include "default_skin_layout.h"
#include "outside/kivrel.h"
#include "tests/bench/bench.h"
#include "tests/dist/picture.h"

#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

using defaultSkin::buttons;
using defaultSkin::modes;

const char menuClass[] = "MorvixFullScreenMenuDemoForVelnorWndClass";
const char uninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tilebox";
const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char appKey[] = "Software\\Velnor\\Tilebox";
const char backupKey[] = "Software\\TileboxInstallerTestBackup";

// The installer is built on the Unix side; Wine sees the Unix root as drive Z:.
std::string SetupPath()
{
    std::string path = "Z:" + std::string(TILEBOX_SETUP_EXE);
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

DWORD RunToEnd(const std::string& commandLine, DWORD timeoutMs = 60000)
{
    bench::Process process;
    return process.Start(commandLine) ? process.WaitExit(timeoutMs) : STILL_ACTIVE;
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool ReadValue(HKEY root, const std::string& path, const char* name, DWORD& type,
               std::string& data)
{
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer,
                     &size) != ERROR_SUCCESS) {
        return false;
    }
    data.assign(buffer, type == REG_SZ && size > 0 ? size - 1 : size);
    return true;
}

std::string ReadString(HKEY root, const std::string& path, const char* name)
{
    DWORD type = 0;
    std::string data;
    return ReadValue(root, path, name, type, data) && type == REG_SZ ? data : "<none>";
}

DWORD ReadDWord(HKEY root, const std::string& path, const char* name)
{
    DWORD type = 0;
    std::string data;
    if (!ReadValue(root, path, name, type, data) || type != REG_DWORD || data.size() != 4) {
        return 0xFFFFFFFF;
    }
    return *reinterpret_cast<const DWORD*>(data.data());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes of every file in the folder and the folders below it.
unsigned long long FolderBytes(const std::string& folder)
{
    unsigned long long total = 0;
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        const std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            total += name == "." || name == ".." ? 0 : FolderBytes(folder + "\\" + name);
        } else {
            total +=
                static_cast<unsigned long long>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return total;
}

int FindMode(int width, int height)
{
    for (int mode = 0; mode < defaultSkin::sizeCount; ++mode) {
        if (modes[mode].width == width && modes[mode].height == height) {
            return mode;
        }
    }
    return -1;
}

std::string FolderPath(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string InstallLocation()
{
    return ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "InstallLocation");
}

bool Install(const std::string& options = "")
{
    return RunToEnd("\"" + SetupPath() + "\" /S" + options) == 0;
}

// Runs the uninstaller the way Add/Remove Programs does. It hands its work to a copy of itself
// in the temporary folder and ends at once, so the end of the work is waited for by its traces.
bool Uninstall()
{
    std::string location = InstallLocation();
    std::string quiet = ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "QuietUninstallString");
    if (RunToEnd(quiet) != 0) {
        return false;
    }
    for (int i = 0; i < 300; ++i) {
        if (!FileExists(location + "\\uninstall.exe") &&
            !KeyExists(HKEY_LOCAL_MACHINE, uninstallKey)) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

bool CopyTree(HKEY fromRoot, const std::string& fromPath, HKEY toRoot, const std::string& toPath)
{
    HKEY from = nullptr;
    HKEY to = nullptr;
    if (RegOpenKeyExA(fromRoot, fromPath.c_str(), 0, KEY_READ, &from) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = RegCreateKeyExA(toRoot, toPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &to, nullptr) == ERROR_SUCCESS &&
              RegCopyTreeA(from, nullptr, to) == ERROR_SUCCESS;
    RegCloseKey(from);
    if (to != nullptr) {
        RegCloseKey(to);
    }
    return ok;
}

// Screen pixels that differ from the picture, on a grid over the whole screen.
int CountScreenMismatches(const Picture& picture)
{
    HDC screen = GetDC(nullptr);
    int mismatches = 0;
    for (int y = 1; y < picture.height; y += 23) {
        for (int x = 2; x < picture.width; x += 29) {
            mismatches += GetPixel(screen, x, y) != picture.At(x, y);
        }
    }
    ReleaseDC(nullptr, screen);
    return mismatches;
}

std::string ReadKivrelString(const char* key, const char* value)
{
    char buffer[256] = {};
    return Kivrel_GetProfileStringEx(key, value, buffer, sizeof buffer, 1, nullptr, 0) ? buffer
                                                                                        : "<none>";
}

std::string RectangleText(const RECT& r)
{
    char text[128];
    std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return text;
}

// The six buttons, in the order the menu enumerates them, with their rectangles for every size,
// codes and commands, as the profile store serves them.
void ExpectButtonsServedAsDrawn(int searchMachineTree)
{
    for (int b = 0; b < 7; ++b) {
        char name[256] = {};
        DWORD size = sizeof name;
        int found = Kivrel_EnumKeyName("Buttons", b, name, &size, searchMachineTree);
        if (b == 6) {
            EXPECT_EQ(0, found) << "a seventh button: " << name;
            break;
        }
        ASSERT_NE(0, found) << "button " << b;
        EXPECT_STREQ(buttons[b].keyName, name);
        std::string key = std::string("Buttons\\") + name;
        for (int mode = 0; mode < defaultSkin::sizeCount; ++mode) {
            std::string value = std::string("Rectangle ") + modes[mode].sizeName;
            EXPECT_EQ(RectangleText(buttons[b].rect[mode]),
                      ReadKivrelString(key.c_str(), value.c_str()));
        }
        DWORD code = 0;
        EXPECT_NE(0, Kivrel_GetProfileDWord(key.c_str(), "Remote Code", &code));
        EXPECT_EQ(buttons[b].remoteCode, code) << name;
        char command[256] = {};
        int hasCommand = Kivrel_GetProfileString(key.c_str(), "Command", command, sizeof command);
        EXPECT_EQ(buttons[b].command != nullptr, hasCommand != 0) << name;
        EXPECT_STREQ(buttons[b].command ? buttons[b].command : "", command);
    }
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bench::TopLevelWindowsOfClass(menuClass).empty())
            << "a menu from an earlier test is still running";
        ASSERT_TRUE(FileExists(SetupPath())) << SetupPath();
        earlierInstall = KeyExists(HKEY_LOCAL_MACHINE, uninstallKey);
        earlierLogonStart = ReadString(HKEY_LOCAL_MACHINE, runKey, "Tilebox") != "<none>";
        if (earlierInstall) {
            ASSERT_TRUE(Uninstall()) << "the install found in the prefix did not uninstall";
        }
        bench::DeleteTree(HKEY_CURRENT_USER, backupKey);
        savedMachine = CopyTree(HKEY_LOCAL_MACHINE, appKey, HKEY_CURRENT_USER,
                                std::string(backupKey) + "\\Machine");
        savedUser = CopyTree(HKEY_CURRENT_USER, appKey, HKEY_CURRENT_USER,
                             std::string(backupKey) + "\\User");
        bench::DeleteTree(HKEY_LOCAL_MACHINE, appKey);
        bench::DeleteTree(HKEY_CURRENT_USER, appKey);
        ASSERT_TRUE(bench::SetDisplayMode(1024, 768));
    }

    void TearDown() override
    {
        agent.Kill();
        if (!bench::TopLevelWindowsOfClass(menuClass).empty()) {
            RunToEnd("\"" + InstallLocation() + "\\tilebox.exe\" Close", 10000);
        }
        if (KeyExists(HKEY_LOCAL_MACHINE, uninstallKey)) {
            EXPECT_TRUE(Uninstall());
        }
        bench::SetDisplayMode(1024, 768);
        bench::DeleteTree(HKEY_LOCAL_MACHINE, appKey);
        bench::DeleteTree(HKEY_CURRENT_USER, appKey);
        if (savedMachine) {
            CopyTree(HKEY_CURRENT_USER, std::string(backupKey) + "\\Machine", HKEY_LOCAL_MACHINE,
                     appKey);
        }
        if (savedUser) {
            CopyTree(HKEY_CURRENT_USER, std::string(backupKey) + "\\User", HKEY_CURRENT_USER,
                     appKey);
        }
        bench::DeleteTree(HKEY_CURRENT_USER, backupKey);
        if (earlierInstall) {
            EXPECT_TRUE(Install(earlierLogonStart ? " /LOGON" : ""));
        }
    }

    // The menu waits for the remote-control agent at start when none runs; a stand-in that
    // answers at once keeps the tests short. Nothing here clicks a button, so it gets no work.
    void StartAgent()
    {
        std::string log = bench::MakeTempDir("dist-agent") + "messages.log";
        ASSERT_TRUE(bench::StartInBin(agent, "fake_agent.exe", "\"" + log + "\""));
        ASSERT_NE(nullptr, bench::WaitForHiddenWindow("MorvixRemoteCtrl4VelnorWndClass", 10000));
    }

    bool StartInstalledMenu(bench::Process& menu)
    {
        return menu.Start("\"" + InstallLocation() + "\\tilebox.exe\"") &&
               bench::WaitForWindow(menuClass, 20000, menu.Id()) != nullptr;
    }

    DWORD CloseInstalledMenu(bench::Process& menu)
    {
        EXPECT_EQ(0u, RunToEnd("\"" + InstallLocation() + "\\tilebox.exe\" Close", 10000));
        return menu.WaitExit(10000);
    }

    bool earlierInstall = false;
    bool earlierLogonStart = false;
    bool savedMachine = false;
    bool savedUser = false;
    bench::Process agent;
};

TEST_F(Installer, SilentInstallPutsFilesRegistrationAndShortcutsInPlace)
{
    ASSERT_TRUE(Install());
    std::string location = InstallLocation();
    EXPECT_EQ(FolderPath(CSIDL_PROGRAM_FILES) + "\\Velnor\\Tilebox", location);

    for (const char* file : {"tilebox.exe", "Kivrel.dll", "Osmant.dll", "Tarvik.dll"}) {
        EXPECT_EQ(ReadFileBytes(bench::BinDir() + file), ReadFileBytes(location + "\\" + file))
            << file;
    }
    EXPECT_TRUE(FileExists(location + "\\uninstall.exe"));
    for (const defaultSkin::Mode& mode : modes) {
        for (const char* file : {mode.normalFile, mode.selectedFile, mode.templateFile}) {
            const std::string built = ReadFileBytes(bench::BinDir() + file);
            EXPECT_FALSE(built.empty()) << file;
            EXPECT_TRUE(built == ReadFileBytes(location + "\\" + file)) << file;
        }
    }
    for (const char* file : {"skins\\defaults-machine.reg", "skins\\defaults-user.reg", "tileskin.exe",
                             "tileskinw.exe",
                             "default-tiles.ini", "DejaVuSans-Bold.ttf"}) {
        EXPECT_TRUE(FileExists(location + "\\" + file)) << file;
    }
    // Every size's pictures together stay small enough for a quick download and install.
    const unsigned long long skinBytes = FolderBytes(location + "\\skins");
    std::printf("installed default skin: %d sizes, %llu bytes\n", defaultSkin::sizeCount,
                skinBytes);
    EXPECT_GT(skinBytes, 0u);
    EXPECT_LE(skinBytes, 20000000u);

    EXPECT_EQ("Tilebox", ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayName"));
    EXPECT_EQ("Velnor", ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "Publisher"));
    EXPECT_NE("<none>", ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayVersion"));
    EXPECT_EQ("\"" + location + "\\uninstall.exe\"",
              ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString"));
    EXPECT_EQ("\"" + location + "\\uninstall.exe\" /S",
              ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "QuietUninstallString"));
    EXPECT_EQ(location + "\\tilebox.exe,0",
              ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayIcon"));
    // The size is given in kilobytes and measured over the installed folder.
    const DWORD size = ReadDWord(HKEY_LOCAL_MACHINE, uninstallKey, "EstimatedSize");
    const unsigned long long installedKb = FolderBytes(location) / 1024;
    EXPECT_GT(installedKb, 0u);
    EXPECT_NEAR(static_cast<double>(installedKb), static_cast<double>(size),
                installedKb / 10.0 + 16);

    std::string programs = FolderPath(CSIDL_COMMON_PROGRAMS) + "\\Tilebox\\";
    EXPECT_TRUE(FileExists(programs + "Tilebox.lnk"));
    EXPECT_TRUE(FileExists(programs + "Close Tilebox.lnk"));
    EXPECT_TRUE(FileExists(programs + "Edit my Tilebox skin.lnk"));
    EXPECT_TRUE(FileExists(programs + "Apply my Tilebox skin.lnk"));
    EXPECT_FALSE(FileExists(programs + "Make a Tilebox skin.lnk")) << "no command prompt";
    // A silent install does not start the menu at logon unless asked to.
    EXPECT_EQ("<none>", ReadString(HKEY_LOCAL_MACHINE, runKey, "Tilebox"));

    // The closing shortcut closes a running menu.
    StartAgent();
    bench::Process menu;
    ASSERT_TRUE(StartInstalledMenu(menu));
    std::string closeLink = programs + "Close Tilebox.lnk";
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.lpFile = closeLink.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute));
    EXPECT_EQ(18u, menu.WaitExit(15000));
}

TEST_F(Installer, MachineWideDefaultsAreServedThroughKivrelAsTheSkinIsDrawn)
{
    ASSERT_TRUE(Install());
    ASSERT_NE(0, Kivrel_SetUserProfileInfo(nullptr, "Velnor\\Tilebox"));
    for (const defaultSkin::Mode& mode : modes) {
        const std::string size = mode.sizeName;
        EXPECT_EQ(mode.normalFile, ReadKivrelString("Panel", ("Normal Bitmap " + size).c_str()));
        EXPECT_EQ(mode.selectedFile,
                  ReadKivrelString("Panel", ("Selected Bitmap " + size).c_str()));
        EXPECT_EQ(mode.templateFile,
                  ReadKivrelString("Panel", ("Region Template " + size).c_str()));
        // Each named file is there, relative to the installed program's folder.
        EXPECT_TRUE(FileExists(InstallLocation() + "\\" + mode.normalFile));
    }
    ExpectButtonsServedAsDrawn(1);
    // The menu ships without an agent: the installer sets no wait for one.
    DWORD agentWait = 99;
    EXPECT_NE(0, Kivrel_GetProfileDWord("", "Agent Wait", &agentWait));
    EXPECT_EQ(0u, agentWait);
    // The machine-wide tree only: a reader that may not fall back to it finds no button.
    char name[256] = {};
    DWORD size = sizeof name;
    EXPECT_EQ(0, Kivrel_EnumKeyName("Buttons", 0, name, &size, 0));

    // The installed checker, reading what the installed menu reads, finds every size loading.
    const std::string dir = bench::MakeTempDir("installed-check");
    EXPECT_EQ(0u, RunToEnd("\"" + InstallLocation() + "\\skincheck.exe\" --preview \"" + dir +
                           ".\" --out \"" + dir + "report.txt\""));
    std::ifstream report(dir + "report.txt");
    const std::string text((std::istreambuf_iterator<char>(report)),
                           std::istreambuf_iterator<char>());
    for (int i = 0; i < defaultSkin::sizeCount; ++i) {
        const std::string size =
            std::to_string(modes[i].width) + "x" + std::to_string(modes[i].height);
        const std::string summary =
            i < defaultSkin::classicCount
                ? "mode " + std::to_string(i + 1) + " (" + size + "): loads, 0 errors, 0 warnings"
                : "size " + size + ": loads, 0 errors, 0 warnings";
        EXPECT_NE(std::string::npos, text.find(summary)) << summary << "\n" << text;
    }
    EXPECT_NE(std::string::npos, text.find("(exit 0)")) << text;
}

TEST_F(Installer, InstalledMenuShowsTheDefaultPanelAtEachResolution)
{
    ASSERT_TRUE(Install());
    StartAgent();
    const int fullHd = FindMode(1920, 1080);
    const int ultraHd = FindMode(3840, 2160);
    ASSERT_NE(-1, fullHd);
    ASSERT_NE(-1, ultraHd);
    Picture normal;
    ASSERT_TRUE(LoadPicture(bench::BinDir() + modes[2].normalFile, normal));

    // During the start period the whole lit panel shows, at the screen's own size: two classic
    // ones, today's most common TV size and 4K.
    for (int mode : {0, 1, fullHd, ultraHd}) {
        SCOPED_TRACE(modes[mode].sizeName);
        Picture selected;
        ASSERT_TRUE(LoadPicture(bench::BinDir() + modes[mode].selectedFile, selected));
        ASSERT_TRUE(bench::SetDisplayMode(modes[mode].width, modes[mode].height));
        bench::Process menu;
        ASSERT_TRUE(StartInstalledMenu(menu));
        POINT p = buttons[0].sample[mode];
        EXPECT_EQ(defaultSkin::litTile,
                  bench::WaitForScreenPixel(p.x, p.y, defaultSkin::litTile, 5000));
        EXPECT_EQ(0, CountScreenMismatches(selected));
        EXPECT_EQ(18u, CloseInstalledMenu(menu));
    }
    // Sizes the skin does not draw are served from the nearest it does, stretched: the menu
    // starts at 1360x768 (from 1366x768) and follows a change to 4096x2160 (from 3840x2160).
    ASSERT_TRUE(bench::SetDisplayMode(1360, 768));
    bench::Process fitted;
    ASSERT_TRUE(StartInstalledMenu(fitted));
    const struct {
        int width, height, served;
    } fittedSizes[] = {{1360, 768, FindMode(1366, 768)}, {4096, 2160, ultraHd}};
    for (const auto& size : fittedSizes) {
        ASSERT_NE(-1, size.served);
        ASSERT_TRUE(bench::SetDisplayMode(size.width, size.height));
        const POINT p = buttons[0].sample[size.served];
        const int x = p.x * size.width / modes[size.served].width;
        const int y = p.y * size.height / modes[size.served].height;
        EXPECT_EQ(defaultSkin::litTile, bench::WaitForScreenPixel(x, y, defaultSkin::litTile, 5000))
            << size.width << "x" << size.height;
    }
    EXPECT_EQ(18u, CloseInstalledMenu(fitted));
    Picture selected;
    ASSERT_TRUE(LoadPicture(bench::BinDir() + modes[2].selectedFile, selected));

    // At 1024 x 768: lit, then unlit once active; a press lights exactly the pressed tile, and a
    // press in a rectangle's corner, outside the rounded tile, lights nothing.
    ASSERT_TRUE(bench::SetDisplayMode(1024, 768));
    bench::Process menu;
    ASSERT_TRUE(StartInstalledMenu(menu));
    POINT internet = buttons[0].sample[2];
    POINT mail = buttons[1].sample[2];
    EXPECT_EQ(defaultSkin::litTile,
              bench::WaitForScreenPixel(internet.x, internet.y, defaultSkin::litTile, 5000));
    EXPECT_EQ(0, CountScreenMismatches(selected));
    EXPECT_EQ(defaultSkin::normalTile,
              bench::WaitForScreenPixel(internet.x, internet.y, defaultSkin::normalTile, 16000));
    EXPECT_EQ(0, CountScreenMismatches(normal));

    bench::MouseDown(internet.x, internet.y);
    EXPECT_EQ(defaultSkin::litTile,
              bench::WaitForScreenPixel(internet.x, internet.y, defaultSkin::litTile, 3000));
    EXPECT_EQ(defaultSkin::normalTile, bench::ScreenPixel(mail.x, mail.y));
    bench::MouseUp(3, 3);
    EXPECT_EQ(defaultSkin::normalTile,
              bench::WaitForScreenPixel(internet.x, internet.y, defaultSkin::normalTile, 3000));

    const RECT& r = buttons[0].rect[2];
    bench::MouseDown(r.left + 1, r.top + 1);
    Sleep(500);
    EXPECT_EQ(defaultSkin::normalTile, bench::ScreenPixel(internet.x, internet.y));
    EXPECT_EQ(normal.At(r.left + 1, r.top + 1), bench::ScreenPixel(r.left + 1, r.top + 1));
    bench::MouseUp(3, 3);

    EXPECT_TRUE(menu.IsRunning());
    EXPECT_EQ(18u, CloseInstalledMenu(menu));
}

TEST_F(Installer, UninstallClosesTheMenuRemovesItsTracesAndKeepsTheUsersOwnSettings)
{
    ASSERT_TRUE(Install(" /LOGON"));
    std::string location = InstallLocation();
    EXPECT_EQ("\"" + location + "\\tilebox.exe\"",
              ReadString(HKEY_LOCAL_MACHINE, runKey, "Tilebox"));

    // A user's personal copy of the defaults, with one setting of their own.
    EXPECT_EQ(0u, RunToEnd("reg.exe import \"" + location + "\\skins\\defaults-user.reg\""));
    ASSERT_TRUE(bench::WriteString(HKEY_CURRENT_USER, std::string(appKey) + "\\Panel",
                                   "Normal Bitmap Mode 1", "my-panel.bmp"));

    StartAgent();
    bench::Process menu;
    ASSERT_TRUE(StartInstalledMenu(menu));
    ASSERT_TRUE(Uninstall());
    EXPECT_EQ(18u, menu.WaitExit(10000)) << "the uninstaller did not close the running menu";

    EXPECT_FALSE(FileExists(location));
    EXPECT_FALSE(FileExists(FolderPath(CSIDL_PROGRAM_FILES) + "\\Velnor"));
    EXPECT_FALSE(FileExists(FolderPath(CSIDL_COMMON_PROGRAMS) + "\\Tilebox"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, appKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Velnor"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    EXPECT_EQ("<none>", ReadString(HKEY_LOCAL_MACHINE, runKey, "Tilebox"));

    ASSERT_NE(0, Kivrel_SetUserProfileInfo(nullptr, "Velnor\\Tilebox"));
    EXPECT_EQ("my-panel.bmp", ReadKivrelString("Panel", "Normal Bitmap Mode 1"));
    EXPECT_EQ(modes[2].normalFile, ReadKivrelString("Panel", "Normal Bitmap Mode 3"));
    ExpectButtonsServedAsDrawn(0);
}

TEST_F(Installer, InstallingOverAnInstallUpgradesInPlace)
{
    ASSERT_TRUE(Install(" /LOGON"));
    std::string location = InstallLocation();
    StartAgent();
    bench::Process menu;
    ASSERT_TRUE(StartInstalledMenu(menu));
    // A button left over from an older skin would make a seventh; a lost file comes back.
    ASSERT_TRUE(bench::WriteDWord(HKEY_LOCAL_MACHINE, std::string(appKey) + "\\Buttons\\0 Old",
                                  "Remote Code", 320));
    ASSERT_TRUE(DeleteFileA((location + "\\skins\\Default\\normal-800x600.bmp").c_str()));

    ASSERT_TRUE(Install());
    EXPECT_EQ(18u, menu.WaitExit(10000)) << "the installer did not close the running menu";

    EXPECT_EQ(location, InstallLocation());
    EXPECT_TRUE(FileExists(location + "\\skins\\Default\\normal-800x600.bmp"));
    EXPECT_TRUE(FileExists(location + "\\uninstall.exe"));
    // The upgrade keeps the logon start that the first install was asked for.
    EXPECT_EQ("\"" + location + "\\tilebox.exe\"",
              ReadString(HKEY_LOCAL_MACHINE, runKey, "Tilebox"));
    ASSERT_NE(0, Kivrel_SetUserProfileInfo(nullptr, "Velnor\\Tilebox"));
    ExpectButtonsServedAsDrawn(1);

    bench::Process again;
    ASSERT_TRUE(StartInstalledMenu(again));
    EXPECT_EQ(18u, CloseInstalledMenu(again));
}

}  // namespace
