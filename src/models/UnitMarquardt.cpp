// Non-linear least squares for the exponential and sine models: starting values, Levenberg-Marquardt
// iteration with a line search, repair of the sine parameters and standard errors.
#include "models/UnitMarquardt.h"

#include "calc/UnitMoindresCarres.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Infinity = std::numeric_limits<double>::infinity();
// The objective stops growing here: a start far away must not overflow.
constexpr double SumCap = 1e30;
// The iteration limit and the relative step below which a parameter counts as settled. Both are
// tighter than a quick fit would need, so that the parameters reach the least-squares optimum and not a
// nearby point where the steps became short; a fit still takes a few milliseconds.
constexpr int MaxIterations = 200;
constexpr double StepTolerance = 1e-7;
constexpr double StartDamping = 0.01;
constexpr double MaxDamping = 1e3;

bool IsFinite(double v)
{
    return std::isfinite(v);
}

// Finite points sorted by abscissa.
struct TPoints
{
    std::vector<double> X, Y;
};

TPoints FinitePoints(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = std::min(x.size(), y.size());
    std::vector<std::size_t> order;
    order.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        if (IsFinite(x[i]) && IsFinite(y[i]))
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return x[a] < x[b]; });
    TPoints p;
    p.X.reserve(order.size());
    p.Y.reserve(order.size());
    for (std::size_t i : order) {
        p.X.push_back(x[i]);
        p.Y.push_back(y[i]);
    }
    return p;
}

// Brent's minimisation of f on [a, b] (golden section 0.381966 and parabolic steps), absolute tolerance
// tol, at most maxIter evaluations after the first. Returns the abscissa of the best value found.
template <class F> double BrentMinimum(F f, double a, double b, double tol, int maxIter)
{
    const double golden = 0.381966;
    const double eps = std::sqrt(2.22e-16);
    double x = a + golden * (b - a);
    double w = x, v = x;
    double fx = f(x);
    double fw = fx, fv = fx;
    double d = 0.0, e = 0.0;
    for (int iter = 0; iter < maxIter; ++iter) {
        const double xm = 0.5 * (a + b);
        const double tol1 = eps * std::fabs(x) + tol / 3.0;
        const double tol2 = 2.0 * tol1;
        if (std::fabs(x - xm) <= tol2 - 0.5 * (b - a))
            break;
        bool golden_step = true;
        if (std::fabs(e) > tol1) {
            double r = (x - w) * (fx - fv);
            double q = (x - v) * (fx - fw);
            double p = (x - v) * q - (x - w) * r;
            q = 2.0 * (q - r);
            if (q > 0)
                p = -p;
            q = std::fabs(q);
            r = e;
            e = d;
            if (std::fabs(p) < std::fabs(0.5 * q * r) && p > q * (a - x) && p < q * (b - x)) {
                d = p / q;
                const double u = x + d;
                if (u - a < tol2 || b - u < tol2)
                    d = xm >= x ? tol1 : -tol1;
                golden_step = false;
            }
        }
        if (golden_step) {
            e = x >= xm ? a - x : b - x;
            d = golden * e;
        }
        const double u = std::fabs(d) >= tol1 ? x + d : x + (d > 0 ? tol1 : -tol1);
        const double fu = f(u);
        if (fu <= fx) {
            if (u >= x)
                a = x;
            else
                b = x;
            v = w;
            fv = fw;
            w = x;
            fw = fx;
            x = u;
            fx = fu;
        } else {
            if (u < x)
                a = u;
            else
                b = u;
            if (fu <= fw || w == x) {
                v = w;
                fv = fw;
                w = u;
                fw = fu;
            } else if (fu <= fv || v == x || v == w) {
                v = u;
                fv = fu;
            }
        }
    }
    return x;
}

// The kind's model in the shifted abscissa s = x - x0 (x0 the first abscissa), which keeps the
// exponentials and the phase well scaled when the record starts late, and for the sines with the
// ordinates less their starting offset, which keeps the offset's correction small. Internal parameters q:
//   kind 2: R, B, C         R + B.exp(C.s)
//   kind 6: R, B, C, D      R + B.sin(C.s + D)
//   kind 7: R, B, C, D, K   R + B.sin(C.s + D).exp(K.s)
//   kind 8: R, B, C, D, K   R + B.(1 + K.s).sin(C.s + D), frozen from its last extremum on
class TProblem
{
public:
    int Kind = 0;
    int P = 0;                 // number of fitted parameters
    std::vector<double> S, Y;  // shifted abscissae (ascending, from 0) and ordinates less the start offset
    std::vector<double> Scale; // natural size of each parameter, for the convergence test
    double X0 = 0.0;

    double Stop(const std::vector<double>& q) const
    {
        return Kind == nlkSinusAl ? SinusAlStopTime(q[2], q[3], q[4]) : Infinity;
    }

    double Value(const std::vector<double>& q, double s, double stop) const
    {
        switch (Kind) {
        case nlkExponentiel:
            return q[0] + q[1] * std::exp(q[2] * s);
        case nlkSinus:
            return q[0] + q[1] * std::sin(q[2] * s + q[3]);
        case nlkSinusAe:
            return q[0] + q[1] * std::sin(q[2] * s + q[3]) * std::exp(q[4] * s);
        default: {
            const double t = std::min(s, stop);
            return q[0] + q[1] * (1.0 + q[4] * t) * std::sin(q[2] * t + q[3]);
        }
        }
    }

    // Partial derivatives of Value. For kind 8 a frozen point keeps the value of the extremum, where the
    // derivative in time vanishes: its derivatives are the partial ones taken at the extremum.
    void Gradient(const std::vector<double>& q, double s, double stop, double* g) const
    {
        g[0] = 1.0;
        switch (Kind) {
        case nlkExponentiel: {
            const double e = std::exp(q[2] * s);
            g[1] = e;
            g[2] = q[1] * s * e;
            break;
        }
        case nlkSinus: {
            const double th = q[2] * s + q[3];
            const double sn = std::sin(th), cs = std::cos(th);
            g[1] = sn;
            g[2] = q[1] * s * cs;
            g[3] = q[1] * cs;
            break;
        }
        case nlkSinusAe: {
            const double th = q[2] * s + q[3];
            const double sn = std::sin(th), cs = std::cos(th);
            const double e = std::exp(q[4] * s);
            g[1] = sn * e;
            g[2] = q[1] * s * cs * e;
            g[3] = q[1] * cs * e;
            g[4] = q[1] * s * sn * e;
            break;
        }
        default: {
            const double t = std::min(s, stop);
            const double th = q[2] * t + q[3];
            const double sn = std::sin(th), cs = std::cos(th);
            const double l = 1.0 + q[4] * t;
            g[1] = l * sn;
            g[2] = q[1] * l * t * cs;
            g[3] = q[1] * l * cs;
            g[4] = q[1] * t * sn;
            break;
        }
        }
    }

    // Sum of squared residuals, capped at SumCap (a non-finite value counts as the cap).
    double Sum(const std::vector<double>& q) const
    {
        const double stop = Stop(q);
        double sum = 0.0;
        for (std::size_t i = 0; i < S.size(); ++i) {
            const double r = Y[i] - Value(q, S[i], stop);
            sum += r * r;
            if (!(sum <= SumCap))
                return SumCap;
        }
        return sum;
    }

    // Gauss-Newton matrix H = sum g.g' and right-hand side v = sum r.g; false on a non-finite value.
    bool Normal(const std::vector<double>& q, std::vector<double>& h, std::vector<double>& v) const
    {
        h.assign(P * P, 0.0);
        v.assign(P, 0.0);
        const double stop = Stop(q);
        double g[5];
        for (std::size_t i = 0; i < S.size(); ++i) {
            Gradient(q, S[i], stop, g);
            const double r = Y[i] - Value(q, S[i], stop);
            for (int a = 0; a < P; ++a) {
                v[a] += r * g[a];
                for (int b = 0; b <= a; ++b)
                    h[a * P + b] += g[a] * g[b];
            }
        }
        for (int a = 0; a < P; ++a)
            for (int b = 0; b < a; ++b)
                h[b * P + a] = h[a * P + b];
        for (double e : h)
            if (!IsFinite(e))
                return false;
        for (double e : v)
            if (!IsFinite(e))
                return false;
        return true;
    }
};

// Solves (H + lambda.diag(H)).delta = v on the system scaled to a unit diagonal, which leaves the
// solution unchanged but keeps the pivots of parameters of very different sizes comparable. Returns the
// code of SolveLinear (1 when a diagonal entry is zero: a parameter that does not act on the model).
int SolveDamped(const std::vector<double>& h, const std::vector<double>& v, int p, double lambda,
                std::vector<double>& delta)
{
    std::vector<double> d(p);
    for (int j = 0; j < p; ++j) {
        const double hjj = h[j * p + j];
        if (!(hjj > 0.0) || !IsFinite(hjj))
            return nlSingular;
        d[j] = std::sqrt(hjj);
    }
    TMatriceD a(p, std::vector<double>(p));
    std::vector<double> b(p), z;
    for (int i = 0; i < p; ++i) {
        for (int j = 0; j < p; ++j)
            a[i][j] = h[i * p + j] / (d[i] * d[j]);
        a[i][i] *= 1.0 + lambda;
        b[i] = v[i] / d[i];
    }
    const int code = SolveLinear(a, b, z);
    if (code != 0)
        return code;
    delta.resize(p);
    for (int j = 0; j < p; ++j)
        delta[j] = z[j] / d[j];
    return 0;
}

// The inverse of H (scaled as above); false when it is singular or not finite.
bool Inverse(const std::vector<double>& h, int p, std::vector<double>& inv)
{
    inv.assign(p * p, 0.0);
    std::vector<double> e(p, 0.0), col;
    for (int j = 0; j < p; ++j) {
        std::fill(e.begin(), e.end(), 0.0);
        e[j] = 1.0;
        if (SolveDamped(h, e, p, 0.0, col) != 0)
            return false;
        for (int i = 0; i < p; ++i) {
            if (!IsFinite(col[i]))
                return false;
            inv[i * p + j] = col[i];
        }
    }
    return true;
}

// The Levenberg-Marquardt iteration from q. Returns a code of NonLinearFit; q holds the best point
// reached, `sum` its objective.
int Iterate(const TProblem& pb, std::vector<double>& q, int& iterations, double& sum)
{
    const int p = pb.P;
    double s0 = pb.Sum(q);
    sum = s0;
    if (s0 >= SumCap)
        return nlNumericFault;
    if (s0 == 0.0)
        return nlOk; // already on every point
    double lambda = StartDamping;
    bool converged = false;
    std::vector<double> h, v, delta, qold, trial(p);
    for (;;) {
        if (!pb.Normal(q, h, v))
            return nlNumericFault;
        qold = q;
        if (converged) {
            // A last undamped step polishes the optimum; it is kept only when it does not do worse.
            if (SolveDamped(h, v, p, 0.0, delta) == 0) {
                for (int j = 0; j < p; ++j)
                    trial[j] = qold[j] + delta[j];
                const double st = pb.Sum(trial);
                if (st <= s0) {
                    q = trial;
                    s0 = st;
                }
            }
            sum = s0;
            return nlOk;
        }
        double s1 = s0;
        for (;;) {
            const int code = SolveDamped(h, v, p, lambda, delta);
            if (code != 0) {
                q = qold;
                sum = s0;
                return code;
            }
            auto along = [&](double alpha) {
                for (int j = 0; j < p; ++j)
                    trial[j] = qold[j] + alpha * delta[j];
                return pb.Sum(trial);
            };
            const double alpha = BrentMinimum(along, 0.0, 1.0, 0.01, 100);
            for (int j = 0; j < p; ++j)
                q[j] = qold[j] + alpha * delta[j];
            s1 = pb.Sum(q);
            if (s1 - s0 <= 1e-10 * s0)
                break;
            lambda *= 10.0;
            if (lambda > MaxDamping) {
                // No better point in this direction: the best point stays.
                q = qold;
                sum = s0;
                return nlDampingLimit;
            }
        }
        converged = s1 == 0.0;
        if (!converged) {
            converged = true;
            for (int j = 0; j < p; ++j)
                if (std::fabs(q[j] - qold[j]) > StepTolerance * std::max(std::fabs(qold[j]), pb.Scale[j]))
                    converged = false;
        }
        lambda = std::max(lambda / 10.0, 1e-12);
        s0 = s1;
        sum = s0;
        if (++iterations > MaxIterations)
            return nlIterationLimit;
    }
}

// Linear least squares of y on (1, e): intercept, slope and the sum of squares; false when e is constant.
bool LineFit(const std::vector<double>& e, const std::vector<double>& y, double& r, double& b, double& ss)
{
    const double n = static_cast<double>(e.size());
    const double me = std::accumulate(e.begin(), e.end(), 0.0) / n;
    const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
    double see = 0.0, sey = 0.0;
    for (std::size_t i = 0; i < e.size(); ++i) {
        see += (e[i] - me) * (e[i] - me);
        sey += (e[i] - me) * (y[i] - my);
    }
    if (!(see > 0.0) || !IsFinite(see) || !IsFinite(sey))
        return false;
    b = sey / see;
    r = my - b * me;
    ss = 0.0;
    for (std::size_t i = 0; i < e.size(); ++i) {
        const double d = y[i] - r - b * e[i];
        ss += d * d;
    }
    return IsFinite(ss);
}

// Starting values of the exponential in the shifted abscissa. The rate comes from the data's shape:
// the means of the first, middle and last thirds give (y3 - y2) / (y2 - y1) = exp(C.L) for any
// r + b.exp(C.s), rising or falling, growing or levelling off; a few rates on the scale of the record
// are tried beside it, and the one whose best (R, B) by linear least squares leaves the smallest sum of
// squares wins.
std::vector<double> ExponentialStart(const std::vector<double>& s, const std::vector<double>& y)
{
    const std::size_t n = s.size();
    const double span = s.back() - s.front();
    std::vector<double> rates;
    const std::size_t g = n / 3;
    if (g >= 1) {
        auto mean = [&](std::size_t from, std::size_t count, const std::vector<double>& v) {
            double sum = 0.0;
            for (std::size_t i = from; i < from + count; ++i)
                sum += v[i];
            return sum / static_cast<double>(count);
        };
        const std::size_t mid = (n - g) / 2;
        const double s1 = mean(0, g, s), s3 = mean(n - g, g, s);
        const double y1 = mean(0, g, y), y2 = mean(mid, g, y), y3 = mean(n - g, g, y);
        const double ratio = (y3 - y2) / (y2 - y1);
        const double l = (s3 - s1) / 2.0;
        if (IsFinite(ratio) && ratio > 0.0 && ratio != 1.0 && l > 0.0)
            rates.push_back(std::log(ratio) / l);
    }
    if (span > 0.0)
        for (double f : {0.25, 0.5, 1.0, 2.0, 4.0, 8.0, 16.0}) {
            rates.push_back(f / span);
            rates.push_back(-f / span);
        }
    std::vector<double> best;
    double bestSum = Infinity;
    std::vector<double> e(n);
    for (double c : rates) {
        if (!IsFinite(c) || std::fabs(c * span) > 700.0)
            continue;
        for (std::size_t i = 0; i < n; ++i)
            e[i] = std::exp(c * s[i]);
        double r = 0.0, b = 0.0, ss = 0.0;
        if (LineFit(e, y, r, b, ss) && ss < bestSum) {
            bestSum = ss;
            best = {r, b, c};
        }
    }
    if (best.empty()) {
        // Flat or degenerate data: the level of the last point and a unit rate on the record's scale.
        const double c = span > 0.0 ? 1.0 / span : 1.0;
        best = {y.back(), y.front() - y.back(), c};
    }
    return best;
}

double MaxAbscissa(const std::vector<double>& x)
{
    return *std::max_element(x.begin(), x.end());
}

// The starting offset of a sine kind: the middle of the range for the plain sine, the mean for the damped
// ones (whose swing narrows about its centre).
double SineOffset(int kind, const std::vector<double>& y)
{
    if (kind == nlkSinus) {
        const auto [lo, hi] = std::minmax_element(y.begin(), y.end());
        return (*hi + *lo) / 2.0;
    }
    return std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(y.size());
}

double FrequencyStart(const std::vector<double>& x)
{
    const double maxX = std::fabs(MaxAbscissa(x));
    return maxX < 1e-100 ? 0.0 : 2.0 * Pi / maxX;
}

// Starting points of a sine kind from a scan of the angular frequency C (and, for the damped kinds, a few
// dampings K on the record's scale): for each, the offset, amplitude and phase that enter linearly come
// from least squares on (1, e.sin(C.s), e.cos(C.s)), e being the envelope; the best local minima of the
// scan are returned, at most three. The grid's step, a quarter turn over the record, keeps every
// minimum of the full model within reach of the iteration from its nearest grid point.
std::vector<std::vector<double>> ScanStarts(const TProblem& pb)
{
    std::vector<std::vector<double>> starts;
    const std::size_t n = pb.S.size();
    const double span = pb.S.empty() ? 0.0 : pb.S.back();
    if (n < static_cast<std::size_t>(pb.P) + 1 || !(span > 0.0) || !IsFinite(span))
        return starts;
    const double step = 0.5 * Pi / span;
    // Up to the sampling limit, but not far beyond the frequency of the data's sign changes when they
    // are many (their estimate is then close).
    const double top = Pi * static_cast<double>(n - 1) / span;
    const double estimate = FrequencyEstimate(pb.S, pb.Y, 0.0);
    const double limit = std::min(top, std::max(4.0 * estimate, 40.0 * Pi / span));
    const int count = static_cast<int>(std::min(4000.0, std::floor((limit - step) / step))) + 1;
    std::vector<double> dampings = {0.0};
    if (pb.Kind == nlkSinusAe)
        dampings = {0.0, -1.0 / span, -3.0 / span};
    else if (pb.Kind == nlkSinusAl)
        dampings = {0.0, -0.5 / span, -1.0 / span, -2.0 / span};
    struct TPoint
    {
        double Sum;
        std::vector<double> Q;
    };
    std::vector<TPoint> minima;
    std::vector<double> e(n), sn(n), cs(n);
    for (double k : dampings) {
        const double stop = pb.Kind == nlkSinusAl && k < 0.0 ? -1.0 / k : Infinity;
        double before = Infinity, here = Infinity;
        std::vector<double> hereQ;
        for (int j = 0; j <= count; ++j) {
            // One step past the end closes a minimum on the last grid point.
            double next = Infinity;
            std::vector<double> nextQ;
            if (j < count) {
                const double c = step * (j + 1);
                double a[3][3] = {}, r[3] = {};
                for (std::size_t i = 0; i < n; ++i) {
                    const double t = std::min(pb.S[i], stop);
                    const double env = pb.Kind == nlkSinusAe   ? std::exp(k * t)
                                       : pb.Kind == nlkSinusAl ? 1.0 + k * t
                                                               : 1.0;
                    const double phi[3] = {1.0, env * std::sin(c * t), env * std::cos(c * t)};
                    for (int u = 0; u < 3; ++u) {
                        r[u] += phi[u] * pb.Y[i];
                        for (int v = 0; v <= u; ++v)
                            a[u][v] += phi[u] * phi[v];
                    }
                }
                for (int u = 0; u < 3; ++u)
                    for (int v = u + 1; v < 3; ++v)
                        a[u][v] = a[v][u];
                TMatriceD m(3, std::vector<double>(3));
                for (int u = 0; u < 3; ++u)
                    for (int v = 0; v < 3; ++v)
                        m[u][v] = a[u][v];
                std::vector<double> rhs(r, r + 3), z;
                if (SolveLinear(m, rhs, z) == 0 && IsFinite(z[0]) && IsFinite(z[1]) && IsFinite(z[2])) {
                    // The sum of squares left: y.y - z.r at the least-squares solution.
                    double yy = 0.0;
                    for (double v : pb.Y)
                        yy += v * v;
                    next = yy - (z[0] * r[0] + z[1] * r[1] + z[2] * r[2]);
                    const double b = std::hypot(z[1], z[2]);
                    nextQ = {z[0], b, c, std::atan2(z[2], z[1])};
                    if (pb.Kind != nlkSinus)
                        nextQ.push_back(k);
                }
            }
            if (!hereQ.empty() && here <= before && here <= next)
                minima.push_back({here, hereQ});
            before = here;
            here = next;
            hereQ = std::move(nextQ);
        }
    }
    std::sort(minima.begin(), minima.end(), [](const TPoint& a, const TPoint& b) { return a.Sum < b.Sum; });
    // Distinct frequencies: the dampings of one frequency lead the iteration to the same place.
    for (std::size_t i = 0; i < minima.size() && starts.size() < 3; ++i)
        if (std::none_of(starts.begin(), starts.end(), [&](const std::vector<double>& q) {
                return std::fabs(q[2] - minima[i].Q[2]) < 1.5 * step;
            }))
            starts.push_back(minima[i].Q);
    return starts;
}

// Sets up the problem and the internal starting point.
bool Prepare(const TPoints& pts, int kind, TProblem& pb, std::vector<double>& q, double& offset)
{
    pb.Kind = kind;
    pb.P = NonLinearFittedCount(kind);
    pb.X0 = pts.X.front();
    pb.S.resize(pts.X.size());
    for (std::size_t i = 0; i < pts.X.size(); ++i)
        pb.S[i] = pts.X[i] - pb.X0;
    offset = kind == nlkExponentiel ? 0.0 : SineOffset(kind, pts.Y);
    pb.Y.resize(pts.Y.size());
    for (std::size_t i = 0; i < pts.Y.size(); ++i)
        pb.Y[i] = pts.Y[i] - offset;
    const double span = pb.S.back() > 0.0 ? pb.S.back() : 1.0;
    double yScale = 0.0;
    for (double v : pb.Y)
        yScale = std::max(yScale, std::fabs(v));
    if (!(yScale > 0.0))
        yScale = 1.0;
    if (kind == nlkExponentiel) {
        pb.Scale = {yScale, yScale, 1.0 / span};
        q = ExponentialStart(pb.S, pb.Y);
        return true;
    }
    pb.Scale = {yScale, yScale, 1.0 / span, 1.0};
    if (kind != nlkSinus)
        pb.Scale.push_back(1.0 / span);
    const double b = std::fabs(*std::max_element(pb.Y.begin(), pb.Y.end()));
    const double c = FrequencyEstimate(pts.X, pb.Y, FrequencyStart(pts.X));
    // The phase at the first abscissa: the arcsine's branch follows the first slope, so that data
    // starting on a falling side is not started on the mirrored curve.
    double d = 0.0;
    if (b >= 1e-100) {
        d = std::asin(std::clamp(pb.Y.front() / b, -1.0, 1.0));
        if (pb.Y.size() >= 2 && pb.Y[1] < pb.Y[0])
            d = Pi - d;
    }
    q = {0.0, b, c, d};
    if (kind != nlkSinus)
        q.push_back(-0.05);
    return true;
}

// The public parameter array from the internal one, and the derivatives of the fitted public
// parameters with respect to the internal ones (row-major, P x P), for the standard errors.
bool ToPublic(const TProblem& pb, const std::vector<double>& q, double offset, std::vector<double>& params,
              std::vector<double>& t)
{
    const int p = pb.P;
    const double x0 = pb.X0;
    t.assign(p * p, 0.0);
    for (int j = 0; j < p; ++j)
        t[j * p + j] = 1.0;
    switch (pb.Kind) {
    case nlkExponentiel: {
        const double b = ScaledExp(q[1], -q[2] * x0);
        params = {q[0], b, q[2]};
        t[1 * p + 1] = std::exp(-q[2] * x0);
        t[1 * p + 2] = -x0 * b;
        if (q[1] != 0.0 && b == 0.0)
            return false; // b underflows: the curve cannot be written with this origin of x
        break;
    }
    case nlkSinus:
        params = {offset + q[0], q[1], q[2], NormalisedPhase(q[3] - q[2] * x0)};
        t[3 * p + 2] = -x0;
        break;
    case nlkSinusAe: {
        const double b = ScaledExp(q[1], -q[4] * x0);
        params = {offset + q[0], b, q[2], NormalisedPhase(q[3] - q[2] * x0), q[4]};
        t[1 * p + 1] = std::exp(-q[4] * x0);
        t[1 * p + 4] = -x0 * b;
        t[3 * p + 2] = -x0;
        if (q[1] != 0.0 && b == 0.0)
            return false;
        break;
    }
    default: {
        // B.(1 + K.(x - x0)) = b.(1 + k.x) with b = B.(1 - K.x0), k = K / (1 - K.x0).
        const double f = 1.0 - q[4] * x0;
        if (f == 0.0)
            return false;
        params = {offset + q[0], q[1] * f, q[2], NormalisedPhase(q[3] - q[2] * x0), q[4] / f};
        t[1 * p + 1] = f;
        t[1 * p + 4] = -q[1] * x0;
        t[3 * p + 2] = -x0;
        t[4 * p + 4] = 1.0 / (f * f);
        break;
    }
    }
    for (double v : params)
        if (!IsFinite(v))
            return false;
    return true;
}

} // namespace

int NonLinearParameterCount(int kind)
{
    switch (kind) {
    case nlkExponentiel:
        return 3;
    case nlkSinus:
        return 4;
    case nlkSinusAe:
    case nlkSinusAl:
        return 5;
    default:
        return 0;
    }
}

int NonLinearFittedCount(int kind)
{
    return NonLinearParameterCount(kind);
}

double FrequencyEstimate(const std::vector<double>& x, const std::vector<double>& centred, double start)
{
    const std::size_t n = std::min(x.size(), centred.size());
    double amplitude = 0.0;
    for (std::size_t j = 0; j < n; ++j)
        if (IsFinite(centred[j]))
            amplitude = std::max(amplitude, std::fabs(centred[j]));
    // A change counts when the ordinates pass from beyond one side of a band of a fifth of the
    // amplitude to beyond the other, so that noise around the axis does not add changes; it is placed
    // at the midpoint of the last pair of samples of opposite signs before it. Zeros have no sign.
    const double band = 0.2 * amplitude;
    int changes = 0;
    double first = 0.0, last = 0.0;
    int rawSign = 0, side = 0;
    double previousX = 0.0, crossing = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
        const double v = centred[j];
        const int s = v > 0 ? 1 : v < 0 ? -1 : 0;
        if (s == 0 || !IsFinite(v))
            continue;
        if (rawSign != 0 && s != rawSign)
            crossing = (previousX + x[j]) / 2.0;
        rawSign = s;
        previousX = x[j];
        if (std::fabs(v) > band || band == 0.0) {
            if (side != 0 && s != side) {
                if (changes == 0)
                    first = crossing;
                last = crossing;
                ++changes;
            }
            side = s;
        }
    }
    if (changes < 2)
        return start;
    const double half = (last - first) / (changes - 1);
    return std::fabs(half) < 1e-100 ? start : Pi / std::fabs(half);
}

double SinusAlStopTime(double c, double d, double k)
{
    if (!(k < -1e-100) || !IsFinite(c) || !IsFinite(d) || !IsFinite(k))
        return Infinity;
    const double te = -1.0 / k;
    const double w = std::fabs(c);
    if (!(w > 1e-300))
        return te;
    // The last zero of sin(c.t + d) before te; (1 + k.t).sin(c.t + d) keeps one sign between it and te
    // and has there its last extremum.
    const double phase = w * te + (c > 0 ? d : -d);
    double rem = phase - Pi * std::floor(phase / Pi);
    if (!(rem > 1e-12) || !IsFinite(rem))
        rem = Pi;
    const double z = te - rem / w;
    auto h = [&](double t) { return (1.0 + k * t) * c * std::cos(c * t + d) + k * std::sin(c * t + d); };
    double lo = z, hi = te;
    double hlo = h(lo);
    const double tolerance = 1e-9 * (te - z);
    for (int i = 0; i < 200 && hi - lo > tolerance; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi)
            break;
        const double hm = h(mid);
        if ((hm > 0) == (hlo > 0)) {
            lo = mid;
            hlo = hm;
        } else {
            hi = mid;
        }
    }
    return 0.5 * (lo + hi);
}

double NonLinearValue(int kind, const std::vector<double>& params, double x)
{
    if (static_cast<int>(params.size()) < NonLinearParameterCount(kind) || NonLinearParameterCount(kind) == 0)
        return std::numeric_limits<double>::quiet_NaN();
    const double r = params[0], b = params[1], c = params[2];
    switch (kind) {
    case nlkExponentiel:
        return r + ScaledExp(b, c * x);
    case nlkSinus:
        return r + b * std::sin(c * x + params[3]);
    case nlkSinusAe:
        return r + std::sin(c * x + params[3]) * ScaledExp(b, params[4] * x);
    default: {
        const double k = params[4];
        const double t = std::min(x, SinusAlStopTime(c, params[3], k));
        return r + b * (1.0 + k * t) * std::sin(c * t + params[3]);
    }
    }
}

namespace {

// What the start and the fit share: params zeroed to the kind's size, the finite points, the problem
// with its starting point. nlOk, or the code that stops both.
int PrepareFit(const std::vector<double>& x, const std::vector<double>& y, int kind,
               std::vector<double>& params, TPoints& pts, TProblem& pb, std::vector<double>& q,
               double& offset)
{
    const int count = NonLinearParameterCount(kind);
    params.assign(count, 0.0);
    if (count == 0)
        return nlUnknownKind;
    pts = FinitePoints(x, y);
    if (static_cast<int>(pts.X.size()) < NonLinearFittedCount(kind))
        return nlTooFewPoints;
    Prepare(pts, kind, pb, q, offset);
    return nlOk;
}

} // namespace

int NonLinearStart(const std::vector<double>& x, const std::vector<double>& y, int kind,
                   std::vector<double>& params)
{
    TPoints pts;
    TProblem pb;
    std::vector<double> q, t;
    double offset = 0.0;
    if (const int code = PrepareFit(x, y, kind, params, pts, pb, q, offset); code != nlOk)
        return code;
    if (!ToPublic(pb, q, offset, params, t))
        return nlNumericFault;
    return nlOk;
}

int NonLinearFit(const std::vector<double>& x, const std::vector<double>& y, int kind,
                 std::vector<double>& params, TNonLinearInfo* info)
{
    TNonLinearInfo local;
    TNonLinearInfo& out = info ? *info : local;
    out = TNonLinearInfo();
    TPoints pts;
    TProblem pb;
    std::vector<double> q, t;
    double offset = 0.0;
    if (const int code = PrepareFit(x, y, kind, params, pts, pb, q, offset); code != nlOk)
        return code;
    ToPublic(pb, q, offset, out.Start, t);

    double sum = 0.0;
    int code = Iterate(pb, q, out.Iterations, sum);

    if (kind != nlkExponentiel && sum > 0.0) {
        // The start from the data's sign changes can lead to a local minimum: too few changes, a record
        // that starts late, stops inside or holds less than a period. The fit also goes from the best
        // points of a scan of the frequency and keeps the lowest sum of squares it reaches; at the same
        // sum a converged fit is preferred.
        for (std::vector<double> other : ScanStarts(pb)) {
            int iterations = 0;
            double otherSum = 0.0;
            const int otherCode = Iterate(pb, other, iterations, otherSum);
            out.Iterations += iterations;
            const bool lower = otherSum < sum * (1.0 - 1e-10);
            const bool same = otherSum <= sum * (1.0 + 1e-10);
            if (lower || (same && code != nlOk && otherCode == nlOk)) {
                q = other;
                sum = otherSum;
                code = otherCode;
            }
        }
    }

    bool exact = true; // the repair below kept the curve as it was
    if (kind != nlkExponentiel) {
        // Repair: a negative amplitude or frequency is the same curve with the phase moved; a zero or
        // non-finite one is started again from the data about the offset reached.
        if (q[1] < 0.0) {
            q[1] = -q[1];
            q[3] += Pi;
        }
        if (q[2] < 0.0) {
            q[2] = -q[2];
            q[3] = Pi - q[3];
        }
        std::vector<double> about(pb.Y.size());
        for (std::size_t i = 0; i < about.size(); ++i)
            about[i] = pb.Y[i] - q[0];
        if (!(q[1] > 0.0)) {
            q[1] = std::fabs(*std::max_element(about.begin(), about.end()));
            exact = false;
        }
        if (!(q[2] > 0.0)) {
            q[2] = FrequencyEstimate(pts.X, about, FrequencyStart(pts.X));
            exact = false;
        }
        if (!exact)
            sum = pb.Sum(q);
    }
    if (!ToPublic(pb, q, offset, params, t)) {
        for (double& v : params)
            if (!IsFinite(v))
                v = 0.0;
        return nlNumericFault;
    }
    out.SumSquares = sum;

    // Standard errors: sqrt of the diagonal of (J'J)^-1.S/(N - p) at the optimum, carried over to the
    // public parameters through the derivatives of the change of origin.
    const int p = pb.P;
    const int n = static_cast<int>(pb.S.size());
    std::vector<double> h, v, inv;
    if (code == nlOk && exact && n > p && pb.Normal(q, h, v) && Inverse(h, p, inv)) {
        const double sigma2 = sum / (n - p);
        std::vector<double> se(p);
        bool ok = true;
        for (int i = 0; i < p && ok; ++i) {
            double var = 0.0;
            for (int a = 0; a < p; ++a)
                for (int b = 0; b < p; ++b)
                    var += t[i * p + a] * inv[a * p + b] * t[i * p + b];
            var *= sigma2;
            ok = var >= 0.0 && IsFinite(var);
            se[i] = ok ? std::sqrt(var) : 0.0;
        }
        if (ok)
            out.StdErrors = se;
    }
    return code;
}

double ScaledExp(double b, double e)
{
    if (b == 0.0)
        return 0.0;
    const double v = std::exp(std::log(std::fabs(b)) + e);
    return b < 0 ? -v : v;
}

double NormalisedPhase(double d)
{
    if (!IsFinite(d))
        return d;
    d = std::fmod(d, 2.0 * Pi);
    if (d < 0.0)
        d += 2.0 * Pi;
    if (d >= 2.0 * Pi)
        d = 0.0;
    return d;
}
