/* The library's resource layer: resource files opened by record (created on
** demand for writing), resources and string lists stored and loaded by type
** and id, every failure shown to the user with the file's name. No state. */
#include "lib/core/resource.h"

#include <cstring>

#include "host/mdlresource.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/core/text_int.h"

namespace {

enum : int {
    MSG_CANNOT_CREATE = 1,   /* list 20005: the file cannot be created or opened for writing */
    MSG_WRITE_FAILED = 9,
    MSG_READ_ONLY = 10,
    MSG_CANNOT_OPEN = 16,
};

/* Show the message for a failed write STATUS on FILE; answer ZMLIB_ERROR, or
** ZMLIB_SUCCESS for status 0. */
int reportWrite(const ZmResourceFile* file, int status) {
    if (status == RSC_SUCCESS) return ZMLIB_SUCCESS;
    int message = status == RSCERR_READ_ONLY ? MSG_READ_ONLY : MSG_WRITE_FAILED;
    zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, message, file->fileName);
    return ZMLIB_ERROR;
}

}  // namespace

extern "C" ZMLIB_API int zmlibResource_openFile(ZmResourceFile* file, const char* fileName, int mode) {
    if (!file) return ZMLIB_ERROR;
    zmlib::copyFixed(file->fileName, fileName);
    file->handle = 0;
    if (mdlResource_openFile(&file->handle, fileName, mode) == RSC_SUCCESS) return ZMLIB_SUCCESS;
    if (mode == 0) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN, file->fileName);
        return ZMLIB_ERROR;
    }
    /* Writing: create the file and open it again. An existing file that cannot
    ** be opened (damaged, not a resource file) is never replaced. */
    if (!fileName || mdlResource_createFile(fileName, "Attributes", 0) != RSC_SUCCESS ||
        mdlResource_openFile(&file->handle, fileName, mode) != RSC_SUCCESS) {
        file->handle = 0;
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_CREATE, file->fileName);
        return ZMLIB_ERROR;
    }
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibResource_closeFile(ZmResourceFile* file) {
    if (!file) return RSCERR_BAD_ARGUMENT;
    int status = mdlResource_closeFile(file->handle);
    file->handle = 0;
    return status;
}

extern "C" ZMLIB_API int zmlibResource_add(ZmResourceFile* file, uint32_t type, int32_t id, const void* data,
                                           unsigned int size, const char* alias) {
    if (!file || (!data && size)) return ZMLIB_ERROR;
    void* stored = file->handle ? mdlResource_load(file->handle, type, id) : nullptr;
    if (!stored) return reportWrite(file, mdlResource_add(file->handle, type, id, data, size, alias));
    /* Replace in place; data of another size resizes the stored copy first. */
    uint32_t storedSize = 0;
    int status = mdlResource_query(&storedSize, stored, RSC_QRY_SIZE);
    if (status == RSC_SUCCESS && storedSize != size) status = mdlResource_resize(&stored, size);
    if (status == RSC_SUCCESS) {
        if (size) std::memcpy(stored, data, size);
        status = mdlResource_write(stored);
    }
    mdlResource_free(stored);
    return reportWrite(file, status);
}

extern "C" ZMLIB_API int zmlibResource_load(ZmResourceFile* file, uint32_t type, int32_t id, void* destination,
                                            unsigned int size) {
    /* Handle 0 would search every open file: a closed record finds nothing. */
    if (!file || !file->handle || (!destination && size)) return ZMLIB_ERROR;
    void* stored = mdlResource_load(file->handle, type, id);
    if (!stored) return ZMLIB_ERROR;
    uint32_t storedSize = 0;
    mdlResource_query(&storedSize, stored, RSC_QRY_SIZE);
    if (storedSize < size) {
        /* A short resource would leave the caller's record half read: refuse it. */
        toolSubsystem_printf("Resource %d of %s holds %u bytes, %u expected\n", id, file->fileName, storedSize, size);
        mdlResource_free(stored);
        return ZMLIB_ERROR;
    }
    if (size) std::memcpy(destination, stored, size);
    mdlResource_free(stored);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlibResource_addStringList(ZmResourceFile* file, int32_t id, StringList* list) {
    if (!file || !list) return ZMLIB_ERROR;
    int status;
    StringList* existing = file->handle ? mdlStringList_loadResource(file->handle, id) : nullptr;
    if (existing) {
        mdlStringList_destroy(existing);
        status = mdlStringList_writeResource(file->handle, id, list);
    } else {
        status = mdlStringList_addResource(file->handle, id, list);
    }
    return reportWrite(file, status);
}

extern "C" ZMLIB_API StringList* zmlibResource_loadStringList(ZmResourceFile* file, int32_t id) {
    if (!file || !file->handle) return nullptr;
    return mdlStringList_loadResource(file->handle, id);
}
