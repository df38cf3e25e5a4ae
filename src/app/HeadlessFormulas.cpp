// Headless command on projects: --export-formulas opens a project and its video as the Open command does,
// without any window, computes its formulas over the result table and writes the formula dialog's export
// (its text, or its matrix as a spreadsheet file).
#include "app/CommandLine.h"
#include "app/HeadlessProject.h"

#include "common/UnitFormat.h"
#include "common/UnitOptions.h"
#include "export/UnitServeur.h"
#include "export/UnitSpreadsheet.h"
#include "formula/UnitFormules.h"
#include "project/UnitKtr.h"
#include "results/UnitDataCalcSource.h"
#include "results/UnitFormulaMatrix.h"
#include "results/UnitResPrepare.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

int RunExportFormulas(const QStringList& args, bool layer, const TOptions& options, QTextStream&,
                      QTextStream& err)
{
    const QString project = args.value(0);
    const QString output = args.value(1);
    TFormules formules;
    formules.FormatValue = [](double x) { return FormatSignificant(0, x); };
    THeadlessProject work(options, layer);
    work.OnHost = [&formules](TKtrHost& host) { host.Formules = &formules; };
    if (!work.Open(project, err) || !work.CheckResults(err))
        return 1;

    // What the results window does before its formula dialog opens: the options first (a change of the
    // preset families invalidates the table), then the table, then the constants and formulas.
    TResCalc& calc = work.Calc();
    const TDataCalcSource source(work.Data(), options);
    formules.SetResults(&calc);
    formules.SetSource(&source);
    formules.ApplyOptions(options);
    const int code = PrepareDatasheetExport(calc, work.Grid(), options, true);
    if (code != calcOk) {
        err << "kinotra: cannot compute the results of " << project << ": " << CalcErrorText(code) << '\n';
        return 1;
    }
    formules.ComputeConstants();
    formules.ComputeFormulas();
    // A formula that no row computes is exported as the dialog shows it ("#Number!"); say why.
    for (int k = 0; k < formules.FormulaCount(); ++k) {
        const TRec& f = *formules.Formulas[std::size_t(k)];
        if (f.Curve.Empty)
            err << "kinotra: warning: " << project << ": formula " << formules.FormulaText(k)
                << " has no value: " << QString(f.Message).replace(QLatin1Char('\n'), QLatin1Char(' '))
                << '\n';
    }

    const TFormulaTable table(formules, calc, options);
    const double angle = work.Data().GridAngle(false);
    // The format follows the extension, as for the datasheet.
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("ods")) {
        const int written = WriteSpreadsheetFile(table.BuildMatrix(angle), output);
        if (written != 0) {
            err << "kinotra: cannot write " << output << ": " << SpreadsheetErrorText(written) << '\n';
            return 1;
        }
        return 0;
    }
    TServeur serveur(options);
    table.BuildText(serveur, QCoreApplication::applicationFilePath(), angle, QDateTime::currentDateTime());
    if (!serveur.WriteTextFile(output)) {
        err << "kinotra: cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
