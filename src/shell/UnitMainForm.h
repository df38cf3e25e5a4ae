// The program's main window: owner of the long-lived objects and of the user's work, its menus, tool
// bars, navigation panel and status fields.
#pragma once

#include "editing/UnitMissingSlots.h"
#include "shell/UnitCommands.h"

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QAction;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QToolBar;
class QTimer;
class QToolButton;
class TBoiteNomCouleur;
class TCapture;
class TBoiteOptions;
class TBoiteFormules;
class TBoiteBasculer;
class TBoiteInstant;
class TBoiteTemps;
class TBoiteRecordMontage;
class TRecordMontage;
class TIniFile;
class TBoiteValeur;
class TCalculatrice;
class TCalcSource;
class TData;
class TFileSearch;
class TFormules;
class TMRUFiles;
class TKtr;
class TMenus;
class TMontage;
class TOptions;
class TResCalc;
class TResForm;
class TResGrid;
class TServeur;
class TStudio;
class TVideo;

// Memory of the current run of the program.
class TMainMem
{
public:
    bool AskObjectNames = true; // the reminder about default object names is still shown in this run
};

class TMainForm : public QMainWindow
{
public:
    // settingsFile: the settings file to read and write (empty: the program's own).
    explicit TMainForm(const QString& settingsFile = QString(), QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- The long-lived objects ---
    TOptions& Options() { return *FOptions; }
    TResCalc& ResCalc() { return *FResCalc; }
    TMontage& Montage() { return *FMontage; }
    TVideo& Video() { return *FVideo; }
    TData& Data() { return *FData; }
    TBoiteValeur& BoiteValeur() { return *FBoiteValeur; }
    TMRUFiles& Recent() { return *FRecent; }
    TResForm& ResForm() { return *FResForm; }
    TFileSearch& FileSearch() { return *FFileSearch; }
    TServeur& Serveur() { return *FServeur; }
    TFormules& Formules() { return *FFormules; }
    TMainMem& MainMem() { return FMainMem; }
    TStudio& Studio() { return *FStudio; }
    TCapture& Capture() { return *FCapture; }
    // The capture's live picture, in the place of the view while the capture mode is on.
    QLabel* CapturePreview() const { return FCapturePreview; }
    // Stops a studio conversion; shown beside the progress bar while one runs.
    QPushButton* CancelButton() const { return FCancelButton; }

    // The file named on the command line, opened when the window first shows.
    void SetStartFile(const QString& path) { FStartFile = path; }
    const QString& StartFile() const { return FStartFile; }

    // --- Flows ---
    // Every way of opening (menus, search, recent files, command line) ends in OpenVideoFile or
    // OpenProject, and every way of closing in CloseVideo; each asks ConfirmDiscard once.
    void OpenVideoFile(const QString& path);
    // Projects: handled by the project-file service once it is installed; until then nothing opens.
    std::function<bool(const QString& path)> OpenProjectHandler;
    std::function<bool()> SaveProjectHandler;
    void OpenProject(const QString& path);
    bool SaveProject();
    void CloseVideo();
    // reason 0: another file is being opened; 1: the video is being closed. Asks only when the work
    // changed since it was last saved or opened; false when the user cancels or the save does not happen.
    bool ConfirmDiscard(int reason);
    // The open video's work (marks, scale, axes, formulas, figures, editing, names) has unsaved changes.
    bool WorkModified() const;
    // The window's title: the video's path, with a leading "*" while the work has unsaved changes.
    void UpdateTitle();
    void StopActivities();
    void EnableCommands(bool enable);
    void OpenByExtension(const QString& path);
    void AddRecentFile(const QString& path);
    // The checks before results are shown; answers whether the results were prepared.
    bool ShowResults(TCommandId button);
    // The results window: prepares the results, then shows the page of the pressed button modally.
    // Tests replace them to stay away from the modal window.
    std::function<bool()> PrepareResults;
    std::function<void(const QString& buttonName)> ShowResultsPage;
    void LayoutView();
    // Open dialog: filter index 1 videos, 2 projects.
    void OpenDialog(int filterIndex);
    void ShowHelp();
    void ShowAbout();
    // The key handler shared by the window, the track bar and the status fields (only with a video).
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void ShowToolMenu();
    // Opens the menu bar's first menu, for the keyboard (F10, Alt alone).
    void OpenMenuBar();

    // --- Controls, by command id ---
    // The button of a bar row, the action of a menu or pop-up row; never null for a row of that place.
    QToolButton* Button(TCommandId id) const;
    QAction* MenuItem(TCommandId id) const;
    QLineEdit* EditImage() const { return FEditImage; }
    QLineEdit* EditMarque() const { return FEditMarque; }
    QLineEdit* EditZoom() const { return FEditZoom; }
    QLineEdit* EditAngle() const { return FEditAngle; }
    QSlider* TrackBar() const { return FTrackBar; }
    QMenu* PopupMenu() const;
    // Runs the click of a button as a click of the user would (nothing when it is hidden or disabled).
    void ClickButton(TCommandId id);
    // Recomputes the visibility and enabling of the menus' items, as opening a menu does.
    void UpdateMenus();
    // The state that the command rules read.
    TCommandState CommandState() const;

    // The reaction to a change of tool (also after opening a video and when the view tool ends).
    void OutilChanged();

    // --- Command handlers: one per row of the command table, or shared by rows told apart by id ---
    void OuvrirFichierClick(TCommandId id);
    void MenuFichierRechercherClick(TCommandId id);
    void MenuFichierFermerVideoClick(TCommandId id);
    void MenuFichierEnregistrerClick(TCommandId id);
    void MenuFichierProprietesClick(TCommandId id);
    void MenuFichierQuitterClick(TCommandId id);
    void MenuAffichageAnnulerClick(TCommandId id);
    void MenuAffichageLoupeClick(TCommandId id);
    void MenuAffichageCacherImageClick(TCommandId id);
    void MenuAffichageAllerDerniereImagePointeeClick(TCommandId id);
    void MenuAffichageAllerImageNumeroClick(TCommandId id);
    // Display > Go to > first, previous, next, last frame: as their navigation button.
    void MenuAllerClick(TCommandId id);
    void MenuAffichageTailleClick(TCommandId id);
    void MenuAffichageNumeroterClick(TCommandId id);
    void MenuAffichageDessinerClick(TCommandId id);
    void MenuAffichageEffacerClick(TCommandId id);
    void MenuMesuresNbMarqueParImageClick(TCommandId id);
    void MenuMesuresNbImagesEntreMarquesClick(TCommandId id);
    void MenuMesuresValeurEchelleClick(TCommandId id);
    void MenuMesuresAngleRotationClick(TCommandId id);
    void MenuMesuresInverserAxeClick(TCommandId id);
    void MenuAideAideClick(TCommandId id);
    void MenuAideAProposClick(TCommandId id);
    void ButtonModeClick(TCommandId id);
    void ButtonOutilClick(TCommandId id);
    void ButtonMenuClick(TCommandId id);
    void ButtonVideoClick(TCommandId id);
    void PopupMenuClick(TCommandId id);
    // Automatic marking: the buttons of the tools bar, and the menu items of shape, radius, search zone,
    // erasing and the next doubtful frame.
    void ButtonTrackClick(TCommandId id);
    void MenuTrackClick(TCommandId id);
    // The names-and-colours dialog (tool button, "Colours", "Object marks ...", "Give a name").
    void NamesClick(TCommandId id);
    // Video editing: show or hide the frame, a series, the frame's time, and the dropped frames' times.
    void ButtonMontageClick(TCommandId id);
    // The studio's outline tools and its four commands; the seven capture buttons.
    void ButtonStudioClick(TCommandId id);
    void ButtonCaptureClick(TCommandId id);
    // The status field that tells of dropped frames or a variable rate in the open video.
    QLabel* TimingNote() const { return FTimingNote; }
    void MenuAffichageOptionsClick(TCommandId id);
    // Measurements > Results: the first results page that the options show.
    void MenuMesuresResultatsClick(TCommandId id);
    void MenuMesuresCalculatriceClick(TCommandId id);
    // Measurements > "Time between two frames" (and the results window's item): the frame-interval dialog;
    // true when an interval was confirmed and set.
    void MenuMesuresTempsClick(TCommandId id);
    bool AskFrameInterval();
    // Runs the frame-interval dialog; tests script it. Unset: the dialog runs modally.
    std::function<bool(TBoiteTemps&)> RunFrameInterval;
    // The editing mode's series and frame-time dialogs; tests script them. Unset: modal.
    std::function<bool(TBoiteBasculer&)> RunSeriesDialog;
    std::function<void(TBoiteInstant&)> RunFrameTimeDialog;
    // The editing mode's "Save edited video": the settings dialog, the file name, the writing with
    // progress and Cancel, and the messages; true when a file was written.
    bool SaveEditedVideo();
    void ButtonMontageEnregistrerClick(TCommandId id);
    // Runs the settings dialog of the written videos and images; tests script it. Unset: modal.
    std::function<bool(TBoiteRecordMontage&)> RunRecordDialog;
    TRecordMontage& RecordMontage() { return *FRecordMontage; }
    // The settings dialog in one of its modes, made the first time (with the settings file's writer).
    TBoiteRecordMontage& RecordDialog(int mode);
    bool RunRecord(TBoiteRecordMontage& box);
    // The progress bar (0..100 shown, anything else hidden), and the window around a long piece of work
    // (a save or a conversion): its commands off and the Cancel button shown, then back.
    void ShowProgress(int percent);
    void LongWorkStarted();
    void LongWorkEnded();
    // The figures of the results graphs in the project file, and their removal with another video.
    void SaveConstructs(TIniFile& ini);
    void LoadConstructs(const TIniFile& ini);
    void ClearConstructs();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    // Something of the work may have changed: the title follows shortly (once per burst of changes).
    void WorkChanged();
    void CreateButtons();
    void CreateObjects();
    void WireNotifications();
    void RunCommand(TCommandId id);
    void PlaceBars();
    void RebuildRecentMenu();
    void LoadRecent();
    void SaveRecent();

    // The one open and the one close, after the confirmation (the project file has asked it already).
    bool OpenVideoSteps(const QString& path);
    void CloseVideoSteps();

    // Visibility and enabling of the buttons of the bars and the panel from the command rules.
    void UpdateButtons();
    void ShowModeButtons() { UpdateButtons(); }
    void ShowToolButtons() { UpdateButtons(); }
    void ShowResultsButtons() { UpdateButtons(); }
    void ShowNavigation();
    void UpdateModeButtons();
    // The pictures and hints that follow the state: the editing toggle and the recording button.
    void UpdatePictures();
    void ModeChanged();
    void ViewToolChanged();
    void VideoOpened();
    void ViewPainted();
    void ZoomChanged();
    // The four status fields from the state: frame, marks (blank with the scale tool), zoom, angle.
    void RefreshStatusFields();
    void RepereChanged();
    void MarquesChanged();
    void EchelleChanged();
    // Presses the tool button of the current view tool or data tool and releases the others.
    void PressCurrentTool();
    void PressTool(TCommandId id);
    void SetViewHint(const QString& hint);
    void ShowTimingNote();
    void WireStudio();
    void WireCapture();
    // The instructions of the outline drawing for a shape (0 free, 1 broken line, 2 circle).
    static QString OutlineHint(int shape);

    void EditImageClick();
    void EditAngleClick();
    // Asks the length of the scale of the given kind when it has two points; the current kind stays.
    // False when the dialog was left without a value (the length is unchanged).
    bool AskScaleLength(int kind);
    int AskValue(int kind, bool* accepted);

    // The keys of the menu bar: Alt alone (on its release), F10, and Alt with a letter. True when the key
    // is the menus' and must not reach the view.
    bool MenuKey(QKeyEvent* key);
    bool MarkingMode() const;
    bool VideoOpen() const;

    QString FSettingsFile;
    QString FStartFile;
    bool FShownOnce = false;
    bool FCommandsEnabled = false; // the flag of the last EnableCommands
    TMainMem FMainMem;
    TModeVideo FLastMode = mvRepereFixe;
    TMissingSlots FMissingSlots; // of the open video
    double FSlotInterval = 0.0;  // its usual interval between two frames, seconds

    std::unique_ptr<TOptions> FOptions;
    std::unique_ptr<TBoiteValeur> FBoiteValeur;
    std::unique_ptr<TBoiteOptions> FBoiteOptions;
    std::unique_ptr<TBoiteNomCouleur> FBoiteNomCouleur;
    std::unique_ptr<TBoiteFormules> FBoiteFormules; // made the first time it is asked for
    std::unique_ptr<TResCalc> FResCalc;
    std::unique_ptr<TMontage> FMontage;
    std::unique_ptr<TKtr> FKtr; // the project file
    std::unique_ptr<TMRUFiles> FRecent;
    std::unique_ptr<TData> FData;
    std::unique_ptr<TCalcSource> FCalcSource;
    std::unique_ptr<TResGrid> FResGrid;
    std::unique_ptr<TServeur> FServeur;
    std::unique_ptr<TFormules> FFormules;
    std::unique_ptr<TMenus> FMenus;
    std::unique_ptr<TStudio> FStudio;
    std::unique_ptr<TCapture> FCapture;
    std::unique_ptr<TRecordMontage> FRecordMontage;    // the writers of edited videos and image series
    std::unique_ptr<TBoiteRecordMontage> FBoiteRecord; // made the first time it is asked for
    bool FCommandsBeforeWork = false;       // EnableCommands' flag when a long piece of work started
    TResForm* FResForm = nullptr;           // child window
    TFileSearch* FFileSearch = nullptr;     // child window
    TVideo* FVideo = nullptr;               // child control
    TCalculatrice* FCalculatrice = nullptr; // child window, not modal

    QWidget* FClient = nullptr;
    QToolBar* FModeBar = nullptr;
    QToolBar* FToolsBar = nullptr;
    QToolBar* FResultsBar = nullptr;
    QWidget* FPanel = nullptr;
    QSlider* FTrackBar = nullptr;
    QLineEdit* FEditImage = nullptr;
    QLineEdit* FEditMarque = nullptr;
    QLineEdit* FEditZoom = nullptr;
    QLineEdit* FEditAngle = nullptr;
    QProgressBar* FProgressBar = nullptr;
    QLabel* FTimingNote = nullptr;
    QLabel* FCapturePreview = nullptr;
    QPushButton* FCancelButton = nullptr;
    // The buttons of the bar rows, and the bar action that shows or hides each (null in the panel).
    std::array<QToolButton*, cmCount> FButtons{};
    std::array<QAction*, cmCount> FBarActions{};
    bool FTrackBarUpdating = false;
    QTimer* FTitleTimer = nullptr;
    int FScalePoints[3] = {};
    bool FAltAlone = false; // Alt is down and no other key came since // points of each scale kind at the
                            // last scale change
};

// The lines of the "About" box and the text of the grid angle status field, shared with tests.
QString AngleFieldText(double degrees);
