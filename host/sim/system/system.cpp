/* The host's clock with its timers, work mode and graphics state, and the
** key-in dispatcher with the host's own key-ins ("mdl load", "mdl unload")
** and the session verbs "define" and "wait TICKS". State: ticks, timers,
** work mode, the key-in sources. */
#include <sstream>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

namespace {

struct Timer {
    int handle;
    uint64_t due;                 /* on the clock counted without wrapping */
    int interval;                 /* 0: fires once */
    SystemTimerFunction function;
    void* argument;
    MdlDesc* owner;
};

struct SystemState {
    uint32_t ticks = 0;
    uint64_t elapsed = 0;         /* ticks since the start, for timers */
    int workmode = 0;
    int nextTimer = 1;
    std::vector<Timer> timers;
};
SystemState state;

/* Function-local so that sources may be added from static initialisers. */
std::vector<sim::KeyinSource>& keyinSources() {
    static std::vector<sim::KeyinSource> sources;
    return sources;
}

size_t wordCount(const std::string& text) {
    std::istringstream in(text);
    size_t n = 0;
    for (std::string w; in >> w;) ++n;
    return n;
}

std::string firstWord(const std::string& text, std::string& rest) {
    std::istringstream in(text);
    std::string w;
    in >> w;
    std::getline(in, rest);
    size_t b = rest.find_first_not_of(" \t");
    rest = b == std::string::npos ? std::string() : rest.substr(b);
    return w;
}

bool keyinLoad(const std::string& rest, std::string& error) {
    std::string args;
    std::string name = firstWord(rest, args);
    if (name.empty()) {
        error = "mdl load: application name expected";
        return false;
    }
    MdlDesc* d = sim::loadApplication(name, args, "", error);
    if (!d) return false;
    /* An add-in may end itself from MdlMain already. */
    sim::addOutput(sim::OutputKind::Host, 0, (d->alive ? "Loaded application " : "Loaded and ended application ") + d->taskId);
    return true;
}

bool keyinUnload(const std::string& rest, std::string& error) {
    std::string more;
    std::string name = firstWord(rest, more);
    if (name.empty()) {
        error = "mdl unload: application name expected";
        return false;
    }
    MdlDesc* d = sim::findApplication(name);
    if (!d) {
        error = "mdl unload: application " + name + " is not loaded";
        return false;
    }
    std::string task = d->taskId;
    if (!sim::unloadApplication(d, false)) {
        sim::addOutput(sim::OutputKind::Host, 0, "Application " + task + " refused to unload");
        return true;
    }
    sim::addOutput(sim::OutputKind::Host, 0, d->alive ? "Unloading application " + task : "Unloaded application " + task);
    return true;
}

/* Session verb: define NAME VALUE (at the user level). */
bool verbDefine(const std::string& args, std::string& error) {
    std::string value;
    std::string name = firstWord(args, value);
    if (!sim::defineVariable(name, value, CFGVAR_LEVEL_USER)) {
        error = "define: bad variable name \"" + name + "\"";
        return false;
    }
    return true;
}

/* Run the timers due by now, earliest first; a timer may set or cancel others. */
void fireDueTimers() {
    for (;;) {
        /* An ended application's timers end with it. */
        std::erase_if(state.timers, [](const Timer& t) { return !t.owner->alive; });
        Timer* next = nullptr;
        for (Timer& t : state.timers)
            if (t.due <= state.elapsed && (!next || t.due < next->due)) next = &t;
        if (!next) return;
        Timer fired = *next;
        if (fired.interval > 0) {
            next->due += static_cast<uint64_t>(fired.interval);
        } else {
            state.timers.erase(state.timers.begin() + (next - state.timers.data()));
        }
        sim::CurrentApplicationScope scope(fired.owner);
        fired.function(fired.argument, fired.handle);
    }
}

bool verbWait(const std::string& args, std::string& error) {
    char* end = nullptr;
    long ticks = std::strtol(args.c_str(), &end, 10);
    if (args.empty() || *end || ticks < 0) {
        error = "wait: give the ticks to let pass (60 a second)";
        return false;
    }
    sim::waitTicks(static_cast<uint32_t>(ticks));
    return true;
}

sim::Registration registration([] {
    sim::registerSessionVerb("wait", verbWait);
    sim::registerKeyin("mdl load", keyinLoad);
    sim::registerKeyin("mdl unload", keyinUnload);
    sim::registerSessionVerb("define", verbDefine);
});

}  // namespace

namespace sim {

void advanceTicks(uint32_t ticks) {
    state.ticks += ticks;
    state.elapsed += ticks;
}

void waitTicks(uint32_t ticks) {
    /* Step from timer to timer so that each sees the clock it fell due at. */
    uint64_t end = state.elapsed + ticks;
    for (;;) {
        uint64_t next = end;
        for (const Timer& t : state.timers)
            if (t.due < next) next = t.due;
        if (next > state.elapsed) advanceTicks(static_cast<uint32_t>(next - state.elapsed));
        fireDueTimers();
        if (state.elapsed >= end) return;
    }
}

size_t activeTimers() { return state.timers.size(); }
void setWorkmode(int mode) { state.workmode = mode; }

static Registration resetRegistration([] { registerReset(ResetStage::System, [] { state = SystemState{}; }); });

void addKeyinSource(KeyinSource source) { keyinSources().push_back(std::move(source)); }

bool dispatchKeyin(const std::string& keyin, std::string& error) {
    error.clear();
    size_t typed = wordCount(keyin);
    if (typed == 0) return true;
    std::string rest;
    const KeyinHandler* host = findKeyin(keyin, rest);
    size_t best = host ? typed - wordCount(rest) : 0;
    const KeyinSource* source = nullptr;
    for (auto& s : keyinSources()) {
        size_t n = s.match ? s.match(keyin) : 0;
        if (n > best) {
            best = n;
            source = &s;
        }
    }
    if (!host && !source) {
        std::string k = keyin;
        size_t b = k.find_first_not_of(" \t"), e = k.find_last_not_of(" \t\r\n");
        error = "Unknown key-in: " + k.substr(b, e - b + 1);
        return false;
    }
    return runEvent([&] {
        if (source) return source->run(keyin, error);
        return (*host)(rest, error);
    });
}

}  // namespace sim

HOST_API int mdlSystem_getWorkmode(void) { return state.workmode; }
HOST_API uint32_t mdlSystem_getTicks(void) { return state.ticks; }
HOST_API void mdlSystem_pauseTicks(int ticks) {
    if (ticks > 0) sim::advanceTicks(static_cast<uint32_t>(ticks));
}

HOST_API StatusInt mdlSystem_setTimerFunction(int* timerHandle, int ticks, SystemTimerFunction function,
                                              void* argument, BoolInt repeat) {
    MdlDesc* owner = sim::currentApplication();
    if (!function || ticks < 1 || !owner) return HOST_ERROR;
    Timer t{state.nextTimer++, state.elapsed + static_cast<uint64_t>(ticks), repeat ? ticks : 0, function, argument,
            owner};
    state.timers.push_back(t);
    if (timerHandle) *timerHandle = t.handle;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlSystem_cancelTimer(int timerHandle) {
    for (size_t i = 0; i < state.timers.size(); ++i)
        if (state.timers[i].handle == timerHandle) {
            state.timers.erase(state.timers.begin() + static_cast<long>(i));
            return HOST_SUCCESS;
        }
    return HOST_ERROR;
}
HOST_API void mdlSystem_enterGraphics(void) {}
