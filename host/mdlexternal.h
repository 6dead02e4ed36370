/* External programs of the platform: starting a program as its own process. */
#pragma once

#include "host/mdltypes.h"

/* Start PROGRAM (a platform path) with ARGUMENTS (blank-separated; a part in
** double quotes may hold blanks; may be null) as a process of its own and
** return without waiting. 0 when the process started, HOST_ERROR when the
** program is missing or cannot be started. */
HOST_API StatusInt mdlExternal_extStartProgram(const char* program, const char* arguments);
