#pragma once

#include "SimSlotModule.h"

namespace seiran::sim {

// A pattern-generator module: its property word, and the play-out settings the host sends it
// (data count, interval, times, range, load framing).
class SimGeneratorModule : public SimSlotModule {
public:
    SimGeneratorModule(int slot, const ModuleDescriptor& module, PropertyLayout layout);

protected:
    bool accepts(int code) const override;
};

} // namespace seiran::sim
