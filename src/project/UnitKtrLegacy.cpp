// Conversion of the first project layout, one value per line, into the keys of the current layout.
#include "project/UnitKtrLegacy.h"

#include "common/UnitIni.h"

#include <limits>

namespace {

QString Indexed(const QString& name, int i, int j)
{
    return IndexedKey(IndexedKey(name, i), j);
}

// Walks the lines in order and writes them into keys. Every step answers false when the lines end too
// early or a count does not read; the conversion stops there.
class TLegacyConverter
{
public:
    TLegacyConverter(const QStringList& lines, TIniFile& ini) : FLines(lines), FIni(ini) {}

    bool Run()
    {
        QString video;
        if (!Next(video))
            return false;
        if (!FIni.ValueExists(SectionMain, QStringLiteral("VideoFileName")))
            FIni.WriteString(SectionMain, QStringLiteral("VideoFileName"), video);
        if (!Put(SectionData, QStringLiteral("RequiredDuration")))
            return false;

        int formulas = 0;
        if (!CountKey(SectionFormules, QStringLiteral("FormulesNumber"), formulas))
            return false;
        for (int i = 0; i < formulas; ++i)
            for (const char* key : {"RecordFormuleIdentifier", "RecordFormulePhrase", "RecordFormuleComment",
                                    "RecordFormuleUnit"})
                if (!Put(SectionRecord, IndexedKey(QLatin1String(key), i)))
                    return false;
        int constants = 0;
        if (!CountKey(SectionFormules, QStringLiteral("ConstantesNumber"), constants))
            return false;
        for (int i = 0; i < constants; ++i)
            for (const char* key :
                 {"RecordConstIdentifier", "RecordConstIndex", "RecordConstValue", "RecordConstUnit"})
                if (!Put(SectionRecord, IndexedKey(QLatin1String(key), i)))
                    return false;

        QString line;
        if (!Next(line))
            return false;
        WriteInt(SectionVideo, QStringLiteral("MarkingMode"),
                 line.compare(QLatin1String("Tsp"), Qt::CaseInsensitive) == 0 ? 1 : 0);
        if (!Next(line))
            return false;
        WriteInt(SectionData, QStringLiteral("LayerStage"),
                 line == QLatin1String("Glisser")   ? 0
                 : line == QLatin1String("Pointer") ? 2
                                                    : 1);
        if (!Put(SectionData, QStringLiteral("MarksNumberPerFrame_Grid")) ||
            !Put(SectionData, QStringLiteral("CurrentMarkOrderNumber_Grid")) ||
            !Put(SectionVideo, QStringLiteral("ImageNumber")))
            return false;

        // The first colour line counts the element colour as well.
        int colours = 0;
        if (!Count(colours))
            return false;
        WriteInt(SectionData, QStringLiteral("MarkColorsNumber"), colours - 1LL);
        if (!Put(SectionData, QStringLiteral("ElementColor")))
            return false;
        for (int i = 0; i < colours - 1; ++i)
            if (!Put(SectionData, IndexedKey(QStringLiteral("MarkColor"), i)))
                return false;

        for (const QString& list : {QStringLiteral("Grid"), QStringLiteral("Layer")}) {
            int names = 0;
            if (!CountKey(SectionData, QStringLiteral("SystemNamesNumber_") + list, names))
                return false;
            for (int i = 0; i < names; ++i)
                if (!Put(SectionData, IndexedKey(QStringLiteral("SystemName_") + list, i)))
                    return false;
        }

        if (!Directions(QStringLiteral("Grid")))
            return false;
        for (const char* key : {"OriginePointsNumber_Grid", "OrigineCurrentXCoordinate_Grid",
                                "OrigineCurrentYCoordinate_Grid", "XAxisAngle_Grid", "YAxisAngle_Grid"})
            if (!Put(SectionData, QLatin1String(key)))
                return false;

        if (!Skip(9) || !Directions(QStringLiteral("Layer")) || !Skip(5) ||
            !Put(SectionData, QStringLiteral("LayerWidth")) ||
            !Put(SectionData, QStringLiteral("LayerHeight")) || !Skip(2) ||
            !Put(SectionData, QStringLiteral("OrigineCurrentXCoordinate_Layer")) ||
            !Put(SectionData, QStringLiteral("OrigineCurrentYCoordinate_Layer")))
            return false;

        // The first position line counts the current position as well.
        int positions = 0;
        if (!Count(positions))
            return false;
        WriteInt(SectionData, QStringLiteral("OriginePositionsNumber_Layer"), positions - 1LL);
        if (!Skip(2))
            return false;
        for (int i = 0; i < positions - 1; ++i)
            if (!Put(SectionData, IndexedKey(QStringLiteral("OrigineXCoordinate_Layer"), i)) ||
                !Put(SectionData, IndexedKey(QStringLiteral("OrigineYCoordinate_Layer"), i)))
                return false;

        if (!Scales())
            return false;

        int layerContainers = 0;
        if (!Skip(1) || !Marks(QStringLiteral("Grid"), nullptr) || !Skip(1) ||
            !Marks(QStringLiteral("Layer"), &layerContainers))
            return false;

        int frames = 0;
        if (!CountKey(SectionMontage, QStringLiteral("VisibleImagesNumber"), frames))
            return false;
        for (int i = 0; i < frames; ++i)
            if (!Put(SectionMontage, IndexedKey(QStringLiteral("VisibleImage"), i)))
                return false;
        int shifts = 0;
        if (!CountKey(SectionMontage, QStringLiteral("TimeShiftsNumber"), shifts))
            return false;
        for (int i = 0; i < shifts; ++i)
            if (!Put(SectionMontage, IndexedKey(QStringLiteral("TimeShift"), i)))
                return false;

        // Each layer position belongs to the frame of the layer container of the same index.
        for (int i = layerContainers - 1; i >= 0; --i)
            FIni.WriteString(SectionData, IndexedKey(QStringLiteral("OrigineImageNumber_Layer"), i),
                             FIni.ReadString(SectionData,
                                             IndexedKey(QStringLiteral("MarksContainerFrameNumber_Layer"), i),
                                             QStringLiteral("0")));
        return true;
    }

private:
    bool Next(QString& line)
    {
        if (FPos >= FLines.size())
            return false;
        line = FLines[FPos++].trimmed();
        return true;
    }

    bool Skip(int count)
    {
        if (FLines.size() - FPos < count)
            return false;
        FPos += count;
        return true;
    }

    bool Put(const QString& section, const QString& key)
    {
        QString value;
        if (!Next(value))
            return false;
        FIni.WriteString(section, key, value);
        return true;
    }

    void WriteInt(const QString& section, const QString& key, long long value)
    {
        FIni.WriteString(section, key, QString::number(value));
    }

    bool Count(int& count)
    {
        QString line;
        long long value = 0;
        if (!Next(line) || !TextToInt64(line, value) || value < std::numeric_limits<int>::min() ||
            value > std::numeric_limits<int>::max())
            return false;
        count = int(value);
        return true;
    }

    bool CountKey(const QString& section, const QString& key, int& count)
    {
        if (!Count(count))
            return false;
        WriteInt(section, key, count);
        return true;
    }

    // A line with "*" carries the y direction and announces the x direction two lines further on.
    bool Directions(const QString& list)
    {
        QString line;
        if (!Next(line))
            return false;
        const bool both = line.contains(QLatin1Char('*'));
        FIni.WriteString(SectionData, QStringLiteral("DirectYAxisDirection_") + list,
                         QString(line).remove(QLatin1Char('*')).trimmed());
        if (!both)
            return true;
        return Skip(1) && Put(SectionData, QStringLiteral("DirectXAxisDirection_") + list);
    }

    // The normal scale, then, when its length line carries "*", the horizontal and vertical scales.
    bool Scales()
    {
        for (const char* key : {"ScalePointsNumber", "ScalePoint1XCoordinate", "ScalePoint1YCoordinate",
                                "ScalePoint2XCoordinate", "ScalePoint2YCoordinate"})
            if (!Put(SectionData, QLatin1String(key)))
                return false;
        QString line;
        if (!Next(line))
            return false;
        const bool separate = line.contains(QLatin1Char('*'));
        FIni.WriteString(SectionData, QStringLiteral("ScaleLength"),
                         QString(line).remove(QLatin1Char('*')).trimmed());
        if (!separate)
            return true;
        if (!Skip(1))
            return false;
        for (const QString& kind : {QStringLiteral("ScaleHoriz"), QStringLiteral("ScaleVert")})
            for (const char* key : {"PointsNumber", "Point1XCoordinate", "Point1YCoordinate",
                                    "Point2XCoordinate", "Point2YCoordinate", "Length"})
                if (!Put(SectionData, kind + QLatin1String(key)))
                    return false;
        return Skip(1);
    }

    bool Marks(const QString& list, int* containersRead)
    {
        if (!Put(SectionData, QStringLiteral("MarksIsAllDrawn_") + list) ||
            !Put(SectionData, QStringLiteral("MarksNumberToDraw_") + list))
            return false;
        int containers = 0;
        if (!CountKey(SectionData, QStringLiteral("MarksContainersNumber_") + list, containers))
            return false;
        for (int i = 0; i < containers; ++i) {
            int marks = 0;
            if (!Put(SectionData, IndexedKey(QStringLiteral("MarksContainerFrameNumber_") + list, i)) ||
                !Put(SectionData, IndexedKey(QStringLiteral("MarksContainerMarkNumber_") + list, i)) ||
                !CountKey(SectionData, IndexedKey(QStringLiteral("MarksContainerMarksNumber_") + list, i),
                          marks))
                return false;
            for (int j = 0; j < marks; ++j)
                for (const char* key : {"MarkOrderNumber_", "MarkXCoordinate_", "MarkYCoordinate_"})
                    if (!Put(SectionData, Indexed(QLatin1String(key) + list, i, j)))
                        return false;
        }
        if (containersRead)
            *containersRead = containers;
        return true;
    }

    const QStringList& FLines;
    TIniFile& FIni;
    qsizetype FPos = 0;
};

} // namespace

QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        lines << text.mid(start, end - start);
        if (end < size && text[end] == QLatin1Char('\r') && end + 1 < size &&
            text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return lines;
}

bool ConvertLegacyLayout(const QStringList& lines, TIniFile& ini)
{
    return TLegacyConverter(lines, ini).Run();
}
