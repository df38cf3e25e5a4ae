// The headless editing commands: saving a project's edited sequence, listing a writer's codecs.
#include "app/CommandLine.h"

#include "app/HeadlessProject.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "editing/UnitMontage.h"
#include "editing/UnitRecordMontage.h"
#include "studio/UnitStudioConvert.h"
#include "video/UnitVideoSources.h"

#include <QFileInfo>
#include <QTextStream>
#include <memory>

namespace {

QString OneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
}

// Reads "--framework N" at args[i]; false with the reason for a missing or wrong number.
bool ReadFramework(const QStringList& args, qsizetype& i, int& framework, QTextStream& err)
{
    bool ok = false;
    framework = args.value(i + 1).toInt(&ok);
    if (!ok || framework < 0 || framework > 2) {
        err << "kinotra: --framework needs 0, 1 or 2\n";
        return false;
    }
    ++i;
    return true;
}

} // namespace

int RunSaveEdited(const QStringList& args, const TOptions& options, QTextStream&, QTextStream& err)
{
    const QString project = args.value(0);
    const QString output = args.value(1);
    if (project.isEmpty() || output.isEmpty() || project.startsWith(QLatin1String("--")) ||
        output.startsWith(QLatin1String("--"))) {
        err << "kinotra: --save-edited needs PROJECT and OUT\n";
        return 2;
    }
    int framework = -1;
    QString codec;
    bool codecGiven = false, blanks = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--framework")) {
            if (!ReadFramework(args, i, framework, err))
                return 2;
        } else if (args[i] == QLatin1String("--codec") && i + 1 < args.size()) {
            codec = args[++i];
            codecGiven = true;
        } else if (args[i] == QLatin1String("--blanks")) {
            blanks = true;
        } else {
            err << "kinotra: unknown argument " << args[i] << '\n';
            return 2;
        }
    }
    // The writer and codec: the settings file's, unless the command names them.
    TRecordMontage record;
    record.ReadSettings(TIniFile(options.SettingsFile()));
    if (framework >= 0) {
        const QString saved = record.Writer()->CodecName();
        record.SetFramework(framework);
        record.Writer()->SetCodecName(saved);
    }
    if (codecGiven && !record.Writer()->SetCodecName(codec)) {
        err << "kinotra: the framework " << record.Framework << " has no codec named \"" << codec
            << "\" (see --codecs)\n";
        return 1;
    }

    // The project opens as the Open command opens it.
    THeadlessProject work(options, false);
    if (!work.Open(project, err))
        return 1;
    TVideoSources& sources = work.Sources();
    const TMontage& montage = work.Montage();
    const QString video = sources.VideoFileName();
    // Writing over the source would destroy the frames being read.
    if (QFileInfo(output).absoluteFilePath() == QFileInfo(video).absoluteFilePath() ||
        QFileInfo(output).canonicalFilePath() == QFileInfo(video).canonicalFilePath()) {
        err << "kinotra: cannot write " << output << ": it is the project's video\n";
        return 1;
    }

    const int width = sources.FrameWidth(), height = sources.FrameHeight();
    const TFrameReader reader = [&sources](int frame, QImage& image) {
        image = GrabFrame(sources, frame);
        return !image.isNull();
    };
    int shown = -1;
    record.OnProgress = [&err, &shown](int percent) {
        if (percent <= 100 && percent / 10 != shown / 10) {
            shown = percent;
            err << "kinotra: " << percent << "%\n";
            err.flush();
        }
    };
    TEditedSaveSetup setup;
    setup.FileName = output;
    setup.FramesPerSecond = sources.FramesPerSecond();
    setup.SourceWidth = width;
    setup.SourceHeight = height;
    setup.Blanks = blanks;
    if (!record.WriteEdited(montage, reader, setup)) {
        err << "kinotra: cannot write " << output
            << ": Error detected while creating video file: " << OneLine(record.ErrorText);
        if (!record.Detail.isEmpty() && record.Detail != record.ErrorText)
            err << " (" << OneLine(record.Detail) << ')';
        err << '\n';
        return 1;
    }
    return 0;
}

int RunCodecs(const QStringList& args, const TOptions&, QTextStream& out, QTextStream& err)
{
    int framework = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--framework")) {
            if (!ReadFramework(args, i, framework, err))
                return 2;
        } else {
            err << "kinotra: unknown argument " << args[i] << '\n';
            return 2;
        }
    }
    const std::unique_ptr<TVideoWriter> writer = MakeVideoWriter(framework);
    for (const QString& name : writer->Codecs())
        out << name << '\n';
    return 0;
}
