/* The host's resource area: open resource files, resources by type and id,
** string and message lists, the stored formats of dialogs, commands and
** type descriptions, and published variables reached by access strings.
** Builds on base, system and files. */
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/mdldialog.h"
#include "host/mdlresource.h"

/* The host's resource area as other areas of the host see it: open resource
** files, the applications' own files, message lookup, and the decoded forms of
** the structured resources the resource compiler writes (lists, dialogs, menus,
** command tables, rasters, type descriptions) with their packers. The public
** face is host/mdlresource.h. */

namespace sim {

/* ---- Four-character codes ------------------------------------------------ */

/* The codes themselves are the platform's (fourCC and RTYPE_* in
** host/mdlresource.h, ITEMTYPE_* in host/mdldialog.h). */

/* The four characters of CODE; bytes outside printable ASCII become '?'. */
std::string fourCCText(uint32_t code);
/* Parse a four-character TEXT (exactly four bytes) into *CODE. */
bool parseFourCC(const std::string& text, uint32_t* code);

/* ---- Open files ----------------------------------------------------------- */

/* Open DESC's own resource file (desc->resourcePath) for reading and remember
** it as the file searched first on DESC's behalf. 0 when opened or when DESC
** has none; otherwise a status of mdlResource_openFile (console line given). */
int openApplicationResources(MdlDesc* desc);
/* Close DESC's own file and every file still open on its behalf. */
void closeApplicationResources(MdlDesc* desc);
/* DESC's own open file, 0 when none. */
RscFileHandle applicationResourceFile(const MdlDesc* desc);

/* The bytes of resource TYPE, ID from FILE (0: every open file, in the order
** of mdlResource_load) into DATA. RSC_SUCCESS or RSCERR_NOT_FOUND. */
int findResource(uint32_t type, int32_t id, std::vector<uint8_t>& data, RscFileHandle file = 0);
/* Message NUMBER of message list LISTID, searched the same way. */
int findMessage(int32_t listId, int32_t number, std::string& text, RscFileHandle file = 0);

struct ResourceKey {
    uint32_t type;
    int32_t id;
    uint32_t size;
    std::string alias;
};
/* Every resource of FILE, by type then id; empty when FILE is not open. */
std::vector<ResourceKey> listResources(RscFileHandle file);
/* The local path of open FILE; empty when not open. */
std::string resourceFilePath(RscFileHandle file);
/* Open handles, most recently opened first. */
std::vector<RscFileHandle> openResourceFiles();
/* Close every open file and forget the applications' files (tests). */
void closeAllResourceFiles();

/* Test switches. The next COUNT resource writes fail with RSCERR_WRITE_FAILED
** after SKIP more succeed; 0 restores normal service. */
void failResourceWrites(int count, int skip = 0);
/* String lists refuse inserts past LIMIT members; -1 (the default) removes
** the limit. */
void setStringListMemberLimit(int limit);

/* ---- Decoded forms ---------------------------------------------------------
** Each packer answers RSC_SUCCESS or RSCERR_TOO_LARGE (a text over RSC_MAX_TEXT
** bytes, a count that does not fit); each decoder RSC_SUCCESS or
** RSCERR_BAD_RESOURCE for bytes that are short, long or out of range. */

struct Extent {
    int32_t x, y, width, height;
    bool operator==(const Extent&) const = default;
};

struct MessageListRsc {
    std::vector<std::pair<int32_t, std::string>> messages; /* number, text; numbers ascending */
    bool operator==(const MessageListRsc&) const = default;
};
int packMessageList(const MessageListRsc& list, std::vector<uint8_t>& out);
int decodeMessageList(const uint8_t* data, size_t size, MessageListRsc& out);

struct StringListMemberRsc {
    std::string text;
    std::vector<int32_t> info; /* exactly infoFields values */
    bool operator==(const StringListMemberRsc&) const = default;
};
struct StringListRsc {
    int32_t infoFields = 0;
    std::vector<StringListMemberRsc> members;
    bool operator==(const StringListRsc&) const = default;
};
int packStringList(const StringListRsc& list, std::vector<uint8_t>& out);
int decodeStringList(const uint8_t* data, size_t size, StringListRsc& out);

/* Attribute bits of dialogs and items. */
enum : uint32_t {
    DIALOGATTR_MODAL = 0x1,
    DIALOGATTR_RESIZABLE = 0x2,
    DIALOGATTR_NOCLOSE = 0x4,
    ITEMATTR_DISABLED = 0x1,
    ITEMATTR_HIDDEN = 0x2,
    ITEMATTR_READONLY = 0x4,
    ITEMATTR_DEFAULT = 0x8,      /* the push button Enter presses */
    ITEMATTR_MULTISELECT = 0x10, /* list boxes */
    ITEMATTR_SORTED = 0x20,      /* list boxes, option buttons */
};
struct DialogItemEntryRsc {
    int32_t value = 0;
    std::vector<std::string> texts; /* option button: its label; list box: the row's columns */
    bool operator==(const DialogItemEntryRsc&) const = default;
};
struct DialogItemRsc {
    uint32_t type = 0;
    int32_t id = 0;
    std::string label;
    int32_t hookId = 0;
    std::string access;
    uint32_t attributes = 0;
    Extent extent{};
    std::vector<std::pair<std::string, std::string>> properties; /* item-type settings, by name */
    std::vector<DialogItemEntryRsc> entries;
    bool operator==(const DialogItemRsc&) const = default;
};
struct DialogRsc {
    int32_t id = 0; /* the resource id; not stored in the bytes */
    std::string title;
    Extent extent{};
    int32_t hookId = 0;
    uint32_t attributes = 0;
    std::vector<DialogItemRsc> items;
    bool operator==(const DialogRsc&) const = default;
};
int packDialog(const DialogRsc& dialog, std::vector<uint8_t>& out);
int decodeDialog(const uint8_t* data, size_t size, DialogRsc& out);
/* The value of property NAME of ITEM, or null. */
const std::string* itemProperty(const DialogItemRsc& item, const std::string& name);

enum : uint32_t {
    MENUENTRY_SEPARATOR = 0x1, /* a line above the entry */
    MENUENTRY_DISABLED = 0x2,
    MENUENTRY_CHECKED = 0x4,
};
enum : int { MENU_MAX_DEPTH = 8 }; /* submenus nest at most this deep */
struct MenuEntryRsc {
    std::string label;
    int32_t id = 0;            /* searched by the menu functions; 0: none */
    int32_t commandNumber = 0; /* 0: none */
    std::string keyin;         /* run when there is no command number */
    uint32_t flags = 0;
    std::vector<MenuEntryRsc> submenu;
    int32_t hookId = 0;        /* item hook told when the entry is picked; 0: none */
    bool operator==(const MenuEntryRsc&) const = default;
};
struct MenuRsc {
    int32_t id = 0; /* the resource id; not stored */
    std::string title;
    int32_t hookId = 0;
    std::vector<MenuEntryRsc> entries;
    bool operator==(const MenuRsc&) const = default;
};
int packMenu(const MenuRsc& menu, std::vector<uint8_t>& out);
int decodeMenu(const uint8_t* data, size_t size, MenuRsc& out);

struct CommandRsc {
    int32_t number = 0;
    uint32_t flags = 0;
    std::vector<std::string> words; /* the key-in, word by word, upper-case */
    bool operator==(const CommandRsc&) const = default;
};
struct CommandTableRsc {
    std::vector<CommandRsc> commands;
    bool operator==(const CommandTableRsc&) const = default;
};
int packCommandTable(const CommandTableRsc& table, std::vector<uint8_t>& out);
int decodeCommandTable(const uint8_t* data, size_t size, CommandTableRsc& out);

enum class RasterFormat : uint8_t { ColourIndex = 0, Rgb = 1 };
enum : int { RASTER_MAX_SIDE = 1024 };
struct RasterRsc {
    uint16_t width = 0, height = 0;
    RasterFormat format = RasterFormat::ColourIndex;
    std::vector<uint8_t> pixels; /* rows top down; 1 byte (index) or 3 (r, g, b) per pixel */
    bool operator==(const RasterRsc&) const = default;
};
int packRaster(const RasterRsc& raster, std::vector<uint8_t>& out);
int decodeRaster(const uint8_t* data, size_t size, RasterRsc& out);

enum class FieldKind : uint8_t {
    Int8 = 1, Int16, Int32, Int64, UInt8, UInt16, UInt32, Float, Double,
    Chars,   /* char array; count characters */
    WChars,  /* 16-bit wide character array */
    Pointer, /* size as the build's pointer */
    Struct,  /* another described type, named by structType */
};
/* Name of KIND as the sources spell it ("int32", "chars", ...), and back. */
const char* fieldKindName(FieldKind kind);
bool parseFieldKind(const std::string& name, FieldKind* kind);
struct TypeFieldRsc {
    std::string name;
    uint32_t offset = 0;
    FieldKind kind = FieldKind::Int32;
    uint32_t size = 0;  /* bytes of one element */
    uint32_t count = 1; /* array count; 1 for a single value */
    std::string structType;
    bool operator==(const TypeFieldRsc&) const = default;
};
struct TypeDescriptionRsc {
    std::string name;
    uint32_t size = 0; /* the whole record, bytes */
    std::vector<TypeFieldRsc> fields;
    bool operator==(const TypeDescriptionRsc&) const = default;
};
int packTypeDescription(const TypeDescriptionRsc& type, std::vector<uint8_t>& out);
int decodeTypeDescription(const uint8_t* data, size_t size, TypeDescriptionRsc& out);

/* Load and decode from the open files (FILE 0: every open file). RSC_SUCCESS,
** RSCERR_NOT_FOUND or RSCERR_BAD_RESOURCE (with a console line). */
int loadDialog(int32_t id, DialogRsc& out, RscFileHandle file = 0);
int loadMenu(int32_t id, MenuRsc& out, RscFileHandle file = 0);
int loadCommandTable(int32_t id, CommandTableRsc& out, RscFileHandle file = 0);
int loadRaster(uint32_t type, int32_t id, RasterRsc& out, RscFileHandle file = 0);
/* The type description named NAME, from any open file. */
int loadTypeDescription(const std::string& name, TypeDescriptionRsc& out, RscFileHandle file = 0);

}  // namespace sim

struct MdlDesc;

namespace sim {

/* ---- Published variables ------------------------------------------------------ */

/* Read the variable ACCESS names as text: numbers in C's "%d" / "%.17g"
** forms, texts as stored. False with ERROR set when it does not resolve. */
bool readAccess(const std::string& access, std::string& text, std::string& error);
/* Write TEXT to the variable: numbers parsed whole ("12", "2.5", "0x10"),
** texts copied with their terminator and the rest of the field zeroed. A
** text that does not fit or a number that does not parse is refused with
** ERROR set and the variable left alone. */
bool writeAccess(const std::string& access, const std::string& text, std::string& error);
/* A resolved variable's value: a number (integer or not) or a text. */
struct AccessValue {
    bool isText = false;
    bool isInteger = false;
    int64_t integer = 0;
    double number = 0;
    std::string text;
};
/* As readAccess and writeAccess for the items of OWNER's dialogs: OWNER's
** own variables are found first, then every other application's. */
bool readAccessValue(const std::string& access, MdlDesc* owner, AccessValue& value, std::string& error);
bool writeAccessText(const std::string& access, MdlDesc* owner, const std::string& text, std::string& error);
bool writeAccessInteger(const std::string& access, MdlDesc* owner, int64_t value, std::string& error);
/* Forget every symbol set (tests). */
void resetPublished();

}  // namespace sim
