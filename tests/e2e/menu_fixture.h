// Starts the real menu for end-to-end tests, with the tests' own skin in the user's settings and
// the agent helper running (so that the menu does not wait for it), and cleans up after it.
#pragma once

#include "tests/bench/bench.h"
#include "tests/helpers/fake_xinput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern const char menuClass[];
extern const char agentClass[];

class MenuFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts tilebox.exe with the tail and waits for its window; false if none came.
    bool StartMenu(bench::Process& menu, const std::string& tail = "", DWORD timeoutMs = 15000);
    HWND MenuWindow() const;

    // Starts the agent helper (logging into agentLog) and waits for its window.
    bool StartAgent(const std::string& extraArguments = "");
    void StopAgent();
    // The agent's log, one "message wParam lParam" line each.
    std::vector<std::string> AgentMessages() const;

    // The running menu as accessible_probe.exe reads it from its own process (its output's lines;
    // none when it failed), pressing child pressChild when it is not 0.
    std::vector<std::string> ProbeAccessible(int pressChild = 0) const;

    // The remote code every button of the test skin gets (set before StartMenu).
    void SetRemoteCode(DWORD code);

    std::string agentLog;
    bench::Process agent;
};

// The stand-in XInput library's control block, made by the test before the menu starts (every
// slot is empty until the test connects one), the stand-in in the prefix's system folder, and the
// prefix's setting that has Wine load it for tilebox.exe rather than its own; all go with the
// object.
class GamepadStandIn {
  public:
    GamepadStandIn();
    ~GamepadStandIn();
    GamepadStandIn(const GamepadStandIn&) = delete;
    GamepadStandIn& operator=(const GamepadStandIn&) = delete;
    bool Ready() const
    {
        return block != nullptr;
    }
    FakeXInputBlock* operator->() const
    {
        return block;
    }
    // Sets slot's buttons (connecting it) and lets the menu read them for a moment.
    void Press(int slot, WORD buttons, DWORD holdMs = 400);

  private:
    HANDLE mapping = nullptr;
    FakeXInputBlock* block = nullptr;
};

// Starts a copy of tilebox.exe and its libraries from a folder of its own, with the test skin and
// a planted copy of the stand-in xinput1_4.dll beside it, which the menu must never load.
bool StartMenuWithGamepad(bench::Process& menu, DWORD timeoutMs = 15000);
