#include "SimAnalyzerModule.h"

#include "CommandCodes.h"

namespace seiran::sim {

SimAnalyzerModule::SimAnalyzerModule(int slot, const ModuleDescriptor& module, PropertyLayout layout)
    : SimSlotModule(slot, module, layout)
{
}

int SimAnalyzerModule::usableDepth() const
{
    const ModuleDescriptor& s = descriptor();
    if (s.has(kCompressed))
        return s.depth();
    return s.depth() - (s.has(kTrimBlock) ? 129 : 0) - (s.has(kTrimOne) ? 1 : 0);
}

bool SimAnalyzerModule::accepts(int code) const
{
    return code == cmd::kPreStartFollow || code == cmd::kStartCapture || code == cmd::kStopCapture
        || (code >= cmd::kSamplingInterval && code <= cmd::kInputGroup);
}

} // namespace seiran::sim
