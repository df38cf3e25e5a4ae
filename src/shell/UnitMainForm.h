// The program's main window: owner of the long-lived objects and of the user's work, its menus, tool
// bars, navigation panel and status fields.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class QAbstractButton;
class QAction;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSlider;
class QToolBar;
class QToolButton;
class TBoiteValeur;
class TCalcSource;
class TData;
class TFileSearch;
class TMRUFiles;
class TKtr;
class TMontage;
class TOptions;
class TResCalc;
class TResForm;
class TResGrid;
class TServeur;
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
    TMainMem& MainMem() { return FMainMem; }

    // The file named on the command line, opened when the window first shows.
    void SetStartFile(const QString& path) { FStartFile = path; }
    const QString& StartFile() const { return FStartFile; }

    // --- Flows ---
    void OpenVideoFile(const QString& path);
    // Projects: handled by the project-file service once it is installed; until then nothing opens.
    std::function<bool(const QString& path)> OpenProjectHandler;
    std::function<bool()> SaveProjectHandler;
    void OpenProject(const QString& path);
    bool SaveProject();
    void CloseVideo();
    // reason 0: another file is being opened; 1: the video is being closed.
    bool ConfirmDiscard(int reason);
    void StopActivities();
    void EnableCommands(bool enable);
    void OpenByExtension(const QString& path);
    void AddRecentFile(const QString& path);
    // The checks before results are shown; answers whether the results were prepared.
    bool ShowResults(const QString& buttonName);
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

    // --- Controls, for the program's own wiring and for tests ---
    QToolButton* Button(const QString& name) const;
    QAction* MenuItem(const QString& name) const;
    QLineEdit* EditImage() const { return FEditImage; }
    QLineEdit* EditMarque() const { return FEditMarque; }
    QLineEdit* EditZoom() const { return FEditZoom; }
    QLineEdit* EditAngle() const { return FEditAngle; }
    QSlider* TrackBar() const { return FTrackBar; }
    QMenu* PopupMenu() const { return FPopupMenu; }
    // Runs the click handler of a button as a click of the user would.
    void ClickButton(const QString& name);
    // Recomputes the visibility and enabling of a menu's items, as opening it does.
    void UpdateMenus();

    // The reaction to a change of tool (also after opening a video and when the view tool ends).
    void OutilChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void CreateObjects();
    void WireNotifications();
    QToolButton* MakeButton(QToolBar* bar, const QString& name, const QString& hint, bool checkable);
    QAction* MakeItem(QMenu* menu, const QString& name, const QString& caption);
    void PlaceBars();
    void RebuildRecentMenu();
    void LoadRecent();
    void SaveRecent();

    void ShowModeButtons();
    void ShowToolButtons();
    void ShowResultsButtons();
    void ShowNavigation();
    void UpdateModeButtons();
    void ModeChanged();
    void VideoOpened();
    void ViewPainted();
    void ZoomChanged();
    void RepereChanged();
    void MarquesChanged();
    void EchelleChanged();
    void EnableNavigation(bool enable);
    void PressTool(const QString& name);
    void SetViewHint(const QString& hint);

    void ToolButtonClick(const QString& name);
    void ModeButtonClick(const QString& name);
    void NavigationClick(const QString& name);
    void EditImageClick();
    void EditAngleClick();
    void AskScaleLength();
    int AskValue(int kind, bool* accepted);

    bool MarkingMode() const;
    bool VideoOpen() const;

    QString FSettingsFile;
    QString FStartFile;
    bool FShownOnce = false;
    bool FClosing = false;
    TMainMem FMainMem;

    std::unique_ptr<TOptions> FOptions;
    std::unique_ptr<TBoiteValeur> FBoiteValeur;
    std::unique_ptr<TResCalc> FResCalc;
    std::unique_ptr<TMontage> FMontage;
    std::unique_ptr<TKtr> FKtr; // the project file
    std::unique_ptr<TMRUFiles> FRecent;
    std::unique_ptr<TData> FData;
    std::unique_ptr<TCalcSource> FCalcSource;
    std::unique_ptr<TResGrid> FResGrid;
    std::unique_ptr<TServeur> FServeur;
    TResForm* FResForm = nullptr;       // child window
    TFileSearch* FFileSearch = nullptr; // child window
    TVideo* FVideo = nullptr;           // child control

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
    QMenu* FMenuFichier = nullptr;
    QMenu* FMenuAffichage = nullptr;
    QMenu* FMenuMesures = nullptr;
    QMenu* FMenuAide = nullptr;
    QMenu* FMenuRecent = nullptr;
    QMenu* FPopupMenu = nullptr;
    std::map<QString, QToolButton*> FButtons;
    std::map<QString, QAction*> FItems;
    QStringList FNavigation; // names of the six navigation buttons in order
    bool FTrackBarUpdating = false;
};

// The lines of the "About" box and the text of the grid angle status field, shared with tests.
QString AngleFieldText(double degrees);
