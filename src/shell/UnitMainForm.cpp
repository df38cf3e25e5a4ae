// The main window: creation and ownership of the program's objects, the open, close and quit flows,
// the controls with their visibility and enabling rules, the keyboard and the results checks.
#include "shell/UnitMainForm.h"

#include "calc/UnitResultats.h"
#include "common/UnitDialogs.h"
#include "common/UnitFolders.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "editing/UnitMontage.h"
#include "export/UnitServeur.h"
#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"
#include "project/UnitKtr.h"
#include "results/UnitDataCalcSource.h"
#include "results/UnitResForm.h"
#include "results/UnitResGrid.h"
#include "shell/UnitBoiteValeur.h"
#include "shell/UnitCursors.h"
#include "shell/UnitFileSearch.h"
#include "shell/UnitIcons.h"
#include "shell/UnitLayout.h"
#include "shell/UnitMRUFiles.h"
#include "video/UnitBoiteProprietes.h"
#include "video/UnitVideo.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

namespace {

const QString RecentSection = QStringLiteral("RecentFiles");
const QString MainFormSection = QStringLiteral("MainForm");
constexpr TColor StatusFieldColour = 0x9BDFC4;

struct TButtonDef
{
    const char* Name;
    const char* Hint;
};

// Tool buttons from top to bottom, with their hints (short part, "|", long part).
constexpr TButtonDef ToolButtons[] = {
    {"ButtonOutilZoom", "Zoom in or out|Place the mouse over the zone you wish to zoom in or out of"},
    {"ButtonOutilPan", "Pan image|Image zoom factor must be greater than 100%"},
    {"ButtonOutilEchelle", "Define scale|Calibrate image dimensions using the distance between 2 points."},
    {"ButtonOutilEchelleVert",
     "Define vertical scale|Calibrate image dimensions using the distance between 2 points."},
    {"ButtonOutilEchelleHoriz",
     "Define horizontal scale|Calibrate image dimensions using the distance between 2 points."},
    {"ButtonOutilMarque",
     "Set marks on the trajectory|Plot the successive positions of a projectile. The video moves "
     "forward automatically."},
    {"ButtonOutilOrigine",
     "Choose, move or rotate a reference frame|Define the origin of a cartesian reference frame. "
     "Coordinates depend on this choice."},
    {"ButtonOutilTsp", "Use a layer|Use a layer to illustrate the notion of reference frame"},
    {"ButtonTrackContour",
     "Draw the outline of an object|Draws the oultine of the tracked object on the image. This "
     "frame will be the first in the sequence"},
    {"ButtonTrackBanZone",
     "Draw the area to ignore|Background rectangular zone to ignore because is has the same color "
     "of the tracked object"},
    {"ButtonOutilDeplacer", "Move a mark|Move a mark with the mouse"},
    {"ButtonOutilEffacer",
     "Erase marks|Erase a mark; erase the marks in a rectangular zone; erase the marks of an image"},
    {"ButtonStudioContour",
     "Draw the outline of an object (chronophotography)|Define the position of an object on the "
     "chronophotography corresponding to the current video frame"},
    {"ButtonStudioEffacerContour",
     "Erase outlines (chronophotography)|Erase an outline ; erase outlines in a rectangular "
     "area ; erase the outline on the current video frame"},
    {"ButtonOutilNom", "Name objects|Name plotted objects"},
    {"ButtonMontageBasculer",
     "Show or hide frame|A frame appearing in negative will not be visible after leaving video "
     "edit mode"},
    {"ButtonMontageBasculerMult",
     "Show or hide a series of frames|The images appearing in negative will not be visible "
     "after leaving video edit mode"},
    {"ButtonMontageInstant",
     "Modify frame time|A frame is missing in the video stream, you need to change the duration "
     "between the preceding and following frames"},
    {"ButtonMontageEnregistrer", "Save edited video|Export edited video to file"},
    {"ButtonCapDevice", "Choose capture device"},
    {"ButtonCapConfigurer", "Capture device properties |Shutter speed, luminance, contrast..."},
    {"ButtonCapFormat", "Capture format |Width and height of image in pixels"},
    {"ButtonCapVitesse", "Frame rate|Number of images per second"},
    {"ButtonCapCompression", "Choose a compression Codec"},
    {"ButtonCapTimer", "Recording delay and duration"},
    {"ButtonCapEnregistrer",
     "Start or stop recording|On the fly compression requires more hardware resources"},
    {"ButtonTrackNumMarque", "Object number|Automatic tracking can handle 1 object at a time"},
    {"ButtonTrackSequence",
     "Define sequence|First frame shows the object's outline. Choose the last frame of the "
     "tracking sequence"},
    {"ButtonTrackSuivi",
     "Start or stop automatic tracking|Automatically follows and records the trajectory of the objet"},
    {"ButtonTrackEffacerContour",
     "Delete the object's outline|Delete the object's outline without affecting past "
     "trackings"},
    {"ButtonTrackEffacerTrack",
     "Cancel automatic tracking|Cancels tracking withiout affecting already drawn oulines"},
    {"ButtonTrackEffacerBanZone", "Erase last zone to ignore|Erase latest zones first"},
    {"ButtonStudioChronoPhoto",
     "Save composite image to file (chronophotography)|Combine images of an object at "
     "different positions on a background image then save it to file"},
    {"ButtonStudioCapture", "Convert current video frame to still image"},
    {"ButtonStudioV2p",
     "Convert video to still images|Video frames hidden during editing will not be converted into "
     "still images"},
    {"ButtonStudioP2v", "Convert still images to video"},
};

constexpr TButtonDef ModeButtons[] = {
    {"ButtonModeRepereFixe",
     "Manual marking|Set one or several marks and the video automatically moves forward"},
    {"ButtonModeTransparent",
     "Layer|Simulate a tracing paper sheet. Its middle and its two perpendicular axes form a "
     "grid"},
    {"ButtonModeMontage",
     "Video editing|Delete the repeated frames or change the duration between the preceding and "
     "the following frames"},
    {"ButtonModeTracking",
     "Automatic marking|Draw, by hand, the outline of an object in a video frame and the software "
     "looks for the object in the following frames"},
    {"ButtonModeCapture", "Video capture|Capture from a camera through V4L2 or GStreamer"},
    {"ButtonModeStudio",
     "Video studio|Make a chronophotography, convert vidéo to still images or still images to video"},
};

constexpr TButtonDef ResultsButtons[] = {
    {"ButtonMenuTableau", "Datasheet"},
    {"ButtonMenuTemps", "Evolution as a function of time"},
    {"ButtonMenuReferentiel", "Trajectory in reference frame"},
    {"ButtonMenuVecteur", "Vectors representation"},
    {"ButtonMenuFormule", "Custom formulas"},
};

constexpr TButtonDef NavigationButtons[] = {
    {"ButtonVideoLecture", "Play"},       {"ButtonVideoPause", "Stop"},
    {"ButtonVideoRetour", "First frame"}, {"ButtonVideoPred", "Previous frame"},
    {"ButtonVideoSucc", "Next frame"},    {"ButtonVideoAvance", "Last frame"},
};

// Buttons that the enabling rule leaves alone.
bool KeepsItsEnabling(const QString& name)
{
    return name.startsWith(QLatin1String("ButtonCap")) || name == QLatin1String("ButtonStudioP2v");
}

// Tools whose dialog or subsystem is not part of the program yet: shown where the rules say, disabled.
bool NotAvailableYet(const QString& name)
{
    return name == QLatin1String("ButtonOutilNom") || name.startsWith(QLatin1String("ButtonTrack")) ||
           name.startsWith(QLatin1String("ButtonStudio")) || name.startsWith(QLatin1String("ButtonMontage"));
}

QString ShortHint(const char* hint)
{
    const QString text = QString::fromUtf8(hint);
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    return bar < 0 ? text : text.left(bar);
}

QString LongHint(const char* hint)
{
    const QString text = QString::fromUtf8(hint);
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    return bar < 0 ? text : text.mid(bar + 1);
}

} // namespace

QString AngleFieldText(double degrees)
{
    const double a = std::fabs(degrees);
    QString number;
    if (a < 1e-100)
        number = QStringLiteral("0");
    else if (a >= 100)
        number = QString::number(degrees, 'f', 0);
    else if (a >= 10)
        number = QString::number(degrees, 'f', 1);
    else if (a >= 0.01)
        number = QString::number(degrees, 'f', 2);
    else
        number = QString::number(degrees, 'e', 2);
    return QLatin1Char(' ') + number + QString::fromUtf8("°");
}

// ====================================================================================================
// Creation

TMainForm::TMainForm(const QString& settingsFile, QWidget* parent)
    : QMainWindow(parent), FSettingsFile(settingsFile.isEmpty() ? SettingsFileName() : settingsFile)
{
    InitResources();
    setObjectName(QStringLiteral("MainForm"));
    setFont(QFont(QStringLiteral("Arial"), 10));
    setWindowTitle(QStringLiteral("Kinotra"));
    TUserDlg::Instance().SetTitle(QStringLiteral("Kinotra"));
    setMinimumSize(632, 452);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowIcon(ApplicationIcon());

    if (WorkFolder().isEmpty())
        TUserDlg::Instance()
            .Begin(icWarning)
            .Line(QStringLiteral("Backup file creation has failed."))
            .Blank()
            .Line(QStringLiteral("Some functions will not be available."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();

    FRecent = std::make_unique<TMRUFiles>();
    CreateControls();
    CreateMenus();
    FRecent->OnChange = [this] { RebuildRecentMenu(); };
    FRecent->OnClick = [this](const QString& path) { OpenByExtension(path); };
    LoadRecent();
    CreateObjects();
    WireNotifications();
    ShowModeButtons();
    ShowToolButtons();
    ShowResultsButtons();
    EnableCommands(false);
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    SaveRecent();
    // Notifications must not reach a half-destroyed window.
    if (FVideo) {
        FVideo->Sources().Stop();
        FVideo->OnPaint = nullptr;
        FVideo->OnZoomChange = nullptr;
        FVideo->OnClose = nullptr;
        FVideo->OnOpen = nullptr;
        FVideo->OnModeChange = nullptr;
        FVideo->OnViewToolChange = nullptr;
        FVideo->OnMessage = nullptr;
        FVideo->SetData(nullptr);
    }
    FData.reset();
    FKtr.reset();
    FMontage.reset();
    FResCalc.reset();
    FOptions.reset();
    FBoiteValeur.reset();
}

QToolButton* TMainForm::MakeButton(QToolBar* bar, const QString& name, const QString& hint, bool checkable)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(ButtonIcon(name));
    const QByteArray utf8 = hint.toUtf8();
    button->setToolTip(ShortHint(utf8.constData()));
    button->setStatusTip(LongHint(utf8.constData()));
    button->setCheckable(checkable);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(button);
    FButtons[name] = button;
    return button;
}

void TMainForm::CreateControls()
{
    FClient = new QWidget(this);
    FClient->setObjectName(QStringLiteral("Client"));
    FClient->setAutoFillBackground(true);
    QPalette black = FClient->palette();
    black.setColor(QPalette::Window, Qt::black);
    FClient->setPalette(black);
    setCentralWidget(FClient);

    const QSize icons(32, 32);
    FModeBar = new QToolBar(QStringLiteral("ToolBarMode"), FClient);
    FModeBar->setObjectName(QStringLiteral("ToolBarMode"));
    FModeBar->setIconSize(icons);
    FModeBar->addSeparator();
    for (const TButtonDef& b : ModeButtons) {
        const QString name = QString::fromLatin1(b.Name);
        QToolButton* button = MakeButton(FModeBar, name, QString::fromUtf8(b.Hint), true);
        connect(button, &QToolButton::clicked, this, [this, name] { ModeButtonClick(name); });
    }

    FToolsBar = new QToolBar(QStringLiteral("ToolBarOutils"), FClient);
    FToolsBar->setObjectName(QStringLiteral("ToolBarOutils"));
    FToolsBar->setOrientation(Qt::Vertical);
    FToolsBar->setIconSize(icons);
    for (const TButtonDef& b : ToolButtons) {
        const QString name = QString::fromLatin1(b.Name);
        QToolButton* button = MakeButton(FToolsBar, name, QString::fromUtf8(b.Hint), true);
        connect(button, &QToolButton::clicked, this, [this, name] { ToolButtonClick(name); });
    }

    FResultsBar = new QToolBar(QStringLiteral("ToolBarResultats"), FClient);
    FResultsBar->setObjectName(QStringLiteral("ToolBarResultats"));
    FResultsBar->setOrientation(Qt::Vertical);
    FResultsBar->setIconSize(icons);
    for (const TButtonDef& b : ResultsButtons) {
        const QString name = QString::fromLatin1(b.Name);
        QToolButton* button = MakeButton(FResultsBar, name, QString::fromUtf8(b.Hint), false);
        connect(button, &QToolButton::clicked, this, [this, name] { ShowResults(name); });
    }
    for (QToolBar* bar : {FModeBar, FToolsBar, FResultsBar}) {
        bar->setMovable(false);
        bar->setAutoFillBackground(true);
    }

    // The panel: navigation and the four status fields.
    FPanel = new QWidget(FClient);
    FPanel->setObjectName(QStringLiteral("Panel"));
    FPanel->setAutoFillBackground(true);
    QPalette panel = FPanel->palette();
    panel.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    FPanel->setPalette(panel);
    auto* navBar = new QToolBar(FPanel); // holds the buttons only so that they share the bar's look
    navBar->hide();
    for (const TButtonDef& b : NavigationButtons) {
        const QString name = QString::fromLatin1(b.Name);
        QToolButton* button = MakeButton(navBar, name, QString::fromUtf8(b.Hint), false);
        button->setParent(FPanel);
        button->setIconSize(QSize(24, 24));
        button->show();
        FNavigation << name;
        connect(button, &QToolButton::clicked, this, [this, name] { NavigationClick(name); });
    }
    FTrackBar = new QSlider(Qt::Horizontal, FPanel);
    FTrackBar->setObjectName(QStringLiteral("TrackBar"));
    FTrackBar->setToolTip(QStringLiteral("Search"));
    FTrackBar->setStatusTip(QStringLiteral("Search"));
    connect(FTrackBar, &QSlider::valueChanged, this, [this](int value) {
        if (!FTrackBarUpdating && VideoOpen()) {
            FVideo->GoToPosition(value);
            FVideo->update();
        }
    });
    auto makeField = [this](const char* name, const char* hint, bool clickable) {
        auto* edit = new QLineEdit(FPanel);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setToolTip(ShortHint(hint));
        edit->setStatusTip(LongHint(hint));
        QPalette p = edit->palette();
        p.setColor(QPalette::Base, ToQColor(StatusFieldColour));
        p.setColor(QPalette::Text, Qt::black);
        edit->setPalette(p);
        edit->setFont(font());
        if (clickable)
            edit->setCursor(Qt::PointingHandCursor);
        edit->installEventFilter(this);
        return edit;
    };
    FEditImage =
        makeField("EditImage",
                  "Frame number and total frame count|Left-click = type the number of the new frame", true);
    FEditMarque = makeField("EditMarque", "Number of marks|Total number of marks set down", false);
    FEditZoom =
        makeField("EditZoom", "Image zoom factor|Image zoom factor; left-click = return to 100%", true);
    FEditAngle = makeField("EditAngle", "Graph basis rotation angle|Left-click = type the angle", true);

    FProgressBar = new QProgressBar(this);
    FProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    FProgressBar->setRange(0, 100);
    statusBar()->addPermanentWidget(FProgressBar, 1);
    FProgressBar->hide();
    statusBar()->setSizeGripEnabled(true);

    FFileSearch = new TFileSearch(this);
    FFileSearch->OnOpen = [this](const QString& path) {
        AddRecentFile(path);
        OpenByExtension(path);
    };

    FVideo = new TVideo(FClient);
    FVideo->setObjectName(QStringLiteral("Video"));
    FVideo->CursorOf = [](int number) { return CustomCursor(number); };
}

QAction* TMainForm::MakeItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    FItems[name] = action;
    return action;
}

void TMainForm::CreateMenus()
{
    FMenuFichier = menuBar()->addMenu(QStringLiteral("File"));
    FMenuFichier->setObjectName(QStringLiteral("MenuFichier"));
    QMenu* open = FMenuFichier->addMenu(QStringLiteral("Open"));
    FItems[QStringLiteral("MenuFichierOuvrir")] = open->menuAction();
    open->menuAction()->setObjectName(QStringLiteral("MenuFichierOuvrir"));
    connect(MakeItem(open, QStringLiteral("MenuFichierOuvrirVideo"), QStringLiteral("a video file")),
            &QAction::triggered, this, [this] { OpenDialog(1); });
    connect(MakeItem(open, QStringLiteral("MenuFichierOuvrirKtr"), QStringLiteral("an KTR file")),
            &QAction::triggered, this, [this] { OpenDialog(2); });
    FMenuRecent = FMenuFichier->addMenu(QStringLiteral("Open recent file"));
    FMenuRecent->menuAction()->setObjectName(QStringLiteral("MenuFichierRecent"));
    FItems[QStringLiteral("MenuFichierRecent")] = FMenuRecent->menuAction();
    connect(MakeItem(FMenuFichier, QStringLiteral("MenuFichierRechercher"), QStringLiteral("Search")),
            &QAction::triggered, this, [this] {
                FFileSearch->SetFilter(VideoOpenFilter());
                FFileSearch->show();
                FFileSearch->raise();
            });
    connect(
        MakeItem(FMenuFichier, QStringLiteral("MenuFichierFermerVideo"), QStringLiteral("Close video file")),
        &QAction::triggered, this, [this] { CloseVideo(); });
    connect(MakeItem(FMenuFichier, QStringLiteral("MenuFichierEnregistrer"), QStringLiteral("Save")),
            &QAction::triggered, this, [this] { SaveProject(); });
    connect(
        MakeItem(FMenuFichier, QStringLiteral("MenuFichierProprietes"), QStringLiteral("Video properties")),
        &QAction::triggered, this, [this] {
            if (VideoOpen())
                TBoiteProprietes::Execute(this, FVideo->Sources().Source(), FVideo->FrameCountVisible());
        });
    FMenuFichier->addSeparator();
    connect(MakeItem(FMenuFichier, QStringLiteral("MenuFichierQuitter"), QStringLiteral("Quit")),
            &QAction::triggered, this, [this] { close(); });

    FMenuAffichage = menuBar()->addMenu(QStringLiteral("Display"));
    FMenuAffichage->setObjectName(QStringLiteral("MenuAffichage"));
    connect(
        MakeItem(FMenuAffichage, QStringLiteral("MenuAffichageAnnuler"), QStringLiteral("Cancel  (Ctrl A)")),
        &QAction::triggered, this, [this] {
            FData->Undo();
            FVideo->update();
            FVideo->CursorRefresh();
        });
    QAction* loupe =
        MakeItem(FMenuAffichage, QStringLiteral("MenuAffichageLoupe"), QStringLiteral("Magnifying glass"));
    loupe->setCheckable(true);
    connect(loupe, &QAction::triggered, this, [this](bool on) {
        FVideo->Loupe().Visible = on;
        FVideo->update();
    });
    QAction* hide =
        MakeItem(FMenuAffichage, QStringLiteral("MenuAffichageCacherImage"), QStringLiteral("Hide frame"));
    hide->setCheckable(true);
    connect(hide, &QAction::triggered, this, [this](bool on) {
        FVideo->HideFrame = on;
        FVideo->update();
    });
    QMenu* goTo = FMenuAffichage->addMenu(QStringLiteral("Go to"));
    goTo->menuAction()->setObjectName(QStringLiteral("MenuAffichageAller"));
    FItems[QStringLiteral("MenuAffichageAller")] = goTo->menuAction();
    connect(MakeItem(goTo, QStringLiteral("MenuAffichageAllerDerniereImagePointee"),
                     QStringLiteral("last marked frame")),
            &QAction::triggered, this, [this] {
                const int frame = FData->LastMarkedFrame();
                const int position = FVideo->PositionOf(frame);
                if (position >= 0)
                    FVideo->GoToPosition(position);
            });
    connect(MakeItem(goTo, QStringLiteral("MenuAffichageAllerImageNumero"), QStringLiteral("frame no ...")),
            &QAction::triggered, this, [this] { EditImageClick(); });
    MakeItem(FMenuAffichage, QStringLiteral("MenuAffichageCouleur"), QStringLiteral("Colours"))
        ->setEnabled(false);

    QMenu* size = FMenuAffichage->addMenu(QStringLiteral("Size"));
    size->menuAction()->setObjectName(QStringLiteral("MenuAffichageTaille"));
    FItems[QStringLiteral("MenuAffichageTaille")] = size->menuAction();
    auto* sizes = new QActionGroup(this);
    const char* sizeNames[] = {"small", "average", "large"};
    for (int i = 0; i < 3; ++i) {
        QAction* a =
            MakeItem(size, QStringLiteral("MenuAffichageTaille%1").arg(i), QString::fromLatin1(sizeNames[i]));
        a->setCheckable(true);
        sizes->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] {
            FData->ElementSize = i;
            FData->Refresh();
            FVideo->update();
        });
    }
    QMenu* numbering = FMenuAffichage->addMenu(QStringLiteral("Numbering"));
    numbering->menuAction()->setObjectName(QStringLiteral("MenuAffichageNumeroter"));
    FItems[QStringLiteral("MenuAffichageNumeroter")] = numbering->menuAction();
    auto* numbers = new QActionGroup(this);
    const char* numberNames[] = {"bellow the point", "on the right of the point", "none"};
    for (int i = 0; i < 3; ++i) {
        QAction* a = MakeItem(numbering, QStringLiteral("MenuAffichageNumeroter%1").arg(i),
                              QString::fromLatin1(numberNames[i]));
        a->setCheckable(true);
        numbers->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] {
            FData->SetNumberingPosition(i);
            FVideo->update();
        });
    }
    QMenu* draw = FMenuAffichage->addMenu(QStringLiteral("Draw"));
    draw->menuAction()->setObjectName(QStringLiteral("MenuAffichageDessiner"));
    FItems[QStringLiteral("MenuAffichageDessiner")] = draw->menuAction();
    auto* draws = new QActionGroup(this);
    QAction* last =
        MakeItem(draw, QStringLiteral("MenuAffichageDessinerDerniere"), QStringLiteral("last video mark"));
    QAction* all =
        MakeItem(draw, QStringLiteral("MenuAffichageDessinerToutes"), QStringLiteral("all video marks"));
    QAction* others =
        MakeItem(draw, QStringLiteral("MenuAffichageDessinerAutres"), QStringLiteral("others ..."));
    for (QAction* a : {last, all, others}) {
        a->setCheckable(true);
        draws->addAction(a);
    }
    connect(last, &QAction::triggered, this, [this] {
        FData->SetMarksIsAllDrawn(false);
        FData->SetMarksNumberToDraw(1);
        FVideo->update();
    });
    connect(all, &QAction::triggered, this, [this] {
        FData->SetMarksIsAllDrawn(true);
        FVideo->update();
    });
    connect(others, &QAction::triggered, this, [this] {
        FData->SetMarksIsAllDrawn(false);
        bool accepted = false;
        const int n = AskValue(tsNbMqDrawn, &accepted);
        if (accepted)
            FData->SetMarksNumberToDraw(n);
        FVideo->update();
    });

    QMenu* erase = FMenuAffichage->addMenu(QStringLiteral("Delete"));
    erase->menuAction()->setObjectName(QStringLiteral("MenuAffichageEffacer"));
    FItems[QStringLiteral("MenuAffichageEffacer")] = erase->menuAction();
    connect(MakeItem(erase, QStringLiteral("MenuAffichageEffacerMarques"), QStringLiteral("the video marks")),
            &QAction::triggered, this, [this] {
                FData->EraseMarks();
                FVideo->update();
            });
    connect(MakeItem(erase, QStringLiteral("MenuAffichageEffacerTransparent"), QStringLiteral("the layer")),
            &QAction::triggered, this, [this] {
                FData->EraseMarks();
                FVideo->update();
            });
    connect(MakeItem(erase, QStringLiteral("MenuAffichageEffacerRepere"), QStringLiteral("grid")),
            &QAction::triggered, this, [this] {
                FData->EraseGrid();
                FVideo->update();
            });
    connect(MakeItem(erase, QStringLiteral("MenuAffichageEffacerEchelle"), QStringLiteral("scale")),
            &QAction::triggered, this, [this] {
                FData->Echelle->EraseLastPoint();
                FData->Echelle->EraseLastPoint();
                FVideo->update();
            });
    connect(MakeItem(erase, QStringLiteral("MenuAffichageEffacerTout"), QStringLiteral("all")),
            &QAction::triggered, this, [this] {
                FData->EraseAll();
                FVideo->update();
            });
    FMenuAffichage->addSeparator();
    MakeItem(FMenuAffichage, QStringLiteral("MenuAffichageOptions"), QStringLiteral("Options"))
        ->setEnabled(false);

    FMenuMesures = menuBar()->addMenu(QStringLiteral("Measurements"));
    FMenuMesures->setObjectName(QStringLiteral("MenuMesures"));
    MakeItem(FMenuMesures, QStringLiteral("MenuMesuresTemps"), QStringLiteral("Time between two frames"))
        ->setEnabled(false);
    QMenu* perFrame = FMenuMesures->addMenu(QStringLiteral("Number of marks per frame"));
    perFrame->menuAction()->setObjectName(QStringLiteral("MenuMesuresNbMarqueParImage"));
    FItems[QStringLiteral("MenuMesuresNbMarqueParImage")] = perFrame->menuAction();
    auto* counts = new QActionGroup(this);
    const char* countNames[] = {"one", "two", "three", "others ..."};
    for (int i = 0; i < 4; ++i) {
        QAction* a = MakeItem(perFrame, QStringLiteral("MenuMesuresNbMarqueParImage%1").arg(i + 1),
                              QString::fromLatin1(countNames[i]));
        a->setCheckable(true);
        counts->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] {
            if (FButtons[QStringLiteral("ButtonOutilTsp")]->isChecked()) {
                TUserDlg::Instance().Message(
                    icInformation,
                    {QStringLiteral("For clarity purposes, only one mark per image is allowed on a layer.")});
                return;
            }
            int n = i + 1;
            if (i == 3) {
                bool accepted = false;
                n = AskValue(tsNbMqParImg, &accepted);
                if (!accepted)
                    return;
            }
            FData->SetNbObjets(n);
            FVideo->update();
        });
    }
    QMenu* advance = FMenuMesures->addMenu(QStringLiteral("Advance automatically"));
    advance->menuAction()->setObjectName(QStringLiteral("MenuMesuresNbImagesEntreMarques"));
    FItems[QStringLiteral("MenuMesuresNbImagesEntreMarques")] = advance->menuAction();
    auto* steps = new QActionGroup(this);
    QAction* one =
        MakeItem(advance, QStringLiteral("MenuMesuresNbImagesEntreMarques1"), QStringLiteral("of 1 image"));
    QAction* more =
        MakeItem(advance, QStringLiteral("MenuMesuresNbImagesEntreMarquesN"), QStringLiteral("others ..."));
    for (QAction* a : {one, more}) {
        a->setCheckable(true);
        steps->addAction(a);
    }
    connect(one, &QAction::triggered, this, [this] { FData->SetFramesBetweenMarks(1); });
    connect(more, &QAction::triggered, this, [this] {
        bool accepted = false;
        const int n = AskValue(tsNbImgStep, &accepted);
        if (accepted)
            FData->SetFramesBetweenMarks(n);
    });
    FMenuMesures->addSeparator();
    auto lengthItem = [this](const char* name, const char* caption, int kind) {
        connect(MakeItem(FMenuMesures, QString::fromLatin1(name), QString::fromLatin1(caption)),
                &QAction::triggered, this, [this, kind] {
                    FData->SetScaleKind(kind);
                    AskScaleLength();
                });
    };
    lengthItem("MenuMesuresValeurEchelle", "Scale length", teNormale);
    lengthItem("MenuMesuresValeurEchelleVert", "Vertical scale length", teVert);
    lengthItem("MenuMesuresValeurEchelleHoriz", "Horizontal scale length", teHoriz);
    FMenuMesures->addSeparator();
    connect(MakeItem(FMenuMesures, QStringLiteral("MenuMesuresAngleRotation"),
                     QStringLiteral("Grid rotation angle")),
            &QAction::triggered, this, [this] { EditAngleClick(); });
    QAction* reverseX =
        MakeItem(FMenuMesures, QStringLiteral("MenuMesuresInverserAxeX"), QStringLiteral("Reverse Ox axis"));
    QAction* reverseY =
        MakeItem(FMenuMesures, QStringLiteral("MenuMesuresInverserAxeY"), QStringLiteral("Reverse Oy axis"));
    reverseX->setCheckable(true);
    reverseY->setCheckable(true);
    connect(reverseX, &QAction::triggered, this, [this] {
        FData->InverserAxeX();
        FVideo->update();
    });
    connect(reverseY, &QAction::triggered, this, [this] {
        FData->InverserAxeY();
        FVideo->update();
    });
    FMenuMesures->addSeparator();
    MakeItem(FMenuMesures, QStringLiteral("MenuMesuresCalculatrice"), QStringLiteral("Calculator"))
        ->setEnabled(false);

    FMenuAide = menuBar()->addMenu(QStringLiteral("Help"));
    FMenuAide->setObjectName(QStringLiteral("MenuAide"));
    connect(MakeItem(FMenuAide, QStringLiteral("MenuAideAide"), QStringLiteral("Kinotra help")),
            &QAction::triggered, this, [this] { ShowHelp(); });
    connect(MakeItem(FMenuAide, QStringLiteral("MenuAideAPropos"), QStringLiteral("About")),
            &QAction::triggered, this, [this] { ShowAbout(); });

    for (QMenu* menu : {FMenuFichier, FMenuAffichage, FMenuMesures})
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateMenus(); });

    // The pop-up tool menu, opened by the Space key.
    FPopupMenu = new QMenu(this);
    FPopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    const std::pair<const char*, const char*> popup[] = {
        {"PopupMenuZoom", "Zoom"},
        {"PopupMenuPan", "Pan image"},
        {"PopupMenuMarque", "Set video marks"},
        {"PopupMenuEchelle", "Calibrate an object"},
        {"PopupMenuEchelleVert", "Define vertical scale"},
        {"PopupMenuEchelleHoriz", "Define horizontal scale"},
        {"PopupMenuOrigine", "Choose a coordinate system"},
        {"PopupMenuTsp", "Use a layer"},
        {"PopupMenuDeplacer", "Move a video mark"},
        {"PopupMenuEffacer", "Erase marks"},
    };
    const char* popupButtons[] = {"ButtonOutilZoom",    "ButtonOutilPan",         "ButtonOutilMarque",
                                  "ButtonOutilEchelle", "ButtonOutilEchelleVert", "ButtonOutilEchelleHoriz",
                                  "ButtonOutilOrigine", "ButtonOutilTsp",         "ButtonOutilDeplacer",
                                  "ButtonOutilEffacer"};
    for (size_t i = 0; i < std::size(popup); ++i) {
        const QString button = QString::fromLatin1(popupButtons[i]);
        connect(
            MakeItem(FPopupMenu, QString::fromLatin1(popup[i].first), QString::fromLatin1(popup[i].second)),
            &QAction::triggered, this, [this, button] {
                Button(button)->setChecked(true);
                QCoreApplication::processEvents();
                ToolButtonClick(button);
                QCoreApplication::processEvents();
            });
    }
}

void TMainForm::CreateObjects()
{
    FOptions = std::make_unique<TOptions>(FSettingsFile);
    FBoiteValeur = std::make_unique<TBoiteValeur>();
    FResCalc = std::make_unique<TResCalc>();
    FMontage = std::make_unique<TMontage>();
    FData = std::make_unique<TData>(FOptions.get(), FVideo);
    FVideo->SetData(FData.get());
    FCalcSource = std::make_unique<TDataCalcSource>(*FData, *FOptions, [this] { return VideoOpen(); });
    FResCalc->SetSource(FCalcSource.get());
    FResCalc->IsLayerMode = [this] { return FVideo->Mode() == mvTransparent; };
    FData->ApplyOptions();

    FResGrid = std::make_unique<TResGrid>(*FResCalc, *FOptions);
    FServeur = std::make_unique<TServeur>(*FOptions);
    FServeur->VideoFileName = [this] { return VideoOpen() ? FVideo->Sources().VideoFileName() : QString(); };
    FResForm = new TResForm(*FResCalc, *FResGrid, *FServeur, *FOptions, this);
    FResForm->VideoOpen = [this] { return VideoOpen(); };
    FResForm->GridAngle = [this] { return FData->GridAngle(false); };
    PrepareResults = [this] { return FResForm->PrepareResults(); };
    ShowResultsPage = [this](const QString& buttonName) {
        if (FResForm->ShowPage(TResForm::PageOfButton(buttonName)))
            FResForm->exec();
    };

    // The value dialog reads the current state of the objects it asks about.
    TValeurContext& c = FBoiteValeur->Context;
    c.IsOpen = [this] { return VideoOpen(); };
    c.GridAngle = [this] { return FData->GridAngle(false); };
    c.FrameRate = [this] { return FVideo->Sources().FramesPerSecond(); };
    c.ScaleLength = [this](TTypeSaisieLongueur which) {
        return FData->Echelle->Length(which == slLongueurH   ? teHoriz
                                      : which == slLongueurV ? teVert
                                                             : teNormale);
    };
    c.TrackingRadius = [this] { return FOptions->TrackingRadius; };
    c.MarksDrawn = [this] { return FData->ActiveList().MarksNumberToDraw; };
    c.ObjectsPerFrame = [this] { return FData->NbObjets(); };
    c.CurrentPosition = [this] { return FVideo->CurrentPosition(); };
    c.FrameCountVisible = [this] { return FVideo->FrameCountVisible(); };
    c.FramesBetweenMarks = [this] { return FData->FramesNumberBetweenTwoMarks; };

    // Navigation follows the edited time base outside the editing mode.
    TVideoSources& sources = FVideo->Sources();
    sources.FrameAtPosition = [this](int position) { return FMontage->FrameAt(position); };
    sources.PositionOfFrame = [this](int frame) { return FMontage->PositionOf(frame); };
    sources.VisibleCount = [this] { return FMontage->VisibleCount; };
    FVideo->ShiftOfFrame = [this](int frame) { return FMontage->ShiftOf(frame); };

    // The project file reaches the window's objects through its host.
    TKtrHost host;
    host.Data = FData.get();
    host.Montage = FMontage.get();
    host.Options = FOptions.get();
    host.VideoOpen = [this] { return VideoOpen(); };
    host.VideoFileName = [this] { return VideoOpen() ? FVideo->Sources().VideoFileName() : QString(); };
    host.ConfirmDiscard = [this] { return ConfirmDiscard(0); };
    host.OpenVideo = [this](const QString& path) {
        // The work may go already: the old video closes first, so that opening it asks nothing more.
        StopActivities();
        FVideo->OpenVideo(QString());
        OpenVideoFile(path);
        return VideoOpen();
    };
    host.CloseVideo = [this] {
        TUserDlg::Instance().SetMute(true);
        StopActivities();
        FVideo->OpenVideo(QString());
        FVideo->SetMode(mvRepereFixe);
        TUserDlg::Instance().SetMute(false);
        LayoutView();
        EnableCommands(false);
    };
    host.SaveViewState = [this](TIniFile& ini) { FVideo->SaveState(ini); };
    host.LoadViewState = [this](const TIniFile& ini) { FVideo->LoadState(ini); };
    host.ProjectLoaded = [this] {
        FResCalc->Invalidate(kindBoth);
        OutilChanged();
        LayoutView();
    };
    host.LastFolder = [this] { return FRecent->Directory; };
    host.SetLastFolder = [this](const QString& folder) { FRecent->Directory = folder; };
    host.AddRecentFile = [this](const QString& path) { AddRecentFile(path); };
    host.VideoFilter = VideoOpenFilter();
    FKtr = std::make_unique<TKtr>(std::move(host));
    OpenProjectHandler = [this](const QString& path) { return FKtr->OpenProject(path); };
    SaveProjectHandler = [this] { return FKtr->SaveProject(); };
}

void TMainForm::WireNotifications()
{
    FVideo->OnOpen = [this] { VideoOpened(); };
    FVideo->OnClose = [this] {
        FTrackBarUpdating = true;
        FTrackBar->setValue(0);
        FTrackBarUpdating = false;
        FVideo->CursorRefresh();
    };
    FVideo->OnPaint = [this] { ViewPainted(); };
    FVideo->OnZoomChange = [this] { ZoomChanged(); };
    FVideo->OnModeChange = [this] { ModeChanged(); };
    FVideo->OnModeButtons = [this] { UpdateModeButtons(); };
    FVideo->OnViewToolChange = [this] {
        if (FVideo->OutilVue() == ovZoom) {
            PressTool(QStringLiteral("ButtonOutilZoom"));
            SetViewHint(QStringLiteral("Left-click = make bigger; right-click = make smaller; press CTRL "
                                       "simultaneously to slow down"));
        } else if (FVideo->OutilVue() == ovPan) {
            PressTool(QStringLiteral("ButtonOutilPan"));
            SetViewHint(QStringLiteral("Pan frame"));
        } else {
            OutilChanged();
        }
        FVideo->CursorRefresh();
    };
    FVideo->OnMessage = [this](const QString& text) {
        TUserDlg::Instance().Message(icWarning, {text});
        CloseVideo();
    };

    FData->OnMarquesChange = [this](TData&) { MarquesChanged(); };
    FData->OnRepereChange = [this](TData&) { RepereChanged(); };
    FData->OnEchelleChange = [this](TData&) { EchelleChanged(); };
    FData->OnNbObjetsChange = [this](TData&) {
        if (VideoOpen())
            FVideo->update();
    };
    FData->OnOutilChange = [this](TData&) { OutilChanged(); };
    FData->OnTypeEchelleChange = [this](TData&) {
        if (FData->Outil == otEchelle)
            PressTool(FData->ScaleKind() == teHoriz  ? QStringLiteral("ButtonOutilEchelleHoriz")
                      : FData->ScaleKind() == teVert ? QStringLiteral("ButtonOutilEchelleVert")
                                                     : QStringLiteral("ButtonOutilEchelle"));
    };
    FData->OnCouleurChange = [this](TData&) {
        if (VideoOpen())
            FVideo->update();
    };
    FData->OnVisibiliteChange = [this](TData&) {
        if (VideoOpen())
            FVideo->update();
    };
    FData->OnInvalidateResults = [this](int kind) { FResCalc->Invalidate(kind); };

    FOptions->OnOptionsChange = [this](TOptions& options) {
        FData->ApplyOptions();
        FResForm->ApplyOptions();
        FRecent->SetMaxEntries(std::clamp(options.EditMRU, 1, 20));
        ShowModeButtons();
        ShowToolButtons();
        ShowResultsButtons();
        FVideo->update();
    };
}

// ====================================================================================================
// Layout

void TMainForm::PlaceBars()
{
    const QSize client = FClient->size();
    const int modeHeight = FModeBar->sizeHint().height();
    const int panelHeight = 40;
    const int toolsWidth = FToolsBar->sizeHint().width();
    const int resultsWidth = FResultsBar->sizeHint().width();
    FModeBar->setGeometry(0, 0, client.width(), modeHeight);
    FToolsBar->setGeometry(0, modeHeight, toolsWidth, client.height() - modeHeight - panelHeight);
    FResultsBar->setGeometry(client.width() - resultsWidth, modeHeight, resultsWidth,
                             client.height() - modeHeight - panelHeight);
    FPanel->setGeometry(0, client.height() - panelHeight, client.width(), panelHeight);
}

void TMainForm::LayoutView()
{
    PlaceBars();
    TLayoutInput in;
    in.Client = FClient->size();
    in.ToolsBarWidth = FToolsBar->width();
    in.ResultsBarWidth = FResultsBar->width();
    in.ModeBarHeight = FModeBar->height();
    in.StatusBarHeight = 0; // the status bar lies below the client area
    in.PanelHeight = FPanel->height();
    in.ButtonWidth = 30;
    if (VideoOpen())
        in.Video = FVideo->FrameSize();
    const TLayoutResult r = ::LayoutView(in);
    FVideo->setGeometry(r.View);
    FVideo->TitleSize = r.TitleSize;
    FEditImage->setGeometry(r.EditImage);
    FEditMarque->setGeometry(r.EditMarque);
    FEditZoom->setGeometry(r.EditZoom);
    FEditAngle->setGeometry(r.EditAngle);
    for (int i = 0; i < 6; ++i)
        Button(FNavigation[i])->setGeometry(r.Buttons[i]);
    FTrackBar->setGeometry(r.TrackBar);
    FVideo->Recompute();
    FVideo->update();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutView();
}

// ====================================================================================================
// Showing, opening and closing

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    LayoutView();
    if (FShownOnce)
        return;
    FShownOnce = true;
    FRecent->SetMaxEntries(std::min(20, std::max(1, FOptions->EditMRU)));
    LoadRecent();
    const QString start = FStartFile;
    if (start.isEmpty())
        return;
    // After the window is on screen, as the user would see it.
    QMetaObject::invokeMethod(
        this,
        [this, start] {
            const QString suffix = QLatin1Char('.') + QFileInfo(start).suffix();
            if (VideoExtensions().contains(suffix, Qt::CaseInsensitive))
                OpenVideoFile(start);
            if (suffix.compare(QLatin1String(".ktr"), Qt::CaseInsensitive) == 0)
                OpenProject(start);
        },
        Qt::QueuedConnection);
}

bool TMainForm::VideoOpen() const
{
    return FVideo && FVideo->IsOpen();
}

bool TMainForm::MarkingMode() const
{
    return FVideo->Mode() == mvRepereFixe || FVideo->Mode() == mvTransparent;
}

void TMainForm::OpenVideoFile(const QString& path)
{
    if (!ConfirmDiscard(0))
        return;
    TUserDlg& box = TUserDlg::Instance();
    if (!QFileInfo(path).isFile()) {
        box.Begin(icWarning)
            .Line(path, true, clBlue)
            .Blank()
            .Line(QStringLiteral("Unable to open this video file."))
            .Blank()
            .Line(QStringLiteral("Check that it has not been moved."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return;
    }
    FRecent->Directory = QFileInfo(path).absolutePath();
    FVideo->OpenVideo(path);
    if (VideoOpen()) {
        OutilChanged();
        EnableCommands(true);
        return;
    }
    LayoutView();
    box.Begin(icWarning)
        .Line(path, true, clBlue)
        .Blank()
        .Line(QStringLiteral("Can not open this video file. Possible Problems and suggestions:"))
        .Blank();
    if (!FVideo->ErrorText().isEmpty()) {
        box.Line(FVideo->ErrorText());
    } else {
        box.Line(QStringLiteral("The file is corrupted"))
            .Line(QString::fromUtf8(
                "your computer does not have the necessary codec (install the GStreamer plugins "
                "« gstreamer1.0-libav » and « gstreamer1.0-plugins-bad »)."));
    }
    box.Button(QStringLiteral("Ok"), btOk).Execute();
    EnableCommands(false);
}

void TMainForm::VideoOpened()
{
    FResCalc->Invalidate(kindBoth);
    FMontage->Init(FVideo->Sources().FrameCount());
    FData->Reset();
    FData->SetRequiredDuration(FVideo->Sources().SecondsPerFrame());
    LayoutView();
    FVideo->CursorRefresh();
    ZoomChanged();
    FVideo->setVisible(true);
}

void TMainForm::OpenProject(const QString& path)
{
    if (OpenProjectHandler && OpenProjectHandler(path))
        AddRecentFile(path);
}

bool TMainForm::SaveProject()
{
    return SaveProjectHandler ? SaveProjectHandler() : false;
}

void TMainForm::CloseVideo()
{
    if (!ConfirmDiscard(1))
        return;
    TUserDlg& box = TUserDlg::Instance();
    box.SetMute(true);
    StopActivities();
    FVideo->OpenVideo(QString());
    FVideo->SetMode(mvRepereFixe);
    box.SetMute(false);
    LayoutView();
    EnableCommands(false);
}

bool TMainForm::ConfirmDiscard(int reason)
{
    if (!VideoOpen() || !FOptions->CheckBox4ConfirmationFileChange)
        return true;
    const int pressed =
        TUserDlg::Instance()
            .Begin(icConfirmation)
            .Line(QStringLiteral("Save project to file"))
            .Blank()
            .Line(reason == 0 ? QStringLiteral("Cancel opening") : QStringLiteral("Cancel closing"))
            .Blank()
            .Line(QStringLiteral("Ignore saving and continue"))
            .Button(QStringLiteral("Save"), btEnregistrer)
            .Button(QStringLiteral("Cancel"), btAnnuler)
            .Button(QStringLiteral("Ignore"), btIgnorer)
            .Execute();
    if (pressed == 0) {
        SaveProject(); // the opening or closing goes on whatever the outcome of the save
        return true;
    }
    return pressed != 1;
}

void TMainForm::StopActivities()
{
    FVideo->Sources().Stop();
}

void TMainForm::OpenByExtension(const QString& path)
{
    const QString suffix = QLatin1Char('.') + QFileInfo(path).suffix();
    if (VideoExtensions().contains(suffix, Qt::CaseInsensitive))
        OpenVideoFile(path);
    else if (suffix.compare(QLatin1String(".ktr"), Qt::CaseInsensitive) == 0)
        OpenProject(path);
}

void TMainForm::AddRecentFile(const QString& path)
{
    if (FOptions->CheckBox6FreezeMRU || path.isEmpty() || !QFileInfo(path).isFile())
        return;
    FRecent->Add(path);
}

void TMainForm::OpenDialog(int filterIndex)
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Open;
    request.Filter = VideoOpenFilter();
    request.FilterIndex = filterIndex;
    request.DefaultExt = filterIndex == 2 ? QStringLiteral("ktr") : QStringLiteral("avi");
    request.Title = filterIndex == 2 ? QStringLiteral("Load an KTR file") : QStringLiteral("Open video file");
    if (!FOptions->DefaultDirectory.isEmpty() && QFileInfo(FOptions->DefaultDirectory).isDir())
        request.InitialDir = FOptions->DefaultDirectory;
    else if (!FRecent->Directory.isEmpty())
        request.InitialDir = FRecent->Directory;
    else
        request.InitialDir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const TFileDialogResult result = TDialogService::Instance().FileDialog(request);
    if (!result.Accepted || !QFileInfo(result.FileName).isFile())
        return;
    // The filter chosen in the dialog decides, not the menu item.
    if (result.FilterIndex == 2)
        OpenProject(result.FileName);
    else
        OpenVideoFile(result.FileName);
    AddRecentFile(result.FileName);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!FOptions->CheckBox3ConfirmationQuit) {
        StopActivities();
        event->accept();
        return;
    }
    TUserDlg& box = TUserDlg::Instance();
    box.Begin(icConfirmation);
    if (VideoOpen())
        box.Line(QStringLiteral("Save project to file")).Blank();
    box.Line(QStringLiteral("Cancel closing")).Blank().Line(QStringLiteral("Exit program now"));
    if (VideoOpen())
        box.Button(QStringLiteral("Save"), btEnregistrer);
    box.Button(QStringLiteral("Cancel"), btAnnuler).Button(QStringLiteral("Quit"), btQuitter);
    int pressed = box.Execute();
    if (!VideoOpen())
        ++pressed; // the same meaning as with the "Save" button first
    if (pressed == 1) {
        event->ignore();
        return;
    }
    if (pressed == 0)
        SaveProject();
    StopActivities();
    event->accept();
}

// ====================================================================================================
// Recent files

void TMainForm::LoadRecent()
{
    const TIniFile ini(FSettingsFile);
    FRecent->Directory = ini.ReadString(MainFormSection, QStringLiteral("Directory"), QString());
    FRecent->Load(ini, RecentSection);
}

void TMainForm::SaveRecent()
{
    if (FSettingsFile.isEmpty())
        return;
    TIniFile ini(FSettingsFile);
    if (!ini.ReadOk())
        return;
    ini.WriteString(MainFormSection, QStringLiteral("Directory"), FRecent->Directory);
    FRecent->Save(ini, RecentSection);
    ini.UpdateFile(); // a failure keeps the previous list: nothing to tell the user at exit
}

void TMainForm::RebuildRecentMenu()
{
    if (!FMenuRecent)
        return;
    FMenuRecent->clear();
    const QStringList& files = FRecent->Files();
    for (int i = 0; i < files.size(); ++i) {
        QAction* a = FMenuRecent->addAction(FRecent->Caption(i));
        a->setStatusTip(files[i]);
        const QString path = files[i];
        connect(a, &QAction::triggered, this, [this, path] {
            if (FRecent->OnClick)
                FRecent->OnClick(path);
        });
    }
    FMenuRecent->setEnabled(!files.isEmpty());
}

// ====================================================================================================
// Rules of the controls

QToolButton* TMainForm::Button(const QString& name) const
{
    const auto it = FButtons.find(name);
    return it == FButtons.end() ? nullptr : it->second;
}

QAction* TMainForm::MenuItem(const QString& name) const
{
    const auto it = FItems.find(name);
    return it == FItems.end() ? nullptr : it->second;
}

void TMainForm::ClickButton(const QString& name)
{
    if (QToolButton* b = Button(name); b && b->isEnabled() && b->isVisible())
        b->click();
}

void TMainForm::EnableCommands(bool enable)
{
    const bool open = VideoOpen();
    setWindowTitle(open ? FVideo->Sources().VideoFileName() : QStringLiteral("Kinotra"));
    for (const char* name :
         {"ButtonModeMontage", "ButtonModeRepereFixe", "ButtonModeTracking", "ButtonModeTransparent"})
        Button(QString::fromLatin1(name))->setEnabled(enable && open);
    UpdateModeButtons();
    for (QAction* a : FToolsBar->actions()) {
        auto* b = qobject_cast<QToolButton*>(FToolsBar->widgetForAction(a));
        if (!b || KeepsItsEnabling(b->objectName()))
            continue;
        b->setEnabled(enable && open && !NotAvailableYet(b->objectName()));
        if (!b->isEnabled())
            b->setChecked(false);
    }
    // Only the datasheet has its page in the results window so far.
    for (QAction* a : FResultsBar->actions())
        if (QWidget* w = FResultsBar->widgetForAction(a))
            w->setEnabled(enable && open && w->objectName() == QLatin1String("ButtonMenuTableau"));
    EnableNavigation(enable && open &&
                     !(FData->Outil == otEchelle && FData->CurrentScalePointsNumber() == 1));
    if (!enable) {
        FEditImage->clear();
        FEditMarque->clear();
        FEditZoom->clear();
        FEditAngle->clear();
    }
}

void TMainForm::EnableNavigation(bool enable)
{
    for (const QString& name : FNavigation)
        Button(name)->setEnabled(enable);
    FTrackBar->setEnabled(enable);
}

void TMainForm::UpdateModeButtons()
{
    const TModeVideo mode = FVideo->Mode();
    const bool open = VideoOpen();
    Button(QStringLiteral("ButtonModeCapture"))->setChecked(mode == mvCapture);
    Button(QStringLiteral("ButtonModeStudio"))->setChecked(mode == mvStudio);
    Button(QStringLiteral("ButtonModeRepereFixe"))->setChecked(open && mode == mvRepereFixe);
    Button(QStringLiteral("ButtonModeTransparent"))->setChecked(open && mode == mvTransparent);
    Button(QStringLiteral("ButtonModeMontage"))->setChecked(open && mode == mvMontage);
    Button(QStringLiteral("ButtonModeTracking"))->setChecked(open && mode == mvTracking);
}

void TMainForm::ShowModeButtons()
{
    auto show = [this](const char* name, bool visible) {
        FModeBar->actions().size(); // the bar owns the actions of its widgets
        for (QAction* a : FModeBar->actions())
            if (FModeBar->widgetForAction(a) == Button(QString::fromLatin1(name)))
                a->setVisible(visible);
    };
    show("ButtonModeRepereFixe", true);
    show("ButtonModeTransparent", true);
    show("ButtonModeMontage", FOptions->CheckBox48AllowMontage);
    show("ButtonModeTracking", FOptions->CheckBox47AllowTracking);
    show("ButtonModeCapture", FOptions->CheckBox49AllowCapture);
    show("ButtonModeStudio", FOptions->CheckBox58AllowStudio);
}

void TMainForm::ShowToolButtons()
{
    const TModeVideo mode = FVideo->Mode();
    const bool marking = MarkingMode();
    const bool separate = FOptions->CheckBox41HorizAndVertScale;
    auto rule = [&](const QString& name) -> bool {
        if (name == QLatin1String("ButtonOutilZoom") || name == QLatin1String("ButtonOutilPan"))
            return mode != mvCapture;
        if (name.startsWith(QLatin1String("ButtonStudio")))
            return mode == mvStudio;
        if (name.startsWith(QLatin1String("ButtonCap")))
            return mode == mvCapture;
        if (name.startsWith(QLatin1String("ButtonMontage")))
            return mode == mvMontage;
        if (name == QLatin1String("ButtonTrackNumMarque"))
            return mode == mvTracking && FData->NbObjets() > 1;
        if (name.startsWith(QLatin1String("ButtonTrack")))
            return mode == mvTracking;
        if (name == QLatin1String("ButtonOutilDeplacer") || name == QLatin1String("ButtonOutilEffacer") ||
            name == QLatin1String("ButtonOutilNom"))
            return marking;
        if (name == QLatin1String("ButtonOutilMarque") || name == QLatin1String("ButtonOutilOrigine"))
            return mode == mvRepereFixe;
        if (name == QLatin1String("ButtonOutilTsp"))
            return mode == mvTransparent;
        if (name == QLatin1String("ButtonOutilEchelle"))
            return marking && !separate;
        if (name == QLatin1String("ButtonOutilEchelleHoriz") ||
            name == QLatin1String("ButtonOutilEchelleVert"))
            return marking && separate;
        return false;
    };
    for (QAction* a : FToolsBar->actions())
        if (QWidget* w = FToolsBar->widgetForAction(a))
            a->setVisible(rule(w->objectName()));
}

void TMainForm::ShowResultsButtons()
{
    const bool marking = MarkingMode();
    const std::pair<const char*, bool> rules[] = {
        {"ButtonMenuTableau", FOptions->CheckBox37GridShowItem},
        {"ButtonMenuTemps", FOptions->CheckBox15TimeShowItem},
        {"ButtonMenuReferentiel", FOptions->CheckBox18TrajectoryShowItem},
        {"ButtonMenuVecteur", FOptions->CheckBox22VectorShowItem},
        {"ButtonMenuFormule", FOptions->CheckBox28FormulaShowItem},
    };
    for (QAction* a : FResultsBar->actions()) {
        QWidget* w = FResultsBar->widgetForAction(a);
        for (const auto& [name, option] : rules)
            if (w && w->objectName() == QLatin1String(name))
                a->setVisible(marking && option);
    }
}

void TMainForm::ShowNavigation()
{
    const bool shown = FVideo->Mode() != mvCapture;
    for (const QString& name : FNavigation)
        Button(name)->setVisible(shown);
    FTrackBar->setVisible(shown);
    for (QLineEdit* e : {FEditImage, FEditMarque, FEditZoom, FEditAngle})
        e->setVisible(shown);
    EnableNavigation(shown && VideoOpen() &&
                     !(FData->Outil == otEchelle && FData->CurrentScalePointsNumber() == 1));
}

void TMainForm::ModeChanged()
{
    const TModeVideo mode = FVideo->Mode();
    FMenuAffichage->setEnabled(mode != mvCapture);
    FMenuMesures->setEnabled(mode != mvCapture);
    FEditAngle->setEnabled(mode == mvRepereFixe);
    FEditMarque->setEnabled(mode != mvTracking);
    ShowNavigation();
    ShowToolButtons();
    ShowResultsButtons();
    UpdateModeButtons();
    ViewPainted();
    RepereChanged();
    FVideo->CursorRefresh();
    FVideo->update();
}

void TMainForm::PressTool(const QString& name)
{
    for (QAction* a : FToolsBar->actions())
        if (auto* b = qobject_cast<QToolButton*>(FToolsBar->widgetForAction(a)))
            b->setChecked(b->objectName() == name);
}

void TMainForm::SetViewHint(const QString& hint)
{
    FVideo->setStatusTip(hint);
    statusBar()->showMessage(hint);
}

void TMainForm::OutilChanged()
{
    if (FVideo->OutilVue() != ovNone)
        FVideo->SetOutilVue(ovNone);
    const TOutil tool = FData->Outil;
    switch (tool) {
    case otEchelle:
        PressTool(FData->ScaleKind() == teHoriz  ? QStringLiteral("ButtonOutilEchelleHoriz")
                  : FData->ScaleKind() == teVert ? QStringLiteral("ButtonOutilEchelleVert")
                                                 : QStringLiteral("ButtonOutilEchelle"));
        SetViewHint(
            QStringLiteral("Left-click (or Enter) = define one end; right-click (or Esc) = cancel; Ctrl + "
                           "arrow key = move the mouse pointer"));
        FEditMarque->setText(QStringLiteral(" "));
        RepereChanged();
        break;
    case otMarque:
        PressTool(QStringLiteral("ButtonOutilMarque"));
        SetViewHint(
            QStringLiteral("Left-click (or Enter) = put a mark; right-click (or Esc) = cancel; Ctrl + arrow "
                           "key = move the mouse pointer"));
        break;
    case otDeplacer:
        PressTool(QStringLiteral("ButtonOutilDeplacer"));
        SetViewHint(QStringLiteral("Left-click = drag and drop"));
        break;
    case otOrigine:
        PressTool(QStringLiteral("ButtonOutilOrigine"));
        SetViewHint(
            QStringLiteral("Left-click (or Enter) = set the origine; right-click (or Esc) = cancel; Ctrl + "
                           "arrow key = move the mouse pointer"));
        break;
    case otEffacer:
        PressTool(QStringLiteral("ButtonOutilEffacer"));
        SetViewHint(
            QStringLiteral("Left-click = remove the mark under the mouse pointer; right-click = remove the "
                           "marks of the current image"));
        break;
    case otTsp:
        PressTool(QStringLiteral("ButtonOutilTsp"));
        SetViewHint(
            QStringLiteral("Left-click = drag and drop; right-click or ESC = cancel; + or - = layer size"));
        FEditAngle->clear();
        break;
    case otNone:
        return;
    }
    if (tool != otEchelle) {
        MarquesChanged();
        if (tool != otTsp)
            RepereChanged();
    }
    FVideo->CursorRefresh();
    FVideo->update();
}

void TMainForm::ViewPainted()
{
    if (!VideoOpen()) {
        FEditImage->clear();
        return;
    }
    FTrackBarUpdating = true;
    FTrackBar->setMaximum(std::max(0, FVideo->FrameCountVisible() - 1));
    FTrackBar->setValue(FVideo->CurrentPosition());
    FTrackBarUpdating = false;
    FEditImage->setText(
        QStringLiteral(" %1/%2").arg(FVideo->CurrentPosition() + 1).arg(FVideo->FrameCountVisible()));
}

void TMainForm::ZoomChanged()
{
    FEditZoom->setText(VideoOpen() ? QStringLiteral(" %1 %").arg(FVideo->Zoom()) : QString());
}

void TMainForm::MarquesChanged()
{
    FEditMarque->setText(VideoOpen() ? QStringLiteral(" %1").arg(FData->MarksCount()) : QString());
}

void TMainForm::RepereChanged()
{
    if (!VideoOpen() || FVideo->Mode() == mvTransparent || !FData->RepereFixe->Defined()) {
        FEditAngle->clear();
        return;
    }
    FEditAngle->setText(AngleFieldText(FData->GridAngle(false) * 180.0 / std::numbers::pi));
}

void TMainForm::EchelleChanged()
{
    if (!VideoOpen())
        return;
    const int points = FData->CurrentScalePointsNumber();
    EnableNavigation(points != 1);
    if (points == 2)
        AskScaleLength();
}

void TMainForm::AskScaleLength()
{
    const int kind = FData->ScaleKind();
    if (FData->Echelle->PointsNumber(kind) != 2)
        return;
    FBoiteValeur->SetTypeSaisieLongueur(kind == teHoriz  ? slLongueurH
                                        : kind == teVert ? slLongueurV
                                                         : slLongueurN);
    FBoiteValeur->SetTypeSaisie(tsLongueur);
    if (!FBoiteValeur->Execute())
        return;
    const double metres = FBoiteValeur->ValueAsDouble();
    if (kind == teHoriz)
        FData->Echelle->SetScaleHorizLength(metres);
    else if (kind == teVert)
        FData->Echelle->SetScaleVertLength(metres);
    else
        FData->Echelle->SetScaleLength(metres);
    FVideo->update();
}

int TMainForm::AskValue(int kind, bool* accepted)
{
    FBoiteValeur->SetTypeSaisie(TTypeSaisie(kind));
    *accepted = FBoiteValeur->Execute();
    return *accepted ? FBoiteValeur->ValueAsInteger() : 0;
}

void TMainForm::UpdateMenus()
{
    const bool open = VideoOpen();
    const TModeVideo mode = FVideo->Mode();
    const bool marking = MarkingMode();
    const bool capture = mode == mvCapture;
    const bool separate = FOptions->CheckBox41HorizAndVertScale;
    auto set = [this](const char* name, bool visible, bool enabled) {
        if (QAction* a = MenuItem(QString::fromLatin1(name))) {
            a->setVisible(visible);
            a->setEnabled(enabled);
        }
    };
    set("MenuFichierOuvrir", !capture, true);
    set("MenuFichierRecent", !capture, !FRecent->Files().isEmpty());
    set("MenuFichierRechercher", !capture, true);
    set("MenuFichierFermerVideo", !capture, open);
    set("MenuFichierEnregistrer", !capture && mode != mvStudio, bool(SaveProjectHandler));
    set("MenuFichierProprietes", !capture, open);
    set("MenuFichierQuitter", true, true);

    const QString undo = open ? FData->UndoCaption() : QString();
    if (QAction* a = MenuItem(QStringLiteral("MenuAffichageAnnuler"))) {
        a->setText((undo.isEmpty() ? QStringLiteral("Cancel") : undo) + QStringLiteral("  (Ctrl A)"));
        a->setVisible(marking);
        a->setEnabled(!undo.isEmpty());
    }
    set("MenuAffichageLoupe", marking, open);
    MenuItem(QStringLiteral("MenuAffichageLoupe"))->setChecked(FVideo->Loupe().Visible);
    set("MenuAffichageCacherImage", marking || mode == mvTracking, open);
    MenuItem(QStringLiteral("MenuAffichageCacherImage"))->setChecked(FVideo->HideFrame);
    set("MenuAffichageAller", !capture, open);
    set("MenuAffichageAllerDerniereImagePointee", marking,
        open && FData->Outil != otEchelle && FData->MarksCount() > 0);
    set("MenuAffichageCouleur", marking || mode == mvTracking, false);
    set("MenuAffichageTaille", marking, open);
    for (int i = 0; i < 3; ++i)
        MenuItem(QStringLiteral("MenuAffichageTaille%1").arg(i))->setChecked(FData->ElementSize == i);
    set("MenuAffichageNumeroter", marking, open && FData->Outil != otEchelle);
    const int numbering = open ? FData->ActiveList().MarksNumberPosition : 0;
    for (int i = 0; i < 3; ++i)
        MenuItem(QStringLiteral("MenuAffichageNumeroter%1").arg(i))->setChecked(numbering == i);
    set("MenuAffichageDessiner", marking, open && FData->Outil != otEchelle);
    const TPolyContainer& list = FData->ActiveList();
    MenuItem(QStringLiteral("MenuAffichageDessinerToutes"))->setChecked(list.MarksIsAllDrawn);
    MenuItem(QStringLiteral("MenuAffichageDessinerDerniere"))
        ->setChecked(!list.MarksIsAllDrawn && list.MarksNumberToDraw == 1);
    MenuItem(QStringLiteral("MenuAffichageDessinerAutres"))
        ->setChecked(!list.MarksIsAllDrawn && list.MarksNumberToDraw != 1);
    set("MenuAffichageEffacer", marking || mode == mvTracking || mode == mvStudio, open);
    set("MenuAffichageEffacerMarques", mode == mvRepereFixe || mode == mvTracking,
        open && marking && FData->MarksCount() > 0);
    set("MenuAffichageEffacerTransparent", mode == mvTransparent, open && FData->MarksCount() > 0);
    set("MenuAffichageEffacerRepere", mode == mvRepereFixe, open && FData->RepereFixe->Defined());
    set("MenuAffichageEffacerEchelle", marking, open && FData->CurrentScalePointsNumber() >= 1);
    const bool anything = FData->Echelle->CurrentPointsNumber() > 0 || FData->MarksCount() > 0 ||
                          (mode == mvRepereFixe && FData->RepereFixe->Defined());
    set("MenuAffichageEffacerTout", marking || mode == mvTracking || mode == mvStudio,
        open && marking && anything);
    set("MenuAffichageOptions", true, false);

    set("MenuMesuresTemps", marking, false);
    set("MenuMesuresNbMarqueParImage", marking || mode == mvTracking, open);
    const int objects = FData->NbObjets();
    for (int i = 1; i <= 4; ++i)
        MenuItem(QStringLiteral("MenuMesuresNbMarqueParImage%1").arg(i))
            ->setChecked(i < 4 ? objects == i : objects > 3);
    set("MenuMesuresNbImagesEntreMarques", marking || mode == mvTracking || mode == mvStudio, open);
    MenuItem(QStringLiteral("MenuMesuresNbImagesEntreMarques1"))
        ->setChecked(FData->FramesNumberBetweenTwoMarks == 1);
    MenuItem(QStringLiteral("MenuMesuresNbImagesEntreMarquesN"))
        ->setChecked(FData->FramesNumberBetweenTwoMarks != 1);
    set("MenuMesuresValeurEchelle", marking && !separate,
        open && FData->Echelle->PointsNumber(teNormale) == 2);
    set("MenuMesuresValeurEchelleVert", marking && separate,
        open && FData->Echelle->PointsNumber(teVert) == 2);
    set("MenuMesuresValeurEchelleHoriz", marking && separate,
        open && FData->Echelle->PointsNumber(teHoriz) == 2);
    set("MenuMesuresAngleRotation", mode == mvRepereFixe, open && FData->RepereFixe->Defined());
    const bool frameDefined = mode == mvTransparent || FData->RepereFixe->Defined();
    set("MenuMesuresInverserAxeX", marking, open && frameDefined);
    set("MenuMesuresInverserAxeY", marking, open && frameDefined);
    MenuItem(QStringLiteral("MenuMesuresInverserAxeX"))->setChecked(!FData->DirectX());
    MenuItem(QStringLiteral("MenuMesuresInverserAxeY"))->setChecked(!FData->DirectY());
    set("MenuMesuresCalculatrice", true, false);
}

// ====================================================================================================
// Commands

void TMainForm::ModeButtonClick(const QString& name)
{
    const TModeVideo mode = FVideo->Mode();
    if (name == QLatin1String("ButtonModeCapture") || name == QLatin1String("ButtonModeStudio")) {
        const TModeVideo own = name == QLatin1String("ButtonModeCapture") ? mvCapture : mvStudio;
        if (mode != own)
            FVideo->SetMode(own);
        else if (!VideoOpen())
            FVideo->SetMode(mvRepereFixe);
        Button(name)->setChecked(FVideo->Mode() == own);
    } else {
        const TModeVideo target = name == QLatin1String("ButtonModeRepereFixe")    ? mvRepereFixe
                                  : name == QLatin1String("ButtonModeTransparent") ? mvTransparent
                                  : name == QLatin1String("ButtonModeMontage")     ? mvMontage
                                                                                   : mvTracking;
        if (mode != target)
            FVideo->SetMode(target);
    }
    UpdateModeButtons();
}

void TMainForm::ToolButtonClick(const QString& name)
{
    if (!VideoOpen())
        return;
    if (name == QLatin1String("ButtonOutilZoom")) {
        FVideo->SetOutilVue(ovZoom);
    } else if (name == QLatin1String("ButtonOutilPan")) {
        if (FVideo->Zoom() <= 100)
            TUserDlg::Instance().Message(icInformation,
                                         {QStringLiteral("Zoom factor must be greater than 100%.")});
        FVideo->SetOutilVue(ovPan);
    } else if (name == QLatin1String("ButtonOutilEchelle") ||
               name == QLatin1String("ButtonOutilEchelleHoriz") ||
               name == QLatin1String("ButtonOutilEchelleVert")) {
        FData->SetScaleKind(name == QLatin1String("ButtonOutilEchelle")        ? teNormale
                            : name == QLatin1String("ButtonOutilEchelleHoriz") ? teHoriz
                                                                               : teVert);
        FData->SetOutil(otEchelle);
        FVideo->update();
    } else if (name == QLatin1String("ButtonOutilMarque")) {
        FData->SetOutil(otMarque);
    } else if (name == QLatin1String("ButtonOutilOrigine")) {
        FData->SetOutil(otOrigine);
    } else if (name == QLatin1String("ButtonOutilTsp")) {
        FData->SetOutil(otTsp);
    } else if (name == QLatin1String("ButtonOutilDeplacer")) {
        FData->SetOutil(otDeplacer);
    } else if (name == QLatin1String("ButtonOutilEffacer")) {
        FData->SetOutil(otEffacer);
    } else {
        // The tools of subsystems that are not part of this program yet.
        Button(name)->setChecked(false);
    }
}

void TMainForm::NavigationClick(const QString& name)
{
    if (!VideoOpen())
        return;
    const int before = FVideo->CurrentPosition();
    if (name == QLatin1String("ButtonVideoLecture"))
        FVideo->Sources().Play(FVideo->CurrentPosition(), FVideo->FrameCountVisible() - 1);
    else if (name == QLatin1String("ButtonVideoPause"))
        FVideo->Sources().Stop();
    else if (name == QLatin1String("ButtonVideoRetour"))
        FVideo->GoToPosition(0);
    else if (name == QLatin1String("ButtonVideoPred"))
        FVideo->GoToPosition(FVideo->CurrentPosition() - 1);
    else if (name == QLatin1String("ButtonVideoSucc"))
        FVideo->GoToPosition(FVideo->CurrentPosition() + 1);
    else if (name == QLatin1String("ButtonVideoAvance"))
        FVideo->GoToPosition(FVideo->FrameCountVisible() - 1);
    if (FVideo->CurrentPosition() != before)
        FVideo->update();
}

void TMainForm::EditImageClick()
{
    if (!VideoOpen())
        return;
    bool accepted = false;
    const int position = AskValue(tsNumImg, &accepted);
    if (accepted && position != FVideo->CurrentPosition())
        FVideo->GoToPosition(position);
}

void TMainForm::EditAngleClick()
{
    if (!VideoOpen() || FVideo->Mode() == mvTransparent || !FData->RepereFixe->Defined())
        return;
    FBoiteValeur->SetTypeSaisie(tsAngle);
    if (FBoiteValeur->Execute()) {
        FData->SetGridAngle(FBoiteValeur->ValueAsDouble());
        FVideo->update();
    }
}

bool TMainForm::ShowResults(const QString& buttonName)
{
    TUserDlg& box = TUserDlg::Instance();
    if (!FData->ScaleDefined()) {
        QImage picture;
        if (FData->ScaleKind() == teNormale) {
            picture = ButtonPicture(QStringLiteral("ButtonOutilEchelle"));
        } else {
            // The missing scales: the horizontal one's picture, the vertical one's drawn over it.
            picture = QImage(32, 32, QImage::Format_ARGB32);
            picture.fill(Qt::transparent);
            QPainter p(&picture);
            if (FData->Echelle->PointsNumber(teHoriz) < 2 || FData->Echelle->Length(teHoriz) <= 0)
                p.drawImage(0, 0, ButtonPicture(QStringLiteral("ButtonOutilEchelleHoriz")));
            if (FData->Echelle->PointsNumber(teVert) < 2 || FData->Echelle->Length(teVert) <= 0)
                p.drawImage(0, 0, ButtonPicture(QStringLiteral("ButtonOutilEchelleVert")));
        }
        box.Begin(icCustom, picture)
            .Line(QStringLiteral("First calibrate an object of know dimension on the screen."))
            .Blank()
            .Line(QStringLiteral("Use the Scale button."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    const QString velocityBox =
        QStringLiteral("Velocity or acceleration calculations need at least five marks to be reliable.");
    auto askVelocity = [&] {
        return box.Begin(icInformation)
                   .Line(velocityBox)
                   .Button(QStringLiteral("Cancel"), btAnnuler)
                   .Button(QStringLiteral("Continue"), btIgnorer)
                   .Execute() == 1;
    };
    if (FVideo->Mode() == mvTransparent) {
        const int n = FData->MarquesTsp->MarksCount();
        if (n <= 2) {
            box.Begin(icCustom, ButtonPicture(QStringLiteral("ButtonOutilTsp")))
                .Line(QStringLiteral("First set at least 3 marks on the trajectory."))
                .Blank()
                .Line(
                    QStringLiteral("With the mouse, drag and drop the layer and point the object position."))
                .Button(QStringLiteral("Ok"), btOk)
                .Execute();
            return false;
        }
        if (n <= 4 && !askVelocity())
            return false;
    } else {
        const int m = FData->SmallestMarksNumber();
        if (m <= 2) {
            box.Begin(icCustom, ButtonPicture(QStringLiteral("ButtonOutilMarque")));
            if (FData->NbObjets() > 1)
                box.Line(QString::asprintf(
                             "You have chosen to point simultaneously the positions of %u objects.",
                             unsigned(FData->NbObjets())))
                    .Blank();
            box.Line(QStringLiteral("First set at least 3 marks."))
                .Blank()
                .Line(QStringLiteral("Use the Marks button."))
                .Button(QStringLiteral("Ok"), btOk)
                .Execute();
            return false;
        }
        if (!FData->RepereFixe->Defined()) {
            box.Begin(icCustom, ButtonPicture(QStringLiteral("ButtonOutilOrigine")))
                .Line(QStringLiteral("First set the origin of the axes."))
                .Blank()
                .Line(QStringLiteral("Use the graph basis button."))
                .Button(QStringLiteral("Ok"), btOk)
                .Execute();
            return false;
        }
        if (m <= 4 && !askVelocity())
            return false;
    }
    if (FOptions->CheckBox38ChangeDefaultObjectsName && FData->ActiveList().HasDefaultNames() &&
        FMainMem.AskObjectNames) {
        const int pressed =
            box.Begin(icCustom, ButtonPicture(QStringLiteral("ButtonOutilNom")))
                .Line(QString::fromUtf8("An object name is assigned by default (« Point n°1 » for example)."))
                .Blank()
                .Line(QStringLiteral(
                    "To make results clearer, it is recommended that you use an explicit name."))
                .Button(QStringLiteral("Give a name"), btCustom)
                .Button(QStringLiteral("Cancel"), btAnnuler)
                .Button(QStringLiteral("Ignore"), btIgnorer)
                .CheckBox(QStringLiteral("Do not show this dialog again"))
                .Execute();
        FMainMem.AskObjectNames = !box.Checked();
        if (pressed == 1)
            return false;
        // "Give a name" opens the names dialog once it exists; the results follow in both cases.
    }
    const bool prepared = PrepareResults && PrepareResults();
    if (!prepared) {
        box.Message(icWarning,
                    {QStringLiteral("The calculation unit has detected an error. Process cancelled.")});
        return false;
    }
    if (ShowResultsPage)
        ShowResultsPage(buttonName);
    return true;
}

// ====================================================================================================
// Keyboard and mouse wheel

void TMainForm::ShowToolMenu()
{
    const QPoint pointer = FVideo->mapFromGlobal(QCursor::pos());
    if (!FVideo->rect().contains(pointer))
        return;
    const TModeVideo mode = FVideo->Mode();
    const bool marking = MarkingMode();
    const bool separate = FOptions->CheckBox41HorizAndVertScale;
    const std::pair<const char*, bool> visible[] = {
        {"PopupMenuZoom", mode != mvCapture},
        {"PopupMenuPan", mode != mvCapture},
        {"PopupMenuMarque", mode == mvRepereFixe},
        {"PopupMenuEchelle", marking && !separate},
        {"PopupMenuEchelleVert", marking && separate},
        {"PopupMenuEchelleHoriz", marking && separate},
        {"PopupMenuOrigine", mode == mvRepereFixe},
        {"PopupMenuTsp", mode == mvTransparent},
        {"PopupMenuDeplacer", marking},
        {"PopupMenuEffacer", marking},
    };
    for (const auto& [name, shown] : visible)
        MenuItem(QString::fromLatin1(name))->setVisible(shown);
    FPopupMenu->popup(QCursor::pos());
}

bool TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (!VideoOpen())
        return false;
    if (key == Qt::Key_Space)
        ShowToolMenu();
    FVideo->ViewKeyDown(key, shift);
    FData->KeyDown(key, shift);
    FVideo->update();
    return true;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::MouseButtonPress && widget) {
        if (watched == FEditImage) {
            EditImageClick();
            return true;
        }
        if (watched == FEditZoom) {
            if (VideoOpen())
                FVideo->ZoomReset();
            return true;
        }
        if (watched == FEditAngle) {
            EditAngleClick();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && widget && widget->window() == this && VideoOpen()) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Menus of the menu bar keep their own keys while they are open.
        if (QApplication::activePopupWidget())
            return false;
        return FormKeyDown(key->key(), key->modifiers());
    }
    if (event->type() == QEvent::Wheel && widget && widget->window() == this && VideoOpen() &&
        !qobject_cast<QSlider*>(widget)) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        FVideo->WheelStep(wheel->angleDelta().y() < 0 ? 1 : -1);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ====================================================================================================
// Help and About

void TMainForm::ShowHelp()
{
    const QString folder = HelpFolder();
    for (const char* name : {"Help_fr.html", "Help_cz.html", "Help_es.html", "Help_en.html", "Help.html"}) {
        const QString path = folder + QString::fromLatin1(name);
        if (QFileInfo(path).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return;
    }
    TUserDlg::Instance()
        .Begin(icWarning)
        .Line(QStringLiteral("Unable to launch help. "))
        .Blank()
        .Line(QString::fromUtf8("Check that the « help » folder exists beside the « kinotra » program."))
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
}

void TMainForm::ShowAbout()
{
    QDialog about(this);
    about.setWindowTitle(QStringLiteral("About Kinotra"));
    about.setFixedSize(486, 268);
    auto* layout = new QVBoxLayout(&about);
    auto* title = new QLabel(
        QStringLiteral("Kinotra %1 (%2)").arg(QApplication::applicationVersion(), QStringLiteral(__DATE__)));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* text = new QLabel(QStringLiteral("Video analysis for physics teaching.\n\n"
                                           "Special thanks\n"
                                           "  Qt, FFmpeg, GStreamer, libjpeg-turbo, libxlsxwriter, libzip\n\n"
                                           "Programming and design\n"
                                           "  The Kinotra developers"));
    text->setWordWrap(true);
    layout->addWidget(text, 1);
    auto* ok = new QPushButton(QStringLiteral("Ok"));
    connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    about.exec();
}
