/* The command interpreter's lines, internal commands and batch files. State:
** the echo switch of the batch file being run. */
#include "host/win/programs/cmd/interpreter.h"

#include <windows.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "host/sim/base/base.h"
#include "host/sim/system/system.h"
#include "host/win/win.h"

namespace fs = std::filesystem;

namespace {

enum : int {
    EXIT_NOT_RECOGNISED = 9009,
    XCOPY_NO_FILES = 1,
    XCOPY_INIT_ERROR = 4,
};

struct InterpreterState {
    bool echo = true;
    bool leaveBatch = false; /* EXIT /B ran */
};
InterpreterState state;

std::string upper(std::string s) { return sim::upper(std::move(s)); }

void say(const std::string& text) { std::fputs((text + "\n").c_str(), stdout); }
void complain(const std::string& text) { std::fputs((text + "\n").c_str(), stderr); }

int syntaxError() {
    complain("The syntax of the command is incorrect.");
    return 1;
}

std::string currentLocal() {
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? buf : ".";
}

std::string shown(const std::string& local) {
    std::string abs = local.empty() || local[0] != '/' ? currentLocal() + "/" + local : local;
    return win::platformPath(fs::path(abs).lexically_normal().string());
}

bool hasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

/* Windows name matching: '*' any run, '?' one character, no case. */
bool matches(const char* pattern, const char* name) {
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            while (pattern[1] == '*') ++pattern;
            if (!pattern[1]) return true;
            for (const char* n = name; *n; ++n)
                if (matches(pattern + 1, n)) return true;
            return false;
        }
        if (!*name) return false;
        if (*pattern != '?' && std::toupper(static_cast<unsigned char>(*pattern)) !=
                                   std::toupper(static_cast<unsigned char>(*name)))
            return false;
    }
    return !*name;
}

std::string localOf(const std::string& platform) { return sim::hostPath(platform.empty() ? "." : platform); }

/* The files and folders NAME (a platform path, maybe with wildcards in its
** last part) stands for, as local paths in name order. */
std::vector<std::string> expand(const std::string& name, bool filesOnly) {
    std::string local = localOf(name);
    std::vector<std::string> out;
    if (!hasWildcard(local)) {
        std::error_code ec;
        if (fs::exists(local, ec) && (!filesOnly || fs::is_regular_file(local, ec))) out.push_back(local);
        return out;
    }
    size_t slash = local.rfind('/');
    std::string dir = slash == std::string::npos ? "." : local.substr(0, slash == 0 ? 1 : slash);
    std::string pattern = slash == std::string::npos ? local : local.substr(slash + 1);
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n == "." || n == ".." || !matches(pattern.c_str(), n.c_str())) continue;
            std::string p = slash == std::string::npos ? n : dir + (dir == "/" ? "" : "/") + n;
            std::error_code ec;
            if (!filesOnly || fs::is_regular_file(p, ec)) out.push_back(p);
        }
        ::closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool isDir(const std::string& local) {
    std::error_code ec;
    return fs::is_directory(local, ec);
}

/* The arguments and switches of a line. False for a switch outside ALLOWED
** (upper-case letters, "-Y" style ones included as "-Y"). */
struct Arguments {
    std::vector<std::string> values;
    std::string switches; /* upper-case letters given */
    std::string device;   /* PRINT's /D: */
};
bool splitArguments(const cmd::ParsedLine& line, const std::string& allowed, Arguments& out) {
    for (size_t i = 0; i < line.arguments.size(); ++i) {
        const std::string& a = line.arguments[i];
        if (!line.quoted[i] && a.size() >= 2 && a[0] == '/') {
            std::string sw = upper(a.substr(1));
            if (sw.rfind("D:", 0) == 0 && allowed.find('D') != std::string::npos) {
                out.device = a.substr(3);
                continue;
            }
            if (sw[0] == '-' && sw.size() == 2) sw = sw.substr(1); /* /-Y: ask again; we never ask */
            if (sw.size() != 1 || allowed.find(sw[0]) == std::string::npos) {
                complain("Invalid switch - " + a);
                return false;
            }
            out.switches += sw;
            continue;
        }
        out.values.push_back(a);
    }
    return true;
}

int cmdDel(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "QFSPA", a)) return 1;
    if (a.values.empty()) return syntaxError();
    int status = 0;
    for (const std::string& name : a.values) {
        std::vector<std::string> targets;
        for (const std::string& p : expand(name, false)) {
            if (isDir(p)) {
                for (const auto& e : fs::directory_iterator(p))
                    if (e.is_regular_file()) targets.push_back(e.path().string());
            } else {
                targets.push_back(p);
            }
        }
        if (targets.empty()) {
            say("Could Not Find " + shown(localOf(name)));
            status = 1;
            continue;
        }
        for (const std::string& t : targets)
            if (std::remove(t.c_str()) != 0) {
                complain(shown(t) + "\nAccess is denied.");
                status = 1;
            }
    }
    return status;
}

bool copyOne(const std::string& from, const std::string& to, bool append) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, append ? std::ios::binary | std::ios::app : std::ios::binary | std::ios::trunc);
    if (!in || !out) return false;
    out << in.rdbuf();
    return static_cast<bool>(out);
}

/* The target of FROM in DESTINATION (a folder, or the file itself). */
std::string targetOf(const std::string& from, const std::string& destination) {
    return isDir(destination) ? destination + "/" + fs::path(from).filename().string() : destination;
}

int cmdCopy(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "YABVLZ", a)) return 1;
    if (a.values.empty() || a.values.size() > 2) return syntaxError();
    std::vector<std::string> sources = expand(a.values[0], false);
    if (sources.size() == 1 && isDir(sources[0])) {
        std::string dir = sources[0];
        sources.clear();
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file()) sources.push_back(e.path().string());
        std::sort(sources.begin(), sources.end());
    }
    if (sources.empty()) {
        say("The system cannot find the file specified.");
        say("        0 file(s) copied.");
        return 1;
    }
    std::string destination = a.values.size() > 1 ? localOf(a.values[1]) : ".";
    bool concatenate = sources.size() > 1 && !isDir(destination);
    int copied = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        std::string to = targetOf(sources[i], destination);
        std::error_code ec;
        if (fs::exists(to, ec) && fs::equivalent(sources[i], to, ec)) {
            say("The file cannot be copied onto itself.");
            say("        0 file(s) copied.");
            return 1;
        }
        if (!copyOne(sources[i], to, concatenate && i > 0)) {
            say("The system cannot find the path specified.");
            say("        " + std::to_string(copied) + " file(s) copied.");
            return 1;
        }
        if (!concatenate || i == 0) ++copied;
    }
    say("        " + std::to_string(copied) + " file(s) copied.");
    return 0;
}

int cmdMove(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "Y", a)) return 1;
    if (a.values.size() != 2) return syntaxError();
    std::vector<std::string> sources = expand(a.values[0], false);
    if (sources.empty()) {
        say("The system cannot find the file specified.");
        return 1;
    }
    std::string destination = localOf(a.values[1]);
    if (sources.size() > 1 && !isDir(destination)) return syntaxError();
    int moved = 0;
    for (const std::string& s : sources) {
        std::error_code ec;
        fs::rename(s, targetOf(s, destination), ec);
        if (ec) {
            say("Access is denied.");
            return 1;
        }
        ++moved;
    }
    say("        " + std::to_string(moved) + " file(s) moved.");
    return 0;
}

int cmdRename(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "", a)) return 1;
    if (a.values.size() != 2 || a.values[1].find_first_of("/\\:") != std::string::npos ||
        hasWildcard(a.values[0]) || hasWildcard(a.values[1]))
        return syntaxError();
    std::string from = localOf(a.values[0]);
    std::string to = (fs::path(from).parent_path() / a.values[1]).string();
    std::error_code ec;
    if (!fs::exists(from, ec) || fs::exists(to, ec)) {
        say("A duplicate file name exists, or the file\ncannot be found.");
        return 1;
    }
    fs::rename(from, to, ec);
    if (ec) {
        say("Access is denied.");
        return 1;
    }
    return 0;
}

int cmdMkdir(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "", a)) return 1;
    if (a.values.empty()) return syntaxError();
    int status = 0;
    for (const std::string& name : a.values) {
        std::string local = localOf(name);
        std::error_code ec;
        if (local.empty()) {
            say("The system cannot find the path specified.");
            status = 1;
        } else if (fs::exists(local, ec)) {
            say("A subdirectory or file " + name + " already exists.");
            status = 1;
        } else if (!fs::create_directories(local, ec)) {
            say("Access is denied.");
            status = 1;
        }
    }
    return status;
}

std::string stamp(const fs::path& p) {
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return "                 ";
    char buf[32];
    std::strftime(buf, sizeof buf, "%d.%m.%Y  %H:%M", std::localtime(&st.st_mtime));
    return buf;
}

int cmdDir(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "BWSAOPQL", a)) return 1;
    std::string name = a.values.empty() ? "." : a.values[0];
    std::string local = localOf(name);
    std::vector<std::string> entries;
    std::string folder;
    if (isDir(local)) {
        folder = local;
        for (const auto& e : fs::directory_iterator(local)) entries.push_back(e.path().string());
        std::sort(entries.begin(), entries.end());
    } else {
        entries = expand(name, false);
        folder = fs::path(local).parent_path().string();
        if (folder.empty()) folder = ".";
    }
    bool bare = a.switches.find('B') != std::string::npos;
    if (entries.empty()) {
        if (!bare) say("\n Directory of " + shown(folder) + "\n");
        complain("File Not Found");
        return 1;
    }
    if (!bare) say("\n Directory of " + shown(folder) + "\n");
    uintmax_t bytes = 0;
    int files = 0, dirs = 0;
    for (const std::string& e : entries) {
        fs::path p(e);
        std::string n = p.filename().string();
        if (bare) {
            say(n);
            continue;
        }
        char row[512];
        std::error_code ec;
        if (isDir(e)) {
            ++dirs;
            std::snprintf(row, sizeof row, "%s    <DIR>          %s", stamp(p).c_str(), n.c_str());
        } else {
            ++files;
            uintmax_t size = fs::file_size(p, ec);
            bytes += size;
            std::snprintf(row, sizeof row, "%s    %14ju %s", stamp(p).c_str(), size, n.c_str());
        }
        say(row);
    }
    if (!bare) {
        char row[128];
        std::snprintf(row, sizeof row, "%16d File(s) %14ju bytes\n%16d Dir(s)", files, bytes, dirs);
        say(row);
    }
    return 0;
}

int cmdChdir(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "D", a)) return 1;
    if (a.values.empty()) {
        say(shown(currentLocal()));
        return 0;
    }
    /* CD takes the rest of the line: a folder name may hold blanks. */
    std::string name;
    for (const auto& v : a.values) name += (name.empty() ? "" : " ") + v;
    std::string local = localOf(name);
    if (!isDir(local) || ::chdir(local.c_str()) != 0) {
        say("The system cannot find the path specified.");
        return 1;
    }
    return 0;
}

int copyTree(const std::string& from, const std::string& to, bool recurse, bool empties, int& copied) {
    std::error_code ec;
    fs::create_directories(to, ec);
    std::vector<fs::directory_entry> entries{fs::directory_iterator(from), fs::directory_iterator()};
    std::sort(entries.begin(), entries.end());
    for (const auto& e : entries) {
        std::string target = to + "/" + e.path().filename().string();
        if (e.is_directory()) {
            if (recurse && (empties || !fs::is_empty(e.path()))) copyTree(e.path().string(), target, recurse, empties, copied);
        } else if (copyOne(e.path().string(), target, false)) {
            say(shown(e.path().string()));
            ++copied;
        } else {
            return XCOPY_INIT_ERROR;
        }
    }
    return 0;
}

int cmdXcopy(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "SEIYQFHRKCDV", a)) return XCOPY_INIT_ERROR;
    if (a.values.empty() || a.values.size() > 2) {
        complain("Invalid number of parameters");
        return XCOPY_INIT_ERROR;
    }
    bool recurse = a.switches.find_first_of("SE") != std::string::npos;
    bool empties = a.switches.find('E') != std::string::npos;
    std::string destination = a.values.size() > 1 ? localOf(a.values[1]) : ".";
    std::vector<std::string> sources = expand(a.values[0], false);
    std::error_code ec;
    if (sources.empty()) {
        say("File not found - " + fs::path(localOf(a.values[0])).filename().string());
        say("0 File(s) copied");
        return hasWildcard(a.values[0]) ? XCOPY_NO_FILES : XCOPY_INIT_ERROR;
    }
    int copied = 0;
    if (sources.size() == 1 && isDir(sources[0])) {
        if (int s = copyTree(sources[0], destination, recurse, empties, copied)) return s;
    } else {
        bool intoFolder = isDir(destination) || sources.size() > 1 || a.switches.find('I') != std::string::npos;
        if (intoFolder) fs::create_directories(destination, ec);
        for (const std::string& s : sources) {
            if (isDir(s)) continue;
            if (!copyOne(s, intoFolder ? destination + "/" + fs::path(s).filename().string() : destination, false))
                return XCOPY_INIT_ERROR;
            say(shown(s));
            ++copied;
        }
    }
    say(std::to_string(copied) + " File(s) copied");
    return copied ? 0 : XCOPY_NO_FILES;
}

int cmdPath(const cmd::ParsedLine& line) {
    std::string rest = sim::trim(line.rest);
    if (rest.empty()) {
        const char* p = std::getenv("PATH");
        say(p && *p ? std::string("PATH=") + p : "No Path");
        return 0;
    }
    if (rest == ";") rest.clear();
    ::setenv("PATH", rest.c_str(), 1);
    return 0;
}

int cmdPrint(const cmd::ParsedLine& line) {
    Arguments a;
    if (!splitArguments(line, "D", a)) return 1;
    if (a.values.empty()) return syntaxError();
    std::optional<win::Printer> printer = win::findPrinter(a.device);
    if (!printer) {
        say("Unable to initialize device " + (a.device.empty() ? std::string("PRN") : a.device));
        return 1;
    }
    int status = 0;
    for (const std::string& name : a.values) {
        std::vector<std::string> files = expand(name, true);
        if (files.empty()) {
            say("Can't find file " + shown(localOf(name)));
            status = 1;
        }
        for (const std::string& f : files) {
            std::string error;
            if (!win::sendToPrinter(*printer, f, error)) {
                say(error);
                status = 1;
            } else {
                say(shown(f) + " is currently being printed");
            }
        }
    }
    return status;
}

int cmdEcho(const cmd::ParsedLine& line) {
    std::string rest = line.rest;
    std::string word = upper(sim::trim(rest));
    if (line.command.size() > 4) { /* "ECHO." and the like: the rest after the mark */
        say(line.command.substr(5) + line.rest);
        return 0;
    }
    if (word == "OFF" || word == "ON") {
        state.echo = word == "ON";
        return 0;
    }
    if (word.empty()) {
        say(std::string("ECHO is ") + (state.echo ? "on." : "off."));
        return 0;
    }
    say(rest.substr(rest.find_first_not_of(" \t")));
    return 0;
}

struct Internal {
    const char* name;
    int (*run)(const cmd::ParsedLine&);
};
const Internal internals[] = {
    {"DEL",    cmdDel},    {"ERASE", cmdDel},
    {"COPY",   cmdCopy},
    {"MOVE",   cmdMove},
    {"REN",    cmdRename}, {"RENAME", cmdRename},
    {"MKDIR",  cmdMkdir},  {"MD",     cmdMkdir},
    {"DIR",    cmdDir},
    {"CD",     cmdChdir},  {"CHDIR",  cmdChdir},
    {"XCOPY",  cmdXcopy},
    {"PATH",   cmdPath},
    {"PRINT",  cmdPrint},
    {"ECHO",   cmdEcho},
};

bool endsWithNoCase(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && upper(s.substr(s.size() - n)) == tail;
}

/* The batch file NAME stands for: itself when it ends in .BAT or .CMD, else
** NAME.BAT or NAME.CMD; "" when none exists. */
std::string findBatch(const std::string& name) {
    std::vector<std::string> names;
    if (endsWithNoCase(name, ".BAT") || endsWithNoCase(name, ".CMD")) names.push_back(name);
    else if (!sim::paths::hasExtension(name)) names = {name + ".bat", name + ".cmd"};
    for (const auto& n : names) {
        std::string local = localOf(n);
        std::error_code ec;
        if (fs::is_regular_file(local, ec)) return local;
    }
    return {};
}

int runProgram(const std::string& line) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION info;
    std::vector<char> writable(line.begin(), line.end());
    writable.push_back('\0');
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

int runParsed(const cmd::ParsedLine& parsed, const std::string& line) {
    if (parsed.command.empty()) return 0;
    std::string word = upper(parsed.command);
    if (word == "REM" || word.rfind("::", 0) == 0) return 0;
    if (parsed.unsupported) {
        complain("This command interpreter runs simple command lines only: " + line);
        return 1;
    }
    if (word.rfind("ECHO", 0) == 0 && (word.size() == 4 || std::strchr(".:(", word[4]))) return cmdEcho(parsed);
    if (word == "EXIT") {
        Arguments a;
        if (!splitArguments(parsed, "B", a)) return 1;
        int status = a.values.empty() ? 0 : std::atoi(a.values[0].c_str());
        if (a.switches.find('B') == std::string::npos) ExitProcess(static_cast<UINT>(status));
        state.leaveBatch = true;
        return status;
    }
    for (const Internal& i : internals)
        if (word == i.name) return i.run(parsed);
    if (std::string batch = findBatch(parsed.command); !batch.empty()) {
        std::vector<std::string> args{parsed.command};
        args.insert(args.end(), parsed.arguments.begin(), parsed.arguments.end());
        return cmd::runBatch(batch, args);
    }
    std::string program = win::findProgram(parsed.command, currentLocal());
    int status = program.empty() ? -1 : runProgram(line);
    if (status < 0) {
        complain("'" + parsed.command + "' is not recognized as an internal or external command,\n"
                 "operable program or batch file.");
        return EXIT_NOT_RECOGNISED;
    }
    return status;
}

}  // namespace

namespace cmd {

ParsedLine parseLine(const std::string& text) {
    ParsedLine out;
    std::string line = sim::trim(text, " \t\r\n");
    while (!line.empty() && line[0] == '@') {
        out.quiet = true;
        line = sim::trim(line.substr(1), " \t");
    }
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (!quoted && std::strchr("<>|&", c)) out.unsupported = true;
    }
    /* The command word: quoted, or up to a blank; "cd.." and "dir/w" split
    ** where an internal command's name ends. */
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        size_t e = line.find('"', 1);
        out.command = line.substr(1, e == std::string::npos ? std::string::npos : e - 1);
        i = e == std::string::npos ? line.size() : e + 1;
    } else {
        i = line.find_first_of(" \t", 0);
        if (i == std::string::npos) i = line.size();
        out.command = line.substr(0, i);
        size_t mark = out.command.find_first_of("/\\.");
        std::string head = upper(out.command.substr(0, mark));
        if (mark != std::string::npos && mark > 0 && head != "ECHO" &&
            std::any_of(std::begin(internals), std::end(internals), [&](const Internal& in) { return head == in.name; })) {
            i = mark;
            out.command = out.command.substr(0, mark);
        }
    }
    out.rest = line.substr(i);
    /* Arguments: blanks separate, quotes group and go, a switch stands alone. */
    std::string word;
    bool any = false, wasQuoted = false;
    quoted = false;
    auto flush = [&] {
        if (any) {
            out.arguments.push_back(word);
            out.quoted.push_back(wasQuoted);
        }
        word.clear();
        any = wasQuoted = false;
    };
    for (size_t k = i; k < line.size(); ++k) {
        char c = line[k];
        if (c == '"') {
            quoted = !quoted;
            any = wasQuoted = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '=')) {
            if (c == '=' || c == ',' || c == ';') {
                if (upper(out.command) == "PATH") { word += c; any = true; continue; }
            }
            flush();
        } else if (!quoted && c == '/' && any) {
            flush();
            word = "/";
            any = true;
        } else {
            word += c;
            any = true;
        }
    }
    flush();
    return out;
}

std::string expandLine(const std::string& line, const std::vector<std::string>* batchArguments) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '%') {
            out += line[i];
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        if (batchArguments && i + 1 < line.size() && (std::isdigit(static_cast<unsigned char>(line[i + 1])) || line[i + 1] == '*')) {
            if (line[i + 1] == '*') {
                for (size_t a = 1; a < batchArguments->size(); ++a) out += (a > 1 ? " " : "") + win::quoteArgument((*batchArguments)[a]);
            } else {
                size_t n = static_cast<size_t>(line[i + 1] - '0');
                if (n < batchArguments->size()) out += (*batchArguments)[n];
            }
            ++i;
            continue;
        }
        size_t end = line.find('%', i + 1);
        if (end == std::string::npos) {
            if (!batchArguments) out += line.substr(i);
            break;
        }
        std::string name = line.substr(i + 1, end - i - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value) out += value;
        else if (!batchArguments) out += line.substr(i, end - i + 1);
        i = end;
    }
    return out;
}

int runLine(const std::string& line) {
    std::string expanded = expandLine(line, nullptr);
    return runParsed(parseLine(expanded), expanded);
}

int runBatch(const std::string& localPath, const std::vector<std::string>& arguments) {
    std::ifstream in(localPath, std::ios::binary);
    if (!in) {
        complain("The batch file cannot be found.");
        return 1;
    }
    bool echo = state.echo;
    int status = 0;
    for (std::string raw; std::getline(in, raw);) {
        std::string text = expandLine(raw, &arguments);
        ParsedLine parsed = parseLine(text);
        if (parsed.command.empty()) continue;
        if (state.echo && !parsed.quiet) say("\n" + shown(currentLocal()) + ">" + sim::trim(text, " \t\r\n"));
        status = runParsed(parsed, sim::trim(text, " \t\r\n@"));
        if (state.leaveBatch) break;
    }
    state.leaveBatch = false;
    state.echo = echo;
    return status;
}

}  // namespace cmd
