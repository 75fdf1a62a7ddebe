#include "setup/AnalyzerPageModule.h"

#include "core/AnalyzerState.h"
#include "view/PageState.h"

#include <bit>

namespace seiran {

int ModuleSizeCode(int n) { return n <= 1 ? 0 : int(std::bit_width(unsigned(n - 1))); }

PageState& SetAnalyzerPageModule(AnalyzerState& state, int page, int slot, const AnalyzerModuleShape& shape)
{
    ModuleInfo& module = state.instrument.modules[std::size_t(slot)];
    module = ModuleInfo{};
    module.function = ModuleFunction::Analyzer;
    module.ModuleChannelCode = ModuleSizeCode(shape.channels);
    module.ModuleDepthCode = ModuleSizeCode(shape.depth);
    module.ModuleCompressed = shape.compressed;
    module.ModuleBankCount = shape.banks;
    PageState& p = state.pages[std::size_t(page)];
    p.PageModule = slot;
    PageSetup setup;
    setup.page = page;
    setup.module = &module;
    setup.PageModule = slot;
    setup.channelCount = shape.channels;
    setup.dataCount = shape.depth;
    setup.channelOrigin = state.settings.channelOrigin;
    setup.clockPeriod = state.pageClockPeriod(page);
    SetPageToDefaults(p, setup);
    return p;
}

} // namespace seiran
