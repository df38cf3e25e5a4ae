// Polynomial least squares on a Chebyshev basis, and a linear solver with complete pivoting.
#include "calc/UnitMoindresCarres.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Gaussian elimination with complete pivoting on a k x k row-major matrix. `a` and `b` are worked on in
// place (the callers hand copies). Rows and columns are exchanged through the permutations only, so the
// arithmetic is the same whatever the storage. Returns 0, or 1 when the largest remaining element is
// below 1e-100 (NaN elements are never chosen as pivots).
int SolveFlat(std::vector<double>& a, std::vector<double>& b, int k, std::vector<double>& x,
              std::vector<int>& rows, std::vector<int>& cols, std::vector<double>& z)
{
    rows.resize(k);
    cols.resize(k);
    for (int i = 0; i < k; ++i) {
        rows[i] = i;
        cols[i] = i;
    }
    auto at = [&](int i, int j) -> double& { return a[static_cast<std::size_t>(rows[i]) * k + cols[j]]; };
    for (int step = 0; step < k; ++step) {
        double best = -1.0;
        int bestRow = step;
        int bestCol = step;
        for (int i = step; i < k; ++i)
            for (int j = step; j < k; ++j) {
                const double v = std::fabs(at(i, j));
                if (v > best) {
                    best = v;
                    bestRow = i;
                    bestCol = j;
                }
            }
        if (best < ZeroLimit)
            return 1;
        std::swap(rows[step], rows[bestRow]);
        std::swap(cols[step], cols[bestCol]);
        const double pivot = at(step, step);
        for (int i = step + 1; i < k; ++i) {
            const double factor = at(i, step) / pivot;
            for (int j = step + 1; j < k; ++j)
                at(i, j) -= factor * at(step, j);
            at(i, step) = 0.0;
            b[rows[i]] -= factor * b[rows[step]];
        }
    }
    // Backward substitution in the permuted order; z[j] is the unknown of column cols[j].
    z.assign(k, 0.0);
    for (int i = k - 1; i >= 0; --i) {
        double s = b[rows[i]];
        for (int j = i + 1; j < k; ++j)
            s -= at(i, j) * z[j];
        z[i] = s / at(i, i);
    }
    x.assign(k, 0.0);
    for (int j = 0; j < k; ++j)
        x[cols[j]] = z[j];
    return 0;
}

} // namespace

int SolveLinear(const TMatriceD& a, const std::vector<double>& b, std::vector<double>& x)
{
    const int k = static_cast<int>(b.size());
    if (a.size() != b.size() || std::any_of(a.begin(), a.end(), [&](const std::vector<double>& row) {
            return row.size() != b.size();
        })) {
        x.clear();
        return 1;
    }
    std::vector<double> flat;
    flat.reserve(static_cast<std::size_t>(k) * k);
    for (const std::vector<double>& row : a)
        flat.insert(flat.end(), row.begin(), row.end());
    std::vector<double> right = b;
    std::vector<int> rows, cols;
    std::vector<double> z;
    const int code = SolveFlat(flat, right, k, x, rows, cols, z);
    if (code != 0)
        x.clear();
    return code;
}

int TMoindresCarres::PolyFit(int m, const std::vector<double>& x, const std::vector<double>& y,
                             std::vector<double>& coefficients)
{
    coefficients.clear();
    FFitted.clear();
    FCoefficients.clear();
    const std::size_t count = std::min(x.size(), y.size());
    FX.assign(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(count));
    FY.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(count));
    const int n = static_cast<int>(count);
    if (n < 2)
        return pfTooFewPoints;
    // At least one degree of freedom remains when there are fewer points than coefficients.
    int used = m;
    if (n < m)
        used = n - 1;
    if (used < 1)
        return pfTooFewCoefficients;

    // Abscissae scaled to [-1, 1]: u = a*x + b.
    const auto [minIt, maxIt] = std::minmax_element(FX.begin(), FX.end());
    const double xMin = *minIt;
    const double xMax = *maxIt;
    if (std::fabs(xMax - xMin) < ZeroLimit)
        return pfSameAbscissae;
    const double scale = 2.0 / (xMax - xMin);
    const double shift = -(xMax + xMin) * scale / 2.0;

    // Design matrix: Chebyshev polynomials of the scaled abscissa.
    const std::size_t width = static_cast<std::size_t>(used);
    FDesign.assign(count * width, 0.0);
    for (std::size_t i = 0; i < count; ++i) {
        double* row = &FDesign[i * width];
        const double u = scale * FX[i] + shift;
        row[0] = 1.0;
        if (used > 1)
            row[1] = u;
        for (int j = 2; j < used; ++j)
            row[j] = 2.0 * u * row[j - 1] - row[j - 2];
    }

    // Normal equations, unweighted; the upper triangle is summed and mirrored.
    FNormal.assign(width * width, 0.0);
    FRight.assign(width, 0.0);
    for (int j = 0; j < used; ++j) {
        for (int k = j; k < used; ++k) {
            double s = 0.0;
            for (std::size_t i = 0; i < count; ++i)
                s += FDesign[i * width + j] * FDesign[i * width + k];
            FNormal[j * width + k] = s;
            FNormal[k * width + j] = s;
        }
        double r = 0.0;
        for (std::size_t i = 0; i < count; ++i)
            r += FDesign[i * width + j] * FY[i];
        FRight[j] = r;
    }
    if (SolveFlat(FNormal, FRight, used, FCheb, FRows, FCols, FSubst) != 0)
        return pfSingular;

    FFitted.assign(count, 0.0);
    for (std::size_t i = 0; i < count; ++i) {
        double s = 0.0;
        for (int j = 0; j < used; ++j)
            s += FCheb[j] * FDesign[i * width + j];
        FFitted[i] = s;
    }

    // Power coefficients in x: T_j(a*x + b) expanded with the same recurrence, weighted by the
    // Chebyshev coefficients and summed in ascending j.
    std::vector<double>& previous = FPrevious;
    std::vector<double>& current = FCurrent;
    std::vector<double>& next = FNext;
    previous.assign(width, 0.0);
    current.assign(width, 0.0);
    next.assign(width, 0.0);
    FCoefficients.assign(width, 0.0);
    current[0] = 1.0;
    for (int j = 0; j < used; ++j) {
        if (j == 1) {
            previous = current;
            std::fill(current.begin(), current.end(), 0.0);
            current[0] = shift;
            current[1] = scale;
        } else if (j >= 2) {
            for (int k = 0; k <= j; ++k) {
                const double lower = k > 0 ? current[k - 1] : 0.0;
                next[k] = 2.0 * (scale * lower + shift * current[k]) - previous[k];
            }
            std::swap(previous, current);
            std::swap(current, next);
        }
        for (int k = 0; k <= j; ++k)
            FCoefficients[k] += FCheb[j] * current[k];
    }
    coefficients = FCoefficients;
    return pfOk;
}

double TMoindresCarres::Determination() const
{
    if (FFitted.empty())
        return 0.0;
    double fitted = 0.0;
    double total = 0.0;
    for (std::size_t i = 0; i < FFitted.size(); ++i) {
        fitted += FFitted[i] * FFitted[i];
        total += FY[i] * FY[i];
    }
    if (total < ZeroLimit)
        return 0.0;
    return fitted / total;
}

namespace {
TMoindresCarres& SharedFit()
{
    thread_local TMoindresCarres instance;
    return instance;
}
} // namespace

int PolyFit(int m, const std::vector<double>& x, const std::vector<double>& y,
            std::vector<double>& coefficients)
{
    return SharedFit().PolyFit(m, x, y, coefficients);
}

double Determination()
{
    return SharedFit().Determination();
}
