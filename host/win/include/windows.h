/* The Windows API subset of the simulated Windows layer: what the add-in
** includes where, on Windows, it includes the system's windows.h. DDE is in
** ddeml.h, as on Windows. */
#pragma once

#include "windef.h"
#include "winbase.h"
#include "winuser.h"
#include "winreg.h"
#include "winspool.h"
#include "winnetwk.h"
