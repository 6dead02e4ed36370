/* Utility services of the platform: growing arrays of fixed-size members,
** sorting with a caller's comparison, and the file lister. */
#pragma once

#include "host/mdltypes.h"

/* ---- Dynamic arrays ----------------------------------------------------------
** An array of members of one fixed size that grows as members are inserted.
** Member pointers stay valid until the next insertion or deletion. */
typedef struct DArray* DArrayP;

/* A new, empty array of MEMBERSIZE-byte members; null when MEMBERSIZE is not
** positive or memory runs out. */
HOST_API DArrayP mdlDArray_create(int memberSize);
/* Insert COUNT members copied from MEMBERS (zero-filled when MEMBERS is null)
** before member INDEX; INDEX -1 (or the count) appends. HOST_ERROR for a bad
** index or count, or when memory runs out (the array is then unchanged). */
HOST_API StatusInt mdlDArray_insertMembers(DArrayP array, int index, const void* members, int count);
/* Remove COUNT members from INDEX on; HOST_ERROR for a bad range. */
HOST_API StatusInt mdlDArray_deleteMembers(DArrayP array, int index, int count);
/* Number of members; 0 for null. */
HOST_API int mdlDArray_getCount(DArrayP array);
/* Member INDEX, or null when out of range. */
HOST_API void* mdlDArray_getMember(DArrayP array, int index);
/* The members as one contiguous block (null when empty). */
HOST_API void* mdlDArray_getData(DArrayP array);
/* Free the array and clear *ARRAY; null and *ARRAY null are accepted. */
HOST_API void mdlDArray_free(DArrayP* array);

/* ---- Sorting -----------------------------------------------------------------
** Sort COUNT members of MEMBERSIZE bytes at BASE with COMPARE (negative: a
** before b). Equal members keep their order. An inconsistent comparison gives
** some order but never reads or writes outside the members. */
typedef int (*UtilCompareFunc)(const void* a, const void* b);
HOST_API void mdlUtil_quickSort(void* base, int count, int memberSize, UtilCompareFunc compare);

/* ---- File lister -------------------------------------------------------------
** Entries matching a platform path whose last component may hold the
** wildcards '*' and '?' (matched case-insensitively); a path without
** wildcards lists the one entry it names. "." and ".." are never listed. */
enum FileListAttributes : UInt32 {
    FILELIST_READONLY = 1,
    FILELIST_DIRECTORY = 128,
    FILELIST_DRIVE = 0x10000,  /* a drive's entry: PATH is its root */
};
struct FileListEntry {
    char name[256];          /* the entry's name, without its directory */
    char path[256];          /* directory as given plus name */
    UInt32 attributes;       /* FileListAttributes */
    int64_t size;            /* bytes; 0 for a directory */
    int64_t mtime;           /* seconds since 1970 */
};
typedef struct FileList* FileListP;

/* List the entries matching PATTERN, sorted by name; null when nothing
** matches (or the pattern is null or empty). Free with mdlFileList_free. */
HOST_API FileListP mdlFileList_create(const char* pattern);
HOST_API int mdlFileList_getCount(FileListP list);
/* Entry INDEX, or null when out of range. */
HOST_API const FileListEntry* mdlFileList_getEntry(FileListP list, int index);
HOST_API void mdlFileList_free(FileListP* list);
/* Which entries mdlFileList_createByMode lists: an OR of these. */
enum : int {
    FILELIST_MODE_DRIVES = 64,       /* one entry "[-X:]" per drive the workspace maps, after the rest */
    FILELIST_MODE_DIRECTORIES = 128,
    FILELIST_MODE_FILES = 256,
};
/* As mdlFileList_create, keeping the kinds of entries MODE names; PATTERN
** may be null for drives alone. Null when nothing is listed. */
HOST_API FileListP mdlFileList_createByMode(const char* pattern, int mode);
