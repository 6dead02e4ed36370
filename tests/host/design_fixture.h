/* A fresh temporary directory and a closed design area for each test. */
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "host/sim/design/design.h"

class DesignTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::design::resetForTests();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("dgn_" + std::to_string(getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        sim::design::resetForTests();
        std::filesystem::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    /* Open (creating) NAME and fail the test when it cannot. */
    void openFile(const std::string& name) {
        std::string error;
        ASSERT_TRUE(sim::design::open(path(name), true, error)) << error;
    }
    std::filesystem::path dir_;
};
