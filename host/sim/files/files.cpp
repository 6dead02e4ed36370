/* File services of the platform: finding files along directory lists, name
** parsing and abbreviation, attributes, copies, C streams and text files,
** all on platform paths mapped through sim::hostPath. */
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/system/system.h"

using sim::paths::hasDevice;
using sim::paths::hasExtension;
using sim::paths::isAbsolute;
using sim::paths::isSeparator;
using sim::paths::joinPath;
using sim::paths::nameStart;

struct TextFile {
    FILE* stream;
    int mode;
};

namespace {

/* Whether C (just read from F) ends a line: "\n", "\r\n" (taken whole) or a lone "\r". */
bool isLineEnd(int c, FILE* f) {
    if (c == '\n') return true;
    if (c != '\r') return false;
    int next = getc_unlocked(f);
    if (next != '\n' && next != EOF) std::ungetc(next, f);
    return true;
}

}  // namespace


HOST_API StatusInt mdlFile_find(char* found, const char* name, const char* envVar, const char* defaultExt) {
    if (!name || !*name) return HOST_ERROR;
    std::string path;
    bool ok = sim::findFile(name, envVar, defaultExt, true, path);
    if (ok && path.size() >= MAXFILELENGTH) {
        /* Cutting it would name another file: refuse instead. */
        toolSubsystem_printf("mdlFile_find: %s is longer than %d characters\n", path.c_str(), MAXFILELENGTH - 1);
        return HOST_ERROR;
    }
    sim::copyFixed(found, MAXFILELENGTH, path);
    return ok ? HOST_SUCCESS : HOST_ERROR;
}

HOST_API StatusInt mdlFile_parseName(const char* path, char* device, char* directory, char* name, char* extension) {
    if (!path) return HOST_ERROR;
    std::string p = path;
    std::string dev, dir, base, ext;
    size_t pos = 0;
    size_t colon = p.find(':');
    if (colon != std::string::npos && colon > 0 && p.find_first_of("/\\") > colon) {
        dev = p.substr(0, colon);
        pos = colon + 1;
    }
    size_t start = p.find_last_of("/\\");
    if (start == std::string::npos || start < pos) start = pos;
    else {
        dir = p.substr(pos, start + 1 - pos);
        start += 1;
    }
    std::string file = p.substr(start);
    size_t dot = file.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        base = file.substr(0, dot);
        ext = file.substr(dot + 1);
    } else {
        base = file;
    }
    sim::copyFixed(device, MAXDEVICELENGTH, dev);
    sim::copyFixed(directory, MAXDIRLENGTH, dir);
    sim::copyFixed(name, MAXNAMELENGTH, base);
    sim::copyFixed(extension, MAXEXTENSIONLENGTH, ext);
    return HOST_SUCCESS;
}

HOST_API void mdlFile_abbreviateName(char* out, const char* path, int maxChars) {
    if (!out) return;
    std::string p = path ? path : "";
    if (maxChars <= 0) {
        out[0] = '\0';
        return;
    }
    size_t max = static_cast<size_t>(maxChars);
    if (p.size() <= max) {
        sim::copyFixed(out, max + 1, p);
        return;
    }
    /* Keep the head up to the first directory and as many trailing
    ** components as fit after "...". */
    size_t headEnd = p.find_first_of("/\\", hasDevice(p) ? 3 : 1);
    std::string head = headEnd == std::string::npos ? std::string() : p.substr(0, headEnd + 1);
    size_t tailStart = std::string::npos;
    for (size_t s = p.find_last_of("/\\"); s != std::string::npos && s > 0; s = p.find_last_of("/\\", s - 1)) {
        if (head.size() + 3 + (p.size() - s) > max || s < head.size()) break;
        tailStart = s;
    }
    std::string shortName;
    if (tailStart != std::string::npos) shortName = head + "..." + p.substr(tailStart);
    else if (max > 3) shortName = "..." + p.substr(p.size() - (max - 3));
    else shortName = p.substr(p.size() - max);
    sim::copyFixed(out, max + 1, shortName);
}

HOST_API StatusInt mdlFile_getFileAttributes(const char* path, int64_t* size, int64_t* mtime, BoolInt* readOnly) {
    if (!path) return HOST_ERROR;
    std::string local = sim::hostPath(path);
    struct stat st;
    if (local.empty() || ::stat(local.c_str(), &st) != 0) return HOST_ERROR;
    if (size) *size = static_cast<int64_t>(st.st_size);
    if (mtime) *mtime = static_cast<int64_t>(st.st_mtime);
    if (readOnly) *readOnly = ::access(local.c_str(), W_OK) != 0;
    return HOST_SUCCESS;
}

namespace {

/* Copy the bytes of the local file FROM into TO, opened with MODE ("wb" or "ab"). */
bool copyBytes(const std::string& from, const std::string& to, const char* mode) {
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    FILE* out = std::fopen(to.c_str(), mode);
    if (!out) {
        std::fclose(in);
        return false;
    }
    char buf[65536];
    bool ok = true;
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;)
        if (std::fwrite(buf, 1, n, out) != n) {
            ok = false;
            break;
        }
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    return ok;
}

/* LPT1-LPT9, COM1-COM9 or PRN, with or without the colon: NAME in capitals. */
bool portName(const char* destination, std::string& name) {
    std::string d = destination;
    if (!d.empty() && d.back() == ':') d.pop_back();
    for (char& c : d) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool numbered = d.size() == 4 && (d.compare(0, 3, "LPT") == 0 || d.compare(0, 3, "COM") == 0) && d[3] >= '1' &&
                    d[3] <= '9';
    if (!numbered && d != "PRN") return false;
    name = d;
    return true;
}

/* Copy SOURCE (a local path) to the port NAME as the workspace maps it with
** _HOST_PORT_NAME: onto the end of a file, or as a job file of its own in a
** folder (a value ending in a separator, or an existing folder). An unmapped
** port takes nothing. */
StatusInt copyToPort(const std::string& name, const std::string& from) {
    std::string mapped = sim::expandVariables("$(_HOST_PORT_" + name + ")");
    if (mapped.empty() || mapped.find("$(") != std::string::npos) return HOST_ERROR;
    std::string to = sim::hostPath(mapped);
    if (to.empty()) return HOST_ERROR;
    struct stat st;
    bool folder = sim::paths::isSeparator(mapped.back()) || (::stat(to.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    if (folder) {
        if (to.back() != '/') to += '/';
        for (int n = 1;; ++n) {
            if (n > 9999) return HOST_ERROR;
            char job[32];
            std::snprintf(job, sizeof job, "job_%04d.prn", n);
            if (::stat((to + job).c_str(), &st) != 0) {
                to += job;
                break;
            }
        }
    }
    return copyBytes(from, to, "ab") ? HOST_SUCCESS : HOST_ERROR;
}

}  // namespace

HOST_API StatusInt mdlFile_copy(const char* destination, const char* source) {
    if (!destination || !source) return HOST_ERROR;
    std::string from = sim::hostPath(source);
    struct stat sf, st;
    if (from.empty() || ::stat(from.c_str(), &sf) != 0 || !S_ISREG(sf.st_mode)) return HOST_ERROR;
    std::string port;
    if (portName(destination, port)) return copyToPort(port, from);
    std::string to = sim::hostPath(destination);
    if (to.empty()) return HOST_ERROR;
    /* Copying a file onto itself would truncate it: it already is the copy. */
    if (::stat(to.c_str(), &st) == 0 && st.st_dev == sf.st_dev && st.st_ino == sf.st_ino) return HOST_SUCCESS;
    /* Write beside the destination and rename, so a failed copy never
    ** leaves a half-written destination behind. */
    std::string part = to + ".part";
    bool ok = copyBytes(from, part, "wb");
    if (ok && std::rename(part.c_str(), to.c_str()) != 0) ok = false;
    if (!ok) {
        std::remove(part.c_str());
        return HOST_ERROR;
    }
    return HOST_SUCCESS;
}

HOST_API FILE* dlmSystem_mdlFopen(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    std::string local = sim::hostPath(path);
    if (local.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    FILE* file = std::fopen(local.c_str(), mode);
    /* Print files are written in many short pieces: a larger buffer saves
    ** most of the system calls. */
    if (file && mode[0] != 'r') std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

HOST_API int dlmSystem_mdlFclose(FILE* file) { return file ? std::fclose(file) : EOF; }

HOST_API size_t dlmSystem_mdlFread(void* buffer, size_t size, size_t count, FILE* file) {
    return file && buffer ? std::fread(buffer, size, count, file) : 0;
}

HOST_API size_t dlmSystem_mdlFwrite(const void* buffer, size_t size, size_t count, FILE* file) {
    return file && buffer ? std::fwrite(buffer, size, count, file) : 0;
}

/* ---- Text files ---------------------------------------------------------- */

HOST_API TextFileP mdlTextFile_open(const char* path, int mode) {
    static const char* const modes[] = {"rb", "wb", "ab"};
    if (!path || mode < TEXTFILE_READ || mode > TEXTFILE_APPEND) return nullptr;
    FILE* f = dlmSystem_mdlFopen(path, modes[mode]);
    if (!f) return nullptr;
    TextFile* t = new (std::nothrow) TextFile{f, mode};
    if (!t) std::fclose(f);
    return t;
}

HOST_API StatusInt mdlTextFile_getString(char* buffer, int size, TextFileP file, int options) {
    if (!buffer || size <= 0 || !file || file->mode != TEXTFILE_READ) return HOST_ERROR;
    FILE* f = file->stream;
    bool keepNewline = options & TEXTFILE_KEEP_NEWLINE;
    size_t limit = static_cast<size_t>(size) - 1;
    size_t n = 0;
    bool sawEnd = false;
    /* One lock for the whole line, and runs of ordinary characters taken
    ** from the stream's buffer at once (as getc_unlocked takes one):
    ** character by character through the locking getc, reading a large
    ** configuration file took several times as long as fgets. */
    flockfile(f);
    while (n < limit) {
#if defined(__GLIBC__)
        const char* run = f->_IO_read_ptr;
        if (run < f->_IO_read_end) {
            size_t avail = std::min(static_cast<size_t>(f->_IO_read_end - run), limit - n);
            const void* lineFeed = std::memchr(run, '\n', avail);
            size_t k = lineFeed ? static_cast<size_t>(static_cast<const char*>(lineFeed) - run) : avail;
            if (const void* cr = std::memchr(run, '\r', k)) k = static_cast<size_t>(static_cast<const char*>(cr) - run);
            std::memcpy(buffer + n, run, k);
            n += k;
            f->_IO_read_ptr += k;
            if (k == avail) continue; /* buffer used up (refilled below) or the line full */
        }
#endif
        int c = getc_unlocked(f);
        if (c == EOF) break;
        if (isLineEnd(c, f)) {
            sawEnd = true;
            if (keepNewline) buffer[n++] = '\n';
            break;
        }
        buffer[n++] = static_cast<char>(c);
    }
    /* A line that exactly filled the buffer: take its line end with it, so
    ** that the next read does not answer a spurious empty line. */
    if (!sawEnd && n == limit && !keepNewline) {
        int c = getc_unlocked(f);
        if (c != EOF && !isLineEnd(c, f)) std::ungetc(c, f);
    }
    funlockfile(f);
    buffer[n] = '\0';
    return n > 0 || sawEnd ? HOST_SUCCESS : HOST_ERROR;
}

HOST_API StatusInt mdlTextFile_putString(const char* text, TextFileP file, int options) {
    if (!text || !file || file->mode == TEXTFILE_READ) return HOST_ERROR;
    size_t n = std::strlen(text);
    if (std::fwrite(text, 1, n, file->stream) != n) return HOST_ERROR;
    if (!(options & TEXTFILE_KEEP_NEWLINE) && std::fputc('\n', file->stream) == EOF) return HOST_ERROR;
    return HOST_SUCCESS;
}

HOST_API BoolInt mdlTextFile_isEof(TextFileP file) { return !file || std::feof(file->stream); }

HOST_API StatusInt mdlTextFile_rewind(TextFileP file) {
    if (!file) return HOST_ERROR;
    std::rewind(file->stream);
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlTextFile_close(TextFileP file) {
    if (!file) return HOST_ERROR;
    int rc = std::fclose(file->stream);
    delete file;
    return rc == 0 ? HOST_SUCCESS : HOST_ERROR;
}
