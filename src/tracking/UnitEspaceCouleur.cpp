// Colour model of a tracked target: L*u*v* conversion, histograms, background weights, neutral colour.
#include "tracking/UnitEspaceCouleur.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Module setting: bins per axis and bins per unit of L*, u* and v*.
int GBins = 0;
double GScaleL = 0.0;
double GScaleU = 0.0;
double GScaleV = 0.0;

// Direct-mapped cache colour -> flat bin; a key holds the 24-bit colour plus a validity bit, and the
// whole cache is forgotten when the bin count changes.
struct TCacheEntry
{
    std::uint32_t Key = 0;
    std::int32_t Bin = 0;
};
constexpr std::uint32_t CacheBits = 16;
std::array<TCacheEntry, std::size_t{1} << CacheBits> GCache{};

constexpr double UnitsU = 0.19784977571475; // u' of the D65 white point
constexpr double UnitsV = 0.46834507665248; // v' of the D65 white point

int ClampBin(double scaled)
{
    // trunc toward zero, then clamped; the comparisons also send NaN to bin 0.
    if (!(scaled > 0.0))
        return 0;
    const double t = std::trunc(scaled);
    return t >= GBins - 1 ? GBins - 1 : static_cast<int>(t);
}

int FlatOf(const TBin& bin)
{
    return (bin.L * GBins + bin.U) * GBins + bin.V;
}

} // namespace

TLuv RgbToLuv(int r, int g, int b)
{
    const double x = 0.4125 * r + 0.3576 * g + 0.1804 * b;
    const double y = 0.2125 * r + 0.7154 * g + 0.0721 * b;
    const double z = 0.0193 * r + 0.1192 * g + 0.9502 * b;
    const double yn = y / 255.0;
    TLuv luv;
    luv.L = yn <= 0.008856 ? 903.3 * yn : 116.0 * std::pow(yn, 0.33333333333) - 16.0;
    const double d = x + 15.0 * y + 3.0 * z;
    double up = 4.0;
    double vp = 0.6;
    if (d != 0.0) {
        up = 4.0 * x / d;
        vp = 9.0 * y / d;
    }
    luv.U = 13.0 * luv.L * (up - UnitsU);
    luv.V = 13.0 * luv.L * (vp - UnitsV);
    return luv;
}

void LuvToRgb(const TLuv& luv, int& r, int& g, int& b)
{
    r = g = b = 0;
    if (!(luv.L >= 0.1))
        return;
    const double y = luv.L < 8.0 ? luv.L / 903.3 : std::pow((luv.L + 16.0) / 116.0, 3.0);
    const double up = luv.U / (13.0 * luv.L) + UnitsU;
    const double vp = luv.V / (13.0 * luv.L) + UnitsV;
    if (vp == 0.0)
        return;
    const double x = 9.0 * up * y / (4.0 * vp);
    const double z = (12.0 - 3.0 * up - 20.0 * vp) * y / (4.0 * vp);
    auto channel = [](double value) {
        const double rounded = std::nearbyint(255.0 * value);
        return static_cast<int>(std::clamp(rounded, 0.0, 255.0));
    };
    r = channel(3.2405 * x - 1.5371 * y - 0.4985 * z);
    g = channel(-0.9693 * x + 1.876 * y + 0.0416 * z);
    b = channel(0.0556 * x - 0.204 * y + 1.0573 * z);
}

void BitmapToLuv(const QImage& bitmap, TMatrice3D& luv)
{
    const QImage image = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
                             ? bitmap
                             : bitmap.convertToFormat(QImage::Format_RGB32);
    luv.assign(image.height(), std::vector<std::vector<double>>(image.width(), std::vector<double>(3)));
    for (int i = 0; i < image.height(); ++i) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(i));
        for (int j = 0; j < image.width(); ++j) {
            const TLuv c = RgbToLuv(qRed(line[j]), qGreen(line[j]), qBlue(line[j]));
            luv[i][j] = {c.L, c.U, c.V};
        }
    }
}

void SetBinCount(int n)
{
    n = std::max(n, 0);
    if (n != GBins)
        GCache.fill(TCacheEntry{});
    GBins = n;
    GScaleL = n / 100.0;
    GScaleU = n / LuvUWidth;
    GScaleV = n / LuvVWidth;
}

int BinCount()
{
    return GBins;
}

TBin BinOf(double l, double u, double v)
{
    if (GBins <= 0)
        return {};
    return {ClampBin(l * GScaleL), ClampBin((u - LuvUMin) * GScaleU), ClampBin((v - LuvVMin) * GScaleV)};
}

void ColourHistogram(const TMatrice3D& image, const TMatriceI& mask, bool useKernel, TMatrice3D& histogram)
{
    if (image.empty())
        return;
    const int n = GBins;
    histogram.assign(n, std::vector<std::vector<double>>(n, std::vector<double>(n, 0.0)));
    if (n == 0)
        return; // no bin count set
    const int height = static_cast<int>(image.size());
    const int width = static_cast<int>(image[0].size());
    const double cx = (width - 1) / 2.0;
    const double cy = (height - 1) / 2.0;
    if (cx == 0.0 && cy == 0.0)
        return;
    const double radius2 = cx * cx + cy * cy;
    double total = 0.0;
    for (int i = 0; i < height && i < static_cast<int>(mask.size()); ++i) {
        for (int j = 0; j < width && j < static_cast<int>(mask[i].size()); ++j) {
            if (mask[i][j] == 0)
                continue;
            const double w = useKernel ? 1.0 - ((i - cy) * (i - cy) + (j - cx) * (j - cx)) / radius2 : 1.0;
            const TBin bin = BinOf(image[i][j][0], image[i][j][1], image[i][j][2]);
            histogram[bin.L][bin.U][bin.V] += w;
            total += w;
        }
    }
    if (IsZero(total))
        return;
    for (auto& plane : histogram)
        for (auto& row : plane)
            for (double& value : row)
                if (value > 0.0)
                    value /= total;
}

namespace {

// The inner box of BackgroundWeights: x0..x1 by y0..y1 around the centre of a width x height image.
struct TInnerBox
{
    int X0, X1, Y0, Y1;
};

TInnerBox InnerBox(int width, int height, int targetWidth, int targetHeight, double margin)
{
    const double cx = (width - 1) / 2.0;
    const double cy = (height - 1) / 2.0;
    const double hx = (targetWidth / 2) * margin;
    const double hy = (targetHeight / 2) * margin;
    return {static_cast<int>(std::trunc(cx - hx)), static_cast<int>(std::trunc(cx + hx)),
            static_cast<int>(std::trunc(cy - hy)), static_cast<int>(std::trunc(cy + hy))};
}

bool InCorner(const TInnerBox& box, int i, int j)
{
    return (j < box.X0 || j > box.X1) && (i < box.Y0 || i > box.Y1);
}

} // namespace

void BackgroundWeights(const TMatrice3D& image, int targetWidth, int targetHeight, double margin,
                       TMatrice3D& weights)
{
    if (image.empty())
        return;
    const int n = GBins;
    weights.assign(n, std::vector<std::vector<double>>(n, std::vector<double>(n, 0.0)));
    if (n == 0)
        return;
    const int height = static_cast<int>(image.size());
    const int width = static_cast<int>(image[0].size());
    const TInnerBox box = InnerBox(width, height, targetWidth, targetHeight, margin);
    for (int i = 0; i < height; ++i)
        for (int j = 0; j < static_cast<int>(image[i].size()); ++j)
            if (InCorner(box, i, j)) {
                const TBin bin = BinOf(image[i][j][0], image[i][j][1], image[i][j][2]);
                weights[bin.L][bin.U][bin.V] += 1.0;
            }
    for (auto& plane : weights)
        for (auto& row : plane)
            for (double& value : row)
                value = value > 0.0 ? 1.0 / value : 1.0;
}

TColor NeutralColour(const TMatrice3D& histogram)
{
    auto valueAt = [&](const TBin& bin) {
        if (bin.L >= static_cast<int>(histogram.size()) ||
            bin.U >= static_cast<int>(histogram[bin.L].size()) ||
            bin.V >= static_cast<int>(histogram[bin.L][bin.U].size()))
            return 0.0;
        return histogram[bin.L][bin.U][bin.V];
    };
    const int n = static_cast<int>(histogram.size());
    for (int l = 0; l < n; ++l)
        for (int u = 0; u < static_cast<int>(histogram[l].size()); ++u)
            for (int v = 0; v < static_cast<int>(histogram[l][u].size()); ++v) {
                if (histogram[l][u][v] != 0.0 || GBins <= 0)
                    continue;
                const TLuv centre{(l + 0.5) / GScaleL, (u + 0.5) / GScaleU + LuvUMin,
                                  (v + 0.5) / GScaleV + LuvVMin};
                int r = 0, g = 0, b = 0;
                LuvToRgb(centre, r, g, b);
                if (valueAt(BinOf(RgbToLuv(r, g, b))) != 0.0)
                    continue; // outside the gamut: the colour would land in a bin of the model
                return static_cast<TColor>(r | (g << 8) | (b << 16));
            }
    return clWhite;
}

int FlatBinOf(QRgb rgb)
{
    const std::uint32_t colour = rgb & 0xFFFFFFu;
    const std::uint32_t key = colour | 0x1000000u;
    // A multiplicative hash spreads neighbouring colours over the table.
    TCacheEntry& entry = GCache[(colour * 2654435761u) >> (32 - CacheBits)];
    if (entry.Key == key)
        return entry.Bin;
    entry.Key = key;
    entry.Bin = FlatOf(BinOf(RgbToLuv(qRed(rgb), qGreen(rgb), qBlue(rgb))));
    return entry.Bin;
}

void BitmapToBins(const QImage& bitmap, std::vector<int>& bins)
{
    const QImage image = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
                             ? bitmap
                             : bitmap.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    bins.resize(static_cast<std::size_t>(width) * image.height());
    int k = 0;
    for (int i = 0; i < image.height(); ++i) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(i));
        QRgb previous = 0;
        int previousBin = -1;
        for (int j = 0; j < width; ++j, ++k) {
            // Runs of equal colours are common in frames; they skip the cache.
            if (previousBin < 0 || line[j] != previous) {
                previous = line[j];
                previousBin = FlatBinOf(previous);
            }
            bins[k] = previousBin;
        }
    }
}

void FlatHistogram(const std::vector<int>& bins, const std::vector<double>& weights,
                   std::vector<double>& histogram)
{
    histogram.assign(static_cast<std::size_t>(GBins) * GBins * GBins, 0.0);
    if (histogram.empty())
        return; // no bin count set
    double total = 0.0;
    if (weights.empty()) {
        for (int bin : bins)
            histogram[bin] += 1.0;
        total = static_cast<double>(bins.size());
    } else {
        for (std::size_t k = 0; k < bins.size() && k < weights.size(); ++k) {
            histogram[bins[k]] += weights[k];
            total += weights[k];
        }
    }
    if (IsZero(total))
        return;
    const double inverse = 1.0 / total;
    for (double& value : histogram)
        if (value > 0.0)
            value *= inverse;
}

void FlatBackgroundWeights(const std::vector<int>& bins, int width, int height, int targetWidth,
                           int targetHeight, double margin, std::vector<double>& weights)
{
    weights.assign(static_cast<std::size_t>(GBins) * GBins * GBins, 0.0);
    if (weights.empty() || bins.size() < static_cast<std::size_t>(width) * height)
        return;
    const TInnerBox box = InnerBox(width, height, targetWidth, targetHeight, margin);
    for (int i = 0; i < height; ++i) {
        if (i >= box.Y0 && i <= box.Y1)
            continue;
        for (int j = 0; j < width; ++j)
            if (j < box.X0 || j > box.X1)
                weights[bins[static_cast<std::size_t>(i) * width + j]] += 1.0;
    }
    for (double& value : weights)
        value = value > 0.0 ? 1.0 / value : 1.0;
}

void KernelWeights(int width, int height, std::vector<double>& weights)
{
    weights.assign(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0), 0.0);
    const double cx = (width - 1) / 2.0;
    const double cy = (height - 1) / 2.0;
    if (cx == 0.0 && cy == 0.0)
        return;
    const double radius2 = cx * cx + cy * cy;
    for (int i = 0; i < height; ++i)
        for (int j = 0; j < width; ++j)
            weights[static_cast<std::size_t>(i) * width + j] =
                1.0 - ((i - cy) * (i - cy) + (j - cx) * (j - cx)) / radius2;
}
