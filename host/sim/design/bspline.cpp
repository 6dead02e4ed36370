/* B-spline curves: least-squares fit of a clamped, non-rational curve of a
** given order and pole count to points, evaluation, and freeing. The fit
** keeps the end poles on the end points and solves for the inner poles with
** Givens rotations over the banded collocation matrix (no normal equations),
** so a pole count equal to the point count interpolates. */
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "host/mdlbspline.h"
#include "host/mdlsystem.h"

namespace {

/* Rank test: a diagonal of the triangular factor this far below the largest
** one means the points leave a pole undetermined. */
constexpr double singularRatio = 1e-12;

/* Index s of the knot span [knots[s], knots[s + 1]) holding u, with s in
** [degree, numPoles - 1]; u = 1 falls into the last non-empty span. */
int findSpan(const double* knots, int numPoles, int degree, double u) {
    if (u >= knots[numPoles]) return numPoles - 1;
    if (u <= knots[degree]) return degree;
    int low = degree, high = numPoles;
    int mid = (low + high) / 2;
    while (u < knots[mid] || u >= knots[mid + 1]) {
        if (u < knots[mid])
            high = mid;
        else
            low = mid;
        mid = (low + high) / 2;
    }
    return mid;
}

/* The degree + 1 basis functions that do not vanish in SPAN at u, for the
** poles span - degree ... span (Cox-de Boor, triangular scheme). */
void basisFunctions(double* basis, const double* knots, int span, int degree, double u) {
    double left[BSPLINE_MAX_ORDER], right[BSPLINE_MAX_ORDER];
    basis[0] = 1.0;
    for (int j = 1; j <= degree; ++j) {
        left[j] = u - knots[span + 1 - j];
        right[j] = knots[span + j] - u;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            double denominator = right[r + 1] + left[j - r];
            double term = denominator != 0.0 ? basis[r] / denominator : 0.0;
            basis[r] = saved + right[r + 1] * term;
            saved = left[j - r] * term;
        }
        basis[j] = saved;
    }
}

Dpoint3d curvePoint(const Dpoint3d* poles, const double* knots, int numPoles, int degree, double u) {
    double basis[BSPLINE_MAX_ORDER];
    int span = findSpan(knots, numPoles, degree, u);
    basisFunctions(basis, knots, span, degree, u);
    Dpoint3d p{0.0, 0.0, 0.0};
    for (int i = 0; i <= degree; ++i) {
        const Dpoint3d& pole = poles[span - degree + i];
        p.x += basis[i] * pole.x;
        p.y += basis[i] * pole.y;
        p.z += basis[i] * pole.z;
    }
    return p;
}

double distance(const Dpoint3d& a, const Dpoint3d& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

/* Curve parameters of the points: the caller's, scaled to [0, 1], or chord
** lengths. False when they are decreasing somewhere or all equal. */
bool pointParameters(std::vector<double>& t, const Dpoint3d* points, const double* params, int numPoints) {
    t.resize(numPoints);
    if (params) {
        double first = params[0], last = params[numPoints - 1];
        if (!(last > first)) return false;
        for (int i = 0; i < numPoints; ++i) {
            if (!std::isfinite(params[i]) || (i > 0 && params[i] < params[i - 1])) return false;
            t[i] = (params[i] - first) / (last - first);
        }
    } else {
        t[0] = 0.0;
        for (int i = 1; i < numPoints; ++i) t[i] = t[i - 1] + distance(points[i - 1], points[i]);
        double total = t[numPoints - 1];
        if (!(total > 0.0) || !std::isfinite(total)) return false;
        for (int i = 1; i < numPoints; ++i) t[i] /= total;
    }
    t[numPoints - 1] = 1.0;
    return true;
}

/* The clamped knot vector (numPoles + degree + 1 values). Interior knots
** average the parameters when the fit interpolates, and are spread so that
** every span holds parameters when it approximates. */
void clampedKnots(double* knots, const std::vector<double>& t, int numPoles, int degree) {
    int numPoints = static_cast<int>(t.size());
    for (int i = 0; i <= degree; ++i) {
        knots[i] = 0.0;
        knots[numPoles + i] = 1.0;
    }
    int interior = numPoles - degree - 1;
    if (numPoles == numPoints) {
        for (int j = 1; j <= interior; ++j) {
            double sum = 0.0;
            for (int i = j; i < j + degree; ++i) sum += t[i];
            knots[degree + j] = sum / degree;
        }
    } else {
        double d = static_cast<double>(numPoints) / (numPoles - degree);
        for (int j = 1; j <= interior; ++j) {
            int i = static_cast<int>(j * d);
            double alpha = j * d - i;
            knots[degree + j] = (1.0 - alpha) * t[i - 1] + alpha * t[i];
        }
    }
}

/* Banded least squares for the inner poles. Row j of the triangular factor
** holds its entries from column j on, width degree + 1. */
struct BandedSolver {
    int unknowns, width;
    std::vector<double> r;        /* unknowns x width */
    std::vector<Dpoint3d> z;      /* right-hand sides */
    std::vector<char> used;

    BandedSolver(int n, int w) : unknowns(n), width(w), r(size_t(n) * w, 0.0), z(n, Dpoint3d{0, 0, 0}), used(n, 0) {}

    /* Fold the equation sum a[k] * x[start + k] = b into the factor. */
    void addRow(double* a, Dpoint3d b, int start) {
        /* Each step clears a[0] and shifts a zero in at the end, so after
        ** WIDTH steps the row is spent (its remainder is the residual). */
        for (int live = width; live > 0 && start < unknowns; --live) {
            if (a[0] != 0.0) {
                double* row = &r[size_t(start) * width];
                if (!used[start]) {
                    std::copy(a, a + width, row);
                    z[start] = b;
                    used[start] = 1;
                    return;
                }
                double h = std::hypot(row[0], a[0]);
                double c = row[0] / h, s = a[0] / h;
                for (int k = 0; k < width; ++k) {
                    double rk = row[k], ak = a[k];
                    row[k] = c * rk + s * ak;
                    a[k] = c * ak - s * rk;
                }
                Dpoint3d& zs = z[start];
                Dpoint3d zn{c * zs.x + s * b.x, c * zs.y + s * b.y, c * zs.z + s * b.z};
                b = Dpoint3d{c * b.x - s * zs.x, c * b.y - s * zs.y, c * b.z - s * zs.z};
                zs = zn;
            }
            std::copy(a + 1, a + width, a);
            a[width - 1] = 0.0;
            ++start;
        }
    }

    /* Back-substitute into X; false when the factor is rank deficient. */
    bool solve(Dpoint3d* x) const {
        double largest = 0.0;
        for (int j = 0; j < unknowns; ++j) largest = std::max(largest, std::fabs(r[size_t(j) * width]));
        for (int j = unknowns - 1; j >= 0; --j) {
            const double* row = &r[size_t(j) * width];
            if (!used[j] || !(std::fabs(row[0]) > singularRatio * largest)) return false;
            Dpoint3d sum = z[j];
            for (int k = 1; k < width && j + k < unknowns; ++k) {
                sum.x -= row[k] * x[j + k].x;
                sum.y -= row[k] * x[j + k].y;
                sum.z -= row[k] * x[j + k].z;
            }
            x[j] = Dpoint3d{sum.x / row[0], sum.y / row[0], sum.z / row[0]};
        }
        return true;
    }
};

/* Poles of the fit into POLES given the knots and parameters. */
bool fitPoles(Dpoint3d* poles, const double* knots, const std::vector<double>& t, const Dpoint3d* points,
              int numPoles, int degree) {
    int numPoints = static_cast<int>(t.size());
    poles[0] = points[0];
    poles[numPoles - 1] = points[numPoints - 1];
    int unknowns = numPoles - 2;
    if (unknowns == 0) return true;

    BandedSolver solver(unknowns, degree + 1);
    double basis[BSPLINE_MAX_ORDER], a[BSPLINE_MAX_ORDER];
    for (int i = 1; i < numPoints - 1; ++i) {
        int span = findSpan(knots, numPoles, degree, t[i]);
        basisFunctions(basis, knots, span, degree, t[i]);
        Dpoint3d b = points[i];
        int first = span - degree; /* pole index of basis[0] */
        int start = -1, count = 0;
        for (int k = 0; k <= degree; ++k) {
            int pole = first + k;
            if (pole == 0 || pole == numPoles - 1) {
                const Dpoint3d& end = poles[pole];
                b.x -= basis[k] * end.x;
                b.y -= basis[k] * end.y;
                b.z -= basis[k] * end.z;
                continue;
            }
            if (start < 0) start = pole - 1;
            a[count++] = basis[k];
        }
        if (start < 0) continue; /* only end poles act here */
        std::fill(a + count, a + degree + 1, 0.0);
        solver.addRow(a, b, start);
    }
    return solver.solve(poles + 1);
}

}  // namespace

HOST_API StatusInt mdlBspline_leastSquaresToCurve(BsplineCurve* curve, double* averageDistance,
                                                  double* maximumDistance, const Dpoint3d* points,
                                                  const double* params, int numPoints) {
    if (!curve || !points) return HOST_ERROR;
    int order = curve->params.order, numPoles = curve->params.numPoles;
    if (order < BSPLINE_MIN_ORDER || order > BSPLINE_MAX_ORDER) return HOST_ERROR;
    if (numPoles < order || numPoles > numPoints) return HOST_ERROR;
    for (int i = 0; i < numPoints; ++i)
        if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y) || !std::isfinite(points[i].z))
            return HOST_ERROR;
    int degree = order - 1;

    Dpoint3d* poles = nullptr;
    double* knots = nullptr;
    try {
        std::vector<double> t;
        if (!pointParameters(t, points, params, numPoints)) return HOST_ERROR;
        poles = static_cast<Dpoint3d*>(dlmSystem_mdlMalloc(sizeof(Dpoint3d) * size_t(numPoles)));
        knots = static_cast<double*>(dlmSystem_mdlMalloc(sizeof(double) * size_t(numPoles + order)));
        if (!poles || !knots) throw std::bad_alloc();
        clampedKnots(knots, t, numPoles, degree);
        if (!fitPoles(poles, knots, t, points, numPoles, degree)) {
            dlmSystem_mdlFree(poles);
            dlmSystem_mdlFree(knots);
            return HOST_ERROR;
        }
        double sum = 0.0, largest = 0.0;
        for (int i = 0; i < numPoints; ++i) {
            double d = distance(curvePoint(poles, knots, numPoles, degree, t[i]), points[i]);
            sum += d;
            largest = std::max(largest, d);
        }
        if (averageDistance) *averageDistance = sum / numPoints;
        if (maximumDistance) *maximumDistance = largest;
    } catch (const std::bad_alloc&) {
        dlmSystem_mdlFree(poles);
        dlmSystem_mdlFree(knots);
        return HOST_ERROR;
    }
    curve->poles = poles;
    curve->knots = knots;
    curve->weights = nullptr;
    curve->rational = 0;
    curve->params.closed = 0;
    curve->params.numKnots = numPoles - order;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlBspline_evaluateCurvePoint(Dpoint3d* point, const BsplineCurve* curve, double u) {
    if (!point || !curve || !curve->poles || !curve->knots) return HOST_ERROR;
    int order = curve->params.order, numPoles = curve->params.numPoles;
    if (order < BSPLINE_MIN_ORDER || order > BSPLINE_MAX_ORDER || numPoles < order) return HOST_ERROR;
    u = std::clamp(u, 0.0, 1.0);
    *point = curvePoint(curve->poles, curve->knots, numPoles, order - 1, u);
    return HOST_SUCCESS;
}

HOST_API void mdlBspline_freeCurve(BsplineCurve* curve) {
    if (!curve) return;
    dlmSystem_mdlFree(curve->poles);
    dlmSystem_mdlFree(curve->knots);
    dlmSystem_mdlFree(curve->weights);
    curve->poles = nullptr;
    curve->knots = nullptr;
    curve->weights = nullptr;
}
