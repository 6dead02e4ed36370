/* External programs of the platform: starting a program as its own process,
** waiting for it, and handing a command line to the shell. */
#pragma once

#include "host/mdltypes.h"

/* Start PROGRAM (a platform path) with ARGUMENTS (blank-separated; a part in
** double quotes may hold blanks; may be null) as a process of its own and
** return without waiting. 0 when the process started, HOST_ERROR when the
** program is missing or cannot be started. */
HOST_API StatusInt mdlExternal_extStartProgram(const char* program, const char* arguments);

/* A program the host started, as mdlExternal_startProgram hands it out. The
** host owns the record; mdlExternal_wait or mdlExternal_terminateProgram
** gives it back. */
typedef struct ExternalProgram {
    int32_t processId; /* the live process the host can wait for; 0 when none */
} ExternalProgram;

/* Start PROGRAM with ARGUMENTS as mdlExternal_extStartProgram does and
** return its handle, or null when the program cannot be started. */
HOST_API ExternalProgram* mdlExternal_startProgram(const char* program, const char* arguments);
/* Wait until PROGRAM has ended, store its exit status (32 bits, as the
** platform gives it) in *EXITSTATUS and give the handle back. HOST_ERROR for
** a handle that is not the host's or carries no process. */
HOST_API StatusInt mdlExternal_wait(ExternalProgram* program, int* exitStatus);
/* End PROGRAM when it still runs and give the handle back. */
HOST_API void mdlExternal_terminateProgram(ExternalProgram* program);
