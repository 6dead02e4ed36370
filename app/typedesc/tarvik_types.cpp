/* Type descriptions of the records the add-in publishes to dialogs ("uid",
** "zgdP", "zmScaleP"), generated at build time from the C++ records themselves. */
#include "host/mdltypedesc.h"

#include "app/settings.h"
#include "lib/core/main.h"
#include "lib/core/plotscale.h"

#define POINT_FIELDS(F) F(x) F(y) F(z)

ZM_TYPEDESC_NAME(Dpoint3d, "point")
ZM_TYPEDESC_NAME(DimPoint, "dimPoint")
ZM_TYPEDESC_NAME(SegmentText, "segmentText")
ZM_TYPEDESC_NAME(DimensionRecord, "DimensionRecord")
ZM_TYPEDESC_NAME(UserInterfaceData, "userInterfaceData")
ZM_TYPEDESC_NAME(ZmResourceFile, "zmlibResourceFile")
ZM_TYPEDESC_NAME(ZmGlobalData, "zmlibGlobalData")
ZM_TYPEDESC_NAME(ZmPlotScale, "zmlibPlotScale")

constexpr void describe(typedesc::Writer& w) {
    ZM_TYPEDESC(w, Dpoint3d, POINT_FIELDS);
    ZM_TYPEDESC(w, DimPoint, DIMPOINT_FIELDS);
    ZM_TYPEDESC(w, SegmentText, SEGMENTTEXT_FIELDS);
    ZM_TYPEDESC(w, DimensionRecord, DIMENSIONRECORD_FIELDS);
    ZM_TYPEDESC(w, UserInterfaceData, USERINTERFACEDATA_FIELDS);
    ZM_TYPEDESC(w, ZmResourceFile, ZMRESOURCEFILE_FIELDS);
    ZM_TYPEDESC(w, ZmGlobalData, ZMGLOBALDATA_FIELDS);
    ZM_TYPEDESC(w, ZmPlotScale, ZMPLOTSCALE_FIELDS);
}

ZM_TYPEDESC_MAIN(describe)
