// The headless export of a project's formulas.
#include "app/CommandLine.h"

#include <QTextStream>

int RunExportFormulas(const QStringList& /*args*/, bool /*layer*/, const TOptions& /*options*/, QTextStream& /*out*/, QTextStream& err)
{
    err << "kinotra: not available in this build\n";
    return 2;
}

