// The options dialog and its password window.
#include "shell/UnitBoiteOptions.h"

#include "common/UnitDialogs.h"
#include "common/UnitUserDlg.h"
#include "shell/UnitIcons.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

// ====================================================================================================
// Password window

TPasswordKey PasswordKeyFilter(QChar typed, int length)
{
    const char16_t c = typed.unicode();
    const bool letterOrDigit =
        (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
    const bool backspace = c == u'\b';
    const bool enter = c == u'\r' || c == u'\n';
    if (!letterOrDigit && !backspace && !enter)
        return {};
    if (length > 20)
        return {};
    TPasswordKey key{true, 0};
    if (letterOrDigit && length == 0)
        key.OkChange = +1;
    else if (backspace && length == 1)
        key.OkChange = -1;
    return key;
}

namespace {

QFont DialogFont()
{
    return QFont(QStringLiteral("Arial"), 10);
}

// The key picture beside the password edit.
QPixmap KeyPicture()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 90, 10), 1.5));
    p.setBrush(QColor(230, 185, 40));
    p.drawEllipse(QRectF(2, 9, 14, 14));
    p.setCompositionMode(QPainter::CompositionMode_Clear); // the hole of the ring
    p.drawEllipse(QRectF(6, 13, 6, 6));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QPainterPath blade;
    blade.addRect(15, 14, 15, 4);
    blade.addRect(23, 18, 3, 5);
    blade.addRect(28, 18, 2, 4);
    p.drawPath(blade.simplified());
    return pixmap;
}

// Applies the password typing rule to the keys that carry a character; keys without one (arrows, Delete)
// keep their usual meaning.
class TPasswordEditFilter : public QObject
{
public:
    TPasswordEditFilter(QLineEdit* edit, QPushButton* ok) : QObject(edit), FEdit(edit), FOk(ok) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != FEdit || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete || key->text().isEmpty())
            return false;
        const TPasswordKey rule = PasswordKeyFilter(key->text().at(0), int(FEdit->text().size()));
        if (!rule.Accept)
            return true;
        if (rule.OkChange != 0)
            FOk->setEnabled(rule.OkChange > 0);
        return false;
    }

private:
    QLineEdit* FEdit;
    QPushButton* FOk;
};

} // namespace

std::unique_ptr<QDialog> TPasswordDlg::Build(QWidget* parent) const
{
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setWindowTitle(Caption);
    dialog->setFont(DialogFont());
    dialog->setFixedSize(275, 135);
    auto* picture = new QLabel(dialog.get());
    picture->setPixmap(KeyPicture());
    picture->setGeometry(10, 18, 32, 32);
    const int left = picture->geometry().right() + 1 + 20;
    auto* label = new QLabel(QStringLiteral("Password"), dialog.get());
    label->setGeometry(left, 14, 180, 18);
    auto* edit = new QLineEdit(dialog.get());
    edit->setObjectName(QStringLiteral("EditPassword"));
    edit->setEchoMode(QLineEdit::Password);
    edit->setContextMenuPolicy(Qt::NoContextMenu); // pasting would pass round the typing rule
    edit->setGeometry(left, 35, 180, 24);
    label->setBuddy(edit);
    auto* ok = new QPushButton(QStringLiteral("&Ok"), dialog.get());
    ok->setObjectName(QStringLiteral("ButtonOk"));
    ok->setGeometry(left, edit->geometry().bottom() + 1 + 12, 75, 25);
    ok->setEnabled(false);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), dialog.get());
    cancel->setObjectName(QStringLiteral("ButtonAnnuler"));
    cancel->setGeometry(ok->x() + 87, ok->y(), 75, 25);
    edit->installEventFilter(new TPasswordEditFilter(edit, ok));
    QDialog* window = dialog.get();
    QObject::connect(ok, &QPushButton::clicked, window, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, window, &QDialog::reject);
    // Enter presses OK only when it is enabled.
    QObject::connect(edit, &QLineEdit::returnPressed, window, [window, ok] {
        if (ok->isEnabled())
            window->accept();
    });
    return dialog;
}

bool TPasswordDlg::Execute(QWidget* parent)
{
    Password.clear();
    const std::unique_ptr<QDialog> dialog = Build(parent);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    Password = dialog->findChild<QLineEdit*>(QStringLiteral("EditPassword"))->text();
    return true;
}

// ====================================================================================================
// Options dialog: the controls as data

namespace {

struct TCheckDef
{
    int Number;
    bool TOptions::*Field; // null for the password and association boxes
    const char* Name;
    const char* Caption;
    const char* Hint;
};

#define OPT(field) &TOptions::CheckBox##field

const char* const HintLimit = "Limit switching between different windows";
const char* const HintCluttered = "Display may be cluttered up with 2 or 3 video marks per frame";
const char* const HintStrongly = "Avoid if experimental data vary strongly";

const TCheckDef CheckDefs[] = {
    {1, nullptr, "CheckBox1Password", "Restrict access to options with a password",
     "Password is stored in Kinotra.ini file"},
    {2, nullptr, "CheckBox2Association", "Associate KTR extension to Kinotra program",
     "Initialize or clean the desktop's file associations"},
    {38, OPT(38ChangeDefaultObjectsName), "CheckBox38ChangeDefaultObjectsName", "Recommend naming objects",
     "Interpretation is easier with explicit objects names"},
    {3, OPT(3ConfirmationQuit), "CheckBox3ConfirmationQuit", "Send a message to confirm quitting program",
     "Avoid an unwanted exit"},
    {4, OPT(4ConfirmationFileChange), "CheckBox4ConfirmationFileChange",
     "Send a message to confirm closing files", "Avoid changing video sequence without saving your work"},
    {6, OPT(6FreezeMRU), "CheckBox6FreezeMRU", "Freeze menu: File > Open recent file > ...",
     "Avoid showing undesirable files"},
    {36, OPT(36StartByZero), "CheckBox36StartByZero", "Video mark index start at zero (at one by default)",
     "Warning ! this option influences the results"},
    {41, OPT(41HorizAndVertScale), "CheckBox41HorizAndVertScale",
     "Calibrate both dimensions (horizontal and vertical)", "Use both dimensions is image is stretched"},
    {9, OPT(9Speed), "CheckBox9Speed", "Show velocity in results", "Uncheck to hide velocity in the results"},
    {54, OPT(54SmoothSpeed), "CheckBox54SmoothSpeed", "Smooth velocity values",
     "Check to improve numerical derivations"},
    {30, OPT(30HideEdgeV), "CheckBox30HideEdgeV", "Hide velocity at endpoints (one mark)",
     "Approximated calculation of the first derivative is rarely satisfying near edges"},
    {31, OPT(31HideEdgeA), "CheckBox31HideEdgeA", "Hide acceleration at endpoints (two marks)",
     "Approximated calculation of the second derivative is rarely satisfying near edges"},
    {7, OPT(7SmoothAcceleration), "CheckBox7SmoothAcceleration", "Smooth acceleration values",
     "Check to improve numerical derivations"},
    {8, OPT(8Acceleration), "CheckBox8Acceleration", "Show acceleration in the results",
     "Uncheck to hide acceleration in the results"},
    {53, OPT(53PolarQuantities), "CheckBox53PolarQuantities", "Show polar quantities within results",
     "Unchecked, polar coordinates and the angular velocity no longer appear in any window"},
    {48, OPT(48AllowMontage), "CheckBox48AllowMontage", "Allow video edit mode",
     "Uncheck to prevent video edit"},
    {40, OPT(40ShowDialogBoxForHideImage), "CheckBox40ShowDialogBoxForHideImage",
     "Show dialog when frame is hidden", "Useful for first steps in video edit mode"},
    {47, OPT(47AllowTracking), "CheckBox47AllowTracking", "Allow automatic tracking",
     "Uncheck to prevent automatic tracking"},
    {52, OPT(52ShowRadiusSearch), "CheckBox52ShowRadiusSearch", "Draw the target search zone",
     "Compare the distance between two successive positions of the target with the radius of the search "
     "zone"},
    {49, OPT(49AllowCapture), "CheckBox49AllowCapture", "Allow video capture",
     "Uncheck to prevent video capture"},
    {58, OPT(58AllowStudio), "CheckBox58AllowStudio", "Allow video studio",
     "Uncheck to prevent video studio"},
    {37, OPT(37GridShowItem), "CheckBox37GridShowItem", "Show this command in Results toolbar", HintLimit},
    {57, OPT(57GridShowPolarQuantities), "CheckBox57GridShowPolarQuantities",
     "Show columns related to polar quantities", HintCluttered},
    {10, OPT(10GridShowSpeed), "CheckBox10GridShowSpeed", "Show columns related to velocity", HintCluttered},
    {11, OPT(11GridShowAcceleration), "CheckBox11GridShowAcceleration",
     "Show columns related to acceleration", HintCluttered},
    {29, OPT(29GridShowCoordinates), "CheckBox29GridShowCoordinates", "Show columns related to coordinates",
     HintCluttered},
    {15, OPT(15TimeShowItem), "CheckBox15TimeShowItem", "Show this command in Results toolbar", HintLimit},
    {43, OPT(43TempsStatistics), "CheckBox43TimeStatistics", "Show statistics during model modification",
     "Observe deviation between model and measurements"},
    {12, OPT(12TimeZoomX), "CheckBox12TimeZoomX", "Allow x-axis zoom", "Stretch frame horizontally"},
    {13, OPT(13TimeZoomY), "CheckBox13TimeZoomY", "Allow y-axis zoom", "Stretch frame vertically"},
    {14, OPT(14TimePolyline), "CheckBox14TimePolyline", "Draw connecting segments (polyline)", HintStrongly},
    {42, OPT(42TempsEquation), "CheckBox42TimeEquation", "Show equation while model modification",
     "You wish to modify a model and see its equation change"},
    {18, OPT(18TrajectoryShowItem), "CheckBox18TrajectoryShowItem", "Show this command in Results toolbar",
     HintLimit},
    {16, OPT(16TrajectoryNumber), "CheckBox16TrajectoryNumber", "Number the marks",
     "Visual link with video marks"},
    {17, OPT(17TrajectoryPolyline), "CheckBox17TrajectoryPolyline", "Draw connecting segments (polyline)",
     HintStrongly},
    {22, OPT(22VectorShowItem), "CheckBox22VectorShowItem", "Show this command in Results toolbar",
     HintLimit},
    {19, OPT(19VectorNumber), "CheckBox19VectorNumber", "Number the marks", "Visual link with video marks"},
    {33, OPT(33VectorOrigin), "CheckBox33VectorOrigin", "Draw graph basis origin",
     "Useful for circular trajectory study"},
    {35, OPT(35VectorTilted), "CheckBox35VectorTilted", "Show the camera's point of view",
     "Uncheck to see trajectory in the graph basis (O, x, y)"},
    {51, OPT(51DeformationBubble), "CheckBox51VectorDeformationBubble",
     "Show the values of the object during modification",
     "Useful to adjust an object's measurement to a specific value"},
    {46, OPT(46VectorVideoImage), "CheckBox46VectorVideoImage", "Draw video frame",
     "Check to associate video image to graphical constructs"},
    {20, OPT(20VectorDraw), "CheckBox20VectorDraw", "Draw initial vectors",
     "Make the user guess direction of vectors before drawing"},
    {21, OPT(21VectorPolyline), "CheckBox21VectorPolyline", "Draw initial segments", HintStrongly},
    {50, OPT(50VectorSpline), "CheckBox50VectorSpline", "Draw initial curves",
     "Useful to measure the length of a curved trajectory"},
    {28, OPT(28FormulaShowItem), "CheckBox28FormulaShowItem", "Show this command in Results toolbar",
     HintLimit},
    {23, OPT(23FormulaZoomX), "CheckBox23FormulaZoomX", "Allow x-axis zoom", "Stretch frame horizontally"},
    {24, OPT(24FormulaZoomY), "CheckBox24FormulaZoomY", "Allow y-axis zoom", "Stretch frame vertically"},
    {25, OPT(25FormulaOriginY), "CheckBox25FormulaOriginY", "Set zero on the y-coordinate axis",
     "Avoid zoom effect for close y-values"},
    {26, OPT(26FormulaPolyline), "CheckBox26FormulaPolyline", "Draw connecting segments (polyline)",
     HintStrongly},
    {34, OPT(34FormulaOriginX), "CheckBox34FormulaOriginX", "Set zero on the x-coordinate axis",
     "Avoid zoom effect for close x-values"},
    {44, OPT(44FormulaEquation), "CheckBox44FormulaEquation", "Show equation while model modification",
     "You wish to modify a model and see its equation change"},
    {45, OPT(45FormulaStatistics), "CheckBox45FormulaStatistics", "Show statistics during model modification",
     "Observe deviation between model and measurements"},
    {27, OPT(27ProfShowItem), "CheckBox27ProfShowItem", "Show this command in formulas",
     "Uncheck for a limited but more simple use"},
    {5, OPT(5ChangeFormulae), "CheckBox5ChangeFormulaUnitComment", "Add or remove favourite formulas",
     "Uncheck to avoid unwanted formulas"},
    {32, OPT(32AngleRadian), "CheckBox32AngleRadian", "Show angles in radian (degree by default)",
     "Unchecked: sin(30\u00b0) = 0.5"},
};

#undef OPT

const TCheckDef* FindCheck(int number)
{
    for (const TCheckDef& d : CheckDefs)
        if (d.Number == number)
            return &d;
    return nullptr;
}

// The check boxes whose change makes the computed results out of date.
bool TOptions::*const ResultOptions[] = {
    &TOptions::CheckBox7SmoothAcceleration, &TOptions::CheckBox54SmoothSpeed,
    &TOptions::CheckBox8Acceleration,       &TOptions::CheckBox9Speed,
    &TOptions::CheckBox30HideEdgeV,         &TOptions::CheckBox31HideEdgeA,
    &TOptions::CheckBox36StartByZero,       &TOptions::CheckBox41HorizAndVertScale,
};

// The tools of a results page as its tool bar shows them: the word after the page's prefix, the
// results window's caption and long hint, and its picture when the program has one.
struct TToolDef
{
    const char* Word;
    const char* Hint;
    const char* Picture; // resource name without ".svg"; null: the label stands for it
    const char* Label;
};

const char* const HintConstant =
    "Fit using a constant value|Model parameters available by hovering over the curve";
const TToolDef ModelTools[] = {
    {"Reticule", "Mouse pointer coordinates|X and Y values of the mouse pointer within the graphical area.",
     "ButtonReticule", "Cross-hair"},
    {"ModifierModele",
     "Modify model curve|Position of the cursor over the curve determines which parameter is modified",
     nullptr, "Modify"},
    {"ModeleConstant", HintConstant, nullptr, "Constant"},
    {"ModeleAffine", "Linear fit|Hover mouse over curve to set parameters", nullptr, "Linear"},
    {"ModeleProportionnel",
     "Fit using a line going through the origin|Model parameters available by hovering over the curve",
     nullptr, "Proportional"},
    {"ModeleParabole", "Parabolic fit|Hover mouse over curve to set parameters", nullptr, "Parabolic"},
    {"ModeleSinus", "Sine fit|Hover mouse over curve to set parameters", nullptr, "Sine"},
    {"ModeleSinusAe", "Dampened sine fit (exponential dampening)|Hover mouse over curve to set parameters",
     nullptr, "Damped sine (exp.)"},
    {"ModeleSinusAl", "Dampened sine fit (linear dampening)|Hover mouse over curve to set parameters",
     nullptr, "Damped sine (lin.)"},
    {"ModeleExponentiel", "Fit using an exponential| Model parameters available by hovering over the curve ",
     nullptr, "Exponential"},
};

const TToolDef ConstructTools[] = {
    {"Reticule", "Mouse pointer coordinates|X and Y values of the mouse pointer within the graphical area.",
     "ButtonReticule", "Cross-hair"},
    {"Selection",
     "Select, move or change an object|Select an object, move or change it with the mouse when cursor "
     "changes "
     "to a cross",
     "ButtonSelection", "Select"},
    {"Mesurer", "Measure an angle or an object value|Measure an angle or an object value under mouse cursor",
     nullptr, "Measure"},
    {"Vecteur", "New vector|Draw a new vector with the mouse", nullptr, "Vector"},
    {"Segment", "New segment|Draw a new segment", nullptr, "Segment"},
    {"Spline", "New curve|Draw a curve by setting control points with the mouse.", nullptr, "Curve"},
    {"Angle", "New angle|Draw an angle defined by two straight lines with mouse", nullptr, "Angle"},
    {"Arc", "New arc|Draw an arc defined by two points", nullptr, "Arc"},
    {"Cercle", "New circle|Draw a new circle from the center", nullptr, "Circle"},
    {"Ellipse", "New ellipse|Draw a new ellipse from its center", nullptr, "Ellipse"},
    {"CurveArc",
     "Bend an arc, a circle or an ellipse|Catch a point on the circumference or radius using the mouse",
     nullptr, "Bend"},
    {"Sens",
     "Change vectors direction|Change direction of the vector under the mouse pointer; change direction of "
     "the "
     "vectors in a rectangular zone",
     "ButtonSens", "Direction"},
    {"Dupliquer",
     "Duplicate objects|Duplicate the object under the mouse pointer; duplicate the objects in a rectangular "
     "zone",
     nullptr, "Duplicate"},
    {"Supprimer",
     "Delete objects|Delete the object under the mouse pointer; delete the objects in a rectangular zone",
     "ButtonSupprimer", "Delete"},
    {"Video", "Draw the current video image|The video image is drawn behind the objects.", "ButtonVideo",
     "Video"},
};

const TToolDef* FindTool(const char* word)
{
    for (const TToolDef& d : ModelTools)
        if (qstrcmp(d.Word, word) == 0)
            return &d;
    for (const TToolDef& d : ConstructTools)
        if (qstrcmp(d.Word, word) == 0)
            return &d;
    return nullptr;
}

const char* PagePrefix(TOptionsPage page)
{
    switch (page) {
    case TOptionsPage::Temps:
        return "Temps";
    case TOptionsPage::Referentiel:
        return "Referentiel";
    case TOptionsPage::Vecteur:
        return "Vecteur";
    case TOptionsPage::Formule:
        return "Formule";
    }
    return "";
}

// A tab picture drawn from a short text, for the pages that have no button picture of their own.
QIcon TextIcon(const QString& text)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    QFont font(QStringLiteral("Arial"), 11);
    font.setItalic(true);
    font.setBold(true);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

QIcon PageIcon(const QString& buttonName)
{
    const QIcon icon = ButtonIcon(buttonName);
    return icon.isNull() ? TextIcon(QStringLiteral("?")) : icon;
}

} // namespace

// ====================================================================================================
// Options dialog

TBoiteOptions::TBoiteOptions(TOptions& options, QWidget* parent) : QDialog(parent), FOptions(options)
{
    if (!FOptions.AskPassword) // captures nothing: the options may outlive the dialog
        FOptions.AskPassword = []() -> std::optional<QString> {
            TPasswordDlg dlg;
            if (!dlg.Execute(QApplication::activeWindow()))
                return std::nullopt;
            return dlg.Password;
        };
    FormCreate();
}

TBoiteOptions::~TBoiteOptions() = default;

QCheckBox* TBoiteOptions::AddCheck(int number, QWidget* parent)
{
    const TCheckDef* d = FindCheck(number);
    Q_ASSERT(d);
    auto* box = new QCheckBox(QString::fromUtf8(d->Caption), parent);
    box->setObjectName(QString::fromLatin1(d->Name));
    box->setStatusTip(QString::fromUtf8(d->Hint));
    if (d->Field)
        FChecks.push_back({d->Field, box});
    return box;
}

QComboBox* TBoiteOptions::AddCombo(int TOptions::*field, const char* name, const QStringList& items,
                                   const QString& hint, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    box->setStatusTip(hint);
    FCombos.push_back({field, box});
    return box;
}

namespace {

// A spin control whose edit cannot be typed into: its value changes only through the arrows.
class TUpDownEdit : public QSpinBox
{
public:
    explicit TUpDownEdit(QWidget* parent) : QSpinBox(parent)
    {
        lineEdit()->setReadOnly(true);
        setKeyboardTracking(false);
    }
};

} // namespace

QSpinBox* TBoiteOptions::AddSpin(int TOptions::*field, const char* name, int low, int high,
                                 const QString& hint, QWidget* parent)
{
    auto* box = new TUpDownEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setStatusTip(hint);
    FSpins.push_back({field, box});
    return box;
}

QWidget* TBoiteOptions::NewPage(QWidget* parent, const std::vector<int>& checks, const QString& title,
                                const QColor& titleColor)
{
    auto* page = new QWidget(parent);
    auto* column = new QVBoxLayout(page);
    if (!title.isEmpty()) {
        auto* heading = new QLabel(title, page);
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSize(12);
        heading->setFont(font);
        QPalette palette = heading->palette();
        palette.setColor(QPalette::WindowText, titleColor);
        heading->setPalette(palette);
        column->addWidget(heading);
    }
    for (const int number : checks)
        column->addWidget(AddCheck(number, page));
    column->addStretch(1);
    return page;
}

QWidget* TBoiteOptions::NewToolsPage(TOptionsPage page, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    auto* column = new QVBoxLayout(widget);
    column->addWidget(
        new QLabel(QStringLiteral("A pressed button hides its tool in the results window."), widget));
    auto* grid = new QGridLayout; // eight buttons a row, so that the vector page's fifteen fit
    grid->setSpacing(2);
    int count = 0;
    const QString prefix = QString::fromLatin1(PagePrefix(page));
    for (const TOptions::TToolOption& t : TOptions::ToolOptions()) {
        const QString name = QString::fromLatin1(t.Name);
        if (!name.startsWith(prefix))
            continue;
        const QByteArray word = name.mid(prefix.size()).toLatin1();
        const TToolDef* d = FindTool(word.constData());
        auto* button = new QToolButton(widget);
        button->setObjectName(QStringLiteral("ToolButton") + name);
        button->setCheckable(true);
        button->setAutoRaise(false);
        const QString hint = d ? QString::fromUtf8(d->Hint) : QString::fromLatin1(word);
        const QString caption = hint.section(QLatin1Char('|'), 0, 0);
        button->setToolTip(caption);
        button->setStatusTip(hint.section(QLatin1Char('|'), 1).trimmed());
        const QString picture =
            d && d->Picture ? QStringLiteral(":/icons/%1.svg").arg(QLatin1String(d->Picture)) : QString();
        if (!picture.isEmpty() && QFile::exists(picture)) {
            button->setIcon(QIcon(picture));
            button->setIconSize(QSize(24, 24));
        } else {
            button->setText(d ? QString::fromLatin1(d->Label) : QString::fromLatin1(word));
        }
        int derived = 0;
        if (word == "ModifierModele")
            derived = 1;
        else if (word == "CurveArc")
            derived = 2;
        FTools.push_back({t.Field, button, derived, page});
        grid->addWidget(button, count / 8, count % 8);
        ++count;
    }
    grid->setColumnStretch(8, 1);
    column->addLayout(grid);
    column->addStretch(1);
    return widget;
}

void TBoiteOptions::FormCreate()
{
    InitResources();
    setWindowTitle(QStringLiteral("Options"));
    setFont(DialogFont());
    auto* outer = new QVBoxLayout(this);
    FPages = new QTabWidget(this);
    outer->addWidget(FPages, 1);
    const auto subPages = [this](const QString& name) {
        auto* tabs = new QTabWidget(FPages);
        return std::make_pair(tabs, name);
    };
    const QStringList shapes = {QStringLiteral("circle"), QStringLiteral("broken line"),
                                QStringLiteral("free")};
    const QStringList sizes = {QStringLiteral("small"), QStringLiteral("average"), QStringLiteral("large")};
    const QStringList places = {QStringLiteral("bellow the point"),
                                QStringLiteral("on the right of the point"), QStringLiteral("none")};
    const QString hintSize = QStringLiteral("Adjust according to the screen size");
    const QString hintPlace = QStringLiteral("Choose the location of numbers associated with marks");
    const QString hintShape =
        QStringLiteral("Depending on the object's shape, adapting the tracing tool can be handy");
    const QString hintRadius = QStringLiteral("A large search radius will reduce the tracking speed");

    // Preferences
    {
        auto [tabs, name] = subPages(QStringLiteral("Preferences"));
        QWidget* system = NewPage(tabs, {});
        auto* systemColumn = static_cast<QVBoxLayout*>(system->layout());
        FPassword = AddCheck(1, system);
        FAssociation = AddCheck(2, system);
        systemColumn->insertWidget(0, FPassword);
        systemColumn->insertWidget(1, FAssociation);
        connect(FPassword, &QCheckBox::clicked, this,
                [this](bool checked) { CheckBox1PasswordClick(checked); });
        tabs->addTab(system, QStringLiteral("System"));
        tabs->addTab(NewPage(tabs, {38, 3, 4}), QStringLiteral("Dialog boxes"));

        QWidget* file = NewPage(tabs, {});
        auto* fileColumn = static_cast<QVBoxLayout*>(file->layout());
        auto* mru = new QHBoxLayout;
        mru->addWidget(new QLabel(QStringLiteral("Number of recent files"), file));
        mru->addWidget(
            AddSpin(&TOptions::EditMRU, "EditMRU", 1, 20, QStringLiteral("Number of files: 1 to 20"), file));
        mru->addStretch(1);
        fileColumn->insertLayout(0, mru);
        fileColumn->insertWidget(1, AddCheck(6, file));
        auto* group = new QGroupBox(QStringLiteral("Default directory"), file);
        auto* groupRow = new QHBoxLayout(group);
        FDefaultDirectory = new QLineEdit(group);
        FDefaultDirectory->setObjectName(QStringLiteral("EditDefaultDirectory"));
        FDefaultDirectory->setReadOnly(true);
        FDefaultDirectory->setStatusTip(QStringLiteral("Default directory for the opening or saving files"));
        groupRow->addWidget(FDefaultDirectory, 1);
        auto* change = new QPushButton(QStringLiteral("Change ..."), group);
        change->setObjectName(QStringLiteral("ButtonDefaultDirectoryChange"));
        auto* suppr = new QPushButton(QStringLiteral("Delete"), group);
        suppr->setObjectName(QStringLiteral("ButtonDefaultDirectorySuppr"));
        groupRow->addWidget(change);
        groupRow->addWidget(suppr);
        connect(change, &QPushButton::clicked, this, [this] { ButtonDefaultDirectoryChangeClick(); });
        connect(suppr, &QPushButton::clicked, this, [this] { ButtonDefaultDirectorySupprClick(); });
        fileColumn->insertWidget(2, group);
        tabs->addTab(file, QStringLiteral("File menu"));

        auto* display = new QWidget(tabs);
        auto* form = new QFormLayout(display);
        form->addRow(QStringLiteral("Thickness of lines and marks"),
                     AddCombo(&TOptions::PenSize, "ComboBoxPenSize", sizes, hintSize, display));
        form->addRow(QStringLiteral("Numbers of the marks"),
                     AddCombo(&TOptions::Numerotation, "ComboBoxNumerotation", places, hintPlace, display));
        form->addRow(
            QStringLiteral("Numbers of the layer's marks"),
            AddCombo(&TOptions::NumerotationTsp, "ComboBoxNumerotationTsp", places, hintPlace, display));
        tabs->addTab(display, QStringLiteral("Display menu"));
        FPages->addTab(tabs, name);
    }
    // Calculations
    {
        auto [tabs, name] = subPages(QStringLiteral("Calculations"));
        tabs->addTab(NewPage(tabs, {36, 41}), QStringLiteral("General"));
        tabs->addTab(NewPage(tabs, {9, 54, 30}), QStringLiteral("Velocity"));
        tabs->addTab(NewPage(tabs, {8, 7, 31}), QStringLiteral("Acceleration"));
        tabs->addTab(NewPage(tabs, {53}), QStringLiteral("Polar quantities"));
        FPages->addTab(tabs, name);
    }
    // Features
    {
        auto [tabs, name] = subPages(QStringLiteral("Features"));
        tabs->addTab(NewPage(tabs, {48, 40}), QStringLiteral("Video edit"));
        QWidget* tracking = NewPage(tabs, {47, 52});
        auto* trackingForm = new QFormLayout;
        trackingForm->addRow(
            QStringLiteral("Shape of the target"),
            AddCombo(&TOptions::ShapeNumber, "ComboBoxTrackingShape", shapes, hintShape, tracking));
        trackingForm->addRow(
            QStringLiteral("Search radius (pixels)"),
            AddSpin(&TOptions::TrackingRadius, "EditTrackingRadius", 10, 100, hintRadius, tracking));
        static_cast<QVBoxLayout*>(tracking->layout())->insertLayout(2, trackingForm);
        tabs->addTab(tracking, QStringLiteral("Automatic tracking"));
        tabs->addTab(NewPage(tabs, {49}), QStringLiteral("Video capture"));
        QWidget* studio = NewPage(tabs, {58});
        auto* studioForm = new QFormLayout;
        studioForm->addRow(
            QStringLiteral("Shape of the object"),
            AddCombo(&TOptions::StudioShapeNumber, "ComboBoxStudioShape", shapes, hintShape, studio));
        static_cast<QVBoxLayout*>(studio->layout())->insertLayout(1, studioForm);
        tabs->addTab(studio, QStringLiteral("Video studio"));
        FPages->addTab(tabs, name);
    }
    // The results pages: a picture on the tab, the name as a coloured title.
    const auto addPictured = [this](QWidget* page, const QString& picture, const QString& name) {
        const int index = FPages->addTab(page, PageIcon(picture), QString());
        FPages->setTabToolTip(index, name);
    };
    {
        const QString name = QStringLiteral("Datasheet");
        addPictured(NewPage(FPages, {37, 57, 10, 11, 29}, name, QColor(128, 0, 128)),
                    QStringLiteral("ButtonMenuTableau"), name);
    }
    const auto withTools = [this](const QString& name, const QColor& colour,
                                  const std::vector<std::pair<QString, std::vector<int>>>& displays,
                                  TOptionsPage page) {
        auto* holder = new QWidget(FPages);
        auto* column = new QVBoxLayout(holder);
        auto* heading = new QLabel(name, holder);
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSize(12);
        heading->setFont(font);
        QPalette palette = heading->palette();
        palette.setColor(QPalette::WindowText, colour);
        heading->setPalette(palette);
        column->addWidget(heading);
        auto* tabs = new QTabWidget(holder);
        for (const auto& [caption, checks] : displays)
            tabs->addTab(NewPage(tabs, checks), caption);
        tabs->addTab(NewToolsPage(page, tabs), QStringLiteral("Tools"));
        column->addWidget(tabs, 1);
        return holder;
    };
    {
        const QString name = QStringLiteral("Evolution as a function of time");
        addPictured(withTools(name, QColor(0, 128, 0),
                              {{QStringLiteral("Display menu"), {15, 43, 12, 13, 14, 42}}},
                              TOptionsPage::Temps),
                    QStringLiteral("ButtonMenuTemps"), name);
    }
    {
        const QString name = QStringLiteral("Trajectory in reference frame");
        addPictured(withTools(name, QColor(255, 0, 0), {{QStringLiteral("Display menu"), {18, 16, 17}}},
                              TOptionsPage::Referentiel),
                    QStringLiteral("ButtonMenuReferentiel"), name);
    }
    {
        const QString name = QStringLiteral("Vectors representation");
        addPictured(withTools(name, QColor(0, 0, 255),
                              {{QStringLiteral("Display menu"), {22, 19, 33, 35, 51}},
                               {QStringLiteral("Quick view"), {46, 20, 21, 50}}},
                              TOptionsPage::Vecteur),
                    QStringLiteral("ButtonMenuVecteur"), name);
    }
    {
        const QString name = QStringLiteral("Custom formulas");
        addPictured(withTools(name, QColor(128, 0, 0),
                              {{QStringLiteral("Display menu"), {28, 23, 24, 25, 26, 34, 44, 45}}},
                              TOptionsPage::Formule),
                    QStringLiteral("ButtonMenuFormule"), name);
    }
    {
        const QString name = QStringLiteral("Formulas and constants");
        auto* page = new QWidget(FPages);
        auto* column = new QVBoxLayout(page);
        auto* heading = new QLabel(name, page);
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSize(12);
        heading->setFont(font);
        column->addWidget(heading);
        auto* group = new QGroupBox(QStringLiteral("General"), page);
        auto* groupColumn = new QVBoxLayout(group);
        for (const int number : {27, 5, 32})
            groupColumn->addWidget(AddCheck(number, group));
        column->addWidget(group);
        column->addStretch(1);
        const int index = FPages->addTab(page, TextIcon(QStringLiteral("f(x)")), QString());
        FPages->setTabToolTip(index, name);
    }
    {
        const QString name = QStringLiteral("Common options of graphs");
        auto* page = new QWidget(FPages);
        auto* column = new QVBoxLayout(page);
        auto* heading = new QLabel(name, page);
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSize(12);
        heading->setFont(font);
        column->addWidget(heading);
        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("Thickness of lines and marks"),
                     AddCombo(&TOptions::PenSize4Graph, "ComboBox4GraphPenSize", sizes, hintSize, page));
        column->addLayout(form);
        column->addStretch(1);
        const int index = FPages->addTab(page, TextIcon(QStringLiteral("xy")), QString());
        FPages->setTabToolTip(index, name);
    }
    FPages->setIconSize(QSize(24, 24));

    auto* buttons = new QHBoxLayout;
    auto* restore = new QPushButton(QStringLiteral("Restore defaults"), this);
    restore->setObjectName(QStringLiteral("ButtonRestoreDefaults"));
    restore->setAutoDefault(false);
    connect(restore, &QPushButton::clicked, this, [this] { ButtonRestoreDefaultsClick(); });
    buttons->addWidget(restore);
    buttons->addStretch(1);
    FOk = new QPushButton(QStringLiteral("OK"), this);
    FOk->setObjectName(QStringLiteral("BitBtnOk"));
    FOk->setDefault(true);
    connect(FOk, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(FOk);
    outer->addLayout(buttons);
    FStatus = new QStatusBar(this);
    FStatus->setSizeGripEnabled(false);
    outer->addWidget(FStatus);
}

bool TBoiteOptions::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        FStatus->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TBoiteOptions::ShowValues(const TOptions& values)
{
    for (const TCheck& c : FChecks)
        c.Box->setChecked(values.*c.Field);
    for (const TSpin& s : FSpins)
        s.Box->setValue(values.*s.Field); // the spin control brings it to the nearest bound
    for (const TCombo& c : FCombos)
        c.Box->setCurrentIndex(std::clamp(values.*c.Field, -1, c.Box->count() - 1));
    for (const TTool& t : FTools) {
        bool down = values.*t.Field;
        if (t.Derived == 1)
            down = values.ModelModifierHidden(t.Page);
        else if (t.Derived == 2)
            down = values.CurveArcHidden(t.Page);
        t.Button->setChecked(down);
    }
}

void TBoiteOptions::FormShow()
{
    ShowValues(FOptions);
    FPassword->setChecked(FOptions.PasswordLock); // setChecked runs no click handler
    FAssociationShown = AssociationInstalled(AssociationSetup);
    FAssociation->setChecked(FAssociationShown);
    FDefaultDirectory->setText(FOptions.DefaultDirectory);
    FStatus->clearMessage();
}

void TBoiteOptions::showEvent(QShowEvent* event)
{
    if (!FOpen) {
        FOpen = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TBoiteOptions::done(int result)
{
    if (FOpen) {
        FOpen = false;
        FormClose();
    }
    QDialog::done(result);
}

void TBoiteOptions::FormClose()
{
    // The association first: a failure is reported and the rest of the closing goes on.
    const bool wanted = FAssociation->isChecked();
    if (wanted != FAssociationShown) {
        const TAssociationResult r = SetAssociation(wanted, AssociationSetup);
        if (!r.Ok()) {
            QStringList lines = {wanted
                                     ? QStringLiteral("An error occurred while associating KTR files with "
                                                      "the program")
                                     : QStringLiteral("An error occurred while removing the association of "
                                                      "KTR files")};
            if (!r.Reason.isEmpty())
                lines << QString() << r.Reason.split(QLatin1Char('\n'));
            TUserDlg::Instance().Message(icWarning, lines);
        }
    }

    bool invalidate = false;
    for (const TCheck& c : FChecks)
        for (bool TOptions::*field : ResultOptions)
            if (c.Field == field && c.Box->isChecked() != FOptions.*field)
                invalidate = true;
    if (invalidate && OnInvalidateResults)
        OnInvalidateResults();

    FOptions.PasswordLock = FPassword->isChecked();
    for (const TCheck& c : FChecks)
        FOptions.*c.Field = c.Box->isChecked();
    FOptions.DefaultDirectory = FDefaultDirectory->text();
    for (const TSpin& s : FSpins)
        FOptions.*s.Field = s.Box->value();
    for (const TCombo& c : FCombos)
        FOptions.*c.Field = c.Box->currentIndex();
    for (const TTool& t : FTools)
        FOptions.*t.Field = t.Button->isChecked();

    FOptions.Save();
    FOptions.NotifyChange();
}

void TBoiteOptions::CheckBox1PasswordClick(bool checked)
{
    if (!checked) {
        FOptions.Password.clear();
        return;
    }
    if (!FOptions.AskNewPassword())
        FPassword->setChecked(false); // without running this handler again
}

void TBoiteOptions::ButtonDefaultDirectoryChangeClick()
{
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Folder;
    request.Title = QStringLiteral("Default directory");
    if (!FOptions.DefaultDirectory.isEmpty() && QFileInfo(FOptions.DefaultDirectory).isDir())
        request.InitialDir = FOptions.DefaultDirectory;
    const TFileDialogResult r = TDialogService::Instance().FileDialog(request);
    if (!r.Accepted)
        return; // a cancelled chooser keeps the folder there was
    const QFileInfo chosen(r.FileName);
    FOptions.DefaultDirectory =
        !r.FileName.isEmpty() && chosen.isDir() ? QDir::cleanPath(chosen.absoluteFilePath()) : QString();
    FDefaultDirectory->setText(FOptions.DefaultDirectory);
}

void TBoiteOptions::ButtonDefaultDirectorySupprClick()
{
    FOptions.DefaultDirectory.clear();
    FDefaultDirectory->clear();
}

void TBoiteOptions::ButtonRestoreDefaultsClick()
{
    TOptions defaults = FOptions;
    defaults.RestoreDefaults();
    ShowValues(defaults);
}

bool TBoiteOptions::Execute()
{
    if (!FOptions.CheckAccess())
        return false;
    exec();
    return true;
}

QCheckBox* TBoiteOptions::CheckBox(bool TOptions::*field) const
{
    for (const TCheck& c : FChecks)
        if (c.Field == field)
            return c.Box;
    return nullptr;
}

QComboBox* TBoiteOptions::ComboBox(int TOptions::*field) const
{
    for (const TCombo& c : FCombos)
        if (c.Field == field)
            return c.Box;
    return nullptr;
}

QSpinBox* TBoiteOptions::SpinBox(int TOptions::*field) const
{
    for (const TSpin& s : FSpins)
        if (s.Field == field)
            return s.Box;
    return nullptr;
}

QToolButton* TBoiteOptions::ToolButton(bool TOptions::*field) const
{
    for (const TTool& t : FTools)
        if (t.Field == field)
            return t.Button;
    return nullptr;
}
