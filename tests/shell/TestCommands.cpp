// The command table: its rules as plain functions of the state, and the window's controls built from it
// (every row present, reached by id, later features disabled).
#include "shell/UnitCommands.h"

#include "common/UnitOptions.h"
#include "shell/UnitMainForm.h"
#include "shell/UnitMenus.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <vector>

namespace {

TCommandState OpenIn(TModeVideo mode)
{
    TCommandState s;
    s.Open = true;
    s.CommandsEnabled = true;
    s.Mode = mode;
    s.Tool = mode == mvRepereFixe ? 2 : 0; // the mark tool in the grid
    return s;
}

} // namespace

TEST(Commands, TableRowsAreNamedAndPlacedOnce)
{
    for (const TCommandRow& c : Commands()) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(CommandId(QString::fromLatin1(c.Name)), c.Id);
        if (c.Place == TCommandPlace::Menu) {
            EXPECT_LT(c.Parent, c.Id); // a menu comes before its items
        }
        if (c.Place == TCommandPlace::Popup) {
            ASSERT_NE(c.Target, cmNone);
            EXPECT_EQ(Command(c.Target).Place, TCommandPlace::ToolsBar);
        }
        if (c.Kind != TCommandKind::Submenu && c.Place != TCommandPlace::MenuBar && !c.Later) {
            EXPECT_NE(c.Handler, nullptr);
        }
    }
    EXPECT_EQ(CommandId(u"NoSuchControl"), cmNone);
    EXPECT_EQ(ShortHint(Command(cmButtonOutilPan)), QStringLiteral("Pan image"));
    EXPECT_EQ(LongHint(Command(cmButtonOutilPan)),
              QStringLiteral("Image zoom factor must be greater than 100%"));
}

TEST(Commands, RulesFollowModeVideoToolAndOptions)
{
    TCommandState closed;
    TCommandState grid = OpenIn(mvRepereFixe);
    TCommandState layer = OpenIn(mvTransparent);
    TCommandState capture = OpenIn(mvCapture);
    TCommandState separate = grid;
    separate.SeparateScales = true;
    TCommandState oneScalePoint = grid;
    oneScalePoint.Tool = 1; // otEchelle
    oneScalePoint.ScalePoints[0] = 1;
    TCommandState twoScalePoints = grid;
    twoScalePoints.ScalePoints[0] = 2;
    TCommandState tracking = OpenIn(mvTracking);
    tracking.Objects = 2;
    TCommandState editingAllowed = grid;
    editingAllowed.AllowMontage = true;
    TCommandState editing = OpenIn(mvMontage);
    TCommandState editingVisible = editing;
    editingVisible.MontageCurrentVisible = true;
    // Automatic marking with two objects: the current one has nothing, the other an outline.
    TCommandState trackingOther = tracking;
    trackingOther.TrackAnyObject = true;
    TCommandState trackingRunning = trackingOther;
    trackingRunning.TrackRunning = true;
    TCommandState closedStudio;
    closedStudio.Mode = mvStudio;
    closedStudio.AllowCapture = closedStudio.AllowStudio = true;

    struct Case
    {
        const char* What;
        TCommandId Id;
        const TCommandState& State;
        bool Visible, Enabled;
    };
    const Case cases[] = {
        {"close needs a video", cmMenuFichierFermerVideo, closed, true, false},
        {"close with a video", cmMenuFichierFermerVideo, grid, true, true},
        {"file items hide in capture", cmMenuFichierOuvrir, capture, false, true},
        {"quit always", cmMenuFichierQuitter, capture, true, true},
        {"display menu off in capture", cmMenuAffichage, capture, true, false},
        {"undo without anything to undo", cmMenuAffichageAnnuler, grid, true, false},
        {"reverse axis on a layer not placed", cmMenuMesuresInverserAxeX, layer, true, true},
        {"reverse axis without a grid", cmMenuMesuresInverserAxeX, grid, true, false},
        {"scale length needs two points", cmMenuMesuresValeurEchelle, grid, true, false},
        {"scale length with two points", cmMenuMesuresValeurEchelle, twoScalePoints, true, true},
        {"scale length hides with separate scales", cmMenuMesuresValeurEchelle, separate, false, false},
        {"vertical scale button with separate scales", cmButtonOutilEchelleVert, separate, true, true},
        {"normal scale button hides then", cmButtonOutilEchelle, separate, false, true},
        {"scale pop-up item hides then", cmPopupMenuEchelle, separate, false, true},
        {"mark tool in the grid", cmButtonOutilMarque, grid, true, true},
        {"mark tool without a video", cmButtonOutilMarque, closed, true, false},
        {"layer tool only on the layer", cmButtonOutilTsp, grid, false, true},
        {"layer mode with a video", cmButtonModeTransparent, grid, true, true},
        {"layer mode without a video", cmButtonModeTransparent, closed, true, false},
        {"navigation between two scale ends", cmButtonVideoSucc, oneScalePoint, true, false},
        {"navigation hidden in capture", cmButtonVideoSucc, capture, false, false},
        {"object number with two objects", cmButtonTrackNumMarque, tracking, true, true},
        {"datasheet hidden while its option is off", cmButtonMenuTableau, grid, false, true},
        {"names tool", cmButtonOutilNom, grid, true, true},
        {"options", cmMenuAffichageOptions, grid, true, true},
        {"outline shape", cmMenuMesuresForme, tracking, true, true},
        {"tracking pop-up follows its button", cmPopupMenuTrackContour, tracking, true, true},
        {"tracking erasers wait for something to erase", cmButtonTrackEffacerContour, tracking, true, false},
        {"editing mode with a video", cmButtonModeMontage, editingAllowed, true, true},
        {"series of frames in the editing mode", cmButtonMontageBasculerMult, editing, true, true},
        {"save of the edited video in the editing mode", cmButtonMontageEnregistrer, editing, true, true},
        {"dropped frames' times wait for dropped frames", cmMenuMesuresCreneaux, editing, true, false},
        {"time between two frames in the editing mode too", cmMenuMesuresTemps, editing, true, true},
        {"frame keys between two scale ends", cmMenuAffichageAllerSuivante, oneScalePoint, true, false},
        {"results item while no results button is shown", cmMenuMesuresResultats, grid, true, false},
        {"undo without a video", cmMenuAffichageAnnuler, closed, true, false},
        {"scale item with one point set", cmMenuAffichageEffacerEchelle, oneScalePoint, true, true},
        {"scale item without a point", cmMenuAffichageEffacerEchelle, grid, true, false},
        {"layer item waits for layer marks", cmMenuAffichageEffacerTransparent, layer, true, false},
        {"frame time on a hidden frame", cmButtonMontageInstant, editing, true, false},
        {"frame time on a visible frame", cmButtonMontageInstant, editingVisible, true, true},
        {"erase all in tracking with nothing anywhere", cmMenuAffichageEffacerTout, tracking, true, false},
        {"erase all in tracking: another object's outline", cmMenuAffichageEffacerTout, trackingOther, true,
         true},
        {"erase all waits for the end of a run", cmMenuAffichageEffacerTout, trackingRunning, true, false},
        {"the current object's outline item ignores the others", cmMenuAffichageEffacerContour, trackingOther,
         true, false},
        {"pause stops a tracking run, so it stays usable", cmButtonVideoPause, trackingRunning, true, true},
        {"start/stop stays usable during a run", cmButtonTrackSuivi, trackingRunning, true, true},
        {"outline tool waits for the end of a run", cmButtonTrackContour, trackingRunning, true, false},
        {"capture mode without a video", cmButtonModeCapture, closedStudio, true, true},
        {"studio mode without a video", cmButtonModeStudio, closedStudio, true, true},
        {"images to video without a video", cmButtonStudioP2v, closedStudio, true, true},
        {"still image needs a video", cmButtonStudioCapture, closedStudio, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CommandVisible(c.Id, c.State), c.Visible) << c.What;
        EXPECT_EQ(CommandEnabled(c.Id, c.State), c.Enabled) << c.What;
    }
    TCommandState shown = grid;
    shown.ShowResults[0] = true;
    EXPECT_TRUE(CommandVisible(cmButtonMenuTableau, shown));
    EXPECT_FALSE(CommandVisible(cmButtonMenuTableau, OpenIn(mvStudio)));

    // Captions and checks read the state.
    EXPECT_EQ(CommandCaption(cmMenuAffichageAnnuler, closed), QStringLiteral("&Cancel  (Ctrl A)"));
    grid.UndoCaption = QStringLiteral("Cancel mark");
    EXPECT_EQ(CommandCaption(cmMenuAffichageAnnuler, grid), QStringLiteral("&Cancel mark  (Ctrl A)"));
    grid.Objects = 5;
    EXPECT_TRUE(CommandChecked(cmMenuMesuresNbMarqueParImage4, grid));
    EXPECT_FALSE(CommandChecked(cmMenuMesuresNbMarqueParImage1, grid));
}

// A bar button whose enabling reads what changes while the view is repainted (the frame shown in the
// editing mode, the studio's outlines, the tracking's outline, zones and positions) must be refreshed at
// every repaint, or it keeps the state of the last command.
TEST(Commands, ButtonsThatFollowTheFrameAreRefreshedAtEveryRepaint)
{
    const auto perFrameChange = [](TCommandState s) {
        s.MontageCurrentVisible = !s.MontageCurrentVisible;
        s.StudioOutlines = s.StudioOutlines > 0 ? 0 : 1;
        s.TrackOutline = !s.TrackOutline;
        s.TrackZones = !s.TrackZones;
        s.TrackTracked = !s.TrackTracked;
        return s;
    };
    int perFrame = 0;
    for (TModeVideo mode : {mvMontage, mvStudio, mvTracking}) {
        const TCommandState before = OpenIn(mode);
        const TCommandState after = perFrameChange(before);
        for (const TCommandRow& c : Commands()) {
            // Menus apply their rules each time they open; hidden buttons wait for their mode.
            if (c.Place == TCommandPlace::MenuBar || c.Place == TCommandPlace::Menu ||
                c.Place == TCommandPlace::Popup || !CommandVisible(c.Id, before))
                continue;
            SCOPED_TRACE(c.Name);
            if (CommandEnabled(c.Id, before) != CommandEnabled(c.Id, after)) {
                EXPECT_TRUE(c.PerFrame);
                ++perFrame;
            }
        }
    }
    // The frame-time button, the chronophotography and the three erasers of the tracking.
    EXPECT_EQ(perFrame, 5);
}

// The menus built from the table: opening one applies the rules of the state at that moment, radio items
// of a submenu exclude each other, and a triggered item runs its command id.
TEST(Commands, MenusApplyTheStateTheyAreOpenedIn)
{
    QWidget window; // owns the bar and the pop-up menu
    auto* bar = new QMenuBar(&window);
    std::vector<TCommandId> run;
    TMenus menus(*bar, window, [&run](TCommandId id) { run.push_back(id); });

    menus.Apply(OpenIn(mvCapture));
    EXPECT_FALSE(menus.Action(cmMenuAffichage)->isEnabled());
    EXPECT_FALSE(menus.Action(cmMenuMesures)->isEnabled());
    EXPECT_FALSE(menus.Action(cmMenuFichierOuvrir)->isVisible());
    EXPECT_TRUE(menus.Action(cmMenuFichierQuitter)->isVisible());

    TCommandState grid = OpenIn(mvRepereFixe);
    grid.Objects = 5;
    grid.UndoCaption = QStringLiteral("Cancel mark");
    menus.Apply(grid);
    EXPECT_TRUE(menus.Action(cmMenuAffichage)->isEnabled());
    EXPECT_TRUE(menus.Action(cmMenuFichierOuvrir)->isVisible());
    EXPECT_EQ(menus.Action(cmMenuAffichageAnnuler)->text(), QStringLiteral("&Cancel mark  (Ctrl A)"));
    EXPECT_TRUE(menus.Action(cmMenuAffichageAnnuler)->isEnabled());
    EXPECT_TRUE(menus.Action(cmMenuMesuresNbMarqueParImage4)->isChecked());
    EXPECT_FALSE(menus.Action(cmMenuMesuresNbMarqueParImage1)->isChecked());

    menus.Action(cmMenuMesuresNbMarqueParImage2)->trigger();
    EXPECT_TRUE(menus.Action(cmMenuMesuresNbMarqueParImage2)->isChecked());
    EXPECT_FALSE(menus.Action(cmMenuMesuresNbMarqueParImage4)->isChecked());
    ASSERT_EQ(run.size(), 1u);
    EXPECT_EQ(run[0], cmMenuMesuresNbMarqueParImage2);

    // Without a video the undo item reads its plain caption and is off; the pop-up follows its buttons.
    menus.Apply(TCommandState());
    EXPECT_EQ(menus.Action(cmMenuAffichageAnnuler)->text(), QStringLiteral("&Cancel  (Ctrl A)"));
    EXPECT_FALSE(menus.Action(cmMenuAffichageAnnuler)->isEnabled());
    menus.ApplyPopup(TCommandState());
    EXPECT_FALSE(menus.Action(cmPopupMenuMarque)->isEnabled());
    menus.ApplyPopup(grid);
    EXPECT_TRUE(menus.Action(cmPopupMenuMarque)->isEnabled());
    EXPECT_FALSE(menus.Action(cmPopupMenuTsp)->isVisible());
}

TEST(Commands, EveryRowHasItsControlInTheWindow)
{
    TScriptedUserDlgScope messages;
    QTemporaryDir dir;
    TMainForm form(dir.filePath(QStringLiteral("Kinotra.ini")));
    form.Options().CheckBox3ConfirmationQuit = false;
    form.show();
    QApplication::processEvents();
    form.UpdateMenus();
    for (const TCommandRow& c : Commands()) {
        SCOPED_TRACE(c.Name);
        QObject* control = nullptr;
        switch (c.Place) {
        case TCommandPlace::ModeBar:
        case TCommandPlace::ToolsBar:
        case TCommandPlace::ResultsBar:
        case TCommandPlace::Navigation:
            control = form.Button(c.Id);
            EXPECT_EQ(form.Button(c.Id)->toolTip(), ShortHint(c));
            break;
        default:
            control = form.MenuItem(c.Id);
            EXPECT_EQ(form.MenuItem(c.Id)->text(), CommandCaption(c.Id, form.CommandState()));
            break;
        }
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->objectName(), QLatin1String(c.Name));
        if (c.Later) {
            const bool enabled = c.Place == TCommandPlace::Menu || c.Place == TCommandPlace::Popup
                                     ? form.MenuItem(c.Id)->isEnabled()
                                     : form.Button(c.Id)->isEnabled();
            EXPECT_FALSE(enabled);
        }
    }
    // Items sit in their menus in the order of the table.
    const QList<QAction*> shapes = form.MenuItem(cmMenuMesuresForme)->menu()->actions();
    ASSERT_EQ(shapes.size(), 3);
    EXPECT_EQ(shapes[2]->text(), QStringLiteral("&circle"));
    EXPECT_EQ(form.PopupMenu()->actions().size(), 12);
}

// Every menu, submenu and pop-up item has an underlined letter, and no two items of one menu share it,
// whatever the mode shows of them.
TEST(Commands, EveryMenuItemHasAMnemonicOfItsOwnInItsMenu)
{
    std::map<int, std::map<QChar, const char*>> letters; // menu (cmNone: the bar; cmCount: the pop-up)
    for (const TCommandRow& c : Commands()) {
        if (c.Place != TCommandPlace::MenuBar && c.Place != TCommandPlace::Menu &&
            c.Place != TCommandPlace::Popup)
            continue;
        const QString caption = CommandCaption(c.Id, TCommandState());
        const qsizetype amp = caption.indexOf(QLatin1Char('&'));
        ASSERT_TRUE(amp >= 0 && amp + 1 < caption.size()) << c.Name;
        const QChar letter = caption.at(amp + 1).toLower();
        const int menu = c.Place == TCommandPlace::Popup ? int(cmCount) : int(c.Parent);
        const auto [at, fresh] = letters[menu].emplace(letter, c.Name);
        EXPECT_TRUE(fresh) << c.Name << " and " << at->second << " share " << letter.toLatin1();
    }
}
