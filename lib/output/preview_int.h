/* What start-up and the tests reach of the print preview: the orientation
** decision, printing one page, the print run and the hooks. */
#pragma once

#include "lib/core/main.h"
#include "lib/output/preview.h"
#include "lib/output/printsetup.h"

namespace zmlib::preview {

/* The orientation of DESCR on the paper of SETUP: ZMLIB_ORIENT_TURN or
** ZMLIB_ORIENT_KEEP (modes 0 and 1 answer themselves; mode 2 turns when the
** drawing and the paper are not both tall or both wide). */
int decideOrientation(const ZmPrinterSetup& setup, MSElementDescr* descr);

/* Print DESCR into the set-up's paper less its margins, turned a quarter
** turn (text angle offset 90) when the orientation says so. SHOWN: the
** descriptor on show, which is turned back afterwards. */
void printPage(MSElementDescr* descr, bool shown);

/* The preview's print button: confirm or ask for a file, print the pages of
** the range mode, send the file. Answers ZMLIB_SUCCESS when a file was
** written, ZMLIB_ERROR when the user stopped it or it could not be opened. */
int printRun(DialogBox* db);

/* Fetch page INDEX (clamped to the list) into the descriptor on show and
** draw it; the preview dialog DB may be null. */
void showPage(DialogBox* db, int index);

/* Free what RECORD holds of the preview (its application ended). */
void releaseRecord(ZmGlobalData* record);

/* Publish the preview's hooks (library start-up). */
void publishHooks();

}  // namespace zmlib::preview
