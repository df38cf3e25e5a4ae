// A generated project for the headless exports: two thrown balls with a hidden frame, a shifted time
// base and a layer, saved beside the fixture video; the command line run in-process; the calculation's
// view of the work as the main window gives it.
#pragma once

#include "app/CommandLine.h"
#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "export/UnitServeur.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"
#include "project/KtrFixture.h"
#include "results/UnitResGrid.h"
#include "results/UnitResPrepare.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <memory>

// The calculation's view of the work, as the main window gives it.
class TWorkSource : public TCalcSource
{
public:
    explicit TWorkSource(const TData& data) : FData(data) {}
    bool VideoOpen() const override { return true; }
    TMesures Mesures(bool layer) const override { return FData.BuildMesures(layer); }
    std::pair<double, double> FacteursEchelle() const override
    {
        const TScaleFactors f = FData.FacteursEchelle();
        return {f.X, f.Y};
    }
    double GridAngle() const override { return FData.GridAngle(false); }
    bool DirectXAxisDirection(bool layer) const override { return FData.DirectX(layer); }
    bool DirectYAxisDirection(bool layer) const override { return FData.DirectY(layer); }
    double Period() const override { return FData.RequiredDuration; }
    QString ObjectName(bool layer, int object) const override
    {
        const QString name = (layer ? FData.MarquesTsp->Name(object) : FData.MarquesRep->Name(object));
        return name.isEmpty() ? TCalcSource::ObjectName(layer, object) : name;
    }

private:
    const TData& FData;
};

struct HeadlessFixture : ::testing::Test
{
    QTemporaryDir Dir;
    TWork Work;
    QString Project = Dir.filePath(QStringLiteral("fall.ktr"));
    QString Output = Dir.filePath(QStringLiteral("sheet.txt"));

    void SetUp() override
    {
        Work.Video = FixtureVideo(TFixtureKind::H264Mp4);
        ASSERT_FALSE(Work.Video.isEmpty());
        Work.View.Frames = 50; // the fixture's frames
        Work.Montage.Init(50);
        TData& d = Work.Data;
        d.SetRequiredDuration(0.04);
        d.Echelle->ScalePointsNumber = 2;
        d.Echelle->Points[teNormale] = {TPointRel{0.1, 0.95}, TPointRel{0.9, 0.95}};
        d.Echelle->ScaleLength = 2.0;
        d.RepereFixe->OriginePointsNumber = 1;
        d.RepereFixe->OrigineCurrent = {0.2, 0.8};
        d.SetGridAngle(0.25);
        d.InverserAxeY();
        // A thrown ball and a slower one, on every frame from 5 to 29 except 12 (hidden); frame 20 was
        // given one interval more.
        d.SetNbObjets(2);
        for (int f = 5; f < 30; ++f) {
            if (f == 12)
                continue;
            const double t = 0.04 * f;
            d.MarquesRep->SetMarkAt(0, f, {0.15 + 0.3 * t, 0.3 + 0.5 * t - 0.5 * t * t});
            if (f % 3 != 0)
                d.MarquesRep->SetMarkAt(1, f, {0.2 + 0.1 * t, 0.5 + 0.05 * std::sin(4 * t)});
        }
        d.MarquesRep->Renumber();
        d.MarquesRep->SetName(1, QStringLiteral("slow"));
        Work.Montage.Visible[12] = false;
        for (int f = 13; f < 50; ++f)
            Work.Montage.TimeShift[std::size_t(f)] = f >= 20 ? 0 : -1;
        Work.Montage.RebuildMaps();
        // The time base as the view gives it to the measurement data.
        for (int f = 0; f < 50; ++f)
            Work.View.Shifts[f] = Work.Montage.TimeShift[std::size_t(f)];
        Work.View.Hidden = Work.Montage.Visible;
        Work.View.Hidden.flip();
        // The layer: its centre moves, and one mark on the sheet per frame.
        d.Transparent->OrigineCurrent = {0.5, 0.5};
        for (int f = 5; f < 12; ++f)
            d.MarquesTsp->SetMarkAt(0, f, {0.5 + 0.01 * f * f / 10.0, 0.4 + 0.02 * f});
        d.MarquesTsp->Renumber();
        ASSERT_TRUE(Work.SaveTo(Project));
    }

    int Run(const QStringList& args, QString& errors)
    {
        QString outText;
        QTextStream out(&outText);
        QTextStream err(&errors);
        const int code = RunHeadless(ParseCommandLine(args), out, err);
        err.flush();
        return code;
    }

    // The text that the datasheet's Export command writes for the work as it is in memory.
    QStringList Reference(bool layer, TResCalc& calc, TResGrid*& gridOut)
    {
        static TOptions options;
        calc.IsLayerMode = [layer] { return layer; };
        Source = std::make_unique<TWorkSource>(Work.Data);
        calc.SetSource(Source.get());
        Grid = std::make_unique<TResGrid>(calc, options);
        gridOut = Grid.get();
        TServeur serveur(options);
        EXPECT_EQ(ExportDatasheetText(calc, *Grid, options, true, Work.Data.GridAngle(false),
                                      QCoreApplication::applicationFilePath(), QDateTime::currentDateTime(),
                                      serveur),
                  calcOk);
        return serveur.Lines;
    }

    std::unique_ptr<TWorkSource> Source;
    std::unique_ptr<TResGrid> Grid;
};

inline QStringList ReadLines(const QString& path)
{
    QString text = QString::fromUtf8(ReadFile(path));
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}
