// The headless studio commands: a video to numbered images and numbered images to a video.
#include "app/CommandLine.h"

#include <QTextStream>

int RunToImages(const QStringList& /*args*/, const TOptions& /*options*/, QTextStream& /*out*/, QTextStream& err)
{
    err << "kinotra: not available in this build\n";
    return 2;
}

int RunFromImages(const QStringList& /*args*/, const TOptions& /*options*/, QTextStream& /*out*/, QTextStream& err)
{
    err << "kinotra: not available in this build\n";
    return 2;
}

