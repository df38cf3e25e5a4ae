// Times the three graph pages (time, trajectory, vectors) of 32 objects at 1,000 and 10,000 marks per
// object: building the page from the result table, painting it at 1200x800, and a zoom step followed by a
// repaint; prints the growth between the two sizes.
#include "calc/UnitResultats.h"
#include "graph/UnitGraph.h"
#include "results/UnitGraphPages.h"
#include "results/UnitResForm.h"
#include "support/BenchTable.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct TTimes
{
    double Build = 1e300;
    double Paint = 1e300;
    double Zoom = 1e300;
};

void Build(TGraph& graph, const TResCalc& calc, int page, const std::vector<int>& objects,
           const TGraphPageContext& context)
{
    if (page == rpTemps)
        BuildTimeGraph(graph, calc, ckVy, objects, context, true);
    else if (page == rpReferentiel)
        BuildTrajectoryGraph(graph, calc, -1, objects, context, true);
    else
        BuildVectorGraph(graph, calc, 0, objects, context, true);
}

// Best of a few runs of each step, in milliseconds.
TTimes Measure(int marks, int page, int runs)
{
    bench::TBenchSource source(marks);
    TResCalc calc;
    calc.SetSource(&source);
    calc.Invalidate(kindGrid);
    if (calc.BuildPositions(kindGrid) != calcOk || !calc.ComputeDerivatives(kindGrid, 0))
        std::printf("  computation failed\n");
    std::vector<int> objects(bench::Objects);
    std::iota(objects.begin(), objects.end(), 0);
    TGraphPageContext context;
    TGraph graph;
    graph.resize(1200, 800);
    ApplyPageLook(graph, page);
    QImage image(1200, 800, QImage::Format_RGB32);
    TTimes best;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        Build(graph, calc, page, objects, context);
        best.Build = std::min(best.Build, Ms(start));

        start = Clock::now();
        {
            QPainter painter(&image);
            graph.Paint(painter, false);
        }
        best.Paint = std::min(best.Paint, Ms(start));

        // Zooming in around the middle of the plot, then painting again, as one wheel step does.
        start = Clock::now();
        TWorld world = graph.World();
        const double cx = (world.XMin + world.XMax) / 2, cy = (world.YMin + world.YMax) / 2;
        const double hx = (world.XMax - world.XMin) / 4, hy = (world.YMax - world.YMin) / 4;
        world.XMin = cx - hx;
        world.XMax = cx + hx;
        world.YMin = cy - hy;
        world.YMax = cy + hy;
        graph.SetWorld(world);
        {
            QPainter painter(&image);
            graph.Paint(painter, false);
        }
        best.Zoom = std::min(best.Zoom, Ms(start));
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("Graph pages of %d objects at 1200x800: best of 3 runs\n", bench::Objects);
    std::printf("%-12s %-8s %14s %14s %8s\n", "page", "step", "1,000 marks", "10,000 marks", "growth");
    const struct
    {
        const char* Name;
        int Page;
    } pages[] = {{"time", rpTemps}, {"trajectory", rpReferentiel}, {"vectors", rpVecteur}};
    for (const auto& p : pages) {
        const TTimes small = Measure(1000, p.Page, 3);
        const TTimes large = Measure(10000, p.Page, 3);
        const auto line = [&](const char* step, double a, double b) {
            std::printf("%-12s %-8s %11.2f ms %11.2f ms %7.2fx\n", p.Name, step, a, b, b / a);
        };
        line("build", small.Build, large.Build);
        line("paint", small.Paint, large.Paint);
        line("zoom", small.Zoom, large.Zoom);
    }
    std::printf("A growth near 10 means the time is linear in the number of marks.\n");
    return 0;
}
