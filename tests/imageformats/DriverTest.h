// Base of the tests that run the end-to-end driver on pictures: a scratch
// folder per test for the inputs and outputs, and a run of the driver in it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/fixtures/E2ERun.h"
#include "tests/fixtures/ScratchFolder.h"

namespace img::testing {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { folder_ = fixtures::MakeScratchFolder("driver"); }
    void TearDown() override { fixtures::RemoveScratchFolder(folder_); }
    std::string Path(const char* name) const { return (folder_ / name).string(); }
    fixtures::E2ERun Run(const std::vector<std::string>& args) const {
        return fixtures::RunE2E(MIRELAN_E2E_BINARY, args, folder_.string());
    }

private:
    std::filesystem::path folder_;
};

}  // namespace img::testing
