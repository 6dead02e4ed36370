/* hostsim: starts the simulated host, reads the workspace configuration,
** loads the MS_INITAPPS applications and plays a session script line by
** line, printing what the host shows as it comes.
**
**   hostsim [--workspace FILE] [--debug] SESSION
**   hostsim [--workspace FILE] [--debug] VERB ARGS...   (one session verb, no script)
**
** Output: console text verbatim; a message field as "[prompt] text" (fields
** command, prompt, status, error, keyin, left); the message centre as
** "[message error] text" (error, warning, info, debug); an info box as
** "[info box] text"; the host's own notices as "[host] text". A line that
** stops the session is reported on stderr as "hostsim: NAME:LINE: why",
** NAME being the script's file name. The message centre's debug channel is
** shown only with --debug or after the session line "debug on". */
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

namespace {

using sim::trim;

struct RunnerState {
    bool atLineStart = true;  /* stdout: the last text printed ended a line */
    bool showDebug = false;   /* print the message centre's debug entries */
};
RunnerState runner;

/* By MessageField number. */
const char* const fieldNames[] = {"command", "status", "prompt", "error", "keyin", "left"};
const char* const priorityNames[] = {"error", "warning", "info", "debug"};

void printText(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (!text.empty()) runner.atLineStart = text.back() == '\n';
}

void printLine(const std::string& line) {
    if (!runner.atLineStart) printText("\n");
    printText(line + "\n");
}

void printEntry(const sim::OutputEntry& e) {
    switch (e.kind) {
    case sim::OutputKind::Console:
        printText(e.text);
        break;
    case sim::OutputKind::MessageField:
        if (e.text.empty()) break; /* a cleared field shows nothing */
        if (e.field >= 0 && e.field < 6) printLine(std::string("[") + fieldNames[e.field] + "] " + e.text);
        else printLine("[field " + std::to_string(e.field) + "] " + e.text);
        break;
    case sim::OutputKind::MessageCenter:
        if (e.field == MESSAGE_DEBUG && !runner.showDebug) break;
        printLine(std::string("[message ") + (e.field >= 0 && e.field < 4 ? priorityNames[e.field] : "?") + "] " + e.text);
        break;
    case sim::OutputKind::InfoBox:
        printLine("[info box] " + e.text);
        break;
    case sim::OutputKind::Host:
        printLine("[host] " + e.text);
        break;
    }
}

/* Report why the session stops; always exit status 1. */
int stop(const std::string& where, const std::string& why) {
    if (!runner.atLineStart) printText("\n");
    std::fflush(stdout);
    std::string w = why;
    while (!w.empty() && w.back() == '\n') w.pop_back();
    std::fprintf(stderr, "hostsim: %s%s%s\n", where.c_str(), where.empty() ? "" : ": ", w.c_str());
    return 1;
}

std::string directoryOf(const std::string& path) {
    size_t s = path.rfind('/');
    return s == std::string::npos ? std::string() : path.substr(0, s + 1);
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

/* Predefined variables: where hostsim lies, where it runs, where the script lies. */
void predefine(const char* argv0, const std::string& session) {
    char exe[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string bin = n > 0 ? std::string(exe, static_cast<size_t>(n)) : absolute(argv0);
    sim::defineVariable("_HOSTSIM_BIN", directoryOf(bin), CFGVAR_LEVEL_PREDEFINED);
    sim::defineVariable("_HOSTSIM_CWD", directoryOf(absolute("x")), CFGVAR_LEVEL_PREDEFINED);
    if (!session.empty()) sim::defineVariable("_HOSTSIM_SESSION", directoryOf(absolute(session)), CFGVAR_LEVEL_PREDEFINED);
}

/* Run one session line (already trimmed, not a comment). */
bool runLine(const std::string& line, std::string& error) {
    size_t sp = line.find_first_of(" \t");
    std::string verb = line.substr(0, sp);
    std::string args = sp == std::string::npos ? std::string() : trim(line.substr(sp));
    bool ok;
    try {
        if (verb == "keyin") {
            ok = sim::runEvent([&] { return sim::dispatchKeyin(args, error); });
        } else if (const sim::SessionVerb* fn = sim::findSessionVerb(verb)) {
            ok = sim::runEvent([&] { return (*fn)(args, error); });
        } else {
            error = "unknown line: " + line;
            return false;
        }
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        ok = false;
    } catch (const std::exception& e) {
        error = std::string("failed: ") + e.what();
        ok = false;
    }
    sim::processPendingUnloads();
    if (!ok && error.empty()) error = "failed: " + line;
    return ok;
}

int playSession(const std::string& path) {
    std::ifstream in(path);
    if (!in) return stop("", "cannot open session " + path);
    std::string raw;
    for (int lineNo = 1; std::getline(in, raw); ++lineNo) {
        std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        std::string error;
        if (!runLine(line, error)) return stop(path.substr(directoryOf(path).size()) + ":" + std::to_string(lineNo), error);
    }
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: hostsim [--workspace FILE] [--debug] SESSION\n"
                         "       hostsim [--workspace FILE] [--debug] VERB ARGS...\n");
    return 2;
}

/* debug on|off: show or hide the debug channel from here on. */
bool debugVerb(const std::string& args, std::string& error) {
    if (args == "on" || args == "off") {
        runner.showDebug = args == "on";
        return true;
    }
    error = "debug takes on or off";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::string workspace;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        if (std::strcmp(argv[i], "--workspace") == 0 && i + 1 < argc) workspace = argv[++i];
        else if (std::strncmp(argv[i], "--workspace=", 12) == 0) workspace = argv[i] + 12;
        else if (std::strcmp(argv[i], "--debug") == 0) runner.showDebug = true;
        else return usage();
    }
    if (i >= argc) return usage();
    sim::registerSessionVerb("debug", debugVerb);
    std::vector<std::string> rest(argv + i, argv + argc);
    bool verbMode = rest.size() > 1 || (sim::findSessionVerb(rest[0]) && ::access(rest[0].c_str(), F_OK) != 0);

    /* Output is written in large blocks, not line by line even on a
    ** terminal: flushed at the end, when the session stops, and before the
    ** host starts another process. Printed entries need not be kept. */
    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    sim::setOutputSink(printEntry);
    sim::setOutputLogKept(false);
    predefine(argv[0], verbMode ? std::string() : rest[0]);
    if (!workspace.empty()) {
        std::string error;
        if (::access(workspace.c_str(), R_OK) != 0) return stop("", "cannot open workspace " + workspace);
        if (!sim::processConfigFile(absolute(workspace), CFGVAR_LEVEL_SYSTEM, error)) return stop("workspace", error);
    }

    int rc = 0;
    if (verbMode) {
        const sim::SessionVerb* fn = sim::findSessionVerb(rest[0]);
        if (!fn) return stop("", "unknown verb " + rest[0]);
        std::string args, error;
        for (size_t k = 1; k < rest.size(); ++k) args += (k > 1 ? " " : "") + rest[k];
        bool ok = false;
        try {
            ok = sim::runEvent([&] { return (*fn)(args, error); });
        } catch (const std::bad_alloc&) {
            error = "out of memory";
        } catch (const std::exception& e) {
            error = std::string("failed: ") + e.what();
        }
        if (!ok) rc = stop(rest[0], error.empty() ? "failed" : error);
    } else {
        std::string error;
        if (!sim::loadApplicationsFrom("MS_INITAPPS", error)) {
            rc = stop("MS_INITAPPS", error);
        } else {
            sim::processPendingUnloads();
            rc = playSession(rest[0]);
        }
    }
    sim::unloadAllApplications();
    std::fflush(stdout);
    return rc;
}
