// The command line of the program: the one place where arguments are parsed.
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;
class TOptions;

enum class TCommand
{
    Gui,             // the main window, with an optional file to open
    Version,         // --version
    Help,            // --help
    Info,            // --info VIDEO
    ExportFrame,     // --export-frame VIDEO N OUT
    ExportDatasheet, // --export-datasheet PROJECT OUT [--layer]
    DemoClip,        // --demo-clip OUT
    Calc,            // --calc EXPR [--radians]
    Fit,             // --fit MODEL DATA
    Track,           // --track VIDEO --frame N --rect X,Y,W,H [--last M] [--radius R] [--ignore X,Y,W,H]...
    ExportFormulas,  // --export-formulas PROJECT OUT [--layer]
    ExportGraph,     // --export-graph PROJECT OUT [--page time|trajectory|vectors] [--layer] [--size WxH]
    SaveEdited,      // --save-edited PROJECT OUT [--framework 0|1|2] [--codec NAME] [--blanks]
    Codecs,          // --codecs [--framework 0|1|2]
    Capture,         // --capture SOURCE OUT --seconds S [--framework 0|1]
    ToImages,        // --to-images VIDEO FOLDER
    FromImages,      // --from-images FOLDER OUT --fps F
    Error,           // a malformed command line: Error says why
};

struct TCommandLine
{
    TCommand Command = TCommand::Gui;
    QStringList Args; // the operands of the command, without the option itself
    bool Layer = false;
    bool Radians = false; // --calc: angles in radians
    QString StartFile;    // Gui: the file to open, empty when none
    QString Error;
};

// args: the arguments without the program name.
TCommandLine ParseCommandLine(const QStringList& args);

QString UsageText();
QString VersionText();

// Headless commands: no window, no dialog; the result goes to out, a failure's reason to err.
// Each reads the same settings file as the main window. They return the process exit code.
int RunHeadless(const TCommandLine& line, QTextStream& out, QTextStream& err);
int RunInfo(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
int RunExportFrame(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
int RunTrack(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
int RunDemoClip(const QStringList& args, QTextStream& out, QTextStream& err);
int RunExportDatasheet(const QStringList& args, bool layer, const TOptions& options, QTextStream& out,
                       QTextStream& err);
int RunExportFormulas(const QStringList& args, bool layer, const TOptions& options, QTextStream& out,
                      QTextStream& err);
// A graph page of a project as SVG, PNG, BMP or PDF.
int RunExportGraph(const QStringList& args, bool layer, const TOptions& options, QTextStream& out,
                   QTextStream& err);
// Editing: the edited sequence of a project written as a video, and the codecs of a writer.
int RunSaveEdited(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
int RunCodecs(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
// Capture from a camera or the test picture.
int RunCapture(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
// Studio: a video to numbered images and back.
int RunToImages(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
int RunFromImages(const QStringList& args, const TOptions& options, QTextStream& out, QTextStream& err);
