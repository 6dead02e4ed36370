/* Cell libraries: attaching the active library, library objects, iterating
** their cell models and building a cell descriptor from a cell model. */
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"

using namespace sim::elem;

namespace {

StatusInt copyText(const std::string& utf8, MSWChar* out, int size) {
    if (!out || size <= 0) return HOST_ERROR;
    sim::copyFixed(out, size, sim::utf8ToUtf16(utf8));
    return HOST_SUCCESS;
}

}  // namespace

StatusInt mdlCell_attachLibraryEx(char* fullName, const char* fileName, int option1, int option2, int option3) {
    (void)option1, (void)option2, (void)option3;
    if (!fileName || !*fileName) return HOST_ERROR;
    std::string full, error;
    if (!sim::design::attachLibrary(fileName, full, error)) {
        sim::addOutput(sim::OutputKind::Host, 0, "cell library: " + error);
        return HOST_ERROR;
    }
    if (fullName) sim::copyFixed(fullName, MAXFILELENGTH, full);
    return HOST_SUCCESS;
}

StatusInt mdlCell_getActiveLibraryName(char* fileName, int size) {
    sim::design::DesignFile* lib = sim::design::cellLibrary();
    if (!fileName || size <= 0) return HOST_ERROR;
    fileName[0] = 0;
    if (!lib) return HOST_ERROR;
    sim::copyFixed(fileName, size, lib->name);
    return HOST_SUCCESS;
}

StatusInt mdlCell_getLibraryObject(DgnFileP* out, const char* fileName, BoolInt readOnly) {
    (void)readOnly;   /* library objects are only read */
    if (!out) return HOST_ERROR;
    std::string name = fileName && *fileName ? fileName : std::string();
    if (name.empty()) {
        sim::design::DesignFile* lib = sim::design::cellLibrary();
        if (!lib) return HOST_ERROR;
        name = lib->name;
    }
    std::string error;
    std::unique_ptr<sim::design::DesignFile> f = sim::design::load(name, true, error);
    if (!f) return HOST_ERROR;
    *out = f.release();
    return HOST_SUCCESS;
}

void mdlCell_freeLibraryObject(DgnFileP* library) {
    if (!library) return;
    delete *library;
    *library = nullptr;
}

StatusInt mdlDgnFile_createModelIterator(ModelRefIteratorP* out, DgnFileP file, int flags) {
    if (!out || !file) return HOST_ERROR;
    auto* it = new (std::nothrow) ModelRefIterator();
    if (!it) return HOST_ERROR;
    for (auto& m : file->models)
        if (!(flags & MODEL_ITERATE_CELLS) || m->isCell) it->models.push_back(m.get());
    *out = it;
    return HOST_SUCCESS;
}

StatusInt mdlModelRef_getModelName(DgnModelRefP model, MSWChar* name, int size) {
    return model ? copyText(model->name, name, size) : HOST_ERROR;
}

StatusInt mdlModelRef_getModelDescription(DgnModelRefP model, MSWChar* description, int size) {
    return model ? copyText(model->description, description, size) : HOST_ERROR;
}

BoolInt mdlModelRef_isCellModel(DgnModelRefP model) { return model && model->isCell; }

StatusInt mdlCell_getElmDscr(MSElementDescr** out, const MSWChar* cellName, DgnFileP library, int flags) {
    if (!out || !cellName) return HOST_ERROR;
    DgnFile* lib = library ? library : sim::design::cellLibrary();
    if (!lib) return HOST_ERROR;
    std::string wanted = sim::utf16ToUtf8(cellName);
    DgnModel* model = nullptr;
    for (auto& m : lib->models)
        if (m->isCell && m->name == wanted) model = m.get();
    if (!model) return HOST_ERROR;
    MSElement header;
    std::u16string wname = sim::utf8ToUtf16(model->name), wdesc = sim::utf8ToUtf16(model->description);
    const Dpoint3d origin{0, 0, 0};
    /* The header is built in world coordinates whatever frame is open. */
    Transform* toWorld = nullptr;
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    StatusInt built = mdlCell_create(&header, wname.c_str(), &origin, (flags & CELL_FLAG_POINT) != 0);
    mdlCurrTrans_getAddresses(&toWorld, nullptr);
    mdlCurrTrans_end();
    if (built != HOST_SUCCESS || (!wdesc.empty() && mdlCell_setDescription(&header, wdesc.c_str()) != HOST_SUCCESS))
        return HOST_ERROR;
    MSElementDescr* cell = nullptr;
    if (mdlElmdscr_new(&cell, nullptr, &header) != HOST_SUCCESS) return HOST_ERROR;
    for (uint32_t pos = 1; pos <= model->slots.size();) {
        const sim::design::Slot* s = sim::design::slot(model, pos);
        if (!s || s->deleted || s->component) {
            ++pos;
            continue;
        }
        MSElementDescr* part = sim::design::readTree(model, pos, true);
        if (!part) {
            mdlElmdscr_freeAll(&cell);
            return HOST_ERROR;
        }
        part->filePos = 0;
        mdlElmdscr_appendDscr(cell, part);
    }
    if (mdlElmdscr_validate(cell, nullptr) != HOST_SUCCESS) {
        mdlElmdscr_freeAll(&cell);
        return HOST_ERROR;
    }
    *out = cell;
    return HOST_SUCCESS;
}
