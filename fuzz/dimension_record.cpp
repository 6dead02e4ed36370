/* Dimension records as a design file holds them: the input is a run of
** element records (a dimension cell with its components, or anything else)
** put into a model; every position is then read as a dimension and as a
** component, as picking an element on the drawing does. */
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/dimrecord.h"
#include "app/dimension.h"
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
    while (at + ELEMENT_HEADER_SIZE <= size && pos < 512) {
        const uint8_t* record = data + at;
        uint32_t bytes = sizeBytes(record);
        if (bytes < ELEMENT_HEADER_SIZE || bytes > size - at || !wellFormed(record, size - at)) break;
        const uint8_t* copy = sim::design::arenaCopy(m.get(), record, bytes);
        sim::design::setSlot(m.get(), ++pos, copy, false, (get4(copy) & COMPONENT_BIT) != 0);
        at += bytes;
    }
    DgnModelRefP model = m.get();
    for (uint32_t p = 1; p <= pos; ++p) {
        DimensionRecord dim{};
        int32_t current = 0;
        uint32_t header = dimRecord_findHeader(p, model);
        if (header) dimRecord_readInto(&dim, &current, header, model, p);
        MSElement element;
        if (mdlElement_read(&element, model, p) == 0) dimRecord_readComponentData(&element, &dim, &current, nullptr);
    }
    /* The header block alone, in both versions. */
    DimensionRecord dim{};
    double scale = 0.0;
    dimRecord_unpackHeader(&dim, &scale, 2, reinterpret_cast<const char*>(data), static_cast<int>(size));
    dimRecord_unpackHeader(&dim, &scale, 3, reinterpret_cast<const char*>(data), static_cast<int>(size));
    return 0;
}
