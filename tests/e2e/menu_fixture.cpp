#include "tests/e2e/menu_fixture.h"

#include "tests/bench/test_skin.h"

#include <fstream>

const char menuClass[] = "MorvixFullScreenMenuDemoForVelnorWndClass";
const char agentClass[] = "MorvixRemoteCtrl4VelnorWndClass";

void MenuFixture::SetUp()
{
    ASSERT_TRUE(bench::TopLevelWindowsOfClass(menuClass).empty())
        << "a menu from an earlier test is still running";
    ASSERT_TRUE(bench::SetDisplayMode(1024, 768));
    ASSERT_TRUE(testskin::WriteFiles(bench::BinDir()));
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    testskin::WriteSettings(HKEY_CURRENT_USER, 0);
    agentLog = bench::MakeTempDir("agent") + "messages.log";
    ASSERT_TRUE(StartAgent());
}

void MenuFixture::TearDown()
{
    StopAgent();
    testskin::DeleteSettings(HKEY_CURRENT_USER);
    bench::SetDisplayMode(1024, 768);
    // Every process a test starts is ended by its own Process object; this only waits for the
    // windows of ended processes to be gone, so the next test starts on a clean desktop.
    for (int i = 0; i < 100 && !bench::TopLevelWindowsOfClass(menuClass).empty(); ++i) {
        Sleep(50);
    }
}

bool MenuFixture::StartMenu(bench::Process& menu, const std::string& tail, DWORD timeoutMs)
{
    if (!bench::StartInBin(menu, "tilebox.exe", tail)) {
        return false;
    }
    return bench::WaitForWindow(menuClass, timeoutMs, menu.Id()) != nullptr;
}

HWND MenuFixture::MenuWindow() const
{
    return FindWindowA(menuClass, nullptr);
}

bool MenuFixture::StartAgent(const std::string& extraArguments)
{
    std::string tail = "\"" + agentLog + "\"";
    if (!extraArguments.empty()) {
        tail += " " + extraArguments;
    }
    if (!bench::StartInBin(agent, "fake_agent.exe", tail)) {
        return false;
    }
    if (extraArguments.find("--delay-ms") != std::string::npos) {
        return true;
    }
    return bench::WaitForHiddenWindow(agentClass, 10000) != nullptr;
}

void MenuFixture::StopAgent()
{
    agent.Kill();
    for (int i = 0; i < 100 && !bench::TopLevelWindowsOfClass(agentClass).empty(); ++i) {
        Sleep(50);
    }
}

std::vector<std::string> MenuFixture::AgentMessages() const
{
    std::vector<std::string> lines;
    std::ifstream log(agentLog);
    std::string line;
    while (std::getline(log, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> MenuFixture::ProbeAccessible(int pressChild) const
{
    const std::string output = bench::MakeTempDir("probe") + "probe.txt";
    bench::Process probe;
    std::vector<std::string> lines;
    if (!bench::StartInBin(probe, "accessible_probe.exe",
                           "\"" + output + "\" --press " + std::to_string(pressChild)) ||
        probe.WaitExit(15000) != 0) {
        return lines;
    }
    std::ifstream file(output);
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

void MenuFixture::SetRemoteCode(DWORD code)
{
    testskin::WriteSettings(HKEY_CURRENT_USER, code);
}

// Wine prefers its own xinput1_4.dll to the file in the system folder unless told otherwise for
// that program; a changed WINEDLLOVERRIDES does not reach a process started from a Windows one.
static const char standInOverrideKey[] = "Software\\Wine\\AppDefaults\\tilebox.exe";

// The menu loads XInput from the system folder only. The tests' route to it is their own Wine
// prefix's system folder, where the stand-in replaces Wine's file while the object lives.
static std::string SystemXInput()
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\xinput1_4.dll";
}

static std::string SavedXInput()
{
    return SystemXInput() + ".tilebox-saved";
}

GamepadStandIn::GamepadStandIn()
{
    bench::WriteString(HKEY_CURRENT_USER, std::string(standInOverrideKey) + "\\DllOverrides",
                       "xinput1_4", "native");
    const std::string standIn = bench::BinDir() + "xinput-standin\\xinput1_4.dll";
    if (GetFileAttributesA(SavedXInput().c_str()) == INVALID_FILE_ATTRIBUTES) {
        MoveFileExA(SystemXInput().c_str(), SavedXInput().c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    if (!CopyFileA(standIn.c_str(), SystemXInput().c_str(), FALSE)) {
        return;
    }
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 sizeof(FakeXInputBlock), FAKE_XINPUT_BLOCK_NAME);
    if (mapping != nullptr) {
        block = static_cast<FakeXInputBlock*>(
            MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FakeXInputBlock)));
    }
    if (block != nullptr) {
        ZeroMemory(block, sizeof *block);
    }
}

GamepadStandIn::~GamepadStandIn()
{
    bench::DeleteTree(HKEY_CURRENT_USER, standInOverrideKey);
    DeleteFileA(SystemXInput().c_str());
    MoveFileExA(SavedXInput().c_str(), SystemXInput().c_str(), MOVEFILE_REPLACE_EXISTING);
    if (block != nullptr) {
        UnmapViewOfFile(block);
    }
    if (mapping != nullptr) {
        CloseHandle(mapping);
    }
}

void GamepadStandIn::Press(int slot, WORD buttons, DWORD holdMs)
{
    block->pads[slot].wButtons = buttons;
    InterlockedOr(&block->connectedSlots, 1 << slot);
    Sleep(holdMs);
    block->pads[slot].wButtons = 0;
    Sleep(holdMs);
}

bool StartMenuWithGamepad(bench::Process& menu, DWORD timeoutMs)
{
    std::string dir = bench::MakeTempDir("gamepad");
    std::string bin = bench::BinDir();
    for (const char* file : {"tilebox.exe", "Kivrel.dll", "Osmant.dll", "Tarvik.dll"}) {
        if (!CopyFileA((bin + file).c_str(), (dir + file).c_str(), FALSE)) {
            return false;
        }
    }
    if (!CopyFileA((bin + "xinput-standin\\xinput1_4.dll").c_str(), (dir + "xinput1_4.dll").c_str(),
                   FALSE) ||
        !testskin::WriteFiles(dir)) {
        return false;
    }
    bool started = menu.Start("\"" + dir + "tilebox.exe\"");
    return started && bench::WaitForWindow(menuClass, timeoutMs, menu.Id()) != nullptr;
}
