// Parsing the command line and dispatching the headless commands.
#include "app/CommandLine.h"

#include "common/UnitOptions.h"
#include "formula/UnitParser.h"
#include "models/UnitModeles.h"

#include <QTextStream>

namespace {

struct TCommandEntry
{
    const char* Name;
    TCommand Command;
    int Operands; // -1: any number, checked by the command itself
};

constexpr TCommandEntry Commands[] = {
    {"--version", TCommand::Version, 0},
    {"--help", TCommand::Help, 0},
    {"--info", TCommand::Info, 1},
    {"--export-frame", TCommand::ExportFrame, 3},
    {"--export-datasheet", TCommand::ExportDatasheet, 2},
    {"--demo-clip", TCommand::DemoClip, 1},
    {"--calc", TCommand::Calc, 1},
    {"--fit", TCommand::Fit, 2},
    {"--track", TCommand::Track, -1},
    {"--export-formulas", TCommand::ExportFormulas, 2},
    {"--export-graph", TCommand::ExportGraph, -1},
    {"--save-edited", TCommand::SaveEdited, -1},
    {"--codecs", TCommand::Codecs, -1},
    {"--capture", TCommand::Capture, -1},
    {"--to-images", TCommand::ToImages, 2},
    {"--from-images", TCommand::FromImages, -1},
};

} // namespace

TCommandLine ParseCommandLine(const QStringList& args)
{
    TCommandLine line;
    if (args.isEmpty())
        return line;
    const QString& first = args.first();
    if (first == QLatin1String("-h"))
        return TCommandLine{TCommand::Help, {}, false, false, {}, {}};
    if (first.startsWith(QLatin1String("--"))) {
        for (const TCommandEntry& entry : Commands) {
            if (first != QLatin1String(entry.Name))
                continue;
            line.Command = entry.Command;
            QStringList operands = args.mid(1);
            if ((entry.Command == TCommand::ExportDatasheet || entry.Command == TCommand::ExportFormulas ||
                 entry.Command == TCommand::ExportGraph) &&
                operands.removeAll(QStringLiteral("--layer")) > 0)
                line.Layer = true;
            if (entry.Command == TCommand::Calc && operands.removeAll(QStringLiteral("--radians")) > 0)
                line.Radians = true;
            if (entry.Operands >= 0 && operands.size() != entry.Operands) {
                line.Command = TCommand::Error;
                line.Error =
                    QStringLiteral("%1 expects %2 argument(s); see --help").arg(first).arg(entry.Operands);
                return line;
            }
            line.Args = operands;
            return line;
        }
        line.Command = TCommand::Error;
        line.Error = QStringLiteral("unknown option %1; see --help").arg(first);
        return line;
    }
    // The window opens the file only when it is the one and only argument.
    if (args.size() == 1)
        line.StartFile = first;
    return line;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: kinotra [FILE]\n"
        "       kinotra --info VIDEO\n"
        "       kinotra --export-frame VIDEO N OUT\n"
        "       kinotra --export-datasheet PROJECT.ktr OUT.txt|OUT.xlsx|OUT.ods [--layer]\n"
        "       kinotra --demo-clip OUT\n"
        "       kinotra --calc EXPR [--radians]\n"
        "       kinotra --fit MODEL DATA\n"
        "       kinotra --track VIDEO --frame N --rect X,Y,W,H [--last M] [--radius R] [--ignore "
        "X,Y,W,H]...\n"
        "       kinotra --export-formulas PROJECT.ktr OUT.txt|OUT.xlsx|OUT.ods [--layer]\n"
        "       kinotra --export-graph PROJECT.ktr OUT.svg|OUT.png|OUT.pdf [--page time|trajectory|vectors]\n"
        "                              [--layer] [--size WxH]\n"
        "       kinotra --save-edited PROJECT.ktr OUT [--framework 0|1|2] [--codec NAME] [--blanks]\n"
        "       kinotra --codecs [--framework 0|1|2]\n"
        "       kinotra --capture SOURCE OUT --seconds S [--framework 0|1]\n"
        "       kinotra --to-images VIDEO FOLDER\n"
        "       kinotra --from-images FOLDER OUT --fps F\n"
        "       kinotra --version | --help\n"
        "\n"
        "Video analysis for physics teaching. With FILE (a video or a .ktr project) the main window opens "
        "it.\n"
        "\n"
        "  --info VIDEO             print framework, frames, width, height, fps and duration\n"
        "  --export-frame VIDEO N OUT\n"
        "                           write frame N (0-based frame of the file) as a BMP or PNG image\n"
        "  --export-datasheet PROJECT OUT [--layer]\n"
        "                           write the datasheet of a project as a text file or a spreadsheet\n"
        "  --demo-clip OUT          write the demonstration clip (a ball thrown before a 1 m ruler) to OUT\n"
        "  --calc EXPR [--radians]  evaluate EXPR as the calculator does (degrees unless --radians)\n"
        "  --fit MODEL DATA         fit a model (constant, proportional, affine, parabola, exponential,\n"
        "                           sine, sine-exp, sine-lin) to the points of a text file\n"
        "  --track VIDEO --frame N --rect X,Y,W,H [--last M] [--radius R] [--ignore X,Y,W,H]...\n"
        "                           track the object outlined on frame N (frame pixels) and print\n"
        "                           frame,x,y,confidence as CSV\n"
        "  --export-formulas PROJECT OUT [--layer]\n"
        "                           write the formulas' values of a project as a text file or a spreadsheet\n"
        "  --export-graph PROJECT OUT [--page P] [--layer] [--size WxH]\n"
        "                           write a graph page (time by default, 1200x800) as SVG, PNG or PDF\n"
        "  --save-edited PROJECT OUT [--framework 0|1|2] [--codec NAME] [--blanks]\n"
        "                           write the edited sequence of a project as a new video\n"
        "  --codecs [--framework 0|1|2]\n"
        "                           list the codec names of a video writer\n"
        "  --capture SOURCE OUT --seconds S [--framework 0|1]\n"
        "                           record S seconds from a camera device or 'test' (the test picture)\n"
        "  --to-images VIDEO FOLDER write every frame of a video as numbered images\n"
        "  --from-images FOLDER OUT --fps F\n"
        "                           write the numbered images of a folder as a video at F frames a second\n"
        "  --version                print the version\n"
        "  --help                   print this text\n");
}

QString VersionText()
{
    return QStringLiteral("Kinotra " KINOTRA_VERSION "\n");
}

int RunHeadless(const TCommandLine& line, QTextStream& out, QTextStream& err)
{
    switch (line.Command) {
    case TCommand::Version:
        out << VersionText();
        return 0;
    case TCommand::Help:
        out << UsageText();
        return 0;
    case TCommand::Error:
        err << "kinotra: " << line.Error << '\n';
        return 2;
    case TCommand::DemoClip:
        return RunDemoClip(line.Args, out, err);
    case TCommand::Calc: {
        QString value, reason;
        const int code = CalcCommand(line.Args.first(), line.Radians, value, reason);
        if (code == 0)
            out << value << '\n';
        else
            err << reason << '\n';
        return code;
    }
    case TCommand::Fit: {
        QString text, reason;
        const int code = FitCommand(line.Args.at(0), line.Args.at(1), text, reason);
        out << text;
        if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
            out << '\n';
        err << reason;
        if (!reason.isEmpty() && !reason.endsWith(QLatin1Char('\n')))
            err << '\n';
        return code;
    }
    default:
        break;
    }
    const TOptions options; // the same settings file as the window reads
    switch (line.Command) {
    case TCommand::Info:
        return RunInfo(line.Args, options, out, err);
    case TCommand::ExportFrame:
        return RunExportFrame(line.Args, options, out, err);
    case TCommand::ExportDatasheet:
        return RunExportDatasheet(line.Args, line.Layer, options, out, err);
    case TCommand::Track:
        return RunTrack(line.Args, options, out, err);
    case TCommand::ExportFormulas:
        return RunExportFormulas(line.Args, line.Layer, options, out, err);
    case TCommand::ExportGraph:
        return RunExportGraph(line.Args, line.Layer, options, out, err);
    case TCommand::SaveEdited:
        return RunSaveEdited(line.Args, options, out, err);
    case TCommand::Codecs:
        return RunCodecs(line.Args, options, out, err);
    case TCommand::Capture:
        return RunCapture(line.Args, options, out, err);
    case TCommand::ToImages:
        return RunToImages(line.Args, options, out, err);
    case TCommand::FromImages:
        return RunFromImages(line.Args, options, out, err);
    default:
        return 2;
    }
}
