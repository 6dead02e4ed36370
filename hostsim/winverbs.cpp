/* Session verbs that look at what the simulated Windows layer and its
** programs did:
**     spreadsheet dump BOOK   the sheets and non-empty cells of a workbook
**     registry show KEY       a registry key and everything below it
** Both print on the console, as the session's other output. */
#include <cstdio>
#include <string>

#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/win/win.h"

namespace {

/* Single quotes for /bin/sh around TEXT. */
std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool spreadsheetVerb(const std::string& args, std::string& error) {
    std::string rest;
    size_t blank = args.find(' ');
    std::string what = args.substr(0, blank);
    std::string book = blank == std::string::npos ? std::string() : sim::trim(args.substr(blank));
    if (what != "dump" || book.empty()) {
        error = "spreadsheet: expected \"spreadsheet dump BOOK\"";
        return false;
    }
    std::string local = sim::hostPath(book);
    std::string program = sim::variableValue("_HOSTSIM_BIN").value_or("") + "spreadsheet";
    FILE* p = ::popen((shellQuoted(program) + " --dump " + shellQuoted(local) + " 2>&1").c_str(), "r");
    if (!p) {
        error = "spreadsheet: cannot run " + program;
        return false;
    }
    std::string out;
    char line[4096];
    while (std::fgets(line, sizeof line, p)) out += line;
    int status = ::pclose(p);
    if (status != 0) {
        error = "spreadsheet: " + sim::trim(out);
        return false;
    }
    sim::addOutput(sim::OutputKind::Console, 0, out);
    return true;
}

bool registryVerb(const std::string& args, std::string& error) {
    size_t blank = args.find(' ');
    std::string what = args.substr(0, blank);
    std::string key = blank == std::string::npos ? std::string() : sim::trim(args.substr(blank));
    if (what != "show" || key.empty()) {
        error = "registry: expected \"registry show KEY\"";
        return false;
    }
    std::string problems = win::registryLoadErrors();
    if (!problems.empty()) sim::addOutput(sim::OutputKind::Host, 0, "Registry: " + sim::trim(problems));
    std::string shown = win::showRegistryKey(key);
    if (shown.empty()) {
        error = "registry: no key " + key;
        return false;
    }
    sim::addOutput(sim::OutputKind::Console, 0, shown);
    return true;
}

const sim::Registration registration([] {
    sim::registerSessionVerb("spreadsheet", spreadsheetVerb);
    sim::registerSessionVerb("registry", registryVerb);
});

}  // namespace
