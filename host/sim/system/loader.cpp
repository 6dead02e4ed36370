/* Loading and unloading applications: add-in libraries found along MS_MDL
** and entered through MdlMain, built-in applications, the unload and
** new-design-file callbacks, deferred unloads. State: the built-in table and
** the application listeners. */
#include <algorithm>
#include <cctype>
#include <dlfcn.h>
#include <sstream>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

namespace {

using sim::upper;
using sim::trim;

using MdlMainFunction = int (*)(int, char**);
using UnloadFunction = int (*)(int);
using NewDesignFileFunction = void (*)(const char*, int);

struct LoaderState {
    std::map<std::string, sim::BuiltinMain> builtins;  /* key: upper-case task id */
    std::map<int, sim::ApplicationListener> listeners;
    int nextListener = 1;
    int eventHook = 0;
};

/* Function-local so that built-in applications may register from static
** initialisers of other files. */
LoaderState& loader() {
    static LoaderState s;
    return s;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

/* Pending unloads run once the event that asked for them is over. */
void ensureEventHook() {
    if (loader().eventHook) return;
    loader().eventHook = sim::addEventListener({nullptr, [](bool) { sim::processPendingUnloads(); }});
}

/* NAME without a trailing .so, .ma or .dll. */
std::string withoutExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    size_t sep = name.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return name;
    std::string ext = upper(name.substr(dot));
    return ext == ".SO" || ext == ".MA" || ext == ".DLL" ? name.substr(0, dot) : name;
}

std::string taskIdOf(const std::string& name) {
    std::string base = withoutExtension(trim(name));
    size_t sep = base.find_last_of("/\\:");
    return upper(sep == std::string::npos ? base : base.substr(sep + 1));
}

MdlDesc* fail(std::string& error, int* status, int code, std::string message) {
    error = std::move(message);
    if (status) *status = code;
    return nullptr;
}

/* Enter MAIN on DESC's behalf with its arguments. False when it threw. */
bool start(MdlDesc* desc, const sim::BuiltinMain& main, const std::string& argv0, const std::string& through,
           const std::string& args) {
    desc->loadedThrough = through;
    desc->argvStorage = {argv0, through};
    for (auto& w : words(args)) desc->argvStorage.push_back(w);
    desc->argv.clear();
    for (auto& s : desc->argvStorage) desc->argv.push_back(s.data());
    desc->argv.push_back(nullptr);
    /* The resource area opens its own resource file here, before MdlMain runs. */
    for (auto& [id, l] : loader().listeners)
        if (l.loaded) l.loaded(desc);
    sim::CurrentApplicationScope scope(desc);
    try {
        main(static_cast<int>(desc->argvStorage.size()), desc->argv.data());
    } catch (...) {
        return false;
    }
    return true;
}

}  // namespace

namespace sim {

void registerBuiltinApplication(const std::string& name, BuiltinMain main) {
    loader().builtins[upper(name)] = std::move(main);
}

int addApplicationListener(ApplicationListener listener) {
    int id = loader().nextListener++;
    loader().listeners.emplace(id, std::move(listener));
    return id;
}

void removeApplicationListener(int id) { loader().listeners.erase(id); }

MdlDesc* loadApplication(const std::string& name, const std::string& args, const std::string& through,
                         std::string& error, int* status) {
    error.clear();
    if (status) *status = HOST_SUCCESS;
    std::string n = withoutExtension(trim(name));
    std::string task = taskIdOf(n);
    if (task.empty()) return fail(error, status, LOAD_BAD_NAME, "No application name given");
    if (findApplication(task)) return fail(error, status, LOAD_ALREADY_LOADED, "Application " + task + " is already loaded");
    ensureEventHook();

    MdlDesc* desc = nullptr;
    BuiltinMain main;
    std::string argv0;
    auto builtin = loader().builtins.find(task);
    if (n.find_first_of("/\\:") == std::string::npos && builtin != loader().builtins.end()) {
        desc = registerApplication(task);
        main = builtin->second;
        argv0 = task;
    } else {
        /* A bare name is looked for along MS_MDL only, never in the current directory. */
        std::string path;
        if (!findFile(n + ".so", "MS_MDL", nullptr, false, path))
            return fail(error, status, LOAD_NOT_FOUND, "Cannot find application " + trim(name) + " (" + n + ".so along MS_MDL)");
        void* handle = ::dlopen(hostPath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            return fail(error, status, LOAD_CANNOT_LOAD, "Cannot load application " + task + ": " + (why ? why : "?"));
        }
        void* entry = ::dlsym(handle, "MdlMain");
        if (!entry) {
            ::dlclose(handle);
            return fail(error, status, LOAD_NO_ENTRY, "Application " + task + " has no MdlMain");
        }
        desc = registerApplication(task, path.substr(0, path.size() - 3) + ".ma");
        desc->loadPath = path;
        desc->dlHandle = handle;
        main = reinterpret_cast<MdlMainFunction>(entry);
        argv0 = path;
    }
    if (!start(desc, main, argv0, through, args)) {
        unloadApplicationWithType(desc, UNLOAD_FORCED);
        return fail(error, status, LOAD_START_FAILED, "Application " + task + " failed to start");
    }
    if (desc->unloadPending && desc->activeCalls == 0) unloadApplicationWithType(desc, desc->pendingUnloadType);
    return desc;
}

bool loadApplicationsFrom(const std::string& variable, std::string& error) {
    error.clear();
    std::optional<std::string> list = variableValue(variable);
    if (!list) return true;
    std::string names = *list;
    std::replace(names.begin(), names.end(), ';', ' ');
    bool ok = true;
    for (auto& name : words(names)) {
        if (findApplication(taskIdOf(name))) continue;
        std::string e;
        if (!loadApplication(name, "", variable, e)) {
            ok = false;
            error += e + "\n";
        }
    }
    return ok;
}

bool unloadApplication(MdlDesc* desc, bool forced) {
    return unloadApplicationWithType(desc, forced ? UNLOAD_FORCED : UNLOAD_ORDINARY);
}

bool unloadApplicationWithType(MdlDesc* desc, int unloadType) {
    MdlDesc* d = knownApplication(desc);
    if (!d || !d->alive || d->unloading) return false;
    if (d->activeCalls > 0) {
        /* Its code is running: unload once that call has returned. */
        if (!d->unloadPending || unloadType < d->pendingUnloadType) d->pendingUnloadType = unloadType;
        d->unloadPending = true;
        ensureEventHook();
        return true;
    }
    d->unloading = true;
    if (d->unloadFunction) {
        int answer = 0;
        {
            CurrentApplicationScope scope(d);
            try {
                answer = reinterpret_cast<UnloadFunction>(d->unloadFunction)(unloadType);
            } catch (...) {
                answer = 0;
            }
        }
        if (unloadType >= 0 && answer != 0) {
            d->unloading = false;
            d->unloadPending = false;
            return false;
        }
    }
    {
        CurrentApplicationScope scope(d);
        for (auto& [id, l] : loader().listeners)
            if (l.unloading) l.unloading(d);
        for (auto& [id, l] : loader().listeners)
            if (l.released) l.released(d);
    }
    endApplication(d);
    if (d->dlHandle) ::dlclose(d->dlHandle);
    d->dlHandle = nullptr;
    d->functions.clear();
    d->unloading = false;
    return true;
}

void processPendingUnloads() {
    std::vector<MdlDesc*> apps = loadedApplications();
    for (MdlDesc* d : apps)
        if (d->alive && d->unloadPending && d->activeCalls == 0) unloadApplicationWithType(d, d->pendingUnloadType);
}

void unloadAllApplications() {
    while (!loadedApplications().empty()) {
        MdlDesc* d = loadedApplications().back();
        unloadApplicationWithType(d, UNLOAD_SHUTDOWN);
        if (d->alive) {
            endApplication(d);
            if (d->dlHandle) ::dlclose(d->dlHandle);
            d->dlHandle = nullptr;
        }
    }
}

void notifyNewDesignFile(const std::string& fileName, int state) {
    if (state == 1) {
        std::string error;
        if (!loadApplicationsFrom("MS_DGNAPPS", error)) toolSubsystem_printf("%s", error.c_str());
    }
    std::vector<MdlDesc*> apps = loadedApplications();
    for (MdlDesc* d : apps) {
        if (!d->alive || !d->newDesignFileFunction) continue;
        CurrentApplicationScope scope(d);
        try {
            reinterpret_cast<NewDesignFileFunction>(d->newDesignFileFunction)(fileName.c_str(), state);
        } catch (...) {
            toolSubsystem_printf("Application %s failed in its new-design-file function\n", d->taskId.c_str());
        }
    }
}

}  // namespace sim

HOST_API StatusInt mdlSystem_loadMdlProgram(const char* taskId, const char* name, const char* args) {
    const char* n = name && *name ? name : taskId;
    if (!n || !*n) return LOAD_BAD_NAME;
    std::string error;
    int status = HOST_SUCCESS;
    if (!sim::loadApplication(n, args ? args : "", "", error, &status)) {
        toolSubsystem_printf("%s\n", error.c_str());
        return status;
    }
    return HOST_SUCCESS;
}

HOST_API void mdlSystem_exit(int status, int unload) {
    MdlDesc* d = sim::currentApplication();
    if (!d || !d->alive) return;
    d->exitStatus = status;
    if (!unload) return;
    sim::unloadApplicationWithType(d, UNLOAD_BY_EXIT);
}

HOST_API void* mdlSystem_setFunction(int type, void* function) {
    MdlDesc* d = sim::currentApplication();
    if (!d || !d->alive) return nullptr;
    void** slot = type == SYSTEM_NEW_DESIGN_FILE ? &d->newDesignFileFunction
                : type == SYSTEM_UNLOAD_PROGRAM  ? &d->unloadFunction
                                                 : nullptr;
    if (!slot) return nullptr;
    void* previous = *slot;
    *slot = function;
    return previous;
}
