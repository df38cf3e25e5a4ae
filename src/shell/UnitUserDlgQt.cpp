// Message box and standard dialogs shown with Qt widgets.
#include "shell/UnitUserDlgQt.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
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
    int pressed = int(message.Buttons.size()) - 1; // closing the box counts as the last button
    for (int i = 0; i < int(message.Buttons.size()); ++i) {
        auto* button = new QPushButton(ButtonIcon(message.Buttons[i].Kind), message.Buttons[i].Caption);
        if (i == 0)
            button->setDefault(true);
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

TFileDialogResult TQtDialogs::FileDialog(const TFileDialogRequest& request)
{
    QFileDialog dialog(FParent, request.Title, request.InitialDir);
    const QStringList filters = QtNameFilters(request.Filter);
    switch (request.Kind) {
    case TFileDialogKind::Open:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case TFileDialogKind::Save:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        break;
    case TFileDialogKind::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = std::clamp(request.FilterIndex, 1, int(filters.size()));
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.DefaultExt.isEmpty())
        dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.FileName.isEmpty())
        dialog.selectFile(request.FileName);
    TFileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.Accepted = true;
    result.FileName = dialog.selectedFiles().first();
    result.FilterIndex = std::max(1, int(filters.indexOf(dialog.selectedNameFilter())) + 1);
    return result;
}

bool TQtDialogs::ColorDialog(TColor& color)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(color), FParent);
    if (!chosen.isValid())
        return false;
    color = FromQColor(chosen);
    return true;
}
