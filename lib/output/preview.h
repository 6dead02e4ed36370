/* The print preview: an application's pages shown one at a time in dialog
** 20005, printed through the print layer or plotted by the host, framed in
** the design file and exported to a spreadsheet. */
#pragma once

#include "lib/core/main.h"
#include "lib/zmlib_api.h"

struct DialogBox;

/* Open the preview of PAGECOUNT pages named PAGENAMES (copied), showing
** STARTPAGE: the dialog, or null when it did not open. */
extern "C" ZMLIB_API DialogBox* zmlibPreview_dialogOpenExtended(int pageCount, int startPage, char** pageNames,
                                                                ZmPreviewPageFunction pageFunction,
                                                                ZmPreviewPageListFunction pageListFunction);
extern "C" ZMLIB_API DialogBox* zmlibPreview_dialogOpen(int pageCount, char** pageNames,
                                                        ZmPreviewPageFunction pageFunction,
                                                        ZmPreviewPageListFunction pageListFunction);
/* Print every page through FUNCTION instead of the page function (set it
** after opening: opening clears it). Answers FUNCTION. */
extern "C" ZMLIB_API ZmPreviewUserPrintFunction zmlibPreview_setUserPrintFunction(ZmPreviewUserPrintFunction function);
/* Copy each non-null name into the preview state block. */
extern "C" ZMLIB_API void zmlibPreview_setExcelTemplateNames(const char* templateFile, const char* templateSheet);
