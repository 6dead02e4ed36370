/* Element records as a design file holds them, one after another: each
** record the host takes goes into a model, which is then dumped (geometry,
** texts, linkages), spanned and read as descriptors, as a session would. */
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/mdlelement.h"
#include "host/sim/design/design_int.h"

using namespace sim::elem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto m = std::make_unique<DgnModel>();
    m->file = nullptr;
    m->id = 1;
    m->name = "Fuzz";
    size_t at = 0;
    uint32_t pos = 0;
    while (at + ELEMENT_HEADER_SIZE <= size && pos < 4096) {
        const uint8_t* record = data + at;
        uint32_t bytes = sizeBytes(record);
        if (bytes < ELEMENT_HEADER_SIZE || bytes > size - at || !wellFormed(record, size - at)) break;
        const uint8_t* copy = sim::design::arenaCopy(m.get(), record, bytes);
        sim::design::setSlot(m.get(), ++pos, copy, false, (get4(copy) & COMPONENT_BIT) != 0);
        at += bytes;
    }
    std::string text;
    sim::design::dump(m.get(), text);
    for (uint32_t p = 1; p <= pos; ++p) {
        sim::design::span(m.get(), p);
        uint32_t next = p;
        MSElementDescr* d = sim::design::readTree(m.get(), next, false);
        mdlElmdscr_freeAll(&d);
    }
    return 0;
}
