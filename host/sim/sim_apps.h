/* The simulated host's table of loaded applications, shared by the host's
** areas: who is current, on whose behalf a call runs, where an application's
** files lie. The public face is mdlSystem_* in host/mdlsystem.h. */
#pragma once

#include <string>
#include <vector>
#include "host/mdltypes.h"

struct MdlDesc {
    int processNumber;         /* unique for the host's lifetime, never reused */
    std::string taskId;        /* upper-case name, as mdlSystem_getCurrTaskID answers */
    std::string loadPath;      /* the shared library it was loaded from; empty for a registered one */
    std::string resourcePath;  /* its own resource file (NAME.ma beside the library), may be empty */
    void* dlHandle = nullptr;
    int version = 0;
    bool alive = true;
    void* newDesignFileFunction = nullptr;
    void* unloadFunction = nullptr;
};

namespace sim {

/* Register an application without a shared library (tests, built-in
** applications). The host owns the descriptor; it stays valid, marked dead,
** after unload so that stale descriptors can still be compared. */
MdlDesc* registerApplication(const std::string& name, const std::string& resourcePath = {});
/* Mark an application ended and drop it from the list of loaded ones. */
void endApplication(MdlDesc* desc);
/* Loaded applications in load order. */
const std::vector<MdlDesc*>& loadedApplications();
MdlDesc* findApplication(const std::string& taskId);

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
};

/* Forget every application (tests). */
void resetApplications();

}  // namespace sim
