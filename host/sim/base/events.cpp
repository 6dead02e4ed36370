/* One transaction per dispatched event, fanned out to every listener. */
#include "host/sim/base/base.h"

#include <map>
#include <vector>

namespace {
struct EventState {
    std::map<int, sim::EventListener> listeners;
    std::map<int, std::function<void()>> afterHooks;
    int nextId = 1;
    int depth = 0;
};
EventState state;
}  // namespace

namespace sim {

int addEventListener(EventListener listener) {
    int id = state.nextId++;
    state.listeners.emplace(id, std::move(listener));
    return id;
}

void removeEventListener(int id) { state.listeners.erase(id); }

bool inEvent() { return state.depth > 0; }

int addAfterEventHook(std::function<void()> fn) {
    int id = state.nextId++;
    state.afterHooks.emplace(id, std::move(fn));
    return id;
}

void removeAfterEventHook(int id) { state.afterHooks.erase(id); }

bool runEvent(const std::function<bool()>& fn) {
    if (state.depth > 0) return fn();
    for (auto& [id, l] : state.listeners)
        if (l.begin) l.begin();
    ++state.depth;
    bool ok = false;
    try {
        ok = fn();
    } catch (...) {
        --state.depth;
        for (auto& [id, l] : state.listeners)
            if (l.end) l.end(false);
        throw;
    }
    --state.depth;
    for (auto& [id, l] : state.listeners)
        if (l.end) l.end(true);
    std::vector<std::function<void()>> after;
    for (auto& [id, fn] : state.afterHooks) after.push_back(fn);
    for (auto& fn : after) fn();
    return ok;
}

}  // namespace sim
