#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace seiran {
class AnalyzerState;
}

namespace seiran::app {

// The display settings dialog (TdlgDisplayBox, "表示"): the number of the first channel and the
// heavy low line. It edits the live settings through the display-settings functions of the state;
// OK commits and saves them, Cancel puts the committed values back.
class DisplayBox final : public QDialog {
    Q_OBJECT
public:
    DisplayBox(AnalyzerState& state, QWidget* parent = nullptr);

    // Loads the widgets from the state's dialog fields (after mnuDisplayClick).
    void loadFromState();

    QComboBox* cmbChStNo() const { return m_cmbChStNo; }
    QCheckBox* cboxHeavyLine() const { return m_cboxHeavyLine; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void cmbChStNoChange(const QString& text);
    void cboxHeavyLineClick(bool checked);
    void OKBtnClick();
    void CancelBtnClick();

    AnalyzerState& m_state;
    QComboBox* m_cmbChStNo;
    QCheckBox* m_cboxHeavyLine;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_loading = false;
};

} // namespace seiran::app
