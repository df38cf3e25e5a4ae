// A project opened without any window, as the Open command opens it: its video, the edited sequence, the
// measurement data and the result table of the grid or of the layer. Shared by the headless commands
// that read projects; their messages on standard error are the same for every one of them.
#pragma once

#include "calc/UnitResultats.h"
#include "editing/UnitMontage.h"
#include "measurement/UnitData.h"
#include "results/UnitDataCalcSource.h"
#include "results/UnitResGrid.h"
#include "video/UnitVideoSources.h"

#include <functional>
#include <memory>

class QTextStream;
class TDataView;
class TOptions;
struct TKtrHost;

class THeadlessProject
{
public:
    // layer: the result table of the layer instead of the grid's.
    THeadlessProject(const TOptions& options, bool layer);
    ~THeadlessProject();
    THeadlessProject(const THeadlessProject&) = delete;
    THeadlessProject& operator=(const THeadlessProject&) = delete;

    // Called with the project file's host before it reads anything: a command adds what it needs read
    // (the formulas, for instance).
    std::function<void(TKtrHost& host)> OnHost;

    // Reads the project and opens its video with the same steps as the window; every question the window
    // would ask is an error here. False after writing the reason ("kinotra: ...") to err.
    bool Open(const QString& project, QTextStream& err);
    // The window's checks before any result: no result is computed from an incomplete calibration. False
    // after writing the reason to err; a warning (too few marks) is written and passes.
    bool CheckResults(QTextStream& err);

    bool Layer() const { return FLayer; }
    const QString& ProjectPath() const { return FProject; }
    TVideoSources& Sources() { return FSources; }
    TMontage& Montage() { return FMontage; }
    TData& Data() { return *FData; }
    TResCalc& Calc() { return FCalc; }
    TResGrid& Grid() { return *FGrid; }
    const TOptions& Options() const { return FOptions; }

private:
    const TOptions& FOptions;
    bool FLayer;
    QString FProject;
    TVideoSources FSources;
    TMontage FMontage;
    std::unique_ptr<TDataView> FView;
    std::unique_ptr<TData> FData;
    std::unique_ptr<TDataCalcSource> FSource;
    TResCalc FCalc;
    std::unique_ptr<TResGrid> FGrid;
};
