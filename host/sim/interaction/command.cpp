/* Commands: the command numbers each application maps to its functions, the
** command tables that give them key-in words (a key-in source of the
** dispatcher), the command queue run after each event, the host's own
** commands and the default command. State: per-application numbers and
** tables, the queue, the default-command hook. */
#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <sstream>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"

struct CommandTable {
    int loaded; /* tables loaded by the call that answered this handle */
};

namespace {

struct Queued {
    CommandNumber number = 0;
    std::string text;  /* the unparsed text, or the key-in */
    bool keyin = false;
};

struct CommandState {
    std::map<MdlDesc*, std::map<CommandNumber, CommandFunction>> functions;
    std::map<MdlDesc*, std::vector<sim::CommandRsc>> tables;
    std::deque<Queued> queue;
    bool draining = false;
    int afterHook = 0;
    int listener = 0;
    int defaultStarts = 0;
    std::function<void()> defaultHook;
    CommandTable handle{0};
};
CommandState state;

constexpr size_t MAX_QUEUE = 1000;

std::vector<std::string> upperWords(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) {
        for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        out.push_back(w);
    }
    return out;
}

/* The text after the first N words of TEXT, trimmed. */
std::string afterWords(const std::string& text, size_t n) {
    size_t i = 0;
    for (size_t k = 0; k < n; ++k) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    }
    size_t b = text.find_first_not_of(" \t\r\n", i);
    if (b == std::string::npos) return {};
    size_t e = text.find_last_not_of(" \t\r\n");
    return text.substr(b, e - b + 1);
}

struct Match {
    MdlDesc* app = nullptr;
    const sim::CommandRsc* command = nullptr;
    size_t words = 0;
};

/* The command of any loaded application whose words match the most leading
** words of KEYIN; the application loaded first wins a tie. */
Match bestMatch(const std::string& keyin) {
    Match best;
    std::vector<std::string> typed = upperWords(keyin);
    for (MdlDesc* app : sim::loadedApplications()) {
        auto t = state.tables.find(app);
        if (t == state.tables.end() || !app->alive) continue;
        for (const sim::CommandRsc& c : t->second) {
            if (c.words.size() > typed.size() || c.words.size() <= best.words) continue;
            if (std::equal(c.words.begin(), c.words.end(), typed.begin())) best = {app, &c, c.words.size()};
        }
    }
    return best;
}

/* Run FN of APP with UNPARSED as the user's text. */
void callCommand(MdlDesc* app, CommandFunction fn, const std::string& unparsed) {
    std::vector<char> buffer(unparsed.begin(), unparsed.end());
    buffer.push_back('\0');
    sim::CurrentApplicationScope scope(app);
    try {
        fn(buffer.data());
    } catch (...) {
        toolSubsystem_printf("Command of %s failed\n", app->taskId.c_str());
    }
}

bool runKeyin(const std::string& keyin, std::string& error) {
    Match m = bestMatch(keyin);
    if (!m.command) {
        error = "Unknown key-in: " + keyin;
        return false;
    }
    auto& fns = state.functions[m.app];
    auto f = fns.find(m.command->number);
    if (f == fns.end() || !f->second) {
        error = sim::format("Command 0x%08X of %s has no function", static_cast<unsigned>(m.command->number),
                            m.app->taskId.c_str());
        return false;
    }
    callCommand(m.app, f->second, afterWords(keyin, m.words));
    return true;
}

/* The host's own commands; false when NUMBER is not one. */
bool runHostCommand(CommandNumber number, const std::string& unparsed) {
    switch (static_cast<uint32_t>(number)) {
    case CMD_UNLOAD_APPLICATION: {
        std::istringstream in(unparsed);
        std::string task;
        in >> task;
        MdlDesc* d = task.empty() ? nullptr : sim::findApplication(task);
        if (!d) return true; /* gone already: its dialog's destruction may queue it once more */
        std::string name = d->taskId;
        if (!sim::unloadApplication(d, false))
            sim::addOutput(sim::OutputKind::Host, 0, "Application " + name + " refused to unload");
        else
            sim::addOutput(sim::OutputKind::Host, 0, d->alive ? "Unloading application " + name : "Unloaded application " + name);
        return true;
    }
    case CMD_LOCK_ON: mdlParams_setLock(LOCK_517, 1); return true;
    case CMD_LOCK_OFF: mdlParams_setLock(LOCK_517, 0); return true;
    default: return false;
    }
}

void runQueued(const Queued& q) {
    if (q.keyin) {
        std::string error;
        if (!sim::dispatchKeyin(q.text, error)) toolSubsystem_printf("%s\n", error.c_str());
        return;
    }
    sim::runEvent([&] {
        if (runHostCommand(q.number, q.text)) return true;
        for (MdlDesc* app : sim::loadedApplications()) {
            auto fns = state.functions.find(app);
            if (fns == state.functions.end()) continue;
            auto f = fns->second.find(q.number);
            if (f != fns->second.end() && f->second) {
                callCommand(app, f->second, q.text);
                return true;
            }
        }
        toolSubsystem_printf("Command 0x%08X is not registered\n", static_cast<unsigned>(q.number));
        return false;
    });
}

void ensureHooks() {
    if (!state.afterHook) state.afterHook = sim::addAfterEventHook([] { sim::runCommandQueue(); });
    if (!state.listener)
        state.listener = sim::addApplicationListener({nullptr, [](MdlDesc* d) {
            state.functions.erase(d);
            state.tables.erase(d);
        }});
}

bool enqueue(Queued q) {
    ensureHooks();
    if (state.queue.size() >= MAX_QUEUE) {
        toolSubsystem_printf("Command queue is full: command dropped\n");
        return false;
    }
    state.queue.push_back(std::move(q));
    return true;
}

sim::Registration registration([] {
    sim::addKeyinSource({[](const std::string& keyin) { return bestMatch(keyin).words; }, runKeyin});
});

}  // namespace

namespace sim {

void runCommandQueue() {
    if (state.draining) return;
    state.draining = true;
    while (!state.queue.empty()) {
        Queued q = std::move(state.queue.front());
        state.queue.pop_front();
        runQueued(q);
    }
    state.draining = false;
}

size_t queuedCommands() { return state.queue.size(); }
int defaultCommandStarts() { return state.defaultStarts; }
void setDefaultCommandHook(std::function<void()> hook) { state.defaultHook = std::move(hook); }

void resetCommands() {
    state.functions.clear();
    state.tables.clear();
    state.queue.clear();
    state.defaultStarts = 0;
    state.defaultHook = nullptr;
}

static Registration resetRegistration([] { registerReset(ResetStage::Interaction, resetCommands); });

}  // namespace sim

HOST_API StatusInt mdlSystem_registerCommandNumbers(const MdlCommandNumber* table) {
    MdlDesc* app = sim::currentApplication();
    if (!table || !app) return HOST_ERROR;
    ensureHooks();
    auto& fns = state.functions[app];
    for (const MdlCommandNumber* row = table; row->function; ++row) fns[row->commandNumber] = row->function;
    return HOST_SUCCESS;
}

HOST_API CommandTableP mdlParse_loadCommandTable(RscFileHandle file) {
    MdlDesc* app = sim::currentApplication();
    if (!app) return nullptr;
    ensureHooks();
    RscFileHandle f = file ? file : sim::applicationResourceFile(app);
    if (!f) return nullptr;
    int loaded = 0;
    for (const sim::ResourceKey& k : sim::listResources(f)) {
        if (k.type != RTYPE_COMMANDTABLE) continue;
        sim::CommandTableRsc table;
        if (sim::loadCommandTable(k.id, table, f) != RSC_SUCCESS) continue;
        auto& mine = state.tables[app];
        for (auto& c : table.commands) {
            /* A key-in loaded again replaces the earlier one. */
            mine.erase(std::remove_if(mine.begin(), mine.end(), [&](const sim::CommandRsc& x) { return x.words == c.words; }),
                       mine.end());
            mine.push_back(std::move(c));
        }
        ++loaded;
    }
    if (!loaded) return nullptr;
    state.handle.loaded = loaded;
    return &state.handle;
}

HOST_API StatusInt mdlDialog_cmdNumberQueue(BoolInt literal, CommandNumber commandNumber, const char* unparsed,
                                            BoolInt fromUser) {
    return enqueue({commandNumber, unparsed ? unparsed : "", false}) ? HOST_SUCCESS : HOST_ERROR;
}

HOST_API StatusInt mdlInput_sendKeyin(const char* keyin, BoolInt literal, int position, const char* taskId) {
    if (!keyin) return HOST_ERROR;
    return enqueue({0, keyin, true}) ? HOST_SUCCESS : HOST_ERROR;
}

HOST_API void mdlState_startDefaultCommand(void) {
    ++state.defaultStarts;
    if (state.defaultHook) state.defaultHook();
}
