/* Plot driver files: "KEY = VALUE" lines, read strictly so that a typing
** error is found where it is made, not at the plot. No state. */
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "host/sim/base/base.h"
#include "host/sim/output/output.h"

namespace sim::plot {

namespace {

enum : size_t { MAX_TEXT = 64 * 1024, MAX_VALUE = 255, MAX_PAPERS = 64 };
constexpr double MAX_PAPER_MM = 10000;

bool flag(const std::string& value, int& out) {
    if (value != "0" && value != "1") return false;
    out = value == "1";
    return true;
}

/* "W H" in millimetres, each above 0 and at most MAX_PAPER_MM. */
bool size(const std::string& value, double& width, double& height) {
    std::istringstream in(value);
    std::string w, h, extra;
    in >> w >> h >> extra;
    if (w.empty() || h.empty() || !extra.empty()) return false;
    char *endW = nullptr, *endH = nullptr;
    width = std::strtod(w.c_str(), &endW);
    height = std::strtod(h.c_str(), &endH);
    return !*endW && !*endH && width > 0 && height > 0 && width <= MAX_PAPER_MM && height <= MAX_PAPER_MM;
}

}  // namespace

bool parseDriver(const std::string& text, Driver& out, std::string& error) {
    if (text.size() > MAX_TEXT) {
        error = "the file is larger than 64 KB";
        return false;
    }
    Driver d;
    std::istringstream in(text);
    std::string raw;
    for (int lineNo = 1; std::getline(in, raw); ++lineNo) {
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        if (raw.find('\0') != std::string::npos) return fail("a NUL byte");
        size_t hash = raw.find('#');
        std::string line = trim(hash == std::string::npos ? raw : raw.substr(0, hash));
        if (line.empty()) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("KEY = VALUE expected");
        std::string key = lower(trim(line.substr(0, eq))), value = trim(line.substr(eq + 1));
        if (value.size() > MAX_VALUE) return fail("the value is longer than 255 characters");
        if (key.rfind("paper ", 0) == 0) {
            Paper p{trim(key.substr(6)), 0, 0};
            if (p.name.empty() || p.name.find_first_of(" \t") != std::string::npos) return fail("paper NAME = W H expected");
            if (!size(value, p.width, p.height)) return fail("a paper size is two millimetre values above 0 and at most 10000");
            for (const Paper& q : d.papers)
                if (q.name == p.name) return fail("paper " + p.name + " is given twice");
            if (d.papers.size() == MAX_PAPERS) return fail("more than 64 papers");
            d.papers.push_back(p);
        } else if (key == "name") {
            d.name = value;
        } else if (key == "printer") {
            d.printer = value;
        } else if (key == "file") {
            d.file = value;
        } else if (key == "extension") {
            d.extension = value;
        } else if (key == "spool") {
            d.spool = value;
        } else if (key == "to_printer") {
            if (!flag(value, d.toPrinter)) return fail("to_printer is 0 or 1");
        } else if (key == "to_named_file") {
            if (!flag(value, d.toNamedFile)) return fail("to_named_file is 0 or 1");
        } else {
            return fail("unknown key " + key);
        }
    }
    if (d.papers.empty()) d.papers.push_back({"a4", 210, 297});
    out = std::move(d);
    return true;
}

}  // namespace sim::plot
