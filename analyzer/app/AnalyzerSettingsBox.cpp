#include "AnalyzerSettingsBox.h"

#include "core/AnalyzerState.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace seiran::app {

namespace {

constexpr int kGridWidth = 230;
constexpr std::array<int, AnalyzerSettingsDialog::kGridColumns> kColumnWidths{64, 80, 80};
constexpr int kGridRowHeight = 22;
constexpr int kCellPadding = 12;
const QColor kDisabledGrid(192, 192, 192);

} // namespace

AnalyzerSettingsBox::AnalyzerSettingsBox(AnalyzerState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
    , m_edtAutoSaveCnt(new QLineEdit(this))
    , m_edtAutoSaveDir(new QLineEdit(this))
    , m_chkboxAddSeqNo(new QCheckBox(QStringLiteral("ファイル名に番号を付ける"), this))
    , m_lblVoltPerD(new QLabel(this))
    , m_sgrVoltPerD(new QTableWidget(AnalyzerSettingsDialog::kGridRows, AnalyzerSettingsDialog::kGridColumns, this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
    , m_cancel(new QPushButton(QStringLiteral("キャンセル"), this))
{
    setObjectName(QStringLiteral("TdlgSettingAnaBox"));
    setWindowTitle(kAnalyzerSettingsCaption);
    setModal(true);

    m_edtAutoSaveCnt->setObjectName(QStringLiteral("edtAutoSaveCnt"));
    m_edtAutoSaveCnt->setMaximumWidth(120);
    m_edtAutoSaveDir->setObjectName(QStringLiteral("edtAutoSaveDir"));
    m_edtAutoSaveDir->setMinimumWidth(320);
    m_chkboxAddSeqNo->setObjectName(QStringLiteral("chkboxAddSeqNo"));
    m_lblVoltPerD->setObjectName(QStringLiteral("lblVoltPerD"));
    m_ok->setDefault(true);

    // The grid: row 0 and column 0 are captions; the four parameter cells edit on any key or click.
    QTableWidget* grid = m_sgrVoltPerD;
    grid->setObjectName(QStringLiteral("sgrVoltPerD"));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int r = 0; r < AnalyzerSettingsDialog::kGridRows; ++r) {
        for (int c = 0; c < AnalyzerSettingsDialog::kGridColumns; ++c) {
            auto* item = new QTableWidgetItem(m_dialog.grid[std::size_t(r)][std::size_t(c)]);
            if (r == 0 || c == 0) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(palette().button());
            }
            grid->setItem(r, c, item);
        }
    }
    // The columns have their classic widths, widened where this system's font needs more room
    // for a caption.
    int gridWidth = 2 * grid->frameWidth();
    for (int c = 0; c < AnalyzerSettingsDialog::kGridColumns; ++c) {
        int width = kColumnWidths[std::size_t(c)];
        for (int r = 0; r < AnalyzerSettingsDialog::kGridRows; ++r)
            width = std::max(width, grid->fontMetrics().horizontalAdvance(grid->item(r, c)->text()) + kCellPadding);
        grid->setColumnWidth(c, width);
        gridWidth += width;
    }
    for (int r = 0; r < AnalyzerSettingsDialog::kGridRows; ++r)
        grid->setRowHeight(r, kGridRowHeight);
    grid->setFixedSize(std::max(kGridWidth, gridWidth),
                       AnalyzerSettingsDialog::kGridRows * kGridRowHeight + 2 * grid->frameWidth());

    auto* count = new QHBoxLayout;
    count->addWidget(m_edtAutoSaveCnt);
    count->addWidget(new QLabel(QStringLiteral("0～4294967295回（0は無限回）"), this));
    count->addStretch();
    auto* repeat = new QVBoxLayout;
    repeat->addWidget(new QLabel(QStringLiteral("’リピート保存’モードでファイル保存する回数"), this));
    repeat->addLayout(count);
    repeat->addSpacing(6);
    repeat->addWidget(new QLabel(QStringLiteral("保存するディレクトリ"), this));
    repeat->addWidget(m_edtAutoSaveDir);
    repeat->addWidget(m_chkboxAddSeqNo);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 12);
    layout->setSpacing(8);
    layout->addLayout(repeat);
    layout->addSpacing(10);
    layout->addWidget(m_lblVoltPerD);
    layout->addWidget(grid);
    layout->addLayout(buttons);

    connect(m_edtAutoSaveDir, &QLineEdit::textEdited, this,
            [this](const QString& text) { SetRepeatSaveFolder(m_state, text); });
    connect(m_chkboxAddSeqNo, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_loading)
            SetRepeatSaveNumbered(m_state, on);
    });
    connect(m_ok, &QPushButton::clicked, this, &AnalyzerSettingsBox::OKBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool AnalyzerSettingsBox::loadFromState()
{
    if (!OpenAnalyzerSettings(m_state, m_dialog))
        return false;
    m_loading = true;
    m_edtAutoSaveCnt->setText(m_dialog.countText);
    m_edtAutoSaveDir->setText(m_state.repeatSave.folder);
    m_chkboxAddSeqNo->setChecked(m_state.repeatSave.numbered);
    m_lblVoltPerD->setText(m_dialog.parameterCaption);
    for (int r = 1; r < AnalyzerSettingsDialog::kGridRows; ++r)
        for (int c = 1; c < AnalyzerSettingsDialog::kGridColumns; ++c)
            m_sgrVoltPerD->item(r, c)->setText(m_dialog.grid[std::size_t(r)][std::size_t(c)]);
    m_sgrVoltPerD->setEnabled(m_dialog.gridEnabled);
    QPalette look = palette();
    if (!m_dialog.gridEnabled)
        look.setColor(QPalette::Base, kDisabledGrid);
    m_sgrVoltPerD->setPalette(look);
    m_loading = false;
    m_sgrVoltPerD->setCurrentCell(1, 1);
    return true;
}

void AnalyzerSettingsBox::OKBtnClick()
{
    // A cell still in edit holds its text in its editor; leaving the cell commits it.
    m_sgrVoltPerD->setCurrentIndex(QModelIndex());
    m_dialog.countText = m_edtAutoSaveCnt->text();
    for (int r = 1; r < AnalyzerSettingsDialog::kGridRows; ++r)
        for (int c = 1; c < AnalyzerSettingsDialog::kGridColumns; ++c)
            m_dialog.grid[std::size_t(r)][std::size_t(c)] = m_sgrVoltPerD->item(r, c)->text();
    // The page is redrawn and a bad number shown by the core.
    ApplyAnalyzerSettings(m_state, m_dialog);
    accept();
}

} // namespace seiran::app
