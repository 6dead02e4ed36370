/* kernel32's processes and command lines, msvcrt's system(). */
#include <windows.h>

#include <chrono>
#include <random>

#include "host/win/win.h"
#include "win_fixture.h"

namespace {

using ProcessTest = WinTest;

/* Start LINE hidden or shown; the process information (hProcess null when it failed). */
PROCESS_INFORMATION start(const std::string& line, WORD show = SW_SHOWNORMAL, DWORD flags = 0) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION info{};
    std::string writable = line;
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info))
        info.hProcess = nullptr;
    return info;
}

DWORD finish(PROCESS_INFORMATION& info) {
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_TRUE(CloseHandle(info.hThread));
    EXPECT_TRUE(CloseHandle(info.hProcess));
    return code;
}

TEST(CommandLine, SplitsAsWindowsProgramsDo) {
    using V = std::vector<std::string>;
    EXPECT_EQ(win::splitCommandLine(R"(  "C:\Program Files\x.exe" a  "b c" d\e)"),
              (V{R"(C:\Program Files\x.exe)", "a", "b c", R"(d\e)"}));
    EXPECT_EQ(win::splitCommandLine(R"(p a\\"b c" d\"e "f""g" h\\\"i)"),
              (V{"p", R"(a\b c)", R"(d"e)", R"(f"g)", R"(h\"i)"}));
    EXPECT_EQ(win::splitCommandLine(R"(p "" "unterminated rest)"), (V{"p", "", "unterminated rest"}));
    EXPECT_TRUE(win::splitCommandLine(" \t ").empty());
}

/* Whatever an argument holds, quoting it and splitting the line gives it
** back; and no line, however odd, breaks the splitter. */
TEST(CommandLine, QuotingRoundTripsAndOddLinesAreSafe) {
    std::mt19937 random(17);
    const std::string alphabet = "ab \t\"\\\\x\"";
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> args{"prog"};
        std::string line = "prog";
        for (int k = random() % 4; k >= 0; --k) {
            std::string a;
            for (int n = random() % 8; n > 0; --n) a += alphabet[random() % alphabet.size()];
            args.push_back(a);
            line += " " + win::quoteArgument(a);
        }
        ASSERT_EQ(win::splitCommandLine(line), args) << line;
        std::string noise;
        for (int n = random() % 40; n > 0; --n) noise += static_cast<char>(random() % 256);
        for (const std::string& w : win::splitCommandLine(noise)) ASSERT_LE(w.size(), noise.size());
    }
}

TEST_F(ProcessTest, WaitsWithAndWithoutLimitAndGivesTheExitStatus) {
    PROCESS_INFORMATION quick = start("/bin/sh -c \"exit 3\"", SW_HIDE, IDLE_PRIORITY_CLASS);
    ASSERT_NE(quick.hProcess, nullptr);
    EXPECT_EQ(finish(quick), 3u);
    ASSERT_EQ(win::createdProcesses().size(), 1u);
    EXPECT_EQ(win::createdProcesses()[0].showWindow, SW_HIDE);
    EXPECT_TRUE(win::createdProcesses()[0].lowPriority);
    EXPECT_EQ(win::createdProcesses()[0].arguments, (std::vector<std::string>{"-c", "exit 3"}));

    PROCESS_INFORMATION slow = start("sleep 5");
    ASSERT_NE(slow.hProcess, nullptr);
    EXPECT_EQ(WaitForSingleObject(slow.hProcess, 50), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(slow.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_TRUE(TerminateProcess(slow.hProcess, 9));
    EXPECT_EQ(WaitForSingleObject(slow.hThread, 0), WAIT_OBJECT_0); /* the thread ends with its process */
    EXPECT_EQ(finish(slow), 9u);
    EXPECT_FALSE(CloseHandle(slow.hProcess));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(slow.hProcess, 0), WAIT_FAILED);
}

/* A program that leaves a child running behind it is waited for, not its child. */
TEST_F(ProcessTest, AChildLeftRunningDoesNotHoldTheWait) {
    auto before = std::chrono::steady_clock::now();
    PROCESS_INFORMATION info = start("/bin/sh -c \"sleep 3 & exit 4\"");
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_EQ(finish(info), 4u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
}

TEST_F(ProcessTest, MissingProgramsAndUnsupportedFlagsFail) {
    EXPECT_EQ(start("C:\\nowhere\\none.exe a").hProcess, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(start("sleep 1", SW_SHOWNORMAL, CREATE_SUSPENDED).hProcess, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    EXPECT_TRUE(win::createdProcesses().empty());
}

/* Our programs report the whole 32-bit status, beyond what a process
** status holds: the interpreter's 9009 for a command it does not know. */
TEST_F(ProcessTest, TheInterpretersStatusesArriveWhole) {
    PROCESS_INFORMATION info = start(std::string(ZM_BIN_DIR "/cmd /C nosuchprogram arg"));
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_EQ(finish(info), 9009u);
    EXPECT_EQ(std::system("nosuchprogram"), 9009);
    write(drive("x.txt"), "x");
    EXPECT_EQ(std::system("del C:\\x.txt"), 0);
    EXPECT_FALSE(std::filesystem::exists(drive("x.txt")));
}

}  // namespace
