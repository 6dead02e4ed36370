/* Prints the type descriptions of the records the library publishes for
** whichever application starts it first: the project and page records, the
** print set-up and the global data record the preview's items reach. */
#include "host/mdltypedesc.h"
#include "lib/core/main.h"
#include "lib/document/project.h"
#include "lib/output/printsetup.h"

ZM_TYPEDESC_NAME(ZmProjectRecord, "zmlibProsjektData")
ZM_TYPEDESC_NAME(ZmPageRecord, "zmlibSideData")
ZM_TYPEDESC_NAME(ZmPrinterSetup, "zmlibPrinterSetupData")
ZM_TYPEDESC_NAME(ZmResourceFile, "zmlibResourceFile")
ZM_TYPEDESC_NAME(ZmPreviewState, "zmlibPreviewState")
ZM_TYPEDESC_NAME(ZmGlobalData, "zmlibGlobalData")

constexpr void describe(typedesc::Writer& w) {
    ZM_TYPEDESC(w, ZmProjectRecord, ZMPROJECTRECORD_FIELDS);
    ZM_TYPEDESC(w, ZmPageRecord, ZMPAGERECORD_FIELDS);
    ZM_TYPEDESC(w, ZmPrinterSetup, ZMPRINTERSETUP_FIELDS);
    ZM_TYPEDESC(w, ZmResourceFile, ZMRESOURCEFILE_FIELDS);
    ZM_TYPEDESC(w, ZmPreviewState, ZMPREVIEWSTATE_FIELDS);
    ZM_TYPEDESC(w, ZmGlobalData, ZMGLOBALDATA_FIELDS);
}

ZM_TYPEDESC_MAIN(describe)
