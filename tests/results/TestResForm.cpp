// The results window: preparation, the datasheet page, and the pages still to come refused.
#include "results/UnitResForm.h"

#include "export/UnitServeur.h"
#include "results/ResultsFixture.h"
#include "results/UnitCellGrid.h"
#include "results/UnitDatasheet.h"

#include <gtest/gtest.h>

#include <QToolButton>

TEST(ResForm, PreparesAndShowsTheDatasheetPageOnly)
{
    QTemporaryDir dir;
    TOptions options(dir.filePath(QStringLiteral("Kinotra.ini")));
    options.CheckBox54SmoothSpeed = options.CheckBox7SmoothAcceleration = false;
    TFakeSource source;
    source.GridTable =
        Table(0.125, {0, 1, 2, 3, 4},
              {{QPointF(0, 0), QPointF(0.1, 0.1), QPointF(0.2, 0.2), QPointF(0.3, 0.3), QPointF(0.4, 0.4)}});
    TResCalc calc;
    calc.SetSource(&source);
    calc.Invalidate(kindBoth); // as the main window does when a video opens
    TResGrid grid(calc, options);
    TServeur serveur(options);
    TResForm form(calc, grid, serveur, options);

    bool open = false;
    form.VideoOpen = [&] { return open; };
    EXPECT_FALSE(form.PrepareResults()); // no video
    open = true;
    ASSERT_TRUE(form.PrepareResults());
    EXPECT_DOUBLE_EQ(calc.Value(0, 0, ckVx, 2), 0.1 * 2.0 / 0.125);

    EXPECT_EQ(TResForm::PageOfButton(QStringLiteral("ButtonMenuTemps")), rpTemps);
    EXPECT_FALSE(form.ShowPage(rpTemps));
    EXPECT_FALSE(form.PageButton(QStringLiteral("ButtonMenuTemps"))->isEnabled());
    ASSERT_TRUE(form.ShowPage(TResForm::PageOfButton(QStringLiteral("ButtonMenuTableau"))));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Datasheet"));
    EXPECT_TRUE(form.PageButton(QStringLiteral("ButtonMenuTableau"))->isChecked());
    // The grid shows the five rows under the button row and the three header rows.
    EXPECT_EQ(form.Datasheet().Grid()->RowCount(), 4 + 5);
}
