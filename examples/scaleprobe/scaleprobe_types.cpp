/* Prints the type description of the plot-scale record the probe publishes. */
#include "host/mdltypedesc.h"
#include "lib/core/plotscale.h"

ZM_TYPEDESC_NAME(ZmPlotScale, "zmlibPlotScale")

constexpr void describe(typedesc::Writer& w) {
    ZM_TYPEDESC(w, ZmPlotScale, ZMPLOTSCALE_FIELDS);
}

ZM_TYPEDESC_MAIN(describe)
