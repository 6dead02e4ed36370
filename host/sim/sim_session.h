/* Extension points of the host's user interface: the verbs of a session
** script and the key-ins the host itself understands. Each area of the host
** registers its own (from a static initialiser in its own file), so hostsim
** and the key-in field find them without knowing the areas. */
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sim {

/* A verb of a session script. ARGS is the rest of the line, trimmed. Answer
** true when done; false with ERROR set stops the session (exit status 1). */
using SessionVerb = std::function<bool(const std::string& args, std::string& error)>;
void registerSessionVerb(const std::string& verb, SessionVerb fn);
const SessionVerb* findSessionVerb(const std::string& verb);

/* A key-in of the host (not of an application's command table). WORDS are
** matched case-insensitively, word by word, against the start of the key-in;
** the longest match wins. REST is what follows the matched words, trimmed.
** Answer true when handled; false with ERROR set reports a failed key-in. */
using KeyinHandler = std::function<bool(const std::string& rest, std::string& error)>;
void registerKeyin(const std::string& words, KeyinHandler fn);
/* The handler whose words match the longest start of KEYIN, with REST set. */
const KeyinHandler* findKeyin(const std::string& keyin, std::string& rest);

/* Register at static-initialisation time: static sim::Registration r([]{ ... }); */
struct Registration {
    explicit Registration(const std::function<void()>& fn) { fn(); }
};

}  // namespace sim
