/* The platform's file access calls on the active design file: adding,
** reading, rewriting and deleting elements and descriptors, modify, undo,
** models and references with their iterator. Everything goes through the
** models and journal of design_model.cpp; this file keeps no state. */
#include <cstring>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/design/design_int.h"

using namespace sim::elem;
using namespace sim::design;

UInt32 mdlElement_add(MSElement* element) {
    DgnModel* m = activeModel();
    if (!element || !m || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return 0;
    if (isComplexType(type(element->bytes))) {
        /* A header alone would claim the elements that follow it. */
        uint32_t count = get4(element->bytes + (type(element->bytes) == CELL_HEADER_ELM ? C_COUNT : X_COUNT));
        if (count != 0) return 0;
    }
    uint32_t pos = storeElement(m, 0, element->bytes, false);
    if (pos) {
        const uint8_t* stored = slot(m, pos)->data;
        std::memcpy(element->bytes + H_TYPE, stored + H_TYPE, 4);
        std::memcpy(element->bytes + H_ID, stored + H_ID, 16);
    }
    return pos;
}

StatusInt mdlElement_read(MSElement* out, DgnModelRefP model, UInt32 filePos) {
    DgnModel* m = model ? model : activeModel();
    const Slot* s = slot(m, filePos);
    if (!out || !s || s->deleted) return HOST_ERROR;
    std::memcpy(out->bytes, s->data, sizeBytes(s->data));
    return HOST_SUCCESS;
}

UInt32 mdlElement_rewrite(MSElement* newElement, const MSElement* oldElement, UInt32 filePos) {
    (void)oldElement;
    DgnModel* m = activeModel();
    const Slot* s = slot(m, filePos);
    if (!newElement || !s || s->deleted || !wellFormed(newElement->bytes, MAX_ELEMENT_SIZE)) return 0;
    /* A header must keep the number of components that follow it. */
    if (isComplexType(s->type) != isComplexType(type(newElement->bytes))) return 0;
    if (isComplexType(s->type)) {
        int off = s->type == CELL_HEADER_ELM ? C_COUNT : X_COUNT;
        int noff = type(newElement->bytes) == CELL_HEADER_ELM ? C_COUNT : X_COUNT;
        if (get4(s->data + off) != get4(newElement->bytes + noff)) return 0;
    }
    uint32_t pos = storeElement(m, filePos, newElement->bytes, s->component);
    if (pos) std::memcpy(newElement->bytes + H_ID, slot(m, pos)->data + H_ID, 16);
    return pos;
}

StatusInt mdlElement_undoableDelete(MSElement* element, UInt32 filePos, BoolInt display) {
    DgnModel* m = activeModel();
    const Slot* s = slot(m, filePos);
    if (!s || s->deleted) return HOST_ERROR;
    if (display) {
        uint32_t pos = filePos;
        MSElementDescr* d = readTree(m, pos, false);
        if (d) {
            mdlElmdscr_display(d, m, 1);
            mdlElmdscr_freeAll(&d);
        }
    }
    (void)element;
    return deleteElement(m, filePos) ? HOST_SUCCESS : HOST_ERROR;
}

StatusInt mdlElmdscr_undoableDelete(MSElementDescr* descr, UInt32 filePos, BoolInt display) {
    if (display && descr) mdlElmdscr_display(descr, activeModel(), 1);
    return mdlElement_undoableDelete(nullptr, filePos, 0);
}

namespace {

/* Add one chain; components follow their header. Answers the first position. */
uint32_t addChain(DgnModel* m, MSElementDescr* d, bool component, bool& ok) {
    uint32_t first = 0;
    for (; d && ok; d = d->next) {
        uint32_t pos = storeElement(m, 0, d->el.bytes, component);
        if (!pos) {
            ok = false;
            break;
        }
        d->filePos = pos;
        d->modelRef = m;
        std::memcpy(d->el.bytes + H_ID, slot(m, pos)->data + H_ID, 16);
        if (!first) first = pos;
        if (isComplexType(type(d->el.bytes))) addChain(m, d->firstChild, true, ok);
    }
    return first;
}

}  // namespace

UInt32 mdlElmdscr_add(MSElementDescr* descr) {
    DgnModel* m = activeModel();
    if (!descr || !m || m->file->readOnly) return 0;
    if (mdlElmdscr_validate(descr, m) != HOST_SUCCESS) return 0;
    Change c;
    uint32_t before = static_cast<uint32_t>(m->slots.size());
    bool ok = true;
    uint32_t pos = addChain(m, descr, false, ok);
    if (!ok) {
        /* Take back what was added of a complex element that did not fit. */
        for (uint32_t p = before + 1; p <= m->slots.size(); ++p) deleteElement(m, p);
        return 0;
    }
    return pos;
}

StatusInt mdlModify_elementSingle(DgnModelRefP model, UInt32 filePos, int type, int mode, ModifyFunc fn, void* params,
                                  int componentOffset) {
    (void)type, (void)mode;
    DgnModel* m = model ? model : activeModel();
    if (!m || !fn) return HOST_ERROR;
    int64_t target = static_cast<int64_t>(filePos) + componentOffset;
    if (target < 1 || target > 0xFFFFFFFFLL) return HOST_ERROR;
    uint32_t pos = static_cast<uint32_t>(target);
    const Slot* s = slot(m, pos);
    if (!s || s->deleted) return HOST_ERROR;
    static MSElement buffer;
    std::memcpy(buffer.bytes, s->data, sizeBytes(s->data));
    int answer = fn(&buffer, params, m, nullptr, nullptr);
    bool changed = false;
    if (answer & MODIFY_STATUS_DELETE) {
        changed = deleteElement(m, pos);
    } else if (answer & MODIFY_STATUS_REPLACE) {
        if (m != activeModel()) return HOST_ERROR;
        changed = mdlElement_rewrite(&buffer, nullptr, pos) != 0;
    } else {
        return HOST_SUCCESS;
    }
    /* The views show the element as it is now, not its old (perhaps highlighted) drawing. */
    if (changed) refreshViews();
    return changed ? HOST_SUCCESS : HOST_ERROR;
}

StatusInt mdlModelRef_getFileName(DgnModelRefP model, char* name, int size) {
    if (!name || size <= 0) return HOST_ERROR;
    name[0] = 0;
    DgnFile* f = model ? model->file : activeFile();
    if (!f) return HOST_ERROR;
    sim::copyFixed(name, size, f->name);
    return HOST_SUCCESS;
}

StatusInt mdlUndo_undo(void) { return undo() ? HOST_SUCCESS : HOST_ERROR; }

StatusInt mdlUndo_redo(void) { return redo() ? HOST_SUCCESS : HOST_ERROR; }

/* ---- Models and references ------------------------------------------------------------------------------------------ */

DgnModelRefP mdlModelRef_getActive(void) { return activeModel(); }

BoolInt mdlModelRef_isReference(DgnModelRefP model) { return model && model->isReference; }

UInt32 mdlModelRef_getEof(DgnModelRefP model) {
    DgnModel* m = model ? model : activeModel();
    return m ? static_cast<UInt32>(m->slots.size()) : 0;
}

StatusInt mdlModelRefIterator_create(ModelRefIteratorP* out, DgnModelRefP root, int flags, int depth) {
    (void)depth;
    if (!out) return HOST_ERROR;
    DgnModel* r = root ? root : activeModel();
    if (!r) return HOST_ERROR;
    auto* it = new (std::nothrow) ModelRefIterator();
    if (!it) return HOST_ERROR;
    if (flags & MRITERATE_ROOT) it->models.push_back(r);
    if ((flags & MRITERATE_PRIMARY_CHILD_REFS) && r->file == activeFile() && r == activeModel())
        for (auto& f : activeFile()->references) it->models.push_back(f->models.front().get());
    *out = it;
    return HOST_SUCCESS;
}

DgnModelRefP mdlModelRefIterator_getFirst(ModelRefIteratorP it) {
    if (!it) return nullptr;
    it->next = 0;
    return mdlModelRefIterator_getNext(it);
}

DgnModelRefP mdlModelRefIterator_getNext(ModelRefIteratorP it) {
    if (!it || it->next >= it->models.size()) return nullptr;
    return it->models[it->next++];
}

void mdlModelRefIterator_free(ModelRefIteratorP* it) {
    if (!it) return;
    delete *it;
    *it = nullptr;
}

StatusInt mdlRefFile_getParameters(void* param, int paramName, DgnModelRefP model) {
    if (!param || !model || !model->isReference) return HOST_ERROR;
    switch (paramName) {
    case REFERENCE_DISPLAY: *static_cast<int*>(param) = model->referenceDisplay; return HOST_SUCCESS;
    case REFERENCE_FILE_FOUND: *static_cast<int*>(param) = 1; return HOST_SUCCESS;
    case REFERENCE_SCALE: *static_cast<double*>(param) = model->referenceScale; return HOST_SUCCESS;
    case REFERENCE_HIDDEN: *static_cast<int*>(param) = model->referenceHidden; return HOST_SUCCESS;
    default: return HOST_ERROR;
    }
}
