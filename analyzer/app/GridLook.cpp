#include "GridLook.h"

#include "render/PageView.h"

#include <QHeaderView>
#include <QPainter>
#include <QTableView>

namespace seiran::app {

QFont gridFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("VL PGothic"), QStringLiteral("VL Gothic")});
    font.setPixelSize(13);
    return font;
}

void paintGridCell(QPainter& painter, const QRect& rect, const QString& text, CellLook look, Qt::Alignment alignment)
{
    static const QColor kButtonFace(240, 240, 240);
    static const QColor kNavy(0, 0, 128);
    static const QColor kSilver(192, 192, 192);
    QColor background = Qt::white;
    QColor ink = Qt::black;
    switch (look) {
    case CellLook::Normal:
        break;
    case CellLook::Fixed:
        background = kButtonFace;
        break;
    case CellLook::Selected:
        background = kNavy;
        ink = Qt::white;
        break;
    case CellLook::Unusable:
        background = kSilver;
        break;
    }
    painter.save();
    painter.fillRect(rect, background);
    painter.setPen(ink);
    painter.setFont(gridFont());
    const QRect inner = alignment & Qt::AlignLeft ? rect.adjusted(2, 2, -1, -1) : rect;
    painter.drawText(inner, int(alignment), text);
    painter.restore();
}

void configureGridView(QTableView& view)
{
    view.horizontalHeader()->hide();
    view.verticalHeader()->hide();
    view.verticalHeader()->setMinimumSectionSize(1);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.horizontalHeader()->setMinimumSectionSize(1);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setAutoScroll(false);
    view.setSelectionMode(QAbstractItemView::NoSelection);
    view.setFrameShape(QFrame::NoFrame);
    view.setFont(gridFont());
    view.setWordWrap(false);
    view.setTabKeyNavigation(false);
    view.setGridStyle(Qt::SolidLine);
}

int signalHeaderRowPixels() { return signalHeaderHeight + 1; }

} // namespace seiran::app
