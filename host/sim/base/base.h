/* The host's base area: memory with its failure switch, the output log and
** formatting, text helpers and little-endian fields, events (one transaction
** and one undo step each) and the registry of session verbs and host key-ins.
** Every other area builds on it; it includes no other area. */
#pragma once

#include <bit>
#include <cctype>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

/* Test switch of the host's allocator: make allocations fail on demand. */

namespace sim {

/* The next COUNT allocations (malloc, calloc, realloc) fail after SKIP more
** succeed; failAllocations(0) restores normal service. */
void failAllocations(int count, int skip = 0);
/* Count one allocation against the switch without making it (memory the
** host reuses): false when the switch refuses it. */
bool grantAllocation();
/* Allocations refused since the last reset of the switch. */
int failedAllocations();

}  // namespace sim

/* The host's own number formatting, shared by its formatted output and its tests. */

namespace sim {

/* Bytes formatFixed may write: the longest "%.9f" of a double. */
constexpr int FIXED_BUFFER_SIZE = 330;

/* Write VALUE as printf's "%.<PRECISION>f" would (C locale, rounding half to
** even on exact ties) at OUT, which has FIXED_BUFFER_SIZE bytes; return the
** end (no terminating zero). */
char* formatFixed(char* out, double value, int precision);

}  // namespace sim

/* Small text helpers shared by the host's areas. */

namespace sim {

inline std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

inline std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

/* S without leading and trailing characters of BLANKS. */
inline std::string trim(const std::string& s, const char* blanks = " \t\r\n") {
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

/* Copy TEXT into OUT of SIZE units: cut to SIZE - 1, terminated, and the
** rest zero-filled so that stored padding is always the same. Return the
** units kept; nothing is written when OUT is null or SIZE is not positive. */
template <class Char>
size_t copyFixed(Char* out, ptrdiff_t size, std::basic_string_view<Char> text) {
    if (!out || size <= 0) return 0;
    size_t room = static_cast<size_t>(size) - 1;
    size_t n = text.size() < room ? text.size() : room;
    if (n) std::memmove(out, text.data(), n * sizeof(Char));
    std::memset(out + n, 0, (static_cast<size_t>(size) - n) * sizeof(Char));
    return n;
}
inline size_t copyFixed(char* out, ptrdiff_t size, std::string_view text) { return copyFixed<char>(out, size, text); }
inline size_t copyFixed(char16_t* out, ptrdiff_t size, std::u16string_view text) {
    return copyFixed<char16_t>(out, size, text);
}
/* As above for a C string (null: empty), read no further than SIZE - 1 bytes. */
inline size_t copyFixed(char* out, ptrdiff_t size, const char* text) {
    size_t n = text && size > 0 ? ::strnlen(text, static_cast<size_t>(size) - 1) : 0;
    return copyFixed(out, size, std::string_view(text ? text : "", n));
}
template <size_t N>
size_t copyFixed(char (&out)[N], const char* text) {
    return copyFixed(out, N, text);
}

}  // namespace sim

/* Little-endian fields of stored records, the same bytes on every machine:
** one move on a little-endian one, byte by byte elsewhere. */

namespace sim {

template <typename T>
inline void putLE(uint8_t* p, T v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        for (size_t i = 0; i < sizeof v; ++i) p[i] = uint8_t(v >> (8 * i));
    }
}
template <typename T>
inline T getLE(const uint8_t* p) {
    T v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, sizeof v);
    } else {
        for (size_t i = 0; i < sizeof v; ++i) v |= T(p[i]) << (8 * i);
    }
    return v;
}

inline void put2(uint8_t* p, uint32_t v) { putLE(p, uint16_t(v)); }
inline void put4(uint8_t* p, uint32_t v) { putLE(p, v); }
inline void put8(uint8_t* p, uint64_t v) { putLE(p, v); }
inline void putD(uint8_t* p, double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    put8(p, b);
}
inline uint16_t get2(const uint8_t* p) { return getLE<uint16_t>(p); }
inline uint32_t get4(const uint8_t* p) { return getLE<uint32_t>(p); }
inline uint64_t get8(const uint8_t* p) { return getLE<uint64_t>(p); }
inline double getD(const uint8_t* p) {
    uint64_t b = get8(p);
    double d;
    std::memcpy(&d, &b, 8);
    return d;
}
/* Append the low BYTES (1 to 8) bytes of V to OUT, least significant first. */
inline void appendLE(std::vector<uint8_t>& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace sim

/* What the host has shown: console lines, message fields, message centre
** entries, info boxes. Kept in one ordered log that tests and hostsim read,
** and echoed to a sink (hostsim prints it as it comes). */

namespace sim {

enum class OutputKind { Console, MessageField, MessageCenter, InfoBox, Host };

struct OutputEntry {
    OutputKind kind;
    int field;          /* message field number, or message-centre priority */
    std::string text;
};

const std::vector<OutputEntry>& outputLog();
void clearOutputLog();
void addOutput(OutputKind kind, int field, std::string text);
/* Called for every entry as it is added (null: none). */
void setOutputSink(std::function<void(const OutputEntry&)> sink);
/* KEEP false: while a sink is set, entries go to it only and the log stays
** empty (a runner that prints everything as it comes). Reset: kept. */
void setOutputLogKept(bool keep);
/* The current text of a message field. */
std::string messageField(int field);
/* All console text since the last clear, concatenated. */
std::string consoleText();
/* The message centre's debug entries since the last clear, one per line. */
std::string debugText();

/* Format like vsnprintf, with %S (and %ls) taking a UTF-16 text. */
std::string formatV(const char* format, va_list args);
std::string format(const char* format, ...);

std::string utf16ToUtf8(const char16_t* text);
std::u16string utf8ToUtf16(const std::string& text);

}  // namespace sim

/* Events dispatched by the host (a key-in, a data point, a reset, a dialog
** action). Each is one transaction of every open store and one undo step:
** areas that keep files register a listener that begins and ends theirs. */

namespace sim {

struct EventListener {
    std::function<void()> begin;
    std::function<void(bool committed)> end;  /* committed false: roll back */
};

/* Register a listener for the host's lifetime; returns its id. */
int addEventListener(EventListener listener);
void removeEventListener(int id);

/* Run FN as one event. Nested calls join the outer event. Returns FN's
** result; when FN throws, the event is rolled back and the exception goes on. */
bool runEvent(const std::function<bool()>& fn);
bool inEvent();

/* Run FN each time an outermost event has ended, after every listener's
** end (work queued during the event, such as queued commands). FN may run
** events of its own. Returns an id for removeAfterEventHook. */
int addAfterEventHook(std::function<void()> fn);
void removeAfterEventHook(int id);

}  // namespace sim

/* Extension points of the host's user interface: the verbs of a session
** script and the key-ins the host itself understands. Each area of the host
** registers its own (from a static initialiser in its own file), so hostsim
** and the key-in field find them without knowing the areas. */

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

/* ---- One reset (tests) ------------------------------------------------------
** Every area registers what returns its state to the start, from a static
** initialiser of the file that owns the state. resetForTests runs them by
** stage: the applications first (they hold dialogs, hooks, commands and files
** of every area), then the areas from the top down, so that no area is reset
** under one that still refers to it. */
enum class ResetStage { Applications, Dialogs, Interaction, Display, Design, Resources, Files, System, Base };
void registerReset(ResetStage stage, void (*reset)());
/* Return the whole host to its start state. */
void resetForTests();

}  // namespace sim
