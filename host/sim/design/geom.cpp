/* Geometry services: the current-transform stack, matrices, vectors, unit and
** text conversions, and the host's numeric constants. State: the transform
** stack (TransformState) and the constant values. */
#include "host/mdlgeom.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/sim/base/base.h"
#include "host/sim/design/design.h"

namespace {

struct Constants {
    double epsilon = 1.0e-5;
    double piOver6 = M_PI / 6.0;
    double piOver3 = M_PI / 3.0;
    double piOver2 = M_PI / 2.0;
    double pi = M_PI;
    double twoPi = 2.0 * M_PI;
    double piOver180 = M_PI / 180.0;
    double rmaxui4 = 4294967295.0;
    double rmaxi4 = 2147483647.0;
};
const Constants constants{};

/* TOLOCAL is the inverse of TOWORLD, computed when first needed: most frames
** only carry points to the world. Once mdlCurrTrans_getAddresses has handed
** out its address, the frame keeps it current on every change. */
struct Frame {
    Transform toWorld;
    Transform toLocal;
    bool localStale = false;   /* toLocal not yet recomputed after a change */
    bool localShared = false;  /* &toLocal was handed out */
};

Transform identityTransform() {
    Transform t{};
    for (int i = 0; i < 3; ++i) t.form3d[i][i] = 1.0;
    return t;
}

/* Frames live in their own allocations and are kept for reuse after
** mdlCurrTrans_end, so that addresses handed out by getAddresses stay valid
** while frames are pushed, and begin/end allocate nothing once warm. */
struct TransformState {
    Frame base{identityTransform(), identityTransform()};
    std::vector<std::unique_ptr<Frame>> frames;   /* frames[0..depth) are open */
    size_t depth = 0;
    Frame& current() { return depth ? *frames[depth - 1] : base; }
};
TransformState transforms;

void invert(Transform& out, const Transform& in) {
    if (mdlTMatrix_getInverse(&out, &in) != 0) out = identityTransform();
}

/* Note that F's toWorld changed: invert now if its inverse is shared, else later. */
void worldChanged(Frame& f) {
    if (f.localShared) {
        invert(f.toLocal, f.toWorld);
        f.localStale = false;
    } else {
        f.localStale = true;
    }
}

const Transform& currentToLocal() {
    Frame& f = transforms.current();
    if (f.localStale) {
        invert(f.toLocal, f.toWorld);
        f.localStale = false;
    }
    return f.toLocal;
}

/* Compose OP after the current frame's local-to-world transform. */
void composeLocal(const Transform& op) {
    Frame& f = transforms.current();
    Transform t;
    mdlTMatrix_multiply(&t, &f.toWorld, &op);
    f.toWorld = t;
    worldChanged(f);
}

RotMatrix rotationXYZ(double ax, double ay, double az) {
    if (ax == 0 && ay == 0 && std::isfinite(az)) {
        /* About z only (every frame of a plane drawing): the x and y factors
        ** are exact identities; adding 0.0 gives the zeros the sign the
        ** full product gives them. */
        double cz = std::cos(az), sz = std::sin(az);
        return RotMatrix{{{cz + 0.0, -sz + 0.0, 0}, {sz + 0.0, cz + 0.0, 0}, {0, 0, 1}}};
    }
    double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
    double cz = std::cos(az), sz = std::sin(az);
    RotMatrix rx{{{1, 0, 0}, {0, cx, -sx}, {0, sx, cx}}};
    RotMatrix ry{{{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}}};
    RotMatrix rz{{{cz, -sz, 0}, {sz, cz, 0}, {0, 0, 1}}};
    RotMatrix t, r;
    mdlRMatrix_multiply(&t, &ry, &rx);
    mdlRMatrix_multiply(&r, &rz, &t);
    return r;
}

Transform fromRotation(const RotMatrix& r) {
    Transform t{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.form3d[i][j] = r.form3d[i][j];
    return t;
}

double determinant(const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

bool invert3(double out[3][3], const double m[3][3]) {
    double det = determinant(m);
    if (std::fabs(det) < 1.0e-300) return false;
    double r[3][3];
    r[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    r[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    r[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    std::memcpy(out, r, sizeof r);
    return true;
}

}  // namespace

const double* fc_epsilonP = &constants.epsilon;
const double* fc_piover6P = &constants.piOver6;
const double* fc_piover3P = &constants.piOver3;
const double* fc_piover2P = &constants.piOver2;
const double* fc_piP = &constants.pi;
const double* fc_2piP = &constants.twoPi;
const double* fc_piover180P = &constants.piOver180;
const double* fc_rmaxui4P = &constants.rmaxui4;
const double* fc_rmaxi4P = &constants.rmaxi4;

namespace sim::geom {

void resetTransformsForTests() { transforms = TransformState{}; }

static Registration resetRegistration([] { registerReset(ResetStage::Design, resetTransformsForTests); });

const Transform& currentToWorld() { return transforms.current().toWorld; }

bool currentIsIdentity() {
    const Transform& t = transforms.current().toWorld;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            if (t.form3d[i][j] != (i == j ? 1.0 : 0.0)) return false;
    return true;
}

}  // namespace sim::geom

/* ---- Current transform ----------------------------------------------------- */

void mdlCurrTrans_begin(void) {
    Frame copy = transforms.current();
    copy.localShared = false;   /* nobody holds the new frame's address yet */
    if (transforms.depth == transforms.frames.size()) transforms.frames.push_back(std::make_unique<Frame>());
    *transforms.frames[transforms.depth++] = copy;
}

void mdlCurrTrans_end(void) {
    if (transforms.depth) --transforms.depth;
}

int mdlCurrTrans_depth(void) { return static_cast<int>(transforms.depth); }

void mdlCurrTrans_identity(void) {
    Frame& f = transforms.current();
    f.toWorld = f.toLocal = identityTransform();
    f.localStale = false;
}

void mdlCurrTrans_translateOrigin(const Dpoint3d* point) {
    if (!point) return;
    Transform t = identityTransform();
    t.form3d[0][3] = point->x;
    t.form3d[1][3] = point->y;
    t.form3d[2][3] = point->z;
    composeLocal(t);
}

void mdlCurrTrans_translateOriginWorld(const Dpoint3d* point) {
    if (!point) return;
    Frame& f = transforms.current();
    mdlTMatrix_setTranslation(&f.toWorld, point);
    worldChanged(f);
}

void mdlCurrTrans_rotateByAngles(double xAngle, double yAngle, double zAngle) {
    composeLocal(fromRotation(rotationXYZ(xAngle, yAngle, zAngle)));
}

void mdlCurrTrans_rotateByRMatrix(const RotMatrix* rotation) {
    if (rotation) composeLocal(fromRotation(*rotation));
}

void mdlCurrTrans_rotateByView(int view) {
    RotMatrix r;
    if (sim::design::viewRotation(view, &r)) composeLocal(fromRotation(r));
}

void mdlCurrTrans_scale(double xScale, double yScale, double zScale) {
    Transform t{};
    t.form3d[0][0] = xScale;
    t.form3d[1][1] = yScale;
    t.form3d[2][2] = zScale;
    composeLocal(t);
}

void mdlCurrTrans_transformPointArray(Dpoint3d* out, const Dpoint3d* in, int count) {
    if (!out || !in) return;
    const Transform& t = transforms.current().toWorld;
    for (int i = 0; i < count; ++i) {
        out[i] = in[i];
        mdlTMatrix_transformPoint(&out[i], &t);
    }
}

void mdlCurrTrans_invtransPointArray(Dpoint3d* out, const Dpoint3d* in, int count) {
    if (!out || !in) return;
    const Transform& t = currentToLocal();
    for (int i = 0; i < count; ++i) {
        out[i] = in[i];
        mdlTMatrix_transformPoint(&out[i], &t);
    }
}

void mdlCurrTrans_getAddresses(Transform** toWorld, Transform** toLocal) {
    Frame& f = transforms.current();
    if (toWorld) *toWorld = &f.toWorld;
    if (toLocal) {
        currentToLocal();
        f.localShared = true;
        *toLocal = &f.toLocal;
    }
}

/* ---- Rotation matrices ----------------------------------------------------- */

void mdlRMatrix_getIdentity(RotMatrix* out) {
    if (!out) return;
    *out = RotMatrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

void mdlRMatrix_fromAngle(RotMatrix* out, double zAngle) {
    if (out) *out = rotationXYZ(0, 0, zAngle);
}

void mdlRMatrix_rotate(RotMatrix* out, const RotMatrix* in, double xAngle, double yAngle, double zAngle) {
    if (!out) return;
    RotMatrix base;
    if (in) base = *in; else mdlRMatrix_getIdentity(&base);
    RotMatrix r = rotationXYZ(xAngle, yAngle, zAngle);
    mdlRMatrix_multiply(out, &r, &base);
}

void mdlRMatrix_multiply(RotMatrix* out, const RotMatrix* a, const RotMatrix* b) {
    if (!out || !a || !b) return;
    RotMatrix r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.form3d[i][j] += a->form3d[i][k] * b->form3d[k][j];
    *out = r;
}

StatusInt mdlRMatrix_getInverse(RotMatrix* out, const RotMatrix* in) {
    if (!out || !in) return HOST_ERROR;
    double r[3][3];
    if (!invert3(r, in->form3d)) return HOST_ERROR;
    std::memcpy(out->form3d, r, sizeof r);
    return HOST_SUCCESS;
}

void mdlRMatrix_fromTMatrix(RotMatrix* out, const Transform* in) {
    if (!out || !in) return;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out->form3d[i][j] = in->form3d[i][j];
}

void mdlRMatrix_rotatePoint(Dpoint3d* p, const RotMatrix* r) { mdlRMatrix_rotatePointArray(p, r, 1); }

void mdlRMatrix_unrotatePoint(Dpoint3d* p, const RotMatrix* r) { mdlRMatrix_unrotatePointArray(p, r, 1); }

void mdlRMatrix_rotatePointArray(Dpoint3d* points, const RotMatrix* r, int count) {
    if (!points || !r) return;
    for (int i = 0; i < count; ++i) {
        Dpoint3d p = points[i];
        const auto& m = r->form3d;
        points[i] = {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z, m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z,
                     m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z};
    }
}

void mdlRMatrix_unrotatePointArray(Dpoint3d* points, const RotMatrix* r, int count) {
    if (!points || !r) return;
    RotMatrix inv;
    if (mdlRMatrix_getInverse(&inv, r) != 0) return;
    mdlRMatrix_rotatePointArray(points, &inv, count);
}

void mdlRMatrix_multiplyRange(Dpoint3d* low, Dpoint3d* high, const RotMatrix* r) {
    if (!low || !high || !r) return;
    Dpoint3d lo = *low, hi = *high;
    bool first = true;
    for (int c = 0; c < 8; ++c) {
        Dpoint3d p{(c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z};
        mdlRMatrix_rotatePoint(&p, r);
        if (first) {
            *low = *high = p;
            first = false;
            continue;
        }
        low->x = std::min(low->x, p.x), low->y = std::min(low->y, p.y), low->z = std::min(low->z, p.z);
        high->x = std::max(high->x, p.x), high->y = std::max(high->y, p.y), high->z = std::max(high->z, p.z);
    }
}

/* ---- Transformation matrices ------------------------------------------------- */

void mdlTMatrix_getIdentity(Transform* out) {
    if (out) *out = identityTransform();
}

void mdlTMatrix_fromRMatrix(Transform* out, const RotMatrix* r) {
    if (out && r) *out = fromRotation(*r);
}

void mdlTMatrix_multiply(Transform* out, const Transform* a, const Transform* b) {
    if (!out || !a || !b) return;
    /* Each sum in the order 0 (or A's translation), then k = 0, 1, 2: the
    ** same bits on every path that composes frames. */
    const auto& A = a->form3d;
    const auto& B = b->form3d;
    Transform r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) r.form3d[i][j] = 0.0 + A[i][0] * B[0][j] + A[i][1] * B[1][j] + A[i][2] * B[2][j];
        r.form3d[i][3] = A[i][3] + A[i][0] * B[0][3] + A[i][1] * B[1][3] + A[i][2] * B[2][3];
    }
    *out = r;
}

void mdlTMatrix_rotateByAngles(Transform* out, const Transform* in, double xAngle, double yAngle, double zAngle) {
    if (!out) return;
    Transform base = in ? *in : identityTransform();
    Transform r = fromRotation(rotationXYZ(xAngle, yAngle, zAngle));
    mdlTMatrix_multiply(out, &r, &base);
}

void mdlTMatrix_translate(Transform* out, const Transform* in, double x, double y, double z) {
    if (!out) return;
    Transform base = in ? *in : identityTransform();
    base.form3d[0][3] += x;
    base.form3d[1][3] += y;
    base.form3d[2][3] += z;
    *out = base;
}

void mdlTMatrix_scale(Transform* out, const Transform* in, double x, double y, double z) {
    if (!out) return;
    Transform s{};
    s.form3d[0][0] = x;
    s.form3d[1][1] = y;
    s.form3d[2][2] = z;
    Transform base = in ? *in : identityTransform();
    mdlTMatrix_multiply(out, &s, &base);
}

void mdlTMatrix_setTranslation(Transform* t, const Dpoint3d* p) {
    if (!t || !p) return;
    t->form3d[0][3] = p->x;
    t->form3d[1][3] = p->y;
    t->form3d[2][3] = p->z;
}

void mdlTMatrix_getTranslation(Dpoint3d* p, const Transform* t) {
    if (p && t) *p = {t->form3d[0][3], t->form3d[1][3], t->form3d[2][3]};
}

StatusInt mdlTMatrix_getInverse(Transform* out, const Transform* in) {
    if (!out || !in) return HOST_ERROR;
    double m[3][3], r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = in->form3d[i][j];
    if (!invert3(r, m)) return HOST_ERROR;
    Transform t{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) t.form3d[i][j] = r[i][j];
        t.form3d[i][3] = -(r[i][0] * in->form3d[0][3] + r[i][1] * in->form3d[1][3] + r[i][2] * in->form3d[2][3]);
    }
    *out = t;
    return HOST_SUCCESS;
}

void mdlTMatrix_transformPoint(Dpoint3d* p, const Transform* t) { mdlTMatrix_transformPointArray(p, t, 1); }

void mdlTMatrix_transformPointArray(Dpoint3d* points, const Transform* t, int count) {
    if (!points || !t) return;
    const auto& m = t->form3d;
    for (int i = 0; i < count; ++i) {
        Dpoint3d p = points[i];
        points[i] = {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
                     m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
                     m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
    }
}

/* ---- Vectors ------------------------------------------------------------------ */

void mdlVec_addPoint(Dpoint3d* out, const Dpoint3d* a, const Dpoint3d* b) {
    if (out && a && b) *out = {a->x + b->x, a->y + b->y, a->z + b->z};
}

void mdlVec_subtractPoint(Dpoint3d* out, const Dpoint3d* a, const Dpoint3d* b) {
    if (out && a && b) *out = {a->x - b->x, a->y - b->y, a->z - b->z};
}

void mdlVec_scale(Dpoint3d* out, const Dpoint3d* in, double s) {
    if (out && in) *out = {in->x * s, in->y * s, in->z * s};
}

double mdlVec_distanceSquared(const Dpoint3d* a, const Dpoint3d* b) {
    if (!a || !b) return 0.0;
    double dx = a->x - b->x, dy = a->y - b->y, dz = a->z - b->z;
    return dx * dx + dy * dy + dz * dz;
}

double mdlVec_distance(const Dpoint3d* a, const Dpoint3d* b) { return std::sqrt(mdlVec_distanceSquared(a, b)); }

double mdlVec_magnitude(const Dpoint3d* v) { return v ? std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z) : 0.0; }

double mdlVec_dotProduct(const Dpoint3d* a, const Dpoint3d* b) {
    return a && b ? a->x * b->x + a->y * b->y + a->z * b->z : 0.0;
}

void mdlVec_crossProduct(Dpoint3d* out, const Dpoint3d* a, const Dpoint3d* b) {
    if (out && a && b) *out = {a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x};
}

double mdlVec_normalize(Dpoint3d* out, const Dpoint3d* in) {
    if (!out || !in) return 0.0;
    double m = mdlVec_magnitude(in);
    if (m == 0.0) {
        *out = {0, 0, 0};
        return 0.0;
    }
    *out = {in->x / m, in->y / m, in->z / m};
    return m;
}

double mdlVec_computeNormal(Dpoint3d* out, const Dpoint3d* end, const Dpoint3d* start) {
    if (!out || !end || !start) return 0.0;
    Dpoint3d d;
    mdlVec_subtractPoint(&d, end, start);
    return mdlVec_normalize(out, &d);
}

StatusInt mdlVec_intersect(Dpoint3d* out, const Dvector3d* a, const Dvector3d* b) {
    if (!out || !a || !b) return HOST_ERROR;
    double ux = a->end.x - a->org.x, uy = a->end.y - a->org.y;
    double wx = b->end.x - b->org.x, wy = b->end.y - b->org.y;
    double den = ux * wy - uy * wx;
    double scale = std::hypot(ux, uy) * std::hypot(wx, wy);
    if (scale == 0.0 || std::fabs(den) <= 1.0e-12 * scale) return HOST_ERROR;
    double t = ((b->org.x - a->org.x) * wy - (b->org.y - a->org.y) * wx) / den;
    *out = {a->org.x + t * ux, a->org.y + t * uy, a->org.z};
    return HOST_SUCCESS;
}

BoolInt mdlVec_pointEqualUOR(const Dpoint3d* a, const Dpoint3d* b) {
    if (!a || !b) return 0;
    return std::llround(a->x) == std::llround(b->x) && std::llround(a->y) == std::llround(b->y) &&
           std::llround(a->z) == std::llround(b->z);
}

BoolInt mdlVec_pointEqual(const Dpoint3d* a, const Dpoint3d* b) {
    return a && b && a->x == b->x && a->y == b->y && a->z == b->z;
}

/* ---- Conversions ---------------------------------------------------------------- */

StatusInt mdlCnv_masterToUOR(double* uor, double master, DgnModelRefP model) {
    double perMaster = sim::design::uorPerMaster(model);
    if (!uor || perMaster <= 0.0) return HOST_ERROR;
    *uor = master * perMaster;
    return HOST_SUCCESS;
}

StatusInt mdlCnv_UORToMaster(double* master, double uor, DgnModelRefP model) {
    double perMaster = sim::design::uorPerMaster(model);
    if (!master || perMaster <= 0.0) return HOST_ERROR;
    *master = uor / perMaster;
    return HOST_SUCCESS;
}

double mdlModelRef_getSubPerMaster(DgnModelRefP model) { return sim::design::subPerMaster(model); }

void mdlCnv_doubleToFileFormat(double* out, const double* in) {
    if (!out || !in) return;
    uint64_t bits;
    std::memcpy(&bits, in, 8);
    uint8_t b[8];
    sim::put8(b, bits);
    std::memcpy(out, b, 8);
}

void mdlCnv_doubleFromFileFormat(double* out, const double* in) {
    if (!out || !in) return;
    uint8_t b[8];
    std::memcpy(b, in, 8);
    uint64_t bits = sim::get8(b);
    std::memcpy(out, &bits, 8);
}

namespace {

/* Decode one UTF-8 sequence at S (N bytes left); malformed bytes map to
** U+FFFD one byte at a time so that no input is skipped silently. */
char32_t decodeUtf8(const unsigned char* s, size_t n, size_t& used) {
    unsigned char c = s[0];
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || static_cast<size_t>(len) > n) {
        used = 1;
        return 0xFFFD;
    }
    char32_t cp = len == 1 ? c : c & (0x7F >> len);
    for (int i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            used = 1;
            return 0xFFFD;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    used = len;
    return cp > 0x10FFFF ? 0xFFFD : cp;
}

}  // namespace

int mdlCnv_convertMultibyteToUnicode(const char* text, int length, MSWChar* out, int outSize) {
    if (!text || !out || outSize <= 0) return -1;
    size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    int w = 0;
    for (size_t i = 0; i < n && s[i];) {
        size_t used;
        char32_t cp = decodeUtf8(s + i, n - i, used);
        int need = cp >= 0x10000 ? 2 : 1;
        if (w + need > outSize - 1) break;
        if (need == 2) {
            cp -= 0x10000;
            out[w++] = static_cast<MSWChar>(0xD800 + (cp >> 10));
            out[w++] = static_cast<MSWChar>(0xDC00 + (cp & 0x3FF));
        } else {
            out[w++] = static_cast<MSWChar>(cp);
        }
        i += used;
    }
    out[w] = 0;
    return w;
}

int mdlCnv_convertUnicodeToMultibyte(const MSWChar* text, int length, char* out, int outSize) {
    if (!text || !out || outSize <= 0) return -1;
    int w = 0;
    for (int i = 0; (length < 0 || i < length) && text[i];) {
        char32_t cp = text[i++];
        if (cp >= 0xD800 && cp < 0xDC00 && (length < 0 || i < length) && text[i] >= 0xDC00 && text[i] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
        else if (cp >= 0xD800 && cp < 0xE000)
            cp = 0xFFFD;
        char b[4];
        int len;
        if (cp < 0x80) { b[0] = static_cast<char>(cp); len = 1; }
        else if (cp < 0x800) { b[0] = static_cast<char>(0xC0 | (cp >> 6)); b[1] = static_cast<char>(0x80 | (cp & 0x3F)); len = 2; }
        else if (cp < 0x10000) {
            b[0] = static_cast<char>(0xE0 | (cp >> 12)); b[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            b[2] = static_cast<char>(0x80 | (cp & 0x3F)); len = 3;
        } else {
            b[0] = static_cast<char>(0xF0 | (cp >> 18)); b[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            b[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); b[3] = static_cast<char>(0x80 | (cp & 0x3F)); len = 4;
        }
        if (w + len > outSize - 1) break;
        std::memcpy(out + w, b, len);
        w += len;
    }
    out[w] = 0;
    return w;
}
