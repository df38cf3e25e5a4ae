// Headless command on projects: --export-datasheet opens a project and its video as the Open command
// does, without any window, and writes the datasheet text that the datasheet's Export command writes.
#include "app/CommandLine.h"

#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "editing/UnitMontage.h"
#include "export/UnitServeur.h"
#include "export/UnitSpreadsheet.h"
#include "export/UnitSpreadsheet.h"
#include "measurement/UnitData.h"
#include "measurement/UnitDataView.h"
#include "measurement/UnitMarques.h"
#include "project/UnitKtr.h"
#include "results/UnitDataCalcSource.h"
#include "results/UnitDatasheetMatrix.h"
#include "results/UnitResChecks.h"
#include "results/UnitResGrid.h"
#include "results/UnitResPrepare.h"
#include "video/UnitVideoSources.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>
#include <cmath>

namespace {

// The view as the measurement data sees it, without a window: the frame size and count of the open
// video, the edited sequence for the time base, and the mode that chooses between grid and layer.
class THeadlessView : public TDataView
{
public:
    THeadlessView(const TVideoSources& sources, const TMontage& montage, TModeVideo mode)
        : FSources(sources), FMontage(montage), FMode(mode)
    {
    }
    TPointRel ToRelative(int x, int y) const override
    {
        const QSize size = FrameSize();
        return {size.width() > 0 ? std::clamp(double(x) / size.width(), 0.0, 1.0) : 0.0,
                size.height() > 0 ? std::clamp(double(y) / size.height(), 0.0, 1.0) : 0.0};
    }
    QPoint ToView(const TPointRel& p) const override
    {
        const QSize size = FrameSize();
        return {int(std::lround(p.X * size.width())), int(std::lround(p.Y * size.height()))};
    }
    QSize FrameSize() const override { return {FSources.FrameWidth(), FSources.FrameHeight()}; }
    QSize ClientSize() const override { return FrameSize(); }
    int FrameCount() const override { return FSources.FrameCount(); }
    int CurrentFrame() const override { return FSources.CurrentFrame(); }
    int CurrentPosition() const override { return FMontage.PositionOf(CurrentFrame()); }
    int PositionCount() const override { return FMontage.VisibleCount; }
    void GoToPosition(int) override {}
    int ShiftOf(int frame) const override { return FMontage.ShiftOf(frame); }
    int PositionOf(int frame) const override { return FMontage.PositionOf(frame); }
    int FrameAt(int position) const override { return FMontage.FrameAt(position); }
    TModeVideo Mode() const override { return FMode; }
    bool ViewToolActive() const override { return false; }
    QPoint MousePosition() const override { return {}; }
    void SetCursorNumber(int) override {}
    void CursorRefresh() override {}
    void Repaint() override {}

private:
    const TVideoSources& FSources;
    const TMontage& FMontage;
    TModeVideo FMode;
};

QString OneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
}

} // namespace

int RunExportDatasheet(const QStringList& args, bool layer, const TOptions& options, QTextStream&,
                       QTextStream& err)
{
    const QString project = args.value(0);
    const QString output = args.value(1);
    if (!QFileInfo(project).isFile()) {
        err << "kinotra: cannot open " << project << ": no such file\n";
        return 1;
    }

    TVideoSources sources;
    TMontage montage;
    THeadlessView view(sources, montage, layer ? mvTransparent : mvRepereFixe);
    TData data(&options, &view);
    data.ApplyOptions();
    TKtrHost host;
    host.Data = &data;
    host.Montage = &montage;
    host.Options = &options;
    host.VideoOpen = [&sources] { return sources.IsOpen(); };
    host.VideoFileName = [&sources] { return sources.VideoFileName(); };
    TKtr ktr(std::move(host));

    // The same steps as opening a project in the window; every question there is an error here.
    if (!ktr.Prepare(project)) {
        err << "kinotra: cannot read " << project << ": Error reading file.\n";
        return 1;
    }
    ktr.Upgrade();
    if (!ktr.CheckContent()) {
        err << "kinotra: cannot read " << project << ": Error reading file.\n";
        return 1;
    }
    const QString video = ktr.VideoFileName();
    if (!QFileInfo(video).isFile()) {
        err << "kinotra: cannot open the video of " << project << ": " << video << ": no such file\n";
        return 1;
    }
    if (!sources.OpenVideo(video)) {
        const QString reason = sources.ErrorText.isEmpty()
                                   ? QStringLiteral("no framework can read this video")
                                   : OneLine(sources.ErrorText);
        err << "kinotra: cannot open the video " << video << " of " << project << ": " << reason << '\n';
        return 1;
    }
    // What opening a video does to the work before a project's data are read.
    montage.Init(sources.FrameCount());
    data.Reset();
    data.SetRequiredDuration(sources.SecondsPerFrame());
    const bool read = ktr.ReadContent();
    ktr.Release();
    if (!read) {
        err << "kinotra: cannot read " << project << ": Error reading file.\n";
        return 1;
    }

    // The window's checks before any result: no result is computed from an incomplete calibration.
    const TResCheckResult check = CheckResults(data, layer);
    if (check.Refused()) {
        err << "kinotra: cannot compute the results of " << project << ": " << check.OneLine() << '\n';
        return 1;
    }
    if (check.Code == rcFewMarks)
        err << "kinotra: warning: " << project << ": " << check.OneLine() << '\n';

    TResCalc calc;
    TDataCalcSource source(data, options);
    calc.SetSource(&source);
    calc.IsLayerMode = [layer] { return layer; };
    TResGrid grid(calc, options);
    // The format follows the extension: a spreadsheet (.xlsx, .ods) holds the datasheet's matrix, with
    // numbers as numbers and the header rows as text; anything else gets the text export.
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("ods")) {
        TMatriceStr matrix;
        const int code = ExportDatasheetMatrix(calc, grid, options, true, data.GridAngle(false), matrix);
        if (code != calcOk) {
            err << "kinotra: cannot compute the results of " << project << ": " << CalcErrorText(code)
                << '\n';
            return 1;
        }
        const int written = WriteSpreadsheetFile(matrix, output);
        if (written != 0) {
            err << "kinotra: cannot write " << output << ": " << SpreadsheetErrorText(written) << '\n';
            return 1;
        }
        return 0;
    }
    TServeur serveur(options);
    const int code =
        ExportDatasheetText(calc, grid, options, true, data.GridAngle(false),
                            QCoreApplication::applicationFilePath(), QDateTime::currentDateTime(), serveur);
    if (code != calcOk) {
        err << "kinotra: cannot compute the results of " << project << ": " << CalcErrorText(code) << '\n';
        return 1;
    }
    if (!serveur.WriteTextFile(output)) {
        err << "kinotra: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
