/* Published variables: symbol sets of the applications, the variables in
** them, and access strings resolved through the type descriptions of the
** open resource files. State: the sets and a cache of type descriptions. */
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>

#include "host/mdldialog.h"
#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"

namespace {

enum class VariableForm { ComplexPointer, Complex, Basic };

struct Variable {
    std::string name;
    VariableForm form;
    std::string typeName;  /* complex forms */
    void* address;         /* the pointer variable, the record or the value */
    sim::TypeFieldRsc basic; /* basic form: kind and size */
};

}  // namespace

struct SymbolSet {
    MdlDesc* owner;
    int visibility;
    std::vector<Variable> variables;
};

namespace {

struct PublishState {
    std::vector<std::unique_ptr<SymbolSet>> sets;
    /* By the application whose files were searched, and name: build-time constants. */
    std::map<std::pair<MdlDesc*, std::string>, sim::TypeDescriptionRsc> types;
    int listener = 0;
};
PublishState state;

/* Drop an unloading application's sets: their addresses die with it. */
void ensureListener() {
    if (state.listener) return;
    state.listener = sim::addApplicationListener({nullptr, [](MdlDesc* d) {
        auto& s = state.sets;
        s.erase(std::remove_if(s.begin(), s.end(), [d](const auto& set) { return set->owner == d; }), s.end());
    }});
}

/* The description of NAME as OWNER sees it: its own resource file first. */
const sim::TypeDescriptionRsc* findType(const std::string& name, MdlDesc* owner) {
    auto key = std::make_pair(owner, name);
    auto it = state.types.find(key);
    if (it != state.types.end()) return &it->second;
    sim::TypeDescriptionRsc t;
    {
        sim::CurrentApplicationScope scope(owner);
        if (sim::loadTypeDescription(name, t) != RSC_SUCCESS) return nullptr;
    }
    return &state.types.emplace(key, std::move(t)).first->second;
}

/* NAME among OWNER's variables first, then every other application's,
** newest set first; *SETOWNER gets the application that published it. */
const Variable* findVariable(const std::string& name, MdlDesc* owner, MdlDesc** setOwner) {
    const Variable* other = nullptr;
    for (auto it = state.sets.rbegin(); it != state.sets.rend(); ++it)
        for (const Variable& v : (*it)->variables)
            if (v.name == name) {
                if ((*it)->owner == owner) {
                    *setOwner = owner;
                    return &v;
                }
                if (!other) {
                    other = &v;
                    *setOwner = (*it)->owner;
                }
            }
    return other;
}

/* Where an access string leads: ADDRESS holds COUNT elements of FIELD's
** kind and size (count 1 once indexed). */
struct Target {
    uint8_t* address = nullptr;
    sim::TypeFieldRsc field;
    std::string path;
};

bool isIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool resolve(const std::string& access, MdlDesc* owner, Target& t, std::string& error) {
    size_t i = 0, n = access.size();
    while (i < n && access[i] == ' ') ++i;
    size_t b = i;
    if (i >= n || !isIdentStart(access[i])) {
        error = "bad access string \"" + access + "\"";
        return false;
    }
    while (i < n && isIdent(access[i])) ++i;
    std::string name = access.substr(b, i - b);
    MdlDesc* setOwner = nullptr; /* whose resource files describe the types */
    const Variable* v = findVariable(name, owner, &setOwner);
    if (!v) {
        error = "no published variable \"" + name + "\"";
        return false;
    }
    t.path = name;
    if (v->form == VariableForm::Basic) {
        t.address = static_cast<uint8_t*>(v->address);
        t.field = v->basic;
    } else {
        t.address = static_cast<uint8_t*>(v->form == VariableForm::Complex ? v->address : *static_cast<void**>(v->address));
        if (!t.address) {
            error = "\"" + name + "\" is a null pointer";
            return false;
        }
        const sim::TypeDescriptionRsc* type = findType(v->typeName, setOwner);
        if (!type) {
            error = "type \"" + v->typeName + "\" is not described in any open resource file";
            return false;
        }
        t.field = sim::TypeFieldRsc{name, 0, sim::FieldKind::Struct, type->size, 1, v->typeName};
    }
    while (i < n) {
        if (access[i] == ' ') {
            ++i;
            continue;
        }
        if (access[i] == '.' || access.compare(i, 2, "->") == 0) {
            i += access[i] == '.' ? 1 : 2;
            if (t.field.kind != sim::FieldKind::Struct || t.field.count != 1) {
                error = "\"" + t.path + "\" is not a record";
                return false;
            }
            size_t s = i;
            while (i < n && isIdent(access[i])) ++i;
            std::string member = access.substr(s, i - s);
            const sim::TypeDescriptionRsc* type = findType(t.field.structType, setOwner);
            if (!type) {
                error = "type \"" + t.field.structType + "\" is not described in any open resource file";
                return false;
            }
            auto f = std::find_if(type->fields.begin(), type->fields.end(),
                                  [&](const sim::TypeFieldRsc& x) { return x.name == member; });
            if (member.empty() || f == type->fields.end()) {
                error = "\"" + t.path + "\" has no field \"" + member + "\"";
                return false;
            }
            t.address += f->offset;
            t.field = *f;
            t.path += "." + member;
        } else if (access[i] == '[') {
            size_t close = access.find(']', i);
            std::string digits = close == std::string::npos ? "" : access.substr(i + 1, close - i - 1);
            char* end = nullptr;
            errno = 0;
            long long index = std::strtoll(digits.c_str(), &end, 10);
            if (digits.empty() || *end || errno) {
                error = "bad index in \"" + access + "\"";
                return false;
            }
            bool singleText = (t.field.kind == sim::FieldKind::Chars && t.field.size == 1) ||
                              (t.field.kind == sim::FieldKind::WChars && t.field.size == 2);
            if (singleText && t.field.count > 1) {
                /* An element of a text is one character, read as a number. */
                if (index < 0 || index >= t.field.count) {
                    error = "index " + digits + " is out of range of \"" + t.path + "\"";
                    return false;
                }
                t.address += static_cast<size_t>(index) * t.field.size;
                t.field.kind = t.field.kind == sim::FieldKind::Chars ? sim::FieldKind::Int8 : sim::FieldKind::UInt16;
                t.field.count = 1;
            } else {
                if (t.field.count < 2) {
                    error = "\"" + t.path + "\" is not an array";
                    return false;
                }
                if (index < 0 || index >= t.field.count) {
                    error = "index " + digits + " is out of range of \"" + t.path + "\"";
                    return false;
                }
                t.address += static_cast<size_t>(index) * t.field.size;
                t.field.count = 1;
            }
            t.path += "[" + digits + "]";
            i = close + 1;
        } else {
            error = "bad access string \"" + access + "\"";
            return false;
        }
    }
    return true;
}

bool isTextKind(const sim::TypeFieldRsc& f) {
    return f.kind == sim::FieldKind::Chars || f.kind == sim::FieldKind::WChars;
}

/* Bytes of one text of a text field: a whole char array, or one element of
** an array of texts. */
bool textRegion(const Target& t, size_t& bytes, std::string& error) {
    if (t.field.kind == sim::FieldKind::Chars)
        bytes = t.field.size == 1 ? t.field.count : (t.field.count == 1 ? t.field.size : 0);
    else
        bytes = t.field.size == 2 ? size_t(t.field.count) * 2 : (t.field.count == 1 ? t.field.size : 0);
    if (!bytes) error = "\"" + t.path + "\" is an array of texts: give an index";
    return bytes != 0;
}

template <class T>
T load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
void store(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

bool readTarget(const Target& t, sim::AccessValue& v, std::string& error) {
    v = sim::AccessValue{};
    const uint8_t* p = t.address;
    if (isTextKind(t.field)) {
        size_t bytes;
        if (!textRegion(t, bytes, error)) return false;
        v.isText = true;
        if (t.field.kind == sim::FieldKind::Chars) {
            v.text.assign(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), bytes));
        } else {
            std::u16string w;
            for (size_t k = 0; k + 2 <= bytes; k += 2) {
                char16_t c = load<char16_t>(p + k);
                if (!c) break;
                w.push_back(c);
            }
            v.text = sim::utf16ToUtf8(w.c_str());
        }
        return true;
    }
    if (t.field.count != 1) {
        error = "\"" + t.path + "\" is an array: give an index";
        return false;
    }
    v.isInteger = true;
    switch (t.field.kind) {
    case sim::FieldKind::Int8: v.integer = load<int8_t>(p); break;
    case sim::FieldKind::Int16: v.integer = load<int16_t>(p); break;
    case sim::FieldKind::Int32: v.integer = load<int32_t>(p); break;
    case sim::FieldKind::Int64: v.integer = load<int64_t>(p); break;
    case sim::FieldKind::UInt8: v.integer = load<uint8_t>(p); break;
    case sim::FieldKind::UInt16: v.integer = load<uint16_t>(p); break;
    case sim::FieldKind::UInt32: v.integer = load<uint32_t>(p); break;
    case sim::FieldKind::Float:
        v.isInteger = false;
        v.number = load<float>(p);
        return true;
    case sim::FieldKind::Double:
        v.isInteger = false;
        v.number = load<double>(p);
        return true;
    default:
        error = "\"" + t.path + "\" is not a number or a text";
        return false;
    }
    v.number = static_cast<double>(v.integer);
    return true;
}

bool integerRange(sim::FieldKind k, int64_t& lo, int64_t& hi) {
    switch (k) {
    case sim::FieldKind::Int8: lo = INT8_MIN; hi = INT8_MAX; return true;
    case sim::FieldKind::Int16: lo = INT16_MIN; hi = INT16_MAX; return true;
    case sim::FieldKind::Int32: lo = INT32_MIN; hi = INT32_MAX; return true;
    case sim::FieldKind::Int64: lo = INT64_MIN; hi = INT64_MAX; return true;
    case sim::FieldKind::UInt8: lo = 0; hi = UINT8_MAX; return true;
    case sim::FieldKind::UInt16: lo = 0; hi = UINT16_MAX; return true;
    case sim::FieldKind::UInt32: lo = 0; hi = UINT32_MAX; return true;
    default: return false;
    }
}

bool storeInteger(const Target& t, int64_t x, std::string& error) {
    int64_t lo, hi;
    if (!integerRange(t.field.kind, lo, hi)) {
        if (t.field.kind == sim::FieldKind::Double && t.field.count == 1) {
            store<double>(t.address, static_cast<double>(x));
            return true;
        }
        if (t.field.kind == sim::FieldKind::Float && t.field.count == 1) {
            store<float>(t.address, static_cast<float>(x));
            return true;
        }
        error = "\"" + t.path + "\" does not hold a number";
        return false;
    }
    if (t.field.count != 1) {
        error = "\"" + t.path + "\" is an array: give an index";
        return false;
    }
    if (x < lo || x > hi) {
        error = std::to_string(x) + " does not fit \"" + t.path + "\"";
        return false;
    }
    switch (t.field.kind) {
    case sim::FieldKind::Int8: store<int8_t>(t.address, static_cast<int8_t>(x)); break;
    case sim::FieldKind::Int16: store<int16_t>(t.address, static_cast<int16_t>(x)); break;
    case sim::FieldKind::Int32: store<int32_t>(t.address, static_cast<int32_t>(x)); break;
    case sim::FieldKind::Int64: store<int64_t>(t.address, x); break;
    case sim::FieldKind::UInt8: store<uint8_t>(t.address, static_cast<uint8_t>(x)); break;
    case sim::FieldKind::UInt16: store<uint16_t>(t.address, static_cast<uint16_t>(x)); break;
    case sim::FieldKind::UInt32: store<uint32_t>(t.address, static_cast<uint32_t>(x)); break;
    default: break;
    }
    return true;
}

std::string trimmed(const std::string& s) { return sim::trim(s, " \t"); }

bool writeTarget(const Target& t, const std::string& text, std::string& error) {
    if (isTextKind(t.field)) {
        size_t bytes;
        if (!textRegion(t, bytes, error)) return false;
        if (t.field.kind == sim::FieldKind::Chars) {
            if (text.size() + 1 > bytes || text.find('\0') != std::string::npos) {
                error = "text of " + std::to_string(text.size()) + " characters does not fit \"" + t.path + "\" (" +
                        std::to_string(bytes - 1) + " at most)";
                return false;
            }
            std::memset(t.address, 0, bytes);
            std::memcpy(t.address, text.data(), text.size());
        } else {
            std::u16string w = sim::utf8ToUtf16(text);
            if ((w.size() + 1) * 2 > bytes) {
                error = "text of " + std::to_string(w.size()) + " characters does not fit \"" + t.path + "\" (" +
                        std::to_string(bytes / 2 - 1) + " at most)";
                return false;
            }
            std::memset(t.address, 0, bytes);
            for (size_t k = 0; k < w.size(); ++k) store<char16_t>(t.address + 2 * k, w[k]);
        }
        return true;
    }
    std::string s = trimmed(text);
    if (t.field.count == 1 && (t.field.kind == sim::FieldKind::Double || t.field.kind == sim::FieldKind::Float)) {
        char* end = nullptr;
        errno = 0;
        double d = std::strtod(s.c_str(), &end);
        if (s.empty() || *end || errno == ERANGE || !std::isfinite(d)) {
            error = "\"" + text + "\" is not a number";
            return false;
        }
        if (t.field.kind == sim::FieldKind::Double)
            store<double>(t.address, d);
        else
            store<float>(t.address, static_cast<float>(d));
        return true;
    }
    char* end = nullptr;
    errno = 0;
    long long x = std::strtoll(s.c_str(), &end, 0);
    if (s.empty() || *end || errno == ERANGE) {
        error = "\"" + text + "\" is not a whole number";
        return false;
    }
    return storeInteger(t, x, error);
}

std::string formatValue(const sim::AccessValue& v) {
    if (v.isText) return v.text;
    if (v.isInteger) return std::to_string(v.integer);
    return sim::format("%.17g", v.number);  /* exact: reads back to the same double */
}

}  // namespace

namespace sim {

bool readAccessValue(const std::string& access, MdlDesc* owner, AccessValue& value, std::string& error) {
    Target t;
    return resolve(access, owner, t, error) && readTarget(t, value, error);
}

bool writeAccessText(const std::string& access, MdlDesc* owner, const std::string& text, std::string& error) {
    Target t;
    return resolve(access, owner, t, error) && writeTarget(t, text, error);
}

bool writeAccessInteger(const std::string& access, MdlDesc* owner, int64_t value, std::string& error) {
    Target t;
    if (!resolve(access, owner, t, error)) return false;
    if (isTextKind(t.field)) return writeTarget(t, std::to_string(value), error);
    return storeInteger(t, value, error);
}

bool readAccess(const std::string& access, std::string& text, std::string& error) {
    AccessValue v;
    if (!readAccessValue(access, currentApplication(), v, error)) return false;
    text = formatValue(v);
    return true;
}

bool writeAccess(const std::string& access, const std::string& text, std::string& error) {
    return writeAccessText(access, currentApplication(), text, error);
}

void resetPublished() {
    state.sets.clear();
    state.types.clear();
}

static Registration resetRegistration([] { registerReset(ResetStage::Resources, resetPublished); });

}  // namespace sim

HOST_API SymbolSet* mdlCExpression_initializeSet(int visibility, int reserved1, int reserved2) {
    ensureListener();
    auto set = std::make_unique<SymbolSet>();
    set->owner = sim::currentApplication();
    set->visibility = visibility;
    state.sets.push_back(std::move(set));
    return state.sets.back().get();
}

HOST_API void mdlCExpression_freeSet(SymbolSet* set) {
    auto& s = state.sets;
    s.erase(std::remove_if(s.begin(), s.end(), [set](const auto& x) { return x.get() == set; }), s.end());
}

namespace {

bool knownSet(SymbolSet* set) {
    return std::any_of(state.sets.begin(), state.sets.end(), [set](const auto& x) { return x.get() == set; });
}

StatusInt publish(SymbolSet* set, Variable v) {
    if (!set || !knownSet(set) || v.name.empty() || !v.address) return HOST_ERROR;
    auto& vars = set->variables;
    auto it = std::find_if(vars.begin(), vars.end(), [&](const Variable& x) { return x.name == v.name; });
    if (it != vars.end())
        *it = std::move(v);
    else
        vars.push_back(std::move(v));
    return HOST_SUCCESS;
}

}  // namespace

HOST_API StatusInt mdlDialog_publishComplexPtr(SymbolSet* set, const char* typeName, const char* name,
                                               void* pointerAddress) {
    if (!typeName || !name) return HOST_ERROR;
    return publish(set, Variable{name, VariableForm::ComplexPointer, typeName, pointerAddress, {}});
}

HOST_API StatusInt mdlDialog_publishComplexVariable(SymbolSet* set, const char* typeName, const char* name,
                                                    void* address) {
    if (!typeName || !name) return HOST_ERROR;
    return publish(set, Variable{name, VariableForm::Complex, typeName, address, {}});
}

HOST_API StatusInt mdlDialog_publishBasicVariable(SymbolSet* set, int kind, const char* name, void* address,
                                                  int size) {
    if (!name) return HOST_ERROR;
    sim::TypeFieldRsc f;
    f.name = name;
    switch (kind) {
    case PUBLISHED_INT32: f.kind = sim::FieldKind::Int32; f.size = 4; break;
    case PUBLISHED_DOUBLE: f.kind = sim::FieldKind::Double; f.size = 8; break;
    case PUBLISHED_CHARS:
        if (size < 1) return HOST_ERROR;
        f.kind = sim::FieldKind::Chars;
        f.size = 1;
        f.count = static_cast<uint32_t>(size);
        break;
    default: return HOST_ERROR;
    }
    return publish(set, Variable{name, VariableForm::Basic, {}, address, f});
}
