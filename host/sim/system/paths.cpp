/* Platform paths onto local paths: drive letters through _HOST_DRIVE_<X>,
** both separators, and the platform's case-insensitive file names. */
#include "host/sim/system/system.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <optional>
#include <unistd.h>
#include <vector>


namespace {

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

/* The entry of DIR whose name equals NAME ignoring case; the smallest such
** name when several do, so that the answer does not depend on listing order. */
std::string findNoCase(const std::string& dir, const std::string& name) {
    std::string best;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return best;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (equalNoCase(n, name) && (best.empty() || n < best)) best = n;
    }
    ::closedir(d);
    return best;
}

/* LOCAL as it exists on disk: each component that does not exist as
** written is matched case-insensitively; from the first component that
** matches nothing on, the rest stays as written (a file yet to be made). */
std::string resolveCase(const std::string& local) {
    if (local.empty() || exists(local)) return local;
    std::vector<std::string> parts;
    for (size_t i = 0; i < local.size();) {
        size_t j = local.find('/', i);
        if (j == std::string::npos) j = local.size();
        if (j > i) parts.push_back(local.substr(i, j - i));
        i = j + 1;
    }
    bool absolute = local[0] == '/';
    bool trailing = local.back() == '/';
    std::string out = absolute ? "/" : "";
    bool matching = true;
    for (size_t k = 0; k < parts.size(); ++k) {
        std::string part = parts[k];
        if (matching && !exists(out + part)) {
            std::string found = part == "." || part == ".." ? std::string() : findNoCase(out, part);
            if (found.empty()) matching = false;
            else part = found;
        }
        out += part;
        if (k + 1 < parts.size() || trailing) out += '/';
    }
    return out;
}

}  // namespace

namespace sim {

namespace {

/* A UNC path ("//server/share/rest", separators already slashes). */
bool isNetworkPath(const std::string& p) { return p.size() > 2 && p[0] == '/' && p[1] == '/' && p[2] != '/'; }

std::string mapPath(const std::string& platformPath, int depth) {
    std::string p = platformPath;
    std::replace(p.begin(), p.end(), '\\', '/');
    std::string local;
    if (isNetworkPath(p)) {
        /* \\server\share\rest lies in the network folder: NETWORK/server/share/rest. */
        std::optional<std::string> network = variableValue("_HOST_NETWORK");
        if (!network || network->empty()) return {};
        std::string r = *network;
        std::replace(r.begin(), r.end(), '\\', '/');
        if (r.back() != '/') r += '/';
        local = r + p.substr(2);
    } else if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
        std::optional<std::string> root = variableValue(std::string("_HOST_DRIVE_") + letter);
        if (!root || root->empty()) return {};
        std::string r = *root;
        std::replace(r.begin(), r.end(), '\\', '/');
        if (r.back() != '/') r += '/';
        size_t rest = 2;
        while (rest < p.size() && p[rest] == '/') ++rest;
        /* A network drive: its mapping names a share. */
        if (isNetworkPath(r)) return depth < 4 ? mapPath(r + p.substr(rest), depth + 1) : std::string();
        /* A mapped drive's folder is made on first use, like a fresh disk. */
        std::error_code ec;
        if (!exists(r)) std::filesystem::create_directories(r, ec);
        local = r + p.substr(rest);
    } else if (p.size() >= 2 && p[0] == ':' && p[1] == '/') {
        /* An empty device in front of a POSIX path ("%s:%s%s" of a parsed
        ** POSIX name) means no device at all. */
        local = p.substr(1);
    } else {
        local = p;
    }
    return resolveCase(local);
}

}  // namespace

std::string hostPath(const std::string& platformPath) { return mapPath(platformPath, 0); }

using sim::paths::hasExtension;
using sim::paths::isAbsolute;
using sim::paths::joinPath;

namespace {

bool isRegularFile(const std::string& platformPath) {
    std::string local = hostPath(platformPath);
    struct stat st;
    return !local.empty() && ::stat(local.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

/* The directories to search for ENVVAR: the expanded value of the variable
** of that name, or ENVVAR itself when it is no defined name but a list. */
std::vector<std::string> searchList(const char* envVar) {
    if (!envVar || !*envVar) return {};
    std::string list = envVar;
    if (isVariableName(list)) {
        std::optional<std::string> v = variableValue(list);
        return v ? splitList(*v) : std::vector<std::string>{};
    }
    std::vector<std::string> out;
    for (auto& d : splitList(list)) out.push_back(expandVariables(d));
    return out;
}

std::string currentDirectory() {
    std::vector<char> buf(4096);
    if (!::getcwd(buf.data(), buf.size())) return {};
    std::string cwd = buf.data();
    if (cwd.empty() || cwd.back() != '/') cwd += '/';
    return cwd;
}

}  // namespace

bool findFile(const std::string& name, const char* envVar, const char* defaultExt, bool searchCurrent,
              std::string& found) {
    std::string n = expandVariables(name);
    std::vector<std::string> names;
    if (defaultExt && *defaultExt && !hasExtension(n)) {
        std::string ext = defaultExt[0] == '.' ? defaultExt + 1 : defaultExt;
        if (!ext.empty()) names.push_back(n + "." + ext);
    }
    names.push_back(n);

    std::vector<std::string> candidates;
    if (isAbsolute(n) || searchCurrent)
        for (auto& c : names) candidates.push_back(isAbsolute(c) ? c : currentDirectory() + c);
    if (!isAbsolute(n))
        for (auto& dir : searchList(envVar))
            for (auto& c : names) candidates.push_back(joinPath(dir, c));

    for (auto& c : candidates)
        if (isRegularFile(c)) {
            found = c;
            return true;
        }
    found = names.front();
    return false;
}

}  // namespace sim

namespace sim::paths {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool hasDevice(const std::string& p) {
    return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

bool isAbsolute(const std::string& p) { return !p.empty() && (isSeparator(p[0]) || hasDevice(p)); }

/* Offset of the file name in P (after the last separator or device colon). */
size_t nameStart(const std::string& p) {
    size_t s = p.find_last_of("/\\");
    if (s != std::string::npos) return s + 1;
    return hasDevice(p) ? 2 : 0;
}

bool hasExtension(const std::string& p) {
    size_t dot = p.rfind('.');
    return dot != std::string::npos && dot > nameStart(p);
}

/* DIR joined with NAME, using DIR's own kind of separator. */
std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || isSeparator(dir.back()) || (dir.size() == 2 && hasDevice(dir))) return dir + name;
    bool windows = dir.find('\\') != std::string::npos || hasDevice(dir);
    return dir + (windows ? "\\" : "/") + name;
}

}  // namespace sim::paths
