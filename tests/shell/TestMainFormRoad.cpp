// The typical road through the main window's own entry points: open a video, calibrate, set the origin,
// point marks with automatic advance, ask for results (every refusal in turn), close with confirmation.
#include "MainFormFixture.h"
#include "shell/UnitMainForm.h"

#include "calc/UnitResultats.h"
#include "capture/UnitCapture.h"
#include "capture/UnitDSCapture.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "editing/UnitDemoClip.h"
#include "editing/UnitMontage.h"
#include "editing/UnitRecordMontage.h"
#include "export/UnitServeur.h"
#include "formula/UnitFormules.h"
#include "graph/UnitGraph.h"
#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"
#include "results/UnitResForm.h"
#include "shell/UnitBoiteBasculer.h"
#include "shell/UnitBoiteInstant.h"
#include "shell/UnitBoiteRecordMontage.h"
#include "shell/UnitBoiteTemps.h"
#include "shell/UnitFileSearch.h"
#include "shell/UnitMRUFiles.h"
#include "studio/UnitStudio.h"
#include "support/TestSupport.h"
#include "tracking/UnitTracking.h"
#include "video/UnitVideo.h"
#include "video/UnitVideoSources.h"
#include "video/UnitVideoTracking.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

namespace {

struct RoadFixture : TMainFormFixture
{
    // Asks for the datasheet and returns the lines of the one message it showed (empty when none).
    QString AskResults(int answer, bool* shown = nullptr)
    {
        const size_t before = Messages->Shown.size();
        Messages->Answer(answer);
        Form->ClickButton(cmButtonMenuTableau);
        if (shown)
            *shown = Messages->Shown.size() > before;
        if (Messages->Shown.size() == before) {
            Messages->Answers.clear();
            return {};
        }
        return Messages->Shown.back().Text();
    }
};

// 25 frames a second, 160x120, with frames 10, 11 and 30 dropped by the "camera": 47 frames.
QString DroppedFramesClip()
{
    return FfmpegFixture(QStringLiteral("dropped.mp4"),
                         {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-vf",
                          "select='not(between(n,10,11))*not(eq(n,30))'", "-fps_mode", "passthrough", "-c:v",
                          "mpeg4", "-q:v", "5"});
}

} // namespace

TEST_F(RoadFixture, OpenCalibratePointAskResultsAndClose)
{
    // Open through the dialog: the video filter, as the user chose it.
    Dialogs->FileAnswers.push_back({true, VideoPath, 1});
    Form->MenuItem(cmMenuFichierOuvrirVideo)->trigger();
    ASSERT_TRUE(Form->Video().IsOpen());
    EXPECT_EQ(Dialogs->FileRequests.back().Title, QStringLiteral("Open video file"));
    EXPECT_EQ(Form->windowTitle(), VideoPath);
    EXPECT_EQ(Form->EditImage()->text(), QString()); // set by the first repaint
    Form->Video().repaint();
    EXPECT_EQ(Form->EditImage()->text(), QStringLiteral(" 1/50"));
    EXPECT_TRUE(Form->Button(cmButtonOutilMarque)->isChecked());
    EXPECT_EQ(Form->Recent().Files(), QStringList{VideoPath});

    // No scale yet.
    EXPECT_EQ(AskResults(0),
              QStringLiteral("First calibrate an object of know dimension on the screen. /  / Use the "
                             "Scale button."));
    EXPECT_EQ(Messages->Shown.back().Icon, icCustom);
    EXPECT_FALSE(Messages->Shown.back().Picture.isNull());

    // Two scale clicks, then the length is typed in the value dialog.
    Form->ClickButton(cmButtonOutilEchelle);
    EXPECT_EQ(Form->Data().Outil, otEchelle);
    Dialogs->ValueTyping.push_back(QStringLiteral("1,5"));
    ClickView(40, 300);
    EXPECT_FALSE(Form->Button(cmButtonVideoSucc)->isEnabled()); // both ends on one frame
    ClickView(440, 300);
    ASSERT_EQ(Dialogs->ValueRequests.size(), 1u);
    EXPECT_EQ(Dialogs->ValueRequests[0].Caption, QStringLiteral("Calibrate a segment"));
    EXPECT_DOUBLE_EQ(Form->Data().Echelle->ScaleLength, 1.5);
    EXPECT_TRUE(Form->Data().ScaleDefined());
    EXPECT_TRUE(Form->Button(cmButtonVideoSucc)->isEnabled());

    // Marks: each click puts a mark and the video moves on one frame.
    Form->ClickButton(cmButtonOutilMarque);
    ClickView(100, 100);
    ClickView(120, 110);
    EXPECT_EQ(Form->Video().CurrentPosition(), 2);
    EXPECT_EQ(Form->EditMarque()->text(), QStringLiteral(" 2"));
    EXPECT_EQ(AskResults(0), QStringLiteral("First set at least 3 marks. /  / Use the Marks button."));
    ClickView(140, 130);
    EXPECT_EQ(AskResults(0),
              QStringLiteral("First set the origin of the axes. /  / Use the graph basis button."));

    Form->ClickButton(cmButtonOutilOrigine);
    ClickView(60, 400);
    EXPECT_TRUE(Form->Data().RepereFixe->Defined());
    EXPECT_EQ(Form->EditAngle()->text(), QString::fromUtf8(" 0°"));
    // Three marks: the velocity warning; Cancel stops.
    EXPECT_EQ(AskResults(0),
              QStringLiteral("Velocity or acceleration calculations need at least five marks to be "
                             "reliable."));
    EXPECT_EQ(Messages->Shown.back().ButtonCaptions(), (QStringList{"Cancel", "Continue"}));

    Form->ClickButton(cmButtonOutilMarque);
    ClickView(160, 150);
    ClickView(180, 175);
    EXPECT_EQ(Form->Video().CurrentPosition(), 5);
    // Five marks: no velocity warning, the reminder about default names; Ignore goes on to the results.
    Messages->Answer(2, true);
    Form->ClickButton(cmButtonMenuTableau);
    EXPECT_EQ(Messages->Shown.back().Lines[0].Text,
              QString::fromUtf8("An object name is assigned by default (« Point n°1 » for example)."));
    EXPECT_FALSE(Form->MainMem().AskObjectNames); // "Do not show this dialog again" was checked
    EXPECT_EQ(PagesShown, QStringList{QStringLiteral("ButtonMenuTableau")});
    EXPECT_EQ(Form->ResCalc().RowCount(), 5);
    EXPECT_NE(Form->ResCalc().Value(0, 0, ckVx, 2), 0.0);
    bool shown = true;
    AskResults(0, &shown);
    EXPECT_FALSE(shown); // no more questions in this run

    // Closing the video asks first; Ignore goes on without saving.
    Messages->Answer(2);
    Form->CloseVideo();
    EXPECT_EQ(Messages->Shown.back().Text(),
              QStringLiteral("Save project to file /  / Cancel closing /  / Ignore "
                             "saving and continue"));
    EXPECT_FALSE(Form->Video().IsOpen());
    EXPECT_FALSE(Form->Button(cmButtonMenuTableau)->isEnabled());
    EXPECT_EQ(Form->EditMarque()->text(), QString());
    EXPECT_TRUE(Form->statusBar()->currentMessage().isEmpty()); // no tool's hint without a video

    // Quitting asks too; Cancel keeps the window, Quit closes it.
    Messages->Answer(0);
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(Messages->Shown.back().ButtonCaptions(), (QStringList{"Cancel", "Quit"}));
    Messages->Answer(1);
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(Messages->Unexpected.empty());
}

TEST_F(RoadFixture, TheFilterChosenInTheDialogDecidesAndMissingFilesAreReported)
{
    // The first dialog starts in a folder that exists, with no name proposed (a desktop folder that does
    // not exist is not taken for a file name).
    Dialogs->FileAnswers.push_back({false, QString(), 1});
    Form->OpenDialog(1);
    ASSERT_EQ(Dialogs->FileRequests.size(), 1u);
    EXPECT_TRUE(QFileInfo(Dialogs->FileRequests[0].InitialDir).isDir())
        << Dialogs->FileRequests[0].InitialDir.toStdString();
    EXPECT_TRUE(Dialogs->FileRequests[0].FileName.isEmpty());
    QString opened;
    Form->OpenProjectHandler = [&](const QString& path) {
        opened = path;
        return true;
    };
    Dialogs->FileAnswers.push_back({true, VideoPath, 2}); // the project filter in the video dialog
    Form->OpenDialog(1);
    EXPECT_EQ(opened, VideoPath);
    EXPECT_FALSE(Form->Video().IsOpen());

    Messages->Answer(0);
    Form->OpenVideoFile(Dir.filePath(QStringLiteral("gone.avi")));
    EXPECT_EQ(Messages->Shown.back().Lines[2].Text, QStringLiteral("Unable to open this video file."));
    EXPECT_TRUE(Messages->Shown.back().Lines[0].Bold);

    // A file that is no video: the reasons, and the commands stay disabled.
    const QString junk = Dir.filePath(QStringLiteral("junk.mp4"));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a video at all");
    f.close();
    Messages->Answer(0);
    Form->OpenVideoFile(junk);
    EXPECT_FALSE(Form->Video().IsOpen());
    EXPECT_EQ(Messages->Shown.back().Lines[2].Text,
              QStringLiteral("Can not open this video file. Possible Problems and suggestions:"));
    EXPECT_FALSE(Form->Button(cmButtonOutilMarque)->isEnabled());
}

TEST_F(RoadFixture, ASaveThatDoesNotHappenKeepsTheWork)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    ClickView(100, 100);
    ClickView(120, 110);
    ASSERT_EQ(Form->Data().MarksCount(), 2);
    const QString project = Dir.filePath(QStringLiteral("lesson.ktr"));
    const TFileDialogResult cancelled{false, QString(), 1};
    const TFileDialogResult unwritable{true, Dir.filePath(QStringLiteral("no/such/folder/work.ktr")), 1};

    // "Save", then Cancel in the save dialog or a save that fails: the program stays with the work, for
    // each way of leaving it.
    struct Way
    {
        const char* Name;
        std::function<void()> Leave;
    };
    // The menus' items take the state of the moment, as when the menu opens.
    auto trigger = [this](TCommandId id) {
        Form->UpdateMenus();
        Form->MenuItem(id)->trigger();
    };
    const Way ways[] = {
        {"Close video file", [&] { trigger(cmMenuFichierFermerVideo); }},
        {"open another video", [&] { Form->OpenVideoFile(VideoPath); }},
        {"open a project", [&] { Form->OpenProject(project); }},
        {"Quit", [&] { trigger(cmMenuFichierQuitter); }},
        {"close box", [&] { Form->close(); }},
    };
    for (const Way& way : ways) {
        for (const TFileDialogResult& answer : {cancelled, unwritable}) {
            Messages->Answer(0); // "Save"
            Dialogs->FileAnswers.push_back(answer);
            if (answer.Accepted)
                Messages->Answer(0); // the failure's message
            way.Leave();
            EXPECT_TRUE(Form->isVisible()) << way.Name;
            EXPECT_TRUE(Form->Video().IsOpen()) << way.Name;
            EXPECT_EQ(Form->Data().MarksCount(), 2) << way.Name;
            EXPECT_EQ(Form->Video().Sources().VideoFileName(), VideoPath) << way.Name;
            EXPECT_EQ(Messages->Shown.back().Lines[0].Text.left(6),
                      answer.Accepted ? QStringLiteral("File s") : QStringLiteral("Save p"))
                << way.Name;
            EXPECT_TRUE(Messages->Answers.empty()) << way.Name;
        }
    }
    // A save that happens lets the closing go on.
    Messages->Answer(0);
    Dialogs->FileAnswers.push_back({true, project, 1});
    Messages->Answer(0); // "File successfully saved:"
    trigger(cmMenuFichierFermerVideo);
    EXPECT_FALSE(Form->Video().IsOpen());
    EXPECT_TRUE(QFileInfo(project).isFile());
    EXPECT_TRUE(Messages->Unexpected.empty());
    EXPECT_TRUE(Dialogs->FileAnswers.empty());
}

TEST_F(RoadFixture, OnlyUnsavedChangesAskToBeSavedAndTheTitleShowsThem)
{
    // Nothing changed: closing and opening ask nothing (an unexpected message fails the test).
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    EXPECT_EQ(Form->windowTitle(), VideoPath);
    // Moving through the video, zooming, switching between the grid and the layer or to the editing mode
    // change nothing of the work.
    Form->Video().GoToPosition(3);
    Form->ClickButton(cmButtonModeTransparent);
    Form->ClickButton(cmButtonModeMontage);
    Form->ClickButton(cmButtonModeRepereFixe);
    EXPECT_FALSE(Form->WorkModified());
    Form->UpdateMenus();
    Form->MenuItem(cmMenuFichierFermerVideo)->trigger();
    EXPECT_FALSE(Form->Video().IsOpen());
    Form->OpenVideoFile(VideoPath);
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    EXPECT_TRUE(Messages->Shown.empty());

    // The title follows shortly after a change (once per burst of changes).
    auto titleAfterChanges = [this] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1000 && !Form->windowTitle().startsWith(QLatin1Char('*')))
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return Form->windowTitle();
    };
    const QString project = Dir.filePath(QStringLiteral("work.ktr"));
    bool firstSave = true;
    auto save = [&] {
        Dialogs->FileAnswers.push_back({true, project, 1});
        if (!firstSave)
            Messages->Answer(1); // "Overwrite ?": Ok
        Messages->Answer(0);     // "File successfully saved:"
        firstSave = false;
        Form->UpdateMenus();
        Form->MenuItem(cmMenuFichierEnregistrer)->trigger();
    };
    struct Change
    {
        const char* Name;
        std::function<void()> Make;
        bool Notified; // a change the window hears of at once (the others when their dialog closes)
    };
    const Change changes[] = {
        {"mark", [&] { ClickView(100, 100); }, true},
        {"scale",
         [&] {
             Form->ClickButton(cmButtonOutilEchelle);
             Dialogs->ValueTyping.push_back(QStringLiteral("1,5"));
             ClickView(40, 300);
             ClickView(440, 300);
         },
         true},
        {"axes",
         [&] {
             Form->ClickButton(cmButtonOutilOrigine);
             ClickView(60, 400);
         },
         true},
        {"axis reversed",
         [&] {
             Form->UpdateMenus();
             Form->MenuItem(cmMenuMesuresInverserAxeY)->trigger();
         },
         true},
        {"editing",
         [&] {
             Form->ClickButton(cmButtonModeMontage);
             Form->Video().ShowFrame(20);
             QApplication::processEvents(); // the toggle follows the frame shown at its repaint
             Messages->Answer(0);           // what a hidden frame becomes
             Form->ClickButton(cmButtonMontageBasculer);
             ASSERT_FALSE(Form->Montage().IsVisible(20));
             Form->ClickButton(cmButtonModeRepereFixe);
         },
         true},
        {"layer",
         [&] {
             Form->ClickButton(cmButtonModeTransparent);
             ClickView(300, 300); // the sheet is grabbed and dropped
             ClickView(320, 310); // the object is pointed on it
             Form->ClickButton(cmButtonModeRepereFixe);
         },
         true},
        {"name", [&] { Form->Data().SetObjectName(0, QStringLiteral("cart")); }, false},
        {"formula", [&] { Form->Formules().AddFormula(QStringLiteral("d=x*2"), QString(), QString()); },
         false},
    };
    for (const Change& change : changes) {
        change.Make();
        EXPECT_TRUE(Form->WorkModified()) << change.Name;
        if (change.Notified) {
            EXPECT_EQ(titleAfterChanges(), QLatin1Char('*') + VideoPath) << change.Name;
        }
        save();
        EXPECT_FALSE(Form->WorkModified()) << change.Name;
        EXPECT_EQ(Form->windowTitle(), VideoPath) << change.Name;
        // Right after the save, closing asks nothing; the saved project brings the work back unchanged.
        Form->CloseVideo();
        ASSERT_FALSE(Form->Video().IsOpen()) << change.Name;
        Form->OpenProject(project);
        ASSERT_TRUE(Form->Video().IsOpen()) << change.Name;
        EXPECT_FALSE(Form->WorkModified()) << change.Name;
        EXPECT_EQ(Form->windowTitle(), VideoPath) << change.Name;
    }
    EXPECT_EQ(Form->Data().ObjectName(0), QStringLiteral("cart"));
    EXPECT_EQ(Form->Formules().Formulas.size(), 1u);
    EXPECT_TRUE(Messages->Unexpected.empty());
}

TEST_F(RoadFixture, TheMarkCountIsTheModesOwnRightAfterASwitch)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    ClickView(100, 100);
    ClickView(120, 110);
    ClickView(140, 120);
    EXPECT_EQ(Form->EditMarque()->text(), QStringLiteral(" 3"));
    Form->ClickButton(cmButtonModeTransparent);
    EXPECT_EQ(Form->EditMarque()->text(), QStringLiteral(" 0"));
    ClickView(300, 300); // the sheet is grabbed and dropped
    ClickView(320, 310); // the object is pointed on it
    ASSERT_EQ(Form->Data().MarquesTsp->MarksCount(), 1);
    EXPECT_EQ(Form->EditMarque()->text(), QStringLiteral(" 1"));
    Form->ClickButton(cmButtonModeRepereFixe);
    EXPECT_EQ(Form->EditMarque()->text(), QStringLiteral(" 3"));
    Form->ClickButton(cmButtonModeTransparent);
    EXPECT_EQ(Form->EditMarque()->text(), QStringLiteral(" 1"));
}

TEST_F(RoadFixture, EscapeLeavesAValueUnchangedAndCancelsACalibrationInProgress)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    TData& data = Form->Data();
    Form->ClickButton(cmButtonOutilEchelle);
    Dialogs->ValueTyping.push_back(QStringLiteral("1,5"));
    ClickView(40, 300);
    ClickView(440, 300);
    ASSERT_DOUBLE_EQ(data.Echelle->ScaleLength, 1.5);
    Form->ClickButton(cmButtonOutilMarque);

    // Prompts opened from a menu: Escape (or the close box) leaves the value as it was.
    struct Prompt
    {
        TCommandId Item;
        std::function<double()> Value;
    };
    const Prompt prompts[] = {
        {cmMenuMesuresValeurEchelle, [&] { return data.Echelle->ScaleLength; }},
        {cmMenuAffichageAllerImageNumero, [&] { return double(Form->Video().CurrentPosition()); }},
        {cmMenuMesuresNbMarqueParImage4, [&] { return double(data.NbObjets()); }},
        {cmMenuMesuresNbImagesEntreMarquesN, [&] { return double(data.FramesNumberBetweenTwoMarks); }},
        {cmMenuAffichageDessinerAutres, [&] { return double(data.ActiveList().MarksIsAllDrawn); }},
    };
    data.SetMarksIsAllDrawn(true);
    for (const Prompt& p : prompts) {
        const double before = p.Value();
        const size_t asked = Dialogs->ValueRequests.size();
        Dialogs->ValueTyping.push_back(QStringLiteral("\x1b"));
        Form->UpdateMenus();
        ASSERT_TRUE(Form->MenuItem(p.Item)->isEnabled()) << Command(p.Item).Name;
        Form->MenuItem(p.Item)->trigger();
        EXPECT_EQ(Dialogs->ValueRequests.size(), asked + 1) << Command(p.Item).Name;
        EXPECT_EQ(p.Value(), before) << Command(p.Item).Name;
    }
    EXPECT_EQ(data.Echelle->PointsNumber(0), 2);

    // The length that ends a calibration: Escape cancels the calibration, both ends go and the frames
    // can be left again.
    Form->UpdateMenus();
    Form->MenuItem(cmMenuAffichageEffacerEchelle)->trigger();
    ASSERT_EQ(data.Echelle->PointsNumber(0), 0);
    Form->ClickButton(cmButtonOutilEchelle);
    ClickView(40, 300);
    Dialogs->ValueTyping.push_back(QStringLiteral("\x1b"));
    ClickView(440, 300);
    EXPECT_EQ(data.Echelle->PointsNumber(0), 0);
    EXPECT_FALSE(data.ScaleDefined());
    EXPECT_TRUE(Form->Button(cmButtonVideoSucc)->isEnabled());
    EXPECT_TRUE(Dialogs->ValueTyping.empty());
    EXPECT_TRUE(Messages->Unexpected.empty());
}

TEST(MainFormText, AngleFieldHasThreeSignificantFigures)
{
    struct Case
    {
        double Degrees;
        const char* Text;
    };
    for (const Case& c : {Case{0.0, " 0°"}, Case{123.456, " 123°"}, Case{-45.67, " -45.7°"},
                          Case{1.234, " 1.23°"}, Case{0.005, " 5.00e-03°"}})
        EXPECT_EQ(AngleFieldText(c.Degrees), QString::fromUtf8(c.Text)) << c.Degrees;
}

TEST_F(RoadFixture, SearchWindowAndRecentEntriesOpenWhatTheyName)
{
    // The search finds the videos below a folder, whatever the case of their extension.
    QDir(Dir.path()).mkpath(QStringLiteral("clips/deeper"));
    const QString copy = Dir.filePath(QStringLiteral("clips/deeper/THROW.MP4"));
    ASSERT_TRUE(QFile::copy(VideoPath, copy));
    QFile note(Dir.filePath(QStringLiteral("clips/notes.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.close();
    Form->MenuItem(cmMenuFichierRechercher)->trigger();
    TFileSearch& search = Form->FileSearch();
    EXPECT_TRUE(search.Masks().contains(QStringLiteral("*.mp4")));
    search.Search(Dir.filePath(QStringLiteral("clips")));
    ASSERT_EQ(search.Results(), QStringList{QDir::cleanPath(copy)});
    search.OpenEntry(0);
    EXPECT_FALSE(search.isVisible());
    ASSERT_TRUE(Form->Video().IsOpen());
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), QDir::cleanPath(copy));
    EXPECT_EQ(Form->Recent().Files().first(), QDir::cleanPath(copy));

    // The search for Regressi uses the same window; what it opens goes to the export, not to the video.
    const QString exe = Dir.filePath(QStringLiteral("clips/Regressi.exe"));
    QFile(exe).open(QIODevice::WriteOnly);
    QString found;
    Form->Serveur().SearchFile(QStringLiteral("Regressi.exe|Regressi.exe"),
                               [&found](const QString& path) { found = path; });
    EXPECT_TRUE(search.isVisible());
    EXPECT_EQ(search.Masks(), QStringList{QStringLiteral("Regressi.exe")});
    search.Search(Dir.filePath(QStringLiteral("clips")));
    ASSERT_EQ(search.Results(), QStringList{QDir::cleanPath(exe)});
    search.OpenEntry(0);
    EXPECT_EQ(found, QDir::cleanPath(exe));
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), QDir::cleanPath(copy));
    EXPECT_NE(Form->Recent().Files().first(), QDir::cleanPath(exe));

    // A click on a recent entry opens it and leaves the list's order alone.
    Form->Recent().Add(VideoPath);
    const QStringList before = Form->Recent().Files();
    Messages->Answer(2); // ignore saving the current work
    Form->Recent().OnClick(before.last());
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), before.last());
    EXPECT_EQ(Form->Recent().Files(), before);
}

TEST_F(RoadFixture, DemoClipAnalysedThroughTheWindowGivesItsGravity)
{
    // The demonstration clip: a ball thrown before a 1 m ruler, with g = 9.81 m/s².
    // Written under this process's own name, then renamed: a run killed midway leaves no broken clip.
    const QString clip = FixtureCacheDir() + QStringLiteral("/demo-throw.avi");
    QString error;
    if (!QFileInfo::exists(clip)) {
        const QString partial = clip + QStringLiteral(".%1.avi").arg(QCoreApplication::applicationPid());
        ASSERT_TRUE(TDemoClip::Write(partial, error)) << error.toStdString();
        QFile::remove(clip);
        ASSERT_TRUE(QFile::rename(partial, clip));
    }
    Form->OpenVideoFile(clip);
    ASSERT_TRUE(Form->Video().IsOpen());
    TVideo& view = Form->Video();
    auto pixel = [&](const QPointF& image) {
        return view.ToView({image.x() / TDemoClip::Width, image.y() / TDemoClip::Height});
    };

    Form->ClickButton(cmButtonOutilEchelle);
    Dialogs->ValueTyping.push_back(QStringLiteral("1"));
    const QPoint a = pixel(TDemoClip::RulerLeft()), b = pixel(TDemoClip::RulerRight());
    ClickView(a.x(), a.y());
    ClickView(b.x(), b.y());
    Form->ClickButton(cmButtonOutilOrigine);
    const QPoint o = pixel(TDemoClip::ToImage(0, 0));
    ClickView(o.x(), o.y());
    Form->ClickButton(cmButtonOutilMarque);
    for (int frame = 0; frame < 20; ++frame) {
        ASSERT_EQ(view.CurrentFrame(), frame);
        const QPoint p = pixel(TDemoClip::BallCentre(frame));
        ClickView(p.x(), p.y());
    }
    Form->Options().CheckBox38ChangeDefaultObjectsName = false;
    Form->ClickButton(cmButtonMenuTableau);
    ASSERT_EQ(PagesShown.size(), 1);
    // Pointing to the view pixel costs up to half a pixel of the view, so the values carry that noise;
    // the smoothed acceleration still finds g within a few per cent.
    const double ay = Form->ResCalc().Value(0, 0, ckAy, 10);
    EXPECT_NEAR(ay, -TDemoClip::Gravity, 0.05 * TDemoClip::Gravity);
    EXPECT_NEAR(Form->ResCalc().Value(0, 0, ckVx, 10), TDemoClip::SpeedX, 0.05 * TDemoClip::SpeedX);

    // A picture of the window as the user sees it, for a person to look at.
    view.GoToPosition(12);
    Form->grab().save(FixtureCacheDir() + QStringLiteral("/main-window-demo.png"));
}

TEST_F(RoadFixture, LayerDraggedAlongGivesTheRelativeVelocity)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    TVideo& view = Form->Video();
    // 400 view pixels are 2 m: a pixel is 5 mm.
    Form->ClickButton(cmButtonOutilEchelle);
    Dialogs->ValueTyping.push_back(QStringLiteral("2"));
    ClickView(40, 300);
    ClickView(440, 300);
    ASSERT_TRUE(Form->Data().ScaleDefined());

    Form->ClickButton(cmButtonModeTransparent);
    ASSERT_EQ(view.Mode(), mvTransparent);
    EXPECT_EQ(Form->Data().Outil, otTsp);
    EXPECT_TRUE(Form->Button(cmButtonOutilTsp)->isChecked());
    // The sheet is dragged 10 px to the right on every frame; the object pointed on it stands still, so
    // on the sheet it moves 10 px to the left a frame.
    for (int k = 0; k < 6; ++k) {
        ASSERT_EQ(view.CurrentFrame(), k);
        DragLayerAndPoint(200 + 10 * k, 250);
    }
    ASSERT_EQ(Form->Data().MarquesTsp->MarksCount(), 6);
    Form->Options().CheckBox38ChangeDefaultObjectsName = false;
    Form->ClickButton(cmButtonMenuTableau);
    ASSERT_EQ(PagesShown.size(), 1);
    const TResCalc& calc = Form->ResCalc();
    const double dt = calc.Value(0, 0, ckTime, 1) - calc.Value(0, 0, ckTime, 0);
    ASSERT_GT(dt, 0.0);
    // The sheet is held where it was grabbed, which is its centre to within a pixel; from frame to frame
    // the positions on it move by exactly the sheet's 10 px.
    for (int row = 0; row < 6; ++row) {
        EXPECT_NEAR(calc.Value(0, 0, ckX, row), 0.005 * (100 - 10 * row), 0.005) << row;
        EXPECT_NEAR(calc.Value(0, 0, ckY, row), 0.005 * 50, 0.005) << row;
        if (row > 0) {
            EXPECT_NEAR(calc.Value(0, 0, ckX, row) - calc.Value(0, 0, ckX, row - 1), -0.05, 1e-9) << row;
            EXPECT_NEAR(calc.Value(0, 0, ckY, row), calc.Value(0, 0, ckY, 0), 1e-9) << row;
        }
    }
    EXPECT_NEAR(calc.Value(0, 0, ckVx, 2), -0.05 / dt, 1e-9 / dt);
    EXPECT_NEAR(calc.Value(0, 0, ckVy, 2), 0.0, 1e-9 / dt);
}

TEST_F(RoadFixture, AutomaticMarkingCommandsReachTheTracking)
{
    Form->Options().CheckBox47AllowTracking = true;
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    Form->ClickButton(cmButtonModeTracking);
    ASSERT_EQ(Form->Video().Mode(), mvTracking);
    QApplication::processEvents(); // the tools bar lays its new buttons out
    EXPECT_TRUE(Form->Button(cmButtonTrackContour)->isChecked());
    TVideoTracking& tracking = Form->Video().Tracking();

    ASSERT_TRUE(Form->Button(cmButtonTrackBanZone)->isVisible());
    ASSERT_TRUE(Form->Button(cmButtonTrackBanZone)->isEnabled());
    Form->ClickButton(cmButtonTrackBanZone);
    EXPECT_EQ(tracking.Tool(), 2);
    EXPECT_TRUE(Form->Button(cmButtonTrackBanZone)->isChecked());
    EXPECT_FALSE(Form->Button(cmButtonTrackContour)->isChecked());
    EXPECT_TRUE(Form->statusBar()->currentMessage().startsWith(QStringLiteral("Left-click = add a vertex")));
    Form->ClickButton(cmButtonTrackContour);
    EXPECT_EQ(tracking.Tool(), 1);
    // Nothing drawn yet: nothing to erase.
    EXPECT_FALSE(Form->Button(cmButtonTrackEffacerContour)->isEnabled());
    EXPECT_FALSE(Form->Button(cmButtonTrackEffacerTrack)->isEnabled());

    Form->UpdateMenus();
    Form->MenuItem(cmMenuMesuresForme2)->trigger();
    EXPECT_EQ(tracking.Shape(), 2);
    Form->MenuItem(cmMenuMesuresEspace60)->trigger();
    EXPECT_EQ(tracking.SearchRadius(), 60);
    Dialogs->ValueTyping.push_back(QStringLiteral("25"));
    Form->MenuItem(cmMenuMesuresEspaceAutres)->trigger();
    EXPECT_EQ(tracking.SearchRadius(), 25);
    const bool shown = tracking.ShowSearchZone();
    Form->MenuItem(cmMenuMesuresZone)->trigger();
    EXPECT_NE(tracking.ShowSearchZone(), shown);
    Form->UpdateMenus();
    EXPECT_TRUE(Form->MenuItem(cmMenuMesuresForme2)->isChecked());
    EXPECT_TRUE(Form->MenuItem(cmMenuMesuresEspaceAutres)->isChecked());
    EXPECT_FALSE(Form->MenuItem(cmMenuAffichageAllerDouteuse)->isEnabled());
}

TEST_F(RoadFixture, EditingHidesFramesAndGivesDroppedFramesTheirTime)
{
    // 25 frames a second with frames 10, 11 and 30 dropped by the camera.
    const QString video = DroppedFramesClip();
    ASSERT_FALSE(video.isEmpty());
    Form->Options().CheckBox48AllowMontage = true;
    Form->Options().CheckBox40ShowDialogBoxForHideImage = false;
    Form->OpenVideoFile(video);
    ASSERT_TRUE(Form->Video().IsOpen());
    EXPECT_TRUE(Form->TimingNote()->text().startsWith(QStringLiteral("3 frame(s) missing")))
        << Form->TimingNote()->text().toStdString();
    QApplication::processEvents(); // the mode bar lays out the editing button
    TVideo& view = Form->Video();
    TMontage& montage = Form->Montage();
    ASSERT_EQ(montage.FrameCount, 47);

    Form->ClickButton(cmButtonModeMontage);
    ASSERT_EQ(view.Mode(), mvMontage);
    Form->UpdateMenus();
    ASSERT_TRUE(Form->MenuItem(cmMenuMesuresCreneaux)->isEnabled());
    Form->MenuItem(cmMenuMesuresCreneaux)->trigger();
    // Frame 10 of the file was taken in slot 12, frame 28 in slot 31.
    EXPECT_EQ(montage.TimeIndexOf(9), 9);
    EXPECT_EQ(montage.TimeIndexOf(10), 12);
    EXPECT_EQ(montage.TimeIndexOf(28), 31);
    EXPECT_NEAR(Form->Data().RequiredDuration, 0.04, 1e-6); // not the file's average of 2 s / 47
    Form->UpdateMenus();
    EXPECT_FALSE(Form->MenuItem(cmMenuMesuresCreneaux)->isEnabled());
    EXPECT_TRUE(Form->TimingNote()->text().isEmpty());

    // Hiding frame 5: outside the mode the sequence goes from frame 4 to frame 6.
    view.ShowFrame(5);
    QApplication::processEvents();
    Form->ClickButton(cmButtonMontageBasculer);
    EXPECT_FALSE(montage.IsVisible(5));
    EXPECT_EQ(montage.VisibleCount, 46);
    Form->ClickButton(cmButtonModeRepereFixe);
    ASSERT_EQ(view.Mode(), mvRepereFixe);
    EXPECT_EQ(view.CurrentFrame(), 6); // left the mode on a hidden frame: the next visible one
    view.GoToPosition(5);
    EXPECT_EQ(view.CurrentFrame(), 6);
}

TEST(MainFormStart, TheCommandLineFileOpensByItsExtensionWhateverItsCase)
{
    TScriptedUserDlgScope messages;
    QTemporaryDir dir;
    TMainForm form(dir.filePath(QStringLiteral("Kinotra.ini")));
    QStringList projects;
    form.OpenProjectHandler = [&](const QString& path) {
        projects << path;
        return false;
    };
    form.SetStartFile(QStringLiteral("/nowhere/LESSON.KTR"));
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(projects, QStringList{QStringLiteral("/nowhere/LESSON.KTR")});
    form.Options().CheckBox3ConfirmationQuit = false;
}

TEST_F(RoadFixture, EscapeInTheQuitAndSaveConfirmationsKeepsTheWork)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    ClickView(100, 100); // unsaved work
    int saves = 0;
    Form->SaveProjectHandler = [&] {
        ++saves;
        return true;
    };
    // Closing the video: Escape stops the closing.
    Messages->Escape();
    Form->CloseVideo();
    EXPECT_EQ(Messages->Shown.back().ButtonCaptions(), (QStringList{"Save", "Cancel", "Ignore"}));
    EXPECT_TRUE(Form->Video().IsOpen());
    // Opening another file: Escape stops the opening.
    Messages->Escape();
    Form->OpenByExtension(Dir.filePath(QStringLiteral("other.avi")));
    EXPECT_EQ(Messages->Shown.back().Lines[2].Text, QStringLiteral("Cancel opening"));
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), VideoPath);
    // Quitting: Escape keeps the window, with a video and without.
    Messages->Escape();
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(Messages->Shown.back().ButtonCaptions(), (QStringList{"Save", "Cancel", "Quit"}));
    EXPECT_TRUE(Form->Video().IsOpen());
    Form->Options().CheckBox4ConfirmationFileChange = false;
    Form->CloseVideo();
    Messages->Escape();
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(Messages->Shown.back().ButtonCaptions(), (QStringList{"Cancel", "Quit"}));
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(Messages->Unexpected.empty());
}

TEST_F(RoadFixture, ViewToolsAndScaleItemsKeepTheStateTheyDoNotOwn)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    TData& data = Form->Data();

    // A click on the pressed Zoom button keeps the button pressed, as the tool stays.
    Form->ClickButton(cmButtonOutilZoom);
    ASSERT_EQ(Form->Video().OutilVue(), ovZoom);
    Form->ClickButton(cmButtonOutilZoom);
    EXPECT_EQ(Form->Video().OutilVue(), ovZoom);
    EXPECT_TRUE(Form->Button(cmButtonOutilZoom)->isChecked());
    EXPECT_FALSE(Form->Button(cmButtonOutilMarque)->isChecked());
    Form->ClickButton(cmButtonOutilMarque);
    EXPECT_EQ(Form->Video().OutilVue(), ovNone);
    EXPECT_TRUE(Form->Button(cmButtonOutilMarque)->isChecked());
    EXPECT_FALSE(Form->Button(cmButtonOutilZoom)->isChecked());

    // Choosing a view tool ends a drag of the grid's origin.
    Form->ClickButton(cmButtonOutilOrigine);
    ClickView(60, 400);
    ASSERT_TRUE(data.RepereFixe->Defined());
    data.RepereFixe->DragMode = 1;
    Form->ClickButton(cmButtonOutilZoom);
    EXPECT_EQ(data.RepereFixe->DragMode, 0);

    // "Scale length" asks the normal scale's length and leaves the current kind alone.
    Form->ClickButton(cmButtonOutilMarque);
    data.Echelle->ScalePointsNumber = 2;
    data.Echelle->Points[teNormale] = {TPointRel{0.1, 0.5}, TPointRel{0.9, 0.5}};
    data.Echelle->TypeEchelle = teVert;
    Dialogs->ValueTyping.push_back(QStringLiteral("2"));
    Form->UpdateMenus();
    ASSERT_TRUE(Form->MenuItem(cmMenuMesuresValeurEchelle)->isEnabled());
    Form->MenuItem(cmMenuMesuresValeurEchelle)->trigger();
    EXPECT_DOUBLE_EQ(data.Echelle->ScaleLength, 2.0);
    EXPECT_EQ(data.Echelle->TypeEchelle, teVert);
}

TEST_F(RoadFixture, LaterFeaturesAreDisabledAndBoxesGoThroughTheServices)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    Form->Options().CheckBox47AllowTracking = true;
    Form->EnableCommands(true);
    // Built modes are enabled.
    for (const TCommandId id : {cmButtonModeTransparent, cmButtonModeTracking, cmButtonOutilNom,
                                cmButtonModeCapture, cmButtonModeStudio})
        EXPECT_TRUE(Form->Button(id)->isEnabled()) << Command(id).Name;

    // "Give a name" is offered; Escape on the reminder cancels the results.
    Form->Data().Echelle->ScalePointsNumber = 2;
    Form->Data().Echelle->Points[teNormale] = {TPointRel{0.1, 0.5}, TPointRel{0.9, 0.5}};
    Form->Data().Echelle->ScaleLength = 1;
    Form->Data().RepereFixe->OriginePointsNumber = 1;
    for (int f = 0; f < 5; ++f)
        Form->Data().MarquesRep->SetMarkAt(0, f, {0.1 * f, 0.5});
    Form->Data().MarquesRep->Renumber();
    Messages->Escape();
    EXPECT_FALSE(Form->ShowResults(cmButtonMenuTableau));
    ASSERT_EQ(Messages->Shown.back().ButtonCaptions(), (QStringList{"Give a name", "Cancel", "Ignore"}));
    EXPECT_TRUE(Messages->Shown.back().Buttons[0].Enabled);
    EXPECT_TRUE(PagesShown.isEmpty());

    // The About and Properties boxes are requests to the dialog service.
    Form->MenuItem(cmMenuAideAPropos)->trigger();
    Form->MenuItem(cmMenuFichierProprietes)->trigger();
    ASSERT_EQ(Dialogs->TextBoxes.size(), 2u);
    EXPECT_EQ(Dialogs->TextBoxes[0].Title, QStringLiteral("About Kinotra"));
    EXPECT_EQ(Dialogs->TextBoxes[1].Title, QStringLiteral("Properties"));
    EXPECT_TRUE(Dialogs->TextBoxes[1].Text.contains(VideoPath));
}

TEST_F(RoadFixture, ARecentProjectOpensWithoutMovingToTheTop)
{
    const QString first = Dir.filePath(QStringLiteral("first.ktr"));
    const QString second = Dir.filePath(QStringLiteral("second.ktr"));
    for (const QString& path : {first, second}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    Form->Recent().Add(first);
    Form->Recent().Add(second); // the most recent first
    QStringList opened;
    Form->OpenProjectHandler = [&](const QString& path) {
        opened << path;
        return true;
    };
    const QStringList before = Form->Recent().Files();
    Form->Recent().OnClick(first);
    EXPECT_EQ(opened, QStringList{first});
    EXPECT_EQ(Form->Recent().Files(), before);
}

TEST_F(RoadFixture, StudioModeDrawsOutlinesAndCaptureModeShowsThePicture)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    Form->Options().CheckBox49AllowCapture = true;
    Form->Options().CheckBox58AllowStudio = true;
    Form->EnableCommands(true);

    // Studio: the outline tool draws a circle; the chronophotography waits for an outline.
    Form->ClickButton(cmButtonModeStudio);
    ASSERT_EQ(Form->Video().Mode(), mvStudio);
    QApplication::processEvents();
    EXPECT_FALSE(Form->Button(cmButtonStudioChronoPhoto)->isEnabled());
    Form->MenuItem(cmMenuMesuresForme2)->trigger();
    Form->ClickButton(cmButtonStudioContour);
    EXPECT_EQ(Form->Studio().Tool, stDraw);
    EXPECT_TRUE(Form->Button(cmButtonStudioContour)->isChecked());
    const int before = Form->Video().CurrentPosition();
    TVideo& v = Form->Video();
    v.ViewMouseDown(mbLeft, Qt::NoModifier, 100, 100);
    v.ViewMouseMove(Qt::NoModifier, 130, 100);
    v.ViewMouseUp(mbLeft, Qt::NoModifier, 130, 100);
    ASSERT_EQ(Form->Studio().Models.size(), 1u);
    EXPECT_TRUE(Form->Studio().Models[0]->Finished);
    EXPECT_EQ(Form->Studio().Models[0]->Position, before);
    EXPECT_GT(Form->Video().CurrentPosition(), before); // the next outline goes on a later frame
    EXPECT_TRUE(Form->Button(cmButtonStudioChronoPhoto)->isEnabled());
    // A second click on the studio button keeps the mode while a video is open; "all" erases outlines.
    Form->ClickButton(cmButtonModeStudio);
    EXPECT_EQ(Form->Video().Mode(), mvStudio);
    Form->UpdateMenus();
    ASSERT_TRUE(Form->MenuItem(cmMenuAffichageEffacerTout)->isEnabled());
    Form->MenuItem(cmMenuAffichageEffacerTout)->trigger();
    EXPECT_TRUE(Form->Studio().Models.empty());
    // Images to video: the series of the chosen image, the rate asked, the video written.
    for (int i = 0; i < 3; ++i) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(40 * i, 80, 120));
        ASSERT_TRUE(image.save(Dir.filePath(QStringLiteral("shot_%1.png").arg(i, 2, 10, QLatin1Char('0')))));
    }
    Form->Studio().ShowImagesHelp = false;
    // The dialog of the written videos: its rate button asks the value dialog; the size is the images'.
    QStringList summaries;
    Form->RunRecordDialog = [&](TBoiteRecordMontage& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Create a video from images"));
        EXPECT_EQ(box.Pages->count(), 3);
        box.ButtonFrameRate->click();
        summaries << box.SummaryLines().join('\n');
        return true;
    };
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("shot_00.png")), 1});
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("shots.avi")), 1});
    Dialogs->ValueTyping.push_back(QStringLiteral("12"));
    Messages->Answer(0);
    Form->ClickButton(cmButtonStudioP2v);
    TVideoSources made;
    ASSERT_TRUE(made.OpenVideo(Dir.filePath(QStringLiteral("shots.avi"))));
    EXPECT_EQ(made.FrameCount(), 3);
    EXPECT_NEAR(made.FramesPerSecond(), 12.0, 1e-9);
    made.OpenVideo(QString()); // closes
    ASSERT_EQ(summaries.size(), 1);
    EXPECT_TRUE(summaries[0].contains(QStringLiteral("Image width in pixels: 64")))
        << summaries[0].toStdString();
    EXPECT_TRUE(summaries[0].contains(QStringLiteral("Frame rate: 12")));
    EXPECT_TRUE(summaries[0].contains(QStringLiteral("Total number of images: 3")));
    // Several images chosen: those only, in the order of their names.
    TFileDialogResult several{true, Dir.filePath(QStringLiteral("shot_02.png")), 1};
    several.FileNames = {several.FileName, Dir.filePath(QStringLiteral("shot_00.png"))};
    Dialogs->FileAnswers.push_back(several);
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("two.avi")), 1});
    Dialogs->ValueTyping.push_back(QStringLiteral("5"));
    Messages->Answer(0);
    Form->ClickButton(cmButtonStudioP2v);
    ASSERT_TRUE(made.OpenVideo(Dir.filePath(QStringLiteral("two.avi"))));
    EXPECT_EQ(made.FrameCount(), 2);
    // Video to images, resized to 80 x 60 in the dialog.
    Form->RunRecordDialog = [&](TBoiteRecordMontage& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Convert a video file to a sequence of images"));
        EXPECT_EQ(box.Pages->count(), 2);
        box.CheckBoxChange->setChecked(true);
        box.SpinWidth->setValue(80);
        box.SpinHeight->setValue(60);
        EXPECT_TRUE(box.SummaryLines().contains(QStringLiteral("Resized images: yes")));
        return true;
    };
    QDir(Dir.path()).mkdir(QStringLiteral("frames"));
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("frames/f.png")), 1});
    Messages->Answer(0);
    Form->ClickButton(cmButtonStudioV2p);
    const QStringList frames =
        QDir(Dir.filePath(QStringLiteral("frames"))).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(frames.size(), Form->Montage().VisibleCount);
    EXPECT_EQ(QImage(Dir.filePath(QStringLiteral("frames/") + frames.first())).size(), QSize(80, 60));
    // Another mode releases the studio's tool.
    Form->ClickButton(cmButtonModeRepereFixe);
    EXPECT_EQ(Form->Video().Mode(), mvRepereFixe);
    EXPECT_EQ(Form->Studio().Tool, stNone);

    // Capture without a device chosen (the device dialog cancelled): the mode is refused.
    TCapture& capture = Form->Capture();
    capture.ShowDialog = [](TCapturePage) { return false; };
    Messages->Answer(0);
    Form->ClickButton(cmButtonModeCapture);
    EXPECT_EQ(Form->Video().Mode(), mvRepereFixe);
    ASSERT_FALSE(Messages->Shown.empty());
    EXPECT_TRUE(Messages->Shown.back().Text().contains(QStringLiteral("No capture device selected.")));
    // With the test picture: the view gives its place to the live picture, the capture buttons show.
    capture.ShowDialog = [&capture](TCapturePage) {
        capture.SelectDevice(int(capture.DeviceNames(false).indexOf(TDSCapture::TestPictureName())));
        return true;
    };
    Form->ClickButton(cmButtonModeCapture);
    ASSERT_EQ(Form->Video().Mode(), mvCapture);
    QApplication::processEvents();
    EXPECT_FALSE(Form->Video().isVisible());
    EXPECT_TRUE(Form->Button(cmButtonCapEnregistrer)->isEnabled());
    EXPECT_FALSE(Form->Button(cmButtonOutilZoom)->isVisible());
    QElapsedTimer clock;
    clock.start();
    while (Form->CapturePreview()->pixmap().isNull() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(Form->CapturePreview()->pixmap().isNull());
    // Back to measuring: the device is released and the view returns.
    Form->ClickButton(cmButtonModeRepereFixe);
    EXPECT_EQ(Form->Video().Mode(), mvRepereFixe);
    EXPECT_FALSE(capture.IsConnected());
}

TEST_F(RoadFixture, FrameIntervalDialogSetsTheTimeBetweenFramesOrKeepsItOpen)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    Form->EnableCommands(true);
    const double file = Form->Video().Sources().SecondsPerFrame();
    ASSERT_GT(file, 0.0);
    struct TCase
    {
        const char* Typed;
        bool Accepted;
        double Interval;     // when accepted
        const char* Message; // first line expected, or empty when none
    };
    const TCase cases[] = {
        {"0.02", true, 0.02, ""},
        {"2,5e-3", true, 0.0025, ""}, // either separator, an exponent
        {"1x2", true, 12.0, ""},      // letters are not typed
        {"1e10", false, 0.0, "Inputted value: 1e10 s"},
        {"1e-7", false, 0.0, "Inputted value: 1e-7 s"},
        {"-", false, 0.0, "Inputted value: -"},
    };
    for (const TCase& c : cases) {
        Form->Data().SetRequiredDuration(file);
        Messages->Shown.clear();
        bool shown = false;
        Form->RunFrameInterval = [&](TBoiteTemps& box) {
            shown = true;
            EXPECT_TRUE(box.DefaultButton->isChecked());
            box.Edit->clear();
            for (const QChar ch : QString::fromLatin1(c.Typed))
                box.TypeKey(ch);
            EXPECT_TRUE(box.OtherButton->isChecked());
            if (!c.Accepted)
                Messages->Answer(0);
            return box.TryAccept();
        };
        Form->UpdateMenus();
        ASSERT_TRUE(Form->MenuItem(cmMenuMesuresTemps)->isEnabled());
        Form->MenuItem(cmMenuMesuresTemps)->trigger();
        EXPECT_TRUE(shown) << c.Typed;
        EXPECT_DOUBLE_EQ(Form->Data().RequiredDuration, c.Accepted ? c.Interval : file) << c.Typed;
        if (*c.Message) {
            ASSERT_FALSE(Messages->Shown.empty()) << c.Typed;
            EXPECT_EQ(Messages->Shown.back().Lines[0].Text, QString::fromUtf8(c.Message)) << c.Typed;
        } else {
            EXPECT_TRUE(Messages->Shown.empty()) << c.Typed;
        }
    }
    // The default button gives back the file's interval.
    Form->Data().SetRequiredDuration(0.5);
    Form->RunFrameInterval = [&](TBoiteTemps& box) {
        EXPECT_TRUE(box.OtherButton->isChecked());
        box.DefaultButton->click();
        return box.TryAccept();
    };
    Form->MenuItem(cmMenuMesuresTemps)->trigger();
    EXPECT_NEAR(Form->Data().RequiredDuration, file, 1e-12);
}

TEST_F(RoadFixture, SeriesAndFrameTimeDialogsOfTheEditingMode)
{
    Form->Options().CheckBox48AllowMontage = true;
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    Form->EnableCommands(true);
    QApplication::processEvents();
    TVideo& view = Form->Video();
    TMontage& montage = Form->Montage();
    Form->ClickButton(cmButtonModeMontage);
    ASSERT_EQ(view.Mode(), mvMontage);
    QApplication::processEvents();

    // A wrong group tells its error and keeps the dialog; then "2-4; 7" hides frames 1, 2, 3 and 6.
    int attempts = 0;
    Form->RunSeriesDialog = [&](TBoiteBasculer& box) {
        EXPECT_TRUE(box.HideButton->isChecked());
        box.Entry->setEditText(QStringLiteral("3-9999"));
        Messages->Answer(0);
        ++attempts;
        EXPECT_FALSE(box.TryAccept());
        EXPECT_TRUE(box.Entry->currentText().isEmpty());
        box.Entry->setEditText(QStringLiteral("2-4; 7"));
        return box.TryAccept();
    };
    Form->ClickButton(cmButtonMontageBasculerMult);
    EXPECT_EQ(attempts, 1);
    ASSERT_FALSE(Messages->Shown.empty());
    EXPECT_EQ(Messages->Shown.back().Lines[0].Text, QStringLiteral("The image group at hide is incorrect"));
    for (int f = 0; f < 8; ++f)
        EXPECT_EQ(montage.IsVisible(f), !(f == 1 || f == 2 || f == 3 || f == 6)) << f;
    // The action is remembered; "All odd image numbers" shows frames 1, 3, 5... (0-based 0, 2, 4...).
    Form->RunSeriesDialog = [&](TBoiteBasculer& box) {
        EXPECT_TRUE(box.HideButton->isChecked());
        box.ShowButton->setChecked(true);
        box.Entry->setCurrentIndex(1);
        return box.TryAccept();
    };
    Form->ClickButton(cmButtonMontageBasculerMult);
    EXPECT_TRUE(montage.IsVisible(2));
    EXPECT_FALSE(montage.IsVisible(1));

    // The toggle button tells what becomes of the frame shown.
    view.ShowFrame(1);
    QApplication::processEvents();
    EXPECT_TRUE(Form->Button(cmButtonMontageBasculer)->statusTip().contains(QStringLiteral("not appear")));
    // Frame time: on frame 4 (after hidden frame 3), one interval later for it and every later frame.
    view.ShowFrame(4);
    QApplication::processEvents();
    EXPECT_TRUE(
        Form->Button(cmButtonMontageBasculer)->statusTip().contains(QStringLiteral("will be visible")));
    const double t = Form->Data().RequiredDuration;
    const int before = montage.TimeIndexOf(4);
    Form->RunFrameTimeDialog = [&](TBoiteInstant& box) {
        EXPECT_TRUE(box.Current->text().endsWith(QStringLiteral(" s")));
        EXPECT_FALSE(box.Previous->text().isEmpty());
        const QString shown = box.Current->text();
        EXPECT_TRUE(box.Step(true));
        EXPECT_NE(box.Current->text(), shown);
        // Earlier than the previous visible frame is refused.
        for (int i = 0; i < 20 && box.Step(false);)
            ++i;
        EXPECT_FALSE(box.Step(false));
        EXPECT_TRUE(box.Step(true));
    };
    Form->ClickButton(cmButtonMontageInstant);
    // Down to just after the previous visible frame (frame 2), then one interval up again.
    EXPECT_EQ(montage.TimeIndexOf(4), before + 1);
    EXPECT_EQ(montage.TimeIndexOf(4), montage.TimeIndexOf(2) + 2);
    EXPECT_EQ(montage.TimeIndexOf(5) - montage.TimeIndexOf(4), 1);
    EXPECT_GT(t, 0.0);
}

namespace {

// The frame count and size an AVI file's main header gives (0 when it has none).
struct TAviHeader
{
    quint32 Frames = 0, Width = 0, Height = 0;
};

TAviHeader ReadAviHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(4096);
    const qsizetype at = head.indexOf("avih");
    if (at < 0 || at + 48 > head.size())
        return {};
    const auto word = [&](qsizetype offset) {
        const auto* p = reinterpret_cast<const uchar*>(head.constData() + at + 8 + offset);
        return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
    };
    return {word(16), word(32), word(36)};
}

} // namespace

TEST_F(RoadFixture, SaveEditedVideoWritesBlanksCropsAndNeverReplacesAFile)
{
    // 25 frames a second with frames 10, 11 and 30 dropped: 47 frames, 3 empty slots once timed.
    const QString video = DroppedFramesClip();
    ASSERT_FALSE(video.isEmpty());
    Form->Options().CheckBox48AllowMontage = true;
    Form->OpenVideoFile(video);
    ASSERT_TRUE(Form->Video().IsOpen());
    QApplication::processEvents();
    Form->ClickButton(cmButtonModeMontage);
    ASSERT_EQ(Form->Video().Mode(), mvMontage);
    Form->MenuItem(cmMenuMesuresCreneaux)->trigger();
    ASSERT_EQ(Form->Montage().MissingSlotCount(), 3);
    QApplication::processEvents();
    ASSERT_TRUE(Form->Button(cmButtonMontageEnregistrer)->isEnabled());

    // The dialog: 47 images, 50 with the blanks; cropping 10 pixels left and 6 right gives 144 pixels.
    QStringList summaries;
    Form->RunRecordDialog = [&](TBoiteRecordMontage& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Save edited video to a file"));
        EXPECT_EQ(box.Pages->count(), 4);
        summaries << box.SummaryLines().join('\n');
        box.CheckBoxImgInsert->setChecked(true);
        box.CheckBoxChange->setChecked(true);
        box.RadioButtonCut->setChecked(true);
        box.SpinCropLeft->setValue(10);
        box.SpinCropRight->setValue(6);
        EXPECT_EQ(box.SpinCropLeft->maximum(), 160 - 20 - 6); // the minimum width is 20 (160 / 8)
        summaries << box.SummaryLines().join('\n');
        return true;
    };
    QFile taken(Dir.filePath(QStringLiteral("taken.avi")));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("someone's video");
    taken.close();
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("taken")), 1}); // ".avi" is added
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("edited")), 1});
    const size_t shownBefore = Messages->Shown.size();
    Messages->Answer(0);
    Messages->Answer(0);
    ASSERT_TRUE(Form->SaveEditedVideo());
    // After the long work the status fields show the state again.
    EXPECT_FALSE(Form->EditZoom()->text().isEmpty());
    EXPECT_FALSE(Form->EditMarque()->text().isEmpty());
    ASSERT_EQ(summaries.size(), 2);
    EXPECT_TRUE(summaries[0].contains(QStringLiteral("Total number of images: 47")))
        << summaries[0].toStdString();
    EXPECT_TRUE(summaries[0].contains(QStringLiteral("Missing frames: do nothing")));
    EXPECT_TRUE(summaries[1].contains(QStringLiteral("Total number of images: 50")));
    EXPECT_TRUE(summaries[1].contains(QStringLiteral("Image width in pixels: 144")));
    EXPECT_TRUE(summaries[1].contains(QStringLiteral("Cropped images: yes")));
    // The taken name was refused with its warning, and the second dialog proposed a free numbered name.
    ASSERT_EQ(Messages->Shown.size(), shownBefore + 2);
    EXPECT_EQ(Messages->Shown[shownBefore].Lines[2].Text,
              QStringLiteral("A file with this name already exists in the selected directory."));
    EXPECT_EQ(Messages->Shown.back().Lines[0].Text, QStringLiteral("File successfully saved:"));
    ASSERT_GE(Dialogs->FileRequests.size(), 2u);
    EXPECT_EQ(Dialogs->FileRequests.back().Title, QStringLiteral("Save a video file"));
    EXPECT_TRUE(Dialogs->FileRequests.back().FileName.startsWith(QStringLiteral("EditedVideo_1_")));
    EXPECT_EQ(Dialogs->FileRequests.back().InitialDir, Dir.path());
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), QByteArray("someone's video"));
    const TAviHeader avi = ReadAviHeader(Dir.filePath(QStringLiteral("edited.avi")));
    EXPECT_EQ(avi.Frames, 50u);
    EXPECT_EQ(avi.Width, 144u);
    EXPECT_EQ(avi.Height, 120u);
    EXPECT_TRUE(Form->Button(cmButtonMontageEnregistrer)->isEnabled()); // the commands are back

    // Cancel during the writing: a cancel is no error; nothing is left under the name.
    // (the click waits for the first progress report: the dialog is over by then)
    Form->RunRecordDialog = [this](TBoiteRecordMontage&) {
        QTimer::singleShot(0, Form->CancelButton(), &QPushButton::click);
        return true;
    };
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("cancelled.avi")), 1});
    Messages->Answer(0);
    EXPECT_FALSE(Form->SaveEditedVideo());
    EXPECT_EQ(Messages->Shown.back().Lines[0].Text, QStringLiteral("Saving cancelled; no file written."));
    EXPECT_EQ(Messages->Shown.back().Icon, icInformation);
    EXPECT_FALSE(QFileInfo::exists(Dir.filePath(QStringLiteral("cancelled.avi"))));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".avi")),
              QStringList({"edited.avi", "taken.avi"}));

    // The writer chosen is remembered in the settings file at exit.
    Form->Options().CheckBox3ConfirmationQuit = false;
    Form.reset();
    QFile ini(Dir.filePath(QStringLiteral("Kinotra.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("[Montage]"));
}

TEST_F(RoadFixture, FiguresOfTheResultsGraphsSurviveSaveAndReopen)
{
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    TGraph& trajectory = Form->ResForm().GraphPage(rpReferentiel)->Graph();
    TGraph& vectors = Form->ResForm().GraphPage(rpVecteur)->Graph();
    ASSERT_TRUE(trajectory.LoadConstructs({"Circle;0;-1;2;1;3;1", "Segment;255;-1;0.125;0;3;4"}));
    ASSERT_TRUE(vectors.LoadConstructs({"Segment;0;-1;5;0;5;3"}));
    const QStringList drawnTrajectory = trajectory.SaveConstructs();
    const QStringList drawnVectors = vectors.SaveConstructs();
    const QString project = Dir.filePath(QStringLiteral("figures.ktr"));
    Dialogs->FileAnswers.push_back({true, project, 1});
    Messages->Answer(0);
    ASSERT_TRUE(Form->SaveProject());
    EXPECT_EQ(
        TIniFile(project).ReadInteger(QStringLiteral("Constructs"), QStringLiteral("TrajectoryCount"), 0), 2);

    // Another video leaves no figure; the project brings them back.
    Messages->Answer(2); // "Ignore": saved already
    Form->OpenVideoFile(VideoPath);
    EXPECT_TRUE(trajectory.SaveConstructs().isEmpty());
    Messages->Answer(2);
    Form->OpenProject(project);
    EXPECT_EQ(trajectory.SaveConstructs(), drawnTrajectory);
    EXPECT_EQ(vectors.SaveConstructs(), drawnVectors);
    EXPECT_TRUE(Form->ResForm().GraphPage(rpTemps)->Graph().SaveConstructs().isEmpty());
}

TEST_F(RoadFixture, FrameDependentButtonsAndHintsFollowTheFrameShown)
{
    Form->Options().CheckBox48AllowMontage = true;
    Form->Options().CheckBox40ShowDialogBoxForHideImage = false;
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    QApplication::processEvents();
    Form->ClickButton(cmButtonModeMontage);
    ASSERT_EQ(Form->Video().Mode(), mvMontage);
    Form->Video().ShowFrame(3);
    QApplication::processEvents();
    Form->ClickButton(cmButtonMontageBasculer);
    ASSERT_FALSE(Form->Montage().IsVisible(3));
    QApplication::processEvents();
    // The frame time of a hidden frame cannot change; the view says what becomes of the frame.
    struct TStep
    {
        TCommandId Move;
        bool TimeEnabled;
        const char* Hint;
    };
    const TStep steps[] = {{cmNone, false, "will not appear"},
                           {cmButtonVideoSucc, true, "will be visible"},
                           {cmButtonVideoPred, false, "will not appear"}};
    for (const TStep& step : steps) {
        if (step.Move != cmNone)
            Form->ClickButton(step.Move);
        QApplication::processEvents();
        EXPECT_EQ(Form->Button(cmButtonMontageInstant)->isEnabled(), step.TimeEnabled) << step.Hint;
        EXPECT_TRUE(Form->Video().statusTip().contains(QLatin1String(step.Hint))) << step.Hint;
    }
}

TEST_F(RoadFixture, PauseStopsARunningTrackingEarly)
{
    Form->Options().CheckBox47AllowTracking = true;
    Form->OpenVideoFile(VideoPath);
    ASSERT_TRUE(Form->Video().IsOpen());
    Form->ClickButton(cmButtonModeTracking);
    ASSERT_EQ(Form->Video().Mode(), mvTracking);
    QApplication::processEvents();
    TVideoTracking& tracking = Form->Video().Tracking();
    Form->UpdateMenus();
    Form->MenuItem(cmMenuMesuresForme2)->trigger(); // a circle: centre, then a point of the circumference
    TVideo& view = Form->Video();
    const int cx = view.width() / 2, cy = view.height() / 2;
    ClickView(cx, cy);
    ClickView(cx + 20, cy);
    ASSERT_TRUE(tracking.Driver.OutlineDefined());
    const auto progress = tracking.OnProgress;
    int reports = 0;
    tracking.OnProgress = [&](int percent) {
        if (progress)
            progress(percent);
        if (++reports == 3)
            Form->ClickButton(cmButtonVideoPause);
    };
    Form->ClickButton(cmButtonTrackSuivi);
    for (int i = 0; i < 50 && tracking.Running(); ++i)
        QApplication::processEvents();
    EXPECT_FALSE(tracking.Running());
    EXPECT_GT(tracking.Driver.TrackedCount(), 0);
    EXPECT_LT(tracking.Driver.TrackedCount(), tracking.Driver.Frames); // stopped well before the end
}
