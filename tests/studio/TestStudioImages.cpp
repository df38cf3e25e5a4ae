// Outlines rasterised into cut-outs, pasted cut-outs, numbered names and the series of numbered images.
#include "studio/UnitStudioImages.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

int MaskCount(const TMatriceI& mask)
{
    int n = 0;
    for (const auto& row : mask)
        for (int entry : row)
            n += entry != 0;
    return n;
}

void Touch(const QDir& dir, const QString& name, QSize size = {4, 3})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    ASSERT_TRUE(image.save(dir.absoluteFilePath(name)));
}

QStringList Names(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths)
        names << QFileInfo(path).fileName();
    return names;
}

} // namespace

TEST(StudioImages, CircleIsAClosedRingOfNeighbours)
{
    for (int radius : {1, 2, 7, 12, 40}) {
        const TPointDynArray circle = CirclePolygon(QPoint(50, 60), radius);
        ASSERT_GE(circle.size(), 4u) << radius;
        for (std::size_t k = 0; k < circle.size(); ++k) {
            const QPoint& a = circle[k];
            const QPoint& b = circle[(k + 1) % circle.size()];
            // Neighbours on the circumference, never a jump across the circle.
            EXPECT_LE(std::max(std::abs(a.x() - b.x()), std::abs(a.y() - b.y())), 1) << radius << " at " << k;
            EXPECT_NEAR(std::hypot(a.x() - 50.0, a.y() - 60.0), radius, 0.75) << radius;
        }
    }
    EXPECT_EQ(CirclePolygon(QPoint(3, 4), 0), TPointDynArray{QPoint(3, 4)});
}

TEST(StudioImages, OutlinesRasterise)
{
    QRect box;
    TMatriceI mask;
    // A 10 x 6 rectangle: 11 x 7 pixels inside or on the edges, in a box widened by one pixel.
    ASSERT_TRUE(RasteriseOutline({{10, 20}, {20, 20}, {20, 26}, {10, 26}}, box, mask));
    EXPECT_EQ(box, QRect(9, 19, 13, 9));
    EXPECT_EQ(MaskCount(mask), 11 * 7);
    EXPECT_EQ(mask[0][0], 0);
    EXPECT_NE(mask[1][1], 0);
    // A filled circle covers about pi r^2 pixels.
    ASSERT_TRUE(RasteriseOutline(CirclePolygon(QPoint(40, 40), 10), box, mask));
    EXPECT_EQ(box, QRect(29, 29, 23, 23));
    EXPECT_NEAR(MaskCount(mask), M_PI * 10.5 * 10.5, 25.0);
    // A repeated point is one pixel: nothing to cut.
    const QRect before(1, 2, 3, 4);
    box = before;
    EXPECT_FALSE(RasteriseOutline({{5, 5}, {5, 5}, {5, 5}}, box, mask));
    EXPECT_EQ(box, before);
}

TEST(StudioImages, CutOutsLandInPlaceAndAreClippedToThePage)
{
    QImage frame(20, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            frame.setPixel(x, y, qRgb(x * 10, y * 20, 7));
    QRect box;
    TMatriceI mask;
    // A triangle that leaves the frame on the right.
    ASSERT_TRUE(RasteriseOutline({{15, 2}, {24, 2}, {15, 8}}, box, mask));
    const QImage picture = CutPicture(frame, box);
    ASSERT_EQ(picture.size(), box.size());
    EXPECT_EQ(picture.pixel(20 - box.left() + 1, 3 - box.top()), qRgb(0, 0, 0)); // beyond the frame: black

    QImage page(20, 10, QImage::Format_RGB32);
    page.fill(Qt::white);
    PasteCutOut(page, box, mask, picture);
    EXPECT_EQ(page.pixel(16, 3), frame.pixel(16, 3));  // inside the triangle
    EXPECT_EQ(page.pixel(15, 8), frame.pixel(15, 8));  // on a vertex
    EXPECT_EQ(page.pixel(19, 7), qRgb(255, 255, 255)); // outside it
    EXPECT_EQ(page.pixel(14, 3), qRgb(255, 255, 255));
}

TEST(StudioImages, NumberedNamesArePaddedToTheCount)
{
    struct TCase
    {
        int Index, Count;
        const char* Name;
    };
    const TCase cases[] = {{0, 250, "B_000.png"}, {249, 250, "B_249.png"}, {0, 9, "B_0.png"},
                           {8, 9, "B_8.png"},     {9, 10, "B_09.png"},     {0, 1, "B_0.png"},
                           {99, 100, "B_099.png"}};
    for (const TCase& c : cases)
        EXPECT_EQ(NumberedImageName(QStringLiteral("B"), c.Index, c.Count, QStringLiteral("png")),
                  QLatin1String(c.Name));
}

TEST(StudioImages, SeriesFromOneFileContinuesItsNumbering)
{
    QTemporaryDir temp;
    const QDir dir(temp.path());
    for (const char* name : {"shot007.png", "shot008.png", "shot009.png", "shot010.png", "shot012.png",
                             "shot011.bmp", "shot006.png", "other008.png"})
        Touch(dir, QLatin1String(name));
    EXPECT_EQ(Names(ImageSeriesFrom(dir.absoluteFilePath(QStringLiteral("shot007.png")))),
              QStringList({"shot007.png", "shot008.png", "shot009.png", "shot010.png"}));
    Touch(dir, QStringLiteral("plain.png"));
    EXPECT_EQ(Names(ImageSeriesFrom(dir.absoluteFilePath(QStringLiteral("plain.png")))),
              QStringList{"plain.png"});
    EXPECT_TRUE(ImageSeriesFrom(dir.absoluteFilePath(QStringLiteral("missing1.png"))).isEmpty());
}

TEST(StudioImages, FolderMustHoldOneSeriesWithoutGaps)
{
    struct TCase
    {
        QStringList Files;
        int Code;
        const char* Reason; // part of the reason
    };
    const TCase cases[] = {
        {{"a_0.png", "a_1.png", "a_2.png", "notes.txt"}, 0, ""},
        {{"a_8.png", "a_9.png", "a_10.png"}, 0, ""}, // numbers, not names, give the order
        {{}, 2, "no numbered image"},
        {{"a_0.png", "a_1.png", "b_0.png"}, 3, "several series"},
        {{"a_0.png", "a_1.bmp"}, 3, "several series"},
        {{"a_0.png", "a_1.png", "a_3.png"}, 4, "no image numbered 2 between a_1.png and a_3.png"},
        {{"a_0.png", "a_4.png"}, 4, "1 to 3"},
        {{"a_1.png", "a_01.png"}, 5, "same number"},
    };
    for (const TCase& c : cases) {
        QTemporaryDir temp;
        const QDir dir(temp.path());
        for (const QString& name : c.Files) {
            if (name.endsWith(QLatin1String(".txt"))) {
                QFile text(dir.absoluteFilePath(name));
                ASSERT_TRUE(text.open(QIODevice::WriteOnly));
            } else {
                Touch(dir, name);
            }
        }
        QStringList files;
        QString reason;
        EXPECT_EQ(ImageSeriesOfFolder(temp.path(), files, reason), c.Code) << c.Files.join(' ').toStdString();
        EXPECT_TRUE(reason.contains(QLatin1String(c.Reason))) << reason.toStdString();
        if (c.Code == 0) {
            EXPECT_EQ(files.size(), c.Files.size() - (c.Files.contains("notes.txt") ? 1 : 0));
        }
    }
    QStringList files;
    QString reason;
    EXPECT_EQ(ImageSeriesOfFolder(QStringLiteral("/nonexistent/folder"), files, reason), 1);
    QStringList ordered;
    QTemporaryDir temp;
    for (const char* name : {"a_10.png", "a_8.png", "a_9.png"})
        Touch(QDir(temp.path()), QLatin1String(name));
    ASSERT_EQ(ImageSeriesOfFolder(temp.path(), ordered, reason), 0);
    EXPECT_EQ(Names(ordered), QStringList({"a_8.png", "a_9.png", "a_10.png"}));
}

TEST(StudioImages, FreeFileNameTakesTheNextFreeNumber)
{
    QTemporaryDir temp;
    const QString today = QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
    const QString first =
        StudioFreeFileName(temp.path(), QStringLiteral("clip_") + today + '_', QStringLiteral("PNG"));
    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("clip_1_%1.png").arg(today));
    QFile(first).open(QIODevice::WriteOnly);
    EXPECT_EQ(
        QFileInfo(StudioFreeFileName(temp.path(), QStringLiteral("clip"), QStringLiteral("png"))).fileName(),
        QStringLiteral("clip_2_%1.png").arg(today));
}
