// Polynomial least squares on a Chebyshev basis, and a linear solver with complete pivoting.
#pragma once

#include "common/UnitTypes.h"

#include <vector>

// Result codes of PolyFit.
enum : int
{
    pfOk = 0,
    pfSingular = 1,           // the normal equations are singular
    pfTooFewPoints = 2,       // fewer than 2 points
    pfTooFewCoefficients = 3, // fewer than 1 coefficient asked
    pfSameAbscissae = 4,      // all abscissae equal
};

// Fits polynomials by ordinary least squares and keeps the state of its last fit (points, fitted values,
// coefficients) so that the coefficient of determination can be read right after the fit. One instance
// per user keeps fits independent; the free functions below share one instance per thread.
class TMoindresCarres
{
public:
    // Fits y = c0 + c1*x + ... with m coefficients to the points (x[i], y[i]). Only the first
    // min(x.size(), y.size()) points take part. On success (0) `coefficients` holds the power
    // coefficients in the unscaled x, as many as were used: m, or N - 1 when there are fewer points
    // than coefficients. On failure `coefficients` is emptied and the state holds no fitted values.
    int PolyFit(int m, const std::vector<double>& x, const std::vector<double>& y,
                std::vector<double>& coefficients);

    // Sum of the squared fitted values over the sum of the squared ordinates of the last fit; 0 when
    // the latter is below 1e-100 or when the last fit failed. With centred ordinates this is the
    // fraction of the variance that the fit explains.
    double Determination() const;

    const std::vector<double>& Abscissae() const { return FX; }
    const std::vector<double>& Ordinates() const { return FY; }
    const std::vector<double>& Fitted() const { return FFitted; }
    const std::vector<double>& Coefficients() const { return FCoefficients; }

private:
    std::vector<double> FX, FY, FFitted, FCoefficients;
    // Work arrays kept between fits so that many small fits do not allocate.
    std::vector<double> FDesign; // row-major [point][coefficient]: T_j(u_i)
    std::vector<double> FNormal; // row-major [coefficient][coefficient]
    std::vector<double> FRight, FCheb, FSubst;
    std::vector<double> FPrevious, FCurrent, FNext; // power expansions of T_{j-2}, T_{j-1}, T_j
    std::vector<int> FRows, FCols;
};

// Solves a * x = b for a square matrix a (k x k) by Gaussian elimination with complete pivoting, on
// copies of a and b. Returns 0 and x, or 1 when a pivot falls below 1e-100 in absolute value (singular)
// or when the sizes do not match (x is then emptied). k = 0 gives 0 and an empty x.
int SolveLinear(const TMatriceD& a, const std::vector<double>& b, std::vector<double>& x);

// The same operations on one shared instance per thread, for callers that fit once and read R² at once.
int PolyFit(int m, const std::vector<double>& x, const std::vector<double>& y,
            std::vector<double>& coefficients);
double Determination();
