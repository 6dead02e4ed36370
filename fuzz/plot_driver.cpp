/* Plot driver files (*.plt), as a plot description reads them. */
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/sim/output/output.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::plot::Driver driver;
    std::string error;
    if (sim::plot::parseDriver(std::string(reinterpret_cast<const char*>(data), size), driver, error) &&
        driver.papers.empty())
        __builtin_trap();   /* a parsed driver always has a paper */
    return 0;
}
