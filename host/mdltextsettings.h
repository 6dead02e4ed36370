/* Text settings of the design file's settings block that no active
** parameter carries. */
#pragma once

#include "host/mdltypes.h"

/* The active text slant in degrees; 0 when no design file is open. */
HOST_API double mdlSettings_getTextSlant(void);
/* Set the active text slant (degrees); ignored when no design file is open.
** Kept in memory until the settings block is next written. */
HOST_API void mdlSettings_setTextSlant(double degrees);
