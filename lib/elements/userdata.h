/* User data linkages: a block of an application's bytes carried by a graphic
** element, keyed by application id and data version. */
#pragma once

#include "host/mdlelement.h"
#include "lib/zmlib_api.h"

enum : int {
    ZMLIB_USERDATA_LINKAGE_ID = 20275,   /* primary id of every user data linkage of the library */
    ZMLIB_USERDATA_MAX_SIZE = 8188,      /* bytes of data a linkage takes */
    ZMLIB_USERDATA_MAX_EXTRACT = 8192,   /* bytes an extraction copies at most */
};

/* Append SIZE bytes of DATA to ELEMENT (changed in place) as a user data
** linkage of APPLICATIONID and DATAVERSION. 0x8000 (with a console line) when
** SIZE exceeds 8188; otherwise the host's status of the append. */
extern "C" ZMLIB_API int zmlibAttrib_appendElementUserData(int applicationId, int dataVersion, MSElement* element,
                                                           const void* data, unsigned int size);
/* Copy the data of ELEMENT's first user data linkage when it belongs to
** APPLICATIONID: DATAOUT (at least 8192 bytes) gets the data with its padding
** to a multiple of 8 bytes, SIZEOUT its size, DATAVERSIONOUT the version.
** 0x8000 with no output set when there is none or it is another's. */
extern "C" ZMLIB_API int zmlibAttrib_extractElementUserData(const MSElement* element, int applicationId,
                                                            int* dataVersionOut, void* dataOut, int* sizeOut);
