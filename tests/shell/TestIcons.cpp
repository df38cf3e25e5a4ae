// The button pictures: one for every button of the main window, readable at 24 and 32 pixels.
#include "shell/UnitCommands.h"
#include "shell/UnitIcons.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QStringList>

namespace {

// Every button of the main window's tool bars and navigation panel: the rows of the command table that
// show a picture.
QStringList ButtonNamesOf()
{
    QStringList names;
    for (const TCommandRow& c : Commands())
        if (c.Picture)
            names << QString::fromLatin1(c.Name);
    return names;
}
const QStringList ButtonNames = ButtonNamesOf();

// Share of the picture's pixels that are clearly drawn.
double Coverage(const QImage& image)
{
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                ++drawn;
    return double(drawn) / (image.width() * image.height());
}

QImage Render(const QIcon& icon, int size, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(size, size), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// All pictures at 24 and 32 pixels on a tool-bar grey, the disabled look at 24 and 48 pixels on white,
// written beside the test program for a person to look at.
bool SaveContactSheet(const QStringList& names)
{
    const int columns = 6;
    const int cellWidth = 250;
    const int cellHeight = 76;
    const int rows = int((names.size() + columns - 1) / columns);
    QImage sheet(columns * cellWidth + 20, rows * cellHeight + 20, QImage::Format_RGB32);
    sheet.fill(QColor(0xef, 0xf0, 0xf1));
    QPainter p(&sheet);
    QFont font;
    font.setPixelSize(11);
    p.setFont(font);
    for (int i = 0; i < names.size(); ++i) {
        const QIcon icon = names[i] == QLatin1String("Kinotra") ? ApplicationIcon() : ButtonIcon(names[i]);
        const int x = 10 + (i % columns) * cellWidth;
        const int y = 10 + (i / columns) * cellHeight;
        p.drawImage(x, y + 12, Render(icon, 24));
        p.drawImage(x + 30, y + 8, Render(icon, 32));
        p.drawImage(x + 68, y + 12, Render(icon, 24, QIcon::Disabled));
        p.fillRect(x + 98, y, 56, 56, Qt::white);
        p.drawImage(x + 102, y + 4, Render(icon, 48));
        p.fillRect(x + 160, y + 12, 32, 32, QColor(0x3a, 0x40, 0x48));
        p.drawImage(x + 164, y + 16, Render(icon, 24));
        p.setPen(Qt::black);
        p.drawText(x, y + 70, names[i]);
    }
    p.end();
    return sheet.save(QDir(QCoreApplication::applicationDirPath()).filePath("icons-contact-sheet.png"));
}

} // namespace

TEST(Icons, EveryButtonHasAPictureReadableAt24And32Pixels)
{
    for (const QString& name : ButtonNames) {
        SCOPED_TRACE(name.toStdString());
        const QIcon icon = ButtonIcon(name);
        ASSERT_FALSE(icon.isNull());
        for (const int size : {24, 32}) {
            const QImage image = Render(icon, size);
            ASSERT_EQ(image.size(), QSize(size, size));
            // bold shapes: a picture that fills too little of its square is a thin or broken drawing
            EXPECT_GT(Coverage(image), 0.15) << size;
        }
    }
    QStringList sheetNames = ButtonNames;
    sheetNames << "ButtonMontageBasculerHidden"
               << "ButtonCapEnregistrerRecording"
               << "Kinotra";
    EXPECT_TRUE(SaveContactSheet(sheetNames));
}

TEST(Icons, MessagePicturesAre32PixelsAndUnknownNamesHaveNone)
{
    const QImage picture = ButtonPicture("ButtonOutilEchelle");
    EXPECT_EQ(picture.size(), QSize(32, 32));
    EXPECT_GT(Coverage(picture.convertToFormat(QImage::Format_ARGB32)), 0.15);
    EXPECT_EQ(qAlpha(picture.pixel(0, 31)), 0); // transparent around the drawing
    for (const QString& name : {QString("ButtonInconnu"), QString(), QString("../icons/ButtonOutilZoom")}) {
        EXPECT_TRUE(ButtonIcon(name).isNull()) << name.toStdString();
        EXPECT_TRUE(ButtonPicture(name).isNull()) << name.toStdString();
    }
    EXPECT_FALSE(ApplicationIcon().isNull());
}

// A button that swaps its picture with its state must show two different pictures.
TEST(Icons, StatePicturesDifferFromEachOther)
{
    for (const auto& [first, second] :
         {std::pair{picFrameVisible, picFrameHidden}, std::pair{picNotRecording, picRecording}}) {
        const QIcon a = PictureIcon(first);
        const QIcon b = PictureIcon(second);
        ASSERT_FALSE(a.isNull());
        ASSERT_FALSE(b.isNull());
        EXPECT_NE(Render(a, 24), Render(b, 24)) << first << " " << second;
    }
    EXPECT_EQ(PictureName(picFrameVisible), QStringLiteral("ButtonMontageBasculer"));
    EXPECT_EQ(PictureName(picNotRecording), QStringLiteral("ButtonCapEnregistrer"));
    EXPECT_TRUE(PictureIcon(11).isNull());
}
