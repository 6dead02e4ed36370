/* External programs: real processes (started, waited for with or without a
** time limit, their 32-bit exit status collected through the exit channel);
** the handles of mdlExternal_startProgram; the "%" key-in that hands a
** command line to the shell named by COMSPEC; and the host's web browser
** application WEBBROWS, whose "browse file|url TARGET" key-in logs what it
** would open and starts the viewer program the workspace names in
** _HOST_WEB_VIEWER. State: the processes started, the handles given out,
** the failure switch. */
#include "host/mdlexternal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

extern char** environ;

namespace {

struct ExternalState {
    std::vector<sim::StartedProgram> started;
    std::vector<std::unique_ptr<ExternalProgram>> handles;
    bool fail = false;
};
ExternalState& state() {
    static ExternalState s;
    return s;
}

const char* const EXIT_CHANNEL_VARIABLE = "_HOST_EXIT_FD";
/* The descriptor a child finds its exit channel at: high, out of the way of
** the descriptors a program opens itself. */
const int CHILD_EXIT_FD = 63;

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

/* The status Windows gives a process that ended by SIGNAL. */
uint32_t signalExitCode(int signal) {
    switch (signal) {
    case SIGSEGV: case SIGBUS: return 0xC0000005u;  /* access violation */
    case SIGILL: return 0xC000001Du;                /* illegal instruction */
    case SIGFPE: return 0xC0000094u;                /* integer division by zero */
    case SIGABRT: return 3;                         /* abort() */
    default: return 1;                              /* terminated from outside */
    }
}

/* Note that P ended with wait STATUS; take the 32-bit status from its exit
** channel when it reported one. */
void markEnded(sim::StartedProgram& p, int status) {
    p.ended = true;
    p.exitCode = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status))
                                   : WIFSIGNALED(status) ? signalExitCode(WTERMSIG(status)) : 1u;
    if (p.exitChannel >= 0) {
        unsigned char b[4];
        if (::read(p.exitChannel, b, 4) == 4 && WIFEXITED(status))
            p.exitCode = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
        ::close(p.exitChannel);
        p.exitChannel = -1;
    }
}

/* Collect the processes that have ended, so that none is left a zombie. */
void reapEnded() {
    for (auto& p : state().started) {
        int status = 0;
        if (!p.ended && waitpid(p.pid, &status, WNOHANG) == p.pid) markEnded(p, status);
    }
}

/* Start LOCALPATH with ARGS; the process id, or -1. */
int spawn(const std::string& localPath, const std::vector<std::string>& args) {
    return sim::startProcess(localPath, args);
}

const char* const BROWSER_TASK = "WEBBROWS";
const char* const VIEWER_VARIABLE = "_HOST_WEB_VIEWER";

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

/* "% COMMAND LINE": hand the line to the shell COMSPEC names (as "/C line")
** and go on without waiting, as the platform does with an operating system
** command typed in the key-in field. */
bool shellKeyin(const std::string& rest, std::string& error) {
    if (rest.empty()) {
        error = "%: a command line expected";
        return false;
    }
    auto shell = sim::variableValue("COMSPEC");
    if (!shell || shell->empty()) {
        error = "%: no command interpreter (COMSPEC is not defined)";
        return false;
    }
    sim::addOutput(sim::OutputKind::Host, 0, "Shell: " + rest);
    if (spawn(sim::hostPath(*shell), {"/C", rest}) < 0) {
        error = "%: the command interpreter " + *shell + " cannot be started";
        return false;
    }
    return true;
}

const sim::Registration registration([] {
    sim::registerBuiltinApplication(BROWSER_TASK, [](int, char**) { return 0; });
    sim::registerKeyin("browse", browseKeyin);
    sim::registerKeyin("%", shellKeyin);
});

}  // namespace

namespace sim {

const std::vector<StartedProgram>& startedPrograms() { return state().started; }
void failProgramStarts(bool fail) { state().fail = fail; }

void resetPrograms() {
    for (auto& p : state().started) {
        int status = 0;
        if (!p.ended && waitpid(p.pid, &status, 0) == p.pid) markEnded(p, status);
        if (p.exitChannel >= 0) ::close(p.exitChannel);
    }
    state().started.clear();
    state().handles.clear();
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

std::vector<std::string> childEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        std::string name = upper(entry.substr(0, entry.find('=')));
        if (name.rfind("_HOST_", 0) == 0 || name == "COMSPEC") continue; /* the configuration's value goes in below */
        env.push_back(entry);
    }
    for (const std::string& name : configuredVariableNames()) {
        std::string u = upper(name);
        if (u.rfind("_HOST_", 0) != 0 && u != "COMSPEC") continue;
        if (u == EXIT_CHANNEL_VARIABLE) continue;
        if (auto v = variableValue(name)) env.push_back(u + "=" + *v);
    }
    /* Names the configuration does not define pass on from our environment. */
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        std::string name = upper(entry.substr(0, entry.find('=')));
        if ((name.rfind("_HOST_", 0) != 0 && name != "COMSPEC") || name == EXIT_CHANNEL_VARIABLE) continue;
        if (!rawVariable(name)) env.push_back(entry);
    }
    return env;
}

int startProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const ProcessOptions& options) {
    reapEnded();
    if (state().fail || program.empty() || access(program.c_str(), X_OK) != 0) return -1;
    std::vector<std::string> env = options.environment.empty() ? childEnvironment() : options.environment;
    env.push_back(std::string(EXIT_CHANNEL_VARIABLE) + "=" + std::to_string(CHILD_EXIT_FD));
    std::vector<char*> argv, envp;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int exitPipe[2], errorPipe[2];
    if (::pipe2(exitPipe, O_CLOEXEC) != 0) return -1;
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        ::close(exitPipe[0]);
        ::close(exitPipe[1]);
        return -1;
    }
    const char* directory = options.directory.empty() ? nullptr : options.directory.c_str();
    /* What the host printed so far comes before anything the program prints. */
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        /* Only async-signal-safe calls from here to exec. */
        int err = 0;
        if (::dup2(exitPipe[1], CHILD_EXIT_FD) < 0) err = errno;
        if (!err && directory && ::chdir(directory) != 0) err = errno;
        if (!err && options.lowPriority) ::setpriority(PRIO_PROCESS, 0, 19);
        if (!err) {
            ::execve(argv[0], argv.data(), envp.data());
            err = errno;
        }
        ssize_t w = ::write(errorPipe[1], &err, sizeof err);
        (void)w;
        ::_exit(127);
    }
    ::close(exitPipe[1]);
    ::close(errorPipe[1]);
    /* A program that is none of ours may leave the channel to its own
    ** children: reading it must never wait for them. */
    ::fcntl(exitPipe[0], F_SETFL, O_NONBLOCK);
    if (pid < 0) {
        ::close(exitPipe[0]);
        ::close(errorPipe[0]);
        return -1;
    }
    int childError = 0;
    ssize_t n = ::read(errorPipe[0], &childError, sizeof childError);
    ::close(errorPipe[0]);
    if (n > 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(exitPipe[0]);
        return -1;
    }
    StartedProgram p{program, arguments, static_cast<int>(pid), false};
    p.exitChannel = exitPipe[0];
    p.startedMs = nowMs();
    state().started.push_back(std::move(p));
    return static_cast<int>(pid);
}

bool waitProcess(int pid, int timeoutMs, uint32_t* exitCode) {
    StartedProgram* p = nullptr;
    for (auto& q : state().started)
        if (q.pid == pid) p = &q; /* the newest start of that pid */
    if (!p) return false;
    int64_t deadline = nowMs() + (timeoutMs < 0 ? 0 : timeoutMs);
    while (!p->ended) {
        int status = 0;
        pid_t r = ::waitpid(p->pid, &status, timeoutMs < 0 ? 0 : WNOHANG);
        if (r == p->pid) {
            markEnded(*p, status);
            break;
        }
        if (r < 0 && errno != EINTR) return false;
        if (timeoutMs >= 0) {
            int64_t left = deadline - nowMs();
            if (left <= 0) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(left < 5 ? left : 5));
        }
    }
    if (exitCode) *exitCode = p->exitCode;
    return true;
}

bool processStarting(int withinMs) {
    reapEnded();
    int64_t now = nowMs();
    for (const auto& p : state().started)
        if (!p.ended && now - p.startedMs < withinMs) return true;
    return false;
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

HOST_API ExternalProgram* mdlExternal_startProgram(const char* program, const char* arguments) {
    if (!program || !*program) return nullptr;
    int pid = spawn(sim::hostPath(program), sim::splitArguments(arguments ? arguments : ""));
    if (pid < 0) return nullptr;
    state().handles.push_back(std::make_unique<ExternalProgram>(ExternalProgram{pid}));
    return state().handles.back().get();
}

namespace {

/* Forget HANDLE; false when it is none of ours. */
bool releaseHandle(ExternalProgram* handle) {
    auto& hs = state().handles;
    for (auto it = hs.begin(); it != hs.end(); ++it)
        if (it->get() == handle) {
            hs.erase(it);
            return true;
        }
    return false;
}

bool knownHandle(const ExternalProgram* handle) {
    for (const auto& h : state().handles)
        if (h.get() == handle) return true;
    return false;
}

}  // namespace

HOST_API StatusInt mdlExternal_wait(ExternalProgram* program, int* exitStatus) {
    if (!knownHandle(program)) return HOST_ERROR;
    uint32_t code = 0;
    bool ended = program->processId != 0 && sim::waitProcess(program->processId, -1, &code);
    releaseHandle(program);
    if (!ended) return HOST_ERROR;
    if (exitStatus) *exitStatus = static_cast<int>(code);
    return HOST_SUCCESS;
}

HOST_API void mdlExternal_terminateProgram(ExternalProgram* program) {
    if (!knownHandle(program)) return;
    if (program->processId != 0 && !sim::waitProcess(program->processId, 0, nullptr))
        ::kill(program->processId, SIGTERM);
    releaseHandle(program);
}
