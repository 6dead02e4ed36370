/* What the preview, the material lists and the tests reach of the print
** set-up: the shared record, its stored layout, defaults and persistence, and
** the preview's stored dialog size. */
#pragma once

#include <cstdint>
#include "host/mdltypes.h"
#include "lib/output/printsetup.h"

namespace zmlib::printsetup {

enum : uint32_t {
    RTYPE_SETUP = 0x50745365,     /* 'PtSe' */
    RTYPE_OLD_SETUP = 0x50725344, /* 'PrSD': the record without its plot driver file */
    RTYPE_DIALOG_SIZE = 0x466F4461, /* 'FoDa' */
    STORED_SIZE = 840,
    OLD_STORED_SIZE = 584,
    DIALOG_SIZE_BYTES = 8,
};
enum : int32_t { RSCID_SETUP = 20002, RSCID_OLD_SETUP = 20001, RSCID_DIALOG_SIZE = 20001 };
enum : int { DEFAULT_DIALOG_WIDTH = 600, DEFAULT_DIALOG_HEIGHT = 400 };

/* The shared record; null before the first application started. */
ZmPrinterSetup* record();

/* Pack RECORD into OUT (STORED_SIZE bytes) field by field, little-endian. */
void pack(const ZmPrinterSetup& record, uint8_t* out);
/* Unpack SIZE bytes (STORED_SIZE, or OLD_STORED_SIZE for 'PrSD') into
** RECORD; fields past SIZE are left. Texts are ended inside their slots. */
void unpack(const uint8_t* in, uint32_t size, ZmPrinterSetup& record);

/* The table's defaults: A4 portrait, the default printer, the print file in
** c:\temp\ (else MS_TMP) and the default plot driver file. */
void setDefaults(ZmPrinterSetup& record);
/* The default plot driver file as found along MS_PLTR, "" when none is. */
void findDefaultPlotDriver(char* out, size_t size);

/* Fill the shared record from the host's user preference file: 'PtSe',
** else 'PrSD' with the default plot driver file, else the defaults. A file
** that cannot be opened gives the defaults only with DEFAULTSWITHOUTFILE. */
void load(bool defaultsWithoutFile = true);
/* Store the shared record as 'PtSe'. ZMLIB_SUCCESS, else ZMLIB_ERROR after
** telling the user. */
int save();

/* The preview dialog's stored size; the defaults when none is stored. */
void loadDialogSize(int* width, int* height);
void saveDialogSize(int width, int height);

/* Publish the set-up dialog's hooks and load the record (library start-up). */
void startUp();

}  // namespace zmlib::printsetup
