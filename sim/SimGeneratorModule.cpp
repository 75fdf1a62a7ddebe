#include "SimGeneratorModule.h"

#include "CommandCodes.h"

namespace seiran::sim {

SimGeneratorModule::SimGeneratorModule(int slot, const ModuleDescriptor& module, PropertyLayout layout)
    : SimSlotModule(slot, module, layout)
{
}

bool SimGeneratorModule::accepts(int code) const
{
    return code == cmd::kStartGeneration || code == cmd::kStopGeneration
        || (code >= cmd::kGenDataCount && code <= cmd::kGenSixteenEntries);
}

} // namespace seiran::sim
