/* The command interpreter: internal commands on Windows paths, batch files,
** programs, exit statuses; and its line parser against odd input. */
#include <windows.h>

#include <random>

#include "host/win/programs/cmd/interpreter.h"
#include "win_fixture.h"

namespace {

using CmdTest = WinTest;

/* Run LINE through the interpreter program; its exit status. */
int shell(const std::string& line) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION info;
    std::string writable = std::string(ZM_BIN_DIR "/cmd /C ") + line;
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

TEST_F(CmdTest, FileCommandsWorkOnWindowsPathsWithWindowsStatuses) {
    write(drive("Data/Report.TXT"), "report");
    EXPECT_EQ(shell("mkdir C:\\out\\deep"), 0);
    EXPECT_EQ(shell("md C:\\out\\deep"), 1); /* exists */
    EXPECT_EQ(shell("copy c:\\data\\report.txt C:\\out"), 0);
    EXPECT_EQ(read(drive("out/Report.TXT")), "report");
    EXPECT_EQ(shell("ren C:\\out\\report.txt final.txt"), 0);
    EXPECT_EQ(shell("move C:\\out\\final.txt C:\\out\\deep"), 0);
    EXPECT_EQ(read(drive("out/deep/final.txt")), "report");
    EXPECT_EQ(shell("xcopy C:\\out C:\\copy /E /I"), 0);
    EXPECT_EQ(read(drive("copy/deep/final.txt")), "report");
    EXPECT_EQ(shell("del C:\\out\\deep\\*.txt"), 0);
    EXPECT_FALSE(std::filesystem::exists(drive("out/deep/final.txt")));
    EXPECT_EQ(shell("del C:\\out\\deep\\gone.txt"), 1);
    EXPECT_EQ(shell("copy C:\\none.txt C:\\out"), 1);
    EXPECT_EQ(shell("dir C:\\nothing*"), 1);
    EXPECT_EQ(shell("dir /b C:\\copy"), 0);
    EXPECT_EQ(shell("del /Z C:\\x"), 1); /* an unknown switch */
}

TEST_F(CmdTest, BatchFilesRunTheirLinesWithTheirArguments) {
    write(drive("jobs/run.bat"), "@echo off\r\nrem make the folder\r\nmkdir C:\\made\\%1\r\ncopy %2 C:\\made\\%1\r\nexit /b 4\r\n");
    write(drive("jobs/RUN2.CMD"), "@del C:\\made\\first\\in.txt\r\n@nosuchprogram\r\n");
    write(drive("in.txt"), "in");
    EXPECT_EQ(shell("C:\\jobs\\run.bat first C:\\in.txt"), 4);
    EXPECT_EQ(read(drive("made/first/in.txt")), "in");
    EXPECT_EQ(shell("c:\\JOBS\\run2.cmd"), 9009); /* the status of its last line */
    EXPECT_FALSE(std::filesystem::exists(drive("made/first/in.txt")));
}

TEST_F(CmdTest, OtherCommandsRunAsPrograms) {
    EXPECT_EQ(shell("/bin/sh -c \"exit 5\""), 5);
    EXPECT_EQ(shell("true"), 0);
}

/* The parser takes any line apart without failing, and keeps its
** arguments and their quoting marks in step. */
TEST(CmdParser, OddLinesAreTakenApartSafely) {
    EXPECT_EQ(cmd::parseLine("cd..").command, "cd");
    EXPECT_EQ(cmd::parseLine("dir/b C:\\x").arguments, (std::vector<std::string>{"/b", "C:\\x"}));
    EXPECT_TRUE(cmd::parseLine("dir > x.txt").unsupported);
    EXPECT_FALSE(cmd::parseLine("copy \"a > b\" c").unsupported);
    std::vector<std::string> args{"run.bat", "one"};
    EXPECT_EQ(cmd::expandLine("x %1 %9 %% %*", &args), "x one  % one");
    std::mt19937 random(9);
    const std::string alphabet = "ab /\\\"%:.*?@<>|&^=,;\t1";
    for (int round = 0; round < 5000; ++round) {
        std::string line;
        for (int n = random() % 30; n > 0; --n)
            line += round % 5 ? alphabet[random() % alphabet.size()] : static_cast<char>(random() % 256);
        cmd::ParsedLine p = cmd::parseLine(line);
        ASSERT_EQ(p.arguments.size(), p.quoted.size()) << line;
        ASSERT_LE(p.command.size(), line.size());
        cmd::expandLine(line, &args);
        cmd::expandLine(line, nullptr);
    }
}

}  // namespace
