/* The simulated host's table of loaded applications, shared by the host's
** areas: who is current, on whose behalf a call runs, where an application's
** files lie, loading and unloading. The public face is mdlSystem_* in
** host/mdlsystem.h. */
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>
#include "host/mdltypes.h"

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
** descriptor exists, before MdlMain) and unload (before the library goes). */
struct ApplicationListener {
    std::function<void(MdlDesc*)> loaded;
    std::function<void(MdlDesc*)> unloading;
};
int addApplicationListener(ApplicationListener listener);
void removeApplicationListener(int id);

/* Forget every application, unloading the loaded ones first (tests). */
void resetApplications();

}  // namespace sim
