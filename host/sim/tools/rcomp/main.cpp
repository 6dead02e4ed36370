/* rcomp: compile readable resource sources (TOML) into one resource file.
**   rcomp -o OUT SRC.toml...
** Every error is printed as "file:line: message"; any error leaves no output
** file behind and exits with status 1. The source format is in README.md. */
#include <unistd.h>

#include <toml++/toml.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/sim/resources/resources.h"
#include "host/sim/tools/rcomp/rcomp.h"

using namespace rcomp;

namespace {

/* Run FN on every table of the array SECTION, collecting errors per entry. */
template <class Fn>
void eachEntry(const toml::table& root, const char* section, Fn fn) {
    const toml::node* n = root.get(section);
    if (!n) return;
    const toml::array* a = n->as_array();
    if (!a) {
        cs.errors.push_back(origin(*n) + ": " + section + " must be written [[" + section + "]]");
        return;
    }
    for (auto&& el : *a) {
        try {
            const toml::table* t = el.as_table();
            if (!t) fail(el, std::string(section) + " must be written [[" + section + "]]");
            fn(*t);
        } catch (const SourceError& e) {
            cs.errors.push_back(cs.file + ":" + std::to_string(e.line) + ": " + e.message);
        }
    }
}

void compileSource(const std::string& path) {
    cs.file = path;
    toml::table root;
    try {
        root = toml::parse_file(path);
    } catch (const toml::parse_error& e) {
        if (e.source().begin.line == 0)
            cs.errors.push_back(path + ":0: " + std::string(e.description()));
        else
            cs.errors.push_back(path + ":" + std::to_string(e.source().begin.line) + ": " +
                                std::string(e.description()));
        return;
    }
    static const char* const sections[] = {"description", "messagelist", "stringlist", "resource", "dialog",
                                           "menu",        "commandtable", "icon",      "image",    "typedesc"};
    for (auto&& [k, v] : root) {
        bool known = false;
        for (const char* s : sections) known = known || k.str() == s;
        if (!known) cs.errors.push_back(origin(v) + ": unknown section '" + std::string(k.str()) + "'");
    }
    if (const toml::node* d = root.get("description")) {
        try {
            std::string text = asText(*d, "description");
            if (!cs.descriptionOrigin.empty() && text != cs.description)
                fail(*d, "description differs from the one at " + cs.descriptionOrigin);
            cs.description = text;
            cs.descriptionOrigin = origin(*d);
        } catch (const SourceError& e) {
            cs.errors.push_back(cs.file + ":" + std::to_string(e.line) + ": " + e.message);
        }
    }
    eachEntry(root, "messagelist", compileMessageList);
    eachEntry(root, "stringlist", compileStringList);
    eachEntry(root, "resource", compileRaw);
    eachEntry(root, "dialog", compileDialog);
    eachEntry(root, "menu", compileMenu);
    eachEntry(root, "commandtable", compileCommandTable);
    eachEntry(root, "icon", [](const toml::table& t) { compileRaster(t, RTYPE_ICON); });
    eachEntry(root, "image", [](const toml::table& t) { compileRaster(t, RTYPE_IMAGE); });
    eachEntry(root, "typedesc", compileTypeDescription);
}

/* Give type descriptions without an id the next free ids, and refuse two
** resources of one type and id, naming both places. */
void resolveIds() {
    std::map<std::pair<uint32_t, int32_t>, const Output*> taken;
    std::set<std::string> typeNames;
    for (const Output& o : cs.outputs) {
        if (o.type == RTYPE_TYPEDESC && !typeNames.insert(o.alias).second)
            cs.errors.push_back(o.origin + ": type '" + o.alias + "' is described twice");
        if (o.autoId) continue;
        auto [it, fresh] = taken.emplace(std::make_pair(o.type, o.id), &o);
        if (!fresh)
            cs.errors.push_back(o.origin + ": " + sim::fourCCText(o.type) + " " + std::to_string(o.id) +
                                " is already defined at " + it->second->origin);
    }
    int32_t next = 1;
    for (Output& o : cs.outputs) {
        if (!o.autoId) continue;
        while (taken.count({o.type, next})) ++next;
        o.id = next;
        taken.emplace(std::make_pair(o.type, next), &o);
    }
}

void removeDatabase(const std::string& path) {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix, ec);
}

int writeOutput(const std::string& out) {
    std::string temp = out + ".tmp" + std::to_string(::getpid());
    std::error_code dirError;
    auto parent = std::filesystem::path(out).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, dirError); /* the build may not have made it yet */
    removeDatabase(temp);
    int st = mdlResource_createFile(temp.c_str(), cs.description.c_str(), 1);
    RscFileHandle h = 0;
    if (st == RSC_SUCCESS) st = mdlResource_openFile(&h, temp.c_str(), 1);
    for (size_t i = 0; st == RSC_SUCCESS && i < cs.outputs.size(); ++i) {
        const Output& o = cs.outputs[i];
        st = mdlResource_add(h, o.type, o.id, o.data.data(), static_cast<uint32_t>(o.data.size()),
                             o.alias.empty() ? nullptr : o.alias.c_str());
    }
    if (h && mdlResource_closeFile(h) != RSC_SUCCESS && st == RSC_SUCCESS) st = RSCERR_WRITE_FAILED;
    if (st == RSC_SUCCESS) {
        std::error_code ec;
        std::filesystem::remove(out + "-wal", ec);
        std::filesystem::remove(out + "-shm", ec);
        std::filesystem::rename(temp, out, ec);
        if (ec) st = RSCERR_WRITE_FAILED;
    }
    if (st != RSC_SUCCESS) {
        std::fprintf(stderr, "%s: cannot write the resource file (status %d)\n", out.c_str(), st);
        removeDatabase(temp);
        removeDatabase(out);
        return 1;
    }
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: rcomp -o OUT SRC.toml...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-o") {
            if (++i >= argc) return usage();
            out = argv[i];
        } else if (!a.empty() && a[0] == '-') {
            return usage();
        } else {
            sources.push_back(a);
        }
    }
    if (out.empty() || sources.empty()) return usage();
    for (const std::string& s : sources) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(s, ec)) {
            cs.errors.push_back(s + ":0: cannot read the source");
            continue;
        }
        compileSource(s);
    }
    if (cs.errors.empty()) resolveIds();
    if (!cs.errors.empty()) {
        for (const std::string& e : cs.errors) std::fprintf(stderr, "%s\n", e.c_str());
        removeDatabase(out);
        return 1;
    }
    return writeOutput(out);
}
