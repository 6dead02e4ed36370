/* Element records as a design file holds them, one after another, put into
** a model of their own: what the element and dimension targets start from. */
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/mdlelement.h"
#include "host/sim/design/design_int.h"

/* A model holding the well-formed records at the front of DATA, at most
** LIMIT of them; *COUNT gets how many (positions 1 to *COUNT). */
inline std::unique_ptr<DgnModel> modelOfRecords(const uint8_t* data, size_t size, uint32_t limit, uint32_t* count) {
    using namespace sim::elem;
    auto m = std::make_unique<DgnModel>();
    m->file = nullptr;
    m->id = 1;
    m->name = "Fuzz";
    size_t at = 0;
    uint32_t pos = 0;
    while (at + ELEMENT_HEADER_SIZE <= size && pos < limit) {
        const uint8_t* record = data + at;
        uint32_t bytes = sizeBytes(record);
        if (bytes < ELEMENT_HEADER_SIZE || bytes > size - at || !wellFormed(record, size - at)) break;
        const uint8_t* copy = sim::design::arenaCopy(m.get(), record, bytes);
        sim::design::setSlot(m.get(), ++pos, copy, false, (get4(copy) & COMPONENT_BIT) != 0);
        at += bytes;
    }
    *count = pos;
    return m;
}
