// A small measurement to build real result tables from: a fake measurement source, the result sets and
// options with derivation unsmoothed, as the datasheet tests need them.
#pragma once

#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "results/UnitResGrid.h"
#include "results/UnitResPrepare.h"

#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// One object's mark on a row: relative units about the origin, y upwards; none when unmarked.
using TMark = std::optional<QPointF>;

class TFakeSource : public TCalcSource
{
public:
    bool Open = true;
    TMesures GridTable, LayerTable;
    std::pair<double, double> Scale{2.0, 2.0};
    double Angle = 0.0;
    double T = 0.125;
    QStringList Names;

    bool VideoOpen() const override { return Open; }
    TMesures Mesures(bool layer) const override { return layer ? LayerTable : GridTable; }
    std::pair<double, double> FacteursEchelle() const override { return Scale; }
    double GridAngle() const override { return Angle; }
    bool DirectXAxisDirection(bool) const override { return true; }
    bool DirectYAxisDirection(bool) const override { return true; }
    double Period() const override { return T; }
    QString ObjectName(bool layer, int object) const override
    {
        return object < Names.size() ? Names[object] : TCalcSource::ObjectName(layer, object);
    }
};

// The measurement table for rows at the given keys (times key * period) and the marks of each object.
inline TMesures Table(double period, const std::vector<int>& keys,
                      const std::vector<std::vector<TMark>>& objects)
{
    TMesures m;
    for (int key : keys)
        m.Temps.push_back(key * period);
    for (const std::vector<TMark>& marks : objects) {
        m.Images.emplace_back();
        m.X.emplace_back();
        m.Y.emplace_back();
        for (std::size_t r = 0; r < keys.size(); ++r) {
            const bool marked = r < marks.size() && marks[r].has_value();
            m.Images.back().push_back(marked ? keys[r] : -1);
            m.X.back().push_back(marked ? marks[r]->x() : 0.0);
            m.Y.back().push_back(marked ? marks[r]->y() : 0.0);
        }
    }
    return m;
}

// A ball falling on a parabola, marked on 5 rows, and a cart moving left, marked on the 3 middle rows:
// every value is exact in binary, so the table can be worked out by hand (period 0.125 s, 2 m per
// relative unit).
inline TMesures TwoObjectsTable()
{
    const std::vector<TMark> ball = {QPointF(0.125, 0), QPointF(0.25, 0.0625), QPointF(0.375, 0.25),
                                     QPointF(0.5, 0.5625), QPointF(0.625, 1.0)};
    const std::vector<TMark> cart = {std::nullopt, QPointF(-0.125, 0.25), QPointF(-0.25, 0.25),
                                     QPointF(-0.375, 0.25), std::nullopt};
    return Table(0.125, {0, 1, 2, 3, 4}, {ball, cart});
}

// The result sets over a fake source, with options read from an empty settings file and the
// derivation unsmoothed.
struct TResultsFixture
{
    QTemporaryDir Dir;
    TFakeSource Source;
    TOptions Options{Dir.filePath(QStringLiteral("Kinotra.ini"))};
    TResCalc Calc;
    TResGrid Grid{Calc, Options};
    TResultsFlags Flags;
    bool LayerMode = false;

    TResultsFixture()
    {
        Options.CheckBox54SmoothSpeed = false;
        Options.CheckBox7SmoothAcceleration = false;
        Flags = TResultsFlags::FromOptions(Options);
        Source.Names = {QStringLiteral("of the ball"), QStringLiteral("of the cart")};
        Source.GridTable = TwoObjectsTable();
        Calc.SetSource(&Source);
        Calc.IsLayerMode = [this] { return LayerMode; };
        Calc.Invalidate(kindBoth);
    }

    // Prepares the current table and shows every group, as the datasheet page does on opening.
    int Prepare()
    {
        const int code = PrepareResults(Calc, Grid, Flags, Source.VideoOpen());
        ShowDatasheetColumns(Grid, TDatasheetGroups{}, Flags);
        Grid.Recount();
        return code;
    }
};

// Numbers written the English way for the duration of a test.
class TLocaleScope
{
public:
    explicit TLocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(FSaved); }

private:
    QLocale FSaved;
};
