/* winspool's printer table and mpr's network names. */
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlplot.h"
#include "host/sim/design/design.h"
#include "host/win/win.h"
#include "win_fixture.h"

namespace {

using PrinterTest = WinTest;

const char TABLE[] =
    "# printers of the office\n"
    "[Plotter A3]\n"
    "server = \\\\printsrv\n"
    "share = A3-Plot\n"
    "port = \\\\printsrv\\A3-Plot\n"
    "spool = \\\\printsrv\\spool\\a3\n"
    "default = yes\n"
    "[Desk]\n"
    "port = LPT1:\n"
    "spool = C:\\spool\\desk\n";

TEST_F(PrinterTest, EnumeratesLevelTwoWithTheSizeThenDataProtocol) {
    write(drive("cfg/printers.ini"), TABLE);
    define("_HOST_PRINTERS", "C:\\cfg\\printers.ini");
    define("_HOST_NETWORK", (root / "net").string());
    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_GT(needed, 2 * sizeof(PRINTER_INFO_2A));
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 2u);
    auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
    EXPECT_STREQ(info[0].pServerName, "\\\\printsrv");
    EXPECT_STREQ(info[0].pPrinterName, "Plotter A3");
    EXPECT_STREQ(info[0].pShareName, "A3-Plot");
    EXPECT_TRUE(info[0].Attributes & PRINTER_ATTRIBUTE_DEFAULT);
    EXPECT_EQ(info[1].pServerName, nullptr); /* a local printer */
    EXPECT_STREQ(info[1].pPortName, "LPT1:");
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ(returned, 1u);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 3, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));

    /* Printing sends files to the spool folder, through the network for a share. */
    write(drive("doc.txt"), "page");
    EXPECT_EQ(std::system("print /D:\\\\printsrv\\A3-Plot C:\\doc.txt"), 0);
    EXPECT_EQ(read(root / "net/printsrv/spool/a3/doc.txt"), "page");
    EXPECT_EQ(std::system("print /D:Nowhere C:\\doc.txt"), 1);
}

TEST_F(PrinterTest, APlotToAPrinterOfTheTableIsPrintedThere) {
    write(drive("cfg/printers.ini"), TABLE);
    define("_HOST_PRINTERS", "C:\\cfg\\printers.ini");
    write(drive("plt/desk.plt"), "name = Desk\nprinter = Desk\npaper A4 = 210 297\n");
    define("MS_PLTR", "C:\\plt\\");
    std::string error;
    ASSERT_TRUE(sim::design::open((root / "c/route.design").string(), true, error)) << error;
    Dpoint3d box[5] = {{0, 0, 0}, {100000, 0, 0}, {100000, 50000, 0}, {0, 50000, 0}, {0, 0, 0}};
    MSElement shape;
    ASSERT_EQ(mdlShape_create(&shape, nullptr, box, 5, 0), 0);
    ASSERT_NE(mdlElement_add(&shape), 0u);
    ASSERT_EQ(mdlFence_fromShape(&shape), 0);
    PlotDesc* desc = nullptr;
    ASSERT_EQ(mdlPlotDesc_createFromTCBAndPltFile(&desc, "desk"), 0);
    ASSERT_EQ(mdlPlotDesc_setFenceFromTCB(desc), 0);
    /* Two jobs, two files in the printer's spool folder; none anywhere else. */
    ASSERT_EQ(mdlPlotDesc_plot(desc, nullptr), 0);
    ASSERT_EQ(mdlPlotDesc_plot(desc, nullptr), 0);
    mdlPlotDesc_destroy(&desc);
    sim::design::close();
    std::vector<std::string> jobs;
    for (const auto& e : std::filesystem::directory_iterator(drive("spool/desk")))
        jobs.push_back(e.path().filename().string());
    std::sort(jobs.begin(), jobs.end());
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_TRUE(jobs[0].starts_with("route_") && jobs[0].ends_with(".pdf")) << jobs[0];
    EXPECT_EQ(read(drive("spool/desk") / jobs[0]).substr(0, 5), "%PDF-");
}

TEST_F(PrinterTest, NetworkDrivesGiveUniversalNames) {
    define("_HOST_NETWORK", (root / "net").string());
    define("_HOST_DRIVE_P", "\\\\Files\\Projects");
    write(root / "net/Files/Projects/a/plan.dgn", "x");
    EXPECT_EQ(sim::hostPath("P:\\A\\PLAN.DGN"), (root / "net/Files/Projects/a/plan.dgn").string());
    alignas(UNIVERSAL_NAME_INFOA) char buffer[260];
    DWORD size = sizeof buffer;
    ASSERT_EQ(WNetGetUniversalNameA("P:\\a\\plan.dgn", UNIVERSAL_NAME_INFO_LEVEL, buffer, &size), static_cast<DWORD>(NO_ERROR));
    EXPECT_STREQ(reinterpret_cast<UNIVERSAL_NAME_INFOA*>(buffer)->lpUniversalName, "\\\\Files\\Projects\\a\\plan.dgn");
    size = 8;
    EXPECT_EQ(WNetGetUniversalNameA("P:\\a\\plan.dgn", UNIVERSAL_NAME_INFO_LEVEL, buffer, &size), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_GT(size, 8u);
    size = sizeof buffer;
    EXPECT_EQ(WNetGetUniversalNameA("C:\\x", UNIVERSAL_NAME_INFO_LEVEL, buffer, &size), static_cast<DWORD>(ERROR_NOT_CONNECTED));
    EXPECT_EQ(WNetGetUniversalNameA("plan.dgn", UNIVERSAL_NAME_INFO_LEVEL, buffer, &size), static_cast<DWORD>(ERROR_BAD_DEVICE));
}

/* Any table text is read without failing; every printer read has a name. */
TEST(PrinterTable, ArbitraryInputIsReadSafely) {
    std::mt19937 random(3);
    const std::vector<std::string> pieces = {"[", "]", "P", "=", "server", "share", "default", "yes", "\n", " ", "#", ";", "x"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int n = random() % 30; n > 0; --n)
            text += round % 4 ? pieces[random() % pieces.size()] : std::string(1, static_cast<char>(random() % 256));
        std::vector<win::Printer> printers;
        std::string error;
        win::parsePrinterTable(text, printers, error);
        for (const auto& p : printers) ASSERT_FALSE(p.name.empty()) << text;
    }
}

}  // namespace
