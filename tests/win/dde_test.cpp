/* DDE with the spreadsheet program as the server: connecting before and
** after it runs, the commands it carries out on a real workbook (read back
** by an independent reader), refusals, and the wire format against odd
** input. */
#include <windows.h>

#include <ddeml.h>

#include <random>

#include "host/win/win.h"
#include "win_fixture.h"

namespace {

class DdeTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        ASSERT_EQ(DdeInitializeA(&instance, callback, APPCMD_CLIENTONLY, 0), static_cast<UINT>(DMLERR_NO_ERROR));
        service = DdeCreateStringHandleA(instance, "Excel", CP_WINANSI);
        topic = DdeCreateStringHandleA(instance, "system", CP_WINANSI);
    }
    void TearDown() override {
        DdeUninitialize(instance);
        if (process) { /* it would serve until this process ends: the reset waits for it */
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
        WinTest::TearDown();
    }
    /* Start the spreadsheet program as a user's program would; it serves
    ** until this process (its desktop) ends. */
    void startSpreadsheet() {
        STARTUPINFOA startup;
        GetStartupInfoA(&startup);
        PROCESS_INFORMATION info;
        std::string line = ZM_BIN_DIR "/spreadsheet /e";
        ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
        CloseHandle(info.hThread);
        process = info.hProcess;
    }
    bool execute(HCONV c, const std::string& command) {
        std::string bytes = command;
        HDDEDATA d = DdeClientTransaction(reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size() + 1), c,
                                          nullptr, 0, XTYP_EXECUTE, 5000, nullptr);
        return d != nullptr;
    }
    static HDDEDATA CALLBACK callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
        seen.push_back(type);
        return nullptr;
    }
    void makeTemplate(const std::filesystem::path& p) {
        std::string script = "import openpyxl\nfrom openpyxl.styles import Font\nwb = openpyxl.Workbook()\nws = wb.active\n"
                             "ws.title = 'Form'\nws['A1'] = 'Material list'\nws['A1'].font = Font(bold=True)\n"
                             "ws['A2'] = '%01%date'\nws['B2'] = '%01%weight'\nws['C2'] = 'left %01%unused'\n"
                             "wb.save('" + p.string() + "')\n";
        std::filesystem::create_directories(p.parent_path());
        write(root / "make.py", script);
        ASSERT_EQ(std::system(("/usr/bin/python3 " + (root / "make.py").string()).c_str()), 0);
    }
    static std::string independentReading(const std::filesystem::path& book) {
        std::string out;
        FILE* p = ::popen(("xlsx2csv -a " + book.string()).c_str(), "r");
        char line[1024];
        while (p && std::fgets(line, sizeof line, p)) out += line;
        if (p) ::pclose(p);
        return out;
    }
    DWORD instance = 0;
    HSZ service = nullptr, topic = nullptr;
    HANDLE process = nullptr;
    static std::vector<UINT> seen;
};
std::vector<UINT> DdeTest::seen;

TEST_F(DdeTest, ConnectsOnceTheServerRunsAndFillsATemplateCopy) {
    EXPECT_EQ(DdeConnect(instance, service, topic, nullptr), nullptr);
    EXPECT_EQ(DdeGetLastError(instance), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
    makeTemplate(drive("forms/form.xlsx"));
    std::filesystem::create_directories(drive("out"));
    std::filesystem::copy_file(drive("forms/form.xlsx"), drive("out/list.xlsx"));
    startSpreadsheet();
    HCONV c = DdeConnect(instance, service, topic, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(DdeConnect(instance, service, DdeCreateStringHandleA(instance, "Book1", CP_WINANSI), nullptr), nullptr);
    const char* const commands[] = {
        "[open(\"C:\\OUT\\list.xlsx\")]", "[OPTIONS.GENERAL(2)]", "[OPTIONS.VIEW(,,,,,,,,,,,,,,FALSE)]",
        "[WORKBOOK.COPY(\"Form\",\"C:\\OUT\\list.xlsx\")]", "[WORKBOOK.ACTIVATE(\"Form (2)\")]",
        "[WORKBOOK.NAME(\"Form (2)\",\"Pipes\")]", "[SELECT(\"R100C1\")]", "[FORMULA(\"%01%weight\")]",
        "[FORMULA.REPLACE(\"%01%weight\",\"12,5\")]", "[FORMULA.REPLACE(\"%01%date\",\"08.12.2026\")]",
        "[FORMULA.REPLACE(\"%*\",\"\")]", "[CLEAR(1)]", "[SELECT(\"R1C1\")]",
        "[WORKBOOK.MOVE(\"Form\",\"C:\\OUT\\list.xlsx\")]", "[WORKBOOK.ACTIVATE(\"Pipes\")]", "[OPTIONS.GENERAL(1)]",
        "[OPTIONS.VIEW(,,,,,,,,,,,,,,TRUE)]", "[SAVE()]"};
    for (const char* command : commands) EXPECT_TRUE(execute(c, command)) << command;
    EXPECT_EQ(independentReading(drive("out/list.xlsx")),
              "-------- 1 - Pipes\nMaterial list,,\n08.12.2026,12.5,left \n"
              "-------- 2 - Form\nMaterial list,,\n%01%date,%01%weight,left %01%unused\n");

    /* Refused: unknown commands, bad syntax, a quote that would end the text. */
    EXPECT_FALSE(execute(c, "[QUIT()]"));
    EXPECT_EQ(DdeGetLastError(instance), static_cast<UINT>(DMLERR_NOTPROCESSED));
    EXPECT_FALSE(execute(c, "[FORMULA(\"a\"][SAVE()]"));
    EXPECT_FALSE(execute(c, "[WORKBOOK.ACTIVATE(\"Nowhere\")]"));
    EXPECT_TRUE(execute(c, "[FORMULA(\"say \"\"hi\"\"\")]"));
    EXPECT_TRUE(DdeDisconnect(c));
    EXPECT_FALSE(DdeDisconnect(c));
}

TEST_F(DdeTest, TheCallbackHearsOfAsynchronousTransactionsAndOfTheServerGoing) {
    startSpreadsheet();
    HCONV c = DdeConnect(instance, service, topic, nullptr);
    ASSERT_NE(c, nullptr);
    seen.clear();
    std::string command = "[SELECT(\"A1\")]";
    DWORD transaction = 0;
    EXPECT_NE(DdeClientTransaction(reinterpret_cast<BYTE*>(command.data()), static_cast<DWORD>(command.size() + 1), c,
                                   nullptr, 0, XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction), nullptr);
    EXPECT_NE(transaction, 0u);
    ASSERT_TRUE(TerminateProcess(process, 1));
    CloseHandle(process);
    process = nullptr;
    EXPECT_EQ(DdeClientTransaction(reinterpret_cast<BYTE*>(command.data()), static_cast<DWORD>(command.size() + 1), c,
                                   nullptr, 0, XTYP_EXECUTE, 5000, nullptr), nullptr);
    EXPECT_EQ(seen, (std::vector<UINT>{static_cast<UINT>(XTYP_XACT_COMPLETE), static_cast<UINT>(XTYP_DISCONNECT)}));
}

/* Frames cut anywhere, or made of anything, decode or are refused, never misread. */
TEST(DdeFrames, ArbitraryBytesAreDecodedSafely) {
    win::DdeFrame f{'E', 7, std::string("[SAVE()]\0", 9)};
    std::string wire = win::encodeDdeFrame(f) + win::encodeDdeFrame({'D', 8, {}});
    for (size_t cut = 0; cut < wire.size(); ++cut) {
        std::string part = wire.substr(0, cut);
        win::DdeFrame got;
        int r = win::decodeDdeFrame(part, got);
        ASSERT_EQ(r, cut >= 4 + 5 + 9 ? 1 : 0) << cut;
    }
    win::DdeFrame got;
    ASSERT_EQ(win::decodeDdeFrame(wire, got), 1);
    EXPECT_EQ(got.payload, f.payload);
    EXPECT_EQ(got.transaction, 7u);
    std::mt19937 random(11);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes;
        for (int n = random() % 24; n > 0; --n) bytes += static_cast<char>(random() % 256);
        size_t before = bytes.size();
        int r = win::decodeDdeFrame(bytes, got);
        ASSERT_TRUE(r == 1 ? bytes.size() < before : bytes.size() == before);
        if (r == 1) ASSERT_TRUE(std::string("CERPDAN").find(got.kind) != std::string::npos);
    }
}

}  // namespace
