// The command line: one file opens, anything else opens nothing; options and their operands; the headless
// program keeps standard error for its own messages.
#include "app/CommandLine.h"
#include "editing/UnitDemoClip.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <map>

TEST(CommandLine, WindowOpensOnlyASingleFileArgument)
{
    EXPECT_EQ(ParseCommandLine({}).StartFile, QString());
    EXPECT_EQ(ParseCommandLine({"/v/a.AVI"}).StartFile, QStringLiteral("/v/a.AVI"));
    const TCommandLine two = ParseCommandLine({"a.avi", "b.avi"});
    EXPECT_EQ(two.Command, TCommand::Gui);
    EXPECT_TRUE(two.StartFile.isEmpty());
}

TEST(CommandLine, OptionsAndTheirOperands)
{
    struct Case
    {
        QStringList Args;
        TCommand Command;
        int Operands;
        bool Layer;
    };
    const Case cases[] = {
        {{"--version"}, TCommand::Version, 0, false},
        {{"--help"}, TCommand::Help, 0, false},
        {{"--info", "v.mp4"}, TCommand::Info, 1, false},
        {{"--info"}, TCommand::Error, 0, false},
        {{"--export-frame", "v.mp4", "3", "f.png"}, TCommand::ExportFrame, 3, false},
        {{"--export-frame", "v.mp4", "3"}, TCommand::Error, 0, false},
        {{"--export-datasheet", "p.ktr", "o.txt"}, TCommand::ExportDatasheet, 2, false},
        {{"--export-datasheet", "p.ktr", "o.txt", "--layer"}, TCommand::ExportDatasheet, 2, true},
        {{"--frobnicate"}, TCommand::Error, 0, false},
    };
    for (const Case& c : cases) {
        const TCommandLine line = ParseCommandLine(c.Args);
        EXPECT_EQ(line.Command, c.Command) << c.Args.join(' ').toStdString();
        EXPECT_EQ(line.Args.size(), c.Operands) << c.Args.join(' ').toStdString();
        EXPECT_EQ(line.Layer, c.Layer);
        EXPECT_EQ(line.Error.isEmpty(), c.Command != TCommand::Error);
    }
}

TEST(CommandLine, HeadlessErrorsGoToStandardErrorWithANonZeroCode)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(RunHeadless(ParseCommandLine({"--bogus"}), o, e), 2);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.contains(QStringLiteral("--bogus")));
    EXPECT_EQ(RunHeadless(ParseCommandLine({"--version"}), o, e), 0);
    o.flush();
    EXPECT_TRUE(out.startsWith(QStringLiteral("Kinotra ")));
}

TEST(CommandLine, HeadlessProgramWritesNothingOnStandardErrorWithoutARuntimeFolder)
{
    // As under cron or su: no XDG_RUNTIME_DIR. Qt would warn about it on standard error.
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KINOTRA_EXECUTABLE),
                  {QStringLiteral("--demo-clip"), dir.filePath(QStringLiteral("demo.avi"))});
    ASSERT_TRUE(program.waitForFinished(120000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()), QString());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("demo.avi"))));
}

namespace {

// Runs the program with its own settings folder; answers its exit code, with what it printed.
int RunProgram(const QStringList& args, const QString& configFolder, QString& out, QString& err)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KINOTRA_EXECUTABLE), args);
    EXPECT_TRUE(program.waitForFinished(120000)) << args.join(' ').toStdString();
    out = QString::fromUtf8(program.readAllStandardOutput());
    err = QString::fromUtf8(program.readAllStandardError());
    return program.exitCode();
}

} // namespace

// The calculator on the command line: the value on stdout with 15 significant digits and exit 0, or the
// program's message on stderr and exit 1, as other tools rely on.
TEST(CommandLine, CalculatorPrintsTheValueOrTheMessage)
{
    struct Case
    {
        QStringList Args;
        int Code;
        const char* Out;
        const char* Err;
    };
    const Case cases[] = {
        {{"--calc", "2+3*4"}, 0, "14\n", ""},
        {{"--calc", "8/2*4"}, 0, "1\n", ""},
        {{"--calc", "SIN(30)"}, 0, "0.5\n", ""},
        {{"--calc", "SIN((30))"}, 0, "0.5\n", ""},
        {{"--calc", "sin(pi/2)", "--radians"}, 0, "1\n", ""},
        {{"--calc", "1/3"}, 0, "0.333333333333333\n", ""},
        {{"--calc", "-2^2"}, 0, "-4\n", ""},
        {{"--calc", "1/0"}, 1, "", "kinotra: Division by zero.\n"},
        {{"--calc", "x+1"}, 1, "", "kinotra: Formula with unknown variable or constant: x\n"},
        {{"--calc"}, 2, "", nullptr},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QString out, err;
        const std::string what = c.Args.join(' ').toStdString();
        EXPECT_EQ(RunProgram(c.Args, dir.path(), out, err), c.Code) << what;
        EXPECT_EQ(out, QString::fromUtf8(c.Out)) << what;
        if (c.Err)
            EXPECT_EQ(err, QString::fromUtf8(c.Err)) << what;
        else
            EXPECT_FALSE(err.isEmpty()) << what;
    }
}

// The fit on the command line: "key: value" lines, then the description; bad input exits 1 with a reason.
TEST(CommandLine, FitPrintsTheParametersOrTheReason)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("fall.txt"));
    {
        QFile f(data);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QTextStream s(&f);
        s << "# t y\n\n";
        for (int i = 0; i < 20; ++i) {
            const double t = 0.04 * i;
            s << QString::number(t, 'g', 17).replace('.', ',') << ";"
              << QString::number(1.0 + 2.0 * t - 4.905 * t * t, 'g', 17) << "\n";
        }
    }
    auto run = [&](const QStringList& args, QString& out, QString& err) {
        return RunProgram(args, dir.path(), out, err);
    };
    QString out, err;
    ASSERT_EQ(run({QStringLiteral("--fit"), QStringLiteral("parabola"), data}, out, err), 0)
        << err.toStdString();
    EXPECT_TRUE(err.isEmpty());
    const QStringList lines = out.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("code: 0"));
    std::map<QString, double> values;
    for (const QString& line : lines) {
        if (line.isEmpty())
            break;
        const qsizetype colon = line.indexOf(QStringLiteral(": "));
        ASSERT_GT(colon, 0) << line.toStdString();
        values[line.left(colon)] = line.mid(colon + 2).toDouble();
    }
    // y = r + b.t + c.t^2
    EXPECT_NEAR(values[QStringLiteral("r")], 1.0, 1e-9);
    EXPECT_NEAR(values[QStringLiteral("b")], 2.0, 1e-9);
    EXPECT_NEAR(values[QStringLiteral("c")], -4.905, 1e-9);
    EXPECT_TRUE(values.count(QStringLiteral("QuadraticVariation")));

    EXPECT_EQ(run({QStringLiteral("--fit"), QStringLiteral("spline"), data}, out, err), 1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.startsWith(QStringLiteral("kinotra: ")));
    EXPECT_EQ(run({QStringLiteral("--fit"), QStringLiteral("sine"), dir.filePath(QStringLiteral("none.txt"))},
                  out, err),
              1);
    EXPECT_FALSE(err.isEmpty());
}

// Tracking on the command line: the demonstration clip's ball, outlined on frame 0, followed to frame 20;
// CSV rows near the ball's true centre. Bad input exits 1 with a reason and no rows.
TEST(CommandLine, TrackPrintsCsvRowsNearTheTruth)
{
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("demo.avi"));
    QString error;
    ASSERT_TRUE(TDemoClip::Write(clip, error)) << error.toStdString();
    auto run = [&](const QStringList& args, QString& out, QString& err) {
        return RunProgram(args, dir.path(), out, err);
    };
    const QPointF c = TDemoClip::BallCentre(0);
    const int r = int(TDemoClip::BallRadius) + 2;
    const QString rect =
        QStringLiteral("%1,%2,%3,%4").arg(int(c.x()) - r).arg(int(c.y()) - r).arg(2 * r).arg(2 * r);
    QString out, err;
    ASSERT_EQ(run({QStringLiteral("--track"), clip, QStringLiteral("--frame"), QStringLiteral("0"),
                   QStringLiteral("--rect"), rect, QStringLiteral("--last"), QStringLiteral("20")},
                  out, err),
              0)
        << err.toStdString();
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("frame,x,y,confidence"));
    int rows = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(QLatin1Char(','));
        ASSERT_EQ(f.size(), 4) << lines[i].toStdString();
        const int frame = f[0].toInt();
        const QPointF truth = TDemoClip::BallCentre(frame);
        EXPECT_NEAR(f[1].toDouble(), truth.x(), 2.0) << "frame " << frame;
        EXPECT_NEAR(f[2].toDouble(), truth.y(), 2.0) << "frame " << frame;
        const double confidence = f[3].toDouble();
        EXPECT_GE(confidence, 0.0);
        EXPECT_LE(confidence, 1.0);
        ++rows;
    }
    EXPECT_GE(rows, 15);

    struct Bad
    {
        QStringList Args;
    };
    const Bad bad[] = {
        {{"--track", clip, "--frame", "50", "--rect", rect}},
        {{"--track", clip, "--frame", "0", "--rect", "630,470,40,40"}},
        {{"--track", clip, "--frame", "0", "--rect", rect, "--radius", "5"}},
        {{"--track", clip, "--frame", "0"}},
        {{"--track", clip, "--frame", "0", "--rect", "1,2,3"}},
    };
    for (const Bad& b : bad) {
        EXPECT_EQ(run(b.Args, out, err), 1) << b.Args.join(' ').toStdString();
        EXPECT_TRUE(err.startsWith(QStringLiteral("kinotra: "))) << err.toStdString();
    }
}
