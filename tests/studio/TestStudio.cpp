// The studio's outlines drawn with the mouse on the demonstration clip, and the chronophotography and still
// image they make: cut-outs land where the ball was on their frames.
#include "studio/UnitStudio.h"

#include "common/UnitOptions.h"
#include "editing/UnitDemoClip.h"
#include "studio/StudioFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <functional>

namespace {

QPoint BallPixel(int frame)
{
    const QPointF c = TDemoClip::BallCentre(frame);
    return {int(std::floor(c.x())), int(std::floor(c.y()))};
}

bool Reddish(QRgb c)
{
    return qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110;
}

class StudioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString clip = DemoClipPath();
        ASSERT_FALSE(clip.isEmpty());
        ASSERT_TRUE(Sources.OpenVideo(clip));
        ASSERT_EQ(Sources.FrameCount(), TDemoClip::FrameCount);
    }

    // A circle of radius 12 frame pixels around the ball of the frame, drawn on its position.
    void OutlineBall(int frame)
    {
        View.GoToPosition(frame);
        const QPoint c = BallPixel(frame);
        Studio.MouseDown(1, c.x(), c.y());
        Studio.MouseMove(c.x() + 6, c.y());
        Studio.MouseUp(1, c.x() + 12, c.y());
    }

    // Pixels of page outside every cut-out's box that differ from expected (a frame or a white page).
    int DiffersOutsideCutOuts(const QImage& page, const QImage& expected) const
    {
        int differ = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                bool inBox = false;
                for (const auto& model : Studio.Models)
                    inBox = inBox || model->Box.contains(x, y);
                if (!inBox && page.pixel(x, y) != expected.pixel(x, y))
                    ++differ;
            }
        return differ;
    }

    // Each outlined ball on the page is the ball of its own frame.
    void ExpectBallsInPlace(const QImage& page, std::initializer_list<int> frames)
    {
        for (int frame : frames) {
            const QImage source = GrabFrame(Sources, frame);
            const QPoint c = BallPixel(frame);
            for (const QPoint& d : {QPoint(0, 0), QPoint(4, 0), QPoint(-4, 0), QPoint(0, 4), QPoint(0, -4)}) {
                EXPECT_EQ(page.pixel(c + d), source.pixel(c + d)) << "frame " << frame;
                EXPECT_TRUE(Reddish(page.pixel(c + d))) << "frame " << frame;
            }
        }
    }

    TVideoSources Sources;
    TFrameView View{Sources};
    TStudio Studio{View, Sources};
};

} // namespace

TEST_F(StudioTest, FinishedOutlineCutsItsFrameAndAdvances)
{
    Studio.Shape = ssCircle;
    Studio.SetTool(stDraw);
    Studio.StepBetweenMarks = [] { return 10; };
    OutlineBall(5);
    ASSERT_EQ(Studio.Models.size(), 1u);
    const TModele& model = *Studio.Models.front();
    EXPECT_TRUE(model.Finished);
    EXPECT_EQ(model.Position, 5);
    EXPECT_EQ(View.CurrentPosition(), 15);
    // The circle of radius 12 around the ball's pixel, widened by one pixel.
    const QPoint c = BallPixel(5);
    EXPECT_EQ(model.Box, QRect(c.x() - 13, c.y() - 13, 27, 27));
    EXPECT_EQ(model.Picture.size(), model.Box.size());
    EXPECT_EQ(model.Picture.pixel(c - model.Box.topLeft()), GrabFrame(Sources, 5).pixel(c));
    EXPECT_FALSE(model.ScreenOutline.empty());
}

TEST_F(StudioTest, ChronophotographyOnABlankPage)
{
    Studio.SetTool(stDraw);
    for (int frame : {5, 15, 25})
        OutlineBall(frame);
    ASSERT_EQ(Studio.Models.size(), 3u);
    const QImage page = Studio.ComposeChronophotography(QImage(), QSize(TDemoClip::Width, TDemoClip::Height));
    ExpectBallsInPlace(page, {5, 15, 25});
    QImage white(page.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(DiffersOutsideCutOuts(page, white), 0);
    // Inside a box but outside its circle the page stays white too.
    const QPoint c = BallPixel(15);
    EXPECT_EQ(page.pixel(c + QPoint(12, 12)), qRgb(255, 255, 255));
}

TEST_F(StudioTest, ChronophotographyOnTheEarliestOutlinedFrame)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).absoluteFilePath(QStringLiteral("chrono.png"));
    Studio.SetTool(stDraw);
    for (int frame : {25, 15, 5}) // the earliest outlined last
        OutlineBall(frame);
    dlg->Answer(0, true); // "Insert a background image" checked
    dlg->Answer(0);       // saved
    dialogs->FileAnswers.push_back({true, path, 1});
    ASSERT_TRUE(Studio.Chronophotography());

    ASSERT_EQ(dlg->Shown.size(), 2u);
    EXPECT_EQ(dlg->Shown[0].CheckBoxCaption, QStringLiteral("Insert a background image"));
    EXPECT_TRUE(dlg->Shown[0].CheckBoxChecked);
    EXPECT_EQ(dlg->Shown[1].Text(), QStringLiteral("File successfully saved: /  / ") + path);
    ASSERT_EQ(dialogs->FileRequests.size(), 1u);
    EXPECT_EQ(dialogs->FileRequests[0].Title, QStringLiteral("Save chronophotography to file"));
    EXPECT_TRUE(
        dialogs->FileRequests[0].FileName.startsWith(QLatin1String("ChronoPhoto_studio-demo-clip_1_")));
    EXPECT_EQ(View.CurrentPosition(), 5);

    const QImage page(path);
    ASSERT_EQ(page.size(), QSize(TDemoClip::Width, TDemoClip::Height));
    ExpectBallsInPlace(page.convertToFormat(QImage::Format_RGB32), {5, 15, 25});
    EXPECT_EQ(DiffersOutsideCutOuts(page.convertToFormat(QImage::Format_RGB32), GrabFrame(Sources, 5)), 0);
    // The ball of a frame that was not outlined is not on the page.
    EXPECT_FALSE(Reddish(page.pixel(BallPixel(35))));
}

TEST_F(StudioTest, ChronophotographyNeedsOutlinesAndAVideo)
{
    TScriptedUserDlgScope dlg;
    dlg->Answer(0);
    EXPECT_FALSE(Studio.Chronophotography());
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Icon, icWarning);
    EXPECT_EQ(dlg->Shown[0].Text(),
              QStringLiteral("First draw the outline of an object. / Use the button « Draw "
                             "the outline of an object »."));
    Sources.OpenVideo(QString());
    dlg->Answer(0);
    EXPECT_FALSE(Studio.Chronophotography());
    ASSERT_EQ(dlg->Shown.size(), 2u);
    EXPECT_EQ(
        dlg->Shown[1].Text(),
        QStringLiteral("Unexpected error detected during the creation of the chronophotography . / Abort"));
}

TEST_F(StudioTest, BrokenLineFinishesOnDoubleClick)
{
    Studio.Shape = ssBrokenLine;
    Studio.SetTool(stDraw);
    View.GoToPosition(3);
    Studio.MouseDown(1, 100, 100);
    Studio.MouseUp(1, 100, 100);
    Studio.MouseDown(1, 120, 100);
    Studio.MouseUp(1, 120, 100);
    Studio.MouseMove(130, 115);
    EXPECT_EQ(Studio.RubberPoint, QPoint(130, 115));
    Studio.MouseDown(1, 120, 120);
    Studio.MouseUp(1, 120, 120);
    Studio.DoubleClick(100, 120);
    ASSERT_EQ(Studio.Models.size(), 1u);
    const TModele& model = *Studio.Models.front();
    EXPECT_TRUE(model.Finished);
    EXPECT_EQ(model.Count, 4);
    EXPECT_EQ(model.Box, QRect(99, 99, 23, 23));
    EXPECT_EQ(View.CurrentPosition(), 4);

    // The zoom or pan tool taking the mouse drops the line being drawn, not the finished outline.
    Studio.MouseDown(1, 50, 50);
    Studio.MouseUp(1, 50, 50);
    ASSERT_EQ(Studio.Models.size(), 2u);
    Studio.CancelDrags();
    EXPECT_FALSE(Studio.Drawing);
    ASSERT_EQ(Studio.Models.size(), 1u);
    EXPECT_TRUE(Studio.Models.front()->Finished);
    Studio.SetTool(stErase);
    Studio.MouseDown(1, 5, 5);
    Studio.MouseMove(300, 300);
    Studio.CancelDrags();
    Studio.MouseUp(1, 300, 300); // the rectangle ended: nothing erased
    EXPECT_FALSE(Studio.Erasing);
    EXPECT_EQ(Studio.Models.size(), 1u);
}

TEST_F(StudioTest, ErasingByClickAndByRectangle)
{
    Studio.SetTool(stDraw);
    for (int frame : {5, 15, 25, 35})
        OutlineBall(frame);
    ASSERT_EQ(Studio.Models.size(), 4u);
    Studio.SetTool(stErase);
    // A rectangle that holds the whole outline of frame 5 and half of frame 15's.
    const QPoint a = BallPixel(5), b = BallPixel(15);
    const QRect area = QRect(a - QPoint(20, 20), a + QPoint(20, 20)).united(QRect(b, b + QPoint(20, 20)));
    Studio.MouseDown(1, area.left(), area.top());
    EXPECT_TRUE(Studio.Erasing);
    Studio.MouseMove(area.right(), area.bottom());
    Studio.MouseUp(1, area.right(), area.bottom());
    ASSERT_EQ(Studio.Models.size(), 3u);
    EXPECT_EQ(Studio.Models[0]->Position, 15);
    // A click within 5 pixels of an outline removes it; the cursor says so beforehand.
    const QPoint edge = Studio.Models[1]->ScreenOutline.front().front() + QPoint(4, -3);
    EXPECT_EQ(Studio.CursorFor(edge.x(), edge.y()), 47);
    EXPECT_EQ(Studio.CursorFor(0, 0), 14);
    Studio.MouseDown(1, edge.x(), edge.y());
    Studio.MouseUp(1, edge.x(), edge.y());
    ASSERT_EQ(Studio.Models.size(), 2u);
    EXPECT_EQ(Studio.Models[1]->Position, 35);
    // The right button while drawing: the current position's outline, else the last one after going there.
    Studio.SetTool(stDraw);
    View.GoToPosition(40);
    Studio.MouseDown(2, 10, 10);
    EXPECT_EQ(View.CurrentPosition(), 35);
    ASSERT_EQ(Studio.Models.size(), 1u);
    Studio.MouseDown(2, 10, 10);
    EXPECT_EQ(View.CurrentPosition(), 15);
    EXPECT_TRUE(Studio.Models.empty());
}

TEST_F(StudioTest, ShapeFollowsTheOptionAndReplacesTheCurrentOutline)
{
    EXPECT_EQ(TStudio::ShapeOfOption(1), ssBrokenLine);
    EXPECT_EQ(TStudio::ShapeOfOption(2), ssFree);
    EXPECT_EQ(TStudio::ShapeOfOption(0), ssCircle);
    EXPECT_EQ(TStudio::ShapeOfOption(7), ssCircle);
    Studio.SetTool(stDraw);
    OutlineBall(5);
    View.GoToPosition(5);
    Studio.SetShape(ssFree);
    EXPECT_TRUE(Studio.Models.empty());
    // A free outline: points while the button is down, closed when it is released.
    Studio.MouseDown(1, 50, 50);
    for (const QPoint& p : {QPoint(70, 50), QPoint(70, 50), QPoint(70, 70), QPoint(50, 70)})
        Studio.MouseMove(p.x(), p.y());
    Studio.MouseUp(1, 50, 70);
    ASSERT_EQ(Studio.Models.size(), 1u);
    EXPECT_EQ(Studio.Models[0]->Count, 4); // the repeated point is ignored
    EXPECT_EQ(Studio.Models[0]->Box, QRect(49, 49, 23, 23));
}

TEST_F(StudioTest, StillImageOfTheCurrentFrame)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    QTemporaryDir temp;
    View.GoToPosition(12);
    for (const char* name : {"still.png", "still.bmp", "still"}) {
        const QString path = QDir(temp.path()).absoluteFilePath(QLatin1String(name));
        dialogs->FileAnswers.push_back({true, path, 1});
        dlg->Answer(0);
        ASSERT_TRUE(Studio.SaveStill()) << name;
        const QString written = QFileInfo(path).suffix().isEmpty() ? path + ".png" : path;
        const QImage image(written);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32), GrabFrame(Sources, 12)) << name;
        // The message names the file written.
        EXPECT_EQ(dlg->Shown.back().Text(),
                  QStringLiteral("Saving to an image file complete: /  / ") + written);
    }
    EXPECT_EQ(dialogs->FileRequests[0].Title, QStringLiteral("Save image to file"));
    EXPECT_TRUE(dialogs->FileRequests[0].FileName.startsWith(QLatin1String("Image13_studio-demo-clip_1_")));
    // A cancelled dialog writes nothing and says nothing.
    dialogs->FileAnswers.push_back({false, {}, 1});
    EXPECT_FALSE(Studio.SaveStill());
    EXPECT_EQ(dlg->Shown.size(), 3u);
}

TEST_F(StudioTest, VideoToImagesCommandWritesTheVisibleFrames)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    QTemporaryDir temp;
    View.Visible = {3, 4, 7, 20};
    View.GoToPosition(2);
    std::vector<int> progress;
    Studio.OnProgress = [&progress](int p) { progress.push_back(p); };
    QString directory;
    Studio.OnDirectoryChange = [&directory](const QString& folder) { directory = folder; };
    dialogs->FileAnswers.push_back({true, QDir(temp.path()).absoluteFilePath("B.bmp"), 2});
    dlg->Answer(0);
    ASSERT_TRUE(Studio.VideoToImages());
    EXPECT_EQ(dlg->Shown.back().Text(),
              QStringLiteral("Files were successfully registered: 4 images in the folder: /  / %1 / First "
                             "image: B_0.bmp")
                  .arg(QDir(temp.path()).absolutePath()));
    EXPECT_EQ(dialogs->FileRequests[0].Title, QStringLiteral("Convert video to images"));
    EXPECT_EQ(View.CurrentPosition(), 2); // back where it was
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files, QDir::Name),
              QStringList({"B_0.bmp", "B_1.bmp", "B_2.bmp", "B_3.bmp"}));
    const int frames[] = {3, 4, 7, 20};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(QImage(QDir(temp.path()).absoluteFilePath(QStringLiteral("B_%1.bmp").arg(i)))
                      .convertToFormat(QImage::Format_RGB32),
                  GrabFrame(Sources, frames[i]))
            << i;
    EXPECT_EQ(progress, std::vector<int>({25, 50, 75, 100, 101}));
    EXPECT_EQ(directory, QDir(temp.path()).absolutePath());

    // Stopped after the first image: the progress bar hidden, and the message says what was kept where.
    progress.clear();
    Studio.OnProgress = [this, &progress](int p) {
        progress.push_back(p);
        Studio.Stop();
    };
    const QString sub = QDir(temp.path()).absoluteFilePath("sub");
    ASSERT_TRUE(QDir().mkpath(sub));
    dialogs->FileAnswers.push_back({true, QDir(sub).absoluteFilePath("C.png"), 1});
    dlg->Answer(0);
    EXPECT_FALSE(Studio.VideoToImages());
    EXPECT_EQ(progress, std::vector<int>({25, 101}));
    ASSERT_EQ(dlg->Shown.size(), 2u);
    EXPECT_EQ(dlg->Shown[1].Icon, icInformation);
    EXPECT_EQ(dlg->Shown[1].Text(),
              QStringLiteral(
                  "Conversion cancelled. / 1 of the 4 images were written and kept in the folder: /  / ") +
                  sub);
    EXPECT_EQ(QDir(sub).entryList(QDir::Files), QStringList({"C_0.png"}));
    EXPECT_FALSE(Studio.Recording);
}

TEST_F(StudioTest, ImagesToVideoCommandTakesTheSeriesOfTheChosenFile)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    QTemporaryDir temp;
    const QDir dir(temp.path());
    for (int k = 7; k <= 11; ++k) {
        QImage image(32, 24, QImage::Format_RGB32);
        image.fill(QColor(k * 20, 40, 90));
        ASSERT_TRUE(image.save(dir.absoluteFilePath(QStringLiteral("shot%1.png").arg(k, 3, 10, QChar('0')))));
    }
    Studio.SettingsFile = dir.absoluteFilePath("Kinotra.ini");
    dlg->Answer(0, true); // the explanation, not to be shown again
    dialogs->FileAnswers.push_back({true, dir.absoluteFilePath("shot008.png"), 1});
    // An existing name is refused once, in words, and never replaced; the dialog does not offer to.
    const QString existing = dir.absoluteFilePath("taken.avi");
    {
        QFile taken(existing);
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
        taken.write("keep");
    }
    dialogs->FileAnswers.push_back({true, dir.absoluteFilePath("taken"), 1});
    dlg->Answer(0);
    const QString output = dir.absoluteFilePath("assembly.avi");
    dialogs->FileAnswers.push_back({true, output, 1});
    dlg->Answer(0);
    ASSERT_TRUE(Studio.ImagesToVideo());
    EXPECT_FALSE(Studio.ShowImagesHelp);
    ASSERT_EQ(dlg->Shown.size(), 3u);
    EXPECT_EQ(dlg->Shown[0].ButtonCaptions(), QStringList({"Ok", "Cancel"}));
    EXPECT_EQ(dlg->Shown[0].CheckBoxCaption, QStringLiteral("Do not show this dialog again"));
    EXPECT_TRUE(dlg->Shown[1].Text().startsWith(existing)) << dlg->Shown[1].Text().toStdString();
    EXPECT_TRUE(dlg->Shown[1].Text().contains(QStringLiteral("already exists")));
    EXPECT_EQ(dlg->Shown[2].Text(), QStringLiteral("File successfully saved: /  / ") + output);
    dlg->Shown.erase(dlg->Shown.begin() + 1);
    QFile taken(existing);
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), QByteArray("keep"));
    EXPECT_EQ(dialogs->FileRequests[1].Title, QStringLiteral("Save a video file"));
    EXPECT_TRUE(dialogs->FileRequests[1].CallerChecksExisting);
    EXPECT_TRUE(dialogs->FileRequests[1].FileName.startsWith(QLatin1String("Assembly_1_")));
    TVideoSources written;
    ASSERT_TRUE(written.OpenVideo(output));
    EXPECT_EQ(written.FrameCount(), 4);                                      // 008 to 011
    EXPECT_DOUBLE_EQ(written.FramesPerSecond(), TDemoClip::FramesPerSecond); // the open video's rate

    // An image of another size in the series: the writer's warning, and no file.
    QImage odd(16, 16, QImage::Format_RGB32);
    odd.fill(Qt::black);
    ASSERT_TRUE(odd.save(dir.absoluteFilePath("shot012.png")));
    const QString second = dir.absoluteFilePath("second.avi");
    dialogs->FileAnswers.push_back({true, dir.absoluteFilePath("shot007.png"), 1});
    dialogs->FileAnswers.push_back({true, second, 1});
    dlg->Answer(0);
    EXPECT_FALSE(Studio.ImagesToVideo());
    ASSERT_EQ(dlg->Shown.size(), 3u);
    EXPECT_EQ(dlg->Shown[2].Icon, icWarning);
    EXPECT_TRUE(dlg->Shown[2].Text().startsWith(
        QLatin1String("Error detected while creating video file: /  / the image shot012.png is 16 x 16")))
        << dlg->Shown[2].Text().toStdString();
    EXPECT_FALSE(QFile::exists(second));
}

// The file dialogs of the studio start in the default folder of the options when it exists, and propose a
// name that is free there; without it (or when it is gone) they start where they did.
TEST_F(StudioTest, FileDialogsStartInTheDefaultFolder)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    QTemporaryDir chosen;
    QFile(QDir(chosen.path())
              .absoluteFilePath(QStringLiteral("studio-demo-clip_1_") +
                                QDate::currentDate().toString(QStringLiteral("ddMMyyyy")) +
                                QStringLiteral(".png")))
        .open(QIODevice::WriteOnly);
    Studio.ShowImagesHelp = false;
    Studio.LastDirectory = [] { return QStringLiteral("/tmp"); };
    const QString videoFolder = QFileInfo(Sources.VideoFileName()).absolutePath();
    struct Case
    {
        const char* Command;
        std::function<bool()> Run;
        QString Otherwise;
    };
    const Case cases[] = {
        {"still", [this] { return Studio.SaveStill(); }, videoFolder},
        {"video to images", [this] { return Studio.VideoToImages(); }, QStringLiteral("/tmp")},
        {"images to video", [this] { return Studio.ImagesToVideo(); }, QStringLiteral("/tmp")},
    };
    for (const bool withDefault : {true, false}) {
        TOptions options;
        options.DefaultDirectory = withDefault ? chosen.path() : chosen.path() + QStringLiteral("/gone");
        Studio.ApplyOptions(options);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.Command) + (withDefault ? " with" : " without"));
            dialogs->FileRequests.clear();
            dialogs->FileAnswers.push_back({false, {}, 1});
            EXPECT_FALSE(c.Run());
            ASSERT_EQ(dialogs->FileRequests.size(), 1u);
            EXPECT_EQ(dialogs->FileRequests[0].InitialDir, withDefault ? chosen.path() : c.Otherwise);
        }
    }
    // The still's proposed name is free in the folder the dialog opens in.
    View.GoToPosition(0);
    TOptions options;
    options.DefaultDirectory = chosen.path();
    Studio.ApplyOptions(options);
    dialogs->FileRequests.clear();
    dialogs->FileAnswers.push_back({false, {}, 1});
    Studio.SaveStill();
    ASSERT_EQ(dialogs->FileRequests.size(), 1u);
    EXPECT_TRUE(dialogs->FileRequests[0].FileName.startsWith(QLatin1String("Image1_studio-demo-clip_2_")))
        << dialogs->FileRequests[0].FileName.toStdString();
}
