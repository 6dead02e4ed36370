/* Session script lines, one per input line, through the verbs that neither
** write files nor start programs (answers, variables, views, points, dialogs,
** menus, undo): their parsers meet every word a script may hold. */
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/sim/base/base.h"

namespace {

const char* const SAFE_VERBS[] = {"answer", "define", "view", "point", "move", "reset", "dialog", "menu", "undo", "redo"};

bool safe(const std::string& verb) {
    for (const char* v : SAFE_VERBS)
        if (verb == v) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = sim::trim(text.substr(at, end - at));
        at = end + 1;
        size_t sp = line.find_first_of(" \t");
        std::string verb = line.substr(0, sp);
        std::string args = sp == std::string::npos ? std::string() : sim::trim(line.substr(sp));
        const sim::SessionVerb* fn = safe(verb) ? sim::findSessionVerb(verb) : nullptr;
        if (!fn) continue;
        std::string error;
        sim::runEvent([&] { return (*fn)(args, error); });
    }
    sim::resetForTests();
    return 0;
}
