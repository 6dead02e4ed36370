/* Reading the values of a TOML source: typed readers that end the current
** entry with an error at the value's line, and the list of compiled outputs. */
#include <string>
#include <vector>

#include "host/sim/resources/resources.h"
#include "host/sim/tools/rcomp/rcomp.h"

namespace rcomp {

CompilerState cs;

uint32_t lineOf(const toml::node& n) { return n.source().begin.line; }

[[noreturn]] void fail(const toml::node& at, std::string message) { throw SourceError{lineOf(at), std::move(message)}; }

std::string origin(const toml::node& n) { return cs.file + ":" + std::to_string(lineOf(n)); }


/* Refuse keys of T other than ALLOWED, so that a misspelt key is an error. */
void allowKeys(const toml::table& t, std::initializer_list<const char*> allowed) {
    for (auto&& [k, v] : t) {
        bool ok = false;
        for (const char* a : allowed) ok = ok || k.str() == a;
        if (!ok) fail(v, "unknown key '" + std::string(k.str()) + "'");
    }
}

const toml::node* member(const toml::table& t, const char* key) { return t.get(key); }

const toml::node& required(const toml::table& t, const char* key) {
    const toml::node* n = t.get(key);
    if (!n) fail(t, std::string("missing key '") + key + "'");
    return *n;
}

int64_t asInt(const toml::node& n, const char* what, int64_t lo, int64_t hi) {
    auto v = n.as_integer();
    if (!v) fail(n, std::string(what) + " must be an integer");
    int64_t x = v->get();
    if (x < lo || x > hi)
        fail(n, std::string(what) + " " + std::to_string(x) + " is out of range " + std::to_string(lo) + ".." +
                    std::to_string(hi));
    return x;
}

int32_t getI32(const toml::table& t, const char* key, int32_t def) {
    const toml::node* n = member(t, key);
    return n ? static_cast<int32_t>(asInt(*n, key, I32MIN, I32MAX)) : def;
}

int32_t requireI32(const toml::table& t, const char* key) {
    return static_cast<int32_t>(asInt(required(t, key), key, I32MIN, I32MAX));
}

std::string asText(const toml::node& n, const char* what) {
    auto s = n.as_string();
    if (!s) fail(n, std::string(what) + " must be a string");
    if (s->get().size() > RSC_MAX_TEXT)
        fail(n, std::string(what) + " is longer than " + std::to_string(RSC_MAX_TEXT) + " bytes");
    return s->get();
}

std::string getText(const toml::table& t, const char* key, const std::string& def) {
    const toml::node* n = member(t, key);
    return n ? asText(*n, key) : def;
}

bool getBool(const toml::table& t, const char* key) {
    const toml::node* n = member(t, key);
    if (!n) return false;
    auto b = n->as_boolean();
    if (!b) fail(*n, std::string(key) + " must be true or false");
    return b->get();
}

const toml::array& asArray(const toml::node& n, const char* what) {
    auto a = n.as_array();
    if (!a) fail(n, std::string(what) + " must be an array");
    return *a;
}

const toml::table& asTable(const toml::node& n, const char* what) {
    auto t = n.as_table();
    if (!t) fail(n, std::string(what) + " must be a table");
    return *t;
}

uint32_t asFourCC(const toml::node& n, const char* what) {
    std::string s = asText(n, what);
    uint32_t code = 0;
    if (!sim::parseFourCC(s, &code)) fail(n, std::string(what) + " '" + s + "' is not four characters");
    return code;
}

sim::Extent getExtent(const toml::table& t) {
    const toml::node* n = member(t, "extent");
    if (!n) return {};
    const toml::array& a = asArray(*n, "extent");
    if (a.size() != 4) fail(*n, "extent must be [x, y, width, height]");
    sim::Extent e;
    e.x = static_cast<int32_t>(asInt(a[0], "x", I32MIN, I32MAX));
    e.y = static_cast<int32_t>(asInt(a[1], "y", I32MIN, I32MAX));
    e.width = static_cast<int32_t>(asInt(a[2], "width", 0, I32MAX));
    e.height = static_cast<int32_t>(asInt(a[3], "height", 0, I32MAX));
    return e;
}

/* An array of tables written as [[name]] or as an array of inline tables. */
std::vector<const toml::table*> tables(const toml::table& t, const char* key) {
    std::vector<const toml::table*> out;
    const toml::node* n = member(t, key);
    if (!n) return out;
    for (auto&& el : asArray(*n, key)) out.push_back(&asTable(el, key));
    return out;
}

void emit(uint32_t type, int32_t id, std::vector<uint8_t> data, const toml::node& at, std::string alias,
          bool autoId) {
    cs.outputs.push_back({type, id, std::move(alias), std::move(data), origin(at), autoId});
}

void packed(int status, const toml::node& at) {
    if (status == RSCERR_TOO_LARGE) fail(at, "resource too large or a count out of range");
    if (status) fail(at, "cannot pack the resource");
}

}  // namespace rcomp
