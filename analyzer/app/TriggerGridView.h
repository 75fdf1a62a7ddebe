#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

namespace seiran {
class AnalyzerState;
}

namespace seiran::app {

// The cells of the trigger grid as the state has them: row 0 the header, row 1 the input group and
// the trigger position, then one row a visible signal row.
class TriggerGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TriggerGridModel(AnalyzerState& state, QObject* parent = nullptr);

    void showPage(int page);
    int page() const { return m_page; }
    // The cells changed (a click or a popup item): repaint them.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    static constexpr int kLookRole = Qt::UserRole + 1; // CellLook as int

private:
    AnalyzerState& m_state;
    int m_page = 0;
    int m_rows = 0;
};

class TriggerCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The trigger grid sgrTrigger: owner-drawn cells; a left click cycles a cell, a right click
// opens the popup of the cell.
class TriggerGridView final : public QTableView {
    Q_OBJECT
public:
    explicit TriggerGridView(AnalyzerState& state, QWidget* parent = nullptr);

    void showPage(int page);
    TriggerGridModel& gridModel() { return m_model; }

    static constexpr int kChannelColumnWidth = 44;
    static constexpr int kConditionColumnWidth = 50;

signals:
    void leftClicked(int column, int row);
    void popupRequested(int column, int row, const QPoint& globalPosition);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    AnalyzerState& m_state;
    TriggerGridModel m_model;
    TriggerCellDelegate m_delegate;
};

} // namespace seiran::app
