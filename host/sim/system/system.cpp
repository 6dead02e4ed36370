/* The host's clock, work mode and graphics state, and the key-in dispatcher
** with the host's own key-ins ("mdl load", "mdl unload") and the session
** verb "define". State: ticks, work mode, the key-in sources. */
#include <sstream>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

namespace {

struct SystemState {
    uint32_t ticks = 0;
    int workmode = 0;
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

sim::Registration registration([] {
    sim::registerKeyin("mdl load", keyinLoad);
    sim::registerKeyin("mdl unload", keyinUnload);
    sim::registerSessionVerb("define", verbDefine);
});

}  // namespace

namespace sim {

void advanceTicks(uint32_t ticks) { state.ticks += ticks; }
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
    if (ticks > 0) state.ticks += static_cast<uint32_t>(ticks);
}
HOST_API void mdlSystem_enterGraphics(void) {}
