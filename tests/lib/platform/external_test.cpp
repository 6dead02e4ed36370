/* External programs and Windows services of the library: which lines go
** through the shell, waiting or not, the registry's two hives, printers,
** network names and what the spreadsheet is sent over DDE. */
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/win/win.h"
#include "lib/library_messages.h"
#include "lib/platform/external.h"
#include "lib/platform/win32.h"
#include "lib/platform/win32_int.h"

namespace fs = std::filesystem;

namespace {

class ExternalTest : public LibraryMessagesTest {
protected:
    sim::CurrentApplicationScope* scope = nullptr;
    void SetUp() override {
        LibraryMessagesTest::SetUp();
        sim::defineVariable("_HOST_DRIVE_C", dir + "/c/", CFGVAR_LEVEL_USER);
        sim::defineVariable("COMSPEC", ZM_BIN_DIR "/cmd", CFGVAR_LEVEL_USER);
        scope = new sim::CurrentApplicationScope(app);
    }
    void TearDown() override {
        zmlib::win32::resetForTests();
        delete scope;
        LibraryMessagesTest::TearDown();
    }
    fs::path drive(const std::string& rest) { return fs::path(dir) / "c" / rest; }
    void write(const fs::path& p, const std::string& text, bool program = false) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        if (program) fs::permissions(p, fs::perms::owner_all, fs::perm_options::add);
    }
};

TEST_F(ExternalTest, LinesGoThroughTheShellOnlyForItsOwnCommandsAndBatchFiles) {
    write(drive("x.txt"), "x");
    write(drive("jobs/run.bat"), "@mkdir C:\\from_bat\r\n@exit /b 3\r\n");
    write(drive("jobs/RUN.CMD"), "@mkdir C:\\from_cmd\r\n");
    write(drive("bin/prog"), "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args.txt\"\nexit 6\n", true);
    int wait = 0;
    EXPECT_EQ(zmlibExternal_executeCommandLine("del C:\\x.txt", &wait), 0);
    EXPECT_EQ(wait, 0);
    EXPECT_FALSE(fs::exists(drive("x.txt")));
    EXPECT_EQ(zmlibExternal_executeCommandLine("C:\\jobs\\run.bat", &wait), 0);
    EXPECT_EQ(wait, 3);
    EXPECT_EQ(zmlibExternal_executeCommandLine("c:\\jobs\\RUN.CMD now", &wait), 0);
    EXPECT_TRUE(fs::is_directory(drive("from_bat")) && fs::is_directory(drive("from_cmd")));
    EXPECT_EQ(zmlibExternal_executeCommandLine("C:\\bin\\prog one two", &wait), 0);
    EXPECT_EQ(wait, 6);
    ASSERT_EQ(sim::startedPrograms().size(), 4u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(sim::startedPrograms()[i].program, ZM_BIN_DIR "/cmd") << i;
    EXPECT_EQ(sim::startedPrograms()[3].program, drive("bin/prog").string()); /* directly */
    std::ifstream args(drive("bin/args.txt"));
    std::string line;
    std::getline(args, line);
    EXPECT_EQ(line, "one two");
}

TEST_F(ExternalTest, MinusOneNeverWaitsAndAFailedStartIsReported) {
    write(drive("bin/slow"), "#!/bin/sh\nsleep 2\n", true);
    int wait = -1;
    auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(zmlibExternal_executeProgram("C:\\bin\\slow", nullptr, &wait), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(wait, -1);
    EXPECT_EQ(zmlibExternal_executeProgram("C:\\bin\\none", "a b", &wait), ZMLIB_ERROR);
    EXPECT_NE(sim::consoleText().find("Error executing external program\n<C:\\bin\\none a b>\nErrorcode -101\n"),
              std::string::npos) << sim::consoleText();
    sim::defineVariable("COMSPEC", "", CFGVAR_LEVEL_USER);
    EXPECT_EQ(zmlibExternal_executeShellCommand("dir", nullptr, &wait), ZMLIB_ERROR);
}

TEST_F(ExternalTest, DirectProcessesAndTheirBoundedLines) {
    EXPECT_EQ(zmlibWin32_execCommand("mkdir", "C:\\made"), 0);
    EXPECT_TRUE(fs::is_directory(drive("made")));
    EXPECT_EQ(zmlibWin32_execCommand("nosuchprogram", nullptr), 9009);
    EXPECT_EQ(zmlibWin32_execCommand(std::string(1100, 'x').c_str(), nullptr), ZMLIB_ERROR);
    EXPECT_NE(zmlibWin32_execCommandAndWait("/bin/sh", "-c \"exit 2\"", 0), 0);
    ASSERT_EQ(win::createdProcesses().size(), 1u);
    EXPECT_EQ(win::createdProcesses()[0].showWindow, 0); /* hidden */
    EXPECT_TRUE(win::createdProcesses()[0].lowPriority);
    EXPECT_EQ(zmlibWin32_execCommandAndWait("C:\\none.exe", nullptr, 1), 0);
    EXPECT_EQ(zmlibWin32_execCommandAndWait("/bin/true", std::string(1100, 'x').c_str(), 1), 0);
}

TEST_F(ExternalTest, RegistryValuesComeFromTheUserThenTheMachine) {
    write(drive("reg/all.reg"),
          "Windows Registry Editor Version 5.00\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\Zm]\r\n\"Both\"=\"user\"\r\n\r\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Zm]\r\n\"Both\"=\"machine\"\r\n\"Root\"=\"C:\\\\Zm\\\\\"\r\n");
    sim::defineVariable("_HOST_REGISTRY", "C:\\reg\\all.reg", CFGVAR_LEVEL_USER);
    char data[64] = "";
    uint32_t type = 0;
    EXPECT_EQ(zmlibWin32_getRegistryValue("Software\\Zm", "Root", &type, data, sizeof data), 7); /* C:\Zm\ and its zero */
    EXPECT_STREQ(data, "C:\\Zm\\");
    EXPECT_EQ(type, 1u);
    EXPECT_EQ(zmlibWin32_getRegistryValue("Software\\Zm", "Both", nullptr, data, sizeof data), 5);
    EXPECT_STREQ(data, "user");
    EXPECT_EQ(zmlibWin32_getRegistryValue("Software\\None", "Both", nullptr, data, sizeof data), 0);
}

TEST_F(ExternalTest, OnlyNetworkPrintersAreListedAndNetworkNamesResolve) {
    write(drive("printers.ini"),
          "[Local]\nport = LPT1:\n[Plotter]\nserver = printsrv\nshare = A3\n[Laser]\nserver = \\\\printsrv\nport = IP_10\n");
    sim::defineVariable("_HOST_PRINTERS", "C:\\printers.ini", CFGVAR_LEVEL_USER);
    StringList* list = zmlibWin32_findWindowsPrinterNames();
    ASSERT_NE(list, nullptr);
    std::vector<std::string> members;
    for (int i = 0; i < mdlStringList_size(list); ++i) {
        const char* text = nullptr;
        mdlStringList_getMember(&text, nullptr, list, i);
        members.push_back(text);
    }
    EXPECT_EQ(members, (std::vector<std::string>{"Plotter", "\\\\printsrv\\A3", "Laser", "\\\\printsrv\\IP_10"}));
    EXPECT_EQ(mdlStringList_infoFieldCount(list), 2);
    mdlStringList_destroy(list);
    sim::defineVariable("_HOST_PRINTERS", "C:\\none.ini", CFGVAR_LEVEL_USER);
    EXPECT_EQ(zmlibWin32_findWindowsPrinterNames(), nullptr);

    sim::defineVariable("_HOST_DRIVE_P", "\\\\files\\projects\\", CFGVAR_LEVEL_USER);
    char unc[260] = "";
    EXPECT_EQ(zmlibWin32_getGetUniversalFileName("P:\\job\\a.dgn", unc), 1);
    EXPECT_STREQ(unc, "\\\\files\\projects\\job\\a.dgn");
    EXPECT_EQ(zmlibWin32_getGetUniversalFileName("C:\\job\\a.dgn", unc), 0);
}

/* A stand-in spreadsheet that records what it is sent and accepts it all. */
class RecordingServer {
public:
    RecordingServer() {
        listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        std::string name = win::ddeSocketName("Excel");
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path + 1, name.data(), name.size());
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size()));
        ::listen(listener, 4);
        thread = std::thread([this] { serve(); });
    }
    ~RecordingServer() {
        ::shutdown(listener, SHUT_RDWR);
        ::close(listener);
        thread.join();
    }
    std::vector<std::string> commands;
    std::vector<char> events; /* 'C' connect, 'D' disconnect, in order */

private:
    void serve() {
        for (int c; (c = ::accept(listener, nullptr, nullptr)) >= 0;) {
            std::string inbox;
            char buf[4096];
            bool open = true;
            for (ssize_t n; open && (n = ::recv(c, buf, sizeof buf, 0)) > 0;) {
                inbox.append(buf, static_cast<size_t>(n));
                win::DdeFrame f;
                while (open && win::decodeDdeFrame(inbox, f) == 1) {
                    if (f.kind == 'C' || f.kind == 'D') events.push_back(f.kind);
                    if (f.kind == 'D') open = false;
                    if (f.kind == 'E') commands.push_back(f.payload);
                    std::string answer = win::encodeDdeFrame({'A', f.transaction, {}});
                    if (open) ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
                }
            }
            ::close(c);
        }
    }
    int listener;
    std::thread thread;
};

TEST_F(ExternalTest, ReplacedTextsUseTheDecimalSeparatorAndAreQuoted) {
    EXPECT_EQ(zmlibWin32_DdeInitialize("Excel", "system"), ZMLIB_ERROR); /* nothing serves yet */
    EXPECT_EQ(zmlibWin32_DdeDisconnect(), 0);
    {
        RecordingServer server;
        ASSERT_EQ(zmlibWin32_DdeInitialize("Excel", "system"), 0);
        char weight[] = "12.5";
        zmlibWin32_DdeReplaceText("%01%weight", weight);
        EXPECT_STREQ(weight, "12,5"); /* changed in place */
        char date[] = "08.12.2026";
        zmlibWin32_DdeReplaceText("%01%date", date);
        char quoted[] = "6\" pipe\")][SAVE()][x(\"";
        zmlibWin32_DdeReplaceText("%01%text", quoted);
        std::string longValue(300, 'a');
        zmlibWin32_DdeReplaceText("%01%text", longValue.data());
        zmlibWin32_DdeSendMessage("[SAVE()]");
        EXPECT_EQ(zmlibWin32_DdeDisconnect(), 1);
        EXPECT_FALSE(zmlib::win32::ddeConnected());
        using namespace std::string_literals;
        EXPECT_EQ(server.commands, (std::vector<std::string>{
                                       "[FORMULA.REPLACE(\"%01%weight\",\"12,5\")]\0"s,
                                       "[FORMULA.REPLACE(\"%01%date\",\"08.12.2026\")]\0"s,
                                       "[FORMULA.REPLACE(\"%01%text\",\"6\"\" pipe\"\")][SAVE()][x(\"\"\")]\0"s,
                                       "[SAVE()]\0"s}));
    }
    EXPECT_NE(sim::consoleText().find("DDE command too long"), std::string::npos);
}

/* A second initialisation closes the first conversation rather than leaving it open. */
TEST_F(ExternalTest, ASecondInitialisationClosesTheFirstConversation) {
    std::vector<char> events;
    {
        RecordingServer server;
        ASSERT_EQ(zmlibWin32_DdeInitialize("Excel", "system"), 0);
        ASSERT_EQ(zmlibWin32_DdeInitialize("Excel", "system"), 0);
        zmlibWin32_DdeSendMessage("[SAVE()]");
        EXPECT_EQ(zmlibWin32_DdeDisconnect(), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        events = server.events;
    }
    EXPECT_EQ(events, (std::vector<char>{'C', 'D', 'C', 'D'}));
}

}  // namespace
