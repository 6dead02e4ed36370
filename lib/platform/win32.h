/* Programs and services reached through Windows directly: processes, the
** registry, printers, network names and a DDE conversation with a
** spreadsheet. */
#pragma once

#include <cstdint>

#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* Hand "COMMAND ARGUMENTS" (at most 1023 characters) to the run-time
** library's system(); its result, or ZMLIB_ERROR for a longer line. */
extern "C" ZMLIB_API int zmlibWin32_execCommand(const char* command, const char* arguments);
/* Run "COMMAND ARGUMENTS" as a process at idle priority, shown normally when
** SHOW is non-zero, hidden when 0, and wait for it. Non-zero when it ran to
** its end, 0 when it could not be started (or the line is too long). */
extern "C" ZMLIB_API int zmlibWin32_execCommandAndWait(const char* command, const char* arguments, int show);
/* Read value VALUENAME of SUBKEY, first under HKEY_CURRENT_USER, then under
** HKEY_LOCAL_MACHINE, into DATA (SIZE bytes); *TYPE (may be null) gets its
** type. The bytes read, 0 when neither hive has it (or it does not fit). */
extern "C" ZMLIB_API int zmlibWin32_getRegistryValue(const char* subKey, const char* valueName, uint32_t* type,
                                                     void* data, int size);
/* The network printers as a new string list (two information fields a
** member): for each, its name, then "\\server\share" (the port when there
** is no share), whose information field 1 is 1 for the host's default
** printer. The caller destroys it; null when Windows lists none. */
extern "C" ZMLIB_API StringList* zmlibWin32_findWindowsPrinterNames(void);
/* Copy the universal (\\server\share\...) name of PATH to DESTINATION (260
** bytes); 1, or 0 when PATH is on no network drive. */
extern "C" ZMLIB_API int zmlibWin32_getGetUniversalFileName(const char* path, char* destination);
/* Open the conversation with SERVICE on TOPIC (a conversation still open is
** closed first). 0 when connected, ZMLIB_ERROR otherwise. */
extern "C" ZMLIB_API int zmlibWin32_DdeInitialize(const char* service, const char* topic);
/* Send TEXT as one execute transaction (5 s time-out). */
extern "C" ZMLIB_API void zmlibWin32_DdeSendMessage(const char* text);
/* Replace the placeholder NAME by VALUE in the spreadsheet. Unless NAME
** holds "file", "time" or "date", each '.' of VALUE becomes the decimal
** separator first (VALUE is changed in place). */
extern "C" ZMLIB_API void zmlibWin32_DdeReplaceText(const char* name, char* value);
/* Close the conversation; the disconnect's result, 0 when there was none. */
extern "C" ZMLIB_API int zmlibWin32_DdeDisconnect(void);
