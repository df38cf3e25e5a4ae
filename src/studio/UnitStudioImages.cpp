// Rasterised outlines, cut-outs, pages and numbered image series of the studio.
#include "studio/UnitStudioImages.h"

#include "video/UnitVideoTracking.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <algorithm>
#include <cmath>

namespace {

int RoundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

TPointDynArray ToFramePixels(const TPointDDynArray& points, int width, int height)
{
    TPointDynArray pixels;
    pixels.reserve(points.size());
    for (const QPointF& p : points)
        pixels.emplace_back(RoundHalfEven(width * p.x()), RoundHalfEven(height * p.y()));
    return pixels;
}

TPointDynArray CirclePolygon(const QPoint& centre, int radius)
{
    // The tracking's circle, moved to the centre and started at the rightmost point.
    const std::vector<QPoint> ring = MidpointCircle(radius);
    const auto first = std::find_if(ring.begin(), ring.end(), [](const QPoint& p) { return p.y() >= 0; });
    TPointDynArray polygon;
    polygon.reserve(ring.size());
    for (auto p = first; p != ring.end(); ++p)
        polygon.push_back(centre + *p);
    for (auto p = ring.begin(); p != first; ++p)
        polygon.push_back(centre + *p);
    return polygon;
}

QImage CutPicture(const QImage& frame, const QRect& box)
{
    QImage picture(box.size(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    picture.fill(Qt::black);
    const QImage source =
        frame.format() == QImage::Format_RGB32 ? frame : frame.convertToFormat(QImage::Format_RGB32);
    const QRect inside = box.intersected(source.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(picture.scanLine(y - box.top()));
        std::copy(from + inside.left(), from + inside.right() + 1, to + (inside.left() - box.left()));
    }
    return picture;
}

void PasteCutOut(QImage& page, const QRect& box, const TMatriceI& mask, const QImage& picture)
{
    if (page.format() != QImage::Format_RGB32)
        page = page.convertToFormat(QImage::Format_RGB32);
    const QImage source =
        picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
    const QRect inside = box.intersected(page.rect());
    const int rows = std::min<int>(static_cast<int>(mask.size()), source.height());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const int i = y - box.top();
        if (i >= rows)
            break;
        const std::vector<int>& maskRow = mask[i];
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(i));
        auto* to = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const int j = x - box.left();
            if (j < static_cast<int>(maskRow.size()) && j < source.width() && maskRow[j] != 0)
                to[x] = from[j];
        }
    }
}

QString NumberedImageName(const QString& base, int index, int count, const QString& extension)
{
    const int digits = static_cast<int>(QString::number(std::max(count, 1)).size());
    return base + QLatin1Char('_') + QStringLiteral("%1").arg(index, digits, 10, QLatin1Char('0')) +
           QLatin1Char('.') + extension;
}

bool SplitNumberedName(const QString& fileName, TNumberedName& parts)
{
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    const int dot = static_cast<int>(name.lastIndexOf(QLatin1Char('.')));
    const QString stem = dot > 0 ? name.left(dot) : name;
    int start = static_cast<int>(stem.size());
    while (start > 0 && stem[start - 1].isDigit() && stem[start - 1].unicode() < 128)
        --start;
    if (start == stem.size())
        return false;
    const QString digits = stem.mid(start);
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok);
    if (!ok || digits.size() > 15)
        return false;
    parts.Prefix = stem.left(start);
    parts.Digits = digits;
    parts.Extension = dot > 0 ? name.mid(dot + 1) : QString();
    parts.Number = number;
    return true;
}

const QStringList& StudioImageExtensions()
{
    static const QStringList extensions = {QStringLiteral("png"), QStringLiteral("bmp"),
                                           QStringLiteral("jpg"), QStringLiteral("jpeg")};
    return extensions;
}

QStringList ImageSeriesFrom(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        return {};
    QStringList series{info.absoluteFilePath()};
    TNumberedName parts;
    if (!SplitNumberedName(info.fileName(), parts))
        return series;
    const QDir folder = info.absoluteDir();
    const QString suffix = parts.Extension.isEmpty() ? QString() : QLatin1Char('.') + parts.Extension;
    const int width = static_cast<int>(parts.Digits.size());
    for (qint64 number = parts.Number + 1;; ++number) {
        const QString name =
            parts.Prefix + QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0')) + suffix;
        const QString path = folder.absoluteFilePath(name);
        if (!QFileInfo(path).isFile())
            break;
        series.push_back(path);
    }
    return series;
}

int ImageSeriesOfFolder(const QString& folder, QStringList& files, QString& reason)
{
    files.clear();
    const QFileInfo info(folder);
    if (!info.isDir()) {
        reason = QStringLiteral("%1 is not a folder").arg(folder);
        return 1;
    }
    // Series by prefix and extension (extension compared without regard to case).
    struct TEntry
    {
        qint64 Number;
        QString Path;
    };
    QMap<QString, std::vector<TEntry>> series;
    const QDir dir(info.absoluteFilePath());
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (!StudioImageExtensions().contains(entry.suffix().toLower()))
            continue;
        TNumberedName parts;
        if (!SplitNumberedName(entry.fileName(), parts))
            continue;
        series[parts.Prefix + QLatin1Char('*') + QLatin1Char('.') + parts.Extension.toLower()].push_back(
            {parts.Number, entry.absoluteFilePath()});
    }
    if (series.isEmpty()) {
        reason =
            QStringLiteral("%1 holds no numbered image (%2)")
                .arg(folder, QStringLiteral("*.") + StudioImageExtensions().join(QStringLiteral(", *.")));
        return 2;
    }
    if (series.size() > 1) {
        reason = QStringLiteral("%1 holds several series of numbered images (%2); keep one")
                     .arg(folder, series.keys().join(QStringLiteral(", ")));
        return 3;
    }
    std::vector<TEntry> entries = series.first();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Number < b.Number; });
    for (std::size_t k = 1; k < entries.size(); ++k) {
        const TEntry& previous = entries[k - 1];
        const TEntry& current = entries[k];
        if (current.Number == previous.Number) {
            reason = QStringLiteral("%1 and %2 carry the same number")
                         .arg(QFileInfo(previous.Path).fileName(), QFileInfo(current.Path).fileName());
            return 5;
        }
        if (current.Number != previous.Number + 1) {
            reason =
                QStringLiteral("the numbering has a gap: no image numbered %1 between %2 and %3")
                    .arg(current.Number - 1 == previous.Number + 1
                             ? QString::number(previous.Number + 1)
                             : QStringLiteral("%1 to %2").arg(previous.Number + 1).arg(current.Number - 1),
                         QFileInfo(previous.Path).fileName(), QFileInfo(current.Path).fileName());
            return 4;
        }
    }
    for (const TEntry& entry : entries)
        files.push_back(entry.Path);
    return 0;
}

QString StudioFreeFileName(const QString& folder, const QString& base, const QString& extension)
{
    const QString today = QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
    QString stem = base;
    stem.remove(today);
    while (stem.endsWith(QLatin1Char('_')))
        stem.chop(1);
    const QDir dir(folder);
    for (int n = 1;; ++n) {
        const QString path = dir.absoluteFilePath(
            QStringLiteral("%1_%2_%3.%4").arg(stem).arg(n).arg(today, extension.toLower()));
        if (!QFileInfo::exists(path))
            return path;
    }
}
