/* The control-block details the library's utilities read: the coordinate
** read-out format of the settings block, and the refresh of synonym lists. */
#include "host/mdlcontrol.h"

#include <vector>

#include "host/mdldialog.h"
#include "host/sim/sim_design.h"
#include "host/sim/sim_dialog.h"

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

HOST_API void mdlDialog_synonymsSynch(RscFileHandle file, int32_t synonymId, void* reserved) {
    for (DialogBox* db : sim::openDialogs()) mdlDialog_itemsSynch(db);
}

HOST_API DialogBox* mdlDialog_nextOpen(DialogBox* previous) {
    std::vector<DialogBox*> open = sim::openDialogs();
    if (!previous) return open.empty() ? nullptr : open.front();
    for (size_t i = 0; i + 1 < open.size(); ++i)
        if (open[i] == previous) return open[i + 1];
    return nullptr;
}
