/* What the files of the resource compiler share: the compiled outputs and the
** errors, the readers of TOML values (each failing with the line of the value)
** and one compiler per section of a source. */
#pragma once

#include <toml++/toml.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "host/sim/resources/resources.h"

namespace rcomp {

/* An error at a line of the source being compiled; ends the current entry. */
struct SourceError {
    uint32_t line;
    std::string message;
};

struct Output {
    uint32_t type;
    int32_t id;
    std::string alias;
    std::vector<uint8_t> data;
    std::string origin; /* file:line */
    bool autoId = false;
};

struct CompilerState {
    std::vector<std::string> errors;
    std::vector<Output> outputs;
    std::string description;
    std::string descriptionOrigin;
    std::string file; /* the source being compiled */
};
extern CompilerState cs;

/* ---- Reading values (source.cpp) ---------------------------------------------- */

uint32_t lineOf(const toml::node& n);
/* End the current entry with MESSAGE at the line of AT. */
[[noreturn]] void fail(const toml::node& at, std::string message);
/* "file:line" of N in the source being compiled. */
std::string origin(const toml::node& n);

/* Refuse keys of T other than ALLOWED, so that a misspelt key is an error. */
void allowKeys(const toml::table& t, std::initializer_list<const char*> allowed);
/* KEY of T, null when absent. */
const toml::node* member(const toml::table& t, const char* key);
const toml::node& required(const toml::table& t, const char* key);

constexpr int64_t I32MIN = std::numeric_limits<int32_t>::min();
constexpr int64_t I32MAX = std::numeric_limits<int32_t>::max();

/* N as an integer in LO..HI; WHAT names it in the error. */
int64_t asInt(const toml::node& n, const char* what, int64_t lo, int64_t hi);
int32_t getI32(const toml::table& t, const char* key, int32_t def);
int32_t requireI32(const toml::table& t, const char* key);
/* N as a text of at most RSC_MAX_TEXT bytes. */
std::string asText(const toml::node& n, const char* what);
std::string getText(const toml::table& t, const char* key, const std::string& def = {});
/* KEY of T as true or false; false when absent. */
bool getBool(const toml::table& t, const char* key);
const toml::array& asArray(const toml::node& n, const char* what);
const toml::table& asTable(const toml::node& n, const char* what);
/* N as a four-character code in reading order. */
uint32_t asFourCC(const toml::node& n, const char* what);
/* "extent" of T as [x, y, width, height]; zeros when absent. */
sim::Extent getExtent(const toml::table& t);

struct FlagName {
    const char* name;
    uint32_t bit;
};

/* Attributes as a list of names, or as a number. */
template <size_t N>
uint32_t getFlags(const toml::table& t, const FlagName (&names)[N]) {
    const toml::node* n = member(t, "attributes");
    if (!n) return 0;
    if (n->is_integer()) return static_cast<uint32_t>(asInt(*n, "attributes", 0, 0xFFFFFFFF));
    uint32_t bits = 0;
    for (auto&& el : asArray(*n, "attributes")) {
        std::string s = asText(el, "attribute");
        bool found = false;
        for (auto& f : names)
            if (s == f.name) {
                bits |= f.bit;
                found = true;
            }
        if (!found) fail(el, "unknown attribute '" + s + "'");
    }
    return bits;
}

/* An array of tables written as [[name]] or as an array of inline tables. */
std::vector<const toml::table*> tables(const toml::table& t, const char* key);

/* Add a compiled resource, remembering where AT stands for later errors. */
void emit(uint32_t type, int32_t id, std::vector<uint8_t> data, const toml::node& at, std::string alias = {},
          bool autoId = false);
/* Fail at AT when a packer answered STATUS. */
void packed(int status, const toml::node& at);

/* ---- Sections (sections.cpp) ---------------------------------------------------- */

void compileMessageList(const toml::table& t);
void compileStringList(const toml::table& t);
void compileRaw(const toml::table& t);
void compileDialog(const toml::table& t);
void compileMenu(const toml::table& t);
void compileCommandTable(const toml::table& t);
/* An icon or image section; DEFAULTTYPE when it names no type. */
void compileRaster(const toml::table& t, uint32_t defaultType);
void compileTypeDescription(const toml::table& t);

}  // namespace rcomp
