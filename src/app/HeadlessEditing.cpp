// The headless editing commands: saving a project's edited sequence, listing a writer's codecs.
#include "app/CommandLine.h"

#include <QTextStream>

int RunSaveEdited(const QStringList& /*args*/, const TOptions& /*options*/, QTextStream& /*out*/, QTextStream& err)
{
    err << "kinotra: not available in this build\n";
    return 2;
}

int RunCodecs(const QStringList& /*args*/, const TOptions& /*options*/, QTextStream& /*out*/, QTextStream& err)
{
    err << "kinotra: not available in this build\n";
    return 2;
}

