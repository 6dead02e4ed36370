/* Element records as a design file holds them, one after another: each
** record the host takes goes into a model, which is then dumped (geometry,
** texts, linkages), spanned and read as descriptors, as a session would. */
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/model_records.h"
#include "host/mdlelement.h"
#include "host/sim/design/design_int.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t pos = 0;
    std::unique_ptr<DgnModel> m = modelOfRecords(data, size, 4096, &pos);
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
