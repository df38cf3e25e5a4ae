// The road through the results window in both reference frames: marks pointed in the fixed frame and on
// the layer, the pages asked for from the main window in one frame, the other, and the first again.
#include "MainFormFixture.h"
#include "shell/UnitMainForm.h"

#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "graph/UnitGraph.h"
#include "measurement/UnitData.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"
#include "results/UnitGraphPages.h"
#include "results/UnitResForm.h"
#include "shell/UnitCursors.h"
#include "support/TestSupport.h"
#include "video/UnitVideo.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QToolButton>
#include <map>

namespace {

struct ResultsRoad : TMainFormFixture
{
    void SetUp() override
    {
        TMainFormFixture::SetUp();
        if (HasFatalFailure())
            return;
        // The results window is modal: the page asked for is made current without showing it.
        Form->ShowResultsPage = [this](const QString& button) {
            Form->ResForm().ShowPage(TResForm::PageOfButton(button));
        };
        Form->OpenVideoFile(VideoPath);
        ASSERT_TRUE(Form->Video().IsOpen());
        Form->Options().CheckBox38ChangeDefaultObjectsName = false;
    }

    // The first point of the first object's curve on a page, world units.
    QPointF FirstPoint(int page)
    {
        for (const auto& e : Form->ResForm().GraphPage(page)->Graph().Elements())
            if (auto* p = dynamic_cast<const TGPoint*>(e.get()); p && p->CurveIndex == 0)
                return QPointF(p->P.X, p->P.Y);
        return QPointF(-1e9, -1e9);
    }
};

} // namespace

TEST_F(ResultsRoad, PagesShowTheResultsOfTheFrameInUse)
{
    // 400 view pixels are 2 m; the origin at the bottom left.
    Form->ClickButton(cmButtonOutilEchelle);
    Dialogs->ValueTyping.push_back(QStringLiteral("2"));
    ClickView(40, 300);
    ClickView(440, 300);
    ASSERT_TRUE(Form->Data().ScaleDefined());
    Form->ClickButton(cmButtonOutilOrigine);
    ClickView(60, 400);
    // Six marks in the fixed frame, from frame 1.
    Form->ClickButton(cmButtonOutilMarque);
    for (int k = 0; k < 6; ++k)
        ClickView(100 + 20 * k, 300 - 10 * k);
    // On the layer, dragged 10 px to the right on every frame, six marks of an object at rest.
    Form->ClickButton(cmButtonModeTransparent);
    ASSERT_EQ(Form->Video().Mode(), mvTransparent);
    for (int k = 0; k < 6; ++k)
        DragLayerAndPoint(200 + 10 * k, 250);
    ASSERT_EQ(Form->Data().MarquesTsp->MarksCount(), 6);

    const int pages[] = {rpTemps, rpReferentiel, rpVecteur};
    const TCommandId buttons[] = {cmButtonMenuTemps, cmButtonMenuReferentiel, cmButtonMenuVecteur};
    const auto ask = [&](std::map<int, QPointF>& seen) {
        for (int i = 0; i < 3; ++i) {
            Form->ClickButton(buttons[i]);
            ASSERT_EQ(Form->ResForm().Page(), pages[i])
                << (Messages->Shown.empty() ? std::string() : Messages->Shown.back().Text().toStdString())
                << Form->Button(buttons[i])->isEnabled();
            seen[pages[i]] = FirstPoint(pages[i]);
        }
    };
    std::map<int, QPointF> layer, fixed, again;
    ask(layer);
    Form->ClickButton(cmButtonModeRepereFixe);
    ASSERT_EQ(Form->Video().Mode(), mvRepereFixe);
    ask(fixed);
    Form->ClickButton(cmButtonModeTransparent);
    ask(again);
    const TResCalc& calc = Form->ResCalc();
    for (const int page : pages) {
        SCOPED_TRACE(page);
        EXPECT_NE(layer[page], fixed[page]);
        EXPECT_EQ(again[page], layer[page]);
    }
    EXPECT_EQ(layer[rpReferentiel], QPointF(calc.Value(0, 0, ckX, 0), calc.Value(0, 0, ckY, 0)));
    Form->ClickButton(cmButtonModeRepereFixe);
    ask(again);
    for (const int page : pages)
        EXPECT_EQ(again[page], fixed[page]) << page;
    EXPECT_EQ(fixed[rpReferentiel], QPointF(calc.Value(0, 0, ckX, 0), calc.Value(0, 0, ckY, 0)));

    // The graphs' tools take the program's pointers.
    TGraphPage& time = *Form->ResForm().GraphPage(rpTemps);
    time.ToolButton(gtZoom)->click();
    const int number = time.Graph().CursorNumber();
    EXPECT_EQ(time.Graph().cursor().pixmap().toImage(), CustomCursor(number).pixmap().toImage());
    EXPECT_FALSE(time.Graph().cursor().pixmap().isNull());
    EXPECT_TRUE(Messages->Unexpected.empty());
}
