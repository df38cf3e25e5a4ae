// Readers shared by the association and installation tests: a desktop entry as keys and values, the
// globs of a MIME package, and the outside validators when they are installed.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>

// The keys of the [Desktop Entry] group. Every line must be blank, a comment, the group header or
// key=value; anything else fails the test.
inline QMap<QString, QString> ReadDesktopEntry(const QString& path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return keys;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("[Desktop Entry]"));
    for (const QString& line : lines.mid(1)) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        EXPECT_GT(eq, 0) << "not key=value: " << line.toStdString();
        if (eq > 0) {
            EXPECT_FALSE(keys.contains(line.left(eq))) << "repeated key " << line.toStdString();
            keys.insert(line.left(eq), line.mid(eq + 1));
        }
    }
    return keys;
}

// (type, glob pattern) pairs of a shared-mime-info package; fails the test when it is not well-formed.
inline QList<QPair<QString, QString>> ReadMimeGlobs(const QString& path)
{
    QList<QPair<QString, QString>> globs;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return globs;
    }
    QXmlStreamReader xml(&file);
    QString type;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("mime-info"))
            EXPECT_EQ(xml.namespaceUri(),
                      QLatin1String("http://www.freedesktop.org/standards/shared-mime-info"));
        else if (xml.name() == QLatin1String("mime-type"))
            type = xml.attributes().value(QLatin1String("type")).toString();
        else if (xml.name() == QLatin1String("glob"))
            globs.append({type, xml.attributes().value(QLatin1String("pattern")).toString()});
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return globs;
}

// Runs an outside checker when it is installed; its failure fails the test with its output.
inline void ValidateWith(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(30000)) << tool.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << tool.toStdString() << ": " << process.readAll().toStdString();
}
