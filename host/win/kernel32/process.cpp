/* kernel32: processes. CreateProcessA starts a real process through the
** host's process table; its handles (process and thread) are objects of
** this file, waited for, asked for their exit status and closed as on
** Windows. State: the open handles and a record of every process created. */
#include <windows.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/win/win.h"

namespace {

struct ProcessObject {
    int pid;
    bool terminated = false;   /* ended by TerminateProcess with CODE */
    uint32_t terminatedCode = 0;
};

struct ProcessState {
    std::map<HANDLE, std::shared_ptr<ProcessObject>> handles;
    std::vector<win::CreatedProcess> created;
    uintptr_t nextHandle = 0x100;
};
ProcessState& state() {
    static ProcessState s;
    return s;
}

const char EXIT_CHANNEL_VARIABLE[] = "_HOST_EXIT_FD";

/* A program of ours started by the machine finds its exit channel in the
** environment: keep it from its own children and from their environment. */
int exitChannel() {
    static int fd = [] {
        const char* v = std::getenv(EXIT_CHANNEL_VARIABLE);
        if (!v) return -1;
        int n = std::atoi(v);
        ::unsetenv(EXIT_CHANNEL_VARIABLE);
        if (n <= 2 || ::fcntl(n, F_SETFD, FD_CLOEXEC) != 0) return -1;
        return n;
    }();
    return fd;
}
const int exitChannelAtStart = exitChannel();

std::shared_ptr<ProcessObject> object(HANDLE h) {
    auto it = state().handles.find(h);
    return it == state().handles.end() ? nullptr : it->second;
}

HANDLE newHandle(const std::shared_ptr<ProcessObject>& o) {
    HANDLE h = reinterpret_cast<HANDLE>(state().nextHandle);
    state().nextHandle += 4;
    state().handles[h] = o;
    return h;
}

bool isDirectory(const std::string& local) {
    struct stat st;
    return !local.empty() && ::stat(local.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isExecutable(const std::string& local) {
    struct stat st;
    return !local.empty() && ::stat(local.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(local.c_str(), X_OK) == 0;
}

/* The first word of a command line: quoted, or up to the first blank. */
std::string programWord(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos) return {};
    if (line[i] == '"') {
        size_t e = line.find('"', i + 1);
        return line.substr(i + 1, e == std::string::npos ? std::string::npos : e - i - 1);
    }
    size_t e = line.find_first_of(" \t", i);
    return line.substr(i, e == std::string::npos ? std::string::npos : e - i);
}

/* An environment block "A=B\0C=D\0\0", with the machine's description added
** where the block leaves it out (so that the program maps drives as we do). */
std::vector<std::string> blockEnvironment(const char* block) {
    std::vector<std::string> env;
    std::map<std::string, bool> named;
    for (const char* p = block; *p; p += std::strlen(p) + 1) {
        env.emplace_back(p);
        named[sim::upper(env.back().substr(0, env.back().find('=')))] = true;
    }
    for (const std::string& e : sim::childEnvironment()) {
        std::string n = sim::upper(e.substr(0, e.find('=')));
        if ((n.rfind("_HOST_", 0) == 0 || n == "COMSPEC") && !named.count(n)) env.push_back(e);
    }
    return env;
}

}  // namespace

namespace win {

std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0, n = line.size();
    auto skipBlanks = [&] { while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i; };
    skipBlanks();
    if (i >= n) return out;
    /* The program: quotes group, backslashes are literal. */
    std::string word;
    bool quoted = false;
    for (; i < n && (quoted || (line[i] != ' ' && line[i] != '\t')); ++i) {
        if (line[i] == '"') quoted = !quoted;
        else word += line[i];
    }
    out.push_back(word);
    for (;;) {
        skipBlanks();
        if (i >= n) break;
        word.clear();
        quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                size_t b = 0;
                while (i < n && line[i] == '\\') ++b, ++i;
                if (i < n && line[i] == '"') {
                    word.append(b / 2, '\\');
                    if (b % 2) {
                        word += '"';
                        ++i;
                    }
                } else {
                    word.append(b, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                word += line[i++];
            }
        }
        out.push_back(word);
    }
    return out;
}

std::string quoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            out.append(backslashes + 1, '\\'); /* double those before it, then escape it */
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        out += c;
    }
    out.append(backslashes, '\\'); /* doubled before the closing quote */
    return out + "\"";
}

std::string findProgram(const std::string& name, const std::string& directory) {
    if (name.empty()) return {};
    std::vector<std::string> names{name};
    if (!sim::paths::hasExtension(name)) names.push_back(name + ".exe");
    else if (name.size() > 4 && sim::upper(name.substr(name.size() - 4)) == ".EXE")
        names.push_back(name.substr(0, name.size() - 4));
    bool bare = name.find_first_of("/\\:") == std::string::npos;
    std::vector<std::string> candidates;
    for (const auto& n : names) {
        if (!bare) {
            candidates.push_back(sim::hostPath(n));
            continue;
        }
        if (!directory.empty()) candidates.push_back(directory + "/" + n);
        const char* path = std::getenv("PATH");
        std::string p = path ? path : "";
        for (size_t s = 0; s <= p.size();) {
            size_t e = p.find(':', s);
            if (e == std::string::npos) e = p.size();
            if (e > s) candidates.push_back(p.substr(s, e - s) + "/" + n);
            s = e + 1;
        }
    }
    for (const auto& c : candidates)
        if (isExecutable(c)) return c;
    return {};
}

std::string platformPath(const std::string& localPath) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::optional<std::string> root = sim::variableValue(std::string("_HOST_DRIVE_") + letter);
        if (!root || root->empty() || root->rfind("\\\\", 0) == 0 || root->rfind("//", 0) == 0) continue;
        std::string r = sim::hostPath(std::string(1, letter) + ":\\");
        while (r.size() > 1 && r.back() == '/') r.pop_back();
        if (localPath == r || localPath.rfind(r + "/", 0) == 0) {
            std::string rest = localPath.substr(r.size());
            for (char& c : rest)
                if (c == '/') c = '\\';
            return std::string(1, letter) + ":" + (rest.empty() ? "\\" : rest);
        }
    }
    return localPath;
}

const std::vector<CreatedProcess>& createdProcesses() { return state().created; }

void resetProcesses() {
    for (auto& [h, o] : state().handles) sim::waitProcess(o->pid, -1, nullptr);
    state() = ProcessState{};
}

}  // namespace win

WINBASEAPI BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                      LPSECURITY_ATTRIBUTES, BOOL, DWORD creationFlags, LPVOID environment,
                                      LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                                      LPPROCESS_INFORMATION processInformation) {
    if ((!applicationName && !commandLine) || !startupInfo || !processInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (creationFlags & (CREATE_SUSPENDED | DEBUG_PROCESS | CREATE_UNICODE_ENVIRONMENT)) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED); /* no threads to resume, no debugger, ANSI only */
        return FALSE;
    }
    std::string directory;
    if (currentDirectory && *currentDirectory) {
        directory = sim::hostPath(currentDirectory);
        if (!isDirectory(directory)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }
    std::string line = commandLine ? commandLine : "";
    std::vector<std::string> words = win::splitCommandLine(line);
    std::string program;
    if (applicationName && *applicationName) {
        program = sim::hostPath(applicationName);
        if (!isExecutable(program)) program.clear();
    } else {
        char cwd[4096];
        program = win::findProgram(programWord(line), directory.empty() ? (::getcwd(cwd, sizeof cwd) ? cwd : "") : directory);
    }
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    sim::ProcessOptions options;
    options.directory = directory;
    options.lowPriority = (creationFlags & (IDLE_PRIORITY_CLASS | BELOW_NORMAL_PRIORITY_CLASS)) != 0;
    if (environment) options.environment = blockEnvironment(static_cast<const char*>(environment));
    std::vector<std::string> arguments(words.empty() ? words.begin() : words.begin() + 1, words.end());
    int pid = sim::startProcess(program, arguments, options);
    if (pid < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    int show = (startupInfo->dwFlags & STARTF_USESHOWWINDOW) ? startupInfo->wShowWindow : -1;
    state().created.push_back({program, arguments, show, options.lowPriority});
    auto o = std::make_shared<ProcessObject>(ProcessObject{pid});
    processInformation->hProcess = newHandle(o);
    processInformation->hThread = newHandle(o);
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE h, DWORD milliseconds) {
    auto o = object(h);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    int timeout = milliseconds == INFINITE ? -1 : milliseconds > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(milliseconds);
    return sim::waitProcess(o->pid, timeout, nullptr) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

WINBASEAPI BOOL WINAPI GetExitCodeProcess(HANDLE h, LPDWORD exitCode) {
    auto o = object(h);
    if (!o || !exitCode) {
        SetLastError(o ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    uint32_t code = 0;
    if (!sim::waitProcess(o->pid, 0, &code)) *exitCode = STILL_ACTIVE;
    else *exitCode = o->terminated ? o->terminatedCode : code;
    return TRUE;
}

WINBASEAPI BOOL WINAPI TerminateProcess(HANDLE h, UINT exitCode) {
    auto o = object(h);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!sim::waitProcess(o->pid, 0, nullptr)) {
        ::kill(o->pid, SIGKILL);
        o->terminated = true;
        o->terminatedCode = exitCode;
        sim::waitProcess(o->pid, -1, nullptr);
    }
    return TRUE;
}

/* Closing the last handle leaves the process running, as on Windows; the
** host's table collects it when it ends. */
WINBASEAPI BOOL WINAPI CloseHandle(HANDLE h) {
    if (!state().handles.erase(h)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

WINBASEAPI void WINAPI GetStartupInfoA(LPSTARTUPINFOA info) {
    if (!info) return;
    std::memset(info, 0, sizeof *info);
    info->cb = sizeof *info;
}

WINBASEAPI DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(::getpid()); }

/* Report the whole 32-bit status through the exit channel when the machine
** started us; the process status keeps its low byte. */
WINBASEAPI void WINAPI ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    if (int fd = exitChannel(); fd >= 0) {
        unsigned char b[4] = {static_cast<unsigned char>(exitCode), static_cast<unsigned char>(exitCode >> 8),
                              static_cast<unsigned char>(exitCode >> 16), static_cast<unsigned char>(exitCode >> 24)};
        ssize_t w = ::write(fd, b, 4);
        (void)w;
    }
    ::_exit(static_cast<int>(exitCode & 0xFF));
}

WINBASEAPI void WINAPI Sleep(DWORD milliseconds) { ::usleep(static_cast<useconds_t>(milliseconds) * 1000); }
