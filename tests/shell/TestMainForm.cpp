// The main window starts with its title and minimum size and closes cleanly after its confirmation.
#include "shell/UnitMainForm.h"

#include "common/UnitOptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

TEST(MainForm, StartsWithItsTitleAndMinimumSizeAndCloses)
{
    TScriptedUserDlgScope script; // no message is expected at start
    QTemporaryDir dir;
    auto form = std::make_unique<TMainForm>(dir.filePath(QStringLiteral("Kinotra.ini")));
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Kinotra"));
    EXPECT_EQ(form->minimumSize(), QSize(632, 452));
    EXPECT_GE(form->width(), 632);
    EXPECT_EQ(form->Options().EditMRU, 8);
    EXPECT_TRUE(script->Shown.empty());
    // Without a video the quit confirmation offers Cancel and Quit.
    script->Answer(1);
    EXPECT_TRUE(form->close());
    ASSERT_EQ(script->Shown.size(), 1u);
    EXPECT_EQ(script->Shown[0].Text(), QStringLiteral("Cancel closing /  / Exit program now"));
    form.reset();
}
