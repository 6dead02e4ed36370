/* The subset of the Windows API that add-ins reach through the host. Paths
** are platform paths, mapped as every other host file call maps them. */
#pragma once

#include "host/mdltypes.h"

/* Delete file PATH; non-zero on success, 0 when it cannot be deleted. */
HOST_API BoolInt DeleteFileA(const char* path);
/* Copy the short form of LONGPATH into SHORTPATH (SIZE bytes). Answers the
** length copied, or the size needed (terminator included) when SIZE is too
** small, or 0 when LONGPATH does not exist. This host has no separate short
** names: the short form of an existing path is the path itself. */
HOST_API UInt32 GetShortPathNameA(const char* longPath, char* shortPath, UInt32 size);
