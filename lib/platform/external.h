/* External programs started through the host: programs, shell commands and
** command lines, and files opened by the host's key-in. */
#pragma once

#include "lib/zmlib_api.h"

/* Start PROGRAM with ARGUMENTS (may be null). *WAIT of -1 (or a null WAIT)
** returns at once; any other value waits for the program and receives its
** exit status. 0, or ZMLIB_ERROR after a console message when the host
** cannot start it (nothing at all in the PowerDraft edition: 0). */
extern "C" ZMLIB_API int zmlibExternal_executeProgram(const char* program, const char* arguments, int* wait);
/* Run COMMAND with ARGUMENTS (may be null) through the shell COMSPEC names
** ("/C command arguments"); WAIT and the result as zmlibExternal_executeProgram. */
extern "C" ZMLIB_API int zmlibExternal_executeShellCommand(const char* command, const char* arguments, int* wait);
/* The same operation as zmlibExternal_executeShellCommand. */
extern "C" ZMLIB_API int zmlibExternal_executeSystemCommand(const char* command, const char* arguments, int* wait);
/* Run LINE: through the shell when its first word is one of the shell's
** internal commands or names a .BAT or .CMD file, else as a program. */
extern "C" ZMLIB_API int zmlibExternal_executeCommandLine(const char* line, int* wait);
/* Ask the host to open FILENAME (its key-in "% NAME"); 0. */
extern "C" ZMLIB_API int zmlibExternal_openFile(const char* fileName);
