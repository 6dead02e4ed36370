/* Prints the type description of the plot-scale record the probe publishes. */
#include "host/mdltypedesc.h"
#include "lib/core/plotscale.h"

ZM_TYPEDESC_NAME(ZmPlotScale, "zmlibPlotScale")

int main(int argc, char** argv) {
    typedesc::Writer w;
    ZM_TYPEDESC(w, ZmPlotScale, ZMPLOTSCALE_FIELDS);
    return w.finish(argc, argv);
}
