#include "SignalGrid.h"

#include "GridLook.h"
#include "core/AnalyzerState.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace seiran::app {

namespace {

const QString kHeader = QStringLiteral("信号名");

bool isArrowUpDown(int key) { return key == Qt::Key_Up || key == Qt::Key_Down; }

} // namespace

SignalListModel::SignalListModel(AnalyzerState& state, QObject* parent) : QAbstractTableModel(parent), m_state(state) {}

void SignalListModel::showPage(int page)
{
    beginResetModel();
    m_page = page;
    m_rows = m_state.pageViews[std::size_t(page)].rows.count;
    endResetModel();
}

int SignalListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1 + m_rows; }
int SignalListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QString* SignalListModel::nameAt(int gridRow) const
{
    const PageState& p = m_state.pages[std::size_t(m_page)];
    const int row = p.firstRow + gridRow - 1;
    if (gridRow < 1 || row < 0 || row >= p.rowCount || row >= kMaxRows)
        return nullptr;
    return &m_state.pages[std::size_t(m_page)].signalName[std::size_t(row)];
}

QVariant SignalListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.row() == 0)
        return kHeader;
    const QString* name = nameAt(index.row());
    if (!name)
        return {};
    // Analog rows carry their voltage readout after a CR LF: shown as extra lines.
    return role == Qt::DisplayRole ? QString(*name).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) : *name;
}

bool SignalListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    QString* name = role == Qt::EditRole ? nameAt(index.row()) : nullptr;
    if (!name)
        return false;
    *name = value.toString();
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags SignalListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() == 0)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void SignalCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool header = index.row() == 0;
    const bool selected = !header && m_selected && m_selected(index.row());
    paintGridCell(*painter, option.rect, index.data(Qt::DisplayRole).toString(),
                  header ? CellLook::Fixed : selected ? CellLook::Selected : CellLook::Normal,
                  header ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop);
}

SignalGrid::SignalGrid(AnalyzerState& state, QWidget* parent)
    : QTableView(parent), m_state(state), m_model(state), m_delegate(this)
{
    setObjectName(QStringLiteral("sgrSignal"));
    setModel(&m_model);
    setItemDelegate(&m_delegate);
    m_delegate.setSelectionSource([this](int gridRow) {
        const int page = m_model.page();
        return signalGridRowSelected(m_state.pages[std::size_t(page)], m_selections[std::size_t(page)], gridRow);
    });
    configureGridView(*this);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
}

void SignalGrid::showPage(int page)
{
    m_loading = true;
    m_model.showPage(page);
    const PageView& view = m_state.pageViews[std::size_t(page)];
    setRowHeight(0, signalHeaderRowPixels());
    for (int j = 0; j < view.rows.count; ++j)
        setRowHeight(1 + j, view.rows.rows[std::size_t(j)].gridHeight + 1);
    setColumnWidth(0, viewport()->width());
    const SignalListSelection& s = m_selections[std::size_t(page)];
    const int currentRow = s.end - m_state.pages[std::size_t(page)].firstRow;
    if (currentRow >= 1 && currentRow <= view.rows.count)
        setCurrentIndex(m_model.index(currentRow, 0));
    m_loading = false;
}

void SignalGrid::mousePressEvent(QMouseEvent* event)
{
    const int page = m_model.page();
    const int gridRow = rowAt(int(event->position().y()));
    if (event->button() == Qt::LeftButton && gridRow >= 1) {
        sgrSignalMouseDown(m_state.pages[std::size_t(page)], m_state.pageViews[std::size_t(page)],
                           m_selections[std::size_t(page)], gridRow);
        viewport()->update();
    }
    QTableView::mousePressEvent(event);
}

void SignalGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) {
        const int page = m_model.page();
        const int gridRow = rowAt(int(event->position().y()));
        if (gridRow >= 1) {
            sgrSignalMouseDrag(m_state.pages[std::size_t(page)], m_selections[std::size_t(page)], gridRow);
            viewport()->update();
        }
    }
    QTableView::mouseMoveEvent(event);
}

void SignalGrid::keyPressEvent(QKeyEvent* event)
{
    sgrSignalKeyDown(m_selections[std::size_t(m_model.page())], event->modifiers() & Qt::ShiftModifier,
                     isArrowUpDown(event->key()));
    QTableView::keyPressEvent(event);
}

void SignalGrid::keyReleaseEvent(QKeyEvent* event)
{
    const int page = m_model.page();
    if (isArrowUpDown(event->key())) {
        if (sgrSignalKeyUp(m_state.pages[std::size_t(page)], m_state.pageViews[std::size_t(page)],
                           m_selections[std::size_t(page)]))
            emit rowsScrolled();
        viewport()->update();
    }
    QTableView::keyReleaseEvent(event);
}

void SignalGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_loading || !current.isValid())
        return;
    const int page = m_model.page();
    sgrSignalSelectCell(m_state.pages[std::size_t(page)], m_selections[std::size_t(page)], current.row());
    viewport()->update();
}

} // namespace seiran::app
