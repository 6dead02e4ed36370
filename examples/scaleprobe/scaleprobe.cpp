/* An add-in built on the library that reaches the plot scales by key-in:
** "scaleprobe dialog" opens the plot-scale dialog, "scaleprobe show" prints
** the table and the active scale, "scaleprobe set SCALE" makes a scale
** active (written 50 or 1:50). Every scale change it hears of is printed. */
#include <cstdlib>

#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/mdlsystem.h"
#include "lib/core/main.h"
#include "lib/core/plotscale.h"

#define SCALEPROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum : CommandNumber {
    CMD_SCALEPROBE_DIALOG = 0x02000001,
    CMD_SCALEPROBE_SHOW = 0x02000002,
    CMD_SCALEPROBE_SET = 0x02000003,
};

void cmdDialog(char*) { zmlibPlotScale_dialogOpen(); }

void cmdShow(char*) {
    double scale = *zmlibPlotScale_getActiveScaleP();
    toolSubsystem_printf("scaleprobe: active scale %g\n", scale);
}

/* Read a scale written as drafters write it, "50" or "1:50" (the paper
** length first); false for anything else, so that a typing slip never makes
** some other scale active. */
bool parseScale(const char* text, double* scale) {
    if (!text) return false;
    char* end = nullptr;
    double first = std::strtod(text, &end);
    if (end == text) return false;
    double value = first;
    if (*end == ':') {
        const char* second = end + 1;
        double model = std::strtod(second, &end);
        if (end == second || !(first > 0)) return false;
        value = model / first;
    }
    while (*end == ' ' || *end == '\t') ++end;
    if (*end || !(value > 0)) return false;
    *scale = value;
    return true;
}

void cmdSet(char* unparsed) {
    double scale = 0;
    if (!parseScale(unparsed, &scale)) {
        toolSubsystem_printf("scaleprobe: cannot read the scale \"%s\"; write it as 50 or 1:50\n",
                             unparsed ? unparsed : "");
        return;
    }
    int status = zmlibPlotScale_setActiveScale(scale, 1);
    toolSubsystem_printf("scaleprobe: set %g answers %d\n", scale, status);
}

void scaleChanged(double oldScale, double newScale) {
    toolSubsystem_printf("scaleprobe: scale changed from %g to %g\n", oldScale, newScale);
}

const MdlCommandNumber commandNumbers[] = {
    {cmdDialog, CMD_SCALEPROBE_DIALOG},
    {cmdShow,   CMD_SCALEPROBE_SHOW},
    {cmdSet,    CMD_SCALEPROBE_SET},
    {nullptr,   0},
};

}  // namespace

SCALEPROBE_EXPORT int MdlMain(int argc, char* argv[]) {
    zmlibMain_initZmLib("ScaleProbe", argc, argv);
    zmlibMain_setScaleFunction(scaleChanged);
    mdlSystem_registerCommandNumbers(commandNumbers);
    if (!mdlParse_loadCommandTable(0)) toolSubsystem_printf("scaleprobe: no command table\n");
    return 0;
}
