#pragma once

#include <cstdint>
#include <span>

namespace seiran::sim {

// One functional module inside the simulated FPGA (an analyzer, a generator, ...), or the
// instrument-wide part that takes module 0's configuration commands. The transport decodes
// frames and hands each module its commands and reads; the module knows nothing of USB.
class SimModule {
public:
    virtual ~SimModule() = default;

    // A SendCommand frame for this module: code and its parameter words.
    virtual void command(int code, std::span<const std::uint32_t> params) = 0;
    // A ReceiveData request: fill `answer` (already zeroed, as long as the host reads).
    virtual void read(int code, std::span<std::uint8_t> answer) = 0;
    // A vendor request from the host (instrument-wide part only).
    virtual void vendorOut(int /*request*/, std::span<const std::uint8_t> /*data*/) {}
};

} // namespace seiran::sim
