/* The decoders of compiled resources: the first byte picks the decoder, the
** rest is the resource's bytes. A decoded resource packs again. */
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/sim/resources/resources.h"

namespace {

template <class Rsc>
void roundTrip(int (*decode)(const uint8_t*, size_t, Rsc&), int (*pack)(const Rsc&, std::vector<uint8_t>&),
               const uint8_t* data, size_t size) {
    Rsc r;
    if (decode(data, size, r) != RSC_SUCCESS) return;
    std::vector<uint8_t> again;
    pack(r, again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t* body = data + 1;
    size_t n = size - 1;
    switch (data[0] % 7) {
    case 0: roundTrip(sim::decodeMessageList, sim::packMessageList, body, n); break;
    case 1: roundTrip(sim::decodeStringList, sim::packStringList, body, n); break;
    case 2: roundTrip(sim::decodeDialog, sim::packDialog, body, n); break;
    case 3: roundTrip(sim::decodeMenu, sim::packMenu, body, n); break;
    case 4: roundTrip(sim::decodeCommandTable, sim::packCommandTable, body, n); break;
    case 5: roundTrip(sim::decodeRaster, sim::packRaster, body, n); break;
    case 6: roundTrip(sim::decodeTypeDescription, sim::packTypeDescription, body, n); break;
    }
    return 0;
}
