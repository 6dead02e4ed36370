/* Line-oriented text files read as logical lines (comments, blank lines and
** continuation lines folded, include directives followed), and single-call
** file services. */
#pragma once

#include "host/mdltypes.h"
#include "lib/zmlib_api.h"

/* An open text file. Included files hang below the file that included them,
** one chain from the caller's handle down; they all share the caller's line buffer. */
struct ZmTextFile {
    TextFileP hostFile;
    int included;             /* 1: opened by an include directive */
    char continuation;        /* a logical line continues when its last non-blank character is this */
    char comment;             /* a physical line starting with this is skipped */
    int bufferSize;           /* bytes of the line buffer */
    char* buffer;             /* owned by the caller's handle, shared by its includes */
    char fileName[256];       /* as opened (expanded, for included files) */
    ZmTextFile* child;        /* the included file being read, or null */
    ZmTextFile* parent;       /* for an included file, the file that included it */
};

/* Open FILENAME with MODE "r", "w" or "a"; the first characters of
** CONTINUATION and COMMENT are used; lines are read into a buffer of
** BUFFERSIZE bytes (at least 2). Null after a message on failure. */
extern "C" ZMLIB_API ZmTextFile* zmlibFile_openExtended(const char* fileName, const char* mode,
                                                       const char* continuation, const char* comment,
                                                       int bufferSize);
/* As zmlibFile_openExtended with '\\', '#' and a 512-byte line buffer. */
extern "C" ZMLIB_API ZmTextFile* zmlibFile_open(const char* fileName, const char* mode);
extern "C" ZMLIB_API ZmTextFile* zmlibFile_openHWSpesific(const char* fileName, const char* mode);
/* Close FILE and every file it includes; 0, or the failing host status after a message. */
extern "C" ZMLIB_API int zmlibFile_close(ZmTextFile* file);
/* Close the included files and start FILE again from its beginning. */
extern "C" ZMLIB_API void zmlibFile_rewind(ZmTextFile* file);
/* The next physical line (newline kept) in the shared line buffer, include
** directives followed; null at the end. BUFFER and SIZE are not used. */
extern "C" ZMLIB_API char* zmlibFile_fgets(char* buffer, int size, ZmTextFile* file);
/* Read the next logical line into DESTINATION (SIZE bytes). Answers the
** physical lines consumed (> 0), 0 at the end of the file, -1 after a message
** when the line does not fit or cannot be read. */
extern "C" ZMLIB_API int zmlibFile_read(char* destination, ZmTextFile* file, int size);
/* As zmlibFile_read, with the text after the first ';' of each physical line
** taken off the data and put in COMMENT, which has SIZE bytes as well. */
extern "C" ZMLIB_API int zmlibFile_read2(char* destination, char* comment, ZmTextFile* file, int size);
/* 1 when PATH names an existing directory, else 0. */
extern "C" ZMLIB_API int zmlibFile_directoryExists(const char* path);
/* The short form of PATH in a library buffer that the next call overwrites
** ("" when PATH does not exist). */
extern "C" ZMLIB_API char* zmlibFile_GetShortPathName(const char* path);
/* Delete file PATH; non-zero on success. */
extern "C" ZMLIB_API int zmlibFile_delete(const char* path);
/* Non-zero when design file FILENAME cannot be written. */
extern "C" ZMLIB_API int zmlibFile_isReadOnly(const char* fileName);
