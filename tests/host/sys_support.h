/* Helpers of the system-area tests: a fresh host and a scratch folder. */
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

namespace systest {

/* A test with empty configuration, no applications, an empty output log
** and its own scratch folder (removed afterwards). */
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::resetApplications();
        sim::resetConfiguration();
        sim::clearOutputLog();
        std::string tmpl = (std::filesystem::temp_directory_path() / "simsys-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl + "/";
    }
    void TearDown() override {
        sim::resetApplications();
        sim::resetConfiguration();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    /* Write TEXT to the scratch file NAME (folders made as needed); its path. */
    std::string write(const std::string& name, const std::string& text) {
        std::filesystem::path p = dir + name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string dir;  /* scratch folder, with a trailing '/' */
};

}  // namespace systest
