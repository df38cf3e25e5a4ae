// Preparation of the current result table and the datasheet text without the results window.
#include "results/UnitResPrepare.h"

#include "export/UnitServeur.h"

TResultsFlags TResultsFlags::FromOptions(const TOptions& options)
{
    TResultsFlags flags;
    flags.VelocityComputed = options.CheckBox9Speed;
    flags.AccelerationComputed = options.CheckBox8Acceleration;
    flags.PolarComputed = options.CheckBox53PolarQuantities;
    flags.Smoothing = SmoothingFlags(options);
    return flags;
}

TDatasheetGroups TDatasheetGroups::FromOptions(const TOptions& options)
{
    TDatasheetGroups groups;
    groups.Coordinates = options.CheckBox29GridShowCoordinates;
    groups.Velocity = options.CheckBox10GridShowSpeed;
    groups.Acceleration = options.CheckBox11GridShowAcceleration;
    groups.Polar = options.CheckBox57GridShowPolarQuantities;
    return groups;
}

int PrepareResults(TResCalc& calc, TResGrid& grid, TResultsFlags& flags, bool videoOpen, bool* recomputed)
{
    if (recomputed)
        *recomputed = false;
    if (!videoOpen)
        return calcNoVideo;
    if (!calc.IsDirty(kindCurrent))
        return calcOk;
    const int build = calc.BuildPositions(kindCurrent);
    // The model follows the objects of the table even when the build failed: they are counted first.
    grid.Resize(kindCurrent, calc.Current().ObjectCount);
    if (recomputed)
        *recomputed = true;
    if (build != calcOk) {
        calc.Invalidate(kindCurrent);
        return build;
    }
    if (flags.VelocityComputed || flags.AccelerationComputed || flags.PolarComputed) {
        const int code = calc.Current().ComputeDerivatives(flags.Smoothing);
        if (code != calcOk) {
            flags.VelocityComputed = false;
            flags.AccelerationComputed = false;
            flags.PolarComputed = false;
            calc.Invalidate(kindCurrent);
            return code;
        }
    }
    return calcOk;
}

void ShowDatasheetColumns(TResGrid& grid, const TDatasheetGroups& groups, const TResultsFlags& flags)
{
    grid.SetKindsVisible(groups.Coordinates, KindsCoordinates());
    grid.SetKindsVisible(groups.Velocity && flags.VelocityComputed, KindsVelocity());
    grid.SetKindsVisible(groups.Acceleration && flags.AccelerationComputed, KindsAcceleration());
    grid.SetKindsVisible(groups.Polar && flags.PolarComputed, KindsPolar());
}

int PrepareDatasheetExport(TResCalc& calc, TResGrid& grid, const TOptions& options, bool videoOpen)
{
    TResultsFlags flags = TResultsFlags::FromOptions(options);
    // Whatever was computed before, the export reflects the data and options as they are now.
    calc.Invalidate(kindCurrent);
    const int code = PrepareResults(calc, grid, flags, videoOpen);
    if (code != calcOk)
        return code;
    ShowDatasheetColumns(grid, TDatasheetGroups::FromOptions(options), flags);
    return calcOk;
}

int ExportDatasheetText(TResCalc& calc, TResGrid& grid, const TOptions& options, bool videoOpen,
                        double gridAngle, const QString& programPath, const QDateTime& now, TServeur& serveur)
{
    const int code = PrepareDatasheetExport(calc, grid, options, videoOpen);
    if (code == calcOk)
        BuildDatasheetText(grid, serveur, programPath, gridAngle, now);
    return code;
}

QString CalcErrorText(int code)
{
    switch (code) {
    case calcOk:
        return QStringLiteral("no error");
    case calcSingular:
        return QStringLiteral("a smoothing fit found a singular system");
    case calcTooFewMarks:
        return QStringLiteral("an object has fewer than 3 marks");
    case calcNoObject:
        return QStringLiteral("there is no object to compute");
    case calcNoScale:
        return QStringLiteral("the scale is not defined");
    case calcNoVideo:
        return QStringLiteral("no video is open");
    default:
        return QStringLiteral("calculation error %1").arg(code);
    }
}
