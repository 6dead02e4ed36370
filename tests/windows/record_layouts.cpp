/* Record layouts as 32-bit Windows lays them out: the records that other
** add-ins, their callbacks and the dialog manager see as raw bytes have the
** sizes and offsets the platform gives them, and the records without
** pointers the same layout as on the 64-bit build, where the golden-byte
** tests run. The Windows build compiles this file; a difference fails it. */
#include <cstddef>

#include "app/dimension.h"
#include "app/settings.h"
#include "lib/core/main.h"
#include "lib/core/plotscale.h"
#include "lib/core/resource.h"
#include "lib/elements/elmattr.h"
#include "lib/output/printsetup.h"

#if !defined(_WIN32) || !defined(__i386__)
#error "the layouts checked here are those of 32-bit Windows"
#endif

static_assert(sizeof(void*) == 4 && sizeof(long) == 4 && sizeof(MSWChar) == 2);
static_assert(alignof(double) == 8 && alignof(int64_t) == 8, "doubles in records are 8-aligned");

/* Records with 4-byte pointers and handles. */
static_assert(sizeof(ZmGlobalData) == 7080);
static_assert(offsetof(ZmGlobalData, previewState) == 6692 && offsetof(ZmGlobalData, previewUserPrintFunction) == 7072);
static_assert(offsetof(ZmGlobalData, modulePointers) == 6024);
static_assert(offsetof(ZmGlobalData, userPrefFile) == 6116);
static_assert(offsetof(ZmGlobalData, workBuffer) == 6432);
static_assert(sizeof(ZmResourceFile) == 260 && offsetof(ZmResourceFile, fileName) == 4);
static_assert(sizeof(ZmPlotScale) == ZMLIB_PLOT_SCALE_RECORD_SIZE);
static_assert(offsetof(ZmPlotScale, activeScale) == 8 && offsetof(ZmPlotScale, table) == 16);
static_assert(sizeof(ZmAttribute) == 1480 && offsetof(ZmAttribute, data) == 48 && offsetof(ZmAttribute, next) == 1472);
static_assert(sizeof(ZmAttributeCallbackRecord) == 1448 && offsetof(ZmAttributeCallbackRecord, data) == 24);

/* Records without pointers: as on the 64-bit build. */
static_assert(sizeof(ZmPrinterSetup) == ZMLIB_PRINT_SETUP_SIZE && offsetof(ZmPrinterSetup, plotDriver) == 584);
static_assert(sizeof(ZmPreviewState) == 348);
static_assert(sizeof(ZmAttributeData) == 1424 && alignof(ZmAttributeData) == 8);
static_assert(sizeof(DimPoint) == 32 && sizeof(SegmentText) == 24 && offsetof(SegmentText, shift) == 16);
static_assert(sizeof(DimensionRecord) == 1480);
static_assert(offsetof(DimensionRecord, points) == 24 && offsetof(DimensionRecord, texts) == 824);
static_assert(offsetof(DimensionRecord, lineOffset) == 1400 && offsetof(DimensionRecord, dimFlags) == 1472);
static_assert(sizeof(UserInterfaceData) == 1536 && offsetof(UserInterfaceData, dimTemplate) == 16);
static_assert(offsetof(UserInterfaceData, hatchSpacing) == 1504);
static_assert(offsetof(UserInterfaceData, skewLegDimensions) == 1524 && offsetof(UserInterfaceData, measuredUnits) == 1528);
