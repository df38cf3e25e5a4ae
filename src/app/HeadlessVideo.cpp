// Headless commands on videos: --info and --export-frame.
#include "app/CommandLine.h"

#include <QTextStream>

int RunInfo(const QStringList& args, const TOptions&, QTextStream&, QTextStream& err)
{
    err << "kinotra: cannot open " << args.value(0) << ": video reading is not available in this build\n";
    return 1;
}

int RunExportFrame(const QStringList& args, const TOptions&, QTextStream&, QTextStream& err)
{
    err << "kinotra: cannot open " << args.value(0) << ": video reading is not available in this build\n";
    return 1;
}
