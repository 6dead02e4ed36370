/* A machine for the Windows layer's tests: drive C: in a fresh folder, the
** command interpreter as COMSPEC, and everything reset afterwards. */
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/system/system.h"

class WinTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::resetForTests();
        root = std::filesystem::temp_directory_path() /
               ("zm_win_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "c");
        define("_HOST_DRIVE_C", (root / "c").string() + "/");
        define("COMSPEC", ZM_BIN_DIR "/cmd");
    }
    void TearDown() override {
        sim::resetForTests();
        std::filesystem::remove_all(root);
    }
    void define(const std::string& name, const std::string& value) {
        sim::defineVariable(name, value, CFGVAR_LEVEL_USER);
    }
    /* The local path of C:\REST (REST with '/' or '\'). */
    std::filesystem::path drive(const std::string& rest) const { return root / "c" / rest; }
    void write(const std::filesystem::path& p, const std::string& text) const {
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::string read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::path root;
};
