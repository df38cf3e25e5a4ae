// Headless command on projects: --export-datasheet.
#include "app/CommandLine.h"

#include <QTextStream>

int RunExportDatasheet(const QStringList& args, bool, const TOptions&, QTextStream&, QTextStream& err)
{
    err << "kinotra: cannot export " << args.value(0) << ": projects cannot be read by this build\n";
    return 1;
}
