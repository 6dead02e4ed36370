/* The settings record: its defaults, the application's attributes, the
** settings resources of a settings file, and the default set-up list. */
#include "app/settings.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/dimtext.h"
#include "app/messages.h"
#include "app/resourceids.h"
#include "app/tarvikstate.h"
#include "host/mdldialog.h"
#include "host/mdlsystem.h"
#include "lib/core/resource.h"
#include "lib/core/text_int.h"
#include "lib/core/util.h"
#include "lib/elements/attrstore.h"
#include "lib/elements/elmattr.h"
#include "lib/elements/support_int.h"
#include "lib/zmlib_api.h"

namespace {

/* The settings of resource 4 as a file without it means them: off. */
void settings_setTextDefaults(UserInterfaceData* settings) {
    settings->measuredTexts = 0;
    settings->measuredDecimals = 0;
    settings->measuredUnits = MEASURED_IN_MASTER;
    settings->skewLegDimensions = 0;
}

std::string message(int number) {
    char buffer[1024] = "";
    mdlOutput_rscsPrintf(buffer, 0, SETTINGS_MESSAGE_LIST, number);
    return buffer;
}

/* A length read from a settings file replaces the current one only inside
** the range the settings dialog allows (NaN is outside every range): a
** damaged file must not draw dimensions with gaps of 1e300. */
void takeInRange(double& field, double value, const char* name, double low, double high) {
    if (value >= low && value <= high) {
        field = value;
        return;
    }
    char text[1024] = "";
    mdlOutput_rscsPrintf(text, 0, SETTINGS_MESSAGE_LIST, SETTINGS_MESSAGE_OUT_OF_RANGE, name, value, low, high, field);
    mdlOutput_printf(MSG_ERROR, "%s", text);
}

}  // namespace

void settings_setDefaults(UserInterfaceData* settings) {
    zmlib::copyFixed(settings->dimText, "100.0");
    DimensionRecord& t = settings->dimTemplate;
    t.lineOffset = 0.0;
    t.extensionGap = 1.0;
    t.extensionOvershoot = 2.0;
    t.textGap = 1.0;
    t.terminatorType = 2;
    t.terminatorLength = 3.0;
    t.terminatorWidth = 2.0;
    t.textMargin = 2.5;
    t.minArrowSpace = 2.0;
    t.dimFlags = 3;
    settings->hatchAngle = 30;
    settings->hatchSpacing = 2.0;
    settings->defaultSetupIndex = 0;
    settings_setTextDefaults(settings);
}

/* ---- Settings resources ---------------------------------------------------------------- */

using zmlib::elements::get4sle;
using zmlib::elements::get8le;
using zmlib::elements::put4le;
using zmlib::elements::put8le;

/* Resource 2, 80 bytes, little-endian:
**   OFFSET SIZE  FIELD
**      0     8   lineOffset
**      8     8   extensionGap
**     16     8   extensionOvershoot
**     24     8   textGap
**     32     4   terminatorType
**     36     4   reserved (zero)
**     40     8   terminatorLength
**     48     8   terminatorWidth
**     56     8   textMargin
**     64     8   minArrowSpace
**     72     4   dimFlags
**     76     4   reserved (zero)                                    */
void settings_packTemplate(unsigned char* out, const UserInterfaceData* settings) {
    const DimensionRecord& t = settings->dimTemplate;
    std::memset(out, 0, SETTINGS_RESOURCE_TEMPLATE_SIZE);
    put8le(out + 0, t.lineOffset);
    put8le(out + 8, t.extensionGap);
    put8le(out + 16, t.extensionOvershoot);
    put8le(out + 24, t.textGap);
    put4le(out + 32, static_cast<uint32_t>(t.terminatorType));
    put8le(out + 40, t.terminatorLength);
    put8le(out + 48, t.terminatorWidth);
    put8le(out + 56, t.textMargin);
    put8le(out + 64, t.minArrowSpace);
    put4le(out + 72, static_cast<uint32_t>(t.dimFlags));
}

void settings_unpackTemplate(UserInterfaceData* settings, const unsigned char* in) {
    DimensionRecord& t = settings->dimTemplate;
    takeInRange(t.lineOffset, get8le(in + 0), "lineOffset", -SETTINGS_LENGTH_LIMIT, SETTINGS_LENGTH_LIMIT);
    takeInRange(t.extensionGap, get8le(in + 8), "extensionGap", -1000, 1000);
    takeInRange(t.extensionOvershoot, get8le(in + 16), "extensionOvershoot", -1000, 1000);
    takeInRange(t.textGap, get8le(in + 24), "textGap", -1000, 1000);
    t.terminatorType = get4sle(in + 32);
    takeInRange(t.terminatorLength, get8le(in + 40), "terminatorLength", 0, 1000);
    takeInRange(t.terminatorWidth, get8le(in + 48), "terminatorWidth", 0, 1000);
    takeInRange(t.textMargin, get8le(in + 56), "textMargin", 0, 1000);
    takeInRange(t.minArrowSpace, get8le(in + 64), "minArrowSpace", 0, 1000);
    t.dimFlags = get4sle(in + 72);
}

/* Resource 3, 16 bytes, little-endian:
**   OFFSET SIZE  FIELD
**      0     4   hatchAngle (written, never read back)
**      4     4   reserved (zero)
**      8     8   hatchSpacing                                        */
void settings_packHatch(unsigned char* out, const UserInterfaceData* settings) {
    std::memset(out, 0, SETTINGS_RESOURCE_HATCH_SIZE);
    put4le(out, static_cast<uint32_t>(settings->hatchAngle));
    put8le(out + 8, settings->hatchSpacing);
}

void settings_unpackHatch(UserInterfaceData* settings, const unsigned char* in) {
    takeInRange(settings->hatchSpacing, get8le(in + 8), "hatchSpacing", 0.1, 1000);
}

/* Resource 4, 16 bytes, little-endian:
**   OFFSET SIZE  FIELD
**      0     4   measuredTexts (0 off, 1 on)
**      4     4   measuredDecimals
**      8     4   skewLegDimensions (0 off, 1 on)
**     12     4   measuredUnits (0 master units, 1 sub-units; files
**                  written before sub-units existed hold zero here)  */
void settings_packTexts(unsigned char* out, const UserInterfaceData* settings) {
    std::memset(out, 0, SETTINGS_RESOURCE_TEXTS_SIZE);
    put4le(out, static_cast<uint32_t>(settings->measuredTexts));
    put4le(out + 4, static_cast<uint32_t>(settings->measuredDecimals));
    put4le(out + 8, static_cast<uint32_t>(settings->skewLegDimensions));
    put4le(out + 12, static_cast<uint32_t>(settings->measuredUnits));
}

void settings_unpackTexts(UserInterfaceData* settings, const unsigned char* in) {
    settings->measuredTexts = get4sle(in) != 0;
    settings->measuredDecimals = std::clamp(get4sle(in + 4), 0, int32_t(DIMTEXT_MAX_DECIMALS));
    settings->skewLegDimensions = get4sle(in + 8) != 0;
    settings->measuredUnits = get4sle(in + 12) == MEASURED_IN_SUB ? MEASURED_IN_SUB : MEASURED_IN_MASTER;
}

/* ---- Attributes ------------------------------------------------------------------------ */

namespace {

struct AttributeRow {
    int id;
    int message;
    int group;
    int kind;
    int propertyArgument;
};

const AttributeRow attributeRows[] = {
    {1, 3, 0, 1, 16},
    {2, 4, 0, 1, 16},
    {3, 5, 0, 1, 16},
    {4, 6, 0, 4, 0x2090},
    {5, 7, 1, 1, 16},
    {6, 8, 1, 1, 16},
};

}  // namespace

void settings_registerAttributes() {
    std::string dimensions = message(1), triangles = message(2);
    zmlibElmAttr_setGroupeNames(2, dimensions.c_str(), 0, 1, triangles.c_str(), 1, 1);
    for (const AttributeRow& row : attributeRows) {
        ZmAttributeData data{};
        data.colour = row.id == 6 ? 1 : 2;
        data.lineStyle = 0;
        data.weight = row.id == 6 ? 0 : 1;
        data.elementClass = 0;
        data.applyMask = ZMATTR_COLOUR | ZMATTR_LINESTYLE | ZMATTR_WEIGHT;
        if (row.kind == 4) {
            data.font = 105;
            data.textHeight = 2.5;
            data.textWidth = 2.5;
            data.justification = 8;
            data.lineSpacing = 0.56;
            data.applyMask = 231;
        }
        zmlibElmAttr_addAttribute(row.id, message(row.message).c_str(), row.group, row.kind, row.propertyArgument,
                                  nullptr, 0, &data);
    }
}

/* ---- Load and save --------------------------------------------------------------------- */

int settings_load(char* path, bool ask) {
    UserInterfaceData* settings = tarvik().settings;
    if (!settings || !path) return ZMLIB_ERROR;
    std::string title = message(12);
    if (ask) {
        /* Pick into a copy: a cancelled dialog leaves PATH as it was. */
        char chosen[MAXFILELENGTH];
        zmlib::copyFixed(chosen, path);
        if (int status = mdlDialog_fileOpen(chosen, 0, 0, path, "*.rsc", nullptr, title.c_str())) return status;
        zmlib::copyFixed(path, MAXFILELENGTH, chosen);
    } else if (!path[0] || mdlFile_find(nullptr, path, nullptr, nullptr) != 0) {
        return 0;
    }
    ZmResourceFile file{};
    if (int status = zmlibResource_openFile(&file, path, 0)) return status;
    unsigned char buffer[SETTINGS_RESOURCE_TEMPLATE_SIZE];
    if (zmlibResource_load(&file, SETTINGS_RESOURCE_TYPE, SETTINGS_RESOURCE_TEMPLATE, buffer,
                           SETTINGS_RESOURCE_TEMPLATE_SIZE) == 0)
        settings_unpackTemplate(settings, buffer);
    if (zmlibResource_load(&file, SETTINGS_RESOURCE_TYPE, SETTINGS_RESOURCE_HATCH, buffer,
                           SETTINGS_RESOURCE_HATCH_SIZE) == 0)
        settings_unpackHatch(settings, buffer);
    else
        settings->hatchSpacing = 2.0;
    if (zmlibResource_load(&file, SETTINGS_RESOURCE_TYPE, SETTINGS_RESOURCE_TEXTS, buffer,
                           SETTINGS_RESOURCE_TEXTS_SIZE) == 0)
        settings_unpackTexts(settings, buffer);
    else
        settings_setTextDefaults(settings);
    zmlibResource_closeFile(&file);
    int status = zmlibElmAttr_readResource(path);
    if (DialogBox* db = mdlDialog_find(DIALOG_SETTINGS, nullptr)) mdlDialog_itemsSynch(db);
    return status;
}

int settings_save(char* path, bool ask) {
    UserInterfaceData* settings = tarvik().settings;
    if (!settings || !path) return ZMLIB_ERROR;
    std::string title = message(13);
    if (ask) {
        char chosen[MAXFILELENGTH];
        zmlib::copyFixed(chosen, path);
        if (int status = mdlDialog_fileCreate(chosen, 0, 0, path, "*.rsc", nullptr, title.c_str())) return status;
        zmlib::copyFixed(path, MAXFILELENGTH, chosen);
    }
    ZmResourceFile file{};
    if (int status = zmlibResource_openFile(&file, path, 1)) return status;
    unsigned char templ[SETTINGS_RESOURCE_TEMPLATE_SIZE], hatch[SETTINGS_RESOURCE_HATCH_SIZE];
    unsigned char texts[SETTINGS_RESOURCE_TEXTS_SIZE];
    settings_packTemplate(templ, settings);
    settings_packHatch(hatch, settings);
    settings_packTexts(texts, settings);
    int status = zmlibResource_add(&file, SETTINGS_RESOURCE_TYPE, SETTINGS_RESOURCE_TEMPLATE, templ, sizeof templ, nullptr);
    int hatchStatus = zmlibResource_add(&file, SETTINGS_RESOURCE_TYPE, SETTINGS_RESOURCE_HATCH, hatch, sizeof hatch, nullptr);
    int textsStatus = zmlibResource_add(&file, SETTINGS_RESOURCE_TYPE, SETTINGS_RESOURCE_TEXTS, texts, sizeof texts, nullptr);
    zmlibResource_closeFile(&file);
    /* A resource that could not be written is a failed save, not a success. */
    if (status) return status;
    if (hatchStatus) return hatchStatus;
    if (textsStatus) return textsStatus;
    return zmlibElmAttr_writeResource(path);
}

/* ---- Default set-up list --------------------------------------------------------------- */

namespace {

struct SetupEntry {
    std::string label;
    std::string file;   /* empty for an entry without a file part */
};

struct SetupState {
    std::vector<SetupEntry> entries;
};
SetupState setups;

std::string trim(std::string_view text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

void settings_freeSetupList() { setups = SetupState{}; }

void settings_readSetupList() {
    settings_freeSetupList();
    char value[514] = "";
    if (mdlSystem_getCfgVar(value, "ZMTV_MENU_ITEM", sizeof value) != 0) {
        mdlDialog_openInfoBox("Cannot read config file");
        return;
    }
    char* expanded = mdlSystem_expandCfgVar(value);
    if (!expanded) return;
    int count = 0;
    char** tokens = zmlibString_tokenize(&count, expanded, ";");
    for (int i = 0; tokens && i < count; ++i) {
        std::string_view entry = tokens[i];
        size_t comma = entry.find(',');
        SetupEntry e;
        e.label = trim(entry.substr(0, comma));
        if (comma != std::string_view::npos) e.file = trim(entry.substr(comma + 1));
        if (e.label.empty() && e.file.empty()) continue;
        setups.entries.push_back(std::move(e));
    }
    zmlibString_freeTokenList(tokens, count);
    dlmSystem_mdlFree(expanded);
}

int settings_setupCount() { return static_cast<int>(setups.entries.size()); }

const char* settings_setupLabel(int index) {
    return index >= 0 && index < settings_setupCount() ? setups.entries[index].label.c_str() : nullptr;
}

const char* settings_setupFile(int index) {
    return index >= 0 && index < settings_setupCount() ? setups.entries[index].file.c_str() : nullptr;
}

void settings_applyDefaultSetup() {
    TarvikState& t = tarvik();
    if (!t.settings || !t.gd) return;
    const char* file = settings_setupFile(t.settings->defaultSetupIndex);
    if (!file || !file[0]) return;
    char found[MAXFILELENGTH];
    /* A file that is not found keeps the current settings file and loads nothing. */
    if (mdlFile_find(found, file, "ZM_DATA", nullptr) != 0) return;
    zmlib::copyFixed(t.gd->settingsFile, found);
    settings_load(t.gd->settingsFile, false);
    if (DialogBox* db = mdlDialog_find(DIALOG_DEFAULT_SETUPS, nullptr)) mdlDialog_itemsSynch(db);
}

int settings_selectSetupForSettingsFile() {
    TarvikState& t = tarvik();
    if (!t.settings || !t.gd) return -1;
    /* The trace lines keep the wording maintainers know. */
    tarvik_debugPrintf("finnOgSettTilDefaultOppsett: gd->settingsFile = '%s'\n", t.gd->settingsFile);
    std::string_view settingsFile = t.gd->settingsFile;
    for (int i = 0; i < settings_setupCount(); ++i) {
        const std::string& file = setups.entries[i].file;
        tarvik_debugPrintf("finnOgSettTilDefaultOppsett: file = '%s'\n", file.c_str());
        /* An entry without a file would match every path. */
        if (!file.empty() && settingsFile.find(file) != std::string_view::npos) {
            t.settings->defaultSetupIndex = i;
            return 0;
        }
    }
    t.settings->defaultSetupIndex = 0;
    return -1;
}

void settings_fillOptionButton(DialogItem* item) {
    TarvikState& t = tarvik();
    if (!item || !t.settings || !t.gd) return;
    std::string other = message(14);
    if (mdlDialog_optionButtonGetCount(item) > 0) mdlDialog_optionButtonDeleteItem(item, -1);
    int count = settings_setupCount();
    for (int i = 0; i < count; ++i) mdlDialog_optionButtonInsertItem(item, -1, setups.entries[i].label.c_str(), 0, 0, i);
    std::string label = other;
    if (t.settings->defaultSetupIndex > count) label = other + ", " + t.gd->settingsFile;
    mdlDialog_optionButtonInsertItem(item, -1, label.c_str(), 0, 0, count);
}
