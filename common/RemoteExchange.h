#pragma once

#include <cstdint>
#include <span>

namespace seiran {

// The two exchanges of the remote link: one request to the server, answered by exactly one
// answer. The TCP client implements it; the device layer only hands commands over.
class RemoteExchange {
public:
    virtual ~RemoteExchange() = default;

    // Hands a command with its parameter block to the server and waits for its answer.
    virtual void sendCommand(int module, int command, int byteCount,
                             std::span<const std::uint32_t> params) = 0;
    // Asks the server for byteCount bytes of an answer and fills byteCount / 4 words of dest.
    virtual void receiveData(int module, int command, int byteCount,
                             std::span<std::uint32_t> dest) = 0;
};

} // namespace seiran
