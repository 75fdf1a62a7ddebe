#include "TriggerGrid.h"

#include "capture/CaptureSettings.h"
#include "capture/RunModes.h"
#include "core/AnalyzerState.h"

#include <array>

namespace seiran {

namespace {

const std::array<QString, 3> kPositionCycle{kPositionLeft, kPositionCentre, kPositionRight};
const QStringList kConditionCycle{QStringLiteral("Rise"), QStringLiteral("Fall"), QStringLiteral("Either"),
                                  QStringLiteral("H"), QStringLiteral("L"), QStringLiteral("-")};
const QStringList kGroupLetters{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};
const QString kPopupDontCare = QStringLiteral("－");

const ModuleInfo& moduleOf(const AnalyzerState& state, int page)
{
    return state.instrument.module(state.pages[std::size_t(page)].PageModule);
}

bool busy(const PageState& p)
{
    return p.running || p.stopRequested;
}

// The signal row a grid row shows, -1 for the header rows or rows past the page's rows.
int signalRowOf(const PageState& p, int gridRow)
{
    const int row = p.firstRow + gridRow - 2;
    return gridRow >= 2 && row < p.rowCount ? row : -1;
}

int firstChannelOf(const PageState& p, int row)
{
    int channel = 0;
    for (int r = 0; r < row; ++r)
        channel += p.rowChannelCount[std::size_t(r)];
    return channel;
}

bool isBus(const PageState& p, int row)
{
    return p.rowChannelCount[std::size_t(row)] > 1;
}

QString cycleNext(const QStringList& cycle, const QString& current)
{
    const int i = int(cycle.indexOf(current));
    return cycle[(i + 1) % cycle.size()];
}

void setCondition(AnalyzerState& state, int page, int gridRow, const QString& text)
{
    PageState& p = state.pages[std::size_t(page)];
    if (gridRow == 1) {
        p.triggerText[0] = text;
    } else {
        const int row = signalRowOf(p, gridRow);
        if (row < 0 || isBus(p, row))
            return;
        p.triggerText[std::size_t(1 + firstChannelOf(p, row))] = text;
    }
    SendTriggerSettings(state, page);
}

void cycleGroup(AnalyzerState& state, int page, int newGroup)
{
    AnalyzerPageCapture& capture = state.capture.pages[std::size_t(page)];
    const int old = capture.activeGroup;
    SwitchGroup(state, page, newGroup, old);
}

// The probe levels at which the upper inputs of a TK-C4 are unusable.
bool unusableInput(const AnalyzerState& state, int page, int row)
{
    if (state.device.DeviceType != 11)
        return false;
    const QString& level = state.instrument.settings.InputLevel.chosen;
    if (level != QStringLiteral("2.5V") && level != QStringLiteral("1.8V") && level != QStringLiteral("1.5V"))
        return false;
    return row >= (state.pages[std::size_t(page)].channelCount == 16 ? 12 : 24);
}

} // namespace

int triggerGridRowCount(const AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    return 2 + std::max(0, p.rowCount - p.firstRow);
}

TriggerCell triggerGridCell(const AnalyzerState& state, int page, int column, int row)
{
    const PageState& p = state.pages[std::size_t(page)];
    TriggerCell cell;
    if (row == 0) {
        cell.text = column == 0 ? QStringLiteral("CH") : QStringLiteral("トリガ");
        return cell;
    }
    if (row == 1) {
        if (column == 0 && moduleOf(state, page).ModuleBankCount >= 2)
            cell.text = kGroupLetters[state.capture.pages[std::size_t(page)].activeGroup];
        else if (column == 1)
            cell.text = p.triggerText[0];
        return cell;
    }
    const int signalRow = signalRowOf(p, row);
    if (signalRow < 0)
        return cell;
    const int first = firstChannelOf(p, signalRow);
    const int last = first + std::max(1, p.rowChannelCount[std::size_t(signalRow)]) - 1;
    const int origin = state.settings.channelOrigin;
    if (column == 0) {
        cell.text = isBus(p, signalRow) ? QStringLiteral("%1-%2").arg(last + origin).arg(first + origin)
                                        : QString::number(first + origin);
        cell.selected = p.channelSelected[std::size_t(last)];
        cell.unusable = unusableInput(state, page, signalRow);
    } else {
        cell.text = isBus(p, signalRow) ? QStringLiteral("*") : p.triggerText[std::size_t(1 + first)];
    }
    return cell;
}

void sgrTriggerLeftClick(AnalyzerState& state, int page, int column, int row)
{
    PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& module = moduleOf(state, page);
    if (column == 0 && row == 1) {
        if (module.ModuleBankCount < 2)
            return;
        if (busy(p)) {
            state.log.AddMessage(kRunningRefusal);
            return;
        }
        cycleGroup(state, page, (state.capture.pages[std::size_t(page)].activeGroup + 1) % kInputGroups);
        return;
    }
    if (column == 0 && row >= 2) {
        const int signalRow = signalRowOf(p, row);
        if (signalRow < 0)
            return;
        const int first = firstChannelOf(p, signalRow);
        const int count = std::max(1, p.rowChannelCount[std::size_t(signalRow)]);
        const bool select = !p.channelSelected[std::size_t(first)];
        for (int c = first; c < first + count; ++c)
            p.channelSelected[std::size_t(c)] = select;
        return;
    }
    if (column != 1 || row < 1 || module.ModuleSamplingEnable || module.ModuleEdgeSampling)
        return;
    if (busy(p)) {
        state.log.AddMessage(kRunningRefusal);
        return;
    }
    if (row == 1) {
        const QStringList cycle{kPositionCycle[0], kPositionCycle[1], kPositionCycle[2]};
        setCondition(state, page, row, cycleNext(cycle, p.triggerText[0]));
        return;
    }
    const int signalRow = signalRowOf(p, row);
    if (signalRow < 0)
        return;
    if (isBus(p, signalRow)) {
        // Bus triggers are set in the bus-trigger dialog, which comes with the bus definitions.
        SendTriggerSettings(state, page);
        return;
    }
    setCondition(state, page, row, cycleNext(kConditionCycle, p.triggerText[std::size_t(1 + firstChannelOf(p, signalRow))]));
}

TriggerPopup PopupSgrTriggerPopup(AnalyzerState& state, int page, int column, int row)
{
    TriggerPopup popup;
    const PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& module = moduleOf(state, page);
    if (module.ModuleSamplingEnable || module.ModuleEdgeSampling)
        return popup;
    if (busy(p)) {
        state.log.AddMessage(kRunningRefusal);
        return popup;
    }
    if (column == 0 && row == 1 && module.ModuleBankCount >= 2) {
        popup.items = kGroupLetters;
    } else if (column == 1 && row >= 2) {
        const int signalRow = signalRowOf(p, row);
        if (signalRow >= 0 && !isBus(p, signalRow)) {
            popup.items = kConditionCycle.mid(0, 5);
            popup.items << kPopupDontCare;
        }
    }
    return popup;
}

void triggerPopupChoose(AnalyzerState& state, int page, int column, int row, const QString& item)
{
    const int group = int(kGroupLetters.indexOf(item));
    if (column == 0 && row == 1 && group >= 0) {
        cycleGroup(state, page, group);
        return;
    }
    if (column == 1 && row >= 2)
        setCondition(state, page, row, item == kPopupDontCare ? QStringLiteral("-") : item);
}

} // namespace seiran
