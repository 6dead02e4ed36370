/* Windows file calls of the host: deletion and short path names. */
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "host/win32.h"
#include "host/sim/system/system.h"

HOST_API BoolInt DeleteFileA(const char* path) {
    if (!path || !*path) return 0;
    std::string local = sim::hostPath(path);
    struct stat st;
    if (local.empty() || ::stat(local.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
    return std::remove(local.c_str()) == 0 ? 1 : 0;
}

HOST_API UInt32 GetShortPathNameA(const char* longPath, char* shortPath, UInt32 size) {
    if (!longPath || !*longPath) return 0;
    std::string local = sim::hostPath(longPath);
    struct stat st;
    if (local.empty() || ::stat(local.c_str(), &st) != 0) return 0;
    size_t n = std::strlen(longPath);
    if (!shortPath || size <= n) return static_cast<UInt32>(n + 1);
    std::memmove(shortPath, longPath, n + 1);
    return static_cast<UInt32>(n);
}
