/* External programs: real processes started without waiting; and the host's
** web browser application WEBBROWS, whose "browse file|url TARGET" key-in
** logs what it would open and starts the viewer program the workspace names
** in _HOST_WEB_VIEWER. State: the processes started, the failure switch. */
#include "host/mdlexternal.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <string>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

extern char** environ;

namespace {

struct ExternalState {
    std::vector<sim::StartedProgram> started;
    bool fail = false;
};
ExternalState& state() {
    static ExternalState s;
    return s;
}

const char* const BROWSER_TASK = "WEBBROWS";
const char* const VIEWER_VARIABLE = "_HOST_WEB_VIEWER";

/* Collect the processes that have ended, so that none is left a zombie. */
void reapEnded() {
    for (auto& p : state().started) {
        int status = 0;
        if (!p.ended && waitpid(p.pid, &status, WNOHANG) == p.pid) p.ended = true;
    }
}

/* Start LOCALPATH with ARGS; the process id, or -1. */
int spawn(const std::string& localPath, const std::vector<std::string>& args) {
    reapEnded();
    if (state().fail || localPath.empty() || access(localPath.c_str(), X_OK) != 0) return -1;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(localPath.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, localPath.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    state().started.push_back({localPath, args, static_cast<int>(pid), false});
    return static_cast<int>(pid);
}

bool browseKeyin(const std::string& rest, std::string& error) {
    if (!sim::findApplication(BROWSER_TASK)) {
        error = "browse: the web browser application is not loaded";
        return false;
    }
    size_t blank = rest.find(' ');
    std::string kind = rest.substr(0, blank);
    for (auto& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string target = blank == std::string::npos ? std::string() : rest.substr(blank + 1);
    while (!target.empty() && target.front() == ' ') target.erase(0, 1);
    if ((kind != "file" && kind != "url") || target.empty()) {
        error = "browse: expected \"browse file PATH\" or \"browse url ADDRESS\"";
        return false;
    }
    sim::addOutput(sim::OutputKind::Host, 0, std::string("Web browser: open ") + kind + " " + target);
    if (auto viewer = sim::variableValue(VIEWER_VARIABLE); viewer && !viewer->empty()) {
        std::string argument = kind == "file" ? sim::hostPath(target) : target;
        if (spawn(sim::hostPath(*viewer), {argument}) < 0)
            sim::addOutput(sim::OutputKind::Host, 0, "Web browser: the viewer " + *viewer + " cannot be started");
    }
    return true;
}

const sim::Registration registration([] {
    sim::registerBuiltinApplication(BROWSER_TASK, [](int, char**) { return 0; });
    sim::registerKeyin("browse", browseKeyin);
});

}  // namespace

namespace sim {

const std::vector<StartedProgram>& startedPrograms() { return state().started; }
void failProgramStarts(bool fail) { state().fail = fail; }

void resetPrograms() {
    for (const auto& p : state().started) {
        int status = 0;
        if (!p.ended) waitpid(p.pid, &status, 0);
    }
    state().started.clear();
    state().fail = false;
}

static Registration resetRegistration([] { registerReset(ResetStage::System, resetPrograms); });

std::vector<std::string> splitArguments(const std::string& arguments) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false, any = false;
    for (char c : arguments) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) out.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) out.push_back(current);
    return out;
}

}  // namespace sim

HOST_API StatusInt mdlExternal_extStartProgram(const char* program, const char* arguments) {
    if (!program || !*program) return HOST_ERROR;
    std::string local = sim::hostPath(program);
    int pid = spawn(local, sim::splitArguments(arguments ? arguments : ""));
    if (pid < 0) {
        toolSubsystem_printf("Cannot start %s\n", program);
        return HOST_ERROR;
    }
    return HOST_SUCCESS;
}
