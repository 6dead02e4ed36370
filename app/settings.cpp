/* Defaults of the settings record. */
#include "app/settings.h"

#include "lib/core/text_int.h"

void settings_setDefaults(UserInterfaceData* settings) {
    zmlib::copyFixed(settings->dimText, "100.0");
    DimensionRecord& t = settings->dimTemplate;
    t.lineOffset = 0.0;
    t.extensionGap = 1.0;
    t.extensionOvershoot = 2.0;
    t.textGap = 1.0;
    t.terminatorType = 2;
    t.terminatorLength = 3.0;
    t.terminatorWidth = 2.0;
    t.textMargin = 2.5;
    t.minArrowSpace = 2.0;
    t.dimFlags = 3;
    settings->hatchAngle = 30;
    settings->hatchSpacing = 2.0;
    settings->defaultSetupIndex = 0;
}
