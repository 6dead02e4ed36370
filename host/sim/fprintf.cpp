/* Formatted output to a host file stream. */
#include <cstdio>
#include <cstring>

#include "host/mdlsystem.h"
#include "host/sim/sim_output.h"

HOST_API int toolSubsystem_fprintf(FILE* file, const char* format, ...) {
    if (!file) return -1;
    va_list ap;
    va_start(ap, format);
    int n;
    if (std::strstr(format, "%S") || std::strstr(format, "%ls")) {
        std::string s = sim::formatV(format, ap);
        n = std::fwrite(s.data(), 1, s.size(), file) == s.size() ? static_cast<int>(s.size()) : -1;
    } else {
        n = std::vfprintf(file, format, ap);
    }
    va_end(ap);
    return n;
}
