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
    // The single source of the manual page too: a heading ends in ":" at the start of a line; under it,
    // a term at two spaces, its text after two blanks or on lines at column 27.
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
        "Video analysis for physics teaching. With FILE (a video or a .ktr project) the main window opens\n"
        "it. The options below are headless commands instead: they open no window and no dialog, read the\n"
        "same settings file as the window, and write their errors on standard error as \"kinotra: REASON\"\n"
        "lines.\n"
        "\n"
        "Options:\n"
        "  --info VIDEO             print the framework that reads VIDEO, then its frames, width, height,\n"
        "                           fps and duration (seconds), as \"framework: NAME\", \"frames: N\"... "
        "lines\n"
        "  --export-frame VIDEO N OUT\n"
        "                           write frame N (0-based frame of the file) as a BMP or PNG image, by the\n"
        "                           extension of OUT\n"
        "  --export-datasheet PROJECT OUT [--layer]\n"
        "                           write the datasheet of a project (the layer's with --layer) as the\n"
        "                           Export command's tab-separated text, or for OUT.xlsx and OUT.ods as a\n"
        "                           spreadsheet (numbers as numbers, the header rows as text); refused,\n"
        "                           with the main window's message, when the scale or the grid is not\n"
        "                           defined or an object has fewer than 3 marks\n"
        "  --demo-clip OUT          write the demonstration clip (a ball thrown before a 1 m ruler) to OUT\n"
        "                           as an MPEG-4 video (AVI unless the extension names another container)\n"
        "  --calc EXPR [--radians]  evaluate EXPR as the calculator does (no variables; degrees unless\n"
        "                           --radians; \".\" as the decimal separator) and print the value with\n"
        "                           printf's %.15G\n"
        "  --fit MODEL DATA         fit MODEL (constant, proportional, affine, parabola, exponential, sine,\n"
        "                           sine-exp, sine-lin) to DATA, a text file of one point a line (abscissa,\n"
        "                           then ordinate, separated by blanks, a tab or \";\"; decimal \".\" or "
        "\",\";\n"
        "                           empty lines and lines starting with \"#\" ignored); print \"key: "
        "value\"\n"
        "                           lines with %.15G values: code, each parameter by its letter in the\n"
        "                           model's order, QuadraticVariation, RelativePrecision, Correlation\n"
        "                           (affine and proportional), se_LETTER for each fitted parameter, then an\n"
        "                           empty line and the model's description; exit 0 also when the iteration\n"
        "                           did not converge (code not 0)\n"
        "  --track VIDEO --frame N --rect X,Y,W,H [--last M] [--radius R] [--ignore X,Y,W,H]...\n"
        "                           track the object outlined by the rectangle (frame pixels, origin top\n"
        "                           left) on frame N (0-based frame of the file) up to frame M (default:\n"
        "                           the last), with search radius R (default: the option; 10 to 100),\n"
        "                           leaving out the zones to ignore; print CSV with the header\n"
        "                           frame,x,y,confidence, one row per tracked frame, x and y in frame\n"
        "                           pixels, confidence from 0 to 1; exit 0 also when the run stops early\n"
        "                           because the target was lost (the reason on standard error)\n"
        "  --export-formulas PROJECT OUT [--layer]\n"
        "                           write the values of a project's formulas as the formula dialog exports\n"
        "                           them: text, or for OUT.xlsx and OUT.ods a spreadsheet\n"
        "  --export-graph PROJECT OUT [--page P] [--layer] [--size WxH]\n"
        "                           write a graph page, P being time (the default), trajectory or vectors,\n"
        "                           as an SVG, PNG, BMP or PDF file by the extension of OUT, W by H pixels\n"
        "                           (1200x800 by default; 16 to 10000 each)\n"
        "  --save-edited PROJECT OUT [--framework 0|1|2] [--codec NAME] [--blanks]\n"
        "                           write the edited sequence of a project as a new video through writer 0\n"
        "                           (AVI, built-in), 1 (GStreamer) or 2 (FFmpeg) and its codec NAME (by\n"
        "                           default those of the settings file), with blank images in the slots of\n"
        "                           missing frames when --blanks is given; progress on standard error\n"
        "  --codecs [--framework 0|1|2]\n"
        "                           list the codec names of a video writer (0 by default), one a line\n"
        "  --capture SOURCE OUT --seconds S [--framework 0|1]\n"
        "                           record S seconds (1 to 3600) to OUT from a camera device (such as\n"
        "                           /dev/video0) or from 'test' (the test picture), through framework 0\n"
        "                           (V4L2) or 1 (GStreamer); progress and a summary on standard error\n"
        "  --to-images VIDEO FOLDER\n"
        "                           write every frame of a video as numbered PNG images into FOLDER (made\n"
        "                           when missing); print \"images: N\", \"first: FILE\" and \"last: FILE\" "
        "lines\n"
        "  --from-images FOLDER OUT --fps F\n"
        "                           write the numbered images of a folder as a video at F frames a second\n"
        "                           (above 0, at most 1000); print \"frames: N\" and \"file: FILE\" lines\n"
        "  --version                print the version\n"
        "  --help, -h               print this text\n"
        "\n"
        "Exit status:\n"
        "  0                        the command did its work\n"
        "  1                        the command failed; the reason is on standard error (a bad value given\n"
        "                           to --export-frame, --track or --from-images included)\n"
        "  2                        the command line is malformed: an unknown option, a missing or extra\n"
        "                           argument, or a bad value given to --export-graph, --save-edited,\n"
        "                           --codecs or --capture\n"
        "\n"
        "Files:\n"
        "  $XDG_CONFIG_HOME/kinotra/Kinotra.ini\n"
        "                           the settings file, read by the window and the headless commands alike;\n"
        "                           its folder is the work folder (by default ~/.config/kinotra)\n"
        "  /usr/share/kinotra/help  the help pages (in a build tree, the folder help beside the program)\n"
        "  $XDG_DATA_HOME/applications/kinotra.desktop\n"
        "                           the per-user association of .ktr projects, written from the options\n"
        "                           dialog, with $XDG_DATA_HOME/mime/packages/kinotra.xml (by default under\n"
        "                           ~/.local/share)\n"
        "\n"
        "Environment:\n"
        "  XDG_CONFIG_HOME          the folder that holds the work folder (by default ~/.config)\n"
        "  XDG_DATA_HOME            the folder of the per-user association (by default ~/.local/share)\n"
        "  TMPDIR                   the temporary folder, for the working files of editing and capture (by\n"
        "                           default /tmp)\n"
        "  XDG_RUNTIME_DIR          Qt's runtime folder; when it is unset, the program makes one in /tmp\n"
        "                           for the run\n"
        "  QT_QPA_PLATFORM          the window system of the main window (the headless commands always run\n"
        "                           offscreen)\n"
        "\n"
        "Examples:\n"
        "  kinotra --demo-clip throw.avi\n"
        "                           write the demonstration clip\n"
        "  kinotra --info throw.avi\n"
        "                           print its framework, frame count, size, frame rate and duration\n"
        "  kinotra --track throw.avi --frame 0 --rect 110,390,20,20 > track.csv\n"
        "                           track the ball, outlined on the first frame, to the end of the clip\n"
        "  awk -F, 'NR > 1 { print $1, $3 }' track.csv > height.txt\n"
        "                           keep the frame and the height (y, growing downwards) of each tracked\n"
        "                           frame\n"
        "  kinotra --fit parabola height.txt\n"
        "                           fit y = r + b.t + c.t^2 to the height against the frame: 2c is the\n"
        "                           acceleration in pixels per frame squared (1.26, that is 9.8 m/s^2 at 80\n"
        "                           pixels a metre and 25 frames a second)\n");
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
