/* Type descriptions of the records the add-in publishes to dialogs ("uid",
** "zgdP", "zmScaleP", "zmlibpd", "zmlibsd", "zmlibpsd"), generated at build time from the C++ records themselves. */
#include "host/mdltypedesc.h"

#include "app/settings.h"
#include "lib/core/main.h"
#include "lib/core/plotscale.h"
#include "lib/dialogs/attrdialog_int.h"
#include "lib/elements/elmattr.h"
#include "lib/document/project.h"
#include "lib/output/printsetup.h"

#define POINT_FIELDS(F) F(x) F(y) F(z)

ZM_TYPEDESC_NAME(Dpoint3d, "point")
ZM_TYPEDESC_NAME(DimPoint, "dimPoint")
ZM_TYPEDESC_NAME(SegmentText, "segmentText")
ZM_TYPEDESC_NAME(DimensionRecord, "DimensionRecord")
ZM_TYPEDESC_NAME(UserInterfaceData, "userInterfaceData")
ZM_TYPEDESC_NAME(ZmResourceFile, "zmlibResourceFile")
ZM_TYPEDESC_NAME(ZmPreviewState, "zmlibPreviewState")
ZM_TYPEDESC_NAME(ZmGlobalData, "zmlibGlobalData")
ZM_TYPEDESC_NAME(ZmPlotScale, "zmlibPlotScale")
ZM_TYPEDESC_NAME(ZmAttributeSymbol, "zmlibAttributeSymbol")
ZM_TYPEDESC_NAME(ZmAttributeExtra, "zmlibAttributeExtra")
ZM_TYPEDESC_NAME(ZmAttributeTextValue, "zmlibAttributeText")
ZM_TYPEDESC_NAME(ZmAttributeData, "zmlibAttributeData")
ZM_TYPEDESC_NAME(ZmAttribute, "zmlibAttribute")
ZM_TYPEDESC_NAME(zmlib::attrdialog::EditRequest, "zmlibAttrEditRequest")
ZM_TYPEDESC_NAME(ZmProjectRecord, "zmlibProsjektData")
ZM_TYPEDESC_NAME(ZmPageRecord, "zmlibSideData")
ZM_TYPEDESC_NAME(ZmPrinterSetup, "zmlibPrinterSetupData")

constexpr void describe(typedesc::Writer& w) {
    ZM_TYPEDESC(w, Dpoint3d, POINT_FIELDS);
    ZM_TYPEDESC(w, DimPoint, DIMPOINT_FIELDS);
    ZM_TYPEDESC(w, SegmentText, SEGMENTTEXT_FIELDS);
    ZM_TYPEDESC(w, DimensionRecord, DIMENSIONRECORD_FIELDS);
    ZM_TYPEDESC(w, UserInterfaceData, USERINTERFACEDATA_FIELDS);
    ZM_TYPEDESC(w, ZmResourceFile, ZMRESOURCEFILE_FIELDS);
    ZM_TYPEDESC(w, ZmPreviewState, ZMPREVIEWSTATE_FIELDS);
    ZM_TYPEDESC(w, ZmGlobalData, ZMGLOBALDATA_FIELDS);
    ZM_TYPEDESC(w, ZmPlotScale, ZMPLOTSCALE_FIELDS);
    ZM_TYPEDESC(w, ZmAttributeSymbol, ZMATTRIBUTESYMBOL_FIELDS);
    ZM_TYPEDESC(w, ZmAttributeExtra, ZMATTRIBUTEEXTRA_FIELDS);
    ZM_TYPEDESC(w, ZmAttributeTextValue, ZMATTRIBUTETEXTVALUE_FIELDS);
    ZM_TYPEDESC(w, ZmAttributeData, ZMATTRIBUTEDATA_FIELDS);
    ZM_TYPEDESC(w, ZmAttribute, ZMATTRIBUTE_FIELDS);
    ZM_TYPEDESC(w, zmlib::attrdialog::EditRequest, ZMATTREDITREQUEST_FIELDS);
    ZM_TYPEDESC(w, ZmProjectRecord, ZMPROJECTRECORD_FIELDS);
    ZM_TYPEDESC(w, ZmPageRecord, ZMPAGERECORD_FIELDS);
    ZM_TYPEDESC(w, ZmPrinterSetup, ZMPRINTERSETUP_FIELDS);
}

ZM_TYPEDESC_MAIN(describe)
