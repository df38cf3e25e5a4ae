// The main window from the keyboard: the menu bar (Alt, F10, underlined letters), the shortcuts, Enter at
// the pointer, and the whole road from opening a video to the results and quitting without the mouse.
#include "MainFormFixture.h"
#include "shell/UnitMainForm.h"

#include "common/UnitOptions.h"
#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "shell/UnitCommands.h"
#include "support/TestSupport.h"
#include "video/UnitVideo.h"
#include "video/UnitVideoSources.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <map>

namespace {

struct KeyboardFixture : TMainFormFixture
{
    void SetUp() override
    {
        TMainFormFixture::SetUp();
        if (HasFatalFailure())
            return;
        QApplication::setActiveWindow(Form.get());
        QApplication::processEvents();
    }

    void TearDown() override
    {
        CloseMenus();
        TMainFormFixture::TearDown();
    }

    // A key as the window system delivers it: the shortcuts first, then the widget that has the focus.
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* target = QApplication::activePopupWidget();
        if (!target)
            target = QApplication::focusWidget() ? QApplication::focusWidget() : Form.get();
        QTest::keyClick(target, Qt::Key(key), mods);
        QApplication::processEvents();
    }
    // Alt pressed and released alone.
    void AltAlone()
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Form.get();
        QTest::keyPress(target, Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(target, Qt::Key_Alt, Qt::NoModifier);
        QApplication::processEvents();
    }
    QMenu* OpenMenu() const { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    void CloseMenus()
    {
        while (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            QApplication::processEvents();
        }
    }
    // The pointer of the view, where Enter acts (view pixels).
    void PointAt(int x, int y) { Form->Video().ViewMouseMove(Qt::NoModifier, x, y); }
    void OpenVideo()
    {
        Form->OpenVideoFile(VideoPath);
        ASSERT_TRUE(Form->Video().IsOpen());
    }
};

} // namespace

TEST_F(KeyboardFixture, AltF10AndTheUnderlinedLettersReachTheMenusWithAVideoOpen)
{
    OpenVideo();
    PointAt(200, 200);
    struct Case
    {
        const char* Name;
        std::function<void()> Press;
        TCommandId Menu;
    };
    const Case cases[] = {
        {"Alt+F", [&] { Key(Qt::Key_F, Qt::AltModifier); }, cmMenuFichier},
        {"Alt+D", [&] { Key(Qt::Key_D, Qt::AltModifier); }, cmMenuAffichage},
        {"Alt+M", [&] { Key(Qt::Key_M, Qt::AltModifier); }, cmMenuMesures},
        {"Alt+H", [&] { Key(Qt::Key_H, Qt::AltModifier); }, cmMenuAide},
        {"F10", [&] { Key(Qt::Key_F10); }, cmMenuFichier},
        {"Alt alone", [&] { AltAlone(); }, cmMenuFichier},
    };
    const TData& data = Form->Data();
    for (const Case& c : cases) {
        ASSERT_EQ(OpenMenu(), nullptr) << c.Name;
        c.Press();
        ASSERT_NE(OpenMenu(), nullptr) << c.Name;
        EXPECT_EQ(OpenMenu()->objectName(), QString::fromLatin1(Command(c.Menu).Name)) << c.Name;
        CloseMenus();
        EXPECT_EQ(data.MarksCount(), 0) << c.Name; // the view never saw the key
    }
    // An underlined letter inside an open menu runs its item: Alt+F, O, V asks for a video file.
    Dialogs->FileAnswers.push_back({false, QString(), 1});
    Key(Qt::Key_F, Qt::AltModifier);
    Key(Qt::Key_O);
    Key(Qt::Key_V);
    ASSERT_EQ(Dialogs->FileRequests.size(), 1u);
    EXPECT_EQ(Dialogs->FileRequests[0].Title, QStringLiteral("Open video file"));
    CloseMenus();

    // With several objects per frame the mark tool keeps Alt alone for the next object; Alt with a
    // letter still opens the menu, and changes no object.
    Form->Data().SetNbObjets(2);
    ASSERT_EQ(Form->Data().Outil, otMarque);
    const int object = Form->Data().CurrentObject();
    AltAlone();
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_EQ(Form->Data().CurrentObject(), (object + 1) % 2);
    Key(Qt::Key_F, Qt::AltModifier);
    EXPECT_NE(OpenMenu(), nullptr);
    EXPECT_EQ(Form->Data().CurrentObject(), (object + 1) % 2);
    EXPECT_TRUE(Messages->Unexpected.empty());
}

TEST_F(KeyboardFixture, ShortcutsActAsTheirMenuItemsAndOnlyWhenTheyAreEnabled)
{
    // Without a video: Ctrl+O asks for a video, Ctrl+W and the frame keys do nothing.
    Dialogs->FileAnswers.push_back({true, VideoPath, 1});
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(Dialogs->FileRequests.size(), 1u);
    ASSERT_TRUE(Form->Video().IsOpen());
    TVideo& view = Form->Video();
    EXPECT_EQ(view.CurrentPosition(), 0);

    // Frames: PageDown, PageUp, End, Home; the arrows move the pointer in the marking modes.
    const struct
    {
        int Key;
        int Position;
    } steps[] = {{Qt::Key_PageDown, 1}, {Qt::Key_PageDown, 2}, {Qt::Key_PageUp, 1},
                 {Qt::Key_End, 49},     {Qt::Key_Home, 0},     {Qt::Key_Right, 0}};
    for (const auto& step : steps) {
        Key(step.Key);
        EXPECT_EQ(view.CurrentPosition(), step.Position) << step.Key;
    }
    // In the editing mode the arrows step through the frames.
    Form->ClickButton(cmButtonModeMontage);
    ASSERT_EQ(view.Mode(), mvMontage);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Key(Qt::Key_Left);
    EXPECT_EQ(view.CurrentPosition(), 1);
    Form->ClickButton(cmButtonModeRepereFixe);

    // A mark, then Ctrl+Z takes it back (Ctrl+A as well).
    PointAt(100, 100);
    Key(Qt::Key_Return);
    ASSERT_EQ(Form->Data().MarksCount(), 1);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Form->Data().MarksCount(), 0);
    Key(Qt::Key_Return);
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Form->Data().MarksCount(), 0);
    // Between the two ends of a scale the frame keys do nothing, as the navigation buttons.
    Form->ClickButton(cmButtonOutilEchelle);
    const int position = view.CurrentPosition();
    PointAt(40, 300);
    Key(Qt::Key_Return);
    ASSERT_EQ(Form->Data().Echelle->PointsNumber(0), 1);
    Key(Qt::Key_PageDown);
    Key(Qt::Key_End);
    EXPECT_EQ(view.CurrentPosition(), position);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Form->Data().Echelle->PointsNumber(0), 0);

    // Ctrl+S saves, Ctrl+W closes (nothing left to save), Ctrl+Q quits.
    Form->ClickButton(cmButtonOutilMarque);
    Key(Qt::Key_Return);
    const QString project = Dir.filePath(QStringLiteral("keys.ktr"));
    Dialogs->FileAnswers.push_back({true, project, 1});
    Messages->Answer(0); // "File successfully saved:"
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFileInfo::exists(project));
    EXPECT_FALSE(Form->WorkModified());
    Key(Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(Form->Video().IsOpen());
    Messages->Answer(0); // "Cancel closing / Exit program now": Cancel
    Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Messages->Shown.back().ButtonCaptions(), (QStringList{"Cancel", "Quit"}));

    // The menus show the keys.
    const std::map<TCommandId, QString> shown = {
        {cmMenuFichierOuvrirVideo, "Ctrl+O"},     {cmMenuFichierEnregistrer, "Ctrl+S"},
        {cmMenuFichierFermerVideo, "Ctrl+W"},     {cmMenuFichierQuitter, "Ctrl+Q"},
        {cmMenuAffichageAnnuler, "Ctrl+Z"},       {cmMenuAideAide, "F1"},
        {cmMenuMesuresResultats, "Ctrl+R"},       {cmMenuAffichageAllerSuivante, "PgDown"},
        {cmMenuAffichageAllerPrecedente, "PgUp"}, {cmMenuAffichageAllerPremiere, "Home"},
        {cmMenuAffichageAllerDerniere, "End"}};
    for (const auto& [id, key] : shown)
        EXPECT_EQ(Form->MenuItem(id)->shortcut(), QKeySequence(key)) << Command(id).Name;
    EXPECT_TRUE(Messages->Unexpected.empty());
}

TEST_F(KeyboardFixture, EnterPutsAMarkOnlyWithThePointerOnThePicture)
{
    OpenVideo();
    TVideo& view = Form->Video();
    const QSize picture = view.size();
    // Outside the picture (left of it, beyond its right edge, below it): nothing placed, nothing advanced.
    for (const QPoint outside :
         {QPoint(-3, 100), QPoint(picture.width() + 20, 100), QPoint(100, picture.height())}) {
        PointAt(outside.x(), outside.y());
        Key(Qt::Key_Return);
        EXPECT_EQ(Form->Data().MarksCount(), 0) << outside.x() << "," << outside.y();
        EXPECT_EQ(view.CurrentPosition(), 0);
    }
    // The pointer moved back onto the picture with Ctrl+arrows: the mark goes where it points.
    PointAt(picture.width() + 20, 100);
    for (int i = 0; i < 3; ++i) // the first step brings the pointer onto the edge of the view
        Key(Qt::Key_Left, Qt::ControlModifier);
    Key(Qt::Key_Return);
    ASSERT_EQ(Form->Data().MarksCount(), 1);
    EXPECT_EQ(view.CurrentPosition(), 1);
    const TPointRel at = Form->Data().MarquesRep->AllMarks.front()->GetPosition();
    EXPECT_LT(at.X, 1.0);
    EXPECT_NEAR(at.X, view.ToRelative(picture.width() - 21, 100).X, 1e-9);
}

TEST_F(KeyboardFixture, FromAVideoToTheResultsAndOutWithTheKeyboardAlone)
{
    // Open: Alt+F, O, V and the file dialog.
    Dialogs->FileAnswers.push_back({true, VideoPath, 1});
    Key(Qt::Key_F, Qt::AltModifier);
    Key(Qt::Key_O);
    Key(Qt::Key_V);
    ASSERT_TRUE(Form->Video().IsOpen());
    TVideo& view = Form->Video();
    // Calibrate: Space opens the tool menu at the pointer, C chooses "Calibrate an object"; the pointer
    // moves with Ctrl+arrows; Enter sets each end; the length is typed.
    PointAt(100, 300);
    Key(Qt::Key_Space);
    ASSERT_NE(OpenMenu(), nullptr);
    Key(Qt::Key_C);
    ASSERT_EQ(Form->Data().Outil, otEchelle);
    Key(Qt::Key_Return);
    for (int i = 0; i < 30; ++i)
        Key(Qt::Key_Right, Qt::ControlModifier);
    Dialogs->ValueTyping.push_back(QStringLiteral("0.5"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(Form->Data().ScaleDefined());
    // The origin: Space, S ("Choose a coordinate system"), Enter.
    Key(Qt::Key_Space);
    Key(Qt::Key_S);
    ASSERT_EQ(Form->Data().Outil, otOrigine);
    Key(Qt::Key_Return);
    ASSERT_TRUE(Form->Data().RepereFixe->Defined());
    // Five marks: Space, M ("Set video marks"), then Enter and a few pixels each time.
    Key(Qt::Key_Space);
    Key(Qt::Key_M);
    ASSERT_EQ(Form->Data().Outil, otMarque);
    for (int i = 0; i < 5; ++i) {
        Key(Qt::Key_Right, Qt::ControlModifier);
        Key(Qt::Key_Return);
    }
    EXPECT_EQ(Form->Data().MarksCount(), 5);
    EXPECT_EQ(view.CurrentPosition(), 5);
    // The results: Ctrl+R; the reminder about names answered with the keyboard's Escape ("Cancel"), then
    // Alt+M, R and "Ignore".
    Messages->Escape();
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(PagesShown.isEmpty());
    Messages->Answer(2);
    Key(Qt::Key_M, Qt::AltModifier);
    Key(Qt::Key_R);
    EXPECT_EQ(PagesShown, QStringList{QStringLiteral("ButtonMenuTableau")});
    // Quit: Alt+F, Q; "Save" and the save dialog, then the program ends.
    Messages->Answer(0); // Save
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("road.ktr")), 1});
    Messages->Answer(0); // "File successfully saved:"
    Key(Qt::Key_F, Qt::AltModifier);
    Key(Qt::Key_Q);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_TRUE(QFileInfo::exists(Dir.filePath(QStringLiteral("road.ktr"))));
    EXPECT_TRUE(Messages->Answers.empty());
    EXPECT_TRUE(Messages->Unexpected.empty());
}
