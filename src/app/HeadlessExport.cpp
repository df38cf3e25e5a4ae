// Headless command on projects: --export-datasheet opens a project and its video as the Open command
// does, without any window, and writes the datasheet text that the datasheet's Export command writes.
#include "app/CommandLine.h"
#include "app/HeadlessProject.h"

#include "common/UnitOptions.h"
#include "export/UnitServeur.h"
#include "export/UnitSpreadsheet.h"
#include "results/UnitDatasheetMatrix.h"
#include "results/UnitResPrepare.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

int RunExportDatasheet(const QStringList& args, bool layer, const TOptions& options, QTextStream&,
                       QTextStream& err)
{
    const QString project = args.value(0);
    const QString output = args.value(1);
    THeadlessProject work(options, layer);
    if (!work.Open(project, err) || !work.CheckResults(err))
        return 1;
    TResCalc& calc = work.Calc();
    TResGrid& grid = work.Grid();
    const double angle = work.Data().GridAngle(false);
    // The format follows the extension: a spreadsheet (.xlsx, .ods) holds the datasheet's matrix, with
    // numbers as numbers and the header rows as text; anything else gets the text export.
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("ods")) {
        TMatriceStr matrix;
        const int code = ExportDatasheetMatrix(calc, grid, options, true, angle, matrix);
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
        ExportDatasheetText(calc, grid, options, true, angle,
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
