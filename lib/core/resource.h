/* The library's resource layer: resource files by record, resources and string lists by type and id. */
#pragma once

#include <cstdint>
#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* An open (or closed) resource file: the host's handle and the name used in messages. */
struct ZmResourceFile {
    RscFileHandle handle;
    char fileName[256];
};
#define ZMRESOURCEFILE_FIELDS(F) F(handle) F(fileName)

extern "C" ZMLIB_API int zmlibResource_openFile(ZmResourceFile* file, const char* fileName, int mode);
extern "C" ZMLIB_API int zmlibResource_closeFile(ZmResourceFile* file);
extern "C" ZMLIB_API int zmlibResource_add(ZmResourceFile* file, uint32_t type, int32_t id, const void* data,
                                           unsigned int size, const char* alias);
extern "C" ZMLIB_API int zmlibResource_load(ZmResourceFile* file, uint32_t type, int32_t id, void* destination,
                                            unsigned int size);
extern "C" ZMLIB_API int zmlibResource_addStringList(ZmResourceFile* file, int32_t id, StringList* list);
extern "C" ZMLIB_API StringList* zmlibResource_loadStringList(ZmResourceFile* file, int32_t id);
