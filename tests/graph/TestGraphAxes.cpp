// Graduation, label formats, automatic ranges and zoom levels of the graph's axes.
#include "graph/UnitGraphAxes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct TGraduationCase
{
    const char* Name;
    double Min, Max;
    double First, Step;
    int Count;
    double Last;
};

TEST(GraphAxes, GraduationOfTypicalAndEdgeRanges)
{
    const TGraduationCase cases[] = {
        {"0..100", 0, 100, 0, 20, 6, 100},
        {"0..3", 0, 3, 0, 0.6, 6, 3},
        {"-1..1 raised from -1.2", -1, 1, -0.8, 0.4, 6, 0.8},
        {"-0.05..1.05", -0.05, 1.05, 0, 0.2, 6, 1.0},
        {"tiny", 1e-12, 3e-12, 1.2e-12, 4e-13, 6, 2.8e-12},
        {"huge", 0, 5e200, 0, 1e200, 6, 5e200},
        {"negative", -500, -100, -500, 100, 5, -100},
        {"reversed is the ordered range", 100, 0, 0, 20, 6, 100},
        {"zero width", 5, 5, 5, 0.2, 1, 5},
        {"zero width at zero", 0, 0, 0, 0.2, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TGraduation g = Graduate(c.Min, c.Max);
        const double tolerance = 1e-9 * std::max(1.0, std::fabs(c.Step));
        EXPECT_NEAR(g.Step, c.Step, std::fabs(c.Step) * 1e-12);
        EXPECT_NEAR(g.First, c.First, std::max(tolerance, std::fabs(c.First) * 1e-12));
        EXPECT_EQ(g.Count, c.Count);
        EXPECT_NEAR(g.Last, c.Last, std::max(tolerance, std::fabs(c.Last) * 1e-9));
    }
}

TEST(GraphAxes, NonFiniteRangeHasNoTicks)
{
    EXPECT_EQ(Graduate(0, INFINITY).Count, 0);
    EXPECT_EQ(Graduate(NAN, 1).Count, 0);
    EXPECT_EQ(Graduate(-1e308, 1e308).Count, 0); // the range overflows
    // A range far below the resolution of its values still ends.
    EXPECT_GE(Graduate(1e20, 1e20 + 1e5).Count, 1);
}

TEST(GraphAxes, LabelFormats)
{
    struct TLabelCase
    {
        double Min, Max;
        QStringList Labels;
    };
    const TLabelCase cases[] = {
        {-0.05, 1.05, {"0.000", "0.200", "0.400", "0.600", "0.800", "1.000"}},
        {0, 12000, {"0.00E+0", "2.00E+3", "4.00E+3", "6.00E+3", "8.00E+3", "1.00E+4", "1.20E+4"}},
        {0, 150, {"0.0", "40.0", "80.0", "120.0"}},
        {-500, -100, {"-500.0", "-400.0", "-300.0", "-200.0", "-100.0"}},
        {-2000, 8000, {"-2000", "0", "2000", "4000", "6000", "8000"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Min);
        EXPECT_EQ(TickLabels(c.Min, c.Max), c.Labels);
    }
}

TEST(GraphAxes, TickMeantToBeZeroIsWrittenAsZero)
{
    // -0.05 + 3 x 0.02 leaves a remainder of about 1e-17, which scientific labels would show.
    const QStringList labels = TickLabels(-0.05, 0.05);
    ASSERT_GE(labels.size(), 5);
    EXPECT_EQ(labels[0], "-4.00E-2");
    EXPECT_EQ(labels[2], "0.00E+0");
    for (const QString& label : labels)
        EXPECT_FALSE(label.contains("E-1")) << label.toStdString();
}

TEST(GraphAxes, FitRangeRules)
{
    struct TFitCase
    {
        const char* Name;
        TWorld In;
        bool XIncludeZero, YIncludeZero, YFromZero, XFromZero;
        double Margin;
        TWorld Out;
    };
    const TFitCase cases[] = {
        {"margin", {0, 10, 2, 4}, false, false, false, false, 0.1, {-1, 11, 1.8, 4.2}},
        {"include zero", {2, 4, -4, -2}, true, true, false, false, 0, {0, 4, -4, 0}},
        {"from zero", {0, 1, 2, 4}, false, false, true, true, 0.05, {0, 1.05, 0, 4.2}},
        {"equal ends", {1, 3, 5, 5}, false, false, false, false, 0.05, {0.9, 3.1, 4.725, 5.275}},
        {"both ends at zero", {0, 0, 0, 0}, false, false, false, false, 0, {-1e-50, 1e-50, -1e-50, 1e-50}},
        {"non-finite", {0, NAN, 0, 1}, false, false, false, false, 0.1, {0, 100, 0, 100}},
        {"overflow", {-1e308, 1e308, 0, 1}, false, false, false, false, 0.1, {0, 100, 0, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TWorld w = FitRange(c.In, c.XIncludeZero, c.YIncludeZero, c.YFromZero, c.XFromZero, c.Margin);
        EXPECT_DOUBLE_EQ(w.XMin, c.Out.XMin);
        EXPECT_DOUBLE_EQ(w.XMax, c.Out.XMax);
        EXPECT_DOUBLE_EQ(w.YMin, c.Out.YMin);
        EXPECT_DOUBLE_EQ(w.YMax, c.Out.YMax);
    }
}

TEST(GraphAxes, EqualizeScalesWidensOneRangeAboutItsCentre)
{
    // 200 x 100 pixels: x shows twice the range of y.
    TWorld w = EqualizeScales({0, 1, 0, 1}, 100, 200);
    EXPECT_DOUBLE_EQ(w.XMin, -0.5);
    EXPECT_DOUBLE_EQ(w.XMax, 1.5);
    EXPECT_DOUBLE_EQ(w.YMin, 0);
    w = EqualizeScales({0, 4, 0, 1}, 100, 200);
    EXPECT_DOUBLE_EQ(w.YMin, -0.5);
    EXPECT_DOUBLE_EQ(w.YMax, 1.5);
    EXPECT_EQ(EqualizeScales({0, 4, 0, 1}, 0, 200), (TWorld{0, 4, 0, 1}));
}

TEST(GraphAxes, ZoomLevels)
{
    std::vector<double> in;
    double f = 1;
    for (int i = 0; i < 9; ++i)
        in.push_back(f = TZoom::ZoomIn(f, false));
    EXPECT_EQ(in, (std::vector<double>{1.5, 2, 2.5, 3, 3.5, 4, 6, 10, 10}));
    EXPECT_DOUBLE_EQ(TZoom::ZoomIn(1, true), 1.05);
    EXPECT_DOUBLE_EQ(TZoom::ZoomIn(9.99, true), 9.991);
    EXPECT_DOUBLE_EQ(TZoom::ZoomIn(10, true), 10);
    EXPECT_DOUBLE_EQ(TZoom::ZoomOut(1, false), 0.667);
    EXPECT_DOUBLE_EQ(TZoom::ZoomOut(1, true), 1 - (1 - 0.667) / 10);
    EXPECT_DOUBLE_EQ(TZoom::ZoomOut(0.0833, false), 0.0625);
    EXPECT_DOUBLE_EQ(TZoom::ZoomOut(0.0625, false), 0.0625);
}

TEST(GraphAxes, TextFormats)
{
    EXPECT_EQ(GeneralText(12.345, 3), "12.3");
    EXPECT_EQ(GeneralText(0.5, 3), "0.5");
    EXPECT_EQ(GeneralText(1.5e7, 3), "1.5E+7");
    EXPECT_EQ(GeneralText(2e-5, 4), "2E-5");
    EXPECT_EQ(VectorValueText(1.23456), "1.23");
    EXPECT_EQ(VectorValueText(12.3456), "12.3");
    EXPECT_EQ(VectorValueText(123.456), "123");
    EXPECT_EQ(VectorValueText(0.0456), "0.05");
    EXPECT_EQ(VectorValueText(1234.5), "1.2E+3");
    EXPECT_EQ(VectorValueText(0.005), "5.0E-3");
}

} // namespace
