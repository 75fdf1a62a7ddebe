#pragma once

#include "PageControls.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <array>
#include <functional>

namespace seiran {
class AnalyzerState;
}

namespace seiran::app {

// The names of the signal rows shown (grid row 0 is the "信号名" header). The model reads and
// writes the page's signalName directly, so an edited name is in the state as soon as it is
// committed.
class SignalListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SignalListModel(AnalyzerState& state, QObject* parent = nullptr);

    // Rebuilds the rows for the page and its last layout.
    void showPage(int page);
    int page() const { return m_page; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QString* nameAt(int gridRow) const;

    AnalyzerState& m_state;
    int m_page = 0;
    int m_rows = 0;
};

// Draws the names 2 pixels in from the cell's corner with their line breaks; selected rows
// white on navy, the header on the button face.
class SignalCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setSelectionSource(const std::function<bool(int gridRow)>& selected) { m_selected = selected; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    std::function<bool(int)> m_selected;
};

// The signal list sgrSignal of the analyzer pages.
class SignalGrid final : public QTableView {
    Q_OBJECT
public:
    explicit SignalGrid(AnalyzerState& state, QWidget* parent = nullptr);

    // Loads the page's rows, heights and selection.
    void showPage(int page);
    SignalListSelection& selection(int page) { return m_selections[std::size_t(page)]; }
    SignalListModel& listModel() { return m_model; }

signals:
    // Shift+arrow moved the rows shown: the page needs its layout and a redraw.
    void rowsScrolled();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    AnalyzerState& m_state;
    SignalListModel m_model;
    SignalCellDelegate m_delegate;
    std::array<SignalListSelection, 4> m_selections{};
    bool m_loading = false;
};

} // namespace seiran::app
