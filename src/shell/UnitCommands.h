// The main window's commands as data: one row per menu item, button and pop-up item, with its caption,
// hint, picture, place, rules of visibility, enabling and checking, and the window's handler.
#pragma once

#include "common/UnitTypes.h"

#include <QString>
#include <span>

class TMainForm;

// One id per command, in the order of the table. Names follow the controls ("ButtonOutilMarque" is
// cmButtonOutilMarque).
enum TCommandId : int
{
    cmNone = -1,
    // Menu bar
    cmMenuFichier,
    cmMenuFichierOuvrir,
    cmMenuFichierOuvrirVideo,
    cmMenuFichierOuvrirKtr,
    cmMenuFichierRecent,
    cmMenuFichierRechercher,
    cmMenuFichierFermerVideo,
    cmMenuFichierEnregistrer,
    cmMenuFichierProprietes,
    cmMenuFichierQuitter,
    cmMenuAffichage,
    cmMenuAffichageAnnuler,
    cmMenuAffichageLoupe,
    cmMenuAffichageCacherImage,
    cmMenuAffichageAller,
    cmMenuAffichageAllerDerniereImagePointee,
    cmMenuAffichageAllerImageNumero,
    cmMenuAffichageAllerDouteuse,
    cmMenuAffichageAllerPremiere,
    cmMenuAffichageAllerPrecedente,
    cmMenuAffichageAllerSuivante,
    cmMenuAffichageAllerDerniere,
    cmMenuAffichageCouleur,
    cmMenuAffichageTaille,
    cmMenuAffichageTaille0,
    cmMenuAffichageTaille1,
    cmMenuAffichageTaille2,
    cmMenuAffichageNumeroter,
    cmMenuAffichageNumeroter0,
    cmMenuAffichageNumeroter1,
    cmMenuAffichageNumeroter2,
    cmMenuAffichageDessiner,
    cmMenuAffichageDessinerDerniere,
    cmMenuAffichageDessinerToutes,
    cmMenuAffichageDessinerAutres,
    cmMenuAffichageDessinerObjets,
    cmMenuAffichageEffacer,
    cmMenuAffichageEffacerContour,
    cmMenuAffichageEffacerMarques,
    cmMenuAffichageEffacerBanZones,
    cmMenuAffichageEffacerTransparent,
    cmMenuAffichageEffacerRepere,
    cmMenuAffichageEffacerEchelle,
    cmMenuAffichageEffacerTout,
    cmMenuAffichageOptions,
    cmMenuMesures,
    cmMenuMesuresForme,
    cmMenuMesuresForme0,
    cmMenuMesuresForme1,
    cmMenuMesuresForme2,
    cmMenuMesuresEspace,
    cmMenuMesuresEspace20,
    cmMenuMesuresEspace40,
    cmMenuMesuresEspace60,
    cmMenuMesuresEspaceAutres,
    cmMenuMesuresZone,
    cmMenuMesuresTemps,
    cmMenuMesuresCreneaux,
    cmMenuMesuresNbMarqueParImage,
    cmMenuMesuresNbMarqueParImage1,
    cmMenuMesuresNbMarqueParImage2,
    cmMenuMesuresNbMarqueParImage3,
    cmMenuMesuresNbMarqueParImage4,
    cmMenuMesuresNbImagesEntreMarques,
    cmMenuMesuresNbImagesEntreMarques1,
    cmMenuMesuresNbImagesEntreMarquesN,
    cmMenuMesuresValeurEchelle,
    cmMenuMesuresValeurEchelleVert,
    cmMenuMesuresValeurEchelleHoriz,
    cmMenuMesuresAngleRotation,
    cmMenuMesuresInverserAxeX,
    cmMenuMesuresInverserAxeY,
    cmMenuMesuresResultats,
    cmMenuMesuresCalculatrice,
    cmMenuAide,
    cmMenuAideAide,
    cmMenuAideAPropos,
    // Mode buttons, left to right
    cmButtonModeRepereFixe,
    cmButtonModeTransparent,
    cmButtonModeMontage,
    cmButtonModeTracking,
    cmButtonModeCapture,
    cmButtonModeStudio,
    // Tool buttons, top to bottom
    cmButtonOutilZoom,
    cmButtonOutilPan,
    cmButtonOutilEchelle,
    cmButtonOutilEchelleVert,
    cmButtonOutilEchelleHoriz,
    cmButtonOutilMarque,
    cmButtonOutilOrigine,
    cmButtonOutilTsp,
    cmButtonTrackContour,
    cmButtonTrackBanZone,
    cmButtonOutilDeplacer,
    cmButtonOutilEffacer,
    cmButtonStudioContour,
    cmButtonStudioEffacerContour,
    cmButtonOutilNom,
    cmButtonMontageBasculer,
    cmButtonMontageBasculerMult,
    cmButtonMontageInstant,
    cmButtonMontageEnregistrer,
    cmButtonCapDevice,
    cmButtonCapConfigurer,
    cmButtonCapFormat,
    cmButtonCapVitesse,
    cmButtonCapCompression,
    cmButtonCapTimer,
    cmButtonCapEnregistrer,
    cmButtonTrackNumMarque,
    cmButtonTrackSequence,
    cmButtonTrackSuivi,
    cmButtonTrackEffacerContour,
    cmButtonTrackEffacerTrack,
    cmButtonTrackEffacerBanZone,
    cmButtonStudioChronoPhoto,
    cmButtonStudioCapture,
    cmButtonStudioV2p,
    cmButtonStudioP2v,
    // Results buttons
    cmButtonMenuTableau,
    cmButtonMenuTemps,
    cmButtonMenuReferentiel,
    cmButtonMenuVecteur,
    cmButtonMenuFormule,
    // Navigation buttons of the panel (the track bar lies between Pred and Succ)
    cmButtonVideoLecture,
    cmButtonVideoPause,
    cmButtonVideoRetour,
    cmButtonVideoPred,
    cmButtonVideoSucc,
    cmButtonVideoAvance,
    // Pop-up tool menu (Space key)
    cmPopupMenuZoom,
    cmPopupMenuPan,
    cmPopupMenuMarque,
    cmPopupMenuEchelle,
    cmPopupMenuEchelleVert,
    cmPopupMenuEchelleHoriz,
    cmPopupMenuOrigine,
    cmPopupMenuTsp,
    cmPopupMenuDeplacer,
    cmPopupMenuEffacer,
    cmPopupMenuTrackContour,
    cmPopupMenuTrackBanZone,
    cmCount
};

// Where a command's control lives.
enum class TCommandPlace : std::uint8_t
{
    MenuBar,    // a menu of the menu bar
    Menu,       // an item (or a submenu) of the menu named by Parent
    ModeBar,    // a button of the mode bar
    ToolsBar,   // a button of the tools bar
    ResultsBar, // a button of the results bar
    Navigation, // a button of the navigation panel
    Popup,      // an item of the pop-up tool menu; Target is its button
};

enum class TCommandKind : std::uint8_t
{
    Plain,
    Check,   // a checkable menu item or button
    Radio,   // one of the exclusive items of its submenu
    Submenu, // a submenu; its items name it as Parent
};

// What the rules read: a copy of the state of the window and of the work, taken when the rules run.
struct TCommandState
{
    bool Open = false;            // a video is open
    bool CommandsEnabled = false; // the flag of the last EnableCommands
    TModeVideo Mode = mvRepereFixe;
    int Tool = 0;     // the data's TOutil
    int ViewTool = 0; // the view's TOutilVue: 0 none, 1 zoom, 2 pan
    bool SeparateScales = false;
    bool AllowMontage = false, AllowTracking = false, AllowCapture = false, AllowStudio = false;
    bool ShowResults[5] = {}; // options showing the five results buttons, in their order
    int Objects = 1;          // objects per frame of the active list
    int ScaleKind = 0;        // 0 normal, 1 horizontal, 2 vertical
    int ScalePoints[3] = {};  // points of each scale kind
    int Marks = 0;            // marks of the active list
    bool GridDefined = false;
    bool HasRecent = false;
    bool CanSave = true;
    QString UndoCaption; // empty: nothing to undo (or no video)
    bool LoupeVisible = false;
    bool HideFrame = false;
    int ElementSize = 0;
    int Numbering = 0;
    bool AllDrawn = false;
    int NumberToDraw = 1;
    int FramesBetweenMarks = 1;
    bool ReversedX = false, ReversedY = false;
    // Automatic marking: the drawing tool (0 none, 1 outline, 2 zone to ignore), the outline shape, the
    // search radius and whether its zone is shown, a run going on, and what the current object has.
    int TrackTool = 0;
    int TrackShape = 0;
    int TrackRadius = 40;
    bool TrackZoneShown = false;
    bool TrackRunning = false;
    bool TrackOutline = false, TrackZones = false, TrackTracked = false, TrackDoubtful = false;
    // Some object, not only the current one, has an outline, a zone to ignore or tracked frames: erasing
    // everything has work to do.
    bool TrackAnyObject = false;
    // Video editing: the current frame is visible; dropped frames found in the file's timestamps whose
    // slots have no time shift yet.
    bool MontageCurrentVisible = false;
    int MissingSlots = 0;
    // The studio: its tool (0 none, 1 draw an outline, 2 erase outlines), its outlines and whether a
    // conversion runs. The capture: a recording (or its delay) runs.
    int StudioTool = 0;
    int StudioOutlines = 0;
    bool StudioRunning = false;
    bool CaptureRecording = false;

    bool Marking() const { return Mode == mvRepereFixe || Mode == mvTransparent; }
    int CurrentScalePoints() const { return ScalePoints[ScaleKind < 0 || ScaleKind > 2 ? 0 : ScaleKind]; }
};

using TCommandRule = bool (*)(const TCommandState&);
using TCommandHandler = void (TMainForm::*)(TCommandId);

struct TCommandRow
{
    TCommandId Id = cmNone;
    const char* Name = ""; // the control's name
    TCommandPlace Place = TCommandPlace::Menu;
    TCommandId Parent = cmNone; // menus: the menu or submenu holding the item
    TCommandKind Kind = TCommandKind::Plain;
    const char* Caption = "";  // menu caption; buttons have none
    const char* Hint = "";     // "short|long": tool tip, and the long part on the status bar
    const char* Shortcut = ""; // a QKeySequence text, shown in the menu beside the caption
    bool Picture = false;      // the control shows the picture named after it (UnitIcons)
    bool SeparatorBefore = false;
    // The value the command stands for: the mode of a mode button, the size, numbering, count, step or
    // scale kind of a radio or length item, the axis of a reverse item (0 x, 1 y).
    int Value = 0;
    TCommandId Target = cmNone;        // pop-up items: the button they press
    TCommandRule Visible = nullptr;    // null: always
    TCommandRule Enabled = nullptr;    // null: always
    TCommandRule Checked = nullptr;    // null: the control keeps its own state
    TCommandHandler Handler = nullptr; // null for menus and submenus
    // A bar button whose enabling follows what the view shows (the frame's visibility in the edited
    // sequence, the studio's outlines, the tracking's outline, zones and positions): the window applies
    // its rule again at every repaint of the view, not only when the commands change.
    bool PerFrame = false;
    // A feature not built yet: its control is present where the rules show it, always disabled. A later
    // feature joins by giving its row a handler and its rules and dropping this flag.
    bool Later = false;
};

// The table, indexed by TCommandId.
std::span<const TCommandRow> Commands();
const TCommandRow& Command(TCommandId id);
// The id of a control's name; cmNone for a name that no command has.
TCommandId CommandId(QStringView name);

// The rules of a command: a later feature is disabled; a pop-up item is enabled with its button.
bool CommandVisible(TCommandId id, const TCommandState& state);
bool CommandEnabled(TCommandId id, const TCommandState& state);
// Checked state of a command with a rule; false for one without.
bool CommandChecked(TCommandId id, const TCommandState& state);
// The results button that the results command presses: the first one shown by the options; cmNone
// when the options show none.
TCommandId FirstResultsButton(const TCommandState& state);
// The caption shown for a menu command, with its mnemonic; the undo item reads the data's undo caption.
QString CommandCaption(TCommandId id, const TCommandState& state);
QString ShortHint(const TCommandRow& command);
QString LongHint(const TCommandRow& command);
