/* kernel32: the thread's last error. */
#include <windows.h>

namespace {
thread_local DWORD lastError = 0;
}

WINBASEAPI DWORD WINAPI GetLastError(void) { return lastError; }
WINBASEAPI void WINAPI SetLastError(DWORD code) { lastError = code; }
