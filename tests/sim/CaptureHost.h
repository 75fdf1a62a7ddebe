#pragma once

// The host side of a capture, built by hand for the simulated instrument's tests: the capture
// settings and run control as the host sends them, and the transfer of the sample memory decoded
// here step by step from the rules of each read path (unit count, pre-reads, head entries,
// blocks, packets, interleave merges, packing, start-up shift, record lists). Nothing here is the
// analyzer's code, and nothing of the simulator's layout code is used.

#include "ManualClock.h"
#include "SimAnalyzerModule.h"
#include "SimInstrument.h"
#include "WireHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace seiran::sim::wire {

// An instrument of `type` with `configuration` downloaded over the wire, on a manual clock.
struct Rig {
    Rig(int type, const std::string& configuration);
    SimAnalyzerModule& analyzer(int slot) const;

    int type;
    std::string configuration;
    ManualClock clock;
    std::unique_ptr<SimInstrument> sim;
    std::unique_ptr<WireHost> host;
};

struct CaptureRequest {
    std::uint32_t intervalCode = 0x80;
    std::uint64_t rising = 0, falling = 0, levelValue = 0, levelCare = 0;
    std::uint32_t positionWord = 0;
    std::uint32_t runMode = 0;      // 0x2B on sampling-enable and edge-sampling modules
    std::uint32_t samplingEdge = 0; // 0x2C
    std::uint32_t inputGroup = 0;   // 0x2D on modules with input groups
    int armAfterMs = 0;             // the host's pre-trigger wait before 0x28
    bool sendArm = true;            // modules of version 3.x and below arm themselves
};

// Sends the settings, clears the capture logic where the host does, starts and arms.
void startCapture(Rig& rig, int slot, const CaptureRequest& request);
// The status word as the host's poll reads it (4 bytes on built-in slots of types 6 to 9).
std::uint32_t readStatus(Rig& rig, int slot);
// Moves the clock on in 200 ms ticks until status bit 0 clears; returns the last status word.
// Fails the test when `limitMs` pass first.
std::uint32_t waitForEnd(Rig& rig, int slot, int limitMs = 600000);
// startCapture, then waitForEnd.
std::uint32_t capture(Rig& rig, int slot, const CaptureRequest& request);

struct HostRecord {
    std::uint64_t value = 0;
    int length = 0;
};

// What the host's transfer ends with.
struct HostCapture {
    std::vector<std::uint64_t> samples; // bit planes, dataCount samples
    std::vector<HostRecord> records;    // compressed
    bool hasData = false;
    bool triggerFound = false;
    std::int64_t triggerSample = 0;     // compressed: sample number of the trigger
    std::uint32_t pointerWord0 = 0, pointerWord1 = 0;
    std::vector<std::uint32_t> rawCounts; // compressed: the count word of every raw entry read
};

// The whole transfer of the module's memory: reads over the wire, then the decoding, with `status`
// the word the end check read.
HostCapture transfer(Rig& rig, int slot, std::uint32_t status);

// Start-up samples the host drops for this configuration (96 or 97; 0 when none are dropped).
int hostStartupSamples(int type, const std::string& configuration, const ModuleDescriptor& module, int dataCount);

} // namespace seiran::sim::wire
