/* Plot scales: the process-wide scale table with its active scale, the
** settings file a table is kept in, and the plot-scale dialog. */
#pragma once

#include <cstdint>
#include <type_traits>
#include "lib/core/resource.h"
#include "lib/zmlib_api.h"

struct ListModel;

/* The shared plot-scale record, published to dialogs as "zmScaleP" of type
** "zmlibPlotScale". */
struct ZmPlotScale {
    int32_t activeRow;     /* index of the active row; option buttons are bound to it */
    int32_t reserved1;
    double activeScale;    /* value of the active row, 1.0 when it has none */
    ListModel* table;      /* two columns: label ("1:500"), value text ("500.000000") */
    int32_t reserved2;
};
static_assert(std::is_trivially_copyable_v<ZmPlotScale>);
#define ZMPLOTSCALE_FIELDS(F) F(activeRow) F(reserved1) F(activeScale) F(table) F(reserved2)

extern "C" ZMLIB_API double* zmlibPlotScale_getActiveScaleP(void);
/* 0 when SCALE is active already or a row with it became active; 32768 when
** no row has it or there is no table. */
extern "C" ZMLIB_API int zmlibPlotScale_setActiveScale(double scale, int notifySelf);
extern "C" ZMLIB_API int zmlibPlotScale_readSettings(ZmResourceFile* file);
extern "C" ZMLIB_API int zmlibPlotScale_saveSettings(ZmResourceFile* file);
extern "C" ZMLIB_API void zmlibPlotScale_dialogOpen(void);
