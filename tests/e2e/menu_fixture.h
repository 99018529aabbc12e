// Starts the real menu for end-to-end tests and cleans up after it.
#pragma once

#include "tests/bench/bench.h"

#include <gtest/gtest.h>

class MenuFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts tilebox.exe with the tail and waits for its window; false if none came.
    bool StartMenu(bench::Process& menu, const std::string& tail = "", DWORD timeoutMs = 15000);
};
