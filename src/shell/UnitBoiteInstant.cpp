// The frame-time dialog of the editing mode.
#include "shell/UnitBoiteInstant.h"

#include "common/UnitFormat.h"
#include "editing/UnitMontage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TBoiteInstant::TBoiteInstant(TMontage& montage, double interval, QWidget* parent) : QDialog(parent), FMontage(montage)
{
    setWindowTitle(QStringLiteral("A frame is missing in the video stream"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(
        QStringLiteral("The duration between the frame before and after the missing image must be changed"), this));
    column->addWidget(new QLabel(QStringLiteral("The interval between 2 successive frames is T = %1 s.")
                                     .arg(FormatSignificant(0, interval)),
                                 this));
    column->addWidget(new QLabel(QStringLiteral("The initial time is the first frame in the video stream."), this));
    auto* grid = new QGridLayout;
    Previous = new QLabel(this);
    grid->addWidget(Previous, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("time of selected image t ="), this), 1, 0);
    Current = new QLineEdit(this);
    Current->setReadOnly(true);
    grid->addWidget(Current, 1, 1);
    auto* arrows = new QVBoxLayout;
    UpButton = new QToolButton(this);
    UpButton->setArrowType(Qt::UpArrow);
    DownButton = new QToolButton(this);
    DownButton->setArrowType(Qt::DownArrow);
    arrows->addWidget(UpButton);
    arrows->addWidget(DownButton);
    grid->addLayout(arrows, 1, 2);
    Next = new QLabel(this);
    grid->addWidget(Next, 2, 0, 1, 3);
    column->addLayout(grid);
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setDefault(true);
    column->addWidget(ok, 0, Qt::AlignRight);
    column->addWidget(new QLabel(QStringLiteral("Tip: go to the image immediately after the missing frame"), this));
    connect(UpButton, &QToolButton::clicked, this, [this] { Step(true); });
    connect(DownButton, &QToolButton::clicked, this, [this] { Step(false); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    Refresh();
}

bool TBoiteInstant::Step(bool up)
{
    if (!FMontage.ShiftFromCurrent(up ? 1 : -1))
        return false;
    Refresh();
    return true;
}

void TBoiteInstant::Refresh()
{
    const auto time = [](double t) { return FormatSignificant(0, t); };
    const double previous = FMontage.TimeOf(TMontage::wtPrevious);
    const double next = FMontage.TimeOf(TMontage::wtNext);
    Previous->setText(previous >= 0 ? QStringLiteral("previous visible image t = %1 s").arg(time(previous))
                                    : QString());
    Current->setText(time(FMontage.TimeOf(TMontage::wtCurrent)) + QStringLiteral(" s"));
    Next->setText(next >= 0 ? QStringLiteral("next visible image  t = %1 s").arg(time(next)) : QString());
}
