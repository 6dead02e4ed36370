/* Formatted output to a host file stream. Print files are written one short
** formatted line at a time, so the common conversions (%d, %.Nf, %s, %c, %%)
** are formatted here, byte for byte as the C library would, and handed to
** the stream in one write; any other format goes to the C library. */
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/mdlsystem.h"
#include "host/sim/sim_output.h"
#include "host/sim/sim_format.h"

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

/* Whether FORMAT holds only conversions the fast path formats. */
bool fastFormatOnly(const char* format) {
    for (const char* p = format; *p; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == 'd' || *p == 'i' || *p == 's' || *p == 'c' || *p == '%') continue;
        if (p[0] == '.' && p[1] >= '0' && p[1] <= '9' && p[2] == 'f') {
            p += 2;
            continue;
        }
        return false;
    }
    return true;
}

/* Output gathered in a stack buffer and written in as few writes as possible. */
struct Writer {
    FILE* file = nullptr;
    char buffer[512];
    size_t used = 0;
    size_t total = 0;
    bool failed = false;

    void flush() {
        if (used && std::fwrite(buffer, 1, used, file) != used) failed = true;
        total += used;
        used = 0;
    }
    /* Room for N more bytes in the buffer (N at most its size). */
    char* room(size_t n) {
        if (used + n > sizeof buffer) flush();
        return buffer + used;
    }
    void put(const char* s, size_t n) {
        if (n > sizeof buffer) {
            flush();
            if (std::fwrite(s, 1, n, file) != n) failed = true;
            total += n;
            return;
        }
        std::memcpy(room(n), s, n);
        used += n;
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
    } else {
        /* value * 10^precision = m * scale / 2^k, rounded half to even. */
        unsigned k = static_cast<unsigned>(-e);
        unsigned __int128 n = static_cast<unsigned __int128>(m) * scale;
        unsigned __int128 q;
        if (k >= 127) {
            q = 0; /* n < 2^83 is far below half a unit */
        } else {
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

HOST_API int toolSubsystem_fprintf(FILE* file, const char* format, ...) {
    if (!file || !format) return -1;
    va_list ap;
    va_start(ap, format);
    int n;
    if (fastFormatOnly(format)) {
        Writer w;
        w.file = file;
        const char* p = format;
        while (*p) {
            const char* lit = p;
            while (*p && *p != '%') ++p;
            if (p > lit) w.put(lit, static_cast<size_t>(p - lit));
            if (!*p) break;
            ++p;
            switch (*p) {
            case 'd':
            case 'i': {
                char* at = w.room(16);
                w.used += static_cast<size_t>(std::to_chars(at, at + 16, va_arg(ap, int)).ptr - at);
                break;
            }
            case 's': {
                const char* s = va_arg(ap, const char*);
                if (!s) s = "(null)";
                w.put(s, std::strlen(s));
                break;
            }
            case 'c': {
                char c = static_cast<char>(va_arg(ap, int));
                w.put(&c, 1);
                break;
            }
            case '%':
                w.put("%", 1);
                break;
            default: { /* ".Nf" */
                int precision = p[1] - '0';
                p += 2;
                char* at = w.room(sim::FIXED_BUFFER_SIZE);
                w.used += static_cast<size_t>(sim::formatFixed(at, va_arg(ap, double), precision) - at);
                break;
            }
            }
            ++p;
        }
        w.flush();
        n = w.failed ? -1 : static_cast<int>(w.total);
    } else if (std::strstr(format, "%S") || std::strstr(format, "%ls")) {
        std::string s = sim::formatV(format, ap);
        n = std::fwrite(s.data(), 1, s.size(), file) == s.size() ? static_cast<int>(s.size()) : -1;
    } else {
        n = std::vfprintf(file, format, ap);
    }
    va_end(ap);
    return n;
}
