// Message box and standard dialogs shown with Qt widgets.
#include "shell/UnitUserDlgQt.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QIcon IconOf(TIconKind icon)
{
    QStyle* style = QApplication::style();
    switch (icon) {
    case icWarning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case icError:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case icConfirmation:
        return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    default:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    }
}

QIcon ButtonIcon(TButtonType kind)
{
    QStyle* style = QApplication::style();
    switch (kind) {
    case btOk:
        return style->standardIcon(QStyle::SP_DialogOkButton);
    case btAnnuler:
        return style->standardIcon(QStyle::SP_DialogCancelButton);
    case btIgnorer:
        return style->standardIcon(QStyle::SP_ArrowRight);
    case btAbandonner:
        return style->standardIcon(QStyle::SP_DialogDiscardButton);
    case btTous:
        return style->standardIcon(QStyle::SP_DialogYesToAllButton);
    case btQuitter:
        return style->standardIcon(QStyle::SP_DialogCloseButton);
    case btAide:
        return style->standardIcon(QStyle::SP_DialogHelpButton);
    case btRecommencer:
        return style->standardIcon(QStyle::SP_BrowserReload);
    case btEnregistrer:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    default:
        return {};
    }
}

} // namespace

TUserAnswer TQtUserDlg::Show(const TUserMessage& message)
{
    QDialog dialog(FParent);
    dialog.setWindowTitle(TUserDlg::Instance().Title());
    dialog.setFont(QFont(QStringLiteral("Arial"), 10));

    auto* top = new QHBoxLayout;
    auto* iconLabel = new QLabel;
    if (message.Icon == icCustom && !message.Picture.isNull())
        iconLabel->setPixmap(QPixmap::fromImage(message.Picture));
    else
        iconLabel->setPixmap(IconOf(message.Icon).pixmap(32, 32));
    iconLabel->setAlignment(Qt::AlignTop);
    top->addWidget(iconLabel);
    auto* lines = new QVBoxLayout;
    for (const TUserLine& line : message.Lines) {
        auto* label = new QLabel(line.Text.isEmpty() ? QStringLiteral(" ") : line.Text);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont font = label->font();
        font.setBold(line.Bold);
        label->setFont(font);
        if (line.Color != clNone) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, ToQColor(line.Color));
            label->setPalette(palette);
        }
        lines->addWidget(label);
    }
    top->addLayout(lines, 1);

    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(top);
    QCheckBox* check = nullptr;
    if (!message.CheckBoxCaption.isEmpty()) {
        check = new QCheckBox(message.CheckBoxCaption);
        check->setChecked(message.CheckBoxChecked);
        layout->addWidget(check);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    // Escape and the close box reject the dialog: TUserDlg turns that into the button that loses nothing.
    int pressed = NoButtonPressed;
    for (int i = 0; i < int(message.Buttons.size()); ++i) {
        auto* button = new QPushButton(ButtonIcon(message.Buttons[i].Kind), message.Buttons[i].Caption);
        button->setEnabled(message.Buttons[i].Enabled);
        if (message.Default >= 0) {
            // Enter presses the named button, whichever has the focus.
            button->setDefault(i == message.Default);
            button->setAutoDefault(i == message.Default);
        } else if (i == 0) {
            button->setDefault(true);
        }
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &pressed, i] {
            pressed = i;
            dialog.accept();
        });
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    dialog.exec();
    return TUserAnswer{pressed, check && check->isChecked()};
}

void TQtDialogs::TextBox(const TTextBoxRequest& request)
{
    QDialog dialog(FParent);
    dialog.setWindowTitle(request.Title);
    auto* layout = new QVBoxLayout(&dialog);
    if (!request.Heading.isEmpty()) {
        auto* heading = new QLabel(request.Heading);
        heading->setTextFormat(Qt::PlainText);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        heading->setAlignment(Qt::AlignCenter);
        layout->addWidget(heading);
    }
    if (request.Framed) {
        auto* memo = new QPlainTextEdit(request.Text);
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        layout->addWidget(memo, 1);
    } else {
        auto* text = new QLabel(request.Text);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        layout->addWidget(text, 1);
    }
    auto* ok = new QPushButton(QStringLiteral("Ok"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    if (request.Width > 0 && request.Height > 0)
        dialog.setFixedSize(request.Width, request.Height);
    dialog.exec();
}

QStringList QtNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString name = parts[i];
        const qsizetype paren = name.indexOf(QLatin1String(" ("));
        if (paren > 0)
            name = name.left(paren);
        result << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return result;
}

QString FilterSuffix(const QString& nameFilter)
{
    // "Bitmap file (*.bmp)" gives "bmp"; "All (*)" and "Images (*.png *.bmp)" name no single suffix.
    const qsizetype open = nameFilter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = nameFilter.lastIndexOf(QLatin1Char(')'));
    const QString inside =
        open >= 0 && close > open ? nameFilter.mid(open + 1, close - open - 1) : nameFilter;
    const QStringList patterns = inside.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (patterns.size() != 1 || !patterns.first().startsWith(QLatin1String("*.")))
        return QString();
    const QString suffix = patterns.first().mid(2);
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString() : suffix;
}

TFileDialog::TFileDialog(QWidget* parent, const TFileDialogRequest& request)
    : QFileDialog(parent, request.Title), FRequest(request),
      FFilters(QtNameFilters(request.Filter))
{
    // The nearest folder that exists: a path that is no folder would be put in the name field.
    QString folder = request.InitialDir;
    while (!folder.isEmpty() && !QFileInfo(folder).isDir() && QFileInfo(folder).path() != folder)
        folder = QFileInfo(folder).path();
    if (QFileInfo(folder).isDir())
        setDirectory(folder);
    switch (request.Kind) {
    case TFileDialogKind::Open:
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(request.Multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        break;
    case TFileDialogKind::Save:
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        // A caller that refuses existing files asks for another name itself: one question, not two.
        setOption(QFileDialog::DontConfirmOverwrite, request.CallerChecksExisting);
        break;
    case TFileDialogKind::Folder:
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    if (!FFilters.isEmpty()) {
        setNameFilters(FFilters);
        const int index = std::clamp(request.FilterIndex, 1, int(FFilters.size()));
        selectNameFilter(FFilters[index - 1]);
    }
    FollowFilter();
    // The chosen file type decides the extension of a name typed without one.
    connect(this, &QFileDialog::filterSelected, this, [this] { FollowFilter(); });
    if (!request.FileName.isEmpty())
        selectFile(request.FileName);
}

void TFileDialog::FollowFilter()
{
    const QString suffix =
        FRequest.Kind == TFileDialogKind::Save ? FilterSuffix(selectedNameFilter()) : QString();
    setDefaultSuffix(suffix.isEmpty() ? FRequest.DefaultExt : suffix);
}

void TFileDialog::accept()
{
    FollowFilter();
    QFileDialog::accept();
}

TFileDialogResult TFileDialog::Result() const
{
    TFileDialogResult result;
    if (this->result() != QDialog::Accepted || selectedFiles().isEmpty())
        return result;
    result.Accepted = true;
    result.FileName = selectedFiles().first();
    result.FileNames = selectedFiles();
    result.FilterIndex = std::max(1, int(FFilters.indexOf(selectedNameFilter())) + 1);
    // A desktop dialog may give the name as typed: a name without extension takes the chosen type's.
    const QString suffix =
        FRequest.Kind == TFileDialogKind::Save ? FilterSuffix(selectedNameFilter()) : QString();
    if (!suffix.isEmpty() && QFileInfo(result.FileName).suffix().isEmpty()) {
        result.FileName += QLatin1Char('.') + suffix;
        result.FileNames.first() = result.FileName;
    }
    return result;
}

TFileDialogResult TQtDialogs::FileDialog(const TFileDialogRequest& request)
{
    TFileDialog dialog(FParent, request);
    dialog.exec();
    return dialog.Result();
}

bool TQtDialogs::ColorDialog(TColor& color)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(color), FParent);
    if (!chosen.isValid())
        return false;
    color = FromQColor(chosen);
    return true;
}

namespace {

// Applies the value dialog's key filter to every typed character of the edit field.
class TKeyFilter : public QObject
{
public:
    TKeyFilter(QLineEdit* edit, const TValueDialogRequest& request)
        : QObject(edit), FEdit(edit), FRequest(request)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != FEdit || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.size() != 1 || !text.at(0).isPrint() || (key->modifiers() & Qt::ControlModifier))
            return false; // navigation, Backspace, Enter and shortcuts keep their usual meaning
        const QChar accepted =
            FRequest.KeyFilter ? FRequest.KeyFilter(text.at(0), FEdit->text()) : text.at(0);
        if (accepted.isNull())
            return true;
        if (accepted != text.at(0)) {
            FEdit->insert(QString(accepted));
            return true;
        }
        return false;
    }

private:
    QLineEdit* FEdit;
    const TValueDialogRequest& FRequest;
};

} // namespace

bool TQtDialogs::ValueDialog(const TValueDialogRequest& request)
{
    // The OK button closes with a text that the request accepts; Escape and the close box without a value.
    QDialog dialog(FParent);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(request.Caption);
    dialog.setFont(QFont(QStringLiteral("Arial"), 10));

    auto* explanation = request.Explanation.isEmpty() ? nullptr : new QLabel(request.Explanation, &dialog);
    auto* prompt = new QLabel(request.Prompt, &dialog);
    auto* edit = new QLineEdit(&dialog);
    edit->setMaxLength(request.MaxLength);
    edit->setFixedSize(120, 21);
    edit->installEventFilter(new TKeyFilter(edit, request));
    auto* bevel = new QFrame(&dialog);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    auto* ok = new QPushButton(QStringLiteral("&Ok"), &dialog);
    ok->setFixedSize(75, 25);
    ok->setDefault(true);
    auto* status = new QStatusBar(&dialog);
    status->setSizeGripEnabled(false);
    status->setFixedHeight(23);
    status->showMessage(request.IntervalText);

    const int workWidth = QGuiApplication::primaryScreen()
                              ? QGuiApplication::primaryScreen()->availableGeometry().width()
                              : 1024;
    const int promptWidth = prompt->sizeHint().width();
    const int clientWidth = std::min(workWidth * 3 / 4, promptWidth + 36 + edit->width());
    int clientHeight = edit->height() + 56 + ok->height() + status->height() + 2;
    int promptTop = 14;
    if (explanation) {
        explanation->setWordWrap(true);
        explanation->setGeometry(12, 14, clientWidth - 24, explanation->heightForWidth(clientWidth - 24));
        clientHeight += explanation->height() + 14;
        promptTop = explanation->geometry().bottom() + 1 + 14;
    }
    prompt->setGeometry(12, promptTop, std::min(promptWidth, clientWidth - edit->width() - 36),
                        prompt->sizeHint().height());
    edit->move(prompt->geometry().right() + 1 + 12, promptTop - 2);
    status->setGeometry(0, clientHeight - status->height(), clientWidth, status->height());
    ok->move((clientWidth - ok->width()) / 2, status->y() - 10 - ok->height());
    bevel->setGeometry(10, ok->y() - 14, clientWidth - 20, 2);
    dialog.setFixedSize(clientWidth, clientHeight);

    QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
        if (!request.TryClose || request.TryClose(edit->text()))
            dialog.accept();
        else {
            edit->setFocus();
            edit->selectAll();
        }
    });
    edit->setText(request.DefaultText);
    edit->selectAll();
    edit->setFocus();
    return dialog.exec() == QDialog::Accepted;
}
