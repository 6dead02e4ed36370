/* Basic types of the platform API: points, matrices, wide characters,
** descriptors and the visibility macro every host header uses.
** The add-in sees only these headers; the simulated host implements them. */
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define HOST_API extern "C" __declspec(dllimport)
#else
#define HOST_API extern "C" __attribute__((visibility("default")))
#endif

/* Platform wide text is UTF-16 on every build: the system's wchar_t on
** Windows, char16_t elsewhere (wchar_t is 32-bit on Linux). */
#if defined(_WIN32)
typedef wchar_t MSWChar;
#else
typedef char16_t MSWChar;
#endif
static_assert(sizeof(MSWChar) == 2, "platform wide characters are 16-bit");

typedef int32_t BoolInt;      /* 0 false, non-zero true */
typedef int32_t StatusInt;    /* 0 success, otherwise a status documented with the call */
typedef uint32_t UInt32;
typedef int32_t Int32;
typedef uint16_t UInt16;
typedef int16_t Int16;

/* Resource and item types are four characters in reading order:
** fourCC("pdMn") == 0x70644D6E. */
constexpr uint32_t fourCC(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 | uint32_t(uint8_t(code[2])) << 8 |
           uint32_t(uint8_t(code[3]));
}

enum : int {
    HOST_SUCCESS = 0,
    HOST_ERROR = 32768, /* general failure answered by host calls that have no finer status */
};

struct Dpoint3d { double x, y, z; };
struct Dpoint2d { double x, y; };
struct Dvector3d { Dpoint3d org, end; };
struct DRange3d { Dpoint3d low, high; };
/* Element ranges are stored as integers in units of resolution. */
struct ScanRange { int64_t xlowlim, ylowlim, zlowlim, xhighlim, yhighlim, zhighlim; };
struct RotMatrix { double form3d[3][3]; };    /* form3d[row][column] */
struct Transform { double form3d[3][4]; };    /* rotation columns 0..2, translation column 3 */

/* An application loaded into the host. The record is the host's; the add-in
** holds pointers to it and compares them. */
struct MdlDesc;
typedef MdlDesc* MdlDescP;

/* Opaque host handles. */
typedef uintptr_t RscFileHandle;   /* an open resource file; 0 is never a valid handle */
struct StringList;
typedef struct DgnModel* DgnModelRefP;
typedef struct TextFile* TextFileP;
