// The command line: one file opens, anything else opens nothing; options and their operands.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <QTextStream>

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
