/* Dimension records as a design file holds them: the input is a run of
** element records (a dimension cell with its components, or anything else)
** put into a model; every position is then read as a dimension and as a
** component, as picking an element on the drawing does. */
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/dimrecord.h"
#include "app/dimension.h"
#include "fuzz/model_records.h"
#include "host/mdlelement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t pos = 0;
    std::unique_ptr<DgnModel> m = modelOfRecords(data, size, 512, &pos);
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
