/* Export macro and status codes shared by every module of the library. */
#pragma once

#if defined(_WIN32)
#define ZMLIB_API __declspec(dllexport)
#else
#define ZMLIB_API __attribute__((visibility("default")))
#endif

enum : int {
    ZMLIB_SUCCESS = 0,
    ZMLIB_ERROR = 0x8000, /* a failed library operation: not found, too large, cannot open, nothing to do */
};
