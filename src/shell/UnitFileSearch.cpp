// The file-search window.
#include "shell/UnitFileSearch.h"

#include "common/UnitDialogs.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TFileSearch::TFileSearch(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FileSearch"));
    setWindowTitle(QStringLiteral("Search"));
    resize(560, 420);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Folder:")));
    FFolder = new QLineEdit(QDir::homePath());
    row->addWidget(FFolder, 1);
    auto* browse = new QPushButton(QStringLiteral("Browse ..."));
    row->addWidget(browse);
    auto* search = new QPushButton(QStringLiteral("Search"));
    row->addWidget(search);
    layout->addLayout(row);
    FList = new QListWidget;
    layout->addWidget(FList, 1);
    FCount = new QLabel;
    layout->addWidget(FCount);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* open = new QPushButton(QStringLiteral("Open"));
    auto* close = new QPushButton(QStringLiteral("Close"));
    buttons->addWidget(open);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, [this] {
        TFileDialogRequest request;
        request.Kind = TFileDialogKind::Folder;
        request.Title = QStringLiteral("Search");
        request.InitialDir = FFolder->text();
        const TFileDialogResult result = TDialogService::Instance().FileDialog(request);
        if (result.Accepted) {
            FFolder->setText(result.FileName);
            Search(result.FileName);
        }
    });
    connect(search, &QPushButton::clicked, this, [this] { Search(FFolder->text()); });
    connect(FFolder, &QLineEdit::returnPressed, this, [this] { Search(FFolder->text()); });
    connect(open, &QPushButton::clicked, this, [this] { OpenEntry(FList->currentRow()); });
    connect(FList, &QListWidget::itemActivated, this, [this] { OpenEntry(FList->currentRow()); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

void TFileSearch::SetFilter(const QString& filter)
{
    FMasks.clear();
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 1; i < parts.size(); i += 2)
        for (const QString& mask : parts[i].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!FMasks.contains(mask.trimmed(), Qt::CaseInsensitive))
                FMasks << mask.trimmed();
}

void TFileSearch::Search(const QString& folder)
{
    FList->clear();
    FFolder->setText(folder);
    if (!QFileInfo(folder).isDir()) {
        FCount->setText(QStringLiteral("This folder does not exist."));
        return;
    }
    // Masks compare without regard to case, as file names from cameras often come in capitals.
    QStringList nameFilters;
    for (const QString& mask : FMasks)
        nameFilters << mask.toLower() << mask.toUpper();
    QDirIterator it(folder, nameFilters, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    QStringList found;
    while (it.hasNext() && found.size() < MaxResults)
        found << it.next();
    found.removeDuplicates();
    found.sort(Qt::CaseInsensitive);
    for (const QString& path : found) {
        auto* item = new QListWidgetItem(QDir(folder).relativeFilePath(path), FList);
        item->setData(Qt::UserRole, QDir::cleanPath(path));
        item->setToolTip(path);
    }
    if (FList->count() > 0)
        FList->setCurrentRow(0);
    FCount->setText(QStringLiteral("%1 file(s)").arg(found.size()));
}

QStringList TFileSearch::Results() const
{
    QStringList paths;
    for (int i = 0; i < FList->count(); ++i)
        paths << FList->item(i)->data(Qt::UserRole).toString();
    return paths;
}

void TFileSearch::OpenEntry(int index)
{
    if (index < 0 || index >= FList->count())
        return;
    const QString path = FList->item(index)->data(Qt::UserRole).toString();
    hide();
    if (OnOpen)
        OnOpen(path);
}
