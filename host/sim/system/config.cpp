/* Configuration variables with definition levels, $(NAME) expansion and
** configuration files. State: one table of variables, each with its
** definitions by level; values are stored raw and expanded when read. */
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>
#include <fstream>
#include <map>
#include <sys/stat.h>

#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"

namespace {

using sim::upper;
using sim::trim;

struct Variable {
    std::string name;                  /* as first defined */
    std::map<int, std::string> levels; /* level -> raw value */
};

struct ConfigState {
    std::map<std::string, Variable> vars; /* key: upper-case name */
};
ConfigState state;

constexpr int maxIncludeDepth = 16;
constexpr int maxExpandDepth = 64;
/* Files one configuration file may bring in with its includes: a workspace
** is a handful, and includes that fan out would otherwise multiply. */
constexpr int maxIncludedFiles = 1000;
/* A value, raw or expanded, that grows past this is an error of the file
** that defines it, not a reason to exhaust memory. */
constexpr size_t maxValueBytes = 64 * 1024;

bool validLevel(int level) { return level >= CFGVAR_LEVEL_PREDEFINED && level <= CFGVAR_LEVEL_USER; }

/* Replace $(NAME) of the variable being defined by its current raw value. */
std::string resolveSelfReference(const std::string& name, const std::string& value) {
    if (value.find("$(") == std::string::npos) return value;
    std::string key = upper(name);
    std::string old = sim::rawVariable(name).value_or("");
    std::string out;
    size_t i = 0;
    while (i < value.size()) {
        size_t open = value.find("$(", i);
        if (open == std::string::npos) break;
        size_t close = value.find(')', open + 2);
        if (close == std::string::npos) break;
        if (out.size() > maxValueBytes) return out;   /* refused by the caller */
        out.append(value, i, open - i);
        if (upper(trim(value.substr(open + 2, close - open - 2))) == key) out += old;
        else out.append(value, open, close - open + 1);
        i = close + 1;
    }
    out.append(value, i, std::string::npos);
    return out;
}

/* Append TEXT expanded to OUT. Stops once OUT grows past maxValueBytes,
** with OVERFLOW naming the variable whose expansion it was. */
void expandInto(std::string& out, const std::string& text, std::vector<std::string>& active, std::string& overflow) {
    size_t i = 0;
    while (i < text.size()) {
        if (!overflow.empty()) return;
        if (out.size() > maxValueBytes) {
            overflow = active.empty() ? std::string("the text") : "$(" + active.front() + ")";
            return;
        }
        size_t open = text.find("$(", i);
        if (open == std::string::npos) break;
        size_t close = text.find(')', open + 2);
        if (close == std::string::npos) break;
        out.append(text, i, open - i);
        std::string name = trim(text.substr(open + 2, close - open - 2));
        std::string key = upper(name);
        i = close + 1;
        bool cycle = std::find(active.begin(), active.end(), key) != active.end();
        if (cycle || active.size() >= static_cast<size_t>(maxExpandDepth)) continue;
        std::optional<std::string> raw = sim::rawVariable(key);
        if (!raw) {
            const char* env = sim::isVariableName(name) ? std::getenv(name.c_str()) : nullptr;
            if (env) out += env;
            continue;
        }
        active.push_back(key);
        expandInto(out, *raw, active, overflow);
        active.pop_back();
    }
    if (!overflow.empty()) return;
    out.append(text, i, std::string::npos);
    if (out.size() > maxValueBytes) overflow = active.empty() ? std::string("the text") : "$(" + active.front() + ")";
}

/* Expand TEXT into OUT; false, with OVERFLOW set, when it grows too large. */
bool expandBounded(const std::string& text, std::string& out, std::string& overflow) {
    std::vector<std::string> active;
    out.clear();
    overflow.clear();
    expandInto(out, text, active, overflow);
    if (overflow.empty()) return true;
    out.clear();
    return false;
}

/* Directory part of a platform path, separator kept ("" when none). */
std::string directoryOf(const std::string& path) {
    size_t p = path.find_last_of("/\\");
    if (p != std::string::npos) return path.substr(0, p + 1);
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    return {};
}

bool isAbsolute(const std::string& path) {
    return !path.empty() && (path[0] == '/' || path[0] == '\\' ||
                             (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'));
}

bool pathExists(const std::string& platformPath) {
    struct stat st;
    std::string local = sim::hostPath(platformPath);
    return !local.empty() && ::stat(local.c_str(), &st) == 0;
}

struct Reader {
    int level;
    std::string errors;
    bool ok = true;
    std::vector<std::pair<std::string, std::string>> chain{};   /* files being read, outermost first */
    int filesRead = 0;

    void fail(const std::string& where, int line, const std::string& message) {
        ok = false;
        errors += where;
        if (line > 0) errors += ":" + std::to_string(line);
        errors += ": " + message + "\n";
    }

    /* Expand TEXT of LINE of FILE into OUT; false (reported) when it grows too large. */
    bool expand(const std::string& file, int line, const std::string& text, std::string& out) {
        std::string overflow;
        if (expandBounded(text, out, overflow)) return true;
        fail(file, line, overflow + " expands past " + std::to_string(maxValueBytes) + " bytes");
        return false;
    }

    /* Include PATH (already expanded) named on LINE of FILE. */
    void include(const std::string& file, int line, std::string path, int depth) {
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
        if (path.empty()) return fail(file, line, "%include without a file name");
        if (!isAbsolute(path)) path = directoryOf(file) + path;
        std::string dir = directoryOf(path);
        std::string pattern = path.substr(dir.size());
        if (pattern.find_first_of("*?[") == std::string::npos) {
            if (!pathExists(path)) return fail(file, line, "cannot open include file " + path);
            read(path, depth + 1, line);
            return;
        }
        /* A wildcard includes every matching file, in name order; none is fine. */
        std::vector<std::string> names;
        std::error_code ec;
        std::string localDir = sim::hostPath(dir.empty() ? std::string(".") : dir);
        for (auto& e : std::filesystem::directory_iterator(localDir, ec)) {
            std::string n = e.path().filename().string();
            if (e.is_regular_file(ec) && ::fnmatch(pattern.c_str(), n.c_str(), FNM_CASEFOLD) == 0) names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        for (auto& n : names) read(dir + n, depth + 1, line);
    }

    bool condition(const std::string& file, int line, const std::string& directive, const std::string& arg) {
        if (directive == "ifdef") return sim::rawVariable(arg).has_value();
        if (directive == "ifndef") return !sim::rawVariable(arg).has_value();
        /* %if [!]exists(PATH), %if [!]defined(NAME) */
        std::string a = trim(arg);
        bool negate = !a.empty() && a[0] == '!';
        if (negate) a = trim(a.substr(1));
        for (const char* fn : {"exists", "defined"}) {
            size_t len = std::strlen(fn);
            if (a.compare(0, len, fn) != 0) continue;
            std::string rest = trim(a.substr(len));
            if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') break;
            std::string inner = trim(rest.substr(1, rest.size() - 2));
            std::string expanded;
            if (len == 6 && !expand(file, line, inner, expanded)) return false;
            bool yes = len == 6 ? pathExists(expanded) : sim::rawVariable(inner).has_value();
            return yes != negate;
        }
        fail(file, line, "unknown condition: " + arg);
        return false;
    }

    /* Read FILE, included from line INCLUDEDAT of the file before it in the chain. */
    void read(const std::string& file, int depth, int includedAt = 0) {
        const std::string& from = chain.empty() ? file : chain.back().second;
        if (depth > maxIncludeDepth) return fail(from, includedAt, "includes nested too deeply: " + file);
        if (++filesRead > maxIncludedFiles)
            return fail(from, includedAt, "more than " + std::to_string(maxIncludedFiles) + " files included: " + file);
        std::string local = sim::hostPath(file);
        struct stat st;
        if (local.empty() || ::stat(local.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return fail(file, 0, "cannot open configuration file");
        std::error_code ec;
        std::string canonical = std::filesystem::weakly_canonical(local, ec).string();
        if (ec) canonical = local;
        for (const auto& open : chain)
            if (open.first == canonical) return fail(from, includedAt, "include cycle: " + file + " is already being read");
        std::ifstream in(local, std::ios::binary);
        if (!in) return fail(file, 0, "cannot open configuration file");
        chain.emplace_back(canonical, file);
        readLines(in, file, depth);
        chain.pop_back();
    }

    void readLines(std::istream& in, const std::string& file, int depth) {
        /* Open conditions, innermost last. */
        struct Frame { bool parentActive, cond, inElse; };
        std::vector<Frame> frames;
        auto active = [&] {
            if (frames.empty()) return true;
            const Frame& f = frames.back();
            return f.parentActive && (f.inElse ? !f.cond : f.cond);
        };
        std::string raw;
        for (int lineNo = 1; std::getline(in, raw); ++lineNo) {
            std::string line = trim(raw);
            if (line.empty() || line[0] == '#') continue;
            if (line[0] != '%') {
                if (active()) assign(file, lineNo, line);
                continue;
            }
            size_t sp = line.find_first_of(" \t(");
            std::string directive = line.substr(1, sp == std::string::npos ? std::string::npos : sp - 1);
            std::string arg = sp == std::string::npos ? std::string() : trim(line.substr(sp));
            if (directive == "ifdef" || directive == "ifndef" || directive == "if") {
                bool parent = active();
                bool cond = parent && condition(file, lineNo, directive, arg);
                frames.push_back({parent, cond, false});
            } else if (directive == "else") {
                if (frames.empty() || frames.back().inElse) fail(file, lineNo, "%else without %if");
                else frames.back().inElse = true;
            } else if (directive == "endif") {
                if (frames.empty()) fail(file, lineNo, "%endif without %if");
                else frames.pop_back();
            } else if (!active()) {
                continue;
            } else if (directive == "include") {
                std::string target;
                if (expand(file, lineNo, arg, target)) include(file, lineNo, target, depth);
            } else if (directive == "undef") {
                if (!sim::isVariableName(arg)) fail(file, lineNo, "bad variable name: " + arg);
                else sim::undefineVariable(arg, level);
            } else {
                fail(file, lineNo, "unknown directive %" + directive);
            }
        }
        if (!frames.empty()) fail(file, 0, "%if without %endif");
    }

    void assign(const std::string& file, int line, const std::string& text) {
        size_t op = text.find_first_of("=:<>");
        if (op == std::string::npos) return fail(file, line, "expected NAME = value: " + text);
        std::string name = trim(text.substr(0, op));
        if (!sim::isVariableName(name)) return fail(file, line, "bad variable name: " + name);
        std::string value = trim(text.substr(op + 1));
        char kind = text[op];
        if (kind == ':') {
            std::string expanded;
            if (!expand(file, line, value, expanded)) return;
            value = std::move(expanded);
        } else if (kind == '>' || kind == '<') {
            std::string old = sim::rawVariable(name).value_or("");
            if (value.empty()) value = old;
            else if (!old.empty()) {
                if (kind == '>') value = old + (old.back() == ';' ? "" : ";") + value;
                else value = value + (value.back() == ';' ? "" : ";") + old;
            }
        }
        if (!sim::defineVariable(name, value, level))
            fail(file, line, "value of " + name + " is longer than " + std::to_string(maxValueBytes) + " bytes");
    }
};

}  // namespace

namespace sim {

bool isVariableName(const std::string& name) {
    if (name.empty()) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

bool defineVariable(const std::string& name, const std::string& value, int level) {
    if (!isVariableName(name) || !validLevel(level)) return false;
    std::string resolved = resolveSelfReference(name, value);
    if (resolved.size() > maxValueBytes) return false;
    Variable& v = state.vars[upper(name)];
    if (v.name.empty()) v.name = name;
    v.levels[level] = std::move(resolved);
    return true;
}

void undefineVariable(const std::string& name, int level) {
    auto it = state.vars.find(upper(name));
    if (it == state.vars.end()) return;
    if (level == allLevels) it->second.levels.clear();
    else it->second.levels.erase(level);
    if (it->second.levels.empty()) state.vars.erase(it);
}

std::optional<std::string> rawVariable(const std::string& name) {
    auto it = state.vars.find(upper(name));
    if (it == state.vars.end() || it->second.levels.empty()) return std::nullopt;
    return it->second.levels.rbegin()->second;
}

std::vector<std::string> configuredVariableNames() {
    std::vector<std::string> names;
    for (const auto& [key, v] : state.vars) names.push_back(v.name);
    return names;
}

std::optional<std::string> rawVariableAtLevel(const std::string& name, int level) {
    auto it = state.vars.find(upper(name));
    if (it == state.vars.end()) return std::nullopt;
    auto l = it->second.levels.find(level);
    if (l == it->second.levels.end()) return std::nullopt;
    return l->second;
}

std::optional<std::string> variableValue(const std::string& name) {
    std::optional<std::string> raw = rawVariable(name);
    if (!raw) {
        const char* env = isVariableName(name) ? std::getenv(name.c_str()) : nullptr;
        if (!env) return std::nullopt;
        return std::string(env);
    }
    std::vector<std::string> active{upper(name)};
    std::string out, overflow;
    expandInto(out, *raw, active, overflow);
    if (!overflow.empty()) return std::nullopt;
    return out;
}

std::string expandVariables(const std::string& text) {
    std::string out, overflow;
    expandBounded(text, out, overflow);
    return out;
}

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i <= list.size()) {
        size_t j = list.find(';', i);
        if (j == std::string::npos) j = list.size();
        std::string entry = trim(list.substr(i, j - i));
        if (!entry.empty()) out.push_back(entry);
        i = j + 1;
    }
    return out;
}

bool processConfigFile(const std::string& path, int level, std::string& error) {
    error.clear();
    if (!validLevel(level)) {
        error = path + ": bad configuration level " + std::to_string(level) + "\n";
        return false;
    }
    Reader r{level, {}};
    r.read(path, 0);
    error = r.errors;
    return r.ok;
}

void resetConfiguration() { state = ConfigState{}; }

static Registration resetRegistration([] { registerReset(ResetStage::System, resetConfiguration); });

}  // namespace sim

namespace {

StatusInt answer(char* value, const std::optional<std::string>& found, int size) {
    if (!found) {
        if (value && size > 0) value[0] = '\0';
        return HOST_ERROR;
    }
    sim::copyFixed(value, size, *found);
    return HOST_SUCCESS;
}

}  // namespace

HOST_API StatusInt mdlSystem_getCfgVar(char* value, const char* name, int size) {
    if (!name) return HOST_ERROR;
    return answer(value, sim::rawVariable(name), size);
}

HOST_API StatusInt mdlSystem_getenv(char* value, const char* name, int size) {
    if (!name) return HOST_ERROR;
    return answer(value, sim::variableValue(name), size);
}

HOST_API StatusInt mdlSystem_getCfgVarAtLevel(char* value, const char* name, int level, int size) {
    if (!name) return HOST_ERROR;
    std::optional<std::string> v = sim::rawVariableAtLevel(name, level);
    if (!v && level == CFGVAR_LEVEL_SYSENV && sim::isVariableName(name)) {
        if (const char* env = std::getenv(name)) v = env;
    }
    return answer(value, v, size);
}

HOST_API StatusInt mdlSystem_getExpandedCfgVar(char* value, const char* name, int size) {
    if (!name || !sim::rawVariable(name)) return answer(value, std::nullopt, size);
    return answer(value, sim::variableValue(name), size);
}

HOST_API char* mdlSystem_expandCfgVar(const char* text) {
    if (!text) return nullptr;
    std::string s = sim::expandVariables(text);
    char* out = static_cast<char*>(dlmSystem_mdlMalloc(s.size() + 1));
    if (!out) return nullptr;
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

HOST_API StatusInt mdlSystem_defineCfgVar(const char* name, const char* value, int level) {
    if (!name) return HOST_ERROR;
    if (!value) {
        if (!sim::isVariableName(name)) return HOST_ERROR;
        sim::undefineVariable(name, level);
        return HOST_SUCCESS;
    }
    return sim::defineVariable(name, value, level) ? HOST_SUCCESS : HOST_ERROR;
}

HOST_API StatusInt mdlSystem_processCfgVarFile(const char* path, int level) {
    if (!path) return HOST_ERROR;
    std::string error;
    if (sim::processConfigFile(path, level, error)) return HOST_SUCCESS;
    toolSubsystem_printf("%s", error.c_str());
    return HOST_ERROR;
}
