// The video properties box shows the open video's values in its read-only text.
#include "support/TestSupport.h"
#include "video/UnitBoiteProprietes.h"
#include "video/UnitVfwPlay.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>

TEST(BoiteProprietes, ShowsTheValuesOfTheOpenVideo)
{
    TVfwPlay play;
    ASSERT_TRUE(play.Open(FixtureVideo(TFixtureKind::MjpegAvi)));
    TBoiteProprietes box;
    box.Fill(play, 40); // 40 frames left visible in the edited sequence
    EXPECT_EQ(box.windowTitle(), "Properties");
    EXPECT_TRUE(box.MemoInfo->isReadOnly());
    EXPECT_EQ(box.Text(),
              "Information on the video file\n" + play.FileName +
                  "\n- Frame rate: 25\n- Image width in pixels: 320\n- Image height in pixels: 240\n"
                  "- Total number of images: 40\n- Video length: 1.6 s");
}

TEST(BoiteProprietes, FormatsRatesAndLengthsWithThreeDigits)
{
    const QStringList lines =
        TBoiteProprietes::InfoText("/videos/clip.mpg", 30000.0 / 1001, 640, 480, 12345, 1001.0 / 30000)
            .split('\n');
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[1], "/videos/clip.mpg");
    EXPECT_EQ(lines[2], "- Frame rate: 30");
    EXPECT_EQ(lines[5], "- Total number of images: 12345");
    EXPECT_EQ(lines[6], "- Video length: 412 s");
    EXPECT_EQ(TBoiteProprietes::InfoText("a", 240, 1, 1, 53, 1.0 / 240).split('\n')[6],
              "- Video length: 0.221 s");
}

TEST(BoiteProprietes, IsShownThroughTheDialogServiceOnlyWithAFramePeriod)
{
    TScriptedDialogsScope dialogs;
    TVfwPlay closed;
    EXPECT_FALSE(TBoiteProprietes::Execute(closed, 0));
    EXPECT_TRUE(dialogs->TextBoxes.empty());

    TVfwPlay play;
    ASSERT_TRUE(play.Open(FixtureVideo(TFixtureKind::MjpegAvi)));
    EXPECT_TRUE(TBoiteProprietes::Execute(play, 50));
    ASSERT_EQ(dialogs->TextBoxes.size(), 1u);
    EXPECT_EQ(dialogs->TextBoxes[0].Title, "Properties");
    EXPECT_EQ(dialogs->TextBoxes[0].Text, TBoiteProprietes::InfoText(play.FileName, 25, 320, 240, 50, 0.04));
}
