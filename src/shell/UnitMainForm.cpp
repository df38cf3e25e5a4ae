// The main window: creation and ownership of the program's objects, the open, close and quit flows,
// the controls built from the command table with their rules, the keyboard and the results checks.
#include "shell/UnitMainForm.h"

#include "capture/UnitCapture.h"
#include "editing/UnitRecordMontage.h"
#include "results/UnitCalculator.h"
#include "results/UnitFormulaDlg.h"
#include "shell/UnitBoiteBasculer.h"
#include "shell/UnitBoiteInstant.h"
#include "shell/UnitBoiteNomCouleur.h"
#include "shell/UnitBoiteOptions.h"
#include "shell/UnitBoiteRecordMontage.h"
#include "shell/UnitBoiteTemps.h"
#include "studio/UnitStudio.h"
#include "studio/UnitStudioConvert.h"
#include "video/UnitVideoTracking.h"

#include "calc/UnitResultats.h"
#include "common/UnitDialogs.h"
#include "common/UnitFolders.h"
#include "common/UnitFormat.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "editing/UnitMissingSlots.h"
#include "editing/UnitMontage.h"
#include "export/UnitServeur.h"
#include "formula/UnitFormules.h"
#include "graph/UnitGraph.h"
#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "measurement/UnitTransparent.h"
#include "project/UnitKtr.h"
#include "results/UnitDataCalcSource.h"
#include "results/UnitResChecks.h"
#include "results/UnitResForm.h"
#include "results/UnitResGrid.h"
#include "shell/UnitBoiteValeur.h"
#include "shell/UnitCursors.h"
#include "shell/UnitFileSearch.h"
#include "shell/UnitIcons.h"
#include "shell/UnitLayout.h"
#include "shell/UnitMRUFiles.h"
#include "shell/UnitMenus.h"
#include "video/UnitBoiteProprietes.h"
#include "video/UnitVideo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cmath>
#include <numbers>

namespace {

const QString RecentSection = QStringLiteral("RecentFiles");
const QString MainFormSection = QStringLiteral("MainForm");
constexpr TColor StatusFieldColour = 0x9BDFC4;

// Hints of the status fields: short part, "|", long part.
QString FieldShortHint(const char* hint)
{
    const QString text = QString::fromUtf8(hint);
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    return bar < 0 ? text : text.left(bar);
}

QString FieldLongHint(const char* hint)
{
    const QString text = QString::fromUtf8(hint);
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    return bar < 0 ? text : text.mid(bar + 1);
}

// The drags of the measurement data end when a view tool takes the mouse: the steps of the data's own
// cancel when its tool changes, through its public members.
TCommandId NavigationIds[] = {cmButtonVideoLecture, cmButtonVideoPause, cmButtonVideoRetour,
                              cmButtonVideoPred,    cmButtonVideoSucc,  cmButtonVideoAvance};

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
    FMenus = std::make_unique<TMenus>(*menuBar(), *this, [this](TCommandId id) { RunCommand(id); });
    FMenus->OnAboutToShow = [this] { UpdateMenus(); };
    FRecent->OnChange = [this] { RebuildRecentMenu(); };
    FRecent->OnClick = [this](const QString& path) { OpenByExtension(path); };
    LoadRecent();
    FTitleTimer = new QTimer(this);
    FTitleTimer->setSingleShot(true);
    FTitleTimer->setInterval(200);
    connect(FTitleTimer, &QTimer::timeout, this, [this] { UpdateTitle(); });
    CreateObjects();
    WireNotifications();
    EnableCommands(false); // shows the mode, tool and results buttons by their rules
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    SaveRecent();
    if (FRecordMontage && !FSettingsFile.isEmpty()) {
        TIniFile ini(FSettingsFile);
        if (ini.ReadOk()) {
            FRecordMontage->WriteSettings(ini); // nothing when never read
            ini.UpdateFile();                   // a failure keeps the older choice: nothing to tell at exit
        }
    }
    // The dialogs refer to the objects released below.
    FBoiteRecord.reset();
    FBoiteFormules.reset();
    FBoiteNomCouleur.reset();
    FBoiteOptions.reset();
    // Notifications must not reach a half-destroyed window.
    if (FVideo) {
        FVideo->Sources().Stop();
        FVideo->OnPaint = nullptr;
        FVideo->OnZoomChange = nullptr;
        FVideo->OnClose = nullptr;
        FVideo->OnOpen = nullptr;
        FVideo->OnModeChange = nullptr;
        FVideo->OnModeButtons = nullptr;
        FVideo->OnViewToolChange = nullptr;
        FVideo->OnMessage = nullptr;
        TVideoTracking& tracking = FVideo->Tracking();
        tracking.Stop();
        tracking.OnToolChange = nullptr;
        tracking.OnTrackingStart = nullptr;
        tracking.OnTrackingStop = nullptr;
        tracking.OnProgress = nullptr;
        FVideo->PaintStudio = nullptr;
        FVideo->StudioMouseDown = nullptr;
        FVideo->StudioMouseMove = nullptr;
        FVideo->StudioMouseUp = nullptr;
        FVideo->StudioDoubleClick = nullptr;
        FVideo->StudioCursor = nullptr;
        FVideo->ModeChangeAllowed = nullptr;
        FVideo->SetData(nullptr);
    }
    FData.reset();
    FKtr.reset();
    FMontage.reset();
    FResCalc.reset();
    FOptions.reset();
    FBoiteValeur.reset();
}

void TMainForm::RunCommand(TCommandId id)
{
    const TCommandRow& c = Command(id);
    if (c.Handler && !c.Later)
        (this->*c.Handler)(id);
}

void TMainForm::CreateButtons()
{
    const QSize icons(32, 32);
    auto* navBar = new QToolBar(FPanel); // holds the panel's buttons only so that they share the bar's look
    navBar->hide();
    for (const TCommandRow& c : Commands()) {
        QToolBar* bar = nullptr;
        switch (c.Place) {
        case TCommandPlace::ModeBar:
            bar = FModeBar;
            break;
        case TCommandPlace::ToolsBar:
            bar = FToolsBar;
            break;
        case TCommandPlace::ResultsBar:
            bar = FResultsBar;
            break;
        case TCommandPlace::Navigation:
            bar = navBar;
            break;
        default:
            continue;
        }
        auto* button = new QToolButton(bar);
        const QString name = QString::fromLatin1(c.Name);
        button->setObjectName(name);
        if (c.Picture)
            button->setIcon(ButtonIcon(name));
        button->setToolTip(ShortHint(c));
        button->setStatusTip(LongHint(c));
        button->setCheckable(c.Kind == TCommandKind::Check);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        QAction* action = bar->addWidget(button);
        if (c.Place == TCommandPlace::Navigation) {
            button->setParent(FPanel);
            button->setIconSize(QSize(24, 24));
            button->show();
        } else {
            FBarActions[c.Id] = action;
        }
        FButtons[c.Id] = button;
        const TCommandId id = c.Id;
        connect(button, &QToolButton::clicked, this, [this, id] { RunCommand(id); });
    }
    for (QToolBar* bar : {FModeBar, FToolsBar, FResultsBar}) {
        bar->setIconSize(icons);
        bar->setMovable(false);
        bar->setAutoFillBackground(true);
    }
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

    FModeBar = new QToolBar(QStringLiteral("ToolBarMode"), FClient);
    FModeBar->setObjectName(QStringLiteral("ToolBarMode"));
    FModeBar->addSeparator();
    FToolsBar = new QToolBar(QStringLiteral("ToolBarOutils"), FClient);
    FToolsBar->setObjectName(QStringLiteral("ToolBarOutils"));
    FToolsBar->setOrientation(Qt::Vertical);
    FResultsBar = new QToolBar(QStringLiteral("ToolBarResultats"), FClient);
    FResultsBar->setObjectName(QStringLiteral("ToolBarResultats"));
    FResultsBar->setOrientation(Qt::Vertical);

    // The panel: navigation and the four status fields.
    FPanel = new QWidget(FClient);
    FPanel->setObjectName(QStringLiteral("Panel"));
    FPanel->setAutoFillBackground(true);
    QPalette panel = FPanel->palette();
    panel.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    FPanel->setPalette(panel);
    CreateButtons();

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
        edit->setToolTip(FieldShortHint(hint));
        edit->setStatusTip(FieldLongHint(hint));
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
    FCancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    FCancelButton->setObjectName(QStringLiteral("ButtonCancel"));
    FCancelButton->setToolTip(QStringLiteral("Stop the conversion after the current image"));
    statusBar()->addPermanentWidget(FCancelButton);
    FCancelButton->hide();
    FTimingNote = new QLabel(this);
    FTimingNote->setObjectName(QStringLiteral("TimingNote"));
    statusBar()->addPermanentWidget(FTimingNote);
    FTimingNote->hide();
    statusBar()->setSizeGripEnabled(true);

    FFileSearch = new TFileSearch(this);

    FVideo = new TVideo(FClient);
    FVideo->setObjectName(QStringLiteral("Video"));
    FVideo->CursorOf = [](int number) { return CustomCursor(number); };

    FCapturePreview = new QLabel(FClient);
    FCapturePreview->setObjectName(QStringLiteral("CapturePreview"));
    FCapturePreview->setAlignment(Qt::AlignCenter);
    FCapturePreview->hide();
}

void TMainForm::CreateObjects()
{
    FOptions = std::make_unique<TOptions>(FSettingsFile);
    FBoiteValeur = std::make_unique<TBoiteValeur>();
    FResCalc = std::make_unique<TResCalc>();
    FMontage = std::make_unique<TMontage>();
    FRecordMontage = std::make_unique<TRecordMontage>();
    FData = std::make_unique<TData>(FOptions.get(), FVideo);
    FVideo->SetData(FData.get());
    FCalcSource = std::make_unique<TDataCalcSource>(*FData, *FOptions, [this] { return VideoOpen(); });
    FResCalc->SetSource(FCalcSource.get());
    // The user's formulas and constants, read over the current result table and kept in the project.
    FFormules = std::make_unique<TFormules>();
    FFormules->FormatValue = [](double x) { return FormatSignificant(0, x); };
    FFormules->SetResults(FResCalc.get());
    FFormules->SetSource(FCalcSource.get());
    FFormules->ApplyOptions(*FOptions);

    // The edited time base reaches the view, the data and the dialogs through its host.
    TMontageHost& mh = FMontage->Host;
    mh.VideoOpen = [this] { return VideoOpen(); };
    mh.EditingMode = [this] { return FVideo->Mode() == mvMontage; };
    mh.HasData = [] { return true; };
    mh.CurrentFrame = [this] { return FVideo->CurrentFrame(); };
    mh.Interval = [this] { return FData->RequiredDuration; };
    mh.MarkCount = [this](int frame) {
        return FData->MarquesRep->MarksOnFrame(frame) + FData->MarquesTsp->MarksOnFrame(frame);
    };
    mh.DeleteFrameMarks = [this](int frame) {
        FData->MarquesRep->RemoveFrameMarks(frame);
        FData->MarquesTsp->RemoveFrameMarks(frame);
    };
    mh.ResultsOutOfDate = [this] { FResCalc->Invalidate(kindBoth); };
    mh.GoToFrame = [this](int frame) { FVideo->ShowFrame(frame); };
    mh.Repaint = [this] { FVideo->update(); };
    mh.ExplainToggle = [this] { return FOptions->CheckBox40ShowDialogBoxForHideImage; };
    mh.SeriesDialog = [this](const QString& caption, TBooleanDynArray& selection, bool& show) {
        TBoiteBasculer box(caption, FMontage->FrameCount, this);
        if (!(RunSeriesDialog ? RunSeriesDialog(box) : box.Execute()))
            return false;
        selection = box.Selection();
        show = box.Show();
        return true;
    };
    mh.FrameTimeDialog = [this] {
        TBoiteInstant box(*FMontage, FData->RequiredDuration, this);
        if (RunFrameTimeDialog)
            RunFrameTimeDialog(box);
        else
            box.exec();
    };
    FMontage->OnChange = [this] {
        FResCalc->Invalidate(kindBoth);
        WorkChanged();
        UpdateButtons();
        FVideo->update();
    };
    FResCalc->IsLayerMode = [this] { return FVideo->Mode() == mvTransparent; };
    FData->ApplyOptions();

    FResGrid = std::make_unique<TResGrid>(*FResCalc, *FOptions);
    FServeur = std::make_unique<TServeur>(*FOptions);
    FServeur->VideoFileName = [this] { return VideoOpen() ? FVideo->Sources().VideoFileName() : QString(); };
    // The text export starts in, and records, the folder of the recent-files list.
    FServeur->LastDirectory = [this] { return FRecent->Directory; };
    FServeur->OnDirectoryChange = [this](const QString& folder) { FRecent->Directory = folder; };
    FVideo->Tracking().ApplyOptions(*FOptions, true);
    FBoiteOptions = std::make_unique<TBoiteOptions>(*FOptions, this);
    FBoiteOptions->OnInvalidateResults = [this] { FResCalc->Invalidate(irBoth); };
    FBoiteNomCouleur = std::make_unique<TBoiteNomCouleur>(*FData, this);
    FCalculatrice = new TCalculatrice(FFormules->DecimalSeparator(), this);
    FCalculatrice->setWindowFlag(Qt::Window);
    // Looking for Regressi: the file-search window, whose opened entry goes to the export.
    FServeur->SearchFile = [this](const QString& filter, const std::function<void(const QString&)>& found) {
        FFileSearch->OnOpen = found;
        FFileSearch->SetFilter(filter);
        FFileSearch->show();
        FFileSearch->raise();
    };
    FResForm = new TResForm(*FResCalc, *FResGrid, *FServeur, *FOptions, this);
    FResForm->SetFormules(FFormules.get());
    FResForm->DocumentName = [this] {
        if (!FKtr->FileName.isEmpty())
            return QFileInfo(FKtr->FileName).fileName();
        return VideoOpen() ? QFileInfo(FVideo->Sources().VideoFileName()).fileName() : QString();
    };
    FResForm->VideoOpen = [this] { return VideoOpen(); };
    FResForm->GridAngle = [this] { return FData->GridAngle(false); };
    FResForm->ObjectName = [this](int i) { return FData->ObjectName(i); };
    FResForm->ObjectColor = [this](int i) { return FData->ObjectColour(i); };
    FResForm->VideoSource = [this](TVideoImage& image) {
        // The current frame, with the reference frame that places it behind the vector page.
        TVideoSources& sources = FVideo->Sources();
        const int w = sources.FrameWidth();
        const int h = sources.FrameHeight();
        const TScaleFactors factors = FData->FacteursEchelle();
        if (!VideoOpen() || w <= 0 || h <= 0 || factors.X <= 0 || factors.Y <= 0)
            return false;
        image.Frame = QImage(w, h, QImage::Format_RGB32);
        if (!sources.Draw(image.Frame, QRect(0, 0, w, h), SRCCOPY))
            return false;
        const TRepere& repere = FData->ActiveRepere();
        image.Origin = QPointF(repere.OrigineCurrent.X, repere.OrigineCurrent.Y);
        image.Size = QSizeF(factors.X, factors.Y);
        image.FlipX = !repere.DirectXAxisDirection;
        image.FlipY = !repere.DirectYAxisDirection;
        image.Angle = FData->GridAngle(false);
        return true;
    };
    FResForm->TypeFormula = [this] {
        if (!FBoiteFormules) {
            FBoiteFormules = std::make_unique<TBoiteFormules>(*FFormules, *FResCalc, *FOptions, *FServeur,
                                                              FResForm, FCalculatrice);
            FBoiteFormules->ShowHelp = [this] { ShowHelp(); };
            FBoiteFormules->ShowAbout = [this] { ShowAbout(); };
        }
        FBoiteFormules->GridAngle = FData->GridAngle(false);
        FFormules->ComputeConstants();
        FFormules->ComputeFormulas();
        EditFormulas(*FBoiteFormules);
    };
    FResForm->ShowCalculator = [this] { MenuMesuresCalculatriceClick(cmMenuMesuresCalculatrice); };
    FResForm->ShowHelp = [this] { ShowHelp(); };
    FResForm->ShowAbout = [this] { ShowAbout(); };
    FResForm->SetCursors([](int number) { return CustomCursor(number); });
    FResForm->OnTimeBetweenFrames = [this] { return AskFrameInterval(); };
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
    c.TrackingRadius = [this] { return FVideo->Tracking().SearchRadius(); };
    c.TrackedObject = [this] { return FVideo->Tracking().Driver.ObjectIndex; };
    c.TrackingFirstFrame = [this] {
        const TTracking& driver = FVideo->Tracking().Driver;
        const auto object = std::size_t(driver.ObjectIndex);
        return object < driver.OutlineFrame.size() ? driver.OutlineFrame[object] : 0;
    };
    c.TrackingLastFrame = [this] { return FVideo->Tracking().Driver.LastFrame; };
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
    FVideo->CurrentFrameHidden = [this] { return !FMontage->IsVisible(FVideo->CurrentFrame()); };
    WireStudio();
    WireCapture();
    // The studio keeps its mode while a conversion runs; the capture mode needs a device that connects,
    // and leaving it ends a recording (with its saving) and releases the device.
    FVideo->ModeChangeAllowed = [this](TModeVideo from, TModeVideo to) {
        if (from == mvStudio && FStudio->Recording)
            return false;
        if (to == mvCapture)
            return FCapture->EnterCapture();
        if (from == mvCapture)
            FCapture->LeaveCapture();
        return true;
    };

    // The project file reaches the window's objects through its host.
    TKtrHost host;
    host.Data = FData.get();
    host.Montage = FMontage.get();
    host.Options = FOptions.get();
    host.Formules = FFormules.get();
    host.VideoOpen = [this] { return VideoOpen(); };
    host.VideoFileName = [this] { return VideoOpen() ? FVideo->Sources().VideoFileName() : QString(); };
    host.ConfirmDiscard = [this] { return ConfirmDiscard(0); };
    // The project file has asked ConfirmDiscard already: the same open and close without asking again.
    host.OpenVideo = [this](const QString& path) { return OpenVideoSteps(path); };
    host.CloseVideo = [this] { CloseVideoSteps(); };
    host.SaveViewState = [this](TIniFile& ini) { FVideo->SaveState(ini); };
    host.LoadViewState = [this](const TIniFile& ini) { FVideo->LoadState(ini); };
    host.SaveConstructs = [this](TIniFile& ini) { SaveConstructs(ini); };
    host.LoadConstructs = [this](const TIniFile& ini) { LoadConstructs(ini); };
    host.EditedVideoSaving = [this] { return FRecordMontage->Recording; };
    host.ProjectLoaded = [this] {
        FResCalc->Invalidate(kindBoth);
        for (int k = 0; k < 3; ++k)
            FScalePoints[k] = FData->Echelle->PointsNumber(k);
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
    FVideo->OnViewToolChange = [this] { ViewToolChanged(); };
    FVideo->OnMessage = [this](const QString& text) {
        TUserDlg::Instance().Message(icWarning, {text});
        CloseVideo();
    };
    TVideoTracking& tracking = FVideo->Tracking();
    tracking.OnToolChange = [this] {
        UpdateButtons();
        // The drawing's instructions for the current shape (the zone tool draws broken lines).
        const TVideoTracking& t = FVideo->Tracking();
        if (t.Tool() != 0)
            SetViewHint(OutlineHint(t.Tool() == 1 ? t.Shape() : 1));
    };
    // The table's rules keep the tracking tools disabled during a run; its start/stop stays usable.
    tracking.OnTrackingStart = [this] { UpdateButtons(); };
    tracking.OnTrackingStop = [this] { UpdateButtons(); };
    tracking.OnProgress = [this](int percent) { ShowProgress(percent); };

    FData->OnMarquesChange = [this](TData&) {
        MarquesChanged();
        WorkChanged();
    };
    FData->OnRepereChange = [this](TData&) {
        RepereChanged();
        WorkChanged();
    };
    FData->OnEchelleChange = [this](TData&) {
        WorkChanged();
        EchelleChanged();
    };
    FData->OnNbObjetsChange = [this](TData&) {
        WorkChanged();
        FVideo->Tracking().ObjectsChanged();
        if (!VideoOpen())
            return;
        if (FVideo->Mode() == mvTracking)
            UpdateButtons();
        FVideo->update();
    };
    FData->OnOutilChange = [this](TData&) { OutilChanged(); };
    FData->OnTypeEchelleChange = [this](TData&) {
        if (FData->Outil == otEchelle)
            PressCurrentTool();
    };
    FData->OnCouleurChange = [this](TData&) {
        WorkChanged();
        if (VideoOpen())
            FVideo->update();
    };
    FData->OnVisibiliteChange = [this](TData&) {
        WorkChanged();
        if (VideoOpen())
            FVideo->update();
    };
    FData->OnInvalidateResults = [this](int kind) {
        FResCalc->Invalidate(kind);
        WorkChanged();
    };

    FOptions->OnOptionsChange = [this](TOptions& options) {
        FData->ApplyOptions();
        FVideo->Tracking().ApplyOptions(options);
        FStudio->ApplyOptions(options);
        FFormules->ApplyOptions(options);
        FResForm->ApplyOptions();
        FRecent->SetMaxEntries(std::clamp(options.EditMRU, 1, 20));
        UpdateButtons();
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
        Button(NavigationIds[i])->setGeometry(r.Buttons[i]);
    FTrackBar->setGeometry(r.TrackBar);
    FVideo->Recompute();
    if (FStudio)
        FStudio->Rescale();
    // The capture's picture takes the place between the bars, as large as the picture's shape allows.
    const QRect free(in.ToolsBarWidth, in.ModeBarHeight,
                     std::max(0, in.Client.width() - in.ToolsBarWidth - in.ResultsBarWidth),
                     std::max(0, in.Client.height() - in.ModeBarHeight - in.PanelHeight));
    FCapturePreview->setGeometry(free);
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
        this, [this, start] { OpenByExtension(start); }, Qt::QueuedConnection);
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
    OpenVideoSteps(path);
}

bool TMainForm::OpenVideoSteps(const QString& path)
{
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
        return false;
    }
    StopActivities();
    FRecent->Directory = QFileInfo(path).absolutePath();
    FVideo->OpenVideo(path);
    if (VideoOpen()) {
        OutilChanged();
        FKtr->MarkSaved(); // a new video starts with nothing to save
        EnableCommands(true);
        return true;
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
    return false;
}

void TMainForm::VideoOpened()
{
    FResCalc->Invalidate(kindBoth);
    FResGrid->ResetForNewVideo();
    FMontage->Init(FVideo->Sources().FrameCount());
    FData->Reset();
    std::fill(std::begin(FScalePoints), std::end(FScalePoints), 0);
    FFormules->Clear(); // another video's formulas never reach this one's project
    FStudio->Clear();
    ClearConstructs();
    FData->SetRequiredDuration(FVideo->Sources().SecondsPerFrame());
    // Dropped frames: the file's own timestamps against its rate, said once in the status bar.
    // The nominal interval is the usual one between two frames: a file's average rate counts the gaps.
    const std::vector<double> times = FVideo->Sources().FrameTimes();
    std::vector<double> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    FSlotInterval = 0.0;
    if (!gaps.empty()) {
        std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
        FSlotInterval = gaps[gaps.size() / 2];
    }
    FMissingSlots = FSlotInterval > 0 ? FindMissingSlots(times, 1.0 / FSlotInterval) : TMissingSlots();
    ShowTimingNote();
    LayoutView();
    FVideo->CursorRefresh();
    ZoomChanged();
    FVideo->setVisible(true);
}

void TMainForm::OpenProject(const QString& path)
{
    // The callers that choose a file (open dialog, search) add it to the recent files; an entry opened
    // from the list or from the command line keeps its place.
    if (OpenProjectHandler)
        OpenProjectHandler(path);
}

bool TMainForm::SaveProject()
{
    const bool saved = SaveProjectHandler ? SaveProjectHandler() : false;
    if (saved)
        FKtr->MarkSaved();
    UpdateTitle();
    return saved;
}

bool TMainForm::WorkModified() const
{
    return VideoOpen() && FKtr->Modified();
}

void TMainForm::WorkChanged()
{
    // Writing out the work to compare it costs time with long mark lists: once per burst of changes.
    if (!FTitleTimer->isActive())
        FTitleTimer->start();
}

void TMainForm::UpdateTitle()
{
    FTitleTimer->stop();
    if (!VideoOpen()) {
        setWindowTitle(QStringLiteral("Kinotra"));
        return;
    }
    // The desktop's convention: a leading "*" while the work has unsaved changes.
    const QString path = FVideo->Sources().VideoFileName();
    QElapsedTimer clock;
    clock.start();
    setWindowTitle(WorkModified() ? QLatin1Char('*') + path : path);
    // Long mark lists take longer to compare: the next check waits ten times as long (200 ms at least), so
    // that the check never takes more than a tenth of the time while the work changes.
    FTitleTimer->setInterval(int(std::max<qint64>(200, 10 * clock.elapsed())));
}

void TMainForm::CloseVideo()
{
    if (!ConfirmDiscard(1))
        return;
    CloseVideoSteps();
}

void TMainForm::CloseVideoSteps()
{
    // Notifications raised by the closing objects show no box.
    TUserDlg& box = TUserDlg::Instance();
    box.SetMute(true);
    StopActivities();
    FVideo->OpenVideo(QString());
    FVideo->SetMode(mvRepereFixe);
    FFormules->Clear();
    FStudio->Clear();
    ClearConstructs();
    FMissingSlots = TMissingSlots();
    ShowTimingNote();
    SetViewHint(QString()); // no tool without a video
    box.SetMute(false);
    LayoutView();
    EnableCommands(false);
}

bool TMainForm::ConfirmDiscard(int reason)
{
    if (!VideoOpen() || !FOptions->CheckBox4ConfirmationFileChange || !WorkModified())
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
    // Escape or the close box answer "Cancel": nothing is lost.
    // A save that did not happen (cancelled or failed) stops the opening or closing: the work stays.
    if (pressed == 0)
        return SaveProject();
    return pressed != 1;
}

void TMainForm::StopActivities()
{
    FVideo->Tracking().Stop();
    FVideo->Sources().Stop();
    FStudio->Stop();
    FRecordMontage->Cancel();
    // A recording in progress ends with its saving; the device is released.
    if (FVideo->Mode() == mvCapture)
        FCapture->LeaveCapture();
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
    request.Title = filterIndex == 2 ? QStringLiteral("Load a KTR file") : QStringLiteral("Open video file");
    if (!FOptions->DefaultDirectory.isEmpty() && QFileInfo(FOptions->DefaultDirectory).isDir())
        request.InitialDir = FOptions->DefaultDirectory;
    else if (!FRecent->Directory.isEmpty())
        request.InitialDir = FRecent->Directory;
    else if (const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
             QFileInfo(desktop).isDir())
        request.InitialDir = desktop;
    else
        request.InitialDir = QDir::homePath(); // a folder that does not exist would be taken for a name
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
    // Saving is offered only when the work changed since it was last saved or opened.
    const bool open = WorkModified();
    TUserDlg& box = TUserDlg::Instance();
    box.Begin(icConfirmation);
    if (open)
        box.Line(QStringLiteral("Save project to file")).Blank();
    box.Line(QStringLiteral("Cancel closing")).Blank().Line(QStringLiteral("Exit program now"));
    if (open)
        box.Button(QStringLiteral("Save"), btEnregistrer);
    box.Button(QStringLiteral("Cancel"), btAnnuler).Button(QStringLiteral("Quit"), btQuitter);
    // Escape and the close box answer "Cancel": the window stays.
    const int pressed = box.Execute();
    const int save = open ? 0 : -2, quit = open ? 2 : 1;
    if (pressed != save && pressed != quit) {
        event->ignore();
        return;
    }
    // A save that did not happen (cancelled or failed) keeps the program and the work.
    if (pressed == save && !SaveProject()) {
        event->ignore();
        return;
    }
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
    if (!FMenus)
        return;
    QMenu* recent = FMenus->Menu(cmMenuFichierRecent);
    recent->clear();
    const QStringList& files = FRecent->Files();
    for (int i = 0; i < files.size(); ++i) {
        QAction* a = recent->addAction(FRecent->Caption(i));
        a->setStatusTip(files[i]);
        const QString path = files[i];
        connect(a, &QAction::triggered, this, [this, path] {
            if (FRecent->OnClick)
                FRecent->OnClick(path);
        });
    }
    recent->setEnabled(!files.isEmpty());
}

// ====================================================================================================
// Rules of the controls

QToolButton* TMainForm::Button(TCommandId id) const
{
    Q_ASSERT(id > cmNone && id < cmCount && FButtons[id]);
    return FButtons[id];
}

QAction* TMainForm::MenuItem(TCommandId id) const
{
    return FMenus->Action(id);
}

QMenu* TMainForm::PopupMenu() const
{
    return FMenus->Popup();
}

void TMainForm::ClickButton(TCommandId id)
{
    if (QToolButton* b = Button(id); b->isEnabled() && b->isVisible())
        b->click();
}

TCommandState TMainForm::CommandState() const
{
    TCommandState s;
    s.Open = VideoOpen();
    s.CommandsEnabled = FCommandsEnabled;
    s.Mode = FVideo->Mode();
    s.Tool = FData->Outil;
    s.ViewTool = FVideo->OutilVue();
    const TOptions& o = *FOptions;
    s.SeparateScales = o.CheckBox41HorizAndVertScale;
    s.AllowMontage = o.CheckBox48AllowMontage;
    s.AllowTracking = o.CheckBox47AllowTracking;
    s.AllowCapture = o.CheckBox49AllowCapture;
    s.AllowStudio = o.CheckBox58AllowStudio;
    const bool shown[] = {o.CheckBox37GridShowItem, o.CheckBox15TimeShowItem, o.CheckBox18TrajectoryShowItem,
                          o.CheckBox22VectorShowItem, o.CheckBox28FormulaShowItem};
    std::copy(std::begin(shown), std::end(shown), s.ShowResults);
    s.Objects = FData->NbObjets();
    s.ScaleKind = FData->ScaleKind();
    for (int kind = 0; kind < 3; ++kind)
        s.ScalePoints[kind] = FData->Echelle->PointsNumber(kind);
    s.Marks = FData->MarksCount();
    s.GridDefined = FData->RepereFixe->Defined();
    s.HasRecent = !FRecent->Files().isEmpty();
    s.CanSave = bool(SaveProjectHandler);
    s.UndoCaption = s.Open ? FData->UndoCaption() : QString();
    s.LoupeVisible = FVideo->Loupe().Visible;
    s.HideFrame = FVideo->HideFrame;
    s.ElementSize = FData->ElementSize;
    const TPolyContainer& list = FData->ActiveList();
    s.Numbering = s.Open ? list.MarksNumberPosition : 0;
    s.AllDrawn = list.MarksIsAllDrawn;
    s.NumberToDraw = list.MarksNumberToDraw;
    s.FramesBetweenMarks = FData->FramesNumberBetweenTwoMarks;
    s.ReversedX = !FData->DirectX();
    s.ReversedY = !FData->DirectY();
    s.MontageCurrentVisible = s.Open && FMontage->IsVisible(FVideo->CurrentFrame());
    s.MissingSlots = FMissingSlots.MissingCount();
    s.StudioTool = FStudio->Tool;
    s.StudioOutlines = int(FStudio->Models.size());
    s.StudioRunning = FStudio->Recording || FRecordMontage->Recording;
    s.CaptureRecording = FCapture->IsRecording();
    const TVideoTracking& tracking = FVideo->Tracking();
    const TTracking& driver = tracking.Driver;
    s.TrackTool = tracking.Tool();
    s.TrackShape = tracking.Shape();
    s.TrackRadius = tracking.SearchRadius();
    s.TrackZoneShown = tracking.ShowSearchZone();
    s.TrackRunning = tracking.Running();
    if (s.Mode == mvStudio)
        s.TrackShape = FStudio->Shape; // the shape menu shows the studio's shape in its mode
    if (s.Mode == mvTracking) {
        s.TrackOutline = driver.OutlineDefined();
        s.TrackZones = driver.ZoneCountOf() > 0;
        s.TrackTracked = driver.TrackedCount() > 0;
        s.TrackDoubtful = !driver.DoubtfulFrames(driver.ObjectIndex).empty();
        s.TrackAnyObject =
            driver.OutlineDefinedAll() > 0 || driver.ZoneCountAll() > 0 || driver.TrackedCountAll() > 0;
    }
    return s;
}

void TMainForm::UpdateButtons()
{
    const TCommandState state = CommandState();
    for (const TCommandRow& c : Commands()) {
        QToolButton* b = FButtons[c.Id];
        if (!b)
            continue;
        const bool visible = CommandVisible(c.Id, state);
        if (QAction* a = FBarActions[c.Id])
            a->setVisible(visible);
        else
            b->setVisible(visible);
        b->setEnabled(CommandEnabled(c.Id, state));
        if (!b->isEnabled() && c.Place != TCommandPlace::ModeBar)
            b->setChecked(false); // a button that becomes disabled is released
    }
    FTrackBar->setVisible(state.Mode != mvCapture);
    FTrackBar->setEnabled(CommandEnabled(cmButtonVideoLecture, state));
    if (state.Open && state.CommandsEnabled)
        PressCurrentTool(); // the pressed button follows the tool again once the buttons are enabled
    // Buttons whose pressed state is a rule of the table (the tools of automatic marking, its run).
    for (const TCommandRow& c : Commands())
        if (c.Place == TCommandPlace::ToolsBar && c.Checked && FButtons[c.Id])
            FButtons[c.Id]->setChecked(FButtons[c.Id]->isEnabled() && c.Checked(state));
    UpdateModeButtons();
    UpdatePictures();
}

void TMainForm::UpdatePictures()
{
    // The toggle button tells what the current frame will do after the editing mode; the recording button
    // whether a recording runs.
    const bool visible = !VideoOpen() || FMontage->IsVisible(FVideo->CurrentFrame());
    QToolButton* toggle = Button(cmButtonMontageBasculer);
    const QString tip =
        visible ? QStringLiteral("This frame will be visible in the video after leaving edit mode")
                : QStringLiteral("This frame will not appear any more in the video after leaving "
                                 "edit mode");
    if (toggle->statusTip() != tip) {
        toggle->setStatusTip(tip);
        toggle->setIcon(PictureIcon(visible ? picFrameVisible : picFrameHidden));
    }
    // In the editing mode the view's own hint says the same of the frame shown.
    if (VideoOpen() && FVideo->Mode() == mvMontage && FVideo->statusTip() != tip)
        FVideo->setStatusTip(tip);
    const bool recording = FCapture && FCapture->IsRecording();
    QToolButton* record = Button(cmButtonCapEnregistrer);
    if (record->property("recording").toBool() != recording) {
        record->setProperty("recording", recording);
        record->setIcon(PictureIcon(recording ? picRecording : picNotRecording));
    }
}

void TMainForm::EnableCommands(bool enable)
{
    FCommandsEnabled = enable;
    UpdateTitle();
    UpdateButtons();
    if (!enable) {
        FEditImage->clear();
        FEditMarque->clear();
        FEditZoom->clear();
        FEditAngle->clear();
    }
}

void TMainForm::UpdateModeButtons()
{
    const TModeVideo mode = FVideo->Mode();
    // The capture and studio buttons follow the mode always; the four others only while a video is open
    // and the commands are on.
    const bool shown = VideoOpen() && FCommandsEnabled;
    Button(cmButtonModeCapture)->setChecked(mode == mvCapture);
    Button(cmButtonModeStudio)->setChecked(mode == mvStudio);
    Button(cmButtonModeRepereFixe)->setChecked(shown && mode == mvRepereFixe);
    Button(cmButtonModeTransparent)->setChecked(shown && mode == mvTransparent);
    Button(cmButtonModeMontage)->setChecked(shown && mode == mvMontage);
    Button(cmButtonModeTracking)->setChecked(shown && mode == mvTracking);
}

void TMainForm::ShowNavigation()
{
    const bool shown = FVideo->Mode() != mvCapture;
    for (QLineEdit* e : {FEditImage, FEditMarque, FEditZoom, FEditAngle})
        e->setVisible(shown);
    UpdateButtons(); // the navigation buttons and the track bar by their rules
}

void TMainForm::ModeChanged()
{
    const TModeVideo mode = FVideo->Mode();
    // Inside the editing mode the navigation runs over every frame of the file, hidden ones included.
    FVideo->Sources().EditingMode = mode == mvMontage;
    if (FLastMode == mvMontage && mode != mvMontage)
        FMontage->LeaveEditMode();
    FLastMode = mode;
    FMenus->Menu(cmMenuAffichage)->setEnabled(mode != mvCapture);
    FMenus->Menu(cmMenuMesures)->setEnabled(mode != mvCapture);
    FEditAngle->setEnabled(mode == mvRepereFixe);
    FEditMarque->setEnabled(mode != mvTracking);
    FCapturePreview->setVisible(mode == mvCapture);
    if (mode != mvCapture)
        FCapturePreview->clear();
    if (mode != mvStudio)
        FStudio->SetTool(stNone);
    ShowNavigation();
    ViewPainted();
    // The mark count of the mode's own list (grid or layer): the data's tool changed before the mode.
    if (VideoOpen() && FData->Outil != otEchelle)
        MarquesChanged();
    RepereChanged();
    FVideo->CursorRefresh();
    FVideo->update();
}

void TMainForm::PressTool(TCommandId id)
{
    for (const TCommandRow& c : Commands())
        if (c.Place == TCommandPlace::ToolsBar)
            Button(c.Id)->setChecked(c.Id == id);
}

void TMainForm::PressCurrentTool()
{
    if (FVideo->OutilVue() == ovZoom) {
        PressTool(cmButtonOutilZoom);
        return;
    }
    if (FVideo->OutilVue() == ovPan) {
        PressTool(cmButtonOutilPan);
        return;
    }
    switch (FData->Outil) {
    case otEchelle:
        PressTool(FData->ScaleKind() == teHoriz  ? cmButtonOutilEchelleHoriz
                  : FData->ScaleKind() == teVert ? cmButtonOutilEchelleVert
                                                 : cmButtonOutilEchelle);
        break;
    case otMarque:
        PressTool(cmButtonOutilMarque);
        break;
    case otDeplacer:
        PressTool(cmButtonOutilDeplacer);
        break;
    case otOrigine:
        PressTool(cmButtonOutilOrigine);
        break;
    case otEffacer:
        PressTool(cmButtonOutilEffacer);
        break;
    case otTsp:
        PressTool(cmButtonOutilTsp);
        break;
    case otNone:
        PressTool(cmNone);
        break;
    }
}

void TMainForm::SetViewHint(const QString& hint)
{
    FVideo->setStatusTip(hint);
    statusBar()->showMessage(hint);
}

void TMainForm::ViewToolChanged()
{
    // The drags of the data, the studio and the tracking end: the view tool takes the mouse from now on.
    FData->CancelDrags();
    FStudio->CancelDrags();
    FVideo->Tracking().CancelDrawing();
    if (FVideo->OutilVue() == ovZoom) {
        PressCurrentTool();
        SetViewHint(QStringLiteral("Left-click = make bigger; right-click = make smaller; press CTRL "
                                   "simultaneously to slow down"));
    } else if (FVideo->OutilVue() == ovPan) {
        PressCurrentTool();
        SetViewHint(QStringLiteral("Pan frame"));
    } else {
        OutilChanged();
    }
    FVideo->CursorRefresh();
}

void TMainForm::OutilChanged()
{
    if (FVideo->OutilVue() != ovNone)
        FVideo->SetOutilVue(ovNone);
    const TOutil tool = FData->Outil;
    PressCurrentTool();
    switch (tool) {
    case otEchelle:
        SetViewHint(
            QStringLiteral("Left-click (or Enter) = define one end; right-click (or Esc) = cancel; Ctrl + "
                           "arrow key = move the mouse pointer"));
        FEditMarque->setText(QStringLiteral(" "));
        RepereChanged();
        break;
    case otMarque:
        SetViewHint(
            QStringLiteral("Left-click (or Enter) = put a mark; right-click (or Esc) = cancel; Ctrl + arrow "
                           "key = move the mouse pointer"));
        break;
    case otDeplacer:
        SetViewHint(QStringLiteral("Left-click = drag and drop"));
        break;
    case otOrigine:
        SetViewHint(
            QStringLiteral("Left-click (or Enter) = set the origin; right-click (or Esc) = cancel; Ctrl + "
                           "arrow key = move the mouse pointer"));
        break;
    case otEffacer:
        SetViewHint(
            QStringLiteral("Left-click = remove the mark under the mouse pointer; right-click = remove the "
                           "marks of the current image"));
        break;
    case otTsp:
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
    UpdatePictures();
    // The buttons of the editing, studio and tracking modes whose enabling follows the frame shown.
    const TCommandState state = CommandState();
    for (const TCommandRow& c : Commands())
        if (c.PerFrame)
            Button(c.Id)->setEnabled(CommandEnabled(c.Id, state));
    FTrackBarUpdating = true;
    FTrackBar->setMaximum(std::max(0, FVideo->FrameCountVisible() - 1));
    FTrackBar->setValue(FVideo->CurrentPosition());
    FTrackBarUpdating = false;
    FEditImage->setText(
        QStringLiteral(" %1/%2").arg(FVideo->CurrentPosition() + 1).arg(FVideo->FrameCountVisible()));
}

void TMainForm::ZoomChanged()
{
    FStudio->Rescale();
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
    UpdateButtons(); // navigation stays off between the two ends of a scale
    const int kind = std::clamp(FData->ScaleKind(), 0, 2);
    const int before = FScalePoints[kind];
    for (int k = 0; k < 3; ++k)
        FScalePoints[k] = FData->Echelle->PointsNumber(k);
    if (FData->CurrentScalePointsNumber() != 2)
        return;
    // The length ends the two clicks of a calibration: leaving its dialog cancels the calibration, and
    // both ends go, as they came.
    if (!AskScaleLength(kind) && before == 1) {
        FData->Echelle->EraseLastPoint();
        FData->Echelle->EraseLastPoint();
    }
}

bool TMainForm::AskScaleLength(int kind)
{
    if (FData->Echelle->PointsNumber(kind) != 2)
        return false;
    FBoiteValeur->SetTypeSaisieLongueur(kind == teHoriz  ? slLongueurH
                                        : kind == teVert ? slLongueurV
                                                         : slLongueurN);
    FBoiteValeur->SetTypeSaisie(tsLongueur);
    if (!FBoiteValeur->Execute())
        return false; // Escape or the close box: the length stays as it was
    const double metres = FBoiteValeur->ValueAsDouble();
    if (kind == teHoriz)
        FData->Echelle->SetScaleHorizLength(metres);
    else if (kind == teVert)
        FData->Echelle->SetScaleVertLength(metres);
    else
        FData->Echelle->SetScaleLength(metres);
    FVideo->update();
    return true;
}

int TMainForm::AskValue(int kind, bool* accepted)
{
    FBoiteValeur->SetTypeSaisie(TTypeSaisie(kind));
    *accepted = FBoiteValeur->Execute();
    return *accepted ? FBoiteValeur->ValueAsInteger() : 0;
}

void TMainForm::UpdateMenus()
{
    const TCommandState state = CommandState();
    FMenus->Apply(state);
}

// ====================================================================================================
// Commands: the handlers named in the command table

void TMainForm::OuvrirFichierClick(TCommandId id)
{
    OpenDialog(Command(id).Value);
}

void TMainForm::MenuFichierRechercherClick(TCommandId)
{
    FFileSearch->OnOpen = [this](const QString& path) {
        AddRecentFile(path);
        OpenByExtension(path);
    };
    FFileSearch->SetFilter(VideoOpenFilter());
    FFileSearch->show();
    FFileSearch->raise();
}

void TMainForm::MenuFichierFermerVideoClick(TCommandId)
{
    if (VideoOpen())
        CloseVideo();
}

void TMainForm::MenuFichierEnregistrerClick(TCommandId)
{
    SaveProject();
}

void TMainForm::MenuFichierProprietesClick(TCommandId)
{
    if (VideoOpen())
        TBoiteProprietes::Execute(FVideo->Sources().Source(), FVideo->FrameCountVisible());
}

void TMainForm::MenuFichierQuitterClick(TCommandId)
{
    close();
}

void TMainForm::MenuAffichageAnnulerClick(TCommandId)
{
    if (!VideoOpen())
        return;
    FData->Undo();
    FVideo->update();
    FVideo->CursorRefresh();
}

void TMainForm::MenuAffichageLoupeClick(TCommandId)
{
    if (!VideoOpen())
        return;
    FVideo->Loupe().Visible = !FVideo->Loupe().Visible;
    FVideo->CursorRefresh();
    FVideo->update();
}

void TMainForm::MenuAffichageCacherImageClick(TCommandId)
{
    if (!VideoOpen())
        return;
    FVideo->HideFrame = !FVideo->HideFrame;
    FVideo->update();
}

void TMainForm::MenuAffichageAllerDerniereImagePointeeClick(TCommandId)
{
    if (!VideoOpen())
        return;
    const int position = FVideo->PositionOf(FData->LastMarkedFrame());
    if (position >= 0 && position != FVideo->CurrentPosition()) {
        FVideo->GoToPosition(position);
        FVideo->update();
    }
}

void TMainForm::MenuAffichageAllerImageNumeroClick(TCommandId)
{
    EditImageClick();
}

void TMainForm::MenuAffichageTailleClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    FData->ElementSize = Command(id).Value;
    FData->Refresh();
    FVideo->update();
}

void TMainForm::MenuAffichageNumeroterClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    FData->SetNumberingPosition(Command(id).Value);
    FVideo->update();
}

void TMainForm::MenuAffichageDessinerClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    const int value = Command(id).Value; // -1 all marks, 1 the last one, 0 ask how many
    int n = value;
    if (value == 0) {
        bool accepted = false;
        n = AskValue(tsNbMqDrawn, &accepted);
        if (!accepted)
            return; // Escape or the close box: the drawing stays as it was
    }
    FData->SetMarksIsAllDrawn(value < 0);
    if (value >= 0)
        FData->SetMarksNumberToDraw(n);
    FVideo->update();
}

void TMainForm::MenuAffichageEffacerClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    if (FVideo->Mode() == mvStudio) {
        if (id == cmMenuAffichageEffacerTout)
            FStudio->Clear();
        UpdateButtons();
        FVideo->update();
        return;
    }
    if (FVideo->Mode() == mvTracking) {
        // In automatic marking these erase the tracking's own drawings and positions.
        if (id == cmMenuAffichageEffacerMarques)
            FVideo->Tracking().EraseTracks();
        else if (id == cmMenuAffichageEffacerTout)
            FVideo->Tracking().EraseAll();
        UpdateButtons();
        FVideo->update();
        return;
    }
    switch (id) {
    case cmMenuAffichageEffacerMarques:
    case cmMenuAffichageEffacerTransparent:
        FData->EraseMarks();
        break;
    case cmMenuAffichageEffacerRepere:
        FData->EraseGrid();
        break;
    case cmMenuAffichageEffacerEchelle:
        // The current scale's last point, twice: a scale with one point loses it, one with two both.
        FData->Echelle->EraseLastPoint();
        FData->Echelle->EraseLastPoint();
        break;
    case cmMenuAffichageEffacerTout:
        FData->EraseAll();
        break;
    default:
        return;
    }
    FVideo->update();
}

void TMainForm::MenuMesuresNbMarqueParImageClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    if (Button(cmButtonOutilTsp)->isChecked()) {
        TUserDlg::Instance().Message(
            icInformation,
            {QStringLiteral("For clarity purposes, only one mark per image is allowed on a layer.")});
        return;
    }
    int n = Command(id).Value; // 0: ask
    if (n == 0) {
        bool accepted = false;
        n = AskValue(tsNbMqParImg, &accepted);
        if (!accepted)
            return;
    }
    FData->SetNbObjets(n);
    FVideo->update();
}

void TMainForm::MenuMesuresNbImagesEntreMarquesClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    int n = Command(id).Value; // 0: ask
    if (n == 0) {
        bool accepted = false;
        n = AskValue(tsNbImgStep, &accepted);
        if (!accepted)
            return;
    }
    FData->SetFramesBetweenMarks(n);
}

void TMainForm::MenuMesuresValeurEchelleClick(TCommandId id)
{
    if (VideoOpen())
        AskScaleLength(Command(id).Value);
}

void TMainForm::MenuMesuresAngleRotationClick(TCommandId)
{
    EditAngleClick();
}

void TMainForm::MenuMesuresInverserAxeClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    if (Command(id).Value == 0)
        FData->InverserAxeX();
    else
        FData->InverserAxeY();
    FVideo->update();
}

void TMainForm::MenuAideAideClick(TCommandId)
{
    ShowHelp();
}

void TMainForm::MenuAideAProposClick(TCommandId)
{
    ShowAbout();
}

void TMainForm::ButtonModeClick(TCommandId id)
{
    const TModeVideo mode = FVideo->Mode();
    const auto own = TModeVideo(Command(id).Value);
    if (own == mvCapture || own == mvStudio) {
        // A second click leaves the mode only without a video.
        if (mode != own) {
            FVideo->SetMode(own);
            if (own == mvStudio && FVideo->Mode() == mvStudio)
                SetViewHint(QString());
        } else if (!VideoOpen())
            FVideo->SetMode(mvRepereFixe);
    } else if (mode != own) {
        FVideo->SetMode(own);
    }
    UpdateModeButtons(); // a click never leaves a button pressed whose mode is not the current one
}

void TMainForm::ButtonOutilClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    switch (id) {
    case cmButtonOutilZoom:
        FVideo->SetOutilVue(ovZoom);
        break;
    case cmButtonOutilPan:
        if (FVideo->Zoom() <= 100)
            TUserDlg::Instance().Message(icInformation,
                                         {QStringLiteral("Zoom factor must be greater than 100%.")});
        FVideo->SetOutilVue(ovPan);
        break;
    case cmButtonOutilEchelle:
    case cmButtonOutilEchelleHoriz:
    case cmButtonOutilEchelleVert:
        FData->SetScaleKind(id == cmButtonOutilEchelle        ? teNormale
                            : id == cmButtonOutilEchelleHoriz ? teHoriz
                                                              : teVert);
        FData->SetOutil(otEchelle);
        FVideo->update();
        break;
    case cmButtonOutilMarque:
        FData->SetOutil(otMarque);
        break;
    case cmButtonOutilOrigine:
        FData->SetOutil(otOrigine);
        break;
    case cmButtonOutilTsp:
        FData->SetOutil(otTsp);
        break;
    case cmButtonOutilDeplacer:
        FData->SetOutil(otDeplacer);
        break;
    case cmButtonOutilEffacer:
        FData->SetOutil(otEffacer);
        break;
    default:
        break;
    }
    // A click on the pressed button of the current tool would release it: the button shows the tool.
    PressCurrentTool();
}

void TMainForm::ButtonMenuClick(TCommandId id)
{
    ShowResults(id);
}

void TMainForm::ButtonVideoClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    const int before = FVideo->CurrentPosition();
    switch (id) {
    case cmButtonVideoLecture:
        FVideo->Sources().Play(FVideo->CurrentPosition(), FVideo->FrameCountVisible() - 1);
        break;
    case cmButtonVideoPause:
        // In automatic marking the pause button stops a running tracking, and only that.
        if (FVideo->Mode() == mvTracking && FVideo->Tracking().Running())
            FVideo->Tracking().Stop();
        else
            FVideo->Sources().Stop();
        break;
    case cmButtonVideoRetour:
        FVideo->GoToPosition(0);
        break;
    case cmButtonVideoPred:
        FVideo->GoToPosition(FVideo->CurrentPosition() - 1);
        break;
    case cmButtonVideoSucc:
        FVideo->GoToPosition(FVideo->CurrentPosition() + 1);
        break;
    case cmButtonVideoAvance:
        FVideo->GoToPosition(FVideo->FrameCountVisible() - 1);
        break;
    default:
        break;
    }
    if (FVideo->CurrentPosition() != before)
        FVideo->update();
}

void TMainForm::ButtonTrackClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    TVideoTracking& tracking = FVideo->Tracking();
    bool accepted = false;
    switch (id) {
    case cmButtonTrackContour:
        tracking.SetTool(1);
        break;
    case cmButtonTrackBanZone:
        tracking.SetTool(2);
        break;
    case cmButtonTrackNumMarque: {
        const int object = AskValue(tsNumOrdre, &accepted);
        if (accepted)
            tracking.SetObjectIndex(object);
        break;
    }
    case cmButtonTrackSequence:
        if (tracking.CanDefineSequence()) {
            const int last = AskValue(tsLastImg, &accepted);
            if (accepted)
                tracking.SetLastFrame(last);
        }
        break;
    case cmButtonTrackSuivi:
        tracking.StartStop();
        break;
    case cmButtonTrackEffacerContour:
        tracking.EraseOutline();
        break;
    case cmButtonTrackEffacerTrack:
        tracking.EraseTracks();
        break;
    case cmButtonTrackEffacerBanZone:
        tracking.EraseLastZone();
        break;
    default:
        return;
    }
    UpdateButtons();
    FVideo->update();
}

void TMainForm::MenuTrackClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    if (FVideo->Mode() == mvStudio) {
        if (id == cmMenuMesuresForme0 || id == cmMenuMesuresForme1 || id == cmMenuMesuresForme2) {
            FStudio->SetShape(std::uint8_t(Command(id).Value));
            if (FStudio->Tool == stDraw)
                SetViewHint(OutlineHint(FStudio->Shape));
        } else if (id == cmMenuAffichageEffacerContour) {
            FStudio->Clear();
        }
        UpdateButtons();
        FVideo->update();
        return;
    }
    TVideoTracking& tracking = FVideo->Tracking();
    switch (id) {
    case cmMenuMesuresForme0:
    case cmMenuMesuresForme1:
    case cmMenuMesuresForme2:
        tracking.SetShape(Command(id).Value);
        break;
    case cmMenuMesuresEspace20:
    case cmMenuMesuresEspace40:
    case cmMenuMesuresEspace60:
        tracking.SetSearchRadius(Command(id).Value);
        break;
    case cmMenuMesuresEspaceAutres: {
        bool accepted = false;
        const int radius = AskValue(tsDMax, &accepted);
        if (accepted)
            tracking.SetSearchRadius(radius);
        break;
    }
    case cmMenuMesuresZone:
        tracking.SetShowSearchZone(!tracking.ShowSearchZone());
        break;
    case cmMenuAffichageEffacerContour:
        tracking.EraseOutline();
        break;
    case cmMenuAffichageEffacerBanZones:
        tracking.EraseZones();
        break;
    case cmMenuAffichageAllerDouteuse:
        tracking.NextDoubtfulFrame();
        break;
    default:
        return;
    }
    UpdateButtons();
    FVideo->update();
}

void TMainForm::ShowTimingNote()
{
    QString note;
    if (VideoOpen() && FMissingSlots.MissingCount() > 0)
        note =
            QStringLiteral("%1 frame(s) missing in this video (Video editing > Measurements > \"Give dropped "
                           "frames their time\")")
                .arg(FMissingSlots.MissingCount());
    else if (VideoOpen() && FMissingSlots.VariableRate)
        note = QStringLiteral("The frame rate of this video is not constant");
    FTimingNote->setText(note);
    FTimingNote->setVisible(!note.isEmpty());
}

void TMainForm::ButtonMontageClick(TCommandId id)
{
    if (!VideoOpen())
        return;
    switch (id) {
    case cmButtonMontageBasculer:
        FMontage->ToggleCurrent();
        break;
    case cmButtonMontageBasculerMult:
        FMontage->ShowHideSeries();
        break;
    case cmButtonMontageInstant:
        FMontage->EditFrameTime();
        break;
    case cmMenuMesuresCreneaux:
        // Each frame takes its slot, and the interval between two slots is the file's usual one.
        if (FMissingSlots.Shifts.size() == std::size_t(FMontage->FrameCount) &&
            FMontage->ApplyShifts(FMissingSlots.Shifts)) {
            FData->SetRequiredDuration(FSlotInterval);
            FMissingSlots.Missing.clear(); // given their time: the command has nothing more to do
            ShowTimingNote();
        }
        break;
    default:
        return;
    }
    UpdateButtons();
    FVideo->update();
}

namespace {

// The graph pages that keep figures, with their names in the project file.
const std::pair<int, const char*> ConstructPages[] = {
    {rpTemps, "Time"}, {rpReferentiel, "Trajectory"}, {rpVecteur, "Vectors"}, {rpFormules, "Formulas"}};
const QString SectionConstructs = QStringLiteral("Constructs");

} // namespace

void TMainForm::SaveConstructs(TIniFile& ini)
{
    ini.EraseSection(SectionConstructs);
    for (const auto& [page, name] : ConstructPages) {
        TGraphPage* graphs = FResForm->GraphPage(page);
        const QStringList lines = graphs ? graphs->Graph().SaveConstructs() : QStringList();
        if (lines.isEmpty())
            continue;
        const QString key = QLatin1String(name);
        ini.WriteInteger(SectionConstructs, key + QStringLiteral("Count"), lines.size());
        for (int i = 0; i < lines.size(); ++i)
            ini.WriteString(SectionConstructs, key + QString::number(i + 1), lines[i]);
    }
}

void TMainForm::LoadConstructs(const TIniFile& ini)
{
    ClearConstructs();
    for (const auto& [page, name] : ConstructPages) {
        TGraphPage* graphs = FResForm->GraphPage(page);
        const QString key = QLatin1String(name);
        // A damaged count reads only the lines that are there; a damaged line is skipped by the graph.
        const int count =
            std::clamp<int>(ini.ReadInteger(SectionConstructs, key + QStringLiteral("Count"), 0), 0, 100000);
        QStringList lines;
        for (int i = 1; i <= count; ++i) {
            const QString line = ini.ReadString(SectionConstructs, key + QString::number(i), QString());
            if (line.isEmpty())
                break;
            lines << line;
        }
        if (graphs && !lines.isEmpty())
            graphs->Graph().LoadConstructs(lines);
    }
}

void TMainForm::ClearConstructs()
{
    for (const auto& [page, name] : ConstructPages)
        if (TGraphPage* graphs = FResForm->GraphPage(page))
            graphs->Graph().ClearConstructs();
}

void TMainForm::ShowProgress(int percent)
{
    FProgressBar->setVisible(percent >= 0 && percent <= 100);
    FProgressBar->setValue(std::clamp(percent, 0, 100));
}

// A conversion or a save moves through the frames itself: the window's commands wait for its end, but
// Cancel (or Escape) stops it after the current image.
void TMainForm::LongWorkStarted()
{
    FCommandsBeforeWork = FCommandsEnabled;
    EnableCommands(false);
    FCancelButton->show();
}

void TMainForm::LongWorkEnded()
{
    FCancelButton->hide();
    FProgressBar->hide();
    EnableCommands(FCommandsBeforeWork);
    if (VideoOpen() && FCommandsEnabled)
        RefreshStatusFields();
}

void TMainForm::RefreshStatusFields()
{
    ViewPainted();
    ZoomChanged();
    if (FData->Outil == otEchelle)
        FEditMarque->setText(QStringLiteral(" "));
    else
        MarquesChanged();
    RepereChanged();
}

TBoiteRecordMontage& TMainForm::RecordDialog(int mode)
{
    // The writer and codec of the settings file, read the first time they are needed.
    if (FRecordMontage->SettingsPending && !FSettingsFile.isEmpty())
        FRecordMontage->ReadSettings(TIniFile(FSettingsFile));
    FRecordMontage->SettingsPending = false;
    if (!FBoiteRecord) {
        FBoiteRecord = std::make_unique<TBoiteRecordMontage>(*FRecordMontage, this);
        FBoiteRecord->AskFrameRate = [this](double& fps) {
            FBoiteValeur->SetTypeSaisie(tsCadence);
            if (!FBoiteValeur->Execute())
                return false;
            fps = FBoiteValeur->ValueAsDouble();
            return true;
        };
    }
    FBoiteRecord->SetMode(mode);
    return *FBoiteRecord;
}

bool TMainForm::RunRecord(TBoiteRecordMontage& box)
{
    FVideo->SetWait(true);
    box.Prepare();
    const bool accepted = RunRecordDialog ? RunRecordDialog(box) : box.Execute();
    FVideo->SetWait(false);
    return accepted;
}

void TMainForm::ButtonMontageEnregistrerClick(TCommandId)
{
    SaveEditedVideo();
    UpdateButtons();
}

bool TMainForm::SaveEditedVideo()
{
    if (!VideoOpen() || FVideo->Mode() != mvMontage || FMontage->FrameCount <= 0 ||
        FRecordMontage->Recording || FStudio->Recording)
        return false;
    TVideoSources& sources = FVideo->Sources();
    const int width = sources.FrameWidth(), height = sources.FrameHeight();
    TBoiteRecordMontage& box = RecordDialog(TBoiteRecordMontage::rmSaveEdited);
    box.SourceChanged(width, height);
    box.ImagesVisible = FMontage->VisibleCount;
    box.ImagesWithBlanks = FMontage->VisibleCount + FMontage->MissingSlotCount();
    box.FramesPerSecond = sources.FramesPerSecond();
    if (!RunRecord(box))
        return false;

    // The file name: ".avi" added when missing; an existing file is never replaced, the user chooses again.
    TUserDlg& dlg = TUserDlg::Instance();
    QString folder = FRecent->Directory;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QFileInfo(sources.VideoFileName()).absolutePath();
    QString path;
    for (;;) {
        const QString free =
            TRecordMontage::FreeFileName(folder, QStringLiteral("EditedVideo"), QStringLiteral("avi"));
        const TFileDialogResult answer = TDialogService::Instance().FileDialog(
            AviSaveRequest(QStringLiteral("Save a video file"), folder, QFileInfo(free).fileName()));
        if (!answer.Accepted || answer.FileName.isEmpty())
            return false;
        path = QFileInfo(answer.FileName).isAbsolute() ? answer.FileName
                                                       : QDir(folder).absoluteFilePath(answer.FileName);
        if (QFileInfo(path).suffix().compare(QLatin1String("avi"), Qt::CaseInsensitive) != 0)
            path += QStringLiteral(".avi");
        path = QFileInfo(path).absoluteFilePath();
        if (!QFileInfo::exists(path))
            break;
        dlg.Begin(icWarning)
            .Line(QDir::toNativeSeparators(path), true, clBlue)
            .Blank()
            .Line(QStringLiteral("A file with this name already exists in the selected directory."))
            .Blank()
            .Line(QStringLiteral("Please choose a different file name or directory."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        folder = QFileInfo(path).absolutePath();
    }
    FRecent->Directory = QFileInfo(path).absolutePath();

    // The writing: the window's commands wait, Cancel (or Escape) stops it after the current image.
    TEditedSaveSetup setup;
    setup.FileName = path;
    setup.FramesPerSecond = box.FramesPerSecond;
    setup.SourceWidth = width;
    setup.SourceHeight = height;
    const QSize output = box.OutputSize();
    setup.Width = output.width();
    setup.Height = output.height();
    setup.Resize = !box.Cropping();
    setup.CropLeft = box.CropOffset().x();
    setup.CropTop = box.CropOffset().y();
    setup.Blanks = box.Blanks();
    setup.QualityPercent = box.QualityPercent();
    setup.KeyFrameEvery = box.KeyFrameEvery();
    const TFrameReader reader = [&sources](int frame, QImage& image) {
        image = GrabFrame(sources, frame);
        return !image.isNull();
    };
    FRecordMontage->OnProgress = [this](int percent) { ShowProgress(percent); };
    FRecordMontage->ProcessEvents = [] { QCoreApplication::processEvents(); };
    const int position = FVideo->CurrentPosition();
    LongWorkStarted();
    FRecordMontage->ErrorText.clear();
    const bool written = FRecordMontage->WriteEdited(*FMontage, reader, setup);
    FVideo->GoToPosition(position);
    LongWorkEnded();
    FRecordMontage->ReportOutcome(written); // saved, cancelled (no file written), or the error
    return written;
}

void TMainForm::NamesClick(TCommandId)
{
    if (!VideoOpen())
        return;
    FBoiteNomCouleur->Execute();
    UpdateButtons();
    UpdateTitle();
    FVideo->update();
}

void TMainForm::MenuAffichageOptionsClick(TCommandId)
{
    FBoiteOptions->Execute();
}

void TMainForm::MenuAllerClick(TCommandId id)
{
    ClickButton(Command(id).Target);
}

void TMainForm::MenuMesuresResultatsClick(TCommandId)
{
    const TCommandId button = FirstResultsButton(CommandState());
    if (button != cmNone)
        ClickButton(button);
}

void TMainForm::MenuMesuresCalculatriceClick(TCommandId)
{
    // Over the window in use: the results window and the dialogs are modal.
    FCalculatrice->Summon();
}

void TMainForm::PopupMenuClick(TCommandId id)
{
    // As the user would: the button is pressed, pending events run, then its click.
    const TCommandId button = Command(id).Target;
    Button(button)->setChecked(true);
    QCoreApplication::processEvents();
    RunCommand(button);
    QCoreApplication::processEvents();
}

void TMainForm::EditImageClick()
{
    if (!VideoOpen())
        return;
    bool accepted = false;
    const int position = AskValue(tsNumImg, &accepted);
    if (accepted && position != FVideo->CurrentPosition()) {
        FVideo->GoToPosition(position);
        FVideo->update();
    }
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

// ====================================================================================================
// Results

bool TMainForm::ShowResults(TCommandId button)
{
    TUserDlg& box = TUserDlg::Instance();
    const TResCheckResult check = CheckResults(*FData, FVideo->Mode() == mvTransparent);
    if (check.Refused()) {
        // The icon: the pictures of the tool buttons that would mend the work, one over the other.
        QImage picture(32, 32, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        {
            QPainter p(&picture);
            for (const QString& name : check.Pictures)
                p.drawImage(0, 0, ButtonPicture(name));
        }
        box.Begin(icCustom, picture);
        for (const QString& line : check.Lines)
            box.Line(line);
        box.Button(QStringLiteral("Ok"), btOk).Execute();
        return false;
    }
    if (check.Code == rcFewMarks) {
        box.Begin(icInformation);
        for (const QString& line : check.Lines)
            box.Line(line);
        if (box.Button(QStringLiteral("Cancel"), btAnnuler)
                .Button(QStringLiteral("Continue"), btIgnorer)
                .Execute() != 1)
            return false;
    }
    if (FOptions->CheckBox38ChangeDefaultObjectsName && FData->ActiveList().HasDefaultNames() &&
        FMainMem.AskObjectNames) {
        // "Give a name" stays disabled until the names dialog is part of the program.
        const int pressed =
            box.Begin(icCustom, ButtonPicture(QStringLiteral("ButtonOutilNom")))
                .Line(QString::fromUtf8("An object name is assigned by default (« Point n°1 » for example)."))
                .Blank()
                .Line(QStringLiteral(
                    "To make results clearer, it is recommended that you use an explicit name."))
                .Button(QStringLiteral("Give a name"), btCustom, !Command(cmButtonOutilNom).Later)
                .Button(QStringLiteral("Cancel"), btAnnuler)
                .Button(QStringLiteral("Ignore"), btIgnorer)
                .CheckBox(QStringLiteral("Do not show this dialog again"))
                .Execute();
        FMainMem.AskObjectNames = !box.Checked();
        if (pressed == 1)
            return false;
        if (pressed == 0)
            RunCommand(cmButtonOutilNom);
    }
    const bool prepared = PrepareResults && PrepareResults();
    if (!prepared) {
        box.Message(icWarning,
                    {QStringLiteral("The calculation unit has detected an error. Process cancelled.")});
        return false;
    }
    if (ShowResultsPage)
        ShowResultsPage(QString::fromLatin1(Command(button).Name));
    UpdateTitle(); // formulas and figures are made in the results window
    return true;
}

// ====================================================================================================
// Keyboard and mouse wheel

void TMainForm::ShowToolMenu()
{
    // At the view's pointer (the real one, or the one the arrow keys move), only over the picture.
    if (!FVideo->PointerInPicture())
        return;
    FMenus->ApplyPopup(CommandState());
    FMenus->Popup()->popup(FVideo->mapToGlobal(FVideo->MousePosition()));
}

bool TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Escape && (FStudio->Recording || FRecordMontage->Recording)) {
        FStudio->Stop();
        FRecordMontage->Cancel();
        return true;
    }
    if (!VideoOpen())
        return false;
    // Enter acts at the pointer, and only inside the picture: nothing is placed at the frame's edge for
    // a pointer left over a button or beyond the view.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !FVideo->PointerInPicture()) {
        QApplication::beep();
        return true;
    }
    if (key == Qt::Key_Space)
        ShowToolMenu();
    const bool viewTook = FVideo->ViewKeyDown(key, shift);
    // The arrows step through the frames where they do not move the pointer.
    if (!viewTook && (key == Qt::Key_Left || key == Qt::Key_Right) && !(shift & Qt::ControlModifier))
        ClickButton(key == Qt::Key_Left ? cmButtonVideoPred : cmButtonVideoSucc);
    FData->KeyDown(key, shift);
    FVideo->update();
    return true;
}

void TMainForm::OpenMenuBar()
{
    // The first menu opens; the arrows, the underlined letters and Escape go on from there.
    menuBar()->setActiveAction(FMenus->Menu(cmMenuFichier)->menuAction());
}

bool TMainForm::MenuKey(QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->type() == QEvent::KeyRelease) {
        if (key->key() != Qt::Key_Alt || !FAltAlone || key->isAutoRepeat())
            return false;
        FAltAlone = false;
        // Alone, Alt gives the next object to the mark tool when a frame has several; else the menus.
        if (VideoOpen() && MarkingMode() && FData->Outil == otMarque && FData->NbObjets() > 1) {
            FData->KeyDown(Qt::Key_Alt, mods);
            FVideo->update();
        } else {
            OpenMenuBar();
        }
        return true;
    }
    if (key->key() == Qt::Key_Alt) {
        FAltAlone = !key->isAutoRepeat() || FAltAlone;
        return true;
    }
    FAltAlone = false;
    if (key->key() == Qt::Key_F10 && mods == Qt::NoModifier) {
        OpenMenuBar();
        return true;
    }
    // Alt with another key is the menus' (their underlined letters): never the view's.
    return (mods & Qt::AltModifier) != 0;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // Alt held for a click, or for switching windows, is not Alt alone.
    if (event->type() == QEvent::MouseButtonPress ||
        (event->type() == QEvent::WindowDeactivate && watched == this))
        FAltAlone = false;
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
    const bool ours = widget && widget->window() == this;
    // Before a key is matched against the shortcuts, the menus' items take the state of the moment, so
    // that a shortcut acts exactly when its item would be enabled.
    if (event->type() == QEvent::ShortcutOverride && ours && !QApplication::activePopupWidget())
        UpdateMenus();
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && ours &&
        !QApplication::activePopupWidget() && !QApplication::activeModalWidget()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (MenuKey(key))
            return false; // the menu bar and the shortcuts have it
        if (event->type() == QEvent::KeyRelease || !VideoOpen())
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
    TTextBoxRequest about;
    about.Title = QStringLiteral("About Kinotra");
    about.Heading =
        QStringLiteral("Kinotra %1 (%2)").arg(QApplication::applicationVersion(), QStringLiteral(__DATE__));
    about.Text = QStringLiteral("Video analysis for physics teaching.\n\n"
                                "Special thanks\n"
                                "  Qt, FFmpeg, GStreamer, libjpeg-turbo, libxlsxwriter, libzip\n\n"
                                "Programming and design\n"
                                "  The Kinotra developers");
    about.Width = 486;
    about.Height = 268;
    TDialogService::Instance().TextBox(about);
}

// ====================================================================================================
// Studio and capture

QString TMainForm::OutlineHint(int shape)
{
    if (shape == 0)
        return QStringLiteral("1st left-click = begin the course; 2nd left-click = end; right-click = erase");
    if (shape == 2)
        return QStringLiteral(
            "1st left-click = center of the circle; 2nd left-click = end; right-click = erase");
    return QStringLiteral(
        "Left-click = add a vertex to the polygon; double left-click = end; right-click = erase");
}

void TMainForm::WireStudio()
{
    FStudio = std::make_unique<TStudio>(*FVideo, FVideo->Sources());
    FStudio->SettingsFile = FSettingsFile;
    FStudio->ApplyOptions(*FOptions);
    FStudio->StepBetweenMarks = [this] { return std::max(1, FData->FramesNumberBetweenTwoMarks); };
    FStudio->ElementColor = [this] { return FData->ElementColor; };
    FStudio->LastDirectory = [this] { return FRecent->Directory; };
    FStudio->OnDirectoryChange = [this](const QString& folder) { FRecent->Directory = folder; };
    FStudio->OnToolChange = [this] {
        UpdateButtons();
        FVideo->CursorRefresh();
    };
    FStudio->OnProgress = [this](int percent) { ShowProgress(percent); };
    FStudio->OnStart = [this] { LongWorkStarted(); };
    FStudio->OnStop = [this] { LongWorkEnded(); };
    connect(FCancelButton, &QPushButton::clicked, this, [this] {
        FStudio->Stop();
        FRecordMontage->Cancel();
    });
    // The two conversions ask their settings through the dialog of the written videos: video to images the
    // output size, images to video the writer, its codec and the frame rate. Cancelling ends the command.
    FStudio->OnWriterDialog = [this](int mode, TImageGeometry& geometry, TImagesToVideoRequest& job) {
        if (mode == 1) {
            // Video to images: the output size, resized or cropped.
            TBoiteRecordMontage& box = RecordDialog(TBoiteRecordMontage::rmVideoToImages);
            box.SourceChanged(geometry.Output.width(), geometry.Output.height());
            box.ImagesVisible = box.ImagesWithBlanks = FMontage->VisibleCount;
            if (!RunRecord(box))
                return false;
            geometry.Output = box.OutputSize();
            geometry.Resizing = box.Resizing();
            geometry.Cropping = box.Cropping();
            geometry.CropOffset = box.CropOffset();
            return true;
        }
        // Images to video: the writer, its codec and the frame rate; the size is the first image's.
        TBoiteRecordMontage& box = RecordDialog(TBoiteRecordMontage::rmImagesToVideo);
        const QSize first = QImageReader(job.Images.value(0)).size();
        box.SourceChanged(first.width(), first.height());
        box.ImagesVisible = box.ImagesWithBlanks = static_cast<int>(job.Images.size());
        box.FramesPerSecond = job.FramesPerSecond;
        if (!RunRecord(box))
            return false;
        job.FramesPerSecond = box.FramesPerSecond;
        job.Framework = FRecordMontage->Framework;
        job.Codec = FRecordMontage->Writer() ? FRecordMontage->Writer()->CodecName() : QString();
        job.Quality = box.QualityPercent() * 100;
        return true;
    };

    // The view's mouse in the studio mode; the studio numbers the left button 1 and the right one 2.
    const auto studioButton = [](int button) { return button == mbLeft ? 1 : button == mbRight ? 2 : 0; };
    FVideo->PaintStudio = [this](QPainter& painter) { FStudio->Paint(painter); };
    FVideo->StudioMouseDown = [this, studioButton](int button, Qt::KeyboardModifiers, int x, int y) {
        FStudio->MouseDown(studioButton(button), x, y);
        UpdateButtons();
    };
    FVideo->StudioMouseMove = [this](Qt::KeyboardModifiers, int x, int y) { FStudio->MouseMove(x, y); };
    FVideo->StudioMouseUp = [this, studioButton](int button, Qt::KeyboardModifiers, int x, int y) {
        FStudio->MouseUp(studioButton(button), x, y);
        UpdateButtons();
    };
    FVideo->StudioDoubleClick = [this](int x, int y) {
        FStudio->DoubleClick(x, y);
        UpdateButtons();
    };
    FVideo->StudioCursor = [this] {
        const QPoint p = FVideo->MousePosition();
        return FStudio->CursorFor(p.x(), p.y());
    };
}

void TMainForm::WireCapture()
{
    FCapture = std::make_unique<TCapture>(FOptions.get());
    FCapture->LastDirectory = [this] { return FRecent->Directory; };
    FCapture->OnDirectoryChange = [this](const QString& folder) { FRecent->Directory = folder; };
    FCapture->OnRecordingChanged = [this] { UpdateButtons(); };
    FCapture->OnTick = [this] { statusBar()->showMessage(FCapture->StatusText()); };
    FCapture->OnFileNotSaved = [this] { statusBar()->clearMessage(); };
    FCapture->OnFileSaved = [this] {
        statusBar()->clearMessage();
        TUserDlg::Instance()
            .Begin(icInformation)
            .Line(QStringLiteral("File successfully saved:"))
            .Blank()
            .Line(FCapture->SavedFile, true, clBlue)
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
    };
    FCapture->OnPreview = [this](const QImage& picture) {
        if (FVideo->Mode() != mvCapture || picture.isNull())
            return;
        const QSize room = FCapturePreview->size();
        FCapturePreview->setPixmap(QPixmap::fromImage(
            picture.size().width() > room.width() || picture.size().height() > room.height()
                ? picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : picture));
    };
}

void TMainForm::ButtonStudioClick(TCommandId id)
{
    switch (id) {
    case cmButtonStudioContour:
    case cmButtonStudioEffacerContour: {
        if (!VideoOpen())
            return;
        const std::uint8_t tool = id == cmButtonStudioContour ? std::uint8_t(stDraw) : std::uint8_t(stErase);
        FStudio->SetTool(FStudio->Tool == tool ? std::uint8_t(stNone) : tool);
        SetViewHint(FStudio->Tool == stDraw ? OutlineHint(FStudio->Shape) : QString());
        break;
    }
    case cmButtonStudioChronoPhoto:
        FStudio->Chronophotography();
        break;
    case cmButtonStudioCapture:
        FStudio->SaveStill();
        break;
    case cmButtonStudioV2p:
        FStudio->VideoToImages();
        break;
    case cmButtonStudioP2v:
        FStudio->ImagesToVideo();
        break;
    default:
        return;
    }
    UpdateButtons();
    FVideo->CursorRefresh();
    FVideo->update();
}

void TMainForm::ButtonCaptureClick(TCommandId id)
{
    switch (id) {
    case cmButtonCapDevice:
        FCapture->ChooseDevice();
        break;
    case cmButtonCapConfigurer:
        FCapture->DeviceProperties();
        break;
    case cmButtonCapFormat:
        FCapture->FormatDialog();
        break;
    case cmButtonCapVitesse:
        FCapture->FrameRateDialog();
        break;
    case cmButtonCapCompression:
        FCapture->CompressionDialog();
        break;
    case cmButtonCapTimer:
        FCapture->TimerDialog();
        break;
    case cmButtonCapEnregistrer:
        FCapture->StartStop();
        statusBar()->showMessage(FCapture->StatusText());
        break;
    default:
        return;
    }
    UpdateButtons();
}

void TMainForm::MenuMesuresTempsClick(TCommandId)
{
    AskFrameInterval();
}

bool TMainForm::AskFrameInterval()
{
    if (!VideoOpen())
        return false;
    TBoiteTemps box(FVideo->Sources().SecondsPerFrame(), FData->RequiredDuration, this);
    box.ShowCalculator = [this] { MenuMesuresCalculatriceClick(cmMenuMesuresCalculatrice); };
    if (!(RunFrameInterval ? RunFrameInterval(box) : box.Execute()))
        return false;
    FData->SetRequiredDuration(box.Interval());
    FResCalc->Invalidate(kindBoth);
    return true;
}
