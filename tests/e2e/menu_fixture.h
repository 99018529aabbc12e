// Starts the real menu for end-to-end tests, with the tests' own skin in the user's settings and
// the agent helper running (so that the menu does not wait for it), and cleans up after it.
#pragma once

#include "tests/bench/bench.h"

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

    // The remote code every button of the test skin gets (set before StartMenu).
    void SetRemoteCode(DWORD code);

    std::string agentLog;
    bench::Process agent;
};
