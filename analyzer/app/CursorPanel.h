#pragma once

#include <QLabel>
#include <QTableWidget>

namespace seiran {
class AnalyzerState;
class CursorController;
} // namespace seiran

class QLineEdit;

namespace seiran::app {

// A label that reports clicks and double-clicks (lblAC, lblBD, lblABtoBD).
class ClickLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A grid that reports presses in its own pixels and cells, and live edits of its cells.
class CursorGrid final : public QTableWidget {
    Q_OBJECT
public:
    CursorGrid(int rows, int columns, QWidget* parent = nullptr);
    bool editing() const { return state() == EditingState; }
signals:
    void pressed(int x, int y, int column, int row);
    void released();
    void cellTextEdited(int column, int row, const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The cursor controls of the analyzer pages: the step grid sgrAnaCursor with its row labels lblAC
// and lblBD, the pair switch lblABtoBD, the difference field edtAnaAtoB and the state grid
// sgrState. The widgets are children of the analyzer panel; every event goes to the state's
// cursor controller and the widgets show what it returns.
class CursorPanel final : public QObject {
    Q_OBJECT
public:
    CursorPanel(AnalyzerState& state, CursorController& cursors, QWidget* parent);

    // Places the controls: the pair switch and field at pairLeft on the second row, the step
    // grid and the state grid from gridLeft.
    void place(int pairLeft, int rowTwoTop, int gridLeft, int top);
    // Loads every control for the page shown.
    void load(int page);
    // Reloads what a cursor operation changed (CursorRefresh bits).
    void refresh(int page, unsigned what);

    ClickLabel* lblAC() const { return m_lblAC; }
    ClickLabel* lblBD() const { return m_lblBD; }
    ClickLabel* lblABtoBD() const { return m_lblABtoBD; }
    QLineEdit* edtAnaAtoB() const { return m_edtAnaAtoB; }
    CursorGrid* sgrAnaCursor() const { return m_sgrAnaCursor; }
    CursorGrid* sgrState() const { return m_sgrState; }

    static constexpr int kStepColumnPixels = 25; // 24 and the grid line
    static constexpr int kStepRowPixels = 23;    // 22 and the grid line

private:
    void setStateCell(int column, int row, const QString& text);

    AnalyzerState& m_state;
    CursorController& m_cursors;
    ClickLabel* m_lblAC;
    ClickLabel* m_lblBD;
    ClickLabel* m_lblABtoBD;
    QLineEdit* m_edtAnaAtoB;
    CursorGrid* m_sgrAnaCursor;
    CursorGrid* m_sgrState;
    int m_page = 0;
    bool m_loading = false;
};

} // namespace seiran::app
