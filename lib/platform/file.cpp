/* Text files with continuation and include lines: handles and their include
** chain, physical and logical line reading; and the single-call file
** services (directory test, short path, delete, read-only test). */
#include "lib/platform/file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "host/mdlsystem.h"
#include "host/mdlutil.h"
#include "lib/core/util.h"
#include "lib/core/error.h"
#include "lib/core/mem.h"
#include "lib/core/text_int.h"

namespace {

enum : int {
    MSG_CANNOT_OPEN = 1,   /* with the file name */
    MSG_CLOSE_FAILED = 2,
    MSG_LINE_TOO_LONG = 3, /* with the size */
    MSG_NUL_BYTE = 29,     /* with the file name */
    MSG_READ_ERROR = 4,
};

const char INCLUDE[] = "%include";
/* Files open in one chain at most: each holds a file handle. */
constexpr int MAX_INCLUDE_DEPTH = 32;
const char INCLUDE_IF_EXISTS[] = "%if exist include";

struct FileState {
    char shortPath[256];
};
FileState state{};

ZmTextFile* deepest(ZmTextFile* file) {
    while (file->child) file = file->child;
    return file;
}

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

/* A name reduced for comparison: one kind of separator, no "." steps, ".."
** steps applied, lower case (the platform compares names without case). */
std::string comparableName(const char* name) {
    std::string out;
    std::string part;
    auto endPart = [&] {
        if (part == "..") {
            size_t cut = out.find_last_of('/');
            out.erase(cut == std::string::npos ? 0 : cut);
        } else if (!part.empty() && part != ".") {
            out += '/';
            out += part;
        }
        part.clear();
    };
    for (const char* p = name; *p; ++p) {
        if (*p == '/' || *p == '\\')
            endPart();
        else
            part += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    endPart();
    return out;
}

bool isOpenInChain(const ZmTextFile* file, const char* name) {
    std::string wanted = comparableName(name);
    for (; file; file = file->parent)
        if (comparableName(file->fileName) == wanted) return true;
    return false;
}

/* Close FILE and its includes; an included file unhooks itself from its parent. */
int closeChain(ZmTextFile* file) {
    if (file->child) closeChain(file->child);
    int status = mdlTextFile_close(file->hostFile);
    if (status != 0)
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CLOSE_FAILED, file->fileName);
    if (file->included) {
        if (file->parent) file->parent->child = nullptr;
    } else {
        dlmSystem_mdlFree(file->buffer);
    }
    dlmSystem_mdlFree(file);
    return status;
}

/* The file an include line names, as it will be opened: configuration
** variables expanded, and a plain name that is not found as written taken
** relative to the including file's directory. */
std::string includePath(const ZmTextFile* including, const std::string& name) {
    std::string path = name;
    if (char* expanded = mdlSystem_expandCfgVar(name.c_str())) {
        path = expanded;
        dlmSystem_mdlFree(expanded);
    }
    if (path == name && mdlFile_getFileAttributes(name.c_str(), nullptr, nullptr, nullptr) != 0) {
        char device[MAXDEVICELENGTH] = "", directory[MAXDIRLENGTH] = "";
        if (mdlFile_parseName(including->fileName, device, directory, nullptr, nullptr) == 0) {
            path = directory + name;
            if (device[0]) path = std::string(device) + ":" + path;
        }
    }
    return path;
}

/* Follow the include line LINE (read in FILE's buffer). True when the
** included file is open and now the deepest of the chain. */
bool openInclude(ZmTextFile* file, char* line, bool silentIfMissing) {
    const char* directive = silentIfMissing ? INCLUDE_IF_EXISTS : INCLUDE;
    std::string name = line + std::strlen(directive);
    /* The name is the rest of the line without its line end and without any blank. */
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    std::vector<char> bare(name.begin(), name.end());
    bare.push_back('\0');
    name = zmlibUtil_removeSpaces(bare.data());
    std::string path = includePath(file, name);
    /* A file that is already open in the chain would include itself without
    ** end. The chain keeps names whole, so one too long to keep is refused. */
    int depth = 0;
    for (const ZmTextFile* f = file; f; f = f->parent) ++depth;
    if (path.size() >= sizeof file->fileName || depth >= MAX_INCLUDE_DEPTH || isOpenInChain(file, path.c_str())) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN, path.c_str());
        return false;
    }
    TextFileP host = path.empty() ? nullptr : mdlTextFile_open(path.c_str(), TEXTFILE_READ);
    if (!host) {
        if (!silentIfMissing)
            zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN, path.c_str());
        return false;
    }
    auto* child = static_cast<ZmTextFile*>(
        zmlibMem_mallocRscErrorPrintf(sizeof(ZmTextFile), ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!child) {
        mdlTextFile_close(host);
        return false;
    }
    child->hostFile = host;
    child->included = 1;
    child->continuation = file->continuation;
    child->comment = file->comment;
    child->bufferSize = file->bufferSize;
    child->buffer = file->buffer;
    zmlib::copyFixed(child->fileName, path.c_str());
    child->parent = file;
    file->child = child;
    return true;
}

/* Drop the rest of a physical line whose first piece filled the buffer. */
void skipRestOfLine(ZmTextFile* source) {
    for (;;) {
        if (mdlTextFile_getString(source->buffer, source->bufferSize, source->hostFile, TEXTFILE_KEEP_NEWLINE) != 0)
            return;
        size_t n = std::strlen(source->buffer);
        if (n && source->buffer[n - 1] == '\n') return;
    }
}

/* Read the next physical line of the chain into the shared buffer. SOURCE
** gets the handle it came from (for its end-of-file state). Null at the end. */
char* nextPhysicalLine(ZmTextFile* file, ZmTextFile** source) {
    for (;;) {
        ZmTextFile* d = deepest(file);
        *source = d;
        /* Zeroed, so that a piece holding a NUL byte still shows where it ended. */
        std::memset(d->buffer, 0, static_cast<size_t>(d->bufferSize));
        if (mdlTextFile_getString(d->buffer, d->bufferSize, d->hostFile, TEXTFILE_KEEP_NEWLINE) != 0) {
            if (d->included && mdlTextFile_isEof(d->hostFile)) {
                closeChain(d);
                continue;
            }
            return nullptr;
        }
        char* line = d->buffer;
        bool include = line[0] == '%' && startsWith(line, INCLUDE);
        bool includeIfExists = line[0] == '%' && !include && startsWith(line, INCLUDE_IF_EXISTS);
        if (!include && !includeIfExists) return line;
        size_t n = std::strlen(line);
        bool whole = (n && line[n - 1] == '\n') || mdlTextFile_isEof(d->hostFile);
        if (whole && openInclude(d, line, includeIfExists)) continue;
        /* Not followed: the line is passed on as a comment line. */
        if (!whole) skipRestOfLine(d);
        line[0] = d->comment;
        if (!whole) std::strcpy(line + 1, "\n");
        return line;
    }
}

/* Read one logical line. With SPLITCOMMENT each physical line ends at its
** first ';' and COMMENT (may be null) gets the text after it. */
int readLogical(char* destination, bool splitComment, char* comment, ZmTextFile* file, int size) {
    if (!file || !destination) return -1;
    if (size > 0) destination[0] = '\0';
    if (comment && size > 0) comment[0] = '\0';
    long long pos = 0;
    int lines = 0;
    for (;;) {
        ZmTextFile* source = nullptr;
        char* line = nextPhysicalLine(file, &source);
        if (!line) {
            if (mdlTextFile_isEof(source->hostFile)) {
                /* A continued line cut short by the end of the file is still a line. */
                return pos > 0 ? lines : 0;
            }
            zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_READ_ERROR, source->fileName);
            return -1;
        }
        size_t n = std::strlen(line);
        bool hasNewline = n && line[n - 1] == '\n';
        if (!hasNewline && n > 0 && !mdlTextFile_isEof(source->hostFile)) {
            /* A piece that ends early without its line feed holds a NUL byte:
            ** a binary file, not a line too long. */
            size_t piece = static_cast<size_t>(source->bufferSize) - 1;
            bool nul = n < piece;
            if (!std::memchr(line, '\n', piece)) skipRestOfLine(source);
            if (nul) zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_NUL_BYTE, source->fileName);
            else zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_LINE_TOO_LONG, source->bufferSize);
            return -1;
        }
        size_t dataLength = hasNewline ? n - 1 : n;
        bool cut = false;
        if (splitComment) {
            char* semicolon = static_cast<char*>(std::memchr(line, ';', dataLength));
            if (comment && size > 0) comment[0] = '\0';
            if (semicolon) {
                if (semicolon != line && comment && size > 0) {
                    size_t c = std::min<size_t>(dataLength - static_cast<size_t>(semicolon + 1 - line),
                                                static_cast<size_t>(size) - 1);
                    std::memcpy(comment, semicolon + 1, c);
                    comment[c] = '\0';
                }
                dataLength = static_cast<size_t>(semicolon - line);
                cut = true;
            }
        }
        /* The line counts with its line feed; a last line without one fits
        ** when its text and the terminator do. */
        long long counted = static_cast<long long>(dataLength) + (hasNewline || cut ? 1 : 0);
        if (pos + counted >= size) {
            zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_LINE_TOO_LONG, size);
            return -1;
        }
        ++lines;
        if (dataLength > 0 && line[0] == file->comment) continue;
        long long last = static_cast<long long>(dataLength) - 1;
        while (last >= 0 && (line[last] == ' ' || line[last] == '\t')) --last;
        if (last < 0) continue; /* blank */
        if (line[last] != file->continuation) {
            std::memcpy(destination + pos, line, static_cast<size_t>(last + 1));
            destination[pos + last + 1] = '\0';
            return lines;
        }
        /* Blanks before the continuation character go with it. */
        long long end = last;
        while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
        std::memcpy(destination + pos, line, static_cast<size_t>(end));
        pos += end;
        destination[pos++] = ' ';
        destination[pos] = '\0';
    }
}

}  // namespace

extern "C" ZMLIB_API ZmTextFile* zmlibFile_openExtended(const char* fileName, const char* mode,
                                                       const char* continuation, const char* comment,
                                                       int bufferSize) {
    int hostMode;
    if (mode && !std::strcmp(mode, "r"))
        hostMode = TEXTFILE_READ;
    else if (mode && !std::strcmp(mode, "w"))
        hostMode = TEXTFILE_WRITE;
    else if (mode && !std::strcmp(mode, "a"))
        hostMode = TEXTFILE_APPEND;
    else {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN, "Unknown file open mode");
        return nullptr;
    }
    if (bufferSize < 2) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_LINE_TOO_LONG, bufferSize);
        return nullptr;
    }
    auto* file = static_cast<ZmTextFile*>(
        zmlibMem_mallocRscErrorPrintf(sizeof(ZmTextFile), ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!file) return nullptr;
    file->hostFile = fileName ? mdlTextFile_open(fileName, hostMode) : nullptr;
    if (!file->hostFile) {
        zmlibError_rscMsgBoxPrintf(ZMLIB_MSGBOX_INFO_OK, ZMLIB_LIST_ERRORS, MSG_CANNOT_OPEN, fileName ? fileName : "");
        dlmSystem_mdlFree(file);
        return nullptr;
    }
    file->continuation = continuation ? continuation[0] : '\0';
    file->comment = comment ? comment[0] : '\0';
    file->bufferSize = bufferSize;
    file->buffer = static_cast<char*>(zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(bufferSize),
                                                                    ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!file->buffer) {
        mdlTextFile_close(file->hostFile);
        dlmSystem_mdlFree(file);
        return nullptr;
    }
    file->child = file->parent = nullptr;
    file->included = 0;
    zmlib::copyFixed(file->fileName, fileName);
    return file;
}

extern "C" ZMLIB_API ZmTextFile* zmlibFile_open(const char* fileName, const char* mode) {
    return zmlibFile_openExtended(fileName, mode, "\\", "#", 512);
}

extern "C" ZMLIB_API ZmTextFile* zmlibFile_openHWSpesific(const char* fileName, const char* mode) {
    return zmlibFile_open(fileName, mode);
}

extern "C" ZMLIB_API int zmlibFile_close(ZmTextFile* file) {
    if (!file) return HOST_ERROR;
    return closeChain(file);
}

extern "C" ZMLIB_API void zmlibFile_rewind(ZmTextFile* file) {
    if (!file) return;
    if (file->child) closeChain(file->child);
    mdlTextFile_rewind(file->hostFile);
}

extern "C" ZMLIB_API char* zmlibFile_fgets(char*, int, ZmTextFile* file) {
    if (!file) return nullptr;
    ZmTextFile* source = nullptr;
    return nextPhysicalLine(file, &source);
}

extern "C" ZMLIB_API int zmlibFile_read(char* destination, ZmTextFile* file, int size) {
    return readLogical(destination, false, nullptr, file, size);
}

extern "C" ZMLIB_API int zmlibFile_read2(char* destination, char* comment, ZmTextFile* file, int size) {
    return readLogical(destination, true, comment, file, size);
}

extern "C" ZMLIB_API int zmlibFile_directoryExists(const char* path) {
    FileListP list = mdlFileList_create(path);
    int found = 0;
    for (int i = 0; i < mdlFileList_getCount(list); ++i)
        if (mdlFileList_getEntry(list, i)->attributes & FILELIST_DIRECTORY) found = 1;
    mdlFileList_free(&list);
    return found;
}

extern "C" ZMLIB_API char* zmlibFile_GetShortPathName(const char* path) {
    state.shortPath[0] = '\0';
    if (path) {
        UInt32 n = GetShortPathNameA(path, state.shortPath, sizeof state.shortPath);
        if (n == 0 || n >= sizeof state.shortPath) state.shortPath[0] = '\0';
    }
    return state.shortPath;
}

extern "C" ZMLIB_API int zmlibFile_delete(const char* path) { return path ? DeleteFileA(path) : 0; }

/* The host opens no design file just to ask: its file attributes answer. */
extern "C" ZMLIB_API int zmlibFile_isReadOnly(const char* fileName) {
    BoolInt readOnly = 0;
    if (!fileName || mdlFile_getFileAttributes(fileName, nullptr, nullptr, &readOnly) != 0) return 0;
    return readOnly ? 1 : 0;
}
