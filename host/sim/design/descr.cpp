/* Element descriptors: chains of element records with complex headers
** holding their components, walking, transforming, ranges, validation and
** display. Their nodes' memory is descr_memory.cpp's. */
#include <algorithm>
#include <cstring>
#include <string>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/sim/design/design_int.h"

using namespace sim::elem;
using sim::design::allocNode;
using sim::design::freeNode;

namespace {

MSElementDescr* newNode(const MSElement* element) {
    if (!element || !wellFormed(element->bytes, MAX_ELEMENT_SIZE)) return nullptr;
    uint32_t size = sizeBytes(element->bytes);
    MSElementDescr* d = allocNode(size);
    if (!d) return nullptr;
    d->next = d->previous = d->parent = d->firstChild = nullptr;
    d->modelRef = nullptr;
    d->filePos = 0;
    std::memcpy(d->el.bytes, element->bytes, size);
    return d;
}

MSElementDescr* lastOf(MSElementDescr* d) {
    while (d && d->next) d = d->next;
    return d;
}

void link(MSElementDescr* parent, MSElementDescr* chainEnd, MSElementDescr* node) {
    node->parent = parent;
    if (parent && !parent->firstChild) {
        parent->firstChild = node;
        node->previous = nullptr;
        return;
    }
    chainEnd->next = node;
    node->previous = chainEnd;
}

/* Where the last append to a descriptor ended, so that building a chain of
** n elements does not walk it n times. Freeing either node forgets it. */
struct AppendHint {
    const MSElementDescr* owner = nullptr;   /* the header (components) or the chain's first node */
    MSElementDescr* last = nullptr;
};
AppendHint hint;

/* The end of the chain that starts at FIRST and that the last append to OWNER ended at. */
MSElementDescr* chainEnd(const MSElementDescr* owner, MSElementDescr* first, MSElementDescr* parent) {
    if (hint.owner == owner && hint.last && hint.last->parent == parent) return lastOf(hint.last);
    return lastOf(first);
}

/* Append NODE (a chain) to DESCR as the rules of mdlElmdscr_appendElement say. */
void appendNode(MSElementDescr* descr, MSElementDescr* node) {
    if (isComplexType(type(descr->el.bytes))) {
        MSElementDescr* end = descr->firstChild ? chainEnd(descr, descr->firstChild, descr) : nullptr;
        for (MSElementDescr* n = node; n;) {
            MSElementDescr* next = n->next;
            n->next = nullptr;
            link(descr, end, n);
            end = n;
            n = next;
        }
        hint = {descr, end};
        return;
    }
    MSElementDescr* end = chainEnd(descr, descr, descr->parent);
    end->next = node;
    node->previous = end;
    for (MSElementDescr* n = node; n; n = n->next) {
        n->parent = descr->parent;
        end = n;
    }
    hint = {descr, end};
}

void freeChain(MSElementDescr* d) {
    while (d) {
        MSElementDescr* next = d->next;
        if (d == hint.owner || d == hint.last) hint = {};
        freeChain(d->firstChild);
        freeNode(d);
        d = next;
    }
}

int visit(MSElementDescr* d, ElmdscrOperationFunc fn, void* params, int op, bool top) {
    for (; d; d = d->next) {
        bool header = isComplexType(type(d->el.bytes));
        if (header) {
            bool pre = top ? (op & ELMD_PRE_HDR) : (op & ELMD_NESTED_HDRS);
            if (pre) {
                MSElementDescr* replacement = nullptr;
                if (int r = fn(&d->el, params, d->modelRef, d, &replacement)) return r;
            }
            if (int r = visit(d->firstChild, fn, params, op, false)) return r;
            if (top && (op & ELMD_POST_HDR)) {
                MSElementDescr* replacement = nullptr;
                if (int r = fn(&d->el, params, d->modelRef, d, &replacement)) return r;
            }
        } else if (op & ELMD_ELEMENT) {
            MSElementDescr* replacement = nullptr;
            if (int r = fn(&d->el, params, d->modelRef, d, &replacement)) return r;
        }
    }
    return 0;
}

void extend(Dpoint3d& low, Dpoint3d& high, const Dpoint3d& l, const Dpoint3d& h, bool& first) {
    if (first) {
        low = l, high = h, first = false;
        return;
    }
    low.x = std::min(low.x, l.x), low.y = std::min(low.y, l.y), low.z = std::min(low.z, l.z);
    high.x = std::max(high.x, h.x), high.y = std::max(high.y, h.y), high.z = std::max(high.z, h.z);
}

/* Range of a chain; cells count by their components when they have any. */
void chainRange(const MSElementDescr* d, const Transform* t, Dpoint3d& low, Dpoint3d& high, bool& first, bool one) {
    for (; d; d = d->next) {
        if (isComplexType(type(d->el.bytes))) {
            if (d->firstChild) {
                chainRange(d->firstChild, t, low, high, first, false);
            } else {
                Dpoint3d l, h;
                if (range(d->el.bytes, l, h)) extend(low, high, l, h, first);
            }
        } else {
            const MSElement* el = &d->el;
            static MSElement moved;
            if (t) {
                mdlElement_transform(&moved, el, t);
                el = &moved;
            }
            Dpoint3d l, h;
            if (range(el->bytes, l, h)) extend(low, high, l, h, first);
        }
        if (one) break;
    }
}

int validateChain(MSElementDescr* d) {
    for (; d; d = d->next) {
        if (!wellFormed(d->el.bytes, d->capacity)) return HOST_ERROR;
        uint32_t typeWord = get4(d->el.bytes + H_TYPE);
        put4(d->el.bytes + H_TYPE, d->parent ? (typeWord | COMPONENT_BIT) : (typeWord & ~COMPONENT_BIT));
        if (!isComplexType(type(d->el.bytes))) continue;
        if (validateChain(d->firstChild) != HOST_SUCCESS) return HOST_ERROR;
        uint32_t n = 0;
        for (MSElementDescr* c = d->firstChild; c; c = c->next) ++n;
        put4(d->el.bytes + (type(d->el.bytes) == CELL_HEADER_ELM ? C_COUNT : X_COUNT), n);
        if (type(d->el.bytes) == CELL_HEADER_ELM && d->firstChild) {
            Dpoint3d low, high;
            bool first = true;
            chainRange(d->firstChild, nullptr, low, high, first, false);
            if (!first) putP(d->el.bytes + C_LOW, low), putP(d->el.bytes + C_HIGH, high);
        }
    }
    return HOST_SUCCESS;
}

void displayChain(const MSElementDescr* d, DgnModelRefP model, int drawMode) {
    for (; d; d = d->next) {
        mdlElement_display(&d->el, drawMode);
        displayChain(d->firstChild, model, drawMode);
    }
}

}  // namespace

StatusInt mdlElmdscr_new(MSElementDescr** out, MSElementDescr* header, const MSElement* element) {
    if (!out) return HOST_ERROR;
    MSElementDescr* node = newNode(element);
    if (!node) return HOST_ERROR;
    if (header) appendNode(header, node);
    *out = node;
    return HOST_SUCCESS;
}

StatusInt mdlElmdscr_appendElement(MSElementDescr* descr, const MSElement* element) {
    if (!descr) return HOST_ERROR;
    MSElementDescr* node = newNode(element);
    if (!node) return HOST_ERROR;
    node->modelRef = descr->modelRef;
    appendNode(descr, node);
    return HOST_SUCCESS;
}

StatusInt mdlElmdscr_appendDscr(MSElementDescr* descr, MSElementDescr* append) {
    if (!descr || !append || descr == append) return HOST_ERROR;
    appendNode(descr, append);
    return HOST_SUCCESS;
}

int mdlElmdscr_operation(MSElementDescr* descr, ElmdscrOperationFunc fn, void* params, int operation) {
    if (!descr || !fn) return 0;
    return visit(descr, fn, params, operation, true);
}

void mdlElmdscr_transform(MSElementDescr* descr, const Transform* transform) {
    if (!transform) return;
    for (MSElementDescr* d = descr; d; d = d->next) {
        mdlElement_transform(&d->el, &d->el, transform);
        mdlElmdscr_transform(d->firstChild, transform);
    }
}

StatusInt mdlElmdscr_computeRange(Dpoint3d* low, Dpoint3d* high, const MSElementDescr* descr, const Transform* transform) {
    if (!low || !high || !descr) return HOST_ERROR;
    bool first = true;
    Dpoint3d l{}, h{};
    chainRange(descr, transform, l, h, first, false);
    if (first) return HOST_ERROR;
    *low = l, *high = h;
    return HOST_SUCCESS;
}

StatusInt mdlElmdscr_validate(MSElementDescr* descr, DgnModelRefP model) {
    (void)model;
    if (!descr) return HOST_ERROR;
    return validateChain(descr);
}

StatusInt mdlCell_setRange(MSElementDescr* descr, DgnModelRefP model) {
    (void)model;
    if (!descr || type(descr->el.bytes) != CELL_HEADER_ELM) return HOST_ERROR;
    if (!descr->firstChild) return HOST_SUCCESS;
    Dpoint3d low, high;
    bool first = true;
    chainRange(descr->firstChild, nullptr, low, high, first, false);
    if (first) return HOST_ERROR;
    putP(descr->el.bytes + C_LOW, low);
    putP(descr->el.bytes + C_HIGH, high);
    return HOST_SUCCESS;
}

void mdlElmdscr_freeAll(MSElementDescr** descr) {
    if (!descr || !*descr) return;
    MSElementDescr* d = *descr;
    while (d->previous) d = d->previous;   /* free the whole chain the caller holds */
    if (d->parent) {
        /* A component: detach it from its header first. */
        MSElementDescr* p = d->parent;
        if (p->firstChild == d) p->firstChild = nullptr;
    }
    freeChain(d);
    *descr = nullptr;
}

StatusInt mdlElmdscr_replaceDscr(MSElementDescr** oldDescr, MSElementDescr* newDescr) {
    if (!oldDescr || !*oldDescr || *oldDescr == newDescr) return HOST_ERROR;
    MSElementDescr* old = *oldDescr;
    MSElementDescr* previous = old->previous;
    MSElementDescr* next = old->next;
    MSElementDescr* parent = old->parent;
    MSElementDescr* first = newDescr ? newDescr : next;
    MSElementDescr* last = previous;
    for (MSElementDescr* n = newDescr; n; n = n->next) {
        n->parent = parent;
        last = n;
    }
    if (newDescr) {
        newDescr->previous = previous;
        last->next = next;
    }
    if (previous) previous->next = first;
    else if (parent) parent->firstChild = first;
    if (next) next->previous = last;
    /* The hint may point into either chain: forget it. */
    hint = {};
    old->next = old->previous = old->parent = nullptr;
    freeChain(old);
    *oldDescr = newDescr;
    return HOST_SUCCESS;
}

int mdlElmdscr_count(const MSElementDescr* descr) {
    int n = 0;
    for (const MSElementDescr* d = descr; d; d = d->next) n += 1 + mdlElmdscr_count(d->firstChild);
    return n;
}

void mdlElmdscr_display(MSElementDescr* descr, DgnModelRefP model, int drawMode) {
    if (descr) displayChain(descr, model, drawMode);
}

namespace sim::design {

/* Build a descriptor of the element at FILEPOS of MODEL and its components;
** POS advances past what was read. Null when the element is missing, or
** nests deeper than MAX_NESTING (reported: every walk of a descriptor recurses). */
MSElementDescr* readTree(DgnModel* model, uint32_t& pos, bool top, int depth) {
    const Slot* s = slot(model, pos);
    if (!s || (top && (s->deleted || s->component))) return nullptr;
    if (depth >= MAX_NESTING) {
        reportFailure("element " + std::to_string(pos) + " of model " + model->name + " nests deeper than " +
                      std::to_string(MAX_NESTING) + " levels: not read");
        return nullptr;
    }
    MSElementDescr* node = newNode(reinterpret_cast<const MSElement*>(s->data));
    if (!node) return nullptr;
    node->modelRef = model;
    node->filePos = pos;
    ++pos;
    if (!isComplexType(s->type)) return node;
    uint32_t count = get4(s->data + (s->type == CELL_HEADER_ELM ? C_COUNT : X_COUNT));
    MSElementDescr* end = nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        const Slot* c = slot(model, pos);
        if (!c) break;
        bool skip = c->deleted;
        MSElementDescr* child = readTree(model, pos, false, depth + 1);
        if (!child) {
            /* Out of memory or too deep: a complex element is read whole or not at all. */
            freeChain(node);
            return nullptr;
        }
        if (skip) {
            freeChain(child);
            continue;
        }
        link(node, end, child);
        end = child;
    }
    return node;
}

}  // namespace sim::design

int mdlElmdscr_read(MSElementDescr** out, UInt32 filePos, DgnModelRefP model, BoolInt expandShared, UInt32* nextFilePos) {
    (void)expandShared;
    if (!out) return 0;
    DgnModel* m = model ? model : sim::design::activeModel();
    if (!m) return 0;
    uint32_t pos = filePos;
    MSElementDescr* d = sim::design::readTree(m, pos, true);
    if (!d) return 0;
    *out = d;
    if (nextFilePos) *nextFilePos = pos;
    int bytes = 0;
    mdlElmdscr_operation(d, [](MSElement* el, void* p, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
        *static_cast<int*>(p) += static_cast<int>(sizeBytes(el->bytes));
        return 0;
    }, &bytes, ELMD_ALL_ONCE);
    return bytes;
}
