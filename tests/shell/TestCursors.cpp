// The numbered cursor set: names, pictures, hot spots, the arrow for unknown numbers, and a contact sheet.
#include "shell/UnitCursors.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QPainter>
#include <QPixmap>

#include <array>
#include <set>

namespace {

// The numbers are fixed: every view and tool asks for its pointer by number.
const std::array<const char*, 50> ExpectedNames = {"AmortiExpHaut",
                                                   "AmortiExpBas",
                                                   "AmortiLinHaut",
                                                   "AmortiLinBas",
                                                   "DeformBasDroit",
                                                   "DeformBasGauche",
                                                   "DeformHautDroit",
                                                   "DeformHautGauche",
                                                   "Deformer",
                                                   "Deplacer",
                                                   "Detection",
                                                   "Dupliquer",
                                                   "Echelle",
                                                   "Gomme",
                                                   "Inverser",
                                                   "Marque",
                                                   "Marque0",
                                                   "Marque1",
                                                   "Marque2",
                                                   "Marque3",
                                                   "Marque4",
                                                   "Marque5",
                                                   "Marque6",
                                                   "Marque7",
                                                   "Marque8",
                                                   "Marque9",
                                                   "Nesw",
                                                   "Nwse",
                                                   "Origine",
                                                   "Pan",
                                                   "Pen",
                                                   "Pen0",
                                                   "Pen1",
                                                   "Pen2",
                                                   "Pen3",
                                                   "Pen4",
                                                   "Pen5",
                                                   "Pen6",
                                                   "Pen7",
                                                   "Pen8",
                                                   "Pen9",
                                                   "Reticule",
                                                   "Rotation",
                                                   "SelDeformer",
                                                   "Selection",
                                                   "SelRotation",
                                                   "SelGomme",
                                                   "Zoom",
                                                   "ZoomX",
                                                   "ZoomY"};

// Whether some clearly visible pixel lies within radius logical pixels of the hot spot, so that the user
// sees where the click lands.
bool DrawnNearHotSpot(const QImage& picture, QPoint hot, int radius)
{
    const qreal ratio = picture.devicePixelRatio();
    const int r = qRound(radius * ratio);
    const QPoint centre(qRound((hot.x() + 0.5) * ratio), qRound((hot.y() + 0.5) * ratio));
    for (int y = centre.y() - r; y <= centre.y() + r; ++y)
        for (int x = centre.x() - r; x <= centre.x() + r; ++x)
            if (picture.valid(x, y) && qAlpha(picture.pixel(x, y)) > 160)
                return true;
    return false;
}

// Pictures drawn on a light and a dark ground, three times enlarged without smoothing so that single
// pixels show, with the hot spot marked; written beside the test program for a person to look at.
class TContactSheet
{
public:
    static constexpr int Zoom = 3;
    static constexpr int Cell = CursorSize * Zoom;
    static constexpr int Columns = 10;

    TContactSheet() : FSheet(Columns * (2 * Cell + 40) + 20, 5 * (Cell * 2 + 40) + 20, QImage::Format_RGB32)
    {
        FSheet.fill(QColor(0xd8, 0xdc, 0xe0));
    }

    void Add(int number)
    {
        const int index = number - 1;
        const int x = 10 + (index % Columns) * (2 * Cell + 40);
        const int y = 10 + (index / Columns) * (2 * Cell + 40);
        QPainter p(&FSheet);
        const QImage one = CursorPicture(number, 1.0);
        const QImage two = CursorPicture(number, 2.0);
        // top row: ratio 1 on white and on a dark frame colour; bottom row: ratio 2 on mid grey, and a
        // ratio 1 picture with its hot spot in magenta
        p.fillRect(x, y, Cell, Cell, Qt::white);
        p.fillRect(x + Cell, y, Cell, Cell, QColor(0x30, 0x38, 0x40));
        p.drawImage(QRect(x, y, Cell, Cell), one);
        p.drawImage(QRect(x + Cell, y, Cell, Cell), one);
        p.fillRect(x, y + Cell, Cell, Cell, QColor(0x90, 0x98, 0xa0));
        QImage unscaled = two;
        unscaled.setDevicePixelRatio(1.0);
        p.drawImage(QRect(x, y + Cell, Cell, Cell), unscaled);
        p.fillRect(x + Cell, y + Cell, Cell, Cell, QColor(0xf0, 0xe8, 0xd0));
        p.drawImage(QRect(x + Cell, y + Cell, Cell, Cell), one);
        const QPoint hot = CursorHotSpot(number);
        p.fillRect(x + Cell + hot.x() * Zoom, y + Cell + hot.y() * Zoom, Zoom, Zoom, Qt::magenta);
        QFont font;
        font.setPixelSize(12);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(x, y + 2 * Cell + 14, QStringLiteral("%1 %2").arg(number).arg(CursorName(number)));
    }

    bool Save() const
    {
        return FSheet.save(
            QDir(QCoreApplication::applicationDirPath()).filePath("cursors-contact-sheet.png"));
    }

private:
    QImage FSheet;
};

} // namespace

TEST(Cursors, EveryNumberHasItsNamePictureAndHotSpot)
{
    RegisterCursors();
    TContactSheet sheet;
    for (int number = 1; number <= CustomCursorCount; ++number) {
        SCOPED_TRACE(number);
        EXPECT_EQ(CursorName(number), QString::fromLatin1(ExpectedNames[static_cast<size_t>(number - 1)]));
        const QCursor cursor = CustomCursor(number);
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_FALSE(cursor.pixmap().isNull());
        const QPoint hot = CursorHotSpot(number);
        EXPECT_EQ(cursor.hotSpot(), hot);
        EXPECT_TRUE(QRect(0, 0, CursorSize, CursorSize).contains(hot));
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage picture = CursorPicture(number, ratio);
            EXPECT_EQ(picture.size(), QSize(CursorSize, CursorSize) * ratio);
            EXPECT_TRUE(DrawnNearHotSpot(picture, hot, 2)) << "ratio " << ratio;
        }
        sheet.Add(number);
    }
    EXPECT_TRUE(sheet.Save());
}

TEST(Cursors, ZeroAndNumbersOutsideTheSetGiveTheArrow)
{
    for (const int number : {0, -1, 51, 1000}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(CustomCursor(number).shape(), Qt::ArrowCursor);
        EXPECT_TRUE(CursorName(number).isEmpty());
        EXPECT_TRUE(CursorPicture(number).isNull());
    }
}

// The digit is how a user tells which object the next mark or outline belongs to: the ten digits and
// the plain picture must all differ, at both ratios.
TEST(Cursors, EachObjectDigitHasItsOwnPicture)
{
    for (const int first : {int(crMarque), int(crPen)}) {
        for (const qreal ratio : {1.0, 2.0}) {
            std::set<QByteArray> seen;
            for (int number = first; number <= first + 10; ++number) {
                const QImage picture = CursorPicture(number, ratio);
                const QByteArray bytes(reinterpret_cast<const char*>(picture.constBits()),
                                       static_cast<qsizetype>(picture.sizeInBytes()));
                EXPECT_TRUE(seen.insert(bytes).second)
                    << CursorName(number).toStdString() << " ratio " << ratio;
            }
        }
    }
}
