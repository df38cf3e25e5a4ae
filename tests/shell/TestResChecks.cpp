// The checks before results, as a function of the measurement data: the window and the headless export
// refuse the same work with the same lines.
#include "results/UnitResChecks.h"

#include "measurement/FakeDataView.h"
#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"

#include <gtest/gtest.h>

namespace {

struct Work
{
    TFakeView View;
    TData Data{nullptr, &View};

    // A scale of kind 0, the grid's origin, and marks: counts[k] marks for object k (grid), layer marks.
    Work(bool scale, bool grid, std::vector<int> counts, int layerMarks = 0)
    {
        if (scale) {
            Data.Echelle->ScalePointsNumber = 2;
            Data.Echelle->Points[teNormale] = {TPointRel{0.1, 0.5}, TPointRel{0.9, 0.5}};
            Data.Echelle->ScaleLength = 1.0;
        }
        Data.RepereFixe->OriginePointsNumber = grid ? 1 : 0;
        Data.SetNbObjets(int(counts.size()));
        for (int k = 0; k < int(counts.size()); ++k)
            for (int f = 0; f < counts[std::size_t(k)]; ++f)
                Data.MarquesRep->SetMarkAt(k, f, {0.1 + 0.01 * f, 0.5});
        Data.MarquesRep->Renumber();
        for (int f = 0; f < layerMarks; ++f)
            Data.MarquesTsp->SetMarkAt(0, f, {0.5, 0.1 + 0.01 * f});
        Data.MarquesTsp->Renumber();
    }
};

} // namespace

TEST(ResChecks, FirstFailingCheckGivesItsCodeLinesAndPicture)
{
    struct Case
    {
        const char* What;
        bool Scale, Grid;
        std::vector<int> Counts;
        int LayerMarks;
        bool Layer;
        int Code;
        const char* FirstLine;
        const char* Picture;
    };
    const Case cases[] = {
        {"no scale before anything",
         false,
         false,
         {1},
         0,
         false,
         rcNoScale,
         "First calibrate an object of know dimension on the screen.",
         "ButtonOutilEchelle"},
        {"the smallest count decides",
         true,
         true,
         {10, 2},
         0,
         false,
         rcTooFewMarks,
         "You have chosen to point simultaneously the positions of 2 objects.",
         "ButtonOutilMarque"},
        {"one object, two marks",
         true,
         true,
         {2},
         0,
         false,
         rcTooFewMarks,
         "First set at least 3 marks.",
         "ButtonOutilMarque"},
        {"marks before the grid",
         true,
         false,
         {5},
         0,
         false,
         rcNoGrid,
         "First set the origin of the axes.",
         "ButtonOutilOrigine"},
        {"three marks warn",
         true,
         true,
         {3},
         0,
         false,
         rcFewMarks,
         "Velocity or acceleration calculations need at least five marks to be reliable.",
         ""},
        {"five marks pass", true, true, {5, 6}, 0, false, rcOk, "", ""},
        {"layer with two marks",
         true,
         false,
         {1},
         2,
         true,
         rcTooFewLayerMarks,
         "First set at least 3 marks on the trajectory.",
         "ButtonOutilTsp"},
        {"layer needs no grid",
         true,
         false,
         {1},
         4,
         true,
         rcFewMarks,
         "Velocity or acceleration calculations need at least five marks to be reliable.",
         ""},
    };
    for (const Case& c : cases) {
        Work w(c.Scale, c.Grid, c.Counts, c.LayerMarks);
        const TResCheckResult r = CheckResults(w.Data, c.Layer);
        EXPECT_EQ(r.Code, c.Code) << c.What;
        EXPECT_EQ(r.Lines.value(0), QString::fromUtf8(c.FirstLine)) << c.What;
        EXPECT_EQ(r.Pictures.value(0), QString::fromUtf8(c.Picture)) << c.What;
        EXPECT_EQ(r.Refused(), c.Code != rcOk && c.Code != rcFewMarks) << c.What;
    }
    // Separate scales: the pictures of the missing ones, horizontal first.
    Work w(false, true, {5});
    w.Data.Echelle->TypeEchelle = teHoriz;
    w.Data.Echelle->ScaleVertPointsNumber = 2;
    w.Data.Echelle->ScaleVertLength = 1.0;
    EXPECT_EQ(CheckResults(w.Data, false).Pictures, QStringList{QStringLiteral("ButtonOutilEchelleHoriz")});
    w.Data.Echelle->ScaleVertLength = 0;
    EXPECT_EQ(CheckResults(w.Data, false).Pictures, (QStringList{QStringLiteral("ButtonOutilEchelleHoriz"),
                                                                 QStringLiteral("ButtonOutilEchelleVert")}));
    EXPECT_EQ(
        CheckResults(w.Data, false).OneLine(),
        QStringLiteral("First calibrate an object of know dimension on the screen. Use the Scale button."));
}
