#include "DisplaySettings.h"

#include "FrontEnd.h"
#include "SettingsFile.h"
#include "core/AnalyzerState.h"

#include <optional>

namespace seiran {

void mnuDisplayClick(AnalyzerState& state)
{
    DisplayDialogState& dialog = state.displayDialog;
    dialog.originText = QString::number(state.settings.channelOrigin);
    dialog.heavyLine = state.settings.heavyLowLine;
    dialog.visible = true;
}

namespace {

// The origin a combo text stands for; nullopt for a text that is no number of the settings
// file's range (the file could not be read again with it).
std::optional<int> originOf(const QString& text)
{
    bool ok = false;
    const int origin = text.trimmed().toInt(&ok);
    if (!ok || origin < kMinChannelOrigin || origin > kMaxChannelOrigin)
        return std::nullopt;
    return origin;
}

} // namespace

void cmbChStNoChange(AnalyzerState& state, const QString& text)
{
    state.displayDialog.originText = text;
    state.settings.channelOrigin = originOf(text).value_or(0);
}

void cboxHeavyLineClick(AnalyzerState& state, bool checked)
{
    state.displayDialog.heavyLine = checked;
    state.settings.heavyLowLine = checked;
}

void displayOKBtnClick(AnalyzerState& state)
{
    UserSettings& s = state.settings;
    const int page = state.controls.currentPage;
    state.displayDialog.visible = false;
    if (!originOf(state.displayDialog.originText))
        state.log.AddMessage(QStringLiteral("チャンネル番号の表示「") + state.displayDialog.originText + QStringLiteral("」は")
                             + QString::number(kMinChannelOrigin) + QStringLiteral("～") + QString::number(kMaxChannelOrigin)
                             + QStringLiteral("の数ではないので、0からにしました。"));

    if (s.channelOrigin != s.committedChannelOrigin) {
        // The state display ranges are shown in channel numbers: they move with the origin. Only a
        // change between 0 and another origin moves them, so 1 -> 5 does not shift them twice.
        const bool wasZero = s.committedChannelOrigin == 0;
        const bool isZero = s.channelOrigin == 0;
        s.committedChannelOrigin = s.channelOrigin;
        SaveSettings(state);
        if (wasZero != isZero) {
            const int shift = isZero ? -1 : 1;
            for (int p = 0; p < kAnalyzerPageCount; ++p) {
                state.pages[std::size_t(p)].stateMsb += shift;
                state.pages[std::size_t(p)].stateLsb += shift;
            }
        }
        // The page is shown again with its new numbering (signal list, protocol settings).
        state.frontEnd().requestRedraw(page);
    }
    if (s.heavyLowLine != s.committedHeavyLowLine) {
        s.committedHeavyLowLine = s.heavyLowLine;
        SaveSettings(state);
        if (page < kAnalyzerPageCount)
            state.frontEnd().requestRedraw(page);
    }
}

void displayCancelBtnClick(AnalyzerState& state)
{
    UserSettings& s = state.settings;
    s.channelOrigin = s.committedChannelOrigin;
    s.heavyLowLine = s.committedHeavyLowLine;
    state.displayDialog.originText = QString::number(s.channelOrigin);
    state.displayDialog.heavyLine = s.heavyLowLine;
    state.displayDialog.visible = false;
}

} // namespace seiran
