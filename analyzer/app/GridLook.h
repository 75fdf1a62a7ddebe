#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;
class QTableView;

namespace seiran::app {

// How a cell of the page's grids is drawn. A focused or selected cell is never coloured by the
// view itself: only the program's own marks are.
enum class CellLook {
    Normal,   // black on white
    Fixed,    // header cells, on the button face
    Selected, // white on navy: the row's channel is selected
    Unusable, // on silver: the input does not work at the probe level chosen
};

// The proportional Gothic face of the grids, 13 pixels.
QFont gridFont();

// Text starts 2 pixels right of and below the cell's corner.
void paintGridCell(QPainter& painter, const QRect& rect, const QString& text, CellLook look,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);

// No headers, no scroll bars, no selection colouring, fixed row heights of any size: the grid is
// laid out row by row from the page's layout.
void configureGridView(QTableView& view);

// The signal list's header row with its separating line: 2 × 19 + 1 pixels and one grid line.
int signalHeaderRowPixels();

} // namespace seiran::app
