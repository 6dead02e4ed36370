/* The command state machine and locate: the running command's state
** functions, the modify command's locate, show and accept steps, the locate
** search (types, locked elements, post-locate filter, candidates at one
** place) and the AccuSnap switches. State: InteractState below. */
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlstate.h"
#include "host/mdlsystem.h"
#include "host/mdlview.h"
#include "host/sim/system/system.h"
#include "host/sim/design/design.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/display/display.h"

using namespace sim::elem;

namespace {

enum class Phase { Locate, Shown, Accepted };

/* A function and the application it runs for. */
template <typename Fn>
struct Bound {
    Fn fn = nullptr;
    MdlDesc* app = nullptr;
};

struct Command {
    bool running = false;
    bool modify = false;
    MdlDesc* app = nullptr;
    int commandMessage = 0, promptMessage = 0, pointCount = 1;
    /* as started */
    StateFunc_DataPoint startDataPoint = nullptr;
    StateFunc_Reset startReset = nullptr;
    StateFunc_Dynamics startDynamics = nullptr;
    StateFunc_Show show = nullptr;
    StateFunc_Clean clean = nullptr;
    /* as installed now */
    Bound<StateFunc_DataPoint> dataPoint;
    Bound<StateFunc_Reset> reset;
    Bound<StateFunc_Dynamics> dynamics;
    Phase phase = Phase::Locate;
};

struct Candidate {
    uint32_t top = 0, component = 0;
    double distance = 0;
    Dpoint3d projected{};
    int segment = -1;
};

struct Locate {
    bool allTypes = true;
    bool noLocked = false;
    std::set<int> types;
    Bound<LocateFilterFunc> filter;
    std::vector<Candidate> candidates;
    std::vector<uint32_t> near;      /* positions the range index answered, kept for its room */
    std::vector<uint8_t> buffer;     /* the element buffer handed to the filter */
    size_t bufferDirty = 0;          /* bytes of BUFFER that may be other than zero */
    bool offering = false;           /* the filter runs (BUFFER is in use) */
    size_t next = 0;                 /* the candidate a "next" search tries first */
    Dpoint3d point{};
    int view = 1;
    bool located = false;
    Candidate current;
    DgnModel* model = nullptr;
    bool highlighted = false;
    bool cursor = false;
};

struct InteractState {
    Command command;
    Locate locate;
    bool accuSnapLocate = false;
    bool accuSnapSnap = false;
    int appListener = 0;
    std::map<MdlDesc*, std::pair<int, int>> stringLists;  /* application -> command, prompt list */
};
InteractState state;

/* ---- Calls into applications -------------------------------------------------------- */

template <typename Fn, typename... Args>
void call(const Bound<Fn>& b, Args... args) {
    if (!b.fn) return;
    if (b.app && !b.app->alive) return;
    sim::CurrentApplicationScope scope(b.app);
    b.fn(args...);
}

template <typename Fn>
Bound<Fn> bind(Fn fn) {
    return {fn, sim::currentApplication()};
}

void forgetApplication(MdlDesc* d) {
    if (state.command.running && state.command.app == d) state.command = Command{};
    if (state.locate.filter.app == d) state.locate.filter = {};
    state.stringLists.erase(d);
}

void ensureListener() {
    if (state.appListener) return;
    state.appListener = sim::addApplicationListener({nullptr, forgetApplication});
}

void showMessages(const Command& c) {
    RscFileHandle file = c.app ? sim::applicationResourceFile(c.app) : 0;
    if (!file) return;
    sim::CurrentApplicationScope scope(c.app);
    std::pair<int, int> lists{1, 1};
    if (auto it = state.stringLists.find(c.app); it != state.stringLists.end()) lists = it->second;
    if (c.commandMessage > 0) mdlOutput_rscPrintf(MSG_COMMAND, file, lists.first, c.commandMessage);
    if (c.promptMessage > 0) mdlOutput_rscPrintf(MSG_PROMPT, file, lists.second, c.promptMessage);
}

/* ---- Highlighting the located element ------------------------------------------------- */

void displayTop(uint32_t pos, int drawMode) {
    DgnModelRefP model = mdlModelRef_getActive();
    MSElementDescr* d = nullptr;
    if (!model || mdlElmdscr_read(&d, pos, model, 0, nullptr) <= 0 || !d) return;  /* gone: nothing to show */
    mdlElmdscr_display(d, model, drawMode);
    mdlElmdscr_freeAll(&d);
}

void unhighlight() {
    if (state.locate.highlighted && state.locate.located) displayTop(state.locate.current.top, DRAW_MODE_NORMAL);
    state.locate.highlighted = false;
}

void forgetLocated() {
    unhighlight();
    state.locate.located = false;
    state.locate.current = Candidate{};
}

/* ---- Candidates ------------------------------------------------------------------------- */

Dpoint3d toView(const Dpoint3d& p, const RotMatrix& r) {
    Dpoint3d v = p;
    mdlRMatrix_rotatePoint(&v, &r);
    return v;
}

/* Distance in the view between P and the segment A-B (world points); T gets
** the parameter of the nearest point. */
double segmentDistance(const Dpoint3d& p, const Dpoint3d& a, const Dpoint3d& b, const RotMatrix& r, double& t) {
    Dpoint3d pv = toView(p, r), av = toView(a, r), bv = toView(b, r);
    double dx = bv.x - av.x, dy = bv.y - av.y, len2 = dx * dx + dy * dy;
    t = len2 > 0 ? ((pv.x - av.x) * dx + (pv.y - av.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    double ex = av.x + t * dx - pv.x, ey = av.y + t * dy - pv.y;
    return std::sqrt(ex * ex + ey * ey);
}

Dpoint3d lerp(const Dpoint3d& a, const Dpoint3d& b, double t) {
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

/* Nearest approach of POINT to the drawing of record E; false when E draws nothing. */
bool measure(const uint8_t* e, const Dpoint3d& point, const RotMatrix& r, double tolerance, Candidate& c) {
    int t = type(e);
    std::vector<Dpoint3d> pts;
    bool linear = t == LINE_ELM || t == LINE_STRING_ELM || t == SHAPE_ELM;
    if (linear) {
        int n = vertexCount(e);
        for (int i = 0; i < n; ++i) pts.push_back(vertex(e, i));
    } else if (t == TEXT_ELM) {
        Dpoint3d s[5];
        if (!sim::text::outline(e, s)) return false;
        pts.assign(s, s + 5);
    } else if (!sim::stroke::element(e, tolerance / 4, pts)) {
        return false;
    }
    if (pts.empty()) return false;
    c.distance = std::numeric_limits<double>::infinity();
    if (pts.size() == 1) {
        Dpoint3d a = toView(pts[0], r), b = toView(point, r);
        c.distance = std::hypot(a.x - b.x, a.y - b.y);
        c.projected = pts[0];
    }
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        double s = 0, d = segmentDistance(point, pts[i], pts[i + 1], r, s);
        if (d < c.distance) {
            c.distance = d;
            c.projected = lerp(pts[i], pts[i + 1], s);
            c.segment = linear ? static_cast<int>(i) : -1;
        }
    }
    if (t == TEXT_ELM) {
        /* Inside a text's box counts as on it. */
        Dpoint3d pv = toView(point, r);
        bool inside = false;
        for (int i = 0, j = 3; i < 4; j = i++) {
            Dpoint3d a = toView(pts[i], r), b = toView(pts[j], r);
            if ((a.y > pv.y) != (b.y > pv.y) && pv.x < (b.x - a.x) * (pv.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
        }
        if (inside) c.distance = 0, c.projected = point;
    }
    return true;
}

bool isTopView(const RotMatrix& r) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (r.form3d[i][j] != (i == j ? 1.0 : 0.0)) return false;
    return true;
}

bool typeSearched(int t) { return state.locate.allTypes || state.locate.types.count(t) > 0; }

bool locked(const uint8_t* e) { return (get2(e + D_PROPS) & ELEMPROP_LOCKED) != 0; }

void consider(DgnModel* m, uint32_t top, uint32_t pos, const Dpoint3d& point, const RotMatrix& r, double tol,
              std::vector<Candidate>& out) {
    const sim::design::Slot* s = sim::design::slot(m, pos);
    if (!s || s->deleted || !isGraphicType(s->type) || isComplexType(s->type)) return;
    if (!typeSearched(s->type) || (state.locate.noLocked && locked(s->data))) return;
    /* In a top view an element whose range lies farther off than the tolerance is out at once. */
    Dpoint3d low, high;
    if (isTopView(r) && s->type != TEXT_ELM && range(s->data, low, high) &&
        (point.x < low.x - tol || point.x > high.x + tol || point.y < low.y - tol || point.y > high.y + tol))
        return;
    Candidate c;
    c.top = top;
    c.component = pos;
    if (!measure(s->data, point, r, tol, c) || c.distance > tol) return;
    out.push_back(c);
    /* A component is offered once more as an element of its own, right after
    ** its header: a "next" search gets from a complex element into it. */
    if (top != pos) {
        c.top = pos;
        out.push_back(c);
    }
}

/* True when the top-level element at TOP is one the search looks into. */
bool topSearched(const sim::design::Slot* s) {
    return s && !s->deleted && !s->component && isGraphicType(s->type) && typeSearched(s->type) &&
           !(state.locate.noLocked && locked(s->data));
}

/* The element whose span holds component POS: the first position before it
** that is no component. 0 when there is none. */
uint32_t topOf(DgnModel* m, uint32_t pos) {
    while (pos > 1) {
        const sim::design::Slot* s = sim::design::slot(m, --pos);
        if (!s) return 0;
        if (!s->component) return pos;
    }
    return 0;
}

/* The positions near POINT come from the model's range index, in file
** order; each is then checked as a walk over every element would check it. */
std::vector<Candidate> search(const Dpoint3d& point, int view) {
    std::vector<Candidate> out;
    DgnModel* m = sim::design::activeModel();
    if (!m || view < 1 || view > MAX_VIEWS) return out;
    const sim::view::Window& w = sim::view::window(view);
    double tol = static_cast<double>(LOCATE_TOLERANCE_PIXELS) * w.delta.x / static_cast<double>(VIEW_PIXEL_WIDTH);
    std::vector<uint32_t>& near = state.locate.near;
    sim::design::locateCandidates(m, point, w.rotation, tol, near);
    uint32_t top = 0, topEnd = 0;   /* the complex element last looked into, and the end of its span */
    for (uint32_t pos : near) {
        const sim::design::Slot* s = sim::design::slot(m, pos);
        if (!s || s->deleted) continue;
        if (!s->component) {
            if (topSearched(s) && !isComplexType(s->type)) consider(m, pos, pos, point, w.rotation, tol, out);
            continue;
        }
        if (pos >= topEnd || pos <= top) {
            top = topOf(m, pos);
            const sim::design::Slot* t = sim::design::slot(m, top);
            topEnd = topSearched(t) && isComplexType(t->type) ? top + sim::design::span(m, top) : 0;
        }
        if (pos < topEnd) consider(m, top, pos, point, w.rotation, tol, out);
    }
    std::stable_sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        if (a.distance != b.distance) return a.distance < b.distance;
        return a.component > b.component;
    });
    return out;
}

/* Offer the candidates from state.locate.next on to the filter; the first
** accepted becomes the located element. */
uint32_t offerCandidates(bool hilite) {
    Locate& L = state.locate;
    DgnModel* m = sim::design::activeModel();
    forgetLocated();
    while (m && L.next < L.candidates.size()) {
        Candidate c = L.candidates[L.next++];
        const sim::design::Slot* s = sim::design::slot(m, c.top);
        if (!s || s->deleted) continue;
        /* The filter gets a whole element buffer: one kept for it, with the
        ** bytes past the record zero as in a fresh one (a nested locate from
        ** inside the filter gets a fresh one). */
        std::vector<uint8_t> fresh;
        std::vector<uint8_t>& copy = L.offering ? fresh : L.buffer;
        size_t size = sizeBytes(s->data);
        if (copy.size() < MAX_ELEMENT_SIZE) copy.assign(MAX_ELEMENT_SIZE, 0);
        std::memcpy(copy.data(), s->data, size);
        if (&copy == &L.buffer && L.bufferDirty > size) std::memset(copy.data() + size, 0, L.bufferDirty - size);
        /* The filter sees the candidate as located, so that it can ask for the component. */
        L.located = true;
        L.current = c;
        L.model = m;
        int answer = LOCATE_FILTER_ACCEPT;
        if (L.filter.fn) {
            Dpoint3d p = L.point;
            sim::CurrentApplicationScope scope(L.filter.app);
            bool outer = !L.offering;
            L.offering = true;
            answer = L.filter.fn(reinterpret_cast<MSElement*>(copy.data()), reinterpret_cast<DgnModelRefP>(m), c.top, &p,
                                 L.view);
            if (outer) L.offering = false;
        }
        /* What the filter may have written: the record as it left it. */
        if (&copy == &L.buffer)
            L.bufferDirty = std::max(size, std::min<size_t>(MAX_ELEMENT_SIZE, sizeBytes(copy.data())));
        if (answer == LOCATE_FILTER_ACCEPT) {
            if (hilite) {
                displayTop(c.top, DRAW_MODE_HILITE);
                L.highlighted = true;
            }
            return c.top;
        }
        L.located = false;
        L.current = Candidate{};
    }
    return 0;
}

/* ---- Commands --------------------------------------------------------------------------- */

void endCommand() {
    Command& c = state.command;
    if (c.running && c.modify && c.phase == Phase::Shown && c.clean) call(Bound<StateFunc_Clean>{c.clean, c.app});
    forgetLocated();
    state.locate.candidates.clear();
    state.locate.next = 0;
    state.locate.cursor = false;
    sim::view::clearTransient();
    state.command = Command{};
}

void startCommand(Command c) {
    ensureListener();
    sim::setDefaultCommandHook(endCommand);
    endCommand();
    c.running = true;
    c.app = sim::currentApplication();
    c.dataPoint = {c.startDataPoint, c.app};
    c.reset = {c.startReset, c.app};
    c.dynamics = {c.modify ? c.startDynamics : nullptr, c.app};
    c.phase = Phase::Locate;
    state.command = c;
    showMessages(state.command);
}

bool validView(int view) { return view >= 1 && view <= MAX_VIEWS; }

/* A data point of a modify command that has not accepted an element yet. */
void modifyDataPoint(Dpoint3d p, int view) {
    Command& c = state.command;
    if (c.phase == Phase::Locate) {
        if (!mdlLocate_findElement(&p, view, 0, 0, 1)) {
            /* Nothing within reach: say so (a refused element is the filter's to explain). */
            if (state.locate.candidates.empty()) mdlOutput_printf(MSG_STATUS, "Element not found");
            return;   /* keep looking */
        }
        call(Bound<StateFunc_Show>{c.show, c.app});
        if (state.command.running && state.command.modify && state.command.phase == Phase::Locate) {
            if (state.command.pointCount > 1) {
                state.command.phase = Phase::Shown;
                return;
            }
            state.command.phase = Phase::Accepted;
            call(state.command.dataPoint, &p, view);
        }
        return;
    }
    c.phase = Phase::Accepted;
    call(c.dataPoint, &p, view);
}

void modifyReset() {
    Command& c = state.command;
    if (c.phase != Phase::Shown) {
        call(c.reset);
        return;
    }
    call(Bound<StateFunc_Clean>{c.clean, c.app});
    if (!state.command.running || state.command.phase != Phase::Shown) return;
    if (mdlLocate_findElement(nullptr, 0, 1, 0, 1)) {
        call(Bound<StateFunc_Show>{state.command.show, state.command.app});
        return;
    }
    state.command.phase = Phase::Locate;
}

}  // namespace

/* ---- Platform calls ------------------------------------------------------------------------ */

HOST_API void mdlState_startPrimitive(StateFunc_DataPoint dataPoint, StateFunc_Reset reset, int commandMessage,
                                      int promptMessage) {
    Command c;
    c.startDataPoint = dataPoint;
    c.startReset = reset;
    c.commandMessage = commandMessage;
    c.promptMessage = promptMessage;
    startCommand(c);
}

HOST_API void mdlState_startModifyCommand(StateFunc_Reset reset, StateFunc_DataPoint dataPoint,
                                          StateFunc_Dynamics dynamics, StateFunc_Show show, StateFunc_Clean clean,
                                          int commandMessage, int promptMessage, int modifyFence, int pointCount) {
    (void)modifyFence;
    Command c;
    c.modify = true;
    c.startDataPoint = dataPoint;
    c.startReset = reset;
    c.startDynamics = dynamics;
    c.show = show;
    c.clean = clean;
    c.commandMessage = commandMessage;
    c.promptMessage = promptMessage;
    c.pointCount = pointCount;
    startCommand(c);
}

HOST_API void mdlState_registerStringIds(int commandListId, int promptListId) {
    MdlDesc* app = sim::currentApplication();
    if (!app) return;
    ensureListener();
    state.stringLists[app] = {commandListId, promptListId};
}

HOST_API StatusInt mdlState_setFunction(int type, StateFunc fn) {
    Command& c = state.command;
    if (!c.running) return HOST_ERROR;
    switch (type) {
    case STATEFUNC_DATAPOINT: c.dataPoint = bind(reinterpret_cast<StateFunc_DataPoint>(fn)); return HOST_SUCCESS;
    case STATEFUNC_RESET: c.reset = bind(reinterpret_cast<StateFunc_Reset>(fn)); return HOST_SUCCESS;
    case STATEFUNC_DYNAMICS:
        c.dynamics = bind(reinterpret_cast<StateFunc_Dynamics>(fn));
        if (!fn) sim::view::clearTransient();
        return HOST_SUCCESS;
    default: return HOST_ERROR;
    }
}

HOST_API void mdlState_restartCurrentCommand(void) {
    Command& c = state.command;
    if (!c.running) return;
    if (c.modify && c.phase == Phase::Shown) call(Bound<StateFunc_Clean>{c.clean, c.app});
    forgetLocated();
    state.locate.candidates.clear();
    state.locate.next = 0;
    sim::view::clearTransient();
    c.dataPoint = {c.startDataPoint, c.app};
    c.reset = {c.startReset, c.app};
    c.dynamics = {c.modify ? c.startDynamics : nullptr, c.app};
    c.phase = Phase::Locate;
    showMessages(c);
}

HOST_API void mdlLocate_normal(void) {
    state.locate.allTypes = true;
    state.locate.noLocked = false;
    state.locate.types.clear();
}

HOST_API void mdlLocate_noElemNoLocked(void) {
    state.locate.allTypes = false;
    state.locate.noLocked = true;
    state.locate.types.clear();
}

HOST_API void mdlLocate_setElemSearchMask(int count, const int* types) {
    if (!types || count <= 0) return;
    for (int i = 0; i < count; ++i) state.locate.types.insert(types[i]);
    state.locate.allTypes = false;
}

HOST_API void mdlLocate_init(void) {
    forgetLocated();
    state.locate.candidates.clear();
    state.locate.next = 0;
}

HOST_API void mdlLocate_setCursor(void) { state.locate.cursor = true; }

HOST_API StatusInt mdlLocate_setFunction(int type, LocateFilterFunc fn) {
    if (type != LOCATE_POSTLOCATE) return HOST_ERROR;
    ensureListener();
    state.locate.filter = bind(fn);
    return HOST_SUCCESS;
}

HOST_API UInt32 mdlLocate_findElement(Dpoint3d* point, int view, BoolInt next, int searchType, BoolInt hilite) {
    (void)searchType;
    Locate& L = state.locate;
    if (!next) {
        if (!point || !validView(view)) {
            mdlLocate_init();
            return 0;
        }
        L.point = *point;
        L.view = view;
        L.candidates = search(*point, view);
        L.next = 0;
    }
    return offerCandidates(hilite != 0);
}

HOST_API StatusInt mdlLocate_getProjectedPoint(Dpoint3d* point, int* segment) {
    if (!state.locate.located) return HOST_ERROR;
    if (point) *point = state.locate.current.projected;
    if (segment) *segment = state.locate.current.segment;
    return HOST_SUCCESS;
}

HOST_API UInt32 mdlElement_getFilePos(int what, DgnModelRefP* model) {
    const Locate& L = state.locate;
    if (!L.located || (what != FILEPOS_LOCATED_ELEMENT && what != FILEPOS_LOCATED_COMPONENT)) return 0;
    if (model) *model = reinterpret_cast<DgnModelRefP>(L.model);
    return what == FILEPOS_LOCATED_ELEMENT ? L.current.top : L.current.component;
}

HOST_API void mdlAccuSnap_enableLocate(BoolInt on) { state.accuSnapLocate = on != 0; }
HOST_API void mdlAccuSnap_enableSnap(BoolInt on) { state.accuSnapSnap = on != 0; }
HOST_API BoolInt mdlAccuSnap_isLocateEnabled(void) { return state.accuSnapLocate; }
HOST_API BoolInt mdlAccuSnap_isSnapEnabled(void) { return state.accuSnapSnap; }

/* ---- The user's events ---------------------------------------------------------------------- */

namespace sim::interact {

bool dataPoint(const Dpoint3d& point, int view) {
    if (!validView(view) || !state.command.running) return false;
    return sim::runEvent([&] {
        Dpoint3d p = point;
        if (state.command.modify && state.command.phase != Phase::Accepted) modifyDataPoint(p, view);
        else call(state.command.dataPoint, &p, view);
        return true;
    });
}

bool reset() {
    if (!state.command.running) return false;
    return sim::runEvent([&] {
        if (state.command.modify) modifyReset();
        else call(state.command.reset);
        return true;
    });
}

bool cursorMove(const Dpoint3d& point, int view) {
    if (!validView(view) || !state.command.running) return false;
    return sim::runEvent([&] {
        sim::view::clearTransient();
        if (state.command.modify && state.command.phase == Phase::Locate) return true;
        Dpoint3d p = point;
        call(state.command.dynamics, &p, view, static_cast<int>(DRAW_MODE_TEMP_DRAW));
        return true;
    });
}

bool commandRunning() { return state.command.running; }

int modifyPhase() {
    if (!state.command.running || !state.command.modify) return -1;
    return static_cast<int>(state.command.phase);
}

bool locateCursorShown() { return state.locate.cursor; }

bool parseMasterPoint(const std::string& text, Dpoint3d& point, std::string& error) {
    std::string t = text;
    std::replace(t.begin(), t.end(), ',', ' ');
    std::istringstream in(t);
    double x = 0, y = 0;
    std::string extra;
    if (!(in >> x >> y) || (in >> extra) || !std::isfinite(x) || !std::isfinite(y)) {
        error = "a point is two numbers X,Y in master units: " + text;
        return false;
    }
    double u = sim::design::uorPerMaster(nullptr);
    if (!(u > 0)) u = 1.0;
    point = {x * u, y * u, 0};
    return true;
}

void resetForTests() {
    state.command = Command{};
    state.locate = Locate{};
    state.accuSnapLocate = state.accuSnapSnap = false;
}

static Registration resetRegistration([] { registerReset(ResetStage::Interaction, resetForTests); });

}  // namespace sim::interact
