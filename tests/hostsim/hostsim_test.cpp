/* The hostsim program's command line, start-up and stopping rules, run as
** a child process in a scratch folder. */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "support/tempdir.h"

namespace {

class Hostsim : public ::testing::Test, protected TempDir {
protected:
    void SetUp() override { writeFile("ws.cfg", "_HOST_DRIVE_B = $(_HOSTSIM_BIN)../\nMS_MDL = B:\\mdlapps\\\n"); }
    /* Run hostsim with ARGS in the scratch folder; OUTPUT gets stdout then stderr. */
    int run(const std::string& args) {
        std::string cmd = "cd '" + dir + "' && '" ZM_BIN_DIR "/hostsim' " + args + " 2>stderr.txt";
        FILE* p = ::popen(cmd.c_str(), "r");
        output.clear();
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) output.append(buf, n);
        int status = ::pclose(p);
        output += readFile(path("stderr.txt"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string output;
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(Hostsim, PredefinedFoldersInitAppsAndTheOutputFormat) {
    writeFile("ws.cfg",
          "_HOST_DRIVE_B = $(_HOSTSIM_BIN)../\nMS_MDL = B:\\mdlapps\\\nMS_INITAPPS = minimal\n"
          "MINIMAL_GREETING = [$(_HOSTSIM_SESSION)|$(_HOSTSIM_CWD)]\n");
    writeFile("scripts/s.session", "# nothing but a comment\n\nkeyin mdl unload minimal\n");
    ASSERT_EQ(run("--workspace ws.cfg scripts/s.session"), 0) << output;
    EXPECT_EQ(output, "minimal: [" + path("scripts/") + "|" + path("") + "]\n"
                      "minimal: loaded from minimal.so as task MINIMAL through MS_INITAPPS\n"
                      "minimal: message 1 of list 1, from my own resource file\n"
                      "[status] Minimal is ready\n"
                      "minimal: unloading (type 0)\n"
                      "[host] Unloaded application MINIMAL\n");
}

TEST_F(Hostsim, WorkspaceAndInitAppProblemsStopBeforeTheSession) {
    writeFile("s.session", "keyin mdl load minimal\n");
    writeFile("bad.cfg", "GOOD = 1\nthis is not an assignment\n");
    EXPECT_EQ(run("--workspace bad.cfg s.session"), 1);
    EXPECT_TRUE(contains(output, "hostsim: workspace: " + path("bad.cfg") + ":2: expected NAME = value")) << output;
    EXPECT_FALSE(contains(output, "minimal:")) << output;

    EXPECT_EQ(run("--workspace missing.cfg s.session"), 1);
    EXPECT_TRUE(contains(output, "cannot open workspace missing.cfg")) << output;

    writeFile("init.cfg", "MS_MDL = " ZM_MDLAPPS_DIR "\nMS_INITAPPS = nosuch\n");
    EXPECT_EQ(run("--workspace init.cfg s.session"), 1);
    EXPECT_TRUE(contains(output, "hostsim: MS_INITAPPS: Cannot find application nosuch")) << output;
}

TEST_F(Hostsim, CommandLineForms) {
    EXPECT_EQ(run(""), 2);
    EXPECT_TRUE(contains(output, "usage: hostsim"));
    EXPECT_EQ(run("--bogus s.session"), 2);
    EXPECT_EQ(run("--workspace ws.cfg nothere.session"), 1);
    EXPECT_TRUE(contains(output, "cannot open session nothere.session")) << output;
    /* A verb with arguments runs without a script. */
    EXPECT_EQ(run("--workspace ws.cfg define NAME value"), 0) << output;
    EXPECT_EQ(output, "");
    EXPECT_EQ(run("--workspace=ws.cfg define BAD-NAME value"), 1);
    EXPECT_TRUE(contains(output, "hostsim: define: define: bad variable name")) << output;
    EXPECT_EQ(run("frobnicate a b"), 1);
    EXPECT_TRUE(contains(output, "unknown verb frobnicate")) << output;
}

TEST_F(Hostsim, DumpOfADamagedFileIsAMessageAndStatusOne) {
    writeFile("make.session", "open f.design\nkeyin place line\npoint 0 0\npoint 1 1\nsave\n");
    ASSERT_EQ(run("--workspace ws.cfg make.session"), 0) << output;
    /* A position no file of this host hands out. */
    ASSERT_EQ(std::system(("sqlite3 '" + path("f.design") +
                           "' 'UPDATE elements SET key = (1 << 32) + 4294967295 WHERE key = (1 << 32) + 1'")
                              .c_str()),
              0);
    EXPECT_EQ(run("dump f.design"), 1);
    EXPECT_TRUE(contains(output, "hostsim: dump: f.design: element 4294967295 of model Default lies beyond")) << output;
}
