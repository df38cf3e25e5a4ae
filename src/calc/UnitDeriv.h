// First and second time derivatives of one sampled series, with optional smoothing.
#pragma once

#include "calc/UnitMoindresCarres.h"

#include <vector>

// Derives one series sampled at the marked frames of one object: a coordinate in relative image units
// or an angle in radians, against the time keys of the marks (frame positions). The results are per
// second: every derivation divides by the frame period once. Filled by Prepare, used once by Derive.
//
// Without smoothing the derivatives are three-point finite differences. With smoothing the series is
// first classified by the degree (0 to 4) of the polynomial that explains it; the class chooses a
// sliding three-point least-squares slope, the derivative of the global polynomial blended with the
// finite differences, or the finite differences after all.
class TDeriv
{
public:
    std::vector<double> Abscissa;         // time keys of the marks, ascending
    std::vector<double> Ordinate;         // values to derive
    double Period = 0.0;                  // seconds between two keys
    std::vector<double> FirstDerivative;  // d(Ordinate)/dt, units per second
    std::vector<double> SecondDerivative; // d²(Ordinate)/dt², units per second²

    // Copies both arrays (their common length when they differ) and the period; sizes both results.
    void Prepare(const std::vector<double>& abscissa, const std::vector<double>& ordinate, double period);

    // Computes both derivatives. 0 on success; 2 when there are fewer than 3 values (results untouched);
    // the code of a failed polynomial fit of the smoothing (1 singular system, 4 all keys equal).
    // A division by a zero key step or a zero period gives the non-defined value in that place.
    int Derive(bool smooth);

    // Class found by the last smoothed Derive for the series (0 to 4) and for its first derivative
    // (1 to 4, or -1 when the second derivative needed no classification).
    int SeriesClass() const { return FClass; }
    int DerivativeClass() const { return FClass2; }

private:
    std::vector<double> FiniteDifferences(const std::vector<double>& y) const;
    std::vector<double> PolynomialDerivative(const std::vector<double>& c) const;
    std::vector<double> SlidingWindow(const std::vector<double>& y);
    std::vector<double> Blend(const std::vector<double>& y, const std::vector<double>& c) const;
    // Fits degrees 1 to 4 to the centred series until R² > 0.99; the class reached and the last
    // coefficients, or the fit's failure code in `code`.
    int Classify(const std::vector<double>& centred, std::vector<double>& coefficients, int& code);

    TMoindresCarres FFit;
    int FClass = -1;
    int FClass2 = -1;
};
