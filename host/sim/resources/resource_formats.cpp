/* Stored layouts of the structured resources: one packer and one decoder per
** kind. Everything is little-endian and written field by field. A text
** ("str" below) is a 16-bit byte count followed by that many bytes of UTF-8,
** without a terminator. Every layout opens with a 32-bit format version (1). */
#include "host/sim/resources/resources.h"

#include <algorithm>
#include <cstring>

#include "host/sim/base/base.h"

namespace {

constexpr uint32_t FORMAT_VERSION = 1;

struct Writer {
    std::vector<uint8_t>& out;
    bool tooLarge = false;
    void put8(uint32_t v) { sim::appendLE(out, v, 1); }
    void put16(uint32_t v) { sim::appendLE(out, v, 2); }
    void put32(uint32_t v) { sim::appendLE(out, v, 4); }
    void putI32(int32_t v) { put32(static_cast<uint32_t>(v)); }
    void putCount(size_t n) {
        if (n > 0x7FFFFFFF) tooLarge = true;
        put32(static_cast<uint32_t>(n));
    }
    void putCount16(size_t n) {
        if (n > 0xFFFF) tooLarge = true;
        put16(static_cast<uint32_t>(n));
    }
    void putStr(const std::string& s) {
        if (s.size() > RSC_MAX_TEXT) {
            tooLarge = true;
            put16(0);
            return;
        }
        put16(static_cast<uint32_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    void putExtent(const sim::Extent& e) {
        putI32(e.x);
        putI32(e.y);
        putI32(e.width);
        putI32(e.height);
    }
    int status() const {
        if (tooLarge || out.size() > RSC_MAX_SIZE) return RSCERR_TOO_LARGE;
        return RSC_SUCCESS;
    }
};

/* Bounds-checked reader: any overrun sets bad and answers zeros. */
struct Reader {
    const uint8_t* p;
    size_t left;
    bool bad = false;
    bool need(size_t n) {
        if (bad || left < n) {
            bad = true;
            return false;
        }
        return true;
    }
    uint32_t get8() {
        if (!need(1)) return 0;
        uint32_t v = p[0];
        p += 1;
        left -= 1;
        return v;
    }
    uint32_t get16() {
        if (!need(2)) return 0;
        uint32_t v = sim::get2(p);
        p += 2;
        left -= 2;
        return v;
    }
    uint32_t get32() {
        if (!need(4)) return 0;
        uint32_t v = sim::get4(p);
        p += 4;
        left -= 4;
        return v;
    }
    int32_t getI32() { return static_cast<int32_t>(get32()); }
    std::string getStr() {
        size_t n = get16();
        if (!need(n)) return {};
        std::string s(reinterpret_cast<const char*>(p), n);
        p += n;
        left -= n;
        return s;
    }
    /* A count of records of at least MINSIZE bytes each: refuse counts the
    ** remaining bytes cannot hold, so damaged data never drives a huge allocation. */
    size_t getCount(size_t minSize) {
        size_t n = get32();
        if (!bad && minSize && n > left / minSize) bad = true;
        return bad ? 0 : n;
    }
    size_t getCount16(size_t minSize) {
        size_t n = get16();
        if (!bad && minSize && n > left / minSize) bad = true;
        return bad ? 0 : n;
    }
    sim::Extent getExtent() {
        sim::Extent e;
        e.x = getI32();
        e.y = getI32();
        e.width = getI32();
        e.height = getI32();
        return e;
    }
    bool version() { return get32() == FORMAT_VERSION && !bad; }
    /* Decoding ends exactly at the last byte. */
    int finish() const { return bad || left != 0 ? RSCERR_BAD_RESOURCE : RSC_SUCCESS; }
};

int fail() { return RSCERR_BAD_RESOURCE; }

}  // namespace

namespace sim {

std::string fourCCText(uint32_t code) {
    std::string s(4, '?');
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
        if (c >= 0x20 && c < 0x7F) s[i] = c;
    }
    return s;
}

bool parseFourCC(const std::string& text, uint32_t* code) {
    if (text.size() != 4) return false;
    char chars[5] = {text[0], text[1], text[2], text[3], 0};
    *code = fourCC(chars);
    return true;
}

/* Message list 'MsgL':
**   OFFSET SIZE  FIELD
**      0     4   format version (1)
**      4     4   message count N
**      8     -   N times: number (int32), text (str); numbers ascending */
int packMessageList(const MessageListRsc& list, std::vector<uint8_t>& out) {
    out.clear();
    Writer w{out};
    w.put32(FORMAT_VERSION);
    w.putCount(list.messages.size());
    for (auto& [number, text] : list.messages) {
        w.putI32(number);
        w.putStr(text);
    }
    return w.status();
}

int decodeMessageList(const uint8_t* data, size_t size, MessageListRsc& out) {
    Reader r{data, size};
    out = {};
    if (!r.version()) return fail();
    size_t n = r.getCount(6);
    out.messages.reserve(n);
    for (size_t i = 0; i < n && !r.bad; ++i) {
        int32_t number = r.getI32();
        out.messages.emplace_back(number, r.getStr());
    }
    return r.finish();
}

/* String list 'StrL':
**   OFFSET SIZE  FIELD
**      0     4   format version (1)
**      4     4   information fields per member F (0..1024)
**      8     4   member count N
**     12     -   N times: F int32 information fields, then the text (str) */
int packStringList(const StringListRsc& list, std::vector<uint8_t>& out) {
    out.clear();
    Writer w{out};
    if (list.infoFields < 0 || list.infoFields > 1024) return RSCERR_TOO_LARGE;
    w.put32(FORMAT_VERSION);
    w.putI32(list.infoFields);
    w.putCount(list.members.size());
    for (auto& m : list.members) {
        for (int32_t i = 0; i < list.infoFields; ++i)
            w.putI32(static_cast<size_t>(i) < m.info.size() ? m.info[static_cast<size_t>(i)] : 0);
        w.putStr(m.text);
    }
    return w.status();
}

int decodeStringList(const uint8_t* data, size_t size, StringListRsc& out) {
    Reader r{data, size};
    out = {};
    if (!r.version()) return fail();
    int32_t fields = r.getI32();
    if (fields < 0 || fields > 1024) return fail();
    out.infoFields = fields;
    size_t n = r.getCount(2 + 4 * static_cast<size_t>(fields));
    out.members.reserve(n);
    for (size_t i = 0; i < n && !r.bad; ++i) {
        StringListMemberRsc m;
        m.info.resize(static_cast<size_t>(fields));
        for (auto& v : m.info) v = r.getI32();
        m.text = r.getStr();
        out.members.push_back(std::move(m));
    }
    return r.finish();
}

/* Dialog 'dBox' (the dialog id is the resource id):
**   OFFSET SIZE  FIELD
**      0     4   format version (1)
**      4     4   dialog hook id (int32, 0: none)
**      8    16   extent: x, y, width, height (int32 each, dialog units)
**     24     4   attributes (DIALOGATTR_* bits)
**     28     4   item count N
**     32     -   title (str), then N items:
**
** Dialog item, in the order of the dialog:
**   OFFSET SIZE  FIELD
**      0     4   item type (four-character code)
**      4     4   item id (int32)
**      8     4   item hook id (int32, 0: none)
**     12    16   extent: x, y, width, height
**     28     4   attributes (ITEMATTR_* bits)
**     32     2   property count P
**     34     2   fixed entry count E
**     36     -   label (str), access string (str),
**                P times: property name (str), value (str),
**                E times: value (int32), text count T (uint16), T texts (str) */
int packDialog(const DialogRsc& dialog, std::vector<uint8_t>& out) {
    out.clear();
    Writer w{out};
    w.put32(FORMAT_VERSION);
    w.putI32(dialog.hookId);
    w.putExtent(dialog.extent);
    w.put32(dialog.attributes);
    w.putCount(dialog.items.size());
    w.putStr(dialog.title);
    for (auto& item : dialog.items) {
        w.put32(item.type);
        w.putI32(item.id);
        w.putI32(item.hookId);
        w.putExtent(item.extent);
        w.put32(item.attributes);
        w.putCount16(item.properties.size());
        w.putCount16(item.entries.size());
        w.putStr(item.label);
        w.putStr(item.access);
        for (auto& [name, value] : item.properties) {
            w.putStr(name);
            w.putStr(value);
        }
        for (auto& e : item.entries) {
            w.putI32(e.value);
            w.putCount16(e.texts.size());
            for (auto& t : e.texts) w.putStr(t);
        }
    }
    return w.status();
}

int decodeDialog(const uint8_t* data, size_t size, DialogRsc& out) {
    Reader r{data, size};
    int32_t id = out.id;
    out = {};
    out.id = id;
    if (!r.version()) return fail();
    out.hookId = r.getI32();
    out.extent = r.getExtent();
    out.attributes = r.get32();
    size_t n = r.getCount(40);
    out.title = r.getStr();
    out.items.reserve(n);
    for (size_t i = 0; i < n && !r.bad; ++i) {
        DialogItemRsc item;
        item.type = r.get32();
        item.id = r.getI32();
        item.hookId = r.getI32();
        item.extent = r.getExtent();
        item.attributes = r.get32();
        size_t props = r.get16();
        size_t entries = r.get16();
        item.label = r.getStr();
        item.access = r.getStr();
        for (size_t k = 0; k < props && !r.bad; ++k) {
            std::string name = r.getStr();
            item.properties.emplace_back(std::move(name), r.getStr());
        }
        for (size_t k = 0; k < entries && !r.bad; ++k) {
            DialogItemEntryRsc e;
            e.value = r.getI32();
            size_t texts = r.getCount16(2);
            for (size_t t = 0; t < texts && !r.bad; ++t) e.texts.push_back(r.getStr());
            item.entries.push_back(std::move(e));
        }
        out.items.push_back(std::move(item));
    }
    return r.finish();
}

const std::string* itemProperty(const DialogItemRsc& item, const std::string& name) {
    for (auto& [k, v] : item.properties)
        if (k == name) return &v;
    return nullptr;
}

/* Pull-down menu 'pdMn':
**   OFFSET SIZE  FIELD
**      0     4   format version (1)
**      4     4   menu hook id (int32, 0: none)
**      8     -   title (str), then the entry list
**
** Entry list: count N (uint16), then N entries:
**   OFFSET SIZE  FIELD
**      0     4   entry id (int32, 0: none)
**      4     4   command number (int32, 0: none)
**      8     4   flags (MENUENTRY_* bits)
**     12     -   label (str), key-in (str), submenu (an entry list, count 0 when
**                none; at most MENU_MAX_DEPTH lists of entries deep) */
namespace {
void packEntries(Writer& w, const std::vector<MenuEntryRsc>& entries, int depth) {
    w.putCount16(entries.size());
    if (!entries.empty() && depth >= MENU_MAX_DEPTH) w.tooLarge = true;
    if (w.tooLarge) return;
    for (auto& e : entries) {
        w.putI32(e.id);
        w.putI32(e.commandNumber);
        w.put32(e.flags);
        w.putStr(e.label);
        w.putStr(e.keyin);
        packEntries(w, e.submenu, depth + 1);
    }
}
void decodeEntries(Reader& r, std::vector<MenuEntryRsc>& entries, int depth) {
    size_t n = r.getCount16(18);
    if (n && depth >= MENU_MAX_DEPTH) r.bad = true;
    for (size_t i = 0; i < n && !r.bad; ++i) {
        MenuEntryRsc e;
        e.id = r.getI32();
        e.commandNumber = r.getI32();
        e.flags = r.get32();
        e.label = r.getStr();
        e.keyin = r.getStr();
        decodeEntries(r, e.submenu, depth + 1);
        entries.push_back(std::move(e));
    }
}
/* Entry hooks, depth first, in the order the entries are stored. */
void collectEntryHooks(const std::vector<MenuEntryRsc>& entries, std::vector<int32_t>& hooks) {
    for (auto& e : entries) {
        hooks.push_back(e.hookId);
        collectEntryHooks(e.submenu, hooks);
    }
}
size_t assignEntryHooks(std::vector<MenuEntryRsc>& entries, const std::vector<int32_t>& hooks, size_t next) {
    for (auto& e : entries) {
        if (next < hooks.size()) e.hookId = hooks[next];
        next = assignEntryHooks(e.submenu, hooks, next + 1);
    }
    return next;
}
}  // namespace

/* A menu whose entries have hooks ends with a block of them: a 32-bit count
** (every entry, depth first) and one 32-bit hook id per entry. Menus
** without entry hooks end after their entries, as they always have. */
int packMenu(const MenuRsc& menu, std::vector<uint8_t>& out) {
    out.clear();
    Writer w{out};
    w.put32(FORMAT_VERSION);
    w.putI32(menu.hookId);
    w.putStr(menu.title);
    packEntries(w, menu.entries, 0);
    std::vector<int32_t> hooks;
    collectEntryHooks(menu.entries, hooks);
    if (std::any_of(hooks.begin(), hooks.end(), [](int32_t h) { return h != 0; })) {
        w.putCount(hooks.size());
        for (int32_t h : hooks) w.putI32(h);
    }
    return w.status();
}

int decodeMenu(const uint8_t* data, size_t size, MenuRsc& out) {
    Reader r{data, size};
    int32_t id = out.id;
    out = {};
    out.id = id;
    if (!r.version()) return fail();
    out.hookId = r.getI32();
    out.title = r.getStr();
    decodeEntries(r, out.entries, 0);
    if (!r.bad && r.left > 0) {
        std::vector<int32_t> hooks;
        collectEntryHooks(out.entries, hooks);
        if (r.get32() != hooks.size()) return fail();
        for (auto& h : hooks) h = r.getI32();
        assignEntryHooks(out.entries, hooks, 0);
    }
    return r.finish();
}

/* Command table 'CmdT':
**   OFFSET SIZE  FIELD
**      0     4   format version (1)
**      4     4   command count N
**      8     -   N times: command number (int32), flags (uint32),
**                word count W (uint16), W words (str) */
int packCommandTable(const CommandTableRsc& table, std::vector<uint8_t>& out) {
    out.clear();
    Writer w{out};
    w.put32(FORMAT_VERSION);
    w.putCount(table.commands.size());
    for (auto& c : table.commands) {
        w.putI32(c.number);
        w.put32(c.flags);
        w.putCount16(c.words.size());
        for (auto& word : c.words) w.putStr(word);
    }
    return w.status();
}

int decodeCommandTable(const uint8_t* data, size_t size, CommandTableRsc& out) {
    Reader r{data, size};
    out = {};
    if (!r.version()) return fail();
    size_t n = r.getCount(10);
    out.commands.reserve(n);
    for (size_t i = 0; i < n && !r.bad; ++i) {
        CommandRsc c;
        c.number = r.getI32();
        c.flags = r.get32();
        size_t words = r.getCount16(2);
        for (size_t k = 0; k < words && !r.bad; ++k) c.words.push_back(r.getStr());
        out.commands.push_back(std::move(c));
    }
    return r.finish();
}

/* Icon 'Icon' and image 'Imag':
**   OFFSET SIZE  FIELD
**      0     4   format version (1)
**      4     2   width (1..RASTER_MAX_SIDE)
**      6     2   height (1..RASTER_MAX_SIDE)
**      8     1   pixel format: 0 colour index (1 byte), 1 RGB (3 bytes: r, g, b)
**      9     3   zero
**     12     -   width*height pixels, rows top down, left to right */
int packRaster(const RasterRsc& raster, std::vector<uint8_t>& out) {
    out.clear();
    size_t bpp = raster.format == RasterFormat::Rgb ? 3 : 1;
    if (raster.width < 1 || raster.height < 1 || raster.width > RASTER_MAX_SIDE ||
        raster.height > RASTER_MAX_SIDE || raster.format > RasterFormat::Rgb ||
        raster.pixels.size() != size_t(raster.width) * raster.height * bpp)
        return RSCERR_TOO_LARGE;
    Writer w{out};
    w.put32(FORMAT_VERSION);
    w.put16(raster.width);
    w.put16(raster.height);
    w.put8(static_cast<uint32_t>(raster.format));
    w.put8(0);
    w.put16(0);
    out.insert(out.end(), raster.pixels.begin(), raster.pixels.end());
    return w.status();
}

int decodeRaster(const uint8_t* data, size_t size, RasterRsc& out) {
    Reader r{data, size};
    out = {};
    if (!r.version()) return fail();
    out.width = static_cast<uint16_t>(r.get16());
    out.height = static_cast<uint16_t>(r.get16());
    uint32_t format = r.get8();
    r.get8();
    r.get16();
    if (r.bad || format > 1 || out.width < 1 || out.height < 1 || out.width > RASTER_MAX_SIDE ||
        out.height > RASTER_MAX_SIDE)
        return fail();
    out.format = static_cast<RasterFormat>(format);
    size_t n = size_t(out.width) * out.height * (format == 1 ? 3 : 1);
    if (!r.need(n)) return fail();
    out.pixels.assign(r.p, r.p + n);
    r.p += n;
    r.left -= n;
    return r.finish();
}

namespace {
struct KindName {
    FieldKind kind;
    const char* name;
};
const KindName kindNames[] = {
    {FieldKind::Int8, "int8"},       {FieldKind::Int16, "int16"},     {FieldKind::Int32, "int32"},
    {FieldKind::Int64, "int64"},     {FieldKind::UInt8, "uint8"},     {FieldKind::UInt16, "uint16"},
    {FieldKind::UInt32, "uint32"},   {FieldKind::Float, "float"},     {FieldKind::Double, "double"},
    {FieldKind::Chars, "chars"},     {FieldKind::WChars, "wchars"},   {FieldKind::Pointer, "pointer"},
    {FieldKind::Struct, "struct"},
};
static_assert(sizeof(kindNames) / sizeof(kindNames[0]) == size_t(FieldKind::Struct));
}  // namespace

const char* fieldKindName(FieldKind kind) {
    for (auto& k : kindNames)
        if (k.kind == kind) return k.name;
    return "?";
}

bool parseFieldKind(const std::string& name, FieldKind* kind) {
    for (auto& k : kindNames)
        if (name == k.name) {
            *kind = k.kind;
            return true;
        }
    return false;
}

/* Type description 'TpDs' (looked up by its type name):
**   OFFSET SIZE  FIELD
**      0     4   format version (1)
**      4     4   record size (bytes)
**      8     4   field count N
**     12     -   type name (str), then N fields:
**
** Field:
**   OFFSET SIZE  FIELD
**      0     4   offset in the record (bytes)
**      4     4   size of one element (bytes)
**      8     4   array count (1 for a single value)
**     12     1   kind (FieldKind: 1 int8 ... 13 struct)
**     13     3   zero
**     16     -   field name (str), struct type name (str, empty unless kind 13) */
int packTypeDescription(const TypeDescriptionRsc& type, std::vector<uint8_t>& out) {
    out.clear();
    Writer w{out};
    w.put32(FORMAT_VERSION);
    w.put32(type.size);
    w.putCount(type.fields.size());
    w.putStr(type.name);
    for (auto& f : type.fields) {
        w.put32(f.offset);
        w.put32(f.size);
        w.put32(f.count);
        w.put8(static_cast<uint32_t>(f.kind));
        w.put8(0);
        w.put16(0);
        w.putStr(f.name);
        w.putStr(f.structType);
    }
    return w.status();
}

int decodeTypeDescription(const uint8_t* data, size_t size, TypeDescriptionRsc& out) {
    Reader r{data, size};
    out = {};
    if (!r.version()) return fail();
    out.size = r.get32();
    size_t n = r.getCount(20);
    out.name = r.getStr();
    out.fields.reserve(n);
    for (size_t i = 0; i < n && !r.bad; ++i) {
        TypeFieldRsc f;
        f.offset = r.get32();
        f.size = r.get32();
        f.count = r.get32();
        uint32_t kind = r.get8();
        r.get8();
        r.get16();
        if (kind < uint32_t(FieldKind::Int8) || kind > uint32_t(FieldKind::Struct)) r.bad = true;
        f.kind = static_cast<FieldKind>(kind);
        f.name = r.getStr();
        f.structType = r.getStr();
        /* What the resource compiler checks when it writes: a field lies inside
        ** its record, or binding an item to it would reach past the record. */
        if (f.size == 0 || f.count == 0 || uint64_t(f.offset) + uint64_t(f.size) * f.count > out.size ||
            (f.kind == FieldKind::Struct) != !f.structType.empty())
            r.bad = true;
        out.fields.push_back(std::move(f));
    }
    return r.finish();
}

}  // namespace sim
