// The names-and-colours dialog: its table, its drawings and its writing back of the names.
#include "shell/UnitBoiteNomCouleur.h"

#include "common/UnitDialogs.h"
#include "common/UnitGraphUtils.h"
#include "measurement/UnitData.h"
#include "measurement/UnitMarques.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

const QString HintNames = QStringLiteral("|The names will be used to clarify the results");
const QString HintArticle = QStringLiteral("|Do not forget an article before the noun");
const QString HeadingName = QStringLiteral("the mark locates the positions ...");
const QColor EvenRowColour(0xE8, 0xEF, 0xF1); // the colour value 0xF1EFE8 (0x00BBGGRR)
constexpr int ImageWidth = 412;
constexpr int ImageHeight = 105;

// A raised or sunken frame of the classic kind: light on the top and left, dark on the bottom and right.
void Frame3D(QPainter& p, const QRect& r, bool sunken)
{
    const QPalette palette = QApplication::palette();
    const QColor light = sunken ? palette.color(QPalette::Dark) : palette.color(QPalette::Light);
    const QColor dark = sunken ? palette.color(QPalette::Light) : palette.color(QPalette::Dark);
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

// An eye, over the visibility column.
void DrawEye(QPainter& p, const QRect& cell)
{
    const QPointF c = QRectF(cell).center();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath lids;
    lids.moveTo(c.x() - 9, c.y());
    lids.quadTo(c.x(), c.y() - 8, c.x() + 9, c.y());
    lids.quadTo(c.x(), c.y() + 8, c.x() - 9, c.y());
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(lids);
    p.setBrush(QColor(40, 90, 170));
    p.drawEllipse(c, 3.2, 3.2);
    p.setBrush(Qt::black);
    p.drawEllipse(c, 1.4, 1.4);
    p.restore();
}

// A red arrow from the cell's right edge to its middle, then down to a head at the bottom.
void DrawHeadingArrow(QPainter& p, const QRect& cell)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const int midX = cell.center().x();
    const int y = cell.top() + cell.height() / 3;
    p.setPen(QPen(Qt::red, 2));
    p.drawLine(cell.right(), y, midX, y);
    p.drawLine(midX, y, midX, cell.bottom() - 6);
    QPolygon head;
    head << QPoint(midX - 4, cell.bottom() - 7) << QPoint(midX + 4, cell.bottom() - 7)
         << QPoint(midX, cell.bottom() - 1);
    p.setPen(QPen(Qt::red, 1));
    p.setBrush(ToQColor(0x5C5CCD));
    p.drawPolygon(head);
    p.restore();
}

class TNomCouleurDelegate : public QStyledItemDelegate
{
public:
    TNomCouleurDelegate(TBoiteNomCouleur* box) : QStyledItemDelegate(box), FBox(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->setFont(option.font);
        FBox->PaintCell(*painter, option.rect, index.row(), index.column());
        painter->restore();
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            TBoiteNomCouleur* box = FBox;
            QObject::connect(edit, &QLineEdit::textEdited, box, [box] {
                box->Grid()->setStatusTip(HintArticle.mid(1));
                box->ShowHint(HintArticle);
            });
        }
        return editor;
    }

private:
    TBoiteNomCouleur* FBox;
};

} // namespace

TBoiteNomCouleur::TBoiteNomCouleur(TData& measurement, QWidget* parent) : QDialog(parent), FData(measurement)
{
    setWindowTitle(QStringLiteral("Change name and colour of every mark"));
    setFont(QFont(QStringLiteral("Arial"), 10));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    FGrid = new QTableWidget(this);
    FGrid->setColumnCount(5);
    FGrid->horizontalHeader()->hide();
    FGrid->verticalHeader()->hide();
    FGrid->setShowGrid(true);
    FGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    FGrid->setItemDelegate(new TNomCouleurDelegate(this));
    FGrid->setColumnWidth(ColNumber, 25);
    FGrid->setColumnWidth(ColColour, 40);
    FGrid->setColumnWidth(ColVisible, 28);
    FGrid->setColumnWidth(ColGlyph, 25);
    FGrid->horizontalHeader()->setStretchLastSection(true);
    FGrid->viewport()->setMouseTracking(true);
    FGrid->viewport()->installEventFilter(this);
    FGrid->setStatusTip(HintNames.mid(1));
    column->addWidget(FGrid);

    FImage = new QLabel(this);
    FImage->setObjectName(QStringLiteral("Image"));
    FImage->setFixedSize(ImageWidth, ImageHeight);
    FImage->setStatusTip(HintNames.mid(1));
    FImage->setMouseTracking(true);
    column->addWidget(FImage, 0, Qt::AlignHCenter);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtnOk"));
    ok->setFixedSize(75, 25);
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    column->addSpacing(7);
    column->addWidget(ok, 0, Qt::AlignHCenter);
    column->addSpacing(7);
    FStatus = new QStatusBar(this);
    FStatus->setSizeGripEnabled(false);
    column->addWidget(FStatus);
    setFixedWidth(ImageWidth + 8);
}

TBoiteNomCouleur::~TBoiteNomCouleur() = default;

void TBoiteNomCouleur::Execute()
{
    exec();
}

void TBoiteNomCouleur::ShowHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    FStatus->showMessage(bar < 0 ? hint : hint.mid(bar + 1));
}

bool TBoiteNomCouleur::HeadingCell(int row, int column) const
{
    return row == 0 || column == ColNumber || row == FCount + 1;
}

bool TBoiteNomCouleur::CellEditable(int row, int column) const
{
    if (column != ColName)
        return false;
    return (row >= 1 && row <= FCount) || (FLayer && row == FCount + 2);
}

QString TBoiteNomCouleur::HintAt(int row, int column) const
{
    const bool objectRow = row >= 1 && row <= FCount;
    switch (column) {
    case ColNumber:
        if (objectRow)
            return QStringLiteral("|Mark number");
        break;
    case ColColour:
        if (row != 0 && row != FCount + 1)
            return QStringLiteral("|Use the numeric keypad from the main window");
        break;
    case ColVisible:
        if (objectRow)
            return QStringLiteral("|Uncheck to hide all object marks");
        break;
    case ColName:
        if (objectRow)
            return HintArticle;
        break;
    default:
        break;
    }
    return HintNames;
}

void TBoiteNomCouleur::FormShow()
{
    FLayer = FData.View().Mode() == mvTransparent;
    FCount = std::max(0, FData.NbObjets());
    const int rows = FCount + 3;
    FGrid->clearContents();
    FGrid->setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < 5; ++col) {
            auto* item = new QTableWidgetItem;
            item->setFlags(CellEditable(row, col)
                               ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                               : Qt::ItemIsEnabled);
            FGrid->setItem(row, col, item);
        }
    FGrid->item(0, ColName)->setText(HeadingName);
    for (int i = 0; i < FCount; ++i) {
        FGrid->item(i + 1, ColNumber)->setText(QString::number(i + 1));
        FGrid->item(i + 1, ColName)->setText(FData.ObjectName(i));
    }
    if (FLayer) {
        FGrid->item(FCount + 1, ColName)
            ->setText(QStringLiteral("The middle of the layer follows the positions"));
        FGrid->item(FCount + 2, ColName)->setText(FData.ActiveList().Name(1));
    } else {
        FGrid->item(FCount + 2, ColName)->setText(QStringLiteral("Axes and scale colour"));
    }
    FGrid->setStatusTip(HintNames.mid(1));

    // The table as high as its rows, at most a third of the screen's work area.
    const int rowHeight = FGrid->verticalHeader()->defaultSectionSize();
    for (int row = 0; row < rows; ++row)
        FGrid->setRowHeight(row, rowHeight);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int third = screen ? screen->availableGeometry().height() / 3 : 300;
    const int height = std::min(third, (rowHeight + 1) * rows) + 2 * FGrid->frameWidth();
    FGrid->setFixedHeight(height);
    FImage->setPixmap(QPixmap::fromImage(ExamplePicture()));
    FStatus->clearMessage();
    adjustSize();
}

void TBoiteNomCouleur::FormClose()
{
    FGrid->setCurrentItem(nullptr); // commits a name still being typed
    for (int i = 0; i < FCount; ++i)
        FData.SetObjectName(i, FGrid->item(i + 1, ColName)->text().trimmed());
    if (FLayer)
        FData.ActiveList().SetName(1, FGrid->item(FCount + 2, ColName)->text().trimmed());
}

void TBoiteNomCouleur::showEvent(QShowEvent* event)
{
    if (!FOpen) {
        FOpen = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TBoiteNomCouleur::done(int result)
{
    if (FOpen) {
        FOpen = false;
        FormClose();
    }
    QDialog::done(result);
}

void TBoiteNomCouleur::CellPressed(int row, int column)
{
    if (row < 0 || row >= FCount + 3)
        return;
    if (column == ColColour && row != 0 && row != FCount + 1) {
        const bool element = row == FCount + 2;
        TColor colour = element ? FData.ElementColor : FData.ObjectColour(row - 1);
        if (!TDialogService::Instance().ColorDialog(colour))
            return; // cancelled: the colour stays
        if (element) {
            FData.ElementColor = colour;
            if (FData.OnCouleurChange)
                FData.OnCouleurChange(FData);
        } else {
            FData.SetObjectColour(row - 1, colour);
        }
        FGrid->viewport()->update();
    } else if (column == ColVisible && row >= 1 && row <= FCount) {
        const std::size_t i = std::size_t(row - 1);
        const bool visible = i < FData.MarkVisibilities.size() ? bool(FData.MarkVisibilities[i]) : true;
        FData.SetObjectVisible(row - 1, !visible);
        FGrid->viewport()->update();
    }
}

bool TBoiteNomCouleur::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip()); // empty when the mouse leaves
        return true;
    }
    return QDialog::event(event);
}

bool TBoiteNomCouleur::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FGrid->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QModelIndex index = FGrid->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            ShowHint(index.isValid() ? HintAt(index.row(), index.column()) : HintNames);
        } else if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QModelIndex index = FGrid->indexAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && index.isValid() &&
                (index.column() == ColColour || index.column() == ColVisible)) {
                CellPressed(index.row(), index.column());
                return true; // these cells cannot be selected
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TBoiteNomCouleur::PaintCell(QPainter& p, const QRect& rect, int row, int column) const
{
    const QPalette palette = QApplication::palette();
    QTableWidgetItem* item = FGrid->item(row, column);
    const QString text = item ? item->text() : QString();
    const bool objectRow = row >= 1 && row <= FCount;
    if (HeadingCell(row, column)) {
        p.fillRect(rect, palette.color(QPalette::Button));
        Frame3D(p, rect.adjusted(0, 0, -1, -1), false);
        if (row == 0 && column == ColName) {
            p.setPen(QPen(Qt::red, 2));
            p.drawLine(rect.left() + 3, rect.top() + 4, rect.left() + 3, rect.bottom() - 4);
            p.setPen(Qt::red);
            p.drawText(rect.adjusted(7, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        } else if (row == 0 && column == ColGlyph) {
            DrawHeadingArrow(p, rect);
        } else if (row == 0 && column == ColVisible) {
            DrawEye(p, rect);
        } else {
            p.setPen(palette.color(QPalette::ButtonText));
            const Qt::Alignment align =
                column == ColGlyph ? Qt::AlignCenter : Qt::AlignVCenter | Qt::AlignLeft;
            p.drawText(rect.adjusted(2, 0, -2, 0), align, text);
        }
        return;
    }
    p.fillRect(rect, row % 2 == 1 ? palette.color(QPalette::Base) : EvenRowColour);
    const bool lastRow = row == FCount + 2;
    if (column == ColColour && (objectRow || lastRow)) {
        const TColor colour = lastRow ? FData.ElementColor : FData.ObjectColour(row - 1);
        const QRect swatch = rect.adjusted(10, 2, -10, -2);
        p.fillRect(swatch, ToQColor(colour));
        Frame3D(p, swatch.adjusted(0, 0, -1, -1), true);
    } else if (column == ColVisible && objectRow) {
        const std::size_t i = std::size_t(row - 1);
        const bool visible = i < FData.MarkVisibilities.size() ? bool(FData.MarkVisibilities[i]) : true;
        const QRect box(rect.center().x() - 6, rect.center().y() - 6, 12, 12);
        p.fillRect(box, Qt::white);
        Frame3D(p, box, true);
        if (visible) {
            p.setPen(QPen(Qt::black, 1.5));
            p.drawLine(box.topLeft() + QPoint(3, 3), box.bottomRight() - QPoint(3, 3));
            p.drawLine(box.topRight() + QPoint(-3, 3), box.bottomLeft() + QPoint(3, -3));
        }
    } else if (column == ColGlyph && objectRow) {
        const TGraphUtils& utils = TGraphUtils::Instance();
        utils.DrawGlyph(p, rect.center(), FData.ObjectColour(row - 1), std::clamp(FData.ElementSize, 0, 2),
                        utils.ObjectShape(row - 1));
    } else if (column == ColName) {
        p.setPen(palette.color(QPalette::Text));
        p.drawText(rect.adjusted(2, 4, -2, 0), Qt::AlignTop | Qt::AlignLeft, text);
    }
}

QImage TBoiteNomCouleur::ExamplePicture() const
{
    QImage image(ImageWidth, ImageHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(QApplication::palette().color(QPalette::ToolTipBase));
    QPainter p(&image);
    Frame3D(p, image.rect().adjusted(0, 0, -1, -1), true);
    QFont font = this->font();
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    const QFontMetrics boldMetrics(bold);
    p.setPen(Qt::black);
    p.drawText(8, 4 + boldMetrics.ascent(), QStringLiteral("Examples"));
    p.setFont(font);
    const QFontMetrics metrics(font);
    const int step = int(std::lround(1.2 * metrics.height()));
    const struct
    {
        TColor Colour;
        const char* Object;
    } lines[] = {{TColor(255), "of a ball"},
                 {TColor(0xFF0000), "of the point of a javelin"},
                 {TColor(0x8000), "of the centre of the Earth"}};
    const TGraphUtils& utils = TGraphUtils::Instance();
    int y = 4 + boldMetrics.height() + step / 2;
    for (int i = 0; i < 3; ++i, y += step) {
        int x = 8;
        const QString mark = QStringLiteral("the mark");
        p.setPen(Qt::black);
        p.drawText(x, y + metrics.ascent(), mark);
        x += metrics.horizontalAdvance(mark) + 10;
        utils.DrawGlyph(p, QPoint(x, y + metrics.height() / 2), lines[i].Colour, 0, utils.ObjectShape(i));
        x += 10;
        const QString verb = QStringLiteral("locates the positions  ");
        p.setPen(Qt::black);
        p.drawText(x, y + metrics.ascent(), verb);
        x += metrics.horizontalAdvance(verb);
        p.setPen(ToQColor(lines[i].Colour));
        p.drawText(x, y + metrics.ascent(), QString::fromLatin1(lines[i].Object));
    }
    return image;
}
