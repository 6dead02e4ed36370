/* The host's system area: configuration variables and files, the mapping of
** platform paths, finding files along variable lists, the clock and work
** mode, the key-in dispatcher, the table of loaded applications with their
** loader and cross calls, and external programs. Builds on the base only. */
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/mdltypes.h"

/* The simulated host's system area as the other host areas, hostsim and the
** tests reach it: configuration variables and configuration files, the
** host's clock and work mode, and the key-in dispatcher. The public face is
** mdlSystem_* in host/mdlsystem.h. */

namespace sim {

/* ---- Configuration variables --------------------------------------------
** Names compare case-insensitively. A variable may be defined at several
** levels (CfgLevel); the highest level's definition is its value. Values are
** kept raw and expanded when read; a $(NAME) in a new value of NAME itself
** takes the old value at once, so "P = $(P);x" appends rather than loops. */

/* True when NAME is a valid variable name: letters, digits and '_'. */
bool isVariableName(const std::string& name);
/* Define NAME at LEVEL. False (nothing changed) for a bad name or level, or
** a value longer than 64 KB once its own $(NAME) is resolved. */
bool defineVariable(const std::string& name, const std::string& value, int level);
/* Remove NAME's definition at LEVEL, or at every level when LEVEL is allLevels. */
constexpr int allLevels = 1000;
void undefineVariable(const std::string& name, int level = allLevels);
/* The raw value of NAME (highest level), or nothing when undefined. */
std::optional<std::string> rawVariable(const std::string& name);
/* Names of every defined variable, as first defined, in name order. */
std::vector<std::string> configuredVariableNames();
/* The raw value of NAME defined exactly at LEVEL. */
std::optional<std::string> rawVariableAtLevel(const std::string& name, int level);
/* The expanded value of NAME; the process environment answers for names the
** configuration does not define. */
std::optional<std::string> variableValue(const std::string& name);
/* Expand every $(NAME) in TEXT. Undefined names and reference cycles expand
** to nothing; "$(" without ")" stays as written. A value that would grow past
** 64 KB expands to nothing (variableValue: none). */
std::string expandVariables(const std::string& text);
/* Split a directory list ("a;b;;c") into its non-empty, trimmed entries. */
std::vector<std::string> splitList(const std::string& list);

/* Read a configuration file at LEVEL:
**     NAME = value      define (raw, expanded when read)
**     NAME : value      define with the value expanded now
**     NAME > value      append to the list (';' between)
**     NAME < value      prepend to the list
**     %include PATH     read another file (relative to this one; '*' and '?'
**                       in the file name include every match, in name order)
**     %undef NAME, %ifdef NAME, %ifndef NAME, %if [!]exists(PATH),
**     %if [!]defined(NAME), %else, %endif
**     # comment         (whole lines only: values may hold '#')
** Bad lines are reported and skipped; the rest of the file still counts.
** Answers false when the file cannot be read or any line was bad; ERROR then
** holds one "file:line: message" per problem, newline-separated. */
bool processConfigFile(const std::string& path, int level, std::string& error);

/* Forget every definition (tests). */
void resetConfiguration();

/* ---- Files ---------------------------------------------------------------
** Find NAME ($(VAR) expanded; DEFAULTEXT, with or without its point, added
** when NAME has none, the bare name tried next). An absolute NAME is only
** itself; a relative one is looked for in the current directory (when
** SEARCHCURRENT) and then in each directory of ENVVAR: the list in the
** variable of that name, or ENVVAR itself as a literal ';' list. FOUND gets
** the path in platform form (the list entry joined with the name), or the
** name as searched when nothing was found (answer false). Only regular files
** count. */
bool findFile(const std::string& name, const char* envVar, const char* defaultExt, bool searchCurrent,
              std::string& found);

}  // namespace sim

/* Parts of platform paths (no file system access). */
namespace sim::paths {
bool isSeparator(char c);
/* A drive letter and colon in front ("c:"). */
bool hasDevice(const std::string& p);
bool isAbsolute(const std::string& p);
/* Offset of the file name in P (after the last separator or device colon). */
size_t nameStart(const std::string& p);
bool hasExtension(const std::string& p);
/* DIR joined with NAME, using DIR's own kind of separator. */
std::string joinPath(const std::string& dir, const std::string& name);
}  // namespace sim::paths

namespace sim {

/* ---- Clock and work mode -------------------------------------------------
** The host's clock is simulated so that sessions are repeatable: it starts at
** 0 and moves only when told (mdlSystem_pauseTicks, advanceTicks). */
void advanceTicks(uint32_t ticks);
/* Let TICKS pass as the user waits: the clock moves and due timers fire in
** the order they fall due. */
void waitTicks(uint32_t ticks);
/* Timers set and not yet cancelled (tests). */
size_t activeTimers();
void setWorkmode(int mode);     /* 0 DGN, 1 DWG, 2 V7 */

/* ---- Key-ins ---------------------------------------------------------------
** Run KEYIN as the user typed it in the key-in field: the host's own key-ins
** (sim::registerKeyin) and every key-in source compete, the longest match of
** key-in words wins (host key-ins win a tie). Runs as one event. False with
** ERROR set when the key-in is unknown ("Unknown key-in: ...") or failed. */
bool dispatchKeyin(const std::string& keyin, std::string& error);

/* Another supplier of key-ins (for example the applications' command
** tables). MATCH answers how many leading words of the key-in it recognises
** (0: none); RUN runs it. */
struct KeyinSource {
    std::function<size_t(const std::string& keyin)> match;
    std::function<bool(const std::string& keyin, std::string& error)> run;
};
void addKeyinSource(KeyinSource source);

}  // namespace sim

/* Mapping of the platform's file names onto this machine's file system.
** Every area of the host that opens a file goes through hostPath. */

namespace sim {

/* The local path of a platform path. Drive letters map to the directories
** named by the configuration variables _HOST_DRIVE_<LETTER> (made on first
** use); backslashes and slashes both separate; plain POSIX paths pass
** through, and ":/x" (an empty device before a POSIX path) is "/x". Where
** the path does not exist as written, each component is matched against the
** disk case-insensitively, as the platform compares file names; components
** that match nothing stay as written (a file about to be made). A drive
** without a mapping gives "" so that every open of it fails. A network path
** \\SERVER\SHARE\rest lies in the folder _HOST_NETWORK names, as
** SERVER/SHARE/rest ("" without it); a drive whose mapping is a network path
** (_HOST_DRIVE_P = \\server\share) is a network drive onto that share. */
std::string hostPath(const std::string& platformPath);

}  // namespace sim

/* The simulated host's table of loaded applications, shared by the host's
** areas: who is current, on whose behalf a call runs, where an application's
** files lie, loading and unloading. The public face is mdlSystem_* in
** host/mdlsystem.h. */

struct MdlDesc {
    int processNumber;         /* unique for the host's lifetime, never reused */
    std::string taskId;        /* upper-case name, as mdlSystem_getCurrTaskID answers */
    std::string loadPath;      /* the shared library it was loaded from (platform form); empty for a registered one */
    std::string resourcePath;  /* its own resource file (NAME.ma beside the library), may be empty */
    void* dlHandle = nullptr;
    int version = 0;
    bool alive = true;
    void* newDesignFileFunction = nullptr;  /* void (*)(const char* fileName, int state) */
    void* unloadFunction = nullptr;         /* int (*)(int unloadType) */
    std::string loadedThrough;              /* "MS_INITAPPS", "MS_DGNAPPS" or "" */
    int exitStatus = 0;                     /* as given to mdlSystem_exit */
    bool unloadPending = false;             /* unload once no call into it runs */
    int pendingUnloadType = 0;
    bool unloading = false;
    int activeCalls = 0;                    /* CurrentApplicationScopes open on it */
    std::vector<std::string> argvStorage;   /* MdlMain's arguments, kept while it lives */
    std::vector<char*> argv;
    std::map<std::string, void*> functions; /* named functions of a registered application */
};

namespace sim {

/* Register an application without a shared library (tests, built-in
** applications). The host owns the descriptor; it stays valid, marked dead,
** after unload so that stale descriptors can still be compared. */
MdlDesc* registerApplication(const std::string& name, const std::string& resourcePath = {});
/* Give a registered application a function that dlmSystem_callMdlFunction finds by NAME. */
void registerApplicationFunction(MdlDesc* desc, const std::string& name, void* function);
/* Mark an application ended and drop it from the list of loaded ones. */
void endApplication(MdlDesc* desc);
/* Loaded applications in load order. */
const std::vector<MdlDesc*>& loadedApplications();
MdlDesc* findApplication(const std::string& taskId);
/* DESC when it is a descriptor this host made (loaded or ended), else null. */
MdlDesc* knownApplication(const void* desc);

MdlDesc* currentApplication();
/* Make DESC current for the lifetime of the guard: every call into an
** application (commands, hooks, callbacks) runs inside one. */
class CurrentApplicationScope {
public:
    explicit CurrentApplicationScope(MdlDesc* desc);
    ~CurrentApplicationScope();
    CurrentApplicationScope(const CurrentApplicationScope&) = delete;
    CurrentApplicationScope& operator=(const CurrentApplicationScope&) = delete;
private:
    MdlDesc* previous_;
    MdlDesc* desc_;
};

/* ---- Loading and unloading ------------------------------------------------ */

/* The entry point of a built-in application (one without a shared library). */
using BuiltinMain = std::function<int(int argc, char** argv)>;
/* Make NAME loadable by key-in and mdlSystem_loadMdlProgram without a library. */
void registerBuiltinApplication(const std::string& name, BuiltinMain main);

/* Load application NAME: a built-in one, else NAME.so along MS_MDL (NAME may
** also be a path; an extension .so, .ma or .dll is dropped), and enter its
** MdlMain on its behalf. ARGS (blank-separated) follow as argv[2...];
** THROUGH is argv[1] ("MS_INITAPPS", "MS_DGNAPPS" or ""). Returns the
** descriptor, or null with ERROR set and *STATUS (when given) a LoadStatus. */
MdlDesc* loadApplication(const std::string& name, const std::string& args, const std::string& through,
                         std::string& error, int* status = nullptr);
/* Load every application named in the list of VARIABLE (';' or blanks
** between names), skipping those already loaded. False with ERROR set (one
** line per failure) when any failed; the others are loaded all the same. */
bool loadApplicationsFrom(const std::string& variable, std::string& error);

/* Unload DESC. An ordinary unload asks its unload function (type
** UNLOAD_ORDINARY) and keeps it loaded when it refuses; a forced one tells
** it (UNLOAD_FORCED) and unloads whatever it answers. While a call into DESC
** is running the unload is deferred until that call returns. True when it is
** gone or deferred, false when refused or not loaded. */
bool unloadApplication(MdlDesc* desc, bool forced);
/* As unloadApplication with an explicit UnloadType (negative: forced). */
bool unloadApplicationWithType(MdlDesc* desc, int unloadType);
/* Run the unloads deferred by mdlSystem_exit or by running calls. The host
** calls it after every event; hostsim after every session line. */
void processPendingUnloads();
/* Unload everything, newest first, as the host does when it ends. */
void unloadAllApplications();

/* Tell every loaded application that a design file opened (STATE 1) or is
** about to close (0), through its new-design-file function. The design-file
** area calls it; with STATE 1 it first loads the MS_DGNAPPS applications. */
void notifyNewDesignFile(const std::string& fileName, int state);

/* Areas that keep per-application state hear of every load (after the
** descriptor exists, before MdlMain) and unload (before the library goes);
** RELEASED runs after every listener's UNLOADING (the resource area closes
** the application's files there, once no other area needs them). */
struct ApplicationListener {
    std::function<void(MdlDesc*)> loaded;
    std::function<void(MdlDesc*)> unloading;
    std::function<void(MdlDesc*)> released = nullptr;
};
int addApplicationListener(ApplicationListener listener);
void removeApplicationListener(int id);

/* Forget every application, unloading the loaded ones first (tests). */
void resetApplications();

}  // namespace sim

/* Processes of the simulated machine: every program the host or the
** simulated Windows layer starts is a real process here. A program of ours
** that ends with a 32-bit exit status (as Windows programs do) reports it
** through the exit channel named by _HOST_EXIT_FD in its environment. */

namespace sim {

struct StartedProgram {
    std::string program;              /* local path */
    std::vector<std::string> arguments;
    int pid;
    bool ended;                       /* collected: its pid may be reused */
    uint32_t exitCode = 0;            /* once ended */
    int exitChannel = -1;             /* read end of the exit channel, -1 once read */
    int64_t startedMs = 0;            /* steady clock */
};
const std::vector<StartedProgram>& startedPrograms();
/* Make every start fail (true) or work again (false). */
void failProgramStarts(bool fail);
/* Wait for every started process and forget them (tests). */
void resetPrograms();

/* Split ARGUMENTS at blanks; a part in double quotes keeps its blanks. */
std::vector<std::string> splitArguments(const std::string& arguments);

/* What a new process gets besides its program and arguments. */
struct ProcessOptions {
    std::vector<std::string> environment; /* "NAME=value"; empty: childEnvironment() */
    std::string directory;                /* local; empty: this process's */
    bool lowPriority = false;             /* runs at the lowest scheduling priority */
};
/* The environment of a program the machine starts: this process's own, with
** the machine's description from the configuration (every _HOST_ variable,
** COMSPEC) so that the program maps drives and finds the shell as we do. */
std::vector<std::string> childEnvironment();
/* Start PROGRAM (a local path) with ARGUMENTS as a process of its own and
** return its pid, or -1 (not executable, or starts made to fail). */
int startProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const ProcessOptions& options = {});
/* Wait for process PID of ours at most TIMEOUTMS milliseconds (negative: no
** limit). True once it has ended, with EXITCODE (when given) its status: the
** 32-bit one it reported, else its exit status, or for a signal the status
** Windows gives a process that failed so. False while it runs, or for a pid
** we never started. */
bool waitProcess(int pid, int timeoutMs, uint32_t* exitCode);
/* True when a process of ours started less than WITHINMS ago still runs. */
bool processStarting(int withinMs);

}  // namespace sim
