/* Levels, the level library, line styles and text styles by name, the list
** models of colours, styles and weights, and the graphic group counters.
** The tables live in the design file (design/design.h); this file keeps only
** the level library's model reference. */
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "host/mdlelement.h"
#include "host/mdllevel.h"
#include "host/sim/design/design.h"
#include "host/mdldialog.h"
#include "host/sim/base/base.h"

using sim::design::DesignFile;
using sim::design::Level;

struct MdlTextStyle {
    sim::design::TextStyle style;
    double uorPerMaster;
};

namespace {

struct LevelState {
    std::unique_ptr<DgnModel> library;   /* stands for the active file's level library */
};
LevelState state;

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string utf8(const MSWChar* name) { return name ? sim::utf16ToUtf8(name) : std::string(); }

size_t wideLength(const MSWChar* s, size_t max) {
    size_t n = 0;
    while (s && n <= max && s[n]) ++n;
    return n;
}

bool isLibrary(DgnModelRefP model) { return model && model == state.library.get(); }

DgnModel* resolve(DgnModelRefP model) {
    if (isLibrary(model)) return model->file == sim::design::activeFile() ? model : nullptr;
    return model ? model : sim::design::activeModel();
}

/* The level table a model's level calls search first. */
std::vector<Level>* table(DgnModel* m) {
    if (!m || !m->file) return nullptr;
    return isLibrary(m) ? &m->file->levelLibrary : &m->file->levels;
}

/* A level of M by id: its own table first, then the other one (the library
** for a model, since elements of a model may use library levels). */
Level* findById(DgnModel* m, uint32_t id) {
    if (!m || !m->file) return nullptr;
    for (auto* t : {table(m), isLibrary(m) ? nullptr : &m->file->levelLibrary}) {
        if (!t) continue;
        for (Level& l : *t)
            if (l.id == id) return &l;
    }
    return nullptr;
}

Level* findByName(std::vector<Level>& levels, const std::string& name) {
    for (Level& l : levels)
        if (sameName(l.name, name)) return &l;
    return nullptr;
}

uint32_t nextLevelId(const DesignFile& f) {
    uint32_t id = 0;
    for (const Level& l : f.levels) id = std::max(id, l.id);
    for (const Level& l : f.levelLibrary) id = std::max(id, l.id);
    return id + 1;
}

void writeLevels(DgnModel* m) {
    if (m && m->file == sim::design::activeFile()) sim::design::saveLevels();
}

const sim::design::LineStyle* findStyle(DgnModel* m, int32_t number) {
    if (!m) return nullptr;
    for (const auto& s : m->file->lineStyles)
        if (s.number == number) return &s;
    return nullptr;
}

ListModel* newModel(int columns) { return mdlListModel_create(columns); }

/* Append a row with VALUE and TEXT in cell 0. False when out of memory. */
bool addRow(ListModel* model, int64_t value, const std::string& text) {
    ListRow* row = mdlListModel_insertRow(model, -1);
    ListCell* cell = row ? mdlListRow_getCellAtIndex(row, 0) : nullptr;
    return cell && mdlListCell_setLongValue(cell, value) == HOST_SUCCESS &&
           mdlListCell_setStringValue(cell, text.c_str()) == HOST_SUCCESS;
}

ListModel* failed(ListModel* model) {
    mdlListModel_destroy(model);
    return nullptr;
}

sim::design::Settings* settings() {
    DesignFile* f = sim::design::activeFile();
    return f ? &f->settings : nullptr;
}

}  // namespace

namespace sim::level {

uint32_t addLibraryLevel(const std::string& name, int code) {
    DesignFile* f = sim::design::activeFile();
    if (!f || name.empty() || findByName(f->levelLibrary, name)) return 0;
    Level l;
    l.id = nextLevelId(*f);
    l.name = name;
    l.code = code;
    f->levelLibrary.push_back(l);
    sim::design::saveLevels();
    return l.id;
}

void resetForTests() { state.library.reset(); }

static Registration resetRegistration([] { registerReset(ResetStage::Design, resetForTests); });

}  // namespace sim::level

/* ---- Levels ------------------------------------------------------------------------------ */

StatusInt mdlLevel_create(UInt32* levelId, DgnModelRefP model, const MSWChar* name, int code) {
    DgnModel* m = resolve(model);
    size_t n = wideLength(name, MAX_LEVEL_NAME);
    if (!m || isLibrary(m) || m->file->readOnly || n == 0 || n > MAX_LEVEL_NAME) return HOST_ERROR;
    std::string u = utf8(name);
    if (findByName(m->file->levels, u)) return HOST_ERROR;
    Level l;
    l.id = nextLevelId(*m->file);
    l.name = u;
    if (code < 0) {
        code = 0;
        for (const Level& x : m->file->levels) code = std::max(code, x.code + 1);
    }
    l.code = code;
    m->file->levels.push_back(l);
    if (levelId) *levelId = l.id;
    return HOST_SUCCESS;
}

StatusInt mdlLevel_getIdFromName(UInt32* levelId, DgnModelRefP model, const MSWChar* name) {
    DgnModel* m = resolve(model);
    std::vector<Level>* t = table(m);
    if (!t || !name || !name[0]) return HOST_ERROR;
    Level* l = findByName(*t, utf8(name));
    if (!l) return HOST_ERROR;
    if (levelId) *levelId = l->id;
    return HOST_SUCCESS;
}

BoolInt mdlLevel_isValid(DgnModelRefP model, UInt32 levelId) { return findById(resolve(model), levelId) != nullptr; }

StatusInt mdlLevel_getName(MSWChar* name, int size, DgnModelRefP model, UInt32 levelId) {
    Level* l = findById(resolve(model), levelId);
    if (!l || !name || size <= 0) return HOST_ERROR;
    sim::copyFixed(name, size, sim::utf8ToUtf16(l->name));
    return HOST_SUCCESS;
}

StatusInt mdlLevel_getCode(int* code, DgnModelRefP model, UInt32 levelId) {
    Level* l = findById(resolve(model), levelId);
    if (!l || !code) return HOST_ERROR;
    *code = l->code;
    return HOST_SUCCESS;
}

int mdlLevel_getCount(DgnModelRefP model) {
    std::vector<Level>* t = table(resolve(model));
    return t ? static_cast<int>(t->size()) : 0;
}

StatusInt mdlLevel_getIdAtIndex(UInt32* levelId, DgnModelRefP model, int index) {
    std::vector<Level>* t = table(resolve(model));
    if (!t || !levelId || index < 0 || index >= static_cast<int>(t->size())) return HOST_ERROR;
    std::vector<uint32_t> ids;
    for (const Level& l : *t) ids.push_back(l.id);
    std::sort(ids.begin(), ids.end());
    *levelId = ids[static_cast<size_t>(index)];
    return HOST_SUCCESS;
}

DgnModelRefP mdlLevelLibrary_getModelRef(void) {
    DesignFile* f = sim::design::activeFile();
    if (!f) {
        state.library.reset();
        return nullptr;
    }
    if (!state.library || state.library->file != f) {
        state.library = std::make_unique<DgnModel>();
        state.library->file = f;
        state.library->id = -1;
        state.library->name = "Level Library";
        state.library->isReference = true;
    }
    return state.library.get();
}

StatusInt mdlLevel_setElementSymbology(DgnModelRefP model, UInt32 levelId, const UInt32* colour, const Int32* style,
                                       const void* styleParams, const UInt32* weight, const UInt32* fillColour) {
    (void)fillColour;
    Level* l = findById(resolve(model), levelId);
    if (!l || styleParams) return HOST_ERROR;
    if (colour) l->colour = *colour;
    if (style) l->style = *style;
    if (weight) l->weight = *weight;
    return HOST_SUCCESS;
}

StatusInt mdlLevel_getElementSymbology(UInt32* colour, Int32* style, void* styleParams, UInt32* weight,
                                       UInt32* fillColour, DgnModelRefP model, UInt32 levelId) {
    (void)styleParams;
    Level* l = findById(resolve(model), levelId);
    if (!l) return HOST_ERROR;
    if (colour) *colour = l->colour;
    if (style) *style = l->style;
    if (weight) *weight = l->weight;
    if (fillColour) *fillColour = l->colour;
    return HOST_SUCCESS;
}

StatusInt mdlLevel_setSymbology(DgnModelRefP model, UInt32 levelId, const UInt32* colour, const Int32* style,
                                const UInt32* weight) {
    Level* l = findById(resolve(model), levelId);
    if (!l) return HOST_ERROR;
    if (colour) l->overrideColour = *colour;
    if (style) l->overrideStyle = *style;
    if (weight) l->overrideWeight = *weight;
    return HOST_SUCCESS;
}

StatusInt mdlLevel_getSymbology(UInt32* colour, Int32* style, UInt32* weight, DgnModelRefP model, UInt32 levelId) {
    Level* l = findById(resolve(model), levelId);
    if (!l) return HOST_ERROR;
    if (colour) *colour = l->overrideColour;
    if (style) *style = l->overrideStyle;
    if (weight) *weight = l->overrideWeight;
    return HOST_SUCCESS;
}

StatusInt mdlLevel_setOverrideSymbologyOn(DgnModelRefP model, UInt32 levelId, BoolInt on) {
    Level* l = findById(resolve(model), levelId);
    if (!l) return HOST_ERROR;
    l->overridesOn = on != 0;
    return HOST_SUCCESS;
}

StatusInt mdlLevelTable_rewrite(DgnModelRefP model) {
    DgnModel* m = resolve(model);
    if (!m || !m->file || m->file->readOnly || m->file != sim::design::activeFile()) return HOST_ERROR;
    writeLevels(m);
    return HOST_SUCCESS;
}

/* ---- Line styles --------------------------------------------------------------------------- */

StatusInt mdlLineStyle_numberFromName(Int32* number, const char* name, DgnModelRefP model) {
    DgnModel* m = resolve(model);
    if (!m || !name || !name[0] || !number) return HOST_ERROR;
    for (const auto& s : m->file->lineStyles)
        if (sameName(s.name, name)) {
            *number = s.number;
            return HOST_SUCCESS;
        }
    return HOST_ERROR;
}

StatusInt mdlLineStyle_nameFromNumber(char* name, int size, Int32 number, DgnModelRefP model) {
    const sim::design::LineStyle* s = findStyle(resolve(model), number);
    if (!s || !name || size <= 0) return HOST_ERROR;
    sim::copyFixed(name, size, s->name);
    return HOST_SUCCESS;
}

/* ---- Text styles ----------------------------------------------------------------------------- */

MdlTextStyle* mdlTextStyle_getByName(const MSWChar* name, DgnModelRefP model) {
    DgnModel* m = resolve(model);
    if (!m || !name || !name[0]) return nullptr;
    std::string u = utf8(name);
    for (const auto& t : m->file->textStyles)
        if (sameName(t.name, u)) return new (std::nothrow) MdlTextStyle{t, m->file->units.uorPerMaster};
    return nullptr;
}

void mdlTextStyle_free(MdlTextStyle* style) { delete style; }

StatusInt mdlTextStyle_getTextParamWideFromStyle(TextParamWide* params, double* width, double* height,
                                                 const MdlTextStyle* style) {
    if (!style) return HOST_ERROR;
    const sim::design::TextStyle& t = style->style;
    if (params) {
        std::memset(params, 0, sizeof *params);
        params->font = t.font;
        params->just = t.justification;
        params->textStyleId = static_cast<Int32>(t.id);
        params->viewIndependent = -1;
        params->lineSpacing = t.lineSpacing * style->uorPerMaster;
        if (t.slant != 0.0) {
            params->flags |= TXTPARAM_SLANT;
            params->slant = t.slant * M_PI / 180.0;
        }
    }
    if (width) *width = t.width * style->uorPerMaster;
    if (height) *height = t.height * style->uorPerMaster;
    return HOST_SUCCESS;
}

/* ---- List models -------------------------------------------------------------------------------- */

ListModel* mdlLevelList_getColorListModel(DgnModelRefP model) {
    DgnModel* m = resolve(model);
    if (!m) return nullptr;
    ListModel* lm = newModel(2);
    if (!lm || !addRow(lm, COLOR_BYLEVEL, "ByLevel")) return failed(lm);
    for (int i = 0; i < 256; ++i) {
        if (!addRow(lm, i, std::to_string(i))) return failed(lm);
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%06X", m->file->colours[i] & 0xFFFFFF);
        ListCell* c = mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(lm, i + 1), 1);
        if (!c || mdlListCell_setLongValue(c, m->file->colours[i]) != HOST_SUCCESS ||
            mdlListCell_setStringValue(c, hex) != HOST_SUCCESS)
            return failed(lm);
    }
    return lm;
}

ListModel* mdlLevelList_getStyleListModel(DgnModelRefP model) {
    DgnModel* m = resolve(model);
    if (!m) return nullptr;
    ListModel* lm = newModel(1);
    if (!lm || !addRow(lm, STYLE_BYLEVEL, "ByLevel")) return failed(lm);
    for (int i = 0; i < 8; ++i)
        if (!addRow(lm, i, std::to_string(i))) return failed(lm);
    for (const auto& s : m->file->lineStyles)
        if (s.number < 0 && !addRow(lm, LINESTYLE_CUSTOM_ROW, s.name)) return failed(lm);
    return lm;
}

ListModel* mdlLevelList_getWeightListModel(DgnModelRefP model) {
    if (!resolve(model)) return nullptr;
    ListModel* lm = newModel(1);
    if (!lm || !addRow(lm, WEIGHT_BYLEVEL, "ByLevel")) return failed(lm);
    for (int i = 0; i < 32; ++i)
        if (!addRow(lm, i, std::to_string(i))) return failed(lm);
    return lm;
}

namespace {

/* The host draws every font with one face; these are the fonts it offers by name. */
const std::pair<int, const char*> HOST_FONTS[] = {
    {0, "Sans"}, {1, "Sans narrow"}, {3, "Block"}, {23, "Slanted"}, {105, "Isometric"},
};

}  // namespace

ListModel* mdlLevelList_getFontListModel(DgnModelRefP model) {
    DgnModel* m = resolve(model);
    if (!m) return nullptr;
    std::map<int, std::string> fonts;
    for (const auto& [number, name] : HOST_FONTS) fonts[number] = name;
    auto named = [&](int number) { fonts.try_emplace(number, "Font " + std::to_string(number)); };
    for (const auto& t : m->file->textStyles) named(t.font);
    if (const sim::design::Settings* s = settings()) named(s->activeFont);
    ListModel* lm = newModel(2);
    if (!lm) return nullptr;
    int row = 0;
    for (const auto& [number, name] : fonts) {
        if (!addRow(lm, number, std::to_string(number))) return failed(lm);
        ListCell* c = mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(lm, row++), 1);
        if (!c || mdlListCell_setLongValue(c, number) != HOST_SUCCESS || mdlListCell_setStringValue(c, name.c_str()) != HOST_SUCCESS)
            return failed(lm);
    }
    return lm;
}

ListModel* mdlLevelList_getTextStyleListModel(DgnModelRefP model) {
    DgnModel* m = resolve(model);
    if (!m) return nullptr;
    ListModel* lm = newModel(1);
    if (!lm || !addRow(lm, -1, "(none)") || !addRow(lm, 0, "(active)")) return failed(lm);
    for (const auto& t : m->file->textStyles)
        if (!addRow(lm, t.id, t.name)) return failed(lm);
    return lm;
}

/* ---- Graphic groups ------------------------------------------------------------------------------ */

UInt32 mdlSystem_getGraphicGroup(void) { return settings() ? settings()->graphicGroup : 0; }

void mdlSystem_setGraphicGroup(UInt32 group) {
    if (settings()) settings()->graphicGroup = group;
}

UInt32 mdlSystem_getNextGraphicGroup(void) { return settings() ? settings()->nextGraphicGroup : 1; }

void mdlSystem_setNextGraphicGroup(UInt32 next) {
    if (settings()) settings()->nextGraphicGroup = next;
}

void mdlSystem_updateGraphicGroup(void) {
    sim::design::Settings* s = settings();
    if (!s) return;
    /* The next number must never hand out a group that is in use. */
    if (s->nextGraphicGroup <= s->graphicGroup) s->nextGraphicGroup = s->graphicGroup + 1;
    if (s->nextGraphicGroup == 0) s->nextGraphicGroup = 1;
    sim::design::saveSettings();
}
