/* Workspace configuration files: the input is one file that may include
** itself, define, expand and test variables. */

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/scratch.h"
#include "host/mdlsystem.h"
#include "host/sim/system/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    /* A folder of its own, so that wildcard includes meet only this file. */
    static const std::string file = scratchFolder("config") + "/in.cfg";
    if (!writeInput(file, data, size)) return 0;
    std::string error;
    sim::processConfigFile(file, CFGVAR_LEVEL_USER, error);
    for (const std::string& name : sim::configuredVariableNames()) sim::variableValue(name);
    sim::resetConfiguration();
    return 0;
}
