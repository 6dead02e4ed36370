/* Formatted output to a host file stream. Print files are written one short
** formatted line at a time, so the common conversions (%d, %.Nf, %s, %c, %%)
** are formatted here, byte for byte as the C library would, and handed to
** the stream in one write; other conversions go to the C library. Streams
** are written without taking their lock: the host's files belong to its one
** user-interface thread. */
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"

namespace {

constexpr uint64_t powersOfTen[] = {1ull,         10ull,         100ull,        1000ull,       10000ull,
                                    100000ull,    1000000ull,    10000000ull,   100000000ull,  1000000000ull};

/* Write the digits of V (at least WIDTH of them, zero-padded) at OUT; return the end. */
char* putDigits(char* out, uint64_t v, int width) {
    char tmp[24];
    char* end = std::to_chars(tmp, tmp + sizeof tmp, v).ptr;
    int n = static_cast<int>(end - tmp);
    for (; n < width; --width) *out++ = '0';
    std::memcpy(out, tmp, static_cast<size_t>(end - tmp));
    return out + (end - tmp);
}

/* Output formatted straight into the stream's own buffer while it has room
** (as the C library's putc_unlocked does), else gathered in a stack buffer
** and handed over with fwrite. */
struct Writer {
    static constexpr size_t LOCAL_SIZE = 512;
    FILE* file;
    char* cur;             /* next byte to write */
    char* end;             /* end of the current window */
    bool inStream = false; /* the window is the stream's buffer */
    size_t total = 0;
    bool failed = false;
    char local[LOCAL_SIZE];

    explicit Writer(FILE* f) : file(f), cur(local), end(local + LOCAL_SIZE) {
#if defined(__GLIBC__)
        if (f->_IO_write_end - f->_IO_write_ptr >= static_cast<ptrdiff_t>(LOCAL_SIZE)) {
            cur = f->_IO_write_ptr;
            end = f->_IO_write_end;
            inStream = true;
        }
#endif
    }
    /* Hand over what the window holds; the window is the stack buffer afterwards. */
    void flush() {
        if (inStream) {
#if defined(__GLIBC__)
            total += static_cast<size_t>(cur - file->_IO_write_ptr);
            file->_IO_write_ptr = cur;
#endif
            inStream = false;
        } else {
            size_t used = static_cast<size_t>(cur - local);
            if (used && fwrite_unlocked(local, 1, used, file) != used) failed = true;
            total += used;
        }
        cur = local;
        end = local + LOCAL_SIZE;
    }
    /* Room for N more bytes (N at most LOCAL_SIZE). */
    char* room(size_t n) {
        if (static_cast<size_t>(end - cur) < n) flush();
        return cur;
    }
    void put(const char* s, size_t n) {
        if (n > LOCAL_SIZE) {
            flush();
            if (fwrite_unlocked(s, 1, n, file) != n) failed = true;
            total += n;
            return;
        }
        std::memcpy(room(n), s, n);
        cur += n;
    }
};

}  // namespace

namespace sim {

char* formatFixed(char* out, double value, int precision) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bool negative = bits >> 63;
    int exponentField = static_cast<int>((bits >> 52) & 0x7ff);
    uint64_t mantissa = bits & ((1ull << 52) - 1);
    if (exponentField == 0x7ff || precision < 0 || precision > 9)
        return std::to_chars(out, out + FIXED_BUFFER_SIZE, value, std::chars_format::fixed, precision).ptr;
    uint64_t m = exponentField ? mantissa | (1ull << 52) : mantissa;
    int e = exponentField ? exponentField - 1075 : -1074;
    uint64_t scale = powersOfTen[precision];
    uint64_t intPart, fracPart;
    if (m == 0) {
        intPart = fracPart = 0;
    } else if (e >= 0) {
        /* An integer: exact while it fits in 63 bits. */
        if (e > 10) return std::to_chars(out, out + FIXED_BUFFER_SIZE, value, std::chars_format::fixed, precision).ptr;
        intPart = m << e;
        fracPart = 0;
    } else if (precision <= 3) {
        /* value * 10^precision = m * scale / 2^k, rounded half to even;
        ** m * scale < 2^63, so 64 bits hold it all. */
        unsigned k = static_cast<unsigned>(-e);
        uint64_t n = m * scale;
        uint64_t q = 0;
        if (k < 64) {
            q = n >> k;
            uint64_t r = n & ((1ull << k) - 1);
            uint64_t half = 1ull << (k - 1);
            if (r > half || (r == half && (q & 1))) ++q;
        } /* else n < 2^63 <= half a unit: rounds to 0 */
        switch (precision) { /* constant divisors become multiplications */
        case 0: intPart = q; fracPart = 0; break;
        case 1: intPart = q / 10; fracPart = q % 10; break;
        case 2: intPart = q / 100; fracPart = q % 100; break;
        default: intPart = q / 1000; fracPart = q % 1000; break;
        }
    } else {
        /* As above in 128 bits: m * scale < 2^83. */
        unsigned k = static_cast<unsigned>(-e);
        unsigned __int128 n = static_cast<unsigned __int128>(m) * scale;
        unsigned __int128 q = 0;
        if (k < 127) {
            q = n >> k;
            unsigned __int128 r = n & ((static_cast<unsigned __int128>(1) << k) - 1);
            unsigned __int128 half = static_cast<unsigned __int128>(1) << (k - 1);
            if (r > half || (r == half && (q & 1))) ++q;
        }
        intPart = static_cast<uint64_t>(q / scale);
        fracPart = static_cast<uint64_t>(q % scale);
    }
    if (negative) *out++ = '-';
    out = putDigits(out, intPart, 1);
    if (precision > 0) {
        *out++ = '.';
        out = putDigits(out, fracPart, precision);
    }
    return out;
}

}  // namespace sim

/* The fast conversions are formatted here in one pass; at the first other
** conversion what was gathered is written and the C library formats the rest
** of the format with the remaining arguments. */
HOST_API int toolSubsystem_fprintf(FILE* file, const char* format, ...) {
    if (!file || !format) return -1;
    va_list ap;
    va_start(ap, format);
    Writer w(file);
    const char* p = format;
    const char* rest = nullptr; /* the part of the format left to the C library */
    while (*p) {
        while (*p && *p != '%') {
            if (w.cur == w.end) w.flush();
            *w.cur++ = *p++;
        }
        if (!*p) break;
        const char* conversion = p++;
        if (*p == 'd' || *p == 'i') {
            char* at = w.room(16);
            w.cur = std::to_chars(at, at + 16, va_arg(ap, int)).ptr;
        } else if (*p == 's') {
            const char* text = va_arg(ap, const char*);
            if (!text) text = "(null)";
            w.put(text, std::strlen(text));
        } else if (*p == 'c') {
            char c = static_cast<char>(va_arg(ap, int));
            w.put(&c, 1);
        } else if (*p == '%') {
            w.put("%", 1);
        } else if (p[0] == '.' && p[1] >= '0' && p[1] <= '9' && p[2] == 'f') {
            int precision = p[1] - '0';
            p += 2;
            w.cur = sim::formatFixed(w.room(sim::FIXED_BUFFER_SIZE), va_arg(ap, double), precision);
        } else {
            rest = conversion;
            break;
        }
        ++p;
    }
    w.flush();
    long long total = static_cast<long long>(w.total);
    bool failed = w.failed;
    if (rest) {
        int n;
        if (std::strstr(rest, "%S") || std::strstr(rest, "%ls")) {
            std::string s = sim::formatV(rest, ap);
            n = std::fwrite(s.data(), 1, s.size(), file) == s.size() ? static_cast<int>(s.size()) : -1;
        } else {
            n = std::vfprintf(file, rest, ap);
        }
        if (n < 0) failed = true;
        total += n;
    }
    va_end(ap);
    return failed ? -1 : static_cast<int>(total);
}
