/* Segment texts: the typed, measured or default text of a new segment and
** the measured texts that follow their segments. The typed-text flag lives
** in the working state (the text items' hook sets it). */
#include "app/dimtext.h"

#include <algorithm>
#include <cstdio>

#include "app/dimrecord.h"
#include "app/tarvikstate.h"
#include "host/mdlgeom.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"

void dimText_format(char* out, double length, int decimals) {
    char text[64];
    int n = 0;
    for (int d = std::clamp(decimals, 0, int(DIMTEXT_MAX_DECIMALS)); d >= 0; --d) {
        n = std::snprintf(text, sizeof text, "%.*f", d, length);
        if (n > 0 && n < DIM_TEXT_SIZE) break;
    }
    /* Lengths of twelve digits and more: four significant ones and an exponent. */
    if (n <= 0 || n >= DIM_TEXT_SIZE) std::snprintf(text, sizeof text, "%.3e", length);
    zmlib::copyFixed(out, DIM_TEXT_SIZE, text);
}

void dimText_measure(DimensionRecord* dim, int i) {
    const UserInterfaceData* settings = tarvik().settings;
    if (!dim || i < 0 || i >= DIM_MAX_SEGMENTS || !settings) return;
    double uors = mdlVec_distance(&dim->points[i].base, &dim->points[i + 1].base);
    const double* master = zmlibUtil_UORToMasterP(uors);
    double length = master ? *master : uors;
    if (master && settings->measuredUnits == MEASURED_IN_SUB) {
        double subPerMaster = mdlModelRef_getSubPerMaster(nullptr);
        if (subPerMaster > 0.0) length *= subPerMaster;
    }
    SegmentText& text = dim->texts[i];
    dimText_format(text.text, length, settings->measuredDecimals);
    text.textFlags |= TEXT_MEASURED;
}

void dimText_remeasure(DimensionRecord* dim, int i) {
    if (dim && i >= 0 && i < dim->segmentCount && (dim->texts[i].textFlags & TEXT_MEASURED)) dimText_measure(dim, i);
}

void dimText_newSegment(DimensionRecord* dim, int i, bool stored) {
    TarvikState& t = tarvik();
    if (!dim || i < 0 || i >= DIM_MAX_SEGMENTS || !t.settings) return;
    SegmentText& text = dim->texts[i];
    text.textFlags = 0;
    text.shift = 0;
    if (t.settings->measuredTexts && !t.textTyped) dimText_measure(dim, i);
    else dimRecord_setText(&text, t.settings->dimText);
    if (stored) t.textTyped = false;
}
