#include "DisplayBox.h"

#include "core/AnalyzerState.h"
#include "files/DisplaySettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace seiran::app {

DisplayBox::DisplayBox(AnalyzerState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
    , m_cmbChStNo(new QComboBox(this))
    , m_cboxHeavyLine(new QCheckBox(QStringLiteral("波形のLを太線にする"), this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
    , m_cancel(new QPushButton(QStringLiteral("キャンセル"), this))
{
    setObjectName(QStringLiteral("TdlgDisplayBox"));
    setWindowTitle(QStringLiteral("表示"));
    setModal(true);

    m_cmbChStNo->setObjectName(QStringLiteral("cmbChStNo"));
    m_cmbChStNo->setEditable(true); // any number may be typed; 0 and 1 are offered
    m_cmbChStNo->addItems({QStringLiteral("0"), QStringLiteral("1")});
    m_cmbChStNo->setMinimumWidth(56);
    m_cboxHeavyLine->setObjectName(QStringLiteral("cboxHeavyLine"));
    m_ok->setDefault(true);

    auto* origin = new QHBoxLayout;
    origin->addWidget(new QLabel(QStringLiteral("チャンネル番号の表示"), this));
    origin->addWidget(m_cmbChStNo);
    origin->addWidget(new QLabel(QStringLiteral("から"), this));
    origin->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 12);
    layout->setSpacing(12);
    layout->addLayout(origin);
    layout->addWidget(m_cboxHeavyLine);
    layout->addLayout(buttons);

    connect(m_cmbChStNo, &QComboBox::currentTextChanged, this, &DisplayBox::cmbChStNoChange);
    connect(m_cboxHeavyLine, &QCheckBox::clicked, this, &DisplayBox::cboxHeavyLineClick);
    connect(m_ok, &QPushButton::clicked, this, &DisplayBox::OKBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &DisplayBox::CancelBtnClick);
    // Closing the window is a Cancel.
    connect(this, &QDialog::rejected, this, [this] {
        if (m_state.displayDialog.visible)
            displayCancelBtnClick(m_state);
    });
}

void DisplayBox::loadFromState()
{
    m_loading = true;
    m_cmbChStNo->setCurrentText(m_state.displayDialog.originText);
    m_cboxHeavyLine->setChecked(m_state.displayDialog.heavyLine);
    m_loading = false;
}

void DisplayBox::cmbChStNoChange(const QString& text)
{
    if (!m_loading)
        seiran::cmbChStNoChange(m_state, text);
}

void DisplayBox::cboxHeavyLineClick(bool checked)
{
    seiran::cboxHeavyLineClick(m_state, checked);
}

void DisplayBox::OKBtnClick()
{
    displayOKBtnClick(m_state);
    accept();
}

void DisplayBox::CancelBtnClick()
{
    displayCancelBtnClick(m_state);
    loadFromState();
    reject();
}

} // namespace seiran::app
