// Headless command on projects: --export-graph opens a project as the Open command does and writes one
// graph page of the results window (time, trajectory or vectors) as SVG, PNG, BMP or PDF.
#include "app/CommandLine.h"
#include "app/HeadlessProject.h"

#include "common/UnitOptions.h"
#include "graph/UnitGraph.h"
#include "measurement/UnitData.h"
#include "results/UnitGraphPages.h"
#include "results/UnitResForm.h"
#include "results/UnitResPrepare.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <numeric>

namespace {

constexpr int DefaultWidth = 1200;
constexpr int DefaultHeight = 800;
constexpr int MinSide = 16;
constexpr int MaxSide = 10000;

// The page named on the command line; -1 for an unknown name.
int PageOfName(const QString& name)
{
    if (name == QLatin1String("time"))
        return rpTemps;
    if (name == QLatin1String("trajectory"))
        return rpReferentiel;
    if (name == QLatin1String("vectors"))
        return rpVecteur;
    return -1;
}

} // namespace

int RunExportGraph(const QStringList& args, bool layer, const TOptions& options, QTextStream&, QTextStream& err)
{
    QStringList operands;
    int page = rpTemps;
    QSize size(DefaultWidth, DefaultHeight);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--page") || a == QLatin1String("--size")) {
            if (i + 1 >= args.size()) {
                err << "kinotra: " << a << " expects a value; see --help\n";
                return 2;
            }
            const QString value = args.at(++i);
            if (a == QLatin1String("--page")) {
                page = PageOfName(value);
                if (page < 0) {
                    err << "kinotra: unknown page " << value << "; expected time, trajectory or vectors\n";
                    return 2;
                }
            } else {
                static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
                const QRegularExpressionMatch m = pattern.match(value);
                const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
                const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
                if (w < MinSide || h < MinSide || w > MaxSide || h > MaxSide) {
                    err << "kinotra: bad size " << value << "; expected WxH, each from " << MinSide << " to "
                        << MaxSide << '\n';
                    return 2;
                }
                size = QSize(w, h);
            }
        } else {
            operands << a;
        }
    }
    if (operands.size() != 2) {
        err << "kinotra: --export-graph expects PROJECT.ktr OUT; see --help\n";
        return 2;
    }
    const QString project = operands.at(0);
    const QString output = operands.at(1);
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix != QLatin1String("svg") && suffix != QLatin1String("png") && suffix != QLatin1String("pdf") &&
        suffix != QLatin1String("bmp")) {
        err << "kinotra: cannot write " << output << ": the name must end in .svg, .png, .bmp or .pdf\n";
        return 2;
    }

    THeadlessProject work(options, layer);
    if (!work.Open(project, err) || !work.CheckResults(err))
        return 1;
    TResCalc& calc = work.Calc();
    TResultsFlags flags = TResultsFlags::FromOptions(options);
    calc.Invalidate(kindBoth); // nothing computed yet
    const int code = PrepareResults(calc, work.Grid(), flags, true);
    if (code != calcOk) {
        err << "kinotra: cannot compute the results of " << project << ": " << CalcErrorText(code) << '\n';
        return 1;
    }

    // The page as the results window builds it with the options of the settings file.
    TData& data = work.Data();
    TGraphPageContext context = TGraphPageContext::FromOptions(options);
    context.VelocityComputed = flags.VelocityComputed;
    context.AccelerationComputed = flags.AccelerationComputed;
    context.PolarComputed = flags.PolarComputed;
    context.LayerMode = layer;
    context.ObjectColor = [&data](int object) { return data.ObjectColour(object); };
    TVideoSources& sources = work.Sources();
    context.VideoSource = [&sources, &data](TVideoImage& image) {
        const int w = sources.FrameWidth();
        const int h = sources.FrameHeight();
        const TScaleFactors factors = data.FacteursEchelle();
        if (w <= 0 || h <= 0 || factors.X <= 0 || factors.Y <= 0)
            return false;
        image.Frame = QImage(w, h, QImage::Format_RGB32);
        if (!sources.Draw(image.Frame, QRect(0, 0, w, h), SRCCOPY))
            return false;
        const TRepere& repere = data.ActiveRepere();
        image.Origin = QPointF(repere.OrigineCurrent.X, repere.OrigineCurrent.Y);
        image.Size = QSizeF(factors.X, factors.Y);
        image.FlipX = !repere.DirectXAxisDirection;
        image.FlipY = !repere.DirectYAxisDirection;
        image.Angle = data.GridAngle(false);
        return true;
    };

    std::vector<int> objects(std::size_t(std::max(calc.Current().ObjectCount, 0)));
    std::iota(objects.begin(), objects.end(), 0);
    TGraph graph;
    graph.resize(size);
    ApplyPageLook(graph, page);
    if (page == rpTemps) {
        const std::vector<TColumnKind> quantities = TimeQuantities(context);
        BuildTimeGraph(graph, calc, quantities.empty() ? TColumnKind(ckX) : quantities.front(), objects, context,
                       true);
    } else if (page == rpReferentiel) {
        BuildTrajectoryGraph(graph, calc, -1, objects, context, true);
    } else {
        BuildVectorGraph(graph, calc, context.VelocityComputed ? 0 : 1, objects, context, true);
        graph.VectorValues = context.VectorValues;
    }
    if (!graph.SaveToFile(output)) {
        err << "kinotra: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
