#include "setup/OfflinePage.h"

#include "core/AnalyzerState.h"
#include "files/DataFile.h"
#include "setup/AnalyzerPageModule.h"
#include "view/PageState.h"
#include "view/Pages.h"

#include <algorithm>

namespace seiran {

namespace {

constexpr int kOfflinePage = 0;
constexpr int kOfflineSlot = kFirstBuiltInSlot;
// What the page holds until the file says otherwise: the reader's own defaults.
constexpr int kOfflineChannels = 16;
constexpr int kOfflineSamples = 1024;

} // namespace

bool ViewingOffline(const AnalyzerState& state) { return !InstrumentUsable(state); }

int PrepareOfflinePage(AnalyzerState& state)
{
    if (InstrumentUsable(state))
        return state.controls.currentPage;
    const ModuleInfo& module = state.instrument.modules[std::size_t(kOfflineSlot)];
    if (!state.controls.pageTabVisible[std::size_t(kOfflinePage)] || !module.isAnalyzer())
        SetAnalyzerPageModule(state, kOfflinePage, kOfflineSlot, {kOfflineChannels, kOfflineSamples, false, 1});
    state.controls.pageTabVisible[std::size_t(kOfflinePage)] = true;
    state.instrument.AnalyzerPageCount = std::max(state.instrument.AnalyzerPageCount, kOfflinePage + 1);
    return kOfflinePage;
}

void FinishOfflinePage(AnalyzerState& state, int page, bool loaded)
{
    if (InstrumentUsable(state) || page != kOfflinePage)
        return;
    PageState& p = state.pages[std::size_t(page)];
    ModuleInfo& module = state.instrument.modules[std::size_t(std::clamp(p.PageModule, 0, kModuleSlots - 1))];
    if (!loaded && !p.hasData) {
        // Nothing was read onto the page: it goes back to being hidden.
        state.controls.pageTabVisible[std::size_t(page)] = false;
        state.instrument.AnalyzerPageCount = 0;
        return;
    }
    module.ModuleCompressed = p.compressed;
    module.ModuleChannelCode = ModuleSizeCode(std::max(p.channelCount, 1));
    module.ModuleDepthCode = ModuleSizeCode(std::max(p.dataCount, 1));
}

void LogOfflineHints(AnalyzerState& state)
{
    state.log.AddMessage(QStringLiteral("保存したデータファイルは ファイル(F) → 開く で表示できます (seiran FILE.ana でも開けます)。"));
    state.log.AddMessage(QStringLiteral("機器なしで試すには、シミュレータの機器で起動してください: seiran --simulate 11"));
    state.log.AddMessage(QStringLiteral("機器を接続している場合は、udev ルール (60-seiran.rules, 70-seiran-uaccess.rules) を "
                                        "/etc/udev/rules.d に入れて、機器を挿し直してください。"));
}

} // namespace seiran
