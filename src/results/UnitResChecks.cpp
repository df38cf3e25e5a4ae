// The checks made before results are computed, and their messages.
#include "results/UnitResChecks.h"

#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"

QString TResCheckResult::OneLine() const
{
    QStringList words;
    for (const QString& line : Lines)
        if (!line.isEmpty())
            words << line;
    return words.join(QLatin1Char(' '));
}

TResCheckResult CheckResults(const TData& data, bool layer)
{
    TResCheckResult r;
    if (!data.ScaleDefined()) {
        r.Code = rcNoScale;
        r.Lines = {QStringLiteral("First calibrate an object of know dimension on the screen."), QString(),
                   QStringLiteral("Use the Scale button.")};
        const TEchelle& e = *data.Echelle;
        if (e.TypeEchelle == teNormale) {
            r.Pictures << QStringLiteral("ButtonOutilEchelle");
        } else {
            // The missing scales: the horizontal one's picture, the vertical one's drawn over it.
            if (e.PointsNumber(teHoriz) < 2 || e.Length(teHoriz) <= 0)
                r.Pictures << QStringLiteral("ButtonOutilEchelleHoriz");
            if (e.PointsNumber(teVert) < 2 || e.Length(teVert) <= 0)
                r.Pictures << QStringLiteral("ButtonOutilEchelleVert");
        }
        return r;
    }
    int marks = 0;
    if (layer) {
        marks = data.MarquesTsp->MarksCount();
        if (marks <= 2) {
            r.Code = rcTooFewLayerMarks;
            r.Lines = {
                QStringLiteral("First set at least 3 marks on the trajectory."), QString(),
                QStringLiteral("With the mouse, drag and drop the layer and point the object position.")};
            r.Pictures << QStringLiteral("ButtonOutilTsp");
            return r;
        }
    } else {
        // The smallest count over the objects decides: one object with 2 marks refuses the results.
        marks = data.MarquesRep->SmallestMarksNumber();
        if (marks <= 2) {
            r.Code = rcTooFewMarks;
            const int objects = data.MarquesRep->MarksNumberPerFrame;
            if (objects > 1)
                r.Lines << QString::asprintf(
                               "You have chosen to point simultaneously the positions of %u objects.",
                               unsigned(objects))
                        << QString();
            r.Lines << QStringLiteral("First set at least 3 marks.") << QString()
                    << QStringLiteral("Use the Marks button.");
            r.Pictures << QStringLiteral("ButtonOutilMarque");
            return r;
        }
        if (!data.RepereFixe->Defined()) {
            r.Code = rcNoGrid;
            r.Lines = {QStringLiteral("First set the origin of the axes."), QString(),
                       QStringLiteral("Use the graph basis button.")};
            r.Pictures << QStringLiteral("ButtonOutilOrigine");
            return r;
        }
    }
    if (marks <= 4) {
        r.Code = rcFewMarks;
        r.Lines = {
            QStringLiteral("Velocity or acceleration calculations need at least five marks to be reliable.")};
    }
    return r;
}
