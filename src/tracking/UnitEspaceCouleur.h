// Colour model of a tracked target: pixels in CIE L*u*v*, colour histograms, background weights and a
// colour that a model does not contain.
#pragma once

#include "common/UnitTypes.h"

#include <QImage>
#include <cstdint>
#include <vector>

// Smallest u* and v* that an 8-bit RGB colour reaches with the conversion below (green and a violet-blue
// respectively); the widths of both ranges are 258.343113734 and 241.51879024. Bins are counted from
// these minima so that negative u* and v* (blues, cyans, greens) keep bins of their own instead of
// sharing bin 0 with the greys.
inline constexpr double LuvUMin = -83.137630393;
inline constexpr double LuvVMin = -134.104386278;
inline constexpr double LuvUWidth = 258.343113734;
inline constexpr double LuvVWidth = 241.51879024;

struct TLuv
{
    double L = 0.0;
    double U = 0.0;
    double V = 0.0;
};

struct TBin
{
    int L = 0;
    int U = 0;
    int V = 0;

    friend bool operator==(const TBin&, const TBin&) = default;
};

// Raw 0..255 channels, no gamma linearisation; pure black gives (0, 0, 0).
TLuv RgbToLuv(int r, int g, int b);
// Channels rounded half to even and clamped to 0..255; L* below 0.1 gives black.
void LuvToRgb(const TLuv& luv, int& r, int& g, int& b);
// Every pixel of the image as [row][column][L*, u*, v*].
void BitmapToLuv(const QImage& bitmap, TMatrice3D& luv);

// Module setting: N bins per axis (the tracking uses 20). Starts at 0; set before any histogram is built.
void SetBinCount(int n);
int BinCount();
// Bin of a colour, each index clamped to 0..N-1; u* and v* are counted from LuvUMin and LuvVMin.
TBin BinOf(double l, double u, double v);
inline TBin BinOf(const TLuv& luv)
{
    return BinOf(luv.L, luv.U, luv.V);
}

// Normalised histogram [N][N][N] of the masked pixels (mask entry non-zero). With the kernel a pixel
// weighs 1 - d^2 / (cx^2 + cy^2), d its distance to the window centre, so the corners weigh 0. An image
// without rows leaves the output untouched; a 1 x 1 image or an empty mask gives all zeros.
void ColourHistogram(const TMatrice3D& image, const TMatriceI& mask, bool useKernel, TMatrice3D& histogram);
// Weight per bin from the four corner zones of the image outside a box of the target's size times the
// margin around the centre: 1 / count for a colour seen there, 1 for a colour not seen.
void BackgroundWeights(const TMatrice3D& image, int targetWidth, int targetHeight, double margin,
                       TMatrice3D& weights);
// A colour whose bin is empty in the histogram (scan L*, then u*, then v*, ascending), as 0x00BBGGRR;
// white when no bin is empty. The colour is checked to fall back into an empty bin once converted,
// since a bin centre outside the RGB gamut would otherwise be clamped into a bin of the model.
TColor NeutralColour(const TMatrice3D& histogram);

// Flat forms used by the search, where a bin is the single index (bL * N + bu) * N + bv. They give the
// same bins as BinOf(RgbToLuv(...)) through a cache of recent colours.
int FlatBinOf(QRgb rgb);
// Bin of every pixel of an image of format RGB32 (or ARGB32), row by row.
void BitmapToBins(const QImage& bitmap, std::vector<int>& bins);
// Flat histogram of the bins, each pixel weighing weights[k] (all 1 when weights is empty), normalised
// when the total weight is not zero.
void FlatHistogram(const std::vector<int>& bins, const std::vector<double>& weights,
                   std::vector<double>& histogram);
// BackgroundWeights on a width x height image given as its bins.
void FlatBackgroundWeights(const std::vector<int>& bins, int width, int height, int targetWidth,
                           int targetHeight, double margin, std::vector<double>& weights);
// The kernel weights of ColourHistogram for a width x height window, row by row.
void KernelWeights(int width, int height, std::vector<double>& weights);
