/* The active text slant of the settings block. */
#include "host/mdltextsettings.h"
#include "host/sim/design/design.h"

HOST_API double mdlSettings_getTextSlant(void) {
    auto* file = sim::design::activeFile();
    return file ? file->settings.textSlant : 0.0;
}

HOST_API void mdlSettings_setTextSlant(double degrees) {
    if (auto* file = sim::design::activeFile()) file->settings.textSlant = degrees;
}
