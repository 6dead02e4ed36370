/* Table of loaded applications and the current-application stack, with the
** descriptor queries of the platform API. Loading and unloading live in
** loader.cpp. */
#include "host/sim/system/system.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"

namespace {

using sim::upper;

struct AppState {
    std::vector<std::unique_ptr<MdlDesc>> all;   /* every descriptor ever made, loaded or ended */
    std::vector<MdlDesc*> loaded;
    MdlDesc* current = nullptr;
    int nextProcessNumber = 1;
};
AppState state;

}  // namespace

namespace sim {

MdlDesc* registerApplication(const std::string& name, const std::string& resourcePath) {
    auto desc = std::make_unique<MdlDesc>();
    desc->processNumber = state.nextProcessNumber++;
    desc->taskId = upper(name);
    desc->resourcePath = resourcePath;
    MdlDesc* p = desc.get();
    state.all.push_back(std::move(desc));
    state.loaded.push_back(p);
    return p;
}

void registerApplicationFunction(MdlDesc* desc, const std::string& name, void* function) {
    if (desc) desc->functions[name] = function;
}

void endApplication(MdlDesc* desc) {
    if (!desc) return;
    desc->alive = false;
    desc->unloadPending = false;
    desc->newDesignFileFunction = nullptr;
    desc->unloadFunction = nullptr;
    state.loaded.erase(std::remove(state.loaded.begin(), state.loaded.end(), desc), state.loaded.end());
    if (state.current == desc) state.current = nullptr;
}

const std::vector<MdlDesc*>& loadedApplications() { return state.loaded; }

MdlDesc* findApplication(const std::string& taskId) {
    std::string key = upper(taskId);
    for (MdlDesc* d : state.loaded)
        if (d->taskId == key) return d;
    return nullptr;
}

MdlDesc* knownApplication(const void* desc) {
    if (!desc) return nullptr;
    for (auto& d : state.all)
        if (d.get() == desc) return d.get();
    return nullptr;
}

MdlDesc* currentApplication() { return state.current; }

CurrentApplicationScope::CurrentApplicationScope(MdlDesc* desc) : previous_(state.current), desc_(desc) {
    state.current = desc;
    if (desc_) ++desc_->activeCalls;
}
CurrentApplicationScope::~CurrentApplicationScope() {
    if (desc_) --desc_->activeCalls;
    state.current = previous_;
}

void resetApplications() {
    unloadAllApplications();
    state = AppState{};
}

static Registration resetRegistration([] { registerReset(ResetStage::Applications, resetApplications); });

}  // namespace sim

HOST_API MdlDescP mdlSystem_getCurrMdlDesc(void) { return sim::currentApplication(); }

HOST_API MdlDescP mdlSystem_getMdlDescFromProcessNumber(int processNumber) {
    for (MdlDesc* d : state.loaded)
        if (d->processNumber == processNumber) return d;
    return nullptr;
}

HOST_API int mdlSystem_getProcessNumberFromMdlDesc(MdlDescP desc) {
    MdlDesc* d = desc ? sim::knownApplication(desc) : sim::currentApplication();
    return d ? d->processNumber : -1;
}

HOST_API const char* mdlSystem_getCurrTaskID(void) {
    MdlDesc* d = sim::currentApplication();
    return d ? d->taskId.c_str() : "";
}

HOST_API MdlDescP mdlSystem_findMdlDesc(const char* taskId) { return taskId ? sim::findApplication(taskId) : nullptr; }

HOST_API StatusInt mdlSystem_setMdlAppVersionNumber(MdlDescP desc, int version) {
    MdlDesc* d = desc ? sim::knownApplication(desc) : sim::currentApplication();
    if (!d || !d->alive) return HOST_ERROR;
    d->version = version;
    return HOST_SUCCESS;
}

HOST_API int mdlSystem_getMdlAppVersionNumber(MdlDescP desc) {
    MdlDesc* d = desc ? sim::knownApplication(desc) : sim::currentApplication();
    return d && d->alive ? d->version : 0;
}
