/* Workspace configuration files: the input is one file that may include
** itself, define, expand and test variables. */
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    /* A folder of its own, so that wildcard includes meet only this file. */
    static const std::string dir = "/tmp/zm-fuzz-config-" + std::to_string(::getpid());
    static const std::string file = (::mkdir(dir.c_str(), 0700), dir + "/in.cfg");
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::string error;
    sim::processConfigFile(file, CFGVAR_LEVEL_USER, error);
    for (const std::string& name : sim::configuredVariableNames()) sim::variableValue(name);
    sim::resetConfiguration();
    return 0;
}
