#include "SimulatedInstrument.h"

#include <charconv>

namespace seiran::sim {

namespace {

// Level 2 on types 6 to 13: the block download and, on newer types, IN-pipe data phases.
constexpr SimulatedModel kModels[] = {
    {1, "TK-A0", 1}, {2, "TK-A1", 1}, {3, "TK-M1", 1}, {4, "TK-A3", 1}, {5, "TK-A2", 1},
    {6, "TK-B2", 2}, {7, "TK-B3", 2}, {8, "TK-B4", 2}, {9, "TK-B1", 2},
    {10, "TK-C2", 2}, {11, "TK-C4", 2}, {12, "TK-C3", 2}, {13, "TK-C1", 2},
};

} // namespace

std::span<const SimulatedModel> simulatedModels()
{
    return kModels;
}

const SimulatedModel* findSimulatedModel(std::string_view nameOrType)
{
    int type = 0;
    const char* end = nameOrType.data() + nameOrType.size();
    const auto [ptr, ec] = std::from_chars(nameOrType.data(), end, type);
    const bool isNumber = ec == std::errc() && ptr == end;
    for (const SimulatedModel& m : kModels)
        if (isNumber ? m.deviceType == type : m.name == nameOrType)
            return &m;
    return nullptr;
}

std::unique_ptr<SimInstrument> makeSimulatedInstrument(int deviceType, Clock* clock)
{
    const SimulatedModel* model = nullptr;
    for (const SimulatedModel& m : kModels)
        if (m.deviceType == deviceType)
            model = &m;
    if (!model)
        return nullptr;
    auto instrument = std::make_unique<SimInstrument>(deviceType, clock);
    instrument->setFirmwareLevel(model->firmwareLevel);
    instrument->installInstrumentModel(std::make_unique<SimFpga>(*instrument));
    return instrument;
}

SimFpga* simulatedFpga(const SimInstrument& instrument)
{
    return dynamic_cast<SimFpga*>(instrument.instrumentModel());
}

SimAnalyzerModule* simulatedAnalyzer(const SimInstrument& instrument, int slot)
{
    return dynamic_cast<SimAnalyzerModule*>(instrument.module(slot));
}

} // namespace seiran::sim
