/* The simulated host's system area as the other host areas, hostsim and the
** tests reach it: configuration variables and configuration files, the
** host's clock and work mode, and the key-in dispatcher. The public face is
** mdlSystem_* in host/mdlsystem.h. */
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim {

/* ---- Configuration variables --------------------------------------------
** Names compare case-insensitively. A variable may be defined at several
** levels (CfgLevel); the highest level's definition is its value. Values are
** kept raw and expanded when read; a $(NAME) in a new value of NAME itself
** takes the old value at once, so "P = $(P);x" appends rather than loops. */

/* True when NAME is a valid variable name: letters, digits and '_'. */
bool isVariableName(const std::string& name);
/* Define NAME at LEVEL. False (nothing changed) for a bad name or level. */
bool defineVariable(const std::string& name, const std::string& value, int level);
/* Remove NAME's definition at LEVEL, or at every level when LEVEL is allLevels. */
constexpr int allLevels = 1000;
void undefineVariable(const std::string& name, int level = allLevels);
/* The raw value of NAME (highest level), or nothing when undefined. */
std::optional<std::string> rawVariable(const std::string& name);
/* The raw value of NAME defined exactly at LEVEL. */
std::optional<std::string> rawVariableAtLevel(const std::string& name, int level);
/* The expanded value of NAME; the process environment answers for names the
** configuration does not define. */
std::optional<std::string> variableValue(const std::string& name);
/* Expand every $(NAME) in TEXT. Undefined names and reference cycles expand
** to nothing; "$(" without ")" stays as written. */
std::string expandVariables(const std::string& text);
/* Split a directory list ("a;b;;c") into its non-empty, trimmed entries. */
std::vector<std::string> splitList(const std::string& list);

/* Read a configuration file at LEVEL:
**     NAME = value      define (raw, expanded when read)
**     NAME : value      define with the value expanded now
**     NAME > value      append to the list (';' between)
**     NAME < value      prepend to the list
**     %include PATH     read another file (relative to this one; '*' and '?'
**                       in the file name include every match, in name order)
**     %undef NAME, %ifdef NAME, %ifndef NAME, %if [!]exists(PATH),
**     %if [!]defined(NAME), %else, %endif
**     # comment         (whole lines only: values may hold '#')
** Bad lines are reported and skipped; the rest of the file still counts.
** Answers false when the file cannot be read or any line was bad; ERROR then
** holds one "file:line: message" per problem, newline-separated. */
bool processConfigFile(const std::string& path, int level, std::string& error);

/* Forget every definition (tests). */
void resetConfiguration();

/* ---- Files ---------------------------------------------------------------
** Find NAME ($(VAR) expanded; DEFAULTEXT, with or without its point, added
** when NAME has none, the bare name tried next). An absolute NAME is only
** itself; a relative one is looked for in the current directory (when
** SEARCHCURRENT) and then in each directory of ENVVAR: the list in the
** variable of that name, or ENVVAR itself as a literal ';' list. FOUND gets
** the path in platform form (the list entry joined with the name), or the
** name as searched when nothing was found (answer false). Only regular files
** count. */
bool findFile(const std::string& name, const char* envVar, const char* defaultExt, bool searchCurrent,
              std::string& found);

/* ---- Clock and work mode -------------------------------------------------
** The host's clock is simulated so that sessions are repeatable: it starts at
** 0 and moves only when told (mdlSystem_pauseTicks, advanceTicks). */
void advanceTicks(uint32_t ticks);
void setWorkmode(int mode);     /* 0 DGN, 1 DWG, 2 V7 */

/* ---- Key-ins ---------------------------------------------------------------
** Run KEYIN as the user typed it in the key-in field: the host's own key-ins
** (sim::registerKeyin) and every key-in source compete, the longest match of
** key-in words wins (host key-ins win a tie). Runs as one event. False with
** ERROR set when the key-in is unknown ("Unknown key-in: ...") or failed. */
bool dispatchKeyin(const std::string& keyin, std::string& error);

/* Another supplier of key-ins (for example the applications' command
** tables). MATCH answers how many leading words of the key-in it recognises
** (0: none); RUN runs it. */
struct KeyinSource {
    std::function<size_t(const std::string& keyin)> match;
    std::function<bool(const std::string& keyin, std::string& error)> run;
};
void addKeyinSource(KeyinSource source);

}  // namespace sim
