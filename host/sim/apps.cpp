/* Table of loaded applications and the current-application stack. */
#include "host/sim/sim_apps.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

struct AppState {
    std::vector<std::unique_ptr<MdlDesc>> all;   /* every descriptor ever made, loaded or ended */
    std::vector<MdlDesc*> loaded;
    MdlDesc* current = nullptr;
    int nextProcessNumber = 1;
};
AppState state;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

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

void endApplication(MdlDesc* desc) {
    if (!desc) return;
    desc->alive = false;
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

MdlDesc* currentApplication() { return state.current; }

CurrentApplicationScope::CurrentApplicationScope(MdlDesc* desc) : previous_(state.current) {
    state.current = desc;
}
CurrentApplicationScope::~CurrentApplicationScope() { state.current = previous_; }

void resetApplications() { state = AppState{}; }

}  // namespace sim
