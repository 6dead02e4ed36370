/* The user preference file of each application: opening by variable and
** default name or by path (read-only when it cannot be written), typed load
** and save, and the library's file dialogs that remember their last choices. */
#pragma once

#include <cstdint>
#include "host/mdltypes.h"
#include "lib/core/resource.h"
#include "lib/zmlib_api.h"

struct ZmGlobalData;

extern "C" ZMLIB_API void zmlibUpf_open(ZmResourceFile* destination, const char* variableName, const char* defaultName);
/* 0 when the file ends up open, 32768 when it does not. */
extern "C" ZMLIB_API int zmlibUpf_openWithPath(ZmResourceFile* destination, const char* path);
extern "C" ZMLIB_API void zmlibUpf_close(void);
extern "C" ZMLIB_API int zmlibUpf_load(uint32_t type, int32_t id, void* destination, unsigned int size);
extern "C" ZMLIB_API int zmlibUpf_save(uint32_t type, int32_t id, const void* data, unsigned int size);
extern "C" ZMLIB_API char* zmlibUpf_getUpfFileName(void);
extern "C" ZMLIB_API RscFileHandle zmlibUpf_getHandle(void);
extern "C" ZMLIB_API ZmResourceFile* zmlibUpf_getZmHandle(void);
extern "C" ZMLIB_API int zmlibUpf_initialize(ZmGlobalData* globalData);
extern "C" ZMLIB_API int zmlibUpf_saveFileName(const char* path, RscFileHandle file, int32_t fileDialogId);
/* FILENAME holds MAXFILELENGTH bytes. 0 when the user chose a file. */
extern "C" ZMLIB_API int zmlibUpf_defFileOpen(char* fileName, const char* defaultName, const char* filter,
                                              const char* defaultDirVar, const char* title, int32_t fileDialogId);
extern "C" ZMLIB_API int zmlibUpf_defFileCreate(char* fileName, const char* defaultName, const char* filter,
                                                const char* defaultDirVar, const char* title, int32_t fileDialogId);
extern "C" ZMLIB_API StringList* zmlibUpf_defFileListEdit(int* action, StringList* files, const char* title,
                                                          const char* filter, const char* directory,
                                                          int32_t fileDialogId);
extern "C" ZMLIB_API StringList* zmlibUpf_defSearchFiles(const char* directory, const char* filter, const char* title,
                                                         int32_t fileDialogId);
extern "C" ZMLIB_API int zmlibUtil_openUserPrefFile(RscFileHandle* file, int mode);
