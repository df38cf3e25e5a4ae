// The headless graph export: each page of a generated project as SVG, PNG and PDF, the SVG read back by
// Qt's own renderer showing what the bitmap shows, and the command's errors.
#include "project/HeadlessFixture.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

TEST_F(HeadlessFixture, GraphPagesAreWrittenInEachFormat)
{
    const QString svg = Dir.filePath(QStringLiteral("graph.svg"));
    const QString png = Dir.filePath(QStringLiteral("graph.png"));
    const QString pdf = Dir.filePath(QStringLiteral("graph.pdf"));
    for (const char* page : {"time", "trajectory", "vectors"}) {
        for (const QString& out : {svg, png, pdf}) {
            QString errors;
            ASSERT_EQ(Run({QStringLiteral("--export-graph"), Project, out, QStringLiteral("--page"),
                           QString::fromLatin1(page), QStringLiteral("--size"), QStringLiteral("600x400")},
                          errors),
                      0)
                << page << ' ' << errors.toStdString();
        }
        const QImage bitmap(png);
        ASSERT_EQ(bitmap.size(), QSize(600, 400)) << page;
        // Kept for a person to look at.
        bitmap.save(FixtureCacheDir() + QStringLiteral("/export-graph-%1.png").arg(QLatin1String(page)));
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.read(5).startsWith("%PDF-")) << page;

        // The SVG, drawn by an independent renderer, shows the picture of the bitmap: the plot's
        // background, axes, curves and texts differ only in anti-aliasing.
        QSvgRenderer renderer(svg);
        ASSERT_TRUE(renderer.isValid()) << page;
        QImage drawn(600, 400, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        {
            QPainter painter(&drawn);
            renderer.render(&painter, QRectF(0, 0, 600, 400));
        }
        const QImage reference = bitmap.convertToFormat(QImage::Format_RGB32);
        // Not a blank picture: the objects' colours are on it.
        int coloured = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 600; ++x) {
                const QColor c = reference.pixelColor(x, y);
                coloured += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 100;
            }
        EXPECT_GT(coloured, 200) << page;
        int differing = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 600; ++x) {
                const QColor a = reference.pixelColor(x, y), b = drawn.pixelColor(x, y);
                if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) >
                    90)
                    ++differing;
            }
        EXPECT_LT(differing, 600 * 400 / 25) << page << ": " << differing << " pixels differ";
    }
    // The default size, and the layer's page.
    QString errors;
    ASSERT_EQ(Run({QStringLiteral("--export-graph"), Project, png, QStringLiteral("--layer")}, errors), 0)
        << errors.toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(1200, 800));
}

TEST_F(HeadlessFixture, GraphExportErrors)
{
    const QString png = Dir.filePath(QStringLiteral("graph.png"));
    struct TCase
    {
        QStringList Args;
        int Code;
        const char* Reason;
    };
    const TCase cases[] = {
        {{Project, png, QStringLiteral("--page"), QStringLiteral("speed")}, 2, "unknown page speed"},
        {{Project, png, QStringLiteral("--size"), QStringLiteral("10x10")}, 2, "bad size 10x10"},
        {{Project, png, QStringLiteral("--size"), QStringLiteral("wide")}, 2, "bad size wide"},
        {{Project, Dir.filePath(QStringLiteral("graph.gif"))}, 2, "must end in .svg, .png, .bmp or .pdf"},
        {{Project}, 2, "expects PROJECT.ktr OUT"},
        {{Dir.filePath(QStringLiteral("none.ktr")), png}, 1, "no such file"},
        {{Project, Dir.filePath(QStringLiteral("missing/graph.png"))}, 1, "cannot write"},
    };
    for (const TCase& c : cases) {
        QString errors;
        EXPECT_EQ(Run(QStringList{QStringLiteral("--export-graph")} + c.Args, errors), c.Code) << c.Reason;
        EXPECT_TRUE(errors.contains(QLatin1String(c.Reason))) << errors.toStdString();
        EXPECT_FALSE(QFileInfo::exists(png)) << c.Reason;
    }
}
