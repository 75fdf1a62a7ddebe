#pragma once

#include "files/AnalyzerSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace seiran {
class AnalyzerState;
}

namespace seiran::app {

// The analyzer settings dialog (TdlgSettingAnaBox, "ロジアナ設定"): how many captures "リピート保存"
// writes and where, and the analog parameters of the shown page's two analog rows. The folder and
// the numbered flag change the state as they are edited; the count and the grid only on OK.
class AnalyzerSettingsBox final : public QDialog {
    Q_OBJECT
public:
    AnalyzerSettingsBox(AnalyzerState& state, QWidget* parent = nullptr);

    // Fills the widgets for the shown page; false (with the log line) on a page that is not an
    // analyzer page, where the dialog is not shown.
    bool loadFromState();

    QLineEdit* edtAutoSaveCnt() const { return m_edtAutoSaveCnt; }
    QLineEdit* edtAutoSaveDir() const { return m_edtAutoSaveDir; }
    QCheckBox* chkboxAddSeqNo() const { return m_chkboxAddSeqNo; }
    QLabel* lblVoltPerD() const { return m_lblVoltPerD; }
    QTableWidget* sgrVoltPerD() const { return m_sgrVoltPerD; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void OKBtnClick();

    AnalyzerState& m_state;
    AnalyzerSettingsDialog m_dialog = NewAnalyzerSettingsDialog();
    QLineEdit* m_edtAutoSaveCnt;
    QLineEdit* m_edtAutoSaveDir;
    QCheckBox* m_chkboxAddSeqNo;
    QLabel* m_lblVoltPerD;
    QTableWidget* m_sgrVoltPerD;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_loading = false;
};

} // namespace seiran::app
