/* Views: eight window areas over a fixed pixel size, the persistent display
** list they share (drawn, erased, highlighted), the transient dynamics layer
** (replaced by the dynamics of a later event), drawings into dialog items, and the
** session verb "view". State: ViewState below. */
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlview.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"
#include "host/sim/display/display.h"

using namespace sim::elem;

namespace {

constexpr double PIXEL_W = VIEW_PIXEL_WIDTH, PIXEL_H = VIEW_PIXEL_HEIGHT;
constexpr double DEFAULT_WIDTH_MASTER = 100.0;          /* default window area, master units */
constexpr size_t MAX_TRANSIENT_BYTES = 64u << 20;       /* dynamics beyond this drop the oldest */

/* An entry of the persistent layer is a Shown: its record lies in the shown
** file's model memory (records there never change while the file is open)
** or is a copy of our own in ViewState::owned. An erased entry's record is
** null until the layer is compacted. */
using Entry = sim::view::Shown;

struct ViewState {
    sim::view::Window windows[MAX_VIEWS];
    bool windowSet[MAX_VIEWS] = {};
    uint64_t shownFile = 0;    /* serial of the file the persistent layer belongs to (0: none) */
    std::vector<Entry> entries;
    std::unordered_map<const uint8_t*, std::unique_ptr<uint8_t[]>> owned;
    /* Content key -> entry; built at the first draw after a refill, so that
    ** showing or rendering a large model never pays for it. */
    std::unordered_multimap<uint64_t, size_t> index;
    bool indexed = false;
    size_t dead = 0;
    std::vector<uint8_t> transientBytes;
    std::vector<size_t> transientOffsets;
    bool transientStale = false;
    std::vector<sim::view::ItemDrawing> drawings;
    sim::view::ItemResolver resolver;
    int listener = 0;
};
ViewState state;

/* Elements look the same when type, level and everything after the header
** (symbology, geometry, linkages) agree; ids and time stamps do not count. */
uint64_t contentKey(const uint8_t* e) {
    uint64_t h = (static_cast<uint64_t>(get4(e + H_TYPE) & 0xFFFF) << 32 | get4(e + H_LEVEL)) * 0x9E3779B97F4A7C15ull;
    uint32_t size = sizeBytes(e), i = ELEMENT_HEADER_SIZE;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, e + i, 8);
        h = (h ^ word) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; i < size; ++i) h = (h ^ e[i]) * 0x100000001B3ull;
    return h ^ (h >> 32);
}

bool sameContent(const uint8_t* a, const uint8_t* b) {
    uint32_t size = sizeBytes(a);
    return size == sizeBytes(b) && (get4(a + H_TYPE) & 0xFFFF) == (get4(b + H_TYPE) & 0xFFFF) &&
           get4(a + H_LEVEL) == get4(b + H_LEVEL) &&
           std::memcmp(a + ELEMENT_HEADER_SIZE, b + ELEMENT_HEADER_SIZE, size - ELEMENT_HEADER_SIZE) == 0;
}

const uint8_t* ownCopy(const uint8_t* e) {
    uint32_t size = sizeBytes(e);
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
    std::memcpy(copy.get(), e, size);
    const uint8_t* p = copy.get();
    state.owned.emplace(p, std::move(copy));
    return p;
}

/* Forget RECORD; a copy of our own is freed, model memory is left alone. */
void release(const uint8_t* record) { state.owned.erase(record); }

void buildIndex() {
    state.index.clear();
    state.index.reserve(state.entries.size() - state.dead);
    for (size_t i = 0; i < state.entries.size(); ++i)
        if (state.entries[i].record) state.index.emplace(contentKey(state.entries[i].record), i);
    state.indexed = true;
}

void compact() {
    std::erase_if(state.entries, [](const Entry& e) { return !e.record; });
    state.dead = 0;
    if (state.indexed) buildIndex();
}

void clearPersistent() {
    state.entries.clear();
    state.owned.clear();
    state.index.clear();
    state.indexed = false;
    state.dead = 0;
}

/* The persistent layer belongs to one design file: another active file
** starts it again from that file's elements. */
void ensureListener();

void followActiveFile() {
    ensureListener();
    const sim::design::DesignFile* f = sim::design::activeFile();
    if ((f ? f->serial : 0) == state.shownFile) return;
    clearPersistent();
    state.shownFile = f ? f->serial : 0;
    if (f) sim::view::updateFromModel();
}

void showPersistent(const uint8_t* e, int drawMode) {
    if (!state.indexed) buildIndex();
    uint64_t key = contentKey(e);
    bool found = false;
    auto range = state.index.equal_range(key);
    for (auto it = range.first; it != range.second;) {
        Entry& en = state.entries[it->second];
        if (!en.record || !sameContent(en.record, e)) {
            ++it;
            continue;
        }
        found = true;
        if (drawMode == DRAW_MODE_ERASE) {
            release(en.record);
            en.record = nullptr;
            ++state.dead;
            it = state.index.erase(it);
            continue;
        }
        en.highlighted = drawMode == DRAW_MODE_HILITE;
        if (std::memcmp(en.record, e, sizeBytes(e)) != 0) {   /* the latest ids */
            release(en.record);
            en.record = ownCopy(e);
        }
        ++it;
    }
    if (state.dead > 1024 && state.dead * 2 > state.entries.size()) compact();
    if (found || drawMode == DRAW_MODE_ERASE) return;
    state.index.emplace(key, state.entries.size());
    state.entries.push_back({ownCopy(e), drawMode == DRAW_MODE_HILITE});
}

/* Dynamics belong to the event that drew them: the first dynamics display of
** a later event starts the layer again. (Clearing at the event's start would
** empty it for a picture taken by the next session line.) */
void ensureListener() {
    if (state.listener) return;
    /* After an event the views follow a file it opened, as a real host redraws them. */
    state.listener = sim::addEventListener({[] { state.transientStale = true; }, [](bool) { followActiveFile(); }});
}

void showTransient(const uint8_t* e) {
    ensureListener();
    if (state.transientStale) sim::view::clearTransient();
    uint32_t size = sizeBytes(e);
    if (state.transientBytes.size() + size > MAX_TRANSIENT_BYTES) sim::view::clearTransient();
    state.transientOffsets.push_back(state.transientBytes.size());
    state.transientBytes.insert(state.transientBytes.end(), e, e + size);
}

void sink(const MSElement* element, DgnModelRefP model, int drawMode) {
    (void)model;
    const uint8_t* e = element->bytes;
    if (!isGraphicType(type(e))) return;
    switch (drawMode) {
    case DRAW_MODE_NORMAL:
    case DRAW_MODE_ERASE:
    case DRAW_MODE_HILITE:
        followActiveFile();
        showPersistent(e, drawMode);
        break;
    case DRAW_MODE_TEMP_DRAW:
        showTransient(e);
        break;
    default:
        break;
    }
}

sim::Registration installSink([] {
    sim::design::setViewSink(sink);
    sim::design::setViewRefresh(sim::view::updateFromModel);
});

double uorPerMaster() {
    double u = sim::design::uorPerMaster(nullptr);
    return u > 0 ? u : 1.0;
}

/* Give DELTA the aspect of the pixel window, growing the short side about the centre. */
void fitAspect(Dpoint3d& origin, Dpoint3d& delta) {
    double aspect = PIXEL_H / PIXEL_W;
    if (delta.y < delta.x * aspect) {
        double h = delta.x * aspect;
        origin.y -= (h - delta.y) / 2;
        delta.y = h;
    } else if (delta.x < delta.y / aspect) {
        double w = delta.y / aspect;
        origin.x -= (w - delta.x) / 2;
        delta.x = w;
    }
}

bool validView(int view) { return view >= 1 && view <= MAX_VIEWS; }

/* Range of a record as drawn (texts by their outline). */
bool drawnRange(const uint8_t* e, Dpoint3d& low, Dpoint3d& high) {
    if (type(e) == TEXT_ELM) {
        Dpoint3d s[5];
        sim::text::outline(e, s);
        low = high = s[0];
        for (const Dpoint3d& p : s) {
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
        return true;
    }
    return range(e, low, high);
}

bool inWindow(int view, const uint8_t* e) {
    const sim::view::Window& w = sim::view::window(view);
    Dpoint3d low, high;
    if (!drawnRange(e, low, high)) return false;
    /* Rotate the range's corners into the view and compare with the window area. */
    Dpoint3d o = w.origin;
    mdlRMatrix_rotatePoint(&o, &w.rotation);
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (int i = 0; i < 8; ++i) {
        Dpoint3d c{(i & 1) ? high.x : low.x, (i & 2) ? high.y : low.y, (i & 4) ? high.z : low.z};
        mdlRMatrix_rotatePoint(&c, &w.rotation);
        minX = std::min(minX, c.x), maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y), maxY = std::max(maxY, c.y);
    }
    return maxX >= o.x && minX <= o.x + w.delta.x && maxY >= o.y && minY <= o.y + w.delta.y;
}

void collect(const MSElementDescr* d, std::vector<std::vector<uint8_t>>& out) {
    for (; d; d = d->next) {
        out.emplace_back(d->el.bytes, d->el.bytes + sizeBytes(d->el.bytes));
        collect(d->firstChild, out);
    }
}

bool parseView(const std::string& word, int& view, std::string& error) {
    char* end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end || v < 1 || v > MAX_VIEWS) {
        error = "view number must be 1 to 8: " + word;
        return false;
    }
    view = static_cast<int>(v);
    return true;
}

/* view N window X1 Y1 X2 Y2 | view N fit | view N update */
bool viewVerb(const std::string& args, std::string& error) {
    std::istringstream in(args);
    std::string number, what;
    in >> number >> what;
    int view = 0;
    if (!parseView(number, view, error)) return false;
    if (what == "window") {
        double c[4];
        for (double& v : c)
            if (!(in >> v)) {
                error = "usage: view N window X1 Y1 X2 Y2 (master units)";
                return false;
            }
        return sim::view::setWindowMaster(view, c[0], c[1], c[2], c[3], error);
    }
    if (what == "fit") {
        followActiveFile();
        bool first = true;
        Dpoint3d low{0, 0, 0}, high{0, 0, 0};
        for (const Entry& en : state.entries) {
            Dpoint3d l, h;
            if (!en.record || !drawnRange(en.record, l, h)) continue;
            if (first) low = l, high = h, first = false;
            low = {std::min(low.x, l.x), std::min(low.y, l.y), 0};
            high = {std::max(high.x, h.x), std::max(high.y, h.y), 0};
        }
        if (first) {
            error = "view " + number + ": nothing to fit";
            return false;
        }
        double u = uorPerMaster(), mx = (high.x - low.x) * 0.05 + u * 0.5, my = (high.y - low.y) * 0.05 + u * 0.5;
        return sim::view::setWindowMaster(view, (low.x - mx) / u, (low.y - my) / u, (high.x + mx) / u,
                                          (high.y + my) / u, error);
    }
    if (what == "update") return mdlView_updateSingle(view) == HOST_SUCCESS;
    error = "usage: view N window X1 Y1 X2 Y2 | view N fit | view N update";
    return false;
}

sim::Registration registerVerbs([] { sim::registerSessionVerb("view", viewVerb); });

}  // namespace

namespace sim::view {

std::vector<const Shown*> persistent() {
    followActiveFile();
    std::vector<const Shown*> out;
    for (const Entry& e : state.entries)
        if (e.record) out.push_back(&e);
    return out;
}

std::vector<const uint8_t*> transient() {
    std::vector<const uint8_t*> out;
    for (size_t off : state.transientOffsets) out.push_back(state.transientBytes.data() + off);
    return out;
}

std::vector<const Shown*> persistentIn(int view) {
    std::vector<const Shown*> out;
    if (!validView(view) || !window(view).active) return out;
    followActiveFile();
    for (const Entry& e : state.entries)
        if (e.record && inWindow(view, e.record)) out.push_back(&e);
    return out;
}

std::vector<const uint8_t*> transientIn(int view) {
    std::vector<const uint8_t*> out;
    if (!validView(view) || !window(view).active) return out;
    for (const uint8_t* e : transient())
        if (inWindow(view, e)) out.push_back(e);
    return out;
}

void clearTransient() {
    state.transientStale = false;
    state.transientBytes.clear();
    state.transientOffsets.clear();
}

void updateFromModel() {
    clearPersistent();
    const sim::design::DesignFile* f = sim::design::activeFile();
    state.shownFile = f ? f->serial : 0;
    DgnModel* m = sim::design::activeModel();
    if (!m) return;
    /* The model's own records, by reference. Elements of the same content
    ** show once, where the first of them is, with the last one's record (as
    ** drawing them one after the other would leave it); they are found by
    ** sorting short keys rather than through the index, which would cost
    ** more memory than the layer itself. */
    state.entries.reserve(m->slots.size());
    std::vector<std::pair<uint32_t, uint32_t>> keys;   /* key, entry */
    keys.reserve(m->slots.size());
    for (uint32_t pos = 1; pos <= m->slots.size(); ++pos) {
        const sim::design::Slot* s = sim::design::slot(m, pos);
        if (!s || s->deleted || !isGraphicType(s->type)) continue;
        keys.emplace_back(static_cast<uint32_t>(contentKey(s->data)), static_cast<uint32_t>(state.entries.size()));
        state.entries.push_back({s->data, false});
    }
    std::sort(keys.begin(), keys.end());
    for (size_t i = 0; i < keys.size();) {
        size_t j = i + 1;
        while (j < keys.size() && keys[j].first == keys[i].first) ++j;
        for (size_t a = i; a < j; ++a) {   /* runs are short: a key of 32 bits rarely repeats */
            Entry& first = state.entries[keys[a].second];
            if (!first.record) continue;
            for (size_t b = a + 1; b < j; ++b) {
                Entry& later = state.entries[keys[b].second];
                if (!later.record || !sameContent(first.record, later.record)) continue;
                first.record = later.record;
                later.record = nullptr;
                ++state.dead;
            }
        }
        i = j;
    }
    if (state.dead) compact();
}

const Window& window(int view) {
    static Window none{};
    if (!validView(view)) return none;
    Window& w = state.windows[view - 1];
    if (!state.windowSet[view - 1]) {
        /* The default area: 100 master units wide from the design origin. */
        double u = uorPerMaster();
        w.origin = {0, 0, 0};
        w.delta = {DEFAULT_WIDTH_MASTER * u, DEFAULT_WIDTH_MASTER * u * PIXEL_H / PIXEL_W, 0};
        mdlRMatrix_getIdentity(&w.rotation);
    }
    return w;
}

bool setWindowMaster(int view, double x1, double y1, double x2, double y2, std::string& error) {
    double u = uorPerMaster();
    Dpoint3d origin{std::min(x1, x2) * u, std::min(y1, y2) * u, 0};
    Dpoint3d delta{std::fabs(x2 - x1) * u, std::fabs(y2 - y1) * u, 0};
    if (mdlView_setArea(view, &origin, &delta) != HOST_SUCCESS) {
        error = "view " + std::to_string(view) + ": the window area needs a width and a height";
        return false;
    }
    return true;
}

void setItemResolver(ItemResolver resolver) { state.resolver = std::move(resolver); }

const std::vector<ItemDrawing>& itemDrawings() { return state.drawings; }

const ItemDrawing* itemDrawing(int itemId) {
    for (auto it = state.drawings.rbegin(); it != state.drawings.rend(); ++it)
        if (it->itemId == itemId) return &*it;
    return nullptr;
}

void resetForTests() {
    for (int i = 0; i < MAX_VIEWS; ++i) state.windowSet[i] = false, state.windows[i].active = true;
    clearPersistent();
    clearTransient();
    state.shownFile = 0;
    state.drawings.clear();
    state.resolver = nullptr;
}

static Registration resetRegistration([] { registerReset(ResetStage::Display, resetForTests); });

}  // namespace sim::view

/* ---- Platform calls ---------------------------------------------------------------------- */

StatusInt mdlView_getStandard(RotMatrix* rotation, int standardView) {
    if (!rotation || standardView < STDVIEW_TOP || standardView > STDVIEW_RIGHT_ISO) return HOST_ERROR;
    /* Rotations about x, then y, then z, in degrees, that turn the world into the view. */
    static const double angles[8][3] = {
        {0, 0, 0},       /* top */
        {180, 0, 0},     /* bottom */
        {-90, 0, 90},    /* left */
        {-90, 0, -90},   /* right */
        {-90, 0, 0},     /* front */
        {-90, 0, 180},   /* back */
        {-54.735610317, 0, -45},   /* isometric */
        {-54.735610317, 0, 45},    /* right isometric */
    };
    const double* a = angles[standardView - 1];
    RotMatrix z, x, r;
    mdlRMatrix_rotate(&z, nullptr, 0, 0, a[2] * M_PI / 180.0);
    mdlRMatrix_rotate(&x, nullptr, a[0] * M_PI / 180.0, 0, 0);
    mdlRMatrix_multiply(&r, &x, &z);
    *rotation = r;
    return HOST_SUCCESS;
}

StatusInt mdlView_getParameters(Dpoint3d* origin, Dpoint3d* delta, RotMatrix* rotation, int view) {
    if (!validView(view)) return HOST_ERROR;
    const sim::view::Window& w = sim::view::window(view);
    if (origin) *origin = w.origin;
    if (delta) *delta = w.delta;
    if (rotation) *rotation = w.rotation;
    return HOST_SUCCESS;
}

StatusInt mdlView_setArea(int view, const Dpoint3d* origin, const Dpoint3d* delta) {
    if (!validView(view) || !origin || !delta || !std::isfinite(origin->x) || !std::isfinite(origin->y) ||
        !std::isfinite(delta->x) || !std::isfinite(delta->y) || !(delta->x > 0) || !(delta->y > 0))
        return HOST_ERROR;
    sim::view::Window& w = const_cast<sim::view::Window&>(sim::view::window(view));
    w.origin = {origin->x, origin->y, 0};
    w.delta = {delta->x, delta->y, 0};
    fitAspect(w.origin, w.delta);
    state.windowSet[view - 1] = true;
    return HOST_SUCCESS;
}

BoolInt mdlView_isActive(int view) { return validView(view) && sim::view::window(view).active; }

StatusInt mdlView_updateSingle(int view) {
    if (view != 0 && !validView(view)) return HOST_ERROR;
    sim::view::updateFromModel();
    sim::view::clearTransient();
    return HOST_SUCCESS;
}

void mdlElmdscr_displayToWindow(DialogBox* window, const DialogRect* rect, const void* overrides, MSElementDescr* descr,
                                const RotMatrix* rotation, const Dpoint3d* origin, const Dpoint3d* extent, int is3d,
                                int extra) {
    (void)is3d;
    if (!window || !rect || !descr) return;
    sim::view::ItemDrawing d{};
    d.window = window;
    std::memcpy(d.rect, rect, sizeof d.rect);   /* four int32: left, top, right, bottom */
    if (overrides) std::memcpy(d.overrides, overrides, sizeof d.overrides);
    if (rotation) d.rotation = *rotation;
    else mdlRMatrix_getIdentity(&d.rotation);
    d.origin = origin ? *origin : Dpoint3d{0, 0, 0};
    d.extent = extent ? *extent : Dpoint3d{0, 0, 0};
    d.extra = extra;
    d.itemId = state.resolver ? state.resolver(window, d.rect) : 0;
    collect(descr, d.elements);
    /* Keep the last drawing of each item (of each rectangle when the item is unknown). */
    auto same = [&d](const sim::view::ItemDrawing& o) {
        return o.window == d.window && o.itemId == d.itemId &&
               (d.itemId != 0 || std::memcmp(o.rect, d.rect, sizeof d.rect) == 0);
    };
    state.drawings.erase(std::remove_if(state.drawings.begin(), state.drawings.end(), same), state.drawings.end());
    state.drawings.push_back(std::move(d));
}
