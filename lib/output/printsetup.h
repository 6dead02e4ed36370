/* The print set-up record shared by every application ("zmlibpsd"), and the
** printer set-up dialog 20006 that edits it. Lengths are millimetres. */
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include "lib/zmlib_api.h"

/* Output kinds beyond the print layer's driver codes. */
enum : int32_t { ZMLIB_OUTPUT_SYSTEM_PRINTER = 6 };

/* Orientation modes. */
enum : int32_t {
    ZMLIB_ORIENT_TURN = 0,   /* turn the page contents a quarter turn */
    ZMLIB_ORIENT_KEEP = 1,
    ZMLIB_ORIENT_AUTO = 2,
};

/* The record as dialog items and the print run see it; the user preference
** file keeps it packed (printsetup_int.h). */
struct ZmPrinterSetup {
    int32_t paperCode;       /*   0 print layer paper code; 0 a free size */
    int32_t unused0;         /*   4 */
    double paperWidth;       /*   8 */
    double paperHeight;      /*  16 */
    double marginLeft;       /*  24 */
    double marginRight;      /*  32 */
    double marginTop;        /*  40 */
    double marginBottom;     /*  48 */
    int32_t orientation;     /*  56 ZMLIB_ORIENT_* */
    int32_t outputKind;      /*  60 driver code, or ZMLIB_OUTPUT_SYSTEM_PRINTER */
    int32_t copies;          /*  64 */
    char printer[255];       /*  68 port, print command template or system printer */
    char printFile[257];     /* 323 print file; for the system printer its paper name */
    int32_t printToFileOnly; /* 580 1: the file is not sent */
    char plotDriver[256];    /* 584 plot driver file (*.plt) */
};
static_assert(sizeof(ZmPrinterSetup) == 840 && offsetof(ZmPrinterSetup, printer) == 68 &&
              offsetof(ZmPrinterSetup, printFile) == 323 && offsetof(ZmPrinterSetup, printToFileOnly) == 580 &&
              offsetof(ZmPrinterSetup, plotDriver) == 584);
static_assert(std::is_trivially_copyable_v<ZmPrinterSetup>);
#define ZMPRINTERSETUP_FIELDS(F)                                                                           \
    F(paperCode) F(unused0) F(paperWidth) F(paperHeight) F(marginLeft) F(marginRight) F(marginTop)         \
    F(marginBottom) F(orientation) F(outputKind) F(copies) F(printer) F(printFile) F(printToFileOnly)      \
    F(plotDriver)

/* Open the printer set-up dialog modally: its answer (3 for OK, when the
** record is also stored in the user preference file). */
extern "C" ZMLIB_API int zmlibPrintSet_dialogOpen(void);
