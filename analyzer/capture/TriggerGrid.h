#pragma once

#include <QString>
#include <QStringList>

namespace seiran {

class AnalyzerState;

// The trigger grid sgrTrigger of an analyzer page: row 0 is the header ("CH", "トリガ"), row 1
// the input group and the trigger position, rows 2 on the visible signal rows from firstRow.

struct TriggerCell {
    QString text;
    bool selected = false; // white on navy: the row's channel is selected
    bool unusable = false; // silver: the input does not work at the chosen probe level
};

TriggerCell triggerGridCell(const AnalyzerState& state, int page, int column, int row);
int triggerGridRowCount(const AnalyzerState& state, int page); // rows in use, header included

// A left click on a cell.
void sgrTriggerLeftClick(AnalyzerState& state, int page, int column, int row);

// The popup menu of the grid: the items it shows for the cell it opened on.
struct TriggerPopup {
    QStringList items; // in menu order; empty when nothing may be chosen
};
TriggerPopup PopupSgrTriggerPopup(AnalyzerState& state, int page, int column, int row);
// Choosing an item of that popup ("Rise" … "L", "－", "A" … "D").
void triggerPopupChoose(AnalyzerState& state, int page, int column, int row, const QString& item);

inline const QString kRunningRefusal = QStringLiteral("RUN実行中です。");

} // namespace seiran
