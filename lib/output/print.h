/* The print layer: one of the four writers chosen by a driver code, paper
** sizes, element descriptors mapped onto a page area, and sending the
** finished file to a port or through a print command. Page areas, widths
** and sizes are in millimetres on the paper. */
#pragma once

#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

struct MSElementDescr;

/* Driver codes; every other code opens and writes nothing. */
enum : int {
    ZMLIB_PRINT_POSTSCRIPT = 0,
    ZMLIB_PRINT_HPGL = 1,
    ZMLIB_PRINT_TEXT = 4,
    ZMLIB_PRINT_PCL = 5,
};

/* Paper codes 1 to 12 (A0 portrait and landscape down to A5): WIDTH and
** HEIGHT get the size, other codes leave them. The code is kept either way. */
extern "C" ZMLIB_API void zmlibPrint_getPageSize(double* width, double* height, int paperCode);
/* Open FILENAME with the writer of DRIVERTYPE: its open result (1 open, 0
** not); 1 for a code without a writer. */
extern "C" ZMLIB_API int zmlibPrint_fopen(const char* fileName, int driverType);
extern "C" ZMLIB_API void zmlibPrint_newPage(void);
extern "C" ZMLIB_API void zmlibPrint_fclose(void);
/* Print DESCR fitted and centred into the area at (ORIGINX, ORIGINY) of
** WIDTH x HEIGHT: the elements of level code 63 first, beneath the rest. */
extern "C" ZMLIB_API void zmlibPrint_printElementDescr(MSElementDescr* descr, double originX, double originY,
                                                       double width, double height);
/* Copy FILENAME onto PORT (configuration variables expanded) COPIES times:
** 0, or the status of the first copy that failed. */
extern "C" ZMLIB_API int zmlibPrint_sendFileToPrinterPort(const char* fileName, const char* port, int copies);
/* Send FILENAME to PRINTER: a port ("LPT1" to "LPT9", or starting with "$"
** or "\"), or a print command template whose "%s" is the file and "%d" the
** number of copies, several commands separated by ";". */
extern "C" ZMLIB_API void zmlibPrint_sendFileToPrinter(const char* fileName, const char* printer, int copies);
