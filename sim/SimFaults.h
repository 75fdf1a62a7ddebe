#pragma once

#include <optional>
#include <string_view>

namespace seiran::sim {

class SimInstrument;

// A fault of the simulated instrument and the moment it strikes, as tests and
// `seiran-cli --sim-fault KIND@POINT` name them.
enum class FaultKind {
    DropAck, // the next frame is taken but not acknowledged (newer instruments)
    Fail,    // the next transfer fails
    Short,   // the next data read delivers 4 bytes only
    Vanish,  // the instrument leaves the bus: every transfer fails, open finds nothing
};

enum class FaultPoint {
    Open,     // at once
    Start,    // at the start command (0x10) of a capture
    Poll,     // at the first status read (0x30, 0x34) after a start
    Transfer, // at a memory read (0x31, 0x33, 0x38) after a start; `reads` earlier ones pass
};

struct FaultPlan {
    FaultKind kind = FaultKind::Fail;
    FaultPoint point = FaultPoint::Open;
    int reads = 0; // Transfer: memory reads that pass before the fault
};

// "KIND@POINT": KIND is drop-ack, fail, short or vanish; POINT is open, start, poll, transfer or
// transfer+N (N memory reads pass first, 0 to 1000000). Nothing for any other text.
std::optional<FaultPlan> parseFaultPlan(std::string_view text);

// The accepted texts, for help and error messages.
std::string_view faultPlanSyntax();

} // namespace seiran::sim
