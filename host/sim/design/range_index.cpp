/* The range index of a model: a packed tree of element boxes that locate
** asks for the elements near a point, so that a pick costs about the same in
** ten thousand elements as in a million. Built from the model's slots at the
** first question; every later change of a slot (add, replace, undo, redo)
** lands in a short list of recent boxes that is folded in by a rebuild once
** it grows. Stale boxes only cost a wasted look: locate checks each record. */
#include <algorithm>
#include <cmath>
#include <limits>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/sim/design/design_int.h"

using namespace sim::elem;

namespace sim::design {

namespace {

constexpr size_t FANOUT = 16;
constexpr size_t MIN_RECENT = 256;   /* recent boxes a question scans before a rebuild pays */

/* An element's box in floats rounded outward: 28 bytes an element. */
struct Box {
    float low[3], high[3];
    uint32_t pos;   /* unused in tree nodes */
};

}  // namespace

struct RangeIndex {
    bool built = false;
    std::vector<Box> leaves;                 /* in tree order */
    std::vector<std::vector<Box>> levels;    /* levels[0] groups the leaves; back() is the root level */
    std::vector<Box> recent;                 /* changed since the build */
    std::vector<uint32_t> unbounded;         /* positions whose geometry has no finite box */
};

void freeRangeIndex(RangeIndex* index) { delete index; }

namespace {

float down(double v) {
    float f = static_cast<float>(v);
    return static_cast<double>(f) > v ? std::nextafter(f, -std::numeric_limits<float>::infinity()) : f;
}

float up(double v) {
    float f = static_cast<float>(v);
    return static_cast<double>(f) < v ? std::nextafter(f, std::numeric_limits<float>::infinity()) : f;
}

void extend(double low[3], double high[3], const Dpoint3d& p) {
    const double c[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
        low[i] = std::min(low[i], c[i]);
        high[i] = std::max(high[i], c[i]);
    }
}

enum class Extent { None, Finite, Unbounded };

/* The box of everything locate measures of record E: vertices, a text's
** outline, a conic's whole ellipse. None: E draws nothing locate can hit. */
Extent extentOf(const uint8_t* e, Box& box) {
    const double inf = std::numeric_limits<double>::infinity();
    double low[3] = {inf, inf, inf}, high[3] = {-inf, -inf, -inf};
    switch (type(e)) {
    case LINE_ELM:
    case LINE_STRING_ELM:
    case SHAPE_ELM:
        for (int i = 0, n = vertexCount(e); i < n; ++i) extend(low, high, vertex(e, i));
        break;
    case TEXT_ELM: {
        Dpoint3d shape[5];
        if (!sim::text::outline(e, shape)) return Extent::None;
        for (const Dpoint3d& p : shape) extend(low, high, p);
        break;
    }
    case ARC_ELM:
    case ELLIPSE_ELM: {
        Dpoint3d c = getP(e + E_CENTRE);
        RotMatrix r = getM(e + E_ROT);
        double a1 = getD(e + E_AXIS1), a2 = getD(e + E_AXIS2);
        const double centre[3] = {c.x, c.y, c.z};
        for (int i = 0; i < 3; ++i) {
            double reach = std::fabs(a1 * r.form3d[i][0]) + std::fabs(a2 * r.form3d[i][1]);
            low[i] = centre[i] - reach;
            high[i] = centre[i] + reach;
        }
        break;
    }
    default:
        return Extent::None;
    }
    for (int i = 0; i < 3; ++i) {
        if (low[i] > high[i]) return Extent::None;
        /* Beyond what a float box holds: offered at every pick. */
        if (!(std::fabs(low[i]) < 1e37) || !(std::fabs(high[i]) < 1e37)) return Extent::Unbounded;
        box.low[i] = down(low[i]);
        box.high[i] = up(high[i]);
    }
    return Extent::Finite;
}

void unite(Box& into, const Box& b) {
    for (int i = 0; i < 3; ++i) {
        into.low[i] = std::min(into.low[i], b.low[i]);
        into.high[i] = std::max(into.high[i], b.high[i]);
    }
}

/* Order the leaves along a Z curve of their centres in the plane, then
** group FANOUT neighbours per node, level by level. */
void build(DgnModel* m, RangeIndex& x) {
    x.leaves.clear();
    x.levels.clear();
    x.recent.clear();
    x.unbounded.clear();
    x.leaves.reserve(m->slots.size());
    for (uint32_t pos = 1; pos <= m->slots.size(); ++pos) {
        const Slot& s = m->slots[pos - 1];
        if (!s.data || s.deleted) continue;
        Box b;
        Extent e = extentOf(s.data, b);
        if (e == Extent::Unbounded) x.unbounded.push_back(pos);
        if (e != Extent::Finite) continue;
        b.pos = pos;
        x.leaves.push_back(b);
    }
    x.leaves.shrink_to_fit();
    x.built = true;
    if (x.leaves.empty()) return;
    Box all = x.leaves.front();
    for (const Box& b : x.leaves) unite(all, b);
    double ox = all.low[0], oy = all.low[1];
    double sx = 65535.0 / std::max(1e-300, static_cast<double>(all.high[0]) - ox);
    double sy = 65535.0 / std::max(1e-300, static_cast<double>(all.high[1]) - oy);
    auto spread = [](uint64_t v) {
        v &= 0xFFFF;
        v = (v | (v << 8)) & 0x00FF00FF;
        v = (v | (v << 4)) & 0x0F0F0F0F;
        v = (v | (v << 2)) & 0x33333333;
        v = (v | (v << 1)) & 0x55555555;
        return v;
    };
    std::vector<std::pair<uint64_t, uint32_t>> keyed(x.leaves.size());
    for (size_t i = 0; i < x.leaves.size(); ++i) {
        const Box& b = x.leaves[i];
        double cx = (0.5 * (static_cast<double>(b.low[0]) + b.high[0]) - ox) * sx;
        double cy = (0.5 * (static_cast<double>(b.low[1]) + b.high[1]) - oy) * sy;
        uint64_t key = spread(static_cast<uint64_t>(std::clamp(cx, 0.0, 65535.0))) |
                       spread(static_cast<uint64_t>(std::clamp(cy, 0.0, 65535.0))) << 1;
        keyed[i] = {key << 32 | b.pos, static_cast<uint32_t>(i)};
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<Box> ordered(x.leaves.size());
    for (size_t i = 0; i < keyed.size(); ++i) ordered[i] = x.leaves[keyed[i].second];
    x.leaves = std::move(ordered);
    const std::vector<Box>* below = &x.leaves;
    do {
        std::vector<Box> level;
        level.reserve((below->size() + FANOUT - 1) / FANOUT);
        for (size_t i = 0; i < below->size(); i += FANOUT) {
            Box n = (*below)[i];
            for (size_t k = i + 1; k < std::min(below->size(), i + FANOUT); ++k) unite(n, (*below)[k]);
            level.push_back(n);
        }
        x.levels.push_back(std::move(level));
        below = &x.levels.back();
    } while (below->size() > 1);
}

/* A view's question: does a world box, seen through ROTATION, come within
** REACH of the point PV (view coordinates) in the view's plane? */
struct Probe {
    const RotMatrix* rotation;
    double pv[2];
    double reach;
    bool hits(const Box& b) const {
        double c[3], h[3];
        for (int j = 0; j < 3; ++j) {
            c[j] = 0.5 * (static_cast<double>(b.low[j]) + b.high[j]);
            h[j] = 0.5 * (static_cast<double>(b.high[j]) - b.low[j]);
        }
        for (int i = 0; i < 2; ++i) {
            const double* r = rotation->form3d[i];
            double centre = r[0] * c[0] + r[1] * c[1] + r[2] * c[2];
            double half = std::fabs(r[0]) * h[0] + std::fabs(r[1]) * h[1] + std::fabs(r[2]) * h[2];
            if (!(std::fabs(centre - pv[i]) <= half + reach)) return false;
        }
        return true;
    }
};

void descend(const RangeIndex& x, const Probe& probe, size_t level, size_t node, std::vector<uint32_t>& out) {
    const std::vector<Box>& children = level == 0 ? x.leaves : x.levels[level - 1];
    size_t first = node * FANOUT, last = std::min(children.size(), first + FANOUT);
    for (size_t i = first; i < last; ++i) {
        if (!probe.hits(children[i])) continue;
        if (level == 0) out.push_back(children[i].pos);
        else descend(x, probe, level - 1, i, out);
    }
}

}  // namespace

void indexSlot(DgnModel* m, uint32_t pos) {
    if (!m->rangeIndex || !m->rangeIndex->built) return;
    const Slot* s = slot(m, pos);
    if (!s || s->deleted) return;
    Box b;
    Extent e = extentOf(s->data, b);
    if (e == Extent::Unbounded) m->rangeIndex->unbounded.push_back(pos);
    if (e != Extent::Finite) return;
    b.pos = pos;
    m->rangeIndex->recent.push_back(b);
}

void locateCandidates(DgnModel* m, const Dpoint3d& point, const RotMatrix& rotation, double tolerance,
                      std::vector<uint32_t>& out) {
    out.clear();
    if (!m) return;
    if (!std::isfinite(tolerance)) {
        /* Nothing to prune by: every position is a candidate. */
        for (uint32_t pos = 1; pos <= m->slots.size(); ++pos) out.push_back(pos);
        return;
    }
    if (!m->rangeIndex) m->rangeIndex.reset(new RangeIndex);
    RangeIndex& x = *m->rangeIndex;
    if (!x.built || x.recent.size() > MIN_RECENT + x.leaves.size() / 32 ||
        x.unbounded.size() > MIN_RECENT + m->slots.size() / 32)
        build(m, x);
    Dpoint3d pv = point;
    mdlRMatrix_rotatePoint(&pv, &rotation);
    /* Room for the rounding of the view's arithmetic against locate's own. */
    double magnitude = std::fabs(pv.x) + std::fabs(pv.y) + std::fabs(pv.z);
    Probe probe{&rotation, {pv.x, pv.y}, tolerance * (1 + 1e-9) + magnitude * 1e-12};
    if (!x.levels.empty()) {
        const std::vector<Box>& top = x.levels.back();
        for (size_t i = 0; i < top.size(); ++i)
            if (probe.hits(top[i])) descend(x, probe, x.levels.size() - 1, i, out);
    }
    for (const Box& b : x.recent)
        if (probe.hits(b)) out.push_back(b.pos);
    out.insert(out.end(), x.unbounded.begin(), x.unbounded.end());
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

}  // namespace sim::design
