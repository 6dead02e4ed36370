/* The resource compiler on one TOML source: it compiles or reports, and
** never crashes. */

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/scratch.h"
#include "host/sim/tools/rcomp/rcomp.h"

int rcompMain(int argc, char** argv);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string source = scratchFolder("rcomp") + "/in.toml", output = scratchFolder("rcomp") + "/out.ma";
    if (!writeInput(source, data, size)) return 0;
    rcomp::cs = rcomp::CompilerState{};
    std::string o = "-o";
    char* argv[] = {o.data(), o.data(), const_cast<char*>(output.c_str()), const_cast<char*>(source.c_str()), nullptr};
    rcompMain(4, argv);
    std::remove(output.c_str());
    return 0;
}
