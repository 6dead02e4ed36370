/* User data linkages: appended to elements with their application id and
** data version in front, read back from the first linkage of the library. */
#include "lib/elements/userdata.h"

#include <algorithm>
#include <cstring>
#include "host/mdlsystem.h"
#include "lib/elements/support_int.h"

namespace {

using namespace zmlib::elements;

/* User data linkage, 16-bit words in the host's order:
**   OFFSET SIZE  FIELD
**      0     2   header word: user-data flag 0x1000 and the length W in words
**      2     2   primary id 20275
**      4     2   application id (signed)
**      6     2   data version (signed)
**      8     n   the caller's data, then zeros up to 2 W bytes
** W = ((n + 1) / 2 + 7) / 4 * 4: whole words, four in front, a multiple of four. */
constexpr int LINKAGE_HEAD = 8;
/* The longest linkage an append makes: 8188 bytes of data give 4100 words,
** 8200 bytes, so both buffers hold that much (8196 would leave the host
** copying the last 4 padding bytes from beyond the buffer). */
constexpr int LINKAGE_BUFFER = 8200;

}  // namespace

extern "C" ZMLIB_API int zmlibAttrib_appendElementUserData(int applicationId, int dataVersion, MSElement* element,
                                                           const void* data, unsigned int size) {
    if (size > ZMLIB_USERDATA_MAX_SIZE) {
        toolSubsystem_printf("Userdata er for stor. buffersize=%d\n", static_cast<int>(size));
        return ZMLIB_ERROR;
    }
    if (!element || (size && !data)) return ZMLIB_ERROR;
    uint8_t buffer[LINKAGE_BUFFER];
    LinkageHeader header{};
    header.headerWord = LINKAGE_USER_FLAG;
    header.primaryID = ZMLIB_USERDATA_LINKAGE_ID;
    int words = ((static_cast<int>(size) + 1) / 2 + 7) / 4 * 4;
    /* Only the linkage's own bytes are cleared: this runs for every member of every chain drawn. */
    std::memset(buffer, 0, std::min<size_t>(sizeof buffer, 2 * static_cast<size_t>(words) + 16));
    mdlLinkage_setWords(&header, words);
    std::memcpy(buffer, &header, sizeof header);
    put2le(buffer + 4, static_cast<uint16_t>(applicationId));
    put2le(buffer + 6, static_cast<uint16_t>(dataVersion));
    if (size) std::memcpy(buffer + LINKAGE_HEAD, data, size);
    return mdlLinkage_appendToElement(element, &header, buffer + 4, nullptr, nullptr);
}

/* The size reported is what the linkage really holds behind its head, and
** never more than the 8192 bytes a caller's buffer is promised to take. */
extern "C" ZMLIB_API int zmlibAttrib_extractElementUserData(const MSElement* element, int applicationId,
                                                            int* dataVersionOut, void* dataOut, int* sizeOut) {
    if (!element) return ZMLIB_ERROR;
    uint8_t buffer[LINKAGE_BUFFER];
    if (!mdlLinkage_extractFromElement(buffer, sizeof buffer, element, ZMLIB_USERDATA_LINKAGE_ID, nullptr, nullptr,
                                       nullptr))
        return ZMLIB_ERROR;
    int words = mdlLinkage_getWords(reinterpret_cast<const LinkageHeader*>(buffer));
    int size = 2 * words - LINKAGE_HEAD;
    if (size < 0) return ZMLIB_ERROR;   /* too short to hold its own ids */
    if (get2sle(buffer + 4) != applicationId) return ZMLIB_ERROR;
    if (size > ZMLIB_USERDATA_MAX_EXTRACT) size = ZMLIB_USERDATA_MAX_EXTRACT;
    if (dataVersionOut) *dataVersionOut = get2sle(buffer + 6);
    if (sizeOut) *sizeOut = size;
    if (dataOut && size) std::memcpy(dataOut, buffer + LINKAGE_HEAD, size);
    return ZMLIB_SUCCESS;
}
