/* The control-block details the library's utilities read: the coordinate
** read-out format of the settings block. */
#include "host/mdlcontrol.h"

#include "host/sim/design/design.h"

HOST_API StatusInt mdlSystem_getCoordinateReadout(int* format, int* flags) {
    DgnFile* file = sim::design::activeFile();
    if (format) *format = file ? file->settings.readoutFormat & 0xFF : 0;
    if (flags) *flags = file ? file->settings.readoutFlags & 0xFF : 0;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlSystem_setCoordinateReadout(int format, int flags) {
    DgnFile* file = sim::design::activeFile();
    if (!file) return HOST_ERROR;
    file->settings.readoutFormat = format & 0xFF;
    file->settings.readoutFlags = flags & 0xFF;
    sim::design::saveSettings();
    return HOST_SUCCESS;
}
