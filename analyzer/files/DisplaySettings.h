#pragma once

#include <QString>

namespace seiran {

class AnalyzerState;

// The display settings dialog ("表示"): the channel-number origin and the heavy low line. It edits
// the live settings directly, so views see a change at once; OK commits and saves, Cancel
// restores the committed values.
struct DisplayDialogState {
    bool visible = false;
    QString originText;   // cmbChStNo
    bool heavyLine = true; // cboxHeavyLine
};

void mnuDisplayClick(AnalyzerState& state);
void cmbChStNoChange(AnalyzerState& state, const QString& text);
void cboxHeavyLineClick(AnalyzerState& state, bool checked);
void displayOKBtnClick(AnalyzerState& state);
void displayCancelBtnClick(AnalyzerState& state);

} // namespace seiran
