// The headless capture command.
#include "app/CommandLine.h"

#include <QTextStream>

int RunCapture(const QStringList& /*args*/, const TOptions& /*options*/, QTextStream& /*out*/, QTextStream& err)
{
    err << "kinotra: not available in this build\n";
    return 2;
}

