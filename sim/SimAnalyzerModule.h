#pragma once

#include "SimSlotModule.h"

namespace seiran::sim {

// A logic-analyzer module: its property word, and the capture settings the host sends it
// (sampling interval, trigger masks and position, run mode, sampling edge, input group, start).
class SimAnalyzerModule : public SimSlotModule {
public:
    SimAnalyzerModule(int slot, const ModuleDescriptor& module, PropertyLayout layout);

    // Samples a capture of this module holds per channel, as its trims leave them.
    int usableDepth() const;

protected:
    bool accepts(int code) const override;
};

} // namespace seiran::sim
