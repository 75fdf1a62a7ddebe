#include "TriggerGridView.h"

#include "GridLook.h"
#include "capture/TriggerGrid.h"
#include "core/AnalyzerState.h"
#include "render/PageView.h"

#include <QMouseEvent>

namespace seiran::app {

TriggerGridModel::TriggerGridModel(AnalyzerState& state, QObject* parent) : QAbstractTableModel(parent), m_state(state) {}

void TriggerGridModel::showPage(int page)
{
    beginResetModel();
    m_page = page;
    m_rows = m_state.pageViews[std::size_t(page)].rows.count;
    endResetModel();
}

void TriggerGridModel::refresh()
{
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TriggerGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2 + m_rows; }
int TriggerGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant TriggerGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role != Qt::DisplayRole && role != kLookRole)
        return {};
    const TriggerCell cell = triggerGridCell(m_state, m_page, index.column(), index.row());
    if (role == Qt::DisplayRole)
        return cell.text;
    CellLook look = CellLook::Normal;
    if (index.row() == 0)
        look = CellLook::Fixed;
    else if (cell.selected)
        look = CellLook::Selected;
    else if (cell.unusable)
        look = CellLook::Unusable;
    return int(look);
}

void TriggerCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto look = CellLook(index.data(TriggerGridModel::kLookRole).toInt());
    paintGridCell(*painter, option.rect, index.data(Qt::DisplayRole).toString(), look,
                  index.row() == 0 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
}

TriggerGridView::TriggerGridView(AnalyzerState& state, QWidget* parent)
    : QTableView(parent), m_state(state), m_model(state), m_delegate(this)
{
    setObjectName(QStringLiteral("sgrTrigger"));
    setModel(&m_model);
    setItemDelegate(&m_delegate);
    configureGridView(*this);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

void TriggerGridView::showPage(int page)
{
    m_model.showPage(page);
    // Rows 0 and 1 together are as tall as the signal list's header.
    setRowHeight(0, rowPitch);
    setRowHeight(1, rowPitch);
    const PageView& view = m_state.pageViews[std::size_t(page)];
    for (int j = 0; j < view.rows.count; ++j)
        setRowHeight(2 + j, view.rows.rows[std::size_t(j)].gridHeight + 1);
    setColumnWidth(0, kChannelColumnWidth);
    setColumnWidth(1, kConditionColumnWidth);
}

void TriggerGridView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int row = rowAt(at.y());
    const int column = columnAt(at.x());
    if (row < 0 || column < 0)
        return;
    if (event->button() == Qt::LeftButton)
        emit leftClicked(column, row);
    else if (event->button() == Qt::RightButton)
        emit popupRequested(column, row, event->globalPosition().toPoint());
}

} // namespace seiran::app
