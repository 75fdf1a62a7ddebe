#include "CursorPanel.h"

#include "GridLook.h"
#include "core/AnalyzerState.h"
#include "cursor/CursorController.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace seiran::app {

namespace {

// Editors of the state grid report every keystroke, as the range cell is read while it is typed.
class LiveEditDelegate final : public QStyledItemDelegate {
public:
    explicit LiveEditDelegate(CursorGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setFont(gridFont());
        const int column = index.column();
        const int row = index.row();
        CursorGrid* grid = m_grid;
        QObject::connect(editor, &QLineEdit::textEdited, grid,
                         [grid, column, row](const QString& text) { emit grid->cellTextEdited(column, row, text); });
        return editor;
    }

private:
    CursorGrid* m_grid;
};

} // namespace

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

CursorGrid::CursorGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent)
{
    configureGridView(*this);
    setFrameShape(QFrame::Box);
    setItemDelegate(new LiveEditDelegate(this));
}

void CursorGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        emit pressed(at.x(), at.y(), columnAt(at.x()), rowAt(at.y()));
    QTableWidget::mousePressEvent(event);
}

void CursorGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit released();
    QTableWidget::mouseReleaseEvent(event);
}

CursorPanel::CursorPanel(AnalyzerState& state, CursorController& cursors, QWidget* parent)
    : QObject(parent)
    , m_state(state)
    , m_cursors(cursors)
    , m_lblAC(new ClickLabel(QStringLiteral("A"), parent))
    , m_lblBD(new ClickLabel(QStringLiteral("B"), parent))
    , m_lblABtoBD(new ClickLabel(QStringLiteral("AtoB"), parent))
    , m_edtAnaAtoB(new QLineEdit(parent))
    , m_sgrAnaCursor(new CursorGrid(2, 4, parent))
    , m_sgrState(new CursorGrid(2, 2, parent))
{
    m_lblAC->setObjectName(QStringLiteral("lblAC"));
    m_lblBD->setObjectName(QStringLiteral("lblBD"));
    m_lblABtoBD->setObjectName(QStringLiteral("lblABtoBD"));
    m_lblABtoBD->setCursor(Qt::PointingHandCursor);
    m_lblABtoBD->setToolTip(QStringLiteral("AtoB / CtoD"));
    m_edtAnaAtoB->setObjectName(QStringLiteral("edtAnaAtoB"));
    m_edtAnaAtoB->setReadOnly(true);
    m_sgrAnaCursor->setObjectName(QStringLiteral("sgrAnaCursor"));
    m_sgrState->setObjectName(QStringLiteral("sgrState"));

    // The step grid: every cell of both rows holds, by column, "|<", "<-", "->", ">|".
    m_sgrAnaCursor->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sgrAnaCursor->setFocusPolicy(Qt::NoFocus);
    const auto& texts = CursorController::stepGridTexts();
    for (int row = 0; row < 2; ++row) {
        m_sgrAnaCursor->setRowHeight(row, kStepRowPixels);
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(texts[std::size_t(column)]);
            item->setTextAlignment(Qt::AlignCenter);
            item->setFlags(Qt::ItemIsEnabled);
            m_sgrAnaCursor->setItem(row, column, item);
        }
    }
    for (int column = 0; column < 4; ++column)
        m_sgrAnaCursor->setColumnWidth(column, kStepColumnPixels);

    // The state grid: (0, 0) cursor, (1, 0) radix, (0, 1) channel range, (1, 1) value.
    for (int row = 0; row < 2; ++row) {
        m_sgrState->setRowHeight(row, kStepRowPixels);
        for (int column = 0; column < 2; ++column) {
            auto* item = new QTableWidgetItem;
            item->setFlags(column == 0 && row == 1 ? Qt::ItemIsEnabled | Qt::ItemIsEditable : Qt::ItemIsEnabled);
            m_sgrState->setItem(row, column, item);
        }
    }
    m_sgrState->setEditTriggers(QAbstractItemView::AllEditTriggers);

    connect(m_sgrAnaCursor, &CursorGrid::pressed, this, [this](int x, int y, int, int) {
        m_cursors.stepGridMouseDown(x, y);
    });
    connect(m_sgrAnaCursor, &CursorGrid::released, this, [this] { m_cursors.stepGridMouseUp(); });
    connect(m_lblABtoBD, &ClickLabel::clicked, this, [this] { m_cursors.pairSwitchClick(); });
    connect(m_lblAC, &ClickLabel::doubleClicked, this, [this] { m_cursors.acLabelDoubleClick(); });
    connect(m_lblBD, &ClickLabel::doubleClicked, this, [this] { m_cursors.bdLabelDoubleClick(); });
    connect(m_sgrState, &CursorGrid::pressed, this, [this](int, int, int column, int row) {
        if (column >= 0 && row >= 0)
            m_cursors.stateGridMouseDown(column, row);
    });
    connect(m_sgrState, &CursorGrid::cellTextEdited, this, [this](int column, int row, const QString& text) {
        m_cursors.stateGridSetEditText(column, row, text);
    });
}

void CursorPanel::place(int pairLeft, int rowTwoTop, int gridLeft, int top)
{
    m_lblABtoBD->setGeometry(pairLeft, rowTwoTop + 3, 46, 20);
    m_edtAnaAtoB->setGeometry(pairLeft + 48, rowTwoTop, 96, 24);
    m_lblAC->setGeometry(gridLeft, top + 3, 14, kStepRowPixels - 4);
    m_lblBD->setGeometry(gridLeft, top + kStepRowPixels + 3, 14, kStepRowPixels - 4);
    const int gridHeight = 2 * kStepRowPixels + 2;
    m_sgrAnaCursor->setGeometry(gridLeft + 16, top, 4 * kStepColumnPixels + 2, gridHeight);
    const StateGridWidths widths = m_cursors.stateWidths(m_page);
    m_sgrState->setGeometry(gridLeft + 16 + 4 * kStepColumnPixels + 12, top, widths.grid + 2, gridHeight);
}

void CursorPanel::load(int page)
{
    m_page = page;
    refresh(page, kRefreshAll);
}

void CursorPanel::setStateCell(int column, int row, const QString& text)
{
    QTableWidgetItem* item = m_sgrState->item(row, column);
    if (item && item->text() != text)
        item->setText(text);
}

void CursorPanel::refresh(int page, unsigned what)
{
    if (page != m_page)
        return;
    m_loading = true;
    if (what & kRefreshCaptions) {
        m_lblAC->setText(m_cursors.acCaption(page));
        m_lblBD->setText(m_cursors.bdCaption(page));
        m_lblABtoBD->setText(m_cursors.pairCaption(page));
    }
    if (what & kRefreshDifference)
        m_edtAnaAtoB->setText(m_cursors.differenceText(page));
    if (what & kRefreshState) {
        const StateGridCells cells = m_cursors.stateCells(page);
        setStateCell(0, 0, cells.cursorName);
        setStateCell(1, 0, cells.radix);
        // The range cell is not rewritten under the user's editor.
        if (!m_sgrState->editing())
            setStateCell(0, 1, cells.range);
        setStateCell(1, 1, cells.value);
        const StateGridWidths widths = m_cursors.stateWidths(page);
        m_sgrState->setColumnWidth(0, widths.column0);
        m_sgrState->setColumnWidth(1, widths.grid - widths.column0);
        m_sgrState->resize(widths.grid + 2, m_sgrState->height());
    }
    m_loading = false;
}

} // namespace seiran::app
