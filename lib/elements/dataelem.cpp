/* Data elements of type 66: built, added, read back and scanned by
** application id; blocks packed field by field with doubles in the design
** file's form. No state survives between calls. */
#include "lib/elements/dataelem.h"

#include <cstdarg>
#include <cstring>
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "lib/core/error.h"
#include "lib/elements/dataelem_int.h"
#include "lib/elements/support_int.h"

namespace {

using namespace zmlib::elements;

/* Data element, little-endian:
**   OFFSET SIZE  FIELD
**      0     4   type 66 in the low 16 bits
**      4     4   element size in words: 19 + (n + 1) / 2
**      8     4   attribute offset in words: the same (no linkages)
**     12     4   level 20
**     16    16   zero (the host's identity and time stamp)
**     32     2   signature 157
**     34     2   application id (signed)
**     36     2   data version (signed)
**     38     n   data, and one zero byte when n is odd */
constexpr int WORK_BUFFER = 8192;
constexpr int ELEMENT_EXTRA = 40;   /* head and the copied trailing bytes */
constexpr int MSG_DWG_NOT_SAVED = 28;
constexpr int SCAN_WORDS = 128;     /* 256 bytes: 64 file positions a batch */

/* Width of a fixed-size field, 0 for a code that is not one. */
int fixedWidth(int code) {
    switch (code) {
    case ZMFIELD_DOUBLE: return 8;
    case ZMFIELD_CHAR: return 1;
    case ZMFIELD_SHORT: return 2;
    case ZMFIELD_INT: return 4;
    default: return 0;
    }
}

bool knownCode(int code) { return fixedWidth(code) || code == ZMFIELD_STRING || code == ZMFIELD_BYTES; }

}  // namespace

namespace zmlib::dataelem {

int buildDataElement(uint8_t* element, int applicationId, int dataVersion, const void* data, int size) {
    if (size < 0 || size + ELEMENT_EXTRA > WORK_BUFFER || (size && !data)) return ZMLIB_ERROR;
    std::memset(element, 0, size + ELEMENT_EXTRA);
    uint32_t words = 19 + (size + 1) / 2;
    put4le(element + 0, DATA_ELM);
    put4le(element + 4, words);
    put4le(element + 8, words);
    put4le(element + 12, ZMLIB_DATAELEM_LEVEL);
    put2le(element + 32, ZMLIB_DATAELEM_SIGNATURE);
    put2le(element + 34, static_cast<uint16_t>(applicationId));
    put2le(element + 36, static_cast<uint16_t>(dataVersion));
    if (size) std::memcpy(element + ZMLIB_DATAELEM_DATA_OFFSET, data, size);
    return ZMLIB_SUCCESS;
}

int readField(BlockReader& reader, int code, void* target, int length) {
    if (!knownCode(code)) return UNPACK_REFUSED_CODE;
    if (!reader.block || reader.offset < 0 || reader.offset > reader.size) return UNPACK_PAST_END;
    const char* at = reader.block + reader.offset;
    int left = reader.size - reader.offset;
    int width = fixedWidth(code);
    if (code == ZMFIELD_STRING) {
        const void* nul = std::memchr(at, 0, left);
        if (!nul) return UNPACK_PAST_END;
        width = static_cast<int>(static_cast<const char*>(nul) - at) + 1;
        if (width > length) return UNPACK_PAST_END;
    } else if (code == ZMFIELD_BYTES) {
        width = length;
        if (width < 0) return UNPACK_PAST_END;
    }
    if (width > left) return UNPACK_PAST_END;
    if (target && width) std::memcpy(target, at, width);
    if (target && code == ZMFIELD_DOUBLE) {
        double* d = static_cast<double*>(target);
        mdlCnv_doubleFromFileFormat(d, d);
    }
    reader.offset += width;
    return UNPACK_OK;
}

}  // namespace zmlib::dataelem

extern "C" ZMLIB_API int zmlib66Elem_saveData(MSElement* elementOut, int applicationId, int dataVersion,
                                              const void* data, int size) {
    if (!elementOut) return ZMLIB_ERROR;
    static uint8_t work[WORK_BUFFER];
    if (zmlib::dataelem::buildDataElement(work, applicationId, dataVersion, data, size) != ZMLIB_SUCCESS)
        return ZMLIB_ERROR;
    std::memcpy(elementOut->bytes, work, size + ELEMENT_EXTRA);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlib66Elem_saveDataToFile(int applicationId, int dataVersion, const void* data, int size,
                                                    uint32_t* filePosOut) {
    /* The host's add may write its identity past the element, so build in a whole element buffer. */
    static MSElement work;
    if (zmlib::dataelem::buildDataElement(work.bytes, applicationId, dataVersion, data, size) != ZMLIB_SUCCESS)
        return ZMLIB_ERROR;
    uint32_t filePos = mdlElement_add(&work);
    if (filePosOut) *filePosOut = filePos;
    char value[256];
    if (mdlSystem_getWorkmode() == 1 && mdlSystem_getenv(value, "MS_DWGSAVEAPPLICATIONDATA", sizeof value) != 0)
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_DWG_NOT_SAVED);
    return filePos ? static_cast<int>(ZMLIB_SUCCESS) : static_cast<int>(ZMLIB_DATAELEM_ADD_REFUSED);
}

extern "C" ZMLIB_API int zmlib66Elem_getData(MSElement* element, int applicationId, int* dataVersionOut,
                                             void** dataOut, int* sizeOut) {
    if (dataOut) *dataOut = nullptr;
    if (!element) return ZMLIB_ERROR;
    const uint8_t* e = element->bytes;
    int bytes = static_cast<int>(2 * get4le(e + 4));
    if (bytes < ZMLIB_DATAELEM_DATA_OFFSET) return ZMLIB_ERROR;
    if (get2le(e + 32) != ZMLIB_DATAELEM_SIGNATURE || get2sle(e + 34) != applicationId) return ZMLIB_ERROR;
    if (dataOut) *dataOut = element->bytes + ZMLIB_DATAELEM_DATA_OFFSET;
    if (sizeOut) *sizeOut = bytes - ZMLIB_DATAELEM_DATA_OFFSET;
    if (dataVersionOut) *dataVersionOut = get2sle(e + 36);
    return ZMLIB_SUCCESS;
}

extern "C" ZMLIB_API int zmlib66Elem_scanDataFromFileExtended(void* userArg, int applicationId,
                                                              DgnModelRefP modelRef, Zm66ScanFunction callback,
                                                              int nativeCallback) {
    ScanCriteriaP criteria = mdlScanCriteria_create();
    if (!criteria) return 0;
    mdlScanCriteria_setModel(criteria, modelRef);
    mdlScanCriteria_addSingleElementTypeTest(criteria, DATA_ELM);
    mdlScanCriteria_addSingleLevelTest(criteria, ZMLIB_DATAELEM_LEVEL);
    mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 0, 1);
    int matches = 0;
    int words = 0;
    int status = 0;
    do {
        UInt32 positions[SCAN_WORDS / 2];
        words = SCAN_WORDS;
        status = mdlScanCriteria_scan(criteria, positions, &words, nullptr);
        for (int i = 0; i < words / 2; ++i) {
            MSElementDescr* descr = nullptr;
            if (mdlElmdscr_read(&descr, positions[i], modelRef, 0, nullptr) == 0 || !descr) continue;
            int version = 0, size = 0;
            void* data = nullptr;
            if (zmlib66Elem_getData(&descr->el, applicationId, &version, &data, &size) == ZMLIB_SUCCESS) {
                ++matches;
                int stop = 0;
                if (nativeCallback)
                    stop = callback ? callback(userArg, version, &descr->el, positions[i], i, data, size) : 0;
                else
                    stop = dlmSystem_callAnyFunction("PIPIIPI", mdlSystem_getCurrMdlDesc(),
                                                     reinterpret_cast<void*>(callback), userArg, version, &descr->el,
                                                     static_cast<int>(positions[i]), i, data, size);
                if (stop) {
                    mdlElmdscr_freeAll(&descr);
                    mdlScanCriteria_free(criteria);
                    return i + 1;
                }
            }
            mdlElmdscr_freeAll(&descr);
        }
    } while (words != 0 && status == SCAN_BUFFER_FULL);
    mdlScanCriteria_free(criteria);
    return matches;
}

extern "C" ZMLIB_API int zmlib66Elem_scanDataFromFile(void* userArg, int applicationId, DgnModelRefP modelRef,
                                                      Zm66ScanFunction callback) {
    return zmlib66Elem_scanDataFromFileExtended(userArg, applicationId, modelRef, callback, 0);
}

extern "C" ZMLIB_API int zmlib66Elem_convertToFileFormat(char* block, int* offset, int code, ...) {
    if (!knownCode(code)) return 1;
    va_list ap;
    va_start(ap, code);
    char* at = block + *offset;
    int width = 0;
    switch (code) {
    case ZMFIELD_DOUBLE: {
        double value = va_arg(ap, double);
        double stored;
        mdlCnv_doubleToFileFormat(&stored, &value);
        std::memcpy(at, &stored, 8);
        width = 8;
        break;
    }
    case ZMFIELD_STRING: {
        const char* text = va_arg(ap, const char*);
        width = static_cast<int>(std::strlen(text)) + 1;
        std::memcpy(at, text, width);
        break;
    }
    case ZMFIELD_CHAR: *at = *va_arg(ap, const char*); width = 1; break;
    case ZMFIELD_SHORT: std::memcpy(at, va_arg(ap, const int16_t*), 2); width = 2; break;
    case ZMFIELD_BYTES: {
        const void* bytes = va_arg(ap, const void*);
        width = va_arg(ap, int);
        if (width > 0) std::memcpy(at, bytes, width);
        else width = 0;
        break;
    }
    case ZMFIELD_INT: {
        int32_t value = va_arg(ap, int32_t);
        std::memcpy(at, &value, 4);
        width = 4;
        break;
    }
    }
    va_end(ap);
    *offset += width;
    return 0;
}

/* Unbounded, as callers outside the library have always used it: a string
** is copied up to its NUL. The library's own readers use readField. */
extern "C" ZMLIB_API int zmlib66Elem_convertFromFileFormat(const char* block, int* offset, int code, ...) {
    if (!knownCode(code)) return 1;
    va_list ap;
    va_start(ap, code);
    const char* at = block + *offset;
    void* target = va_arg(ap, void*);
    int width = fixedWidth(code);
    if (code == ZMFIELD_STRING) width = static_cast<int>(std::strlen(at)) + 1;
    if (code == ZMFIELD_BYTES) {
        width = va_arg(ap, int);
        if (width < 0) width = 0;
    }
    va_end(ap);
    if (width) std::memcpy(target, at, width);
    if (code == ZMFIELD_DOUBLE) {
        double* d = static_cast<double*>(target);
        mdlCnv_doubleFromFileFormat(d, d);
    }
    *offset += width;
    return 0;
}
