/* Attribute sets in resource files: the plain layout (the values of the
** attributes the application defines, one resource per attribute id) and the
** extended layout (the whole set with its labels). */
#pragma once

#include "lib/core/resource.h"
#include "lib/zmlib_api.h"

extern "C" ZMLIB_API int zmlibElmAttr_writeResourceByHandle(ZmResourceFile* handle);
extern "C" ZMLIB_API int zmlibElmAttr_writeResource(const char* fileName);
extern "C" ZMLIB_API int zmlibElmAttr_readResourceByHandle(ZmResourceFile* handle);
extern "C" ZMLIB_API int zmlibElmAttr_readResource(const char* fileName);
extern "C" ZMLIB_API int zmlibElmAttr_writeResourceExtended(const char* fileName);
extern "C" ZMLIB_API int zmlibElmAttr_readResourceExtended(const char* fileName);
