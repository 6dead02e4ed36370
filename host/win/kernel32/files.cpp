/* kernel32: files (deletion, short path names) and environment variables.
** Paths are platform paths, mapped as every host file call maps them. */
#include <windows.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/sim/system/system.h"

WINBASEAPI BOOL WINAPI DeleteFileA(LPCSTR path) {
    if (!path || !*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string local = sim::hostPath(path);
    struct stat st;
    if (local.empty() || ::stat(local.c_str(), &st) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (S_ISDIR(st.st_mode) || std::remove(local.c_str()) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

/* This machine has no separate short names: the short form of an existing
** path is the path itself. Answers the length copied, or the size needed
** (terminator included) when the buffer is too small, or 0 when the path
** does not exist. */
WINBASEAPI DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    if (!longPath || !*longPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string local = sim::hostPath(longPath);
    struct stat st;
    if (local.empty() || ::stat(local.c_str(), &st) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    size_t n = std::strlen(longPath);
    if (!shortPath || size <= n) return static_cast<DWORD>(n + 1);
    std::memmove(shortPath, longPath, n + 1);
    return static_cast<DWORD>(n);
}

/* The configuration answers first (the workspace describes the machine),
** then the process environment. */
WINBASEAPI DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    std::optional<std::string> v = name ? sim::variableValue(name) : std::nullopt;
    if (!v) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (!buffer || size <= v->size()) return static_cast<DWORD>(v->size() + 1);
    std::memcpy(buffer, v->c_str(), v->size() + 1);
    return static_cast<DWORD>(v->size());
}
