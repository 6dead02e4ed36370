/* Hatching: parallel lines at an angle and spacing, cut to the inside of a
** closed element (even-odd rule), as a chain of line elements. No state. */
#include <algorithm>
#include <cmath>
#include <vector>

#include "host/mdlelement.h"
#include "host/mdlgeom.h"
#include "host/mdlview.h"
#include "host/sim/design/design.h"
#include "host/sim/display/display.h"

using namespace sim::elem;

namespace {

constexpr double MAX_HATCH_LINES = 100000.0;

struct Edge {
    double x0, y0, x1, y1;   /* in the hatch frame: lines run along x */
};

bool isClosed(int t) { return t == SHAPE_ELM || t == CMPLX_SHAPE_ELM || t == ELLIPSE_ELM; }

/* The boundary's outline as world points (a complex shape's components in order). */
bool outline(const MSElementDescr* b, double tolerance, std::vector<Dpoint3d>& pts) {
    if (!sim::stroke::element(b->el.bytes, tolerance, pts)) return false;
    for (const MSElementDescr* c = b->firstChild; c; c = c->next)
        if (!sim::stroke::element(c->el.bytes, tolerance, pts)) return false;
    return pts.size() >= 3;
}

void freeChain(MSElementDescr*& chain) {
    if (chain) mdlElmdscr_freeAll(&chain);
    chain = nullptr;
}

}  // namespace

StatusInt mdlPattern_hatch(MSElementDescr** hatch, const MSElementDescr* boundary, const MSElement* templ, double angle,
                           double spacing, const Dpoint3d* origin) {
    if (!hatch) return HOST_ERROR;
    *hatch = nullptr;
    if (!boundary || !isClosed(type(boundary->el.bytes)) || !(spacing > 0) || !std::isfinite(spacing) ||
        !std::isfinite(angle))
        return HOST_ERROR;
    std::vector<Dpoint3d> pts;
    if (!outline(boundary, std::max(spacing / 100.0, 1e-6), pts)) return HOST_ERROR;
    if (!mdlVec_pointEqual(&pts.front(), &pts.back())) pts.push_back(pts.front());

    /* Turn the plane by -ANGLE so that hatch lines become horizontal. */
    double c = std::cos(angle), s = std::sin(angle);
    auto toFrame = [c, s](const Dpoint3d& p) { return Dpoint3d{p.x * c + p.y * s, -p.x * s + p.y * c, p.z}; };
    auto toWorld = [c, s](double x, double y, double z) { return Dpoint3d{x * c - y * s, x * s + y * c, z}; };
    std::vector<Edge> edges;
    double minY = 1e300, maxY = -1e300;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        Dpoint3d a = toFrame(pts[i]), b = toFrame(pts[i + 1]);
        edges.push_back({a.x, a.y, b.x, b.y});
        minY = std::min(minY, a.y), maxY = std::max(maxY, a.y);
    }
    Dpoint3d anchor = toFrame(origin ? *origin : pts.front());
    double k0 = std::ceil((minY - anchor.y) / spacing), k1 = std::floor((maxY - anchor.y) / spacing);
    if (k1 - k0 + 1 > MAX_HATCH_LINES) return HOST_ERROR;
    const MSElement* symbology = templ ? templ : &boundary->el;
    double z = pts.front().z;

    MSElementDescr* chain = nullptr;
    std::vector<double> xs;
    MSElement line;
    mdlCurrTrans_begin();   /* points below are world coordinates */
    mdlCurrTrans_identity();
    bool ok = true;
    for (double k = k0; k <= k1 && ok; ++k) {
        double y = anchor.y + k * spacing;
        xs.clear();
        /* Half-open crossing rule: a vertex on the line counts once. */
        for (const Edge& e : edges)
            if ((e.y0 <= y) != (e.y1 <= y)) xs.push_back(e.x0 + (y - e.y0) / (e.y1 - e.y0) * (e.x1 - e.x0));
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size() && ok; i += 2) {
            if (xs[i + 1] - xs[i] <= spacing * 1e-9) continue;   /* a touch, not a crossing */
            Dpoint3d ends[2] = {toWorld(xs[i], y, z), toWorld(xs[i + 1], y, z)};
            ok = mdlLine_create(&line, symbology, ends) == HOST_SUCCESS;
            put2(line.bytes + D_PROPS, get2(line.bytes + D_PROPS) & ~ELEMPROP_FILLED);   /* a shape template's fill */
            if (ok) ok = chain ? mdlElmdscr_appendElement(chain, &line) == HOST_SUCCESS
                               : mdlElmdscr_new(&chain, nullptr, &line) == HOST_SUCCESS;
        }
    }
    mdlCurrTrans_end();
    if (!ok) {
        freeChain(chain);
        return HOST_ERROR;
    }
    *hatch = chain;
    return HOST_SUCCESS;
}
