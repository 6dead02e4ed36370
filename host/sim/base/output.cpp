/* Console, message fields, message centre and info boxes, kept in one log. */
#include "host/sim/base/base.h"

#include <cstdio>
#include <cstring>

#include "host/mdlsystem.h"

namespace {

struct OutputState {
    std::vector<sim::OutputEntry> log;
    std::string fields[8];
    std::function<void(const sim::OutputEntry&)> sink;
    bool keepLog = true;   /* false: entries go to the sink only */
};
OutputState state;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

/* Format one CONVERSION (as written, e.g. "%-8.3f") taking its argument from ARGS. */
void formatOne(std::string& out, const std::string& conversion, char conv, int lengthMod, va_list& args) {
    char buf[512];
    auto emit = [&](auto value) {
        int n = std::snprintf(buf, sizeof buf, conversion.c_str(), value);
        if (n < 0) return;
        if (static_cast<size_t>(n) < sizeof buf) {
            out.append(buf, static_cast<size_t>(n));
        } else {
            std::string big(static_cast<size_t>(n) + 1, '\0');
            std::snprintf(big.data(), big.size(), conversion.c_str(), value);
            out.append(big.data(), static_cast<size_t>(n));
        }
    };
    switch (conv) {
    case 'd': case 'i':
        if (lengthMod == 2) emit(va_arg(args, long long));
        else if (lengthMod == 1) emit(va_arg(args, long));
        else if (lengthMod == 3) emit(va_arg(args, size_t));
        else emit(va_arg(args, int));
        break;
    case 'u': case 'x': case 'X': case 'o': case 'c':
        if (lengthMod == 2) emit(va_arg(args, unsigned long long));
        else if (lengthMod == 1) emit(va_arg(args, unsigned long));
        else if (lengthMod == 3) emit(va_arg(args, size_t));
        else emit(va_arg(args, unsigned int));
        break;
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
        emit(va_arg(args, double));
        break;
    case 'p':
        emit(va_arg(args, void*));
        break;
    case 's': {
        const char* s = va_arg(args, const char*);
        emit(s ? s : "(null)");
        break;
    }
    case 'S': {
        const char16_t* w = va_arg(args, const char16_t*);
        std::string narrow = w ? sim::utf16ToUtf8(w) : "(null)";
        std::string s2 = conversion;
        s2.back() = 's';
        if (s2.size() >= 3 && s2[s2.size() - 2] == 'l') s2.erase(s2.size() - 2, 1);
        int n = std::snprintf(nullptr, 0, s2.c_str(), narrow.c_str());
        if (n > 0) {
            std::string tmp(static_cast<size_t>(n) + 1, '\0');
            std::snprintf(tmp.data(), tmp.size(), s2.c_str(), narrow.c_str());
            out.append(tmp.data(), static_cast<size_t>(n));
        }
        break;
    }
    default:
        out += conversion;
    }
}

}  // namespace

namespace sim {

std::string formatV(const char* fmt, va_list args) {
    std::string out;
    if (!fmt) return out;
    va_list ap;
    va_copy(ap, args);
    for (const char* p = fmt; *p;) {
        if (*p != '%') {
            const char* q = std::strchr(p, '%');
            size_t n = q ? static_cast<size_t>(q - p) : std::strlen(p);
            out.append(p, n);
            p += n;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        const char* start = p++;
        while (*p && std::strchr("-+ #0", *p)) ++p;
        if (*p == '*') { /* width from the arguments: rewrite it as a number */
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') ++p;
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') ++p;
            else while (*p >= '0' && *p <= '9') ++p;
        }
        int lengthMod = 0;
        bool wide = false;
        while (*p && std::strchr("hlLqjzt", *p)) {
            if (*p == 'l') { lengthMod = lengthMod == 1 ? 2 : 1; wide = true; }
            else if (*p == 'q' || *p == 'j' || *p == 'L') lengthMod = 2;
            else if (*p == 'z' || *p == 't') lengthMod = 3;
            ++p;
        }
        if (!*p) break;
        char conv = *p++;
        std::string conversion(start, static_cast<size_t>(p - start));
        /* Stars: write the int arguments into the conversion as numbers. */
        for (size_t i; (i = conversion.find('*')) != std::string::npos;)
            conversion.replace(i, 1, std::to_string(va_arg(ap, int)));
        if (conv == 's' && wide) conv = 'S';
        if (conv == 'n') continue; /* never written through */
        formatOne(out, conversion, conv, conv == 'S' ? 0 : lengthMod, ap);
    }
    va_end(ap);
    return out;
}

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = formatV(fmt, ap);
    va_end(ap);
    return s;
}

std::string utf16ToUtf8(const char16_t* text) {
    std::string out;
    for (const char16_t* p = text; p && *p; ++p) {
        char32_t c = *p;
        if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string utf8ToUtf16(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c >> 5) == 6) { cp = c & 0x1F; len = 2; }
        else if ((c >> 4) == 14) { cp = c & 0x0F; len = 3; }
        else if ((c >> 3) == 30) { cp = c & 0x07; len = 4; }
        else { cp = c; len = 1; } /* a Latin-1 byte on its own */
        if (len > 1) {
            if (i + len > text.size()) { cp = c; len = 1; }
            else {
                bool ok = true;
                for (size_t k = 1; k < len; ++k) {
                    unsigned char cc = static_cast<unsigned char>(text[i + k]);
                    if ((cc >> 6) != 2) { ok = false; break; }
                    cp = (cp << 6) | (cc & 0x3F);
                }
                if (!ok) { cp = c; len = 1; }
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

const std::vector<OutputEntry>& outputLog() { return state.log; }

void clearOutputLog() {
    state.log.clear();
    for (auto& f : state.fields) f.clear();
}

void addOutput(OutputKind kind, int field, std::string text) {
    if (kind == OutputKind::MessageField && field >= 0 && field < 8) state.fields[field] = text;
    if (!state.keepLog && state.sink) {
        state.sink(OutputEntry{kind, field, std::move(text)});
        return;
    }
    state.log.push_back({kind, field, std::move(text)});
    if (state.sink) state.sink(state.log.back());
}

void setOutputSink(std::function<void(const OutputEntry&)> sink) { state.sink = std::move(sink); }

void setOutputLogKept(bool keep) { state.keepLog = keep; }

std::string messageField(int field) { return field >= 0 && field < 8 ? state.fields[field] : std::string(); }

static Registration resetRegistration([] { registerReset(ResetStage::Base, [] { state = OutputState{}; }); });

std::string consoleText() {
    std::string s;
    for (auto& e : state.log)
        if (e.kind == OutputKind::Console) s += e.text;
    return s;
}

std::string debugText() {
    std::string s;
    for (auto& e : state.log)
        if (e.kind == OutputKind::MessageCenter && e.field == MESSAGE_DEBUG) s += e.text + "\n";
    return s;
}

}  // namespace sim

HOST_API int toolSubsystem_printf(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string s = sim::formatV(format, ap);
    va_end(ap);
    int n = static_cast<int>(s.size());
    sim::addOutput(sim::OutputKind::Console, 0, std::move(s));
    return n;
}

HOST_API int mdlOutput_printf(int field, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string s = sim::formatV(format, ap);
    va_end(ap);
    int n = static_cast<int>(s.size());
    sim::addOutput(sim::OutputKind::MessageField, field, std::move(s));
    return n;
}

HOST_API void mdlOutput_messageCenter(int priority, const char* brief, const char* detailed, BoolInt) {
    std::string s = brief ? brief : "";
    if (detailed && *detailed) s += std::string(" | ") + detailed;
    sim::addOutput(sim::OutputKind::MessageCenter, priority, std::move(s));
}

HOST_API void mdlDialog_openInfoBox(const char* text) {
    sim::addOutput(sim::OutputKind::InfoBox, 0, text ? text : "");
}
