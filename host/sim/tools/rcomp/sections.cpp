/* One compiler per section of a source: message and string lists, raw
** resources, dialogs and menus, command tables, icons and images, type
** descriptions. Each checks its keys and values and emits the packed bytes. */
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"
#include "host/sim/tools/rcomp/rcomp.h"

namespace rcomp {

namespace {

const FlagName dialogFlags[] = {
    {"modal", sim::DIALOGATTR_MODAL},
    {"resizable", sim::DIALOGATTR_RESIZABLE},
    {"noclose", sim::DIALOGATTR_NOCLOSE},
};
const FlagName itemFlags[] = {
    {"disabled", sim::ITEMATTR_DISABLED},       {"hidden", sim::ITEMATTR_HIDDEN},
    {"readonly", sim::ITEMATTR_READONLY},       {"default", sim::ITEMATTR_DEFAULT},
    {"multiselect", sim::ITEMATTR_MULTISELECT}, {"sorted", sim::ITEMATTR_SORTED},
};

}  // namespace

/* ---- Message and string lists --------------------------------------------------- */

void compileMessageList(const toml::table& t) {
    allowKeys(t, {"id", "messages"});
    int32_t id = requireI32(t, "id");
    sim::MessageListRsc list;
    const toml::table& messages = asTable(required(t, "messages"), "messages");
    for (auto&& [k, v] : messages) {
        std::string key(k.str());
        char* end = nullptr;
        errno = 0;
        long long number = std::strtoll(key.c_str(), &end, 10);
        if (key.empty() || *end || errno || number < I32MIN || number > I32MAX)
            fail(v, "message number '" + key + "' is not an integer");
        list.messages.emplace_back(static_cast<int32_t>(number), asText(v, "message"));
    }
    std::sort(list.messages.begin(), list.messages.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < list.messages.size(); ++i)
        if (list.messages[i].first == list.messages[i - 1].first)
            fail(messages, "message " + std::to_string(list.messages[i].first) + " is given twice");
    std::vector<uint8_t> bytes;
    packed(sim::packMessageList(list, bytes), t);
    emit(RTYPE_MESSAGELIST, id, std::move(bytes), t);
}

void compileStringList(const toml::table& t) {
    allowKeys(t, {"id", "infofields", "members"});
    int32_t id = requireI32(t, "id");
    sim::StringListRsc list;
    const toml::node* f = member(t, "infofields");
    list.infoFields = f ? static_cast<int32_t>(asInt(*f, "infofields", 0, 1024)) : 0;
    for (auto&& el : asArray(required(t, "members"), "members")) {
        sim::StringListMemberRsc m;
        m.info.assign(static_cast<size_t>(list.infoFields), 0);
        if (el.is_string()) {
            m.text = asText(el, "member");
        } else {
            const toml::table& mt = asTable(el, "member");
            allowKeys(mt, {"text", "info"});
            m.text = getText(mt, "text");
            if (const toml::node* info = member(mt, "info")) {
                const toml::array& a = asArray(*info, "info");
                if (a.size() > static_cast<size_t>(list.infoFields))
                    fail(*info, "more information fields than infofields = " + std::to_string(list.infoFields));
                for (size_t i = 0; i < a.size(); ++i)
                    m.info[i] = static_cast<int32_t>(asInt(a[i], "information field", I32MIN, 0xFFFFFFFFLL));
            }
        }
        list.members.push_back(std::move(m));
    }
    std::vector<uint8_t> bytes;
    packed(sim::packStringList(list, bytes), t);
    emit(RTYPE_STRINGLIST, id, std::move(bytes), t);
}

/* ---- Raw resources -------------------------------------------------------------- */

namespace {

/* Raw bytes from hex digits; spaces, commas and line ends between bytes. */
void appendHex(std::vector<uint8_t>& out, const toml::node& n) {
    std::string s = asText(n, "hex");
    int high = -1;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == '_') {
            if (high >= 0) fail(n, "odd number of hex digits");
            continue;
        }
        int d = std::isdigit(static_cast<unsigned char>(c))             ? c - '0'
                : (c >= 'a' && c <= 'f')                               ? c - 'a' + 10
                : (c >= 'A' && c <= 'F')                               ? c - 'A' + 10
                                                                       : -1;
        if (d < 0) fail(n, std::string("'") + c + "' is not a hex digit");
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0) fail(n, "odd number of hex digits");
}

double asNumber(const toml::node& n, const char* what) {
    if (auto i = n.as_integer()) return static_cast<double>(i->get());
    if (auto f = n.as_floating_point()) return f->get();
    fail(n, std::string(what) + " must be a number");
}

struct IntKind {
    const char* name;
    int bytes;
    int64_t lo, hi;
};
const IntKind intKinds[] = {
    {"int8", 1, -128, 127},
    {"uint8", 1, 0, 255},
    {"int16", 2, -32768, 32767},
    {"uint16", 2, 0, 65535},
    {"int32", 4, I32MIN, I32MAX},
    {"uint32", 4, 0, 0xFFFFFFFFLL},
    {"int64", 8, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()},
};

/* One typed field of a raw resource: an inline table naming its kind. */
void appendField(std::vector<uint8_t>& out, const toml::table& f) {
    std::string kind;
    const toml::node* value = nullptr;
    for (auto&& [k, v] : f) {
        if (k.str() == "size") continue;
        if (!kind.empty()) fail(v, "a field names one kind; also found '" + std::string(k.str()) + "'");
        kind = k.str();
        value = &v;
    }
    if (!value) fail(f, "a field needs a kind, e.g. { int32 = 5 }");
    const toml::node* sizeNode = member(f, "size");
    auto forEach = [&](auto&& fn) {
        if (auto a = value->as_array())
            for (auto&& el : *a) fn(el);
        else
            fn(*value);
    };
    for (auto& ik : intKinds)
        if (kind == ik.name) {
            if (sizeNode) fail(*sizeNode, "size is only for chars and wchars");
            forEach([&](const toml::node& el) {
                sim::appendLE(out, static_cast<uint64_t>(asInt(el, ik.name, ik.lo, ik.hi)), ik.bytes);
            });
            return;
        }
    if (kind == "float" || kind == "double") {
        forEach([&](const toml::node& el) {
            double d = asNumber(el, kind.c_str());
            if (kind == "float") {
                float x = static_cast<float>(d);
                uint32_t bits;
                std::memcpy(&bits, &x, 4);
                sim::appendLE(out, bits, 4);
            } else {
                uint64_t bits;
                std::memcpy(&bits, &d, 8);
                sim::appendLE(out, bits, 8);
            }
        });
    } else if (kind == "chars" || kind == "wchars") {
        std::string s = asText(*value, kind.c_str());
        std::u16string w = kind == "wchars" ? sim::utf8ToUtf16(s) : std::u16string();
        size_t length = kind == "wchars" ? w.size() : s.size();
        size_t size = length + 1;
        if (sizeNode) {
            size = static_cast<size_t>(asInt(*sizeNode, "size", 1, RSC_MAX_TEXT));
            if (length >= size)
                fail(*value, "text of " + std::to_string(length) + " characters does not fit size " +
                                 std::to_string(size) + " with its terminator");
        }
        for (size_t i = 0; i < size; ++i) {
            if (kind == "chars")
                out.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
            else
                sim::appendLE(out, i < w.size() ? w[i] : 0, 2);
        }
    } else if (kind == "fourcc") {
        forEach([&](const toml::node& el) { sim::appendLE(out, asFourCC(el, "fourcc"), 4); });
    } else if (kind == "hex") {
        appendHex(out, *value);
    } else if (kind == "pad") {
        int64_t n = asInt(*value, "pad", 0, RSC_MAX_SIZE);
        out.insert(out.end(), static_cast<size_t>(n), 0);
    } else {
        fail(*value, "unknown field kind '" + kind + "'");
    }
    if (out.size() > RSC_MAX_SIZE) fail(*value, "resource larger than " + std::to_string(RSC_MAX_SIZE) + " bytes");
}

}  // namespace

void compileRaw(const toml::table& t) {
    allowKeys(t, {"type", "id", "alias", "hex", "fields"});
    uint32_t type = asFourCC(required(t, "type"), "type");
    int32_t id = requireI32(t, "id");
    std::vector<uint8_t> bytes;
    const toml::node* hex = member(t, "hex");
    const toml::node* fields = member(t, "fields");
    if (hex && fields) fail(*fields, "give either hex or fields, not both");
    if (!hex && !fields) fail(t, "a resource needs hex or fields");
    if (hex) appendHex(bytes, *hex);
    if (fields)
        for (auto&& el : asArray(*fields, "fields")) appendField(bytes, asTable(el, "field"));
    if (bytes.size() > RSC_MAX_SIZE) fail(t, "resource larger than " + std::to_string(RSC_MAX_SIZE) + " bytes");
    emit(type, id, std::move(bytes), t, getText(t, "alias"));
}

/* ---- Dialogs and menus ---------------------------------------------------------- */

namespace {

sim::DialogItemRsc compileItem(const toml::table& t) {
    allowKeys(t, {"type", "id", "label", "hook", "access", "attributes", "extent", "properties", "entries"});
    sim::DialogItemRsc item;
    item.type = asFourCC(required(t, "type"), "type");
    item.id = requireI32(t, "id");
    item.label = getText(t, "label");
    item.hookId = getI32(t, "hook", 0);
    item.access = getText(t, "access");
    item.attributes = getFlags(t, itemFlags);
    item.extent = getExtent(t);
    if (const toml::node* p = member(t, "properties")) {
        for (auto&& [k, v] : asTable(*p, "properties")) {
            std::string value;
            if (v.is_string())
                value = asText(v, "property");
            else if (auto i = v.as_integer())
                value = std::to_string(i->get());
            else if (auto b = v.as_boolean())
                value = b->get() ? "1" : "0";
            else if (auto f = v.as_floating_point())
                value = std::to_string(f->get());
            else
                fail(v, "a property is a string, a number or true/false");
            if (k.str().size() > RSC_MAX_TEXT) fail(v, "property name too long");
            item.properties.emplace_back(std::string(k.str()), std::move(value));
        }
        if (item.properties.size() > 0xFFFF) fail(*p, "too many properties");
    }
    if (const toml::node* e = member(t, "entries")) {
        const toml::array& a = asArray(*e, "entries");
        if (a.size() > 0xFFFF) fail(*e, "too many entries");
        int64_t next = 0;   /* an entry without a value takes the one after the last */
        for (auto&& el : a) {
            sim::DialogItemEntryRsc entry;
            const toml::table* given = el.as_table();
            if (next > I32MAX && !(given && member(*given, "value")))
                fail(el, "the entry after value " + std::to_string(I32MAX) + " needs a value of its own");
            entry.value = static_cast<int32_t>(std::min<int64_t>(next, I32MAX));
            if (el.is_string()) {
                entry.texts.push_back(asText(el, "entry"));
            } else {
                const toml::table& et = asTable(el, "entry");
                allowKeys(et, {"label", "columns", "value"});
                entry.value = getI32(et, "value", entry.value);
                const toml::node* label = member(et, "label");
                const toml::node* columns = member(et, "columns");
                if (label && columns) fail(et, "an entry has a label or columns, not both");
                if (label) entry.texts.push_back(asText(*label, "label"));
                if (columns)
                    for (auto&& c : asArray(*columns, "columns")) entry.texts.push_back(asText(c, "column"));
                if (entry.texts.size() > 0xFFFF) fail(et, "too many columns");
            }
            next = int64_t{entry.value} + 1;
            item.entries.push_back(std::move(entry));
        }
    }
    return item;
}

}  // namespace

void compileDialog(const toml::table& t) {
    allowKeys(t, {"id", "title", "extent", "hook", "attributes", "item"});
    sim::DialogRsc d;
    d.id = requireI32(t, "id");
    d.title = getText(t, "title");
    d.extent = getExtent(t);
    d.hookId = getI32(t, "hook", 0);
    d.attributes = getFlags(t, dialogFlags);
    std::set<std::pair<uint32_t, int32_t>> seen;
    for (const toml::table* it : tables(t, "item")) {
        d.items.push_back(compileItem(*it));
        auto& item = d.items.back();
        if (!seen.insert({item.type, item.id}).second)
            fail(*it, "item " + sim::fourCCText(item.type) + " " + std::to_string(item.id) +
                          " appears twice in the dialog");
    }
    std::vector<uint8_t> bytes;
    packed(sim::packDialog(d, bytes), t);
    emit(RTYPE_DIALOG, d.id, std::move(bytes), t);
}

namespace {

std::vector<sim::MenuEntryRsc> compileMenuEntries(const toml::table& t, const char* key, int depth) {
    std::vector<sim::MenuEntryRsc> out;
    for (const toml::table* et : tables(t, key)) {
        if (depth >= sim::MENU_MAX_DEPTH)
            fail(*et, "submenus nest deeper than " + std::to_string(sim::MENU_MAX_DEPTH));
        allowKeys(*et, {"label", "id", "command", "keyin", "separator", "disabled", "checked", "submenu", "hook"});
        sim::MenuEntryRsc e;
        e.label = asText(required(*et, "label"), "label");
        e.id = getI32(*et, "id", 0);
        e.commandNumber = getI32(*et, "command", 0);
        e.keyin = getText(*et, "keyin");
        e.hookId = getI32(*et, "hook", 0);
        if (getBool(*et, "separator")) e.flags |= sim::MENUENTRY_SEPARATOR;
        if (getBool(*et, "disabled")) e.flags |= sim::MENUENTRY_DISABLED;
        if (getBool(*et, "checked")) e.flags |= sim::MENUENTRY_CHECKED;
        if (e.commandNumber && !e.keyin.empty()) fail(*et, "an entry has a command or a keyin, not both");
        e.submenu = compileMenuEntries(*et, "submenu", depth + 1);
        if (!e.submenu.empty() && (e.commandNumber || !e.keyin.empty()))
            fail(*et, "an entry with a submenu has no command or keyin");
        out.push_back(std::move(e));
    }
    return out;
}

}  // namespace

void compileMenu(const toml::table& t) {
    allowKeys(t, {"id", "title", "hook", "entry"});
    sim::MenuRsc m;
    m.id = requireI32(t, "id");
    m.title = getText(t, "title");
    m.hookId = getI32(t, "hook", 0);
    m.entries = compileMenuEntries(t, "entry", 0);
    std::vector<uint8_t> bytes;
    packed(sim::packMenu(m, bytes), t);
    emit(RTYPE_PULLDOWN, m.id, std::move(bytes), t);
}

/* ---- Command tables ------------------------------------------------------------- */

void compileCommandTable(const toml::table& t) {
    allowKeys(t, {"id", "command"});
    int32_t id = requireI32(t, "id");
    sim::CommandTableRsc table;
    std::set<int32_t> numbers;
    std::set<std::vector<std::string>> keyins;
    for (const toml::table* ct : tables(t, "command")) {
        allowKeys(*ct, {"number", "keyin", "flags"});
        sim::CommandRsc c;
        c.number = requireI32(*ct, "number");
        const toml::node& keyin = required(*ct, "keyin");
        std::string text = asText(keyin, "keyin");
        for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            size_t j = i;
            while (j < text.size() && !std::isspace(static_cast<unsigned char>(text[j]))) ++j;
            if (j > i) c.words.push_back(text.substr(i, j - i));
            i = j;
        }
        if (c.words.empty()) fail(keyin, "empty keyin");
        if (const toml::node* f = member(*ct, "flags"))
            c.flags = static_cast<uint32_t>(asInt(*f, "flags", 0, 0xFFFFFFFF));
        if (!numbers.insert(c.number).second)
            fail(*ct, "command number " + std::to_string(c.number) + " is given twice");
        if (!keyins.insert(c.words).second) fail(keyin, "keyin '" + text + "' is given twice");
        table.commands.push_back(std::move(c));
    }
    std::vector<uint8_t> bytes;
    packed(sim::packCommandTable(table, bytes), t);
    emit(RTYPE_COMMANDTABLE, id, std::move(bytes), t);
}

/* ---- Icons and images ----------------------------------------------------------- */

namespace {

/* "#rrggbb" into three bytes. */
bool parseColour(const std::string& s, uint8_t rgb[3]) {
    if (s.size() != 7 || s[0] != '#') return false;
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        std::string part = s.substr(1 + 2 * i, 2);
        long v = std::strtol(part.c_str(), &end, 16);
        if (*end || !std::isxdigit(static_cast<unsigned char>(part[0]))) return false;
        rgb[i] = static_cast<uint8_t>(v);
    }
    return true;
}

}  // namespace

void compileRaster(const toml::table& t, uint32_t defaultType) {
    allowKeys(t, {"type", "id", "width", "height", "palette", "rows", "format", "pixels"});
    uint32_t type = member(t, "type") ? asFourCC(*member(t, "type"), "type") : defaultType;
    int32_t id = requireI32(t, "id");
    sim::RasterRsc r;
    r.width = static_cast<uint16_t>(asInt(required(t, "width"), "width", 1, sim::RASTER_MAX_SIDE));
    r.height = static_cast<uint16_t>(asInt(required(t, "height"), "height", 1, sim::RASTER_MAX_SIDE));
    const toml::node* rows = member(t, "rows");
    const toml::node* pixels = member(t, "pixels");
    if (rows && pixels) fail(*pixels, "give either rows with a palette or pixels, not both");
    if (rows) {
        const toml::table& pal = asTable(required(t, "palette"), "palette");
        if (member(t, "format")) fail(*member(t, "format"), "the palette decides the format");
        std::map<char, std::vector<uint8_t>> colours;
        int rgbCount = 0;
        for (auto&& [k, v] : pal) {
            if (k.str().size() != 1) fail(v, "a palette key is one character");
            std::vector<uint8_t> c;
            if (v.is_string()) {
                uint8_t rgb[3];
                if (!parseColour(asText(v, "colour"), rgb)) fail(v, "a colour is \"#rrggbb\"");
                c.assign(rgb, rgb + 3);
                ++rgbCount;
            } else {
                c.push_back(static_cast<uint8_t>(asInt(v, "colour index", 0, 255)));
            }
            colours[k.str()[0]] = c;
        }
        if (rgbCount && rgbCount != static_cast<int>(colours.size()))
            fail(pal, "a palette holds colour indexes or \"#rrggbb\" colours, not both");
        r.format = rgbCount ? sim::RasterFormat::Rgb : sim::RasterFormat::ColourIndex;
        const toml::array& a = asArray(*rows, "rows");
        if (a.size() != r.height) fail(*rows, "rows has " + std::to_string(a.size()) + " rows, height is " +
                                                  std::to_string(r.height));
        for (auto&& row : a) {
            std::string s = asText(row, "row");
            if (s.size() != r.width)
                fail(row, "row of " + std::to_string(s.size()) + " characters, width is " + std::to_string(r.width));
            for (char ch : s) {
                auto it = colours.find(ch);
                if (it == colours.end()) fail(row, std::string("'") + ch + "' is not in the palette");
                r.pixels.insert(r.pixels.end(), it->second.begin(), it->second.end());
            }
        }
    } else if (pixels) {
        std::string format = getText(t, "format", "index");
        if (format != "index" && format != "rgb") fail(*member(t, "format"), "format is \"index\" or \"rgb\"");
        r.format = format == "rgb" ? sim::RasterFormat::Rgb : sim::RasterFormat::ColourIndex;
        const toml::array& a = asArray(*pixels, "pixels");
        if (a.size() != size_t(r.width) * r.height)
            fail(*pixels, std::to_string(a.size()) + " pixels, width*height is " + std::to_string(r.width * r.height));
        for (auto&& p : a) {
            if (r.format == sim::RasterFormat::Rgb) {
                int64_t v = asInt(p, "pixel", 0, 0xFFFFFF);
                r.pixels.push_back(static_cast<uint8_t>(v >> 16));
                r.pixels.push_back(static_cast<uint8_t>(v >> 8));
                r.pixels.push_back(static_cast<uint8_t>(v));
            } else {
                r.pixels.push_back(static_cast<uint8_t>(asInt(p, "pixel", 0, 255)));
            }
        }
    } else {
        fail(t, "a raster needs rows with a palette, or pixels");
    }
    std::vector<uint8_t> bytes;
    packed(sim::packRaster(r, bytes), t);
    emit(type, id, std::move(bytes), t);
}

/* ---- Type descriptions ---------------------------------------------------------- */

namespace {

uint32_t defaultFieldSize(sim::FieldKind k) {
    switch (k) {
    case sim::FieldKind::Int8: case sim::FieldKind::UInt8: case sim::FieldKind::Chars: return 1;
    case sim::FieldKind::Int16: case sim::FieldKind::UInt16: case sim::FieldKind::WChars: return 2;
    case sim::FieldKind::Int32: case sim::FieldKind::UInt32: case sim::FieldKind::Float: return 4;
    case sim::FieldKind::Int64: case sim::FieldKind::Double: return 8;
    case sim::FieldKind::Pointer: return sizeof(void*);
    case sim::FieldKind::Struct: return 0;
    }
    return 0;
}

}  // namespace

void compileTypeDescription(const toml::table& t) {
    allowKeys(t, {"name", "id", "size", "fields"});
    sim::TypeDescriptionRsc d;
    d.name = asText(required(t, "name"), "name");
    if (d.name.empty()) fail(t, "empty type name");
    const toml::node* idNode = member(t, "id");
    int32_t id = idNode ? static_cast<int32_t>(asInt(*idNode, "id", 1, I32MAX)) : 0;
    d.size = static_cast<uint32_t>(asInt(required(t, "size"), "size", 0, RSC_MAX_SIZE));
    std::set<std::string> names;
    for (auto&& el : asArray(required(t, "fields"), "fields")) {
        const toml::table& ft = asTable(el, "field");
        allowKeys(ft, {"name", "kind", "offset", "size", "count", "struct"});
        sim::TypeFieldRsc f;
        f.name = asText(required(ft, "name"), "name");
        const toml::node& kindNode = required(ft, "kind");
        std::string kind = asText(kindNode, "kind");
        if (!sim::parseFieldKind(kind, &f.kind)) fail(kindNode, "unknown field kind '" + kind + "'");
        f.offset = static_cast<uint32_t>(asInt(required(ft, "offset"), "offset", 0, RSC_MAX_SIZE));
        const toml::node* size = member(ft, "size");
        f.size = size ? static_cast<uint32_t>(asInt(*size, "size", 1, RSC_MAX_SIZE)) : defaultFieldSize(f.kind);
        if (!f.size) fail(ft, "a struct field needs its size");
        const toml::node* count = member(ft, "count");
        f.count = count ? static_cast<uint32_t>(asInt(*count, "count", 1, RSC_MAX_SIZE)) : 1;
        f.structType = getText(ft, "struct");
        if (f.kind == sim::FieldKind::Struct && f.structType.empty()) fail(ft, "a struct field names its struct");
        if (f.kind != sim::FieldKind::Struct && !f.structType.empty()) fail(ft, "struct is only for kind \"struct\"");
        if (uint64_t(f.offset) + uint64_t(f.size) * f.count > d.size)
            fail(ft, "field '" + f.name + "' ends past the record size " + std::to_string(d.size));
        if (!names.insert(f.name).second) fail(ft, "field '" + f.name + "' is given twice");
        d.fields.push_back(std::move(f));
    }
    std::vector<uint8_t> bytes;
    packed(sim::packTypeDescription(d, bytes), t);
    emit(RTYPE_TYPEDESC, id, std::move(bytes), t, d.name, id == 0);
}

}  // namespace rcomp
