/* Prints the type description of the plot-scale record the probe publishes. */
#include "host/sim/sim_typedesc.h"
#include "lib/core/plotscale.h"

#define PLOT_SCALE_FIELDS(F) F(activeRow) F(reserved1) F(activeScale) F(table) F(reserved2)
ZM_TYPEDESC_NAME(ZmPlotScale, "zmlibPlotScale")

int main(int argc, char** argv) {
    simtd::Writer w;
    ZM_TYPEDESC(w, ZmPlotScale, PLOT_SCALE_FIELDS);
    return w.finish(argc, argv);
}
