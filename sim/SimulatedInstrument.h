#pragma once

#include "SimAnalyzerModule.h"
#include "SimFpga.h"
#include "SimInstrument.h"

#include <memory>
#include <span>
#include <string_view>

namespace seiran {
class Clock;
}

namespace seiran::sim {

// The instrument types the simulator can stand in for, with the firmware level each ships with.
struct SimulatedModel {
    int deviceType = 0;
    std::string_view name;   // as printed on the case
    int firmwareLevel = 1;   // status byte 2
};

std::span<const SimulatedModel> simulatedModels();
// By name ("TK-C4") or by type number ("11"); nullptr when neither fits.
const SimulatedModel* findSimulatedModel(std::string_view nameOrType);

// A simulated instrument of `deviceType` (1 to 13) with its FPGA model installed, unconfigured
// as after power-up; nullptr for any other type.
std::unique_ptr<SimInstrument> makeSimulatedInstrument(int deviceType, Clock* clock);

// The FPGA model of an instrument made above (faults, what was downloaded); nullptr otherwise.
SimFpga* simulatedFpga(const SimInstrument& instrument);

// The analyzer module in `slot` of the running configuration (its ground truth, signal source
// and test switches); nullptr when the slot holds none.
SimAnalyzerModule* simulatedAnalyzer(const SimInstrument& instrument, int slot);

} // namespace seiran::sim
