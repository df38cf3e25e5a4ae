// The dialog in which the user names the pointed objects and picks their colours, their visibility and
// the colour of the axes and scale.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

class QLabel;
class QPainter;
class QStatusBar;
class QTableWidget;
class TData;

// Modal, created once by the main window. It keeps no data of its own: colours and visibilities change
// on the measurement data at once; the names are written back whenever it closes, however it closes
// (there is no cancel).
//
// Rows, with n the objects per frame of the active list: 0 the heading, 1..n the objects, n + 1 drawn as
// a heading, n + 2 the last row: "Axes and scale colour" on the grid, the name of the object that the
// layer's centre follows on the layer. Columns: 0 number, 1 colour, 2 visibility, 3 glyph, 4 name.
class TBoiteNomCouleur : public QDialog
{
public:
    // The measurement data must outlive the dialog.
    explicit TBoiteNomCouleur(TData& measurement, QWidget* parent = nullptr);
    ~TBoiteNomCouleur() override;

    void Execute();

    enum
    {
        ColNumber = 0,
        ColColour = 1,
        ColVisible = 2,
        ColGlyph = 3,
        ColName = 4,
    };

    // A press of the left button on a cell: the colour picker in the colour column, the visibility
    // switch in the visibility column; other cells do nothing.
    void CellPressed(int row, int column);
    // The hint of a cell as the status bar shows it ("|" + the long part).
    QString HintAt(int row, int column) const;
    // Whether the cell can be selected and typed into.
    bool CellEditable(int row, int column) const;

    int ObjectCount() const { return FCount; }
    bool LayerMode() const { return FLayer; }
    QTableWidget* Grid() const { return FGrid; }
    QStatusBar* StatusBar() const { return FStatus; }
    // Sets the status bar to the long part of a hint.
    void ShowHint(const QString& hint);
    // The example picture under the table.
    QImage ExamplePicture() const;

    // Painting of the table's cells (used by its item delegate).
    void PaintCell(QPainter& painter, const QRect& rect, int row, int column) const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The hints of the picture and the table reach the dialog's own status bar.
    bool event(QEvent* event) override;

private:
    void FormShow();
    void FormClose();
    bool HeadingCell(int row, int column) const;

    TData& FData;
    QTableWidget* FGrid = nullptr;
    QLabel* FImage = nullptr;
    QStatusBar* FStatus = nullptr;
    int FCount = 0;
    bool FLayer = false;
    bool FOpen = false; // shown and not yet closed: the names are written back once
};
