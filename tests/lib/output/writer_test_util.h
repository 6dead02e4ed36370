/* A fresh folder per test for the writers' files. */
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "host/sim/base/base.h"

class WriterTest : public ::testing::Test {
protected:
    std::filesystem::path dir;
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("zm_out_" + std::to_string(::getpid())) / (std::string(info->test_suite_name()) + "_" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        sim::clearOutputLog();
    }
    void TearDown() override {
        if (!HasFailure()) std::filesystem::remove_all(dir);
    }
    std::string path(const char* name) const { return (dir / name).string(); }
};
