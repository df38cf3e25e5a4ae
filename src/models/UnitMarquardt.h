// Non-linear least squares for the exponential and sine models: starting values from the data's shape,
// a Levenberg-Marquardt iteration whose steps end in a line search, and the standard errors of the
// fitted parameters at the optimum.
#pragma once

#include <vector>

// Kinds of non-linear model, numbered like the model kinds of the graph.
enum : int
{
    nlkExponentiel = 2, // r + b.exp(c.x)                                  r, b, c fitted
    nlkSinus = 6,       // r + b.sin(c.x + d)                              r, b, c, d fitted
    nlkSinusAe = 7,     // r + b.sin(c.x + d).exp(k.x)                     r, b, c, d, k fitted
    nlkSinusAl = 8,     // r + b.(1 + k.x).sin(c.x + d), frozen at its last extremum; all five fitted
};

// Codes of NonLinearFit. A singular system gives the code of SolveLinear (1).
enum : int
{
    nlOk = 0,
    nlSingular = 1,      // the damped system could not be solved
    nlTooFewPoints = 2,  // fewer finite points than fitted parameters
    nlNumericFault = 4,  // overflow or a non-finite value stopped the fit, or the result is not representable
    nlUnknownKind = -1,  // not one of the kinds above
    nlDampingLimit = -2, // the damping grew beyond its limit without finding a better point
    nlIterationLimit = -3, // the iteration limit was reached
};

// What a fit found besides the parameters.
struct TNonLinearInfo
{
    int Iterations = 0;
    double SumSquares = 0.0;       // sum of squared residuals at the returned parameters
    std::vector<double> Start;     // the starting parameters, in the order of the returned array
    std::vector<double> StdErrors; // one per parameter, in the order of the parameter array; empty
                                   // when there are no more points than fitted parameters, when the
                                   // system is singular or when the fit did not end at an optimum
};

// Number of entries of the parameter array of a kind (3, 4 or 5; 0 for an unknown kind) and of the
// parameters fitted (all of them; the sines' offset starts at (max y + min y) / 2 for the plain sine and
// at the mean of y for the damped ones).
int NonLinearParameterCount(int kind);
int NonLinearFittedCount(int kind);

// Fits the kind's model to the points (x[i], y[i]) by least squares on every parameter; points with a
// non-finite coordinate are left out. Besides the start of NonLinearStart, the iteration also starts from
// the best points of a scan of the frequency, and the lowest sum of squares reached is kept.
// `params` receives the whole parameter array (r first, then b, c, d, k) whatever the code; the phase d
// is brought into [0, 2 pi). Returns a code above.
int NonLinearFit(const std::vector<double>& x, const std::vector<double>& y, int kind,
                 std::vector<double>& params, TNonLinearInfo* info = nullptr);

// Starting values of the fit, as NonLinearFit uses them (non-finite points left out). Returns nlOk,
// nlUnknownKind or nlTooFewPoints (params then hold zeros).
int NonLinearStart(const std::vector<double>& x, const std::vector<double>& y, int kind,
                   std::vector<double>& params);

// Angular frequency from the sign changes of centred ordinates: pi over the mean distance between
// successive changes. A change counts when the ordinates cross from beyond a fifth of the amplitude on
// one side to beyond it on the other (noise near the axis adds none; a zero has no sign), and is placed
// at the midpoint of the samples where the sign turned. `start` with fewer than two changes.
double FrequencyEstimate(const std::vector<double>& x, const std::vector<double>& centred, double start);

// The model's value at x for a whole parameter array of the kind; NaN for an unknown kind. Exponentials
// are evaluated as sign(b).exp(ln|b| + c.x) so that a tiny b with a large x stays finite.
double NonLinearValue(int kind, const std::vector<double>& params, double x);

// The abscissa at which (1 + k.t).sin(c.t + d) has its last extremum before the envelope 1 + k.t
// vanishes; +infinity when k >= 0 (the motion never stops). With c = 0 it is -1/k.
double SinusAlStopTime(double c, double d, double k);

// b.exp(e) that stays finite for a tiny |b| with a large e (computed as sign(b).exp(ln|b| + e)).
double ScaledExp(double b, double e);

// A phase in radians brought into [0, 2 pi); a non-finite value is returned as it is.
double NormalisedPhase(double d);
