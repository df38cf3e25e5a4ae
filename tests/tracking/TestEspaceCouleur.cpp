// Colour model: L*u*v* conversion, bins, histograms, background weights, neutral colour.
#include "tracking/UnitEspaceCouleur.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class EspaceCouleur : public ::testing::Test
{
protected:
    void SetUp() override { SetBinCount(20); }
};

TMatrice3D LuvImage(const std::vector<std::vector<QRgb>>& pixels)
{
    QImage image(static_cast<int>(pixels[0].size()), static_cast<int>(pixels.size()), QImage::Format_RGB32);
    for (int i = 0; i < image.height(); ++i)
        for (int j = 0; j < image.width(); ++j)
            image.setPixel(j, i, pixels[i][j]);
    TMatrice3D luv;
    BitmapToLuv(image, luv);
    return luv;
}

double Sum(const TMatrice3D& h)
{
    double total = 0.0;
    for (const auto& plane : h)
        for (const auto& row : plane)
            for (double v : row)
                total += v;
    return total;
}

} // namespace

TEST_F(EspaceCouleur, ConversionAndBinsOfReferenceColours)
{
    // Bins of u* and v* count from the minima of their range: u* = v* = 0 falls in bins 6 and 11.
    const struct
    {
        int R, G, B;
        double L, U, V;
        TBin Bin;
    } cases[] = {
        {0, 0, 0, 0.0, 0.0, 0.0, {0, 6, 11}},
        {255, 255, 255, 100.0, 0.0, 0.0, {19, 6, 11}},
        {128, 128, 128, 76.19, 0.0, 0.0, {15, 6, 11}},
        {255, 0, 0, 53.22, 175.21, 37.71, {10, 19, 14}},
        {0, 255, 0, 87.74, -83.14, 107.41, {17, 0, 19}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.R << "," << c.G << "," << c.B);
        const TLuv luv = RgbToLuv(c.R, c.G, c.B);
        EXPECT_NEAR(luv.L, c.L, 0.01);
        EXPECT_NEAR(luv.U, c.U, 0.02);
        EXPECT_NEAR(luv.V, c.V, 0.02);
        EXPECT_EQ(BinOf(luv), c.Bin);
    }
}

TEST_F(EspaceCouleur, BluesAndCyansDoNotShareBinsWithGreys)
{
    // The fault mended here: negative u* and v* all fell into bin 0, so a blue shared its bin with the
    // grey of the same lightness.
    for (const QRgb colour : {qRgb(0, 0, 255), qRgb(30, 60, 220), qRgb(0, 200, 220), qRgb(60, 90, 160)}) {
        const TLuv luv = RgbToLuv(qRed(colour), qGreen(colour), qBlue(colour));
        const TBin bin = BinOf(luv);
        // The grey with the same L*.
        int grey = 0;
        while (grey < 255 && RgbToLuv(grey, grey, grey).L < luv.L)
            ++grey;
        const TBin greyBin = BinOf(RgbToLuv(grey, grey, grey));
        EXPECT_NE(bin, greyBin) << qRed(colour) << "," << qGreen(colour) << "," << qBlue(colour);
    }
}

TEST_F(EspaceCouleur, EveryRgbColourLiesInsideTheBinnedRange)
{
    // The offsets and widths are the true extremes of the conversion over 8-bit RGB: nothing needs
    // clamping, and the extremes are reached.
    double umin = 1e9, umax = -1e9, vmin = 1e9, vmax = -1e9;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) {
                const TLuv luv = RgbToLuv(r, g, b);
                umin = std::min(umin, luv.U);
                umax = std::max(umax, luv.U);
                vmin = std::min(vmin, luv.V);
                vmax = std::max(vmax, luv.V);
            }
    EXPECT_GE(umin, LuvUMin - 1e-6);
    EXPECT_LE(umax, LuvUMin + LuvUWidth + 1e-6);
    EXPECT_GE(vmin, LuvVMin - 1e-6);
    EXPECT_LE(vmax, LuvVMin + LuvVWidth + 1e-6);
    EXPECT_NEAR(RgbToLuv(0, 255, 0).U, LuvUMin, 1e-6);
    EXPECT_NEAR(RgbToLuv(41, 0, 255).V, LuvVMin, 1e-6);
    EXPECT_NEAR(RgbToLuv(255, 0, 0).U, LuvUMin + LuvUWidth, 1e-6);
}

TEST_F(EspaceCouleur, LuvToRgbInvertsTheConversion)
{
    for (const QRgb colour : {qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(20, 120, 220),
                              qRgb(200, 180, 40), qRgb(10, 10, 10)}) {
        int r = 0, g = 0, b = 0;
        LuvToRgb(RgbToLuv(qRed(colour), qGreen(colour), qBlue(colour)), r, g, b);
        EXPECT_NEAR(r, qRed(colour), 1);
        EXPECT_NEAR(g, qGreen(colour), 1);
        EXPECT_NEAR(b, qBlue(colour), 1);
    }
    int r = 9, g = 9, b = 9;
    LuvToRgb({0.05, 10.0, 10.0}, r, g, b);
    EXPECT_EQ(r + g + b, 0);
}

TEST_F(EspaceCouleur, HistogramsOfDegenerateInputsStayZero)
{
    TMatrice3D h;
    ColourHistogram(LuvImage({{qRgb(200, 10, 10)}}), {{1}}, false, h);
    EXPECT_EQ(h.size(), 20u);
    EXPECT_EQ(Sum(h), 0.0);
    const TMatrice3D image = LuvImage({{qRgb(1, 2, 3), qRgb(4, 5, 6)}, {qRgb(7, 8, 9), qRgb(9, 9, 9)}});
    ColourHistogram(image, {{0, 0}, {0, 0}}, true, h);
    EXPECT_EQ(Sum(h), 0.0);
    TMatrice3D untouched = {{{42.0}}};
    ColourHistogram({}, {}, false, untouched);
    EXPECT_EQ(untouched[0][0][0], 42.0);
}

TEST_F(EspaceCouleur, KernelGivesCornersNoWeight)
{
    // A 3 x 3 window: red corners, grey elsewhere. With the kernel the red bin stays empty.
    const QRgb red = qRgb(255, 0, 0), grey = qRgb(128, 128, 128);
    const TMatrice3D image = LuvImage({{red, grey, red}, {grey, grey, grey}, {red, grey, red}});
    const TMatriceI mask(3, std::vector<int>(3, 1));
    const TBin redBin = BinOf(RgbToLuv(255, 0, 0));
    TMatrice3D h;
    ColourHistogram(image, mask, true, h);
    EXPECT_EQ(h[redBin.L][redBin.U][redBin.V], 0.0);
    EXPECT_NEAR(Sum(h), 1.0, 1e-12);
    ColourHistogram(image, mask, false, h);
    EXPECT_NEAR(h[redBin.L][redBin.U][redBin.V], 4.0 / 9.0, 1e-12);
}

TEST_F(EspaceCouleur, BackgroundWeightsCountTheCornerZonesOnly)
{
    // 7 x 7 window, target 2 x 2, margin 1.2: inner box columns and rows 1..4 (trunc(3 -/+ 1.2)), so
    // the corner zones are rows and columns {0, 5, 6} crossed: 9 pixels.
    std::vector<std::vector<QRgb>> pixels(7, std::vector<QRgb>(7, qRgb(255, 0, 0)));
    for (int i : {0, 5, 6})
        for (int j : {0, 5, 6})
            pixels[i][j] = qRgb(0, 0, 255);
    TMatrice3D weights;
    BackgroundWeights(LuvImage(pixels), 2, 2, 1.2, weights);
    const TBin blue = BinOf(RgbToLuv(0, 0, 255));
    const TBin red = BinOf(RgbToLuv(255, 0, 0));
    EXPECT_NEAR(weights[blue.L][blue.U][blue.V], 1.0 / 9.0, 1e-12);
    EXPECT_EQ(weights[red.L][red.U][red.V], 1.0);
    // An inner box covering the whole window counts nothing.
    BackgroundWeights(LuvImage(pixels), 10, 10, 1.2, weights);
    EXPECT_EQ(weights[blue.L][blue.U][blue.V], 1.0);
}

TEST_F(EspaceCouleur, NeutralColourFallsInAnEmptyBinOfTheModel)
{
    auto binOfColour = [](TColor c) { return BinOf(RgbToLuv(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF)); };
    TMatrice3D model(20, std::vector<std::vector<double>>(20, std::vector<double>(20, 0.0)));
    const TColor empty = NeutralColour(model);
    // The first bin's centre is outside the RGB gamut; its colour lands in some bin X. A model holding
    // X must not be given that colour back.
    const TBin x = binOfColour(empty);
    model[x.L][x.U][x.V] = 1.0;
    const TColor other = NeutralColour(model);
    const TBin y = binOfColour(other);
    EXPECT_EQ(model[y.L][y.U][y.V], 0.0);
    // A model with no empty bin gives white.
    TMatrice3D full(20, std::vector<std::vector<double>>(20, std::vector<double>(20, 1.0)));
    EXPECT_EQ(NeutralColour(full), clWhite);
}

TEST_F(EspaceCouleur, FlatFormsMatchTheArrayForms)
{
    QImage image(13, 9, QImage::Format_RGB32);
    unsigned state = 7;
    for (int i = 0; i < image.height(); ++i)
        for (int j = 0; j < image.width(); ++j) {
            state = state * 1103515245u + 12345u;
            image.setPixel(j, i, (state >> 8) & 0xFFFFFF);
        }
    TMatrice3D luv;
    BitmapToLuv(image, luv);
    std::vector<int> bins;
    BitmapToBins(image, bins);
    for (int i = 0; i < image.height(); ++i)
        for (int j = 0; j < image.width(); ++j) {
            const TBin b = BinOf(luv[i][j][0], luv[i][j][1], luv[i][j][2]);
            ASSERT_EQ(bins[i * image.width() + j], (b.L * 20 + b.U) * 20 + b.V);
        }
    const TMatriceI mask(9, std::vector<int>(13, 1));
    TMatrice3D h;
    ColourHistogram(luv, mask, true, h);
    std::vector<double> kernel, flat;
    KernelWeights(13, 9, kernel);
    FlatHistogram(bins, kernel, flat);
    for (int l = 0; l < 20; ++l)
        for (int u = 0; u < 20; ++u)
            for (int v = 0; v < 20; ++v)
                ASSERT_NEAR(flat[(l * 20 + u) * 20 + v], h[l][u][v], 1e-12);
    TMatrice3D weights;
    BackgroundWeights(luv, 4, 3, 1.2, weights);
    FlatBackgroundWeights(bins, 13, 9, 4, 3, 1.2, flat);
    for (int l = 0; l < 20; ++l)
        for (int u = 0; u < 20; ++u)
            for (int v = 0; v < 20; ++v)
                ASSERT_EQ(flat[(l * 20 + u) * 20 + v], weights[l][u][v]);
}
