/* Memory of descriptor nodes. A node's element has room for its size and
** MAX_DESCR_GROWTH bytes more, rounded up to a power of two of at least
** MIN_ROOM: a linkage or a longer name fits in place, and the nodes of a
** chain lie close together. Nodes of up to SLAB_ROOM bytes come from slabs
** of their room, aligned to the slab size so that a node finds its slab
** from its address; larger ones are allocated one by one. roomOf knows both
** kinds, so that an element grown in place never runs past its node.
** State: NodeMemory below. */
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <unordered_set>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlsystem.h"
#include "host/sim/design/design_int.h"

namespace {

constexpr uint32_t NODE_HEAD = offsetof(MSElementDescr, el);
constexpr uint32_t MIN_ROOM = 512;
constexpr size_t SLAB_BYTES = 64 * 1024;
constexpr size_t FIRST_NODE = 64;            /* the slab's header comes first */
constexpr size_t MAX_EMPTY_SLABS = 16;       /* of a room, kept for the next chain */
constexpr uint32_t NO_INDEX = UINT32_MAX;
#if defined(__SANITIZE_ADDRESS__)
constexpr uint32_t SLAB_ROOM = 0;            /* every node its own block, so that a use after free is caught */
#else
constexpr uint32_t SLAB_ROOM = 8192;
#endif
constexpr int CLASSES = 5;                   /* rooms 512, 1024, 2048, 4096 and 8192 */

struct Slab {
    uint32_t stride = 0;              /* bytes of a node */
    uint32_t count = 0;               /* nodes it holds */
    uint32_t live = 0;
    uint32_t roomIndex = NO_INDEX;    /* position in its class's withRoom */
    int cls = 0;
    MSElementDescr* free = nullptr;   /* free nodes, chained through next */
};
static_assert(sizeof(Slab) <= FIRST_NODE);

struct SizeClass {
    std::vector<Slab*> withRoom;      /* slabs with a free node */
    size_t emptySlabs = 0;
};

struct NodeMemory {
    SizeClass classes[CLASSES];
    std::unordered_set<uintptr_t> slabs;                  /* their addresses */
    std::unordered_set<uintptr_t> single;                 /* nodes allocated one by one */
};
/* Lives for the process: a descriptor freed by another file's static
** destructor must still find its slab. */
NodeMemory& memory = *new NodeMemory;

int classOf(uint32_t room) { return std::countr_zero(room) - std::countr_zero(MIN_ROOM); }

Slab* slabOf(const void* node) {
    return reinterpret_cast<Slab*>(reinterpret_cast<uintptr_t>(node) & ~(SLAB_BYTES - 1));
}

MSElementDescr* nodeAt(Slab* s, uint32_t i) {
    return reinterpret_cast<MSElementDescr*>(reinterpret_cast<uint8_t*>(s) + FIRST_NODE + size_t{i} * s->stride);
}

void makeRoom(SizeClass& c, Slab* s) {
    s->roomIndex = static_cast<uint32_t>(c.withRoom.size());
    c.withRoom.push_back(s);
}

void removeRoom(SizeClass& c, Slab* s) {
    Slab* last = c.withRoom.back();
    c.withRoom[s->roomIndex] = last;
    last->roomIndex = s->roomIndex;
    c.withRoom.pop_back();
    s->roomIndex = NO_INDEX;
}

bool newSlab(int cls, uint32_t room) {
    void* mem = std::aligned_alloc(SLAB_BYTES, SLAB_BYTES);
    if (!mem) return false;
    try {
        memory.slabs.insert(reinterpret_cast<uintptr_t>(mem));
        memory.classes[cls].withRoom.reserve(memory.classes[cls].withRoom.size() + 1);
    } catch (const std::bad_alloc&) {
        memory.slabs.erase(reinterpret_cast<uintptr_t>(mem));
        std::free(mem);
        return false;
    }
    auto* s = new (mem) Slab;
    s->stride = NODE_HEAD + room;
    s->count = static_cast<uint32_t>((SLAB_BYTES - FIRST_NODE) / s->stride);
    s->cls = cls;
    for (uint32_t i = s->count; i-- > 0;) {
        MSElementDescr* d = nodeAt(s, i);
        d->capacity = 0;
        d->next = s->free;
        s->free = d;
    }
    makeRoom(memory.classes[cls], s);
    ++memory.classes[cls].emptySlabs;
    return true;
}

}  // namespace

namespace sim::design {

MSElementDescr* allocNode(uint32_t size) {
    uint32_t room = std::min<uint32_t>(std::bit_ceil(std::max(size + MAX_DESCR_GROWTH, MIN_ROOM)), MAX_ELEMENT_SIZE);
    if (room <= SLAB_ROOM) {
        /* Memory of a slab still counts as an allocation for the host's failure switch. */
        if (!sim::grantAllocation()) return nullptr;
        int cls = classOf(room);
        SizeClass& c = memory.classes[cls];
        if (c.withRoom.empty() && !newSlab(cls, room)) return nullptr;
        Slab* s = c.withRoom.back();
        MSElementDescr* d = s->free;
        s->free = d->next;
        if (s->live++ == 0) --c.emptySlabs;
        if (!s->free) removeRoom(c, s);
        d->capacity = room;
        return d;
    }
    auto* d = static_cast<MSElementDescr*>(dlmSystem_mdlMalloc(NODE_HEAD + room));
    if (!d) return nullptr;
    try {
        memory.single.insert(reinterpret_cast<uintptr_t>(d));
    } catch (const std::bad_alloc&) {
        dlmSystem_mdlFree(d);
        return nullptr;
    }
    d->capacity = room;
    return d;
}

void freeNode(MSElementDescr* d) {
    if (d->capacity > SLAB_ROOM) {
        memory.single.erase(reinterpret_cast<uintptr_t>(d));
        dlmSystem_mdlFree(d);
        return;
    }
    Slab* s = slabOf(d);
    SizeClass& c = memory.classes[s->cls];
    d->capacity = 0;
    d->next = s->free;
    s->free = d;
    if (s->roomIndex == NO_INDEX) makeRoom(c, s);
    if (--s->live > 0) return;
    if (++c.emptySlabs <= MAX_EMPTY_SLABS) return;
    /* Beyond a few empty slabs (after a very long chain) memory goes back. */
    --c.emptySlabs;
    removeRoom(c, s);
    memory.slabs.erase(reinterpret_cast<uintptr_t>(s));
    std::free(s);
}

}  // namespace sim::design

namespace sim::elem {

uint32_t roomOf(const MSElement* element) {
    /* Addresses are compared as numbers: ELEMENT may be any buffer at all. */
    uintptr_t at = reinterpret_cast<uintptr_t>(element) - NODE_HEAD;
    auto node = [at] { return reinterpret_cast<const MSElementDescr*>(at); };
    if (memory.single.count(at)) return node()->capacity;
    uintptr_t slab = at & ~(SLAB_BYTES - 1);
    if (memory.slabs.count(slab)) {
        const Slab* s = reinterpret_cast<const Slab*>(slab);
        size_t offset = at - slab;
        if (offset >= FIRST_NODE && (offset - FIRST_NODE) % s->stride == 0 &&
            (offset - FIRST_NODE) / s->stride < s->count && node()->capacity)
            return node()->capacity;
    }
    return MAX_ELEMENT_SIZE;
}

}  // namespace sim::elem
