/* Registries of session verbs and host key-ins. */
#include "host/sim/base/base.h"

#include <cctype>
#include <map>
#include <sstream>

namespace {

using sim::lower;

struct Registries {
    std::map<std::string, sim::SessionVerb> verbs;
    std::vector<std::pair<std::vector<std::string>, sim::KeyinHandler>> keyins;
};

/* Function-local so that registrations from other files' static
** initialisers always find it constructed. */
Registries& registries() {
    static Registries r;
    return r;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(lower(w));
    return out;
}

}  // namespace

namespace sim {

void registerSessionVerb(const std::string& verb, SessionVerb fn) { registries().verbs[lower(verb)] = std::move(fn); }

const SessionVerb* findSessionVerb(const std::string& verb) {
    auto& v = registries().verbs;
    auto it = v.find(lower(verb));
    return it == v.end() ? nullptr : &it->second;
}

void registerKeyin(const std::string& text, KeyinHandler fn) {
    registries().keyins.emplace_back(words(text), std::move(fn));
}

const KeyinHandler* findKeyin(const std::string& keyin, std::string& rest) {
    std::vector<std::string> typed = words(keyin);
    const KeyinHandler* best = nullptr;
    size_t bestLen = 0;
    for (auto& [w, fn] : registries().keyins) {
        if (w.size() <= bestLen || w.size() > typed.size()) continue;
        bool match = true;
        for (size_t i = 0; i < w.size() && match; ++i) match = typed[i] == w[i];
        if (match) {
            best = &fn;
            bestLen = w.size();
        }
    }
    if (!best) return nullptr;
    /* REST: the key-in after the matched words, original case kept. */
    std::istringstream in(keyin);
    std::string w;
    for (size_t i = 0; i < bestLen; ++i) in >> w;
    std::getline(in, rest);
    size_t b = rest.find_first_not_of(" \t");
    size_t e = rest.find_last_not_of(" \t\r");
    rest = b == std::string::npos ? std::string() : rest.substr(b, e - b + 1);
    return best;
}

}  // namespace sim
