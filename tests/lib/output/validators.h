/* Outside programs and a PCL tokenizer that check the writers' files. */
#pragma once

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

inline bool haveProgram(const char* name) {
    std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

/* Run COMMAND with stdin from /dev/null; its exit status and everything it printed. */
inline std::pair<int, std::string> runCommand(const std::string& command) {
    std::string full = command + " </dev/null 2>&1";
    FILE* p = ::popen(full.c_str(), "r");
    if (!p) return {-1, ""};
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    int status = ::pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

inline int countOccurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

struct GhostscriptResult {
    int status;
    int pages; /* bounding boxes reported */
    std::string output;
};
inline GhostscriptResult runGhostscript(const fs::path& file) {
    auto [status, out] = runCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox '" + file.string() + "'");
    return {status, countOccurrences(out, "%%BoundingBox:"), out};
}

struct Hp2xxResult {
    int status;
    int ignored;     /* commands hp2xx did not understand */
    int unexpected;  /* unexpected events */
    int pages;       /* pages with drawing */
    std::string output;
};
/* Sum the counter after LABEL over every page hp2xx reported. */
inline int sumCounter(const std::string& out, const std::string& label) {
    int sum = 0;
    for (size_t at = out.find(label); at != std::string::npos; at = out.find(label, at + 1))
        sum += std::atoi(out.c_str() + at + label.size());
    return sum;
}
inline Hp2xxResult runHp2xx(const fs::path& file, const fs::path& outDir) {
    fs::create_directories(outDir);
    auto [status, out] = runCommand("hp2xx -m svg -f '" + (outDir / "page.svg").string() + "' '" + file.string() + "'");
    return {status, sumCounter(out, "HPGL command(s) ignored:"), sumCounter(out, "Unexpected event(s):"),
            countOccurrences(out, "Writing Cmd:"), out};
}

/* What the PCL tokenizer found, and the first fault (empty when none). */
struct PclCheck {
    std::string fault;
    int pages = 0;
    int labels = 0;
    int filledPolygons = 0;
    std::string hpgl; /* the HP-GL/2 bodies, each page ended with PG; */
};

/* Check a PCL 5 stream with HP-GL/2 parts: ESC E at both ends, every ESC %1B
** closed by ESC %1A, escape sequences and HP-GL/2 parameters well formed,
** labels ended by character 3, and polygons as PM0, PM2, then FP. */
inline PclCheck checkPcl(const std::string& s) {
    PclCheck r;
    auto fail = [&](const std::string& why, size_t at) {
        if (r.fault.empty()) r.fault = why + " at byte " + std::to_string(at);
    };
    if (s.size() < 4 || s.compare(0, 2, "\033E") != 0) fail("no reset at the start", 0);
    if (s.size() < 2 || s.compare(s.size() - 2, 2, "\033E") != 0) fail("no reset at the end", s.size());
    size_t i = 0;
    bool inHpgl = false;
    int polygonState = 0; /* 0 none, 1 after PM0, 2 after PM2 */
    while (i < s.size() && r.fault.empty()) {
        if (s[i] == '\033') {
            if (i + 1 >= s.size()) { fail("escape at the end", i); break; }
            char c = s[i + 1];
            if (c == 'E') { i += 2; continue; }
            if (c == '%') {
                size_t j = i + 2;
                if (j < s.size() && s[j] == '-') ++j;
                size_t digits = j;
                while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
                if (j == digits || j >= s.size()) { fail("bad ESC % sequence", i); break; }
                if (s[j] == 'B') {
                    if (inHpgl) fail("ESC %1B inside HP-GL/2", i);
                    inHpgl = true;
                    ++r.pages;
                } else if (s[j] == 'A') {
                    if (!inHpgl) fail("ESC %1A outside HP-GL/2", i);
                    inHpgl = false;
                    r.hpgl += "PG;\n";
                } else {
                    fail("unknown ESC % sequence", i);
                }
                i = j + 1;
                continue;
            }
            if (inHpgl) { fail("PCL escape inside HP-GL/2", i); break; }
            /* ESC group character, then value-letter pairs: [+-]digits[.digits] letter. */
            if (c != '&' && c != '*') { fail("unknown escape", i); break; }
            size_t j = i + 3;
            if (i + 2 >= s.size() || !std::islower(static_cast<unsigned char>(s[i + 2]))) { fail("bad group", i); break; }
            for (;;) {
                size_t start = j;
                if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
                while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
                if (j < s.size() && s[j] == '.') {
                    ++j;
                    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
                }
                if (j == start || j >= s.size() || !std::isalpha(static_cast<unsigned char>(s[j]))) {
                    fail("bad escape parameter", start);
                    break;
                }
                bool final = std::isupper(static_cast<unsigned char>(s[j]));
                ++j;
                if (final) break;
            }
            i = j;
            continue;
        }
        if (!inHpgl) {
            if (s[i] != '\n') fail("text outside HP-GL/2", i);
            ++i;
            continue;
        }
        /* HP-GL/2: a mnemonic of two letters, then parameters up to ';' or the next mnemonic. */
        if (s[i] == '\n' || s[i] == ';') { r.hpgl += s[i]; ++i; continue; }
        if (i + 1 >= s.size() || !std::isupper(static_cast<unsigned char>(s[i])) ||
            !std::isupper(static_cast<unsigned char>(s[i + 1]))) {
            fail("bad HP-GL/2 mnemonic", i);
            break;
        }
        std::string mnemonic = s.substr(i, 2);
        size_t j = i + 2;
        if (mnemonic == "LB") {
            size_t end = s.find('\003', j);
            if (end == std::string::npos) { fail("label without terminator", i); break; }
            if (s.find('\033', j) < end) fail("escape inside a label", i);
            ++r.labels;
            r.hpgl += s.substr(i, end + 1 - i);
            i = end + 1;
            continue;
        }
        /* Parameters: numbers separated by commas. */
        std::string params;
        while (j < s.size() && s[j] != ';' && s[j] != '\033' && !std::isupper(static_cast<unsigned char>(s[j])))
            params += s[j++];
        std::string number;
        for (size_t k = 0; k <= params.size(); ++k) {
            if (k == params.size() || params[k] == ',') {
                bool ok = !number.empty();
                size_t p = 0;
                if (ok && (number[0] == '-' || number[0] == '+')) p = 1;
                bool digit = false, dot = false;
                for (; p < number.size() && ok; ++p) {
                    if (std::isdigit(static_cast<unsigned char>(number[p]))) digit = true;
                    else if (number[p] == '.' && !dot) dot = true;
                    else ok = false;
                }
                if (!(ok && digit) && !(params.empty() && k == 0)) fail("bad number in " + mnemonic, i);
                number.clear();
            } else if (params[k] != '\n') {
                number += params[k];
            }
        }
        if (mnemonic == "PM") {
            if (params == "0") {
                if (polygonState != 0) fail("PM0 inside a polygon", i);
                polygonState = 1;
            } else if (params == "2") {
                if (polygonState != 1) fail("PM2 without PM0", i);
                polygonState = 2;
            }
        } else if (mnemonic == "FP") {
            if (polygonState != 2) fail("FP without a closed polygon", i);
            polygonState = 0;
            ++r.filledPolygons;
        }
        r.hpgl += s.substr(i, j - i);
        i = j;
    }
    if (inHpgl) fail("HP-GL/2 not closed", s.size());
    if (polygonState != 0) fail("polygon not filled", s.size());
    return r;
}
