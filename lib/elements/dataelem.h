/* Data elements: non-graphic type-66 elements on level 20 that hold one
** block of an application's bytes, saved, read and scanned by application id;
** and the field packing of such blocks. */
#pragma once

#include <cstdint>
#include "host/mdlelement.h"
#include "lib/zmlib_api.h"

enum : int {
    ZMLIB_DATAELEM_LEVEL = 20,
    ZMLIB_DATAELEM_SIGNATURE = 157,
    ZMLIB_DATAELEM_MAX_SIZE = 8152,    /* bytes of data an element takes */
    ZMLIB_DATAELEM_DATA_OFFSET = 38,
    ZMLIB_DATAELEM_ADD_REFUSED = -100, /* the host did not add the element */
};

/* Field type codes of the packing functions. */
enum ZmFieldCode : int {
    ZMFIELD_DOUBLE = 1,   /* a double in the design-file form, 8 bytes */
    ZMFIELD_STRING = 3,   /* a NUL-terminated string with its NUL */
    ZMFIELD_CHAR = 4,     /* 1 byte */
    ZMFIELD_SHORT = 6,    /* 2 bytes */
    ZMFIELD_BYTES = 8,    /* a byte block, then its length */
    ZMFIELD_INT = 9,      /* 4 bytes */
};

/* Called for each matching data element of a scan: USERARG, the data version,
** the element, its file position, its index in the current batch (from 0),
** its data and their size. Answer 0 to go on, non-zero to stop. */
typedef int (*Zm66ScanFunction)(void* userArg, int dataVersion, MSElement* element, uint32_t filePos, int index,
                                void* data, int size);

/* Build a data element of SIZE bytes of DATA into ELEMENTOUT, which must hold
** SIZE + 40 bytes. 0, or 0x8000 when SIZE exceeds 8152. */
extern "C" ZMLIB_API int zmlib66Elem_saveData(MSElement* elementOut, int applicationId, int dataVersion,
                                              const void* data, int size);
/* Build a data element and add it to the active model. 0 with *FILEPOSOUT
** set; -100 when the host refused it; 0x8000 (nothing added) when too large. */
extern "C" ZMLIB_API int zmlib66Elem_saveDataToFile(int applicationId, int dataVersion, const void* data, int size,
                                                    uint32_t* filePosOut);
/* *DATAOUT points at the data inside ELEMENT (no copy) when it is a data
** element of APPLICATIONID. 0, or 0x8000 with *DATAOUT null. */
extern "C" ZMLIB_API int zmlib66Elem_getData(MSElement* element, int applicationId, int* dataVersionOut,
                                             void** dataOut, int* sizeOut);
/* Call CALLBACK for each data element of APPLICATIONID in MODELREF: directly
** when NATIVECALLBACK is non-zero, else through the host on behalf of the
** current application. Answers the number of matches, index + 1 when the
** callback stopped the scan, 0 when the scan cannot be set up. */
extern "C" ZMLIB_API int zmlib66Elem_scanDataFromFileExtended(void* userArg, int applicationId,
                                                              DgnModelRefP modelRef, Zm66ScanFunction callback,
                                                              int nativeCallback);
extern "C" ZMLIB_API int zmlib66Elem_scanDataFromFile(void* userArg, int applicationId, DgnModelRefP modelRef,
                                                      Zm66ScanFunction callback);
/* Pack one field at BLOCK + *OFFSET and advance *OFFSET. 0, or 1 for a
** refused code (nothing written). */
extern "C" ZMLIB_API int zmlib66Elem_convertToFileFormat(char* block, int* offset, int code, ...);
/* Unpack one field from BLOCK + *OFFSET into the target and advance *OFFSET.
** 0, or 1 for a refused code. */
extern "C" ZMLIB_API int zmlib66Elem_convertFromFileFormat(const char* block, int* offset, int code, ...);
