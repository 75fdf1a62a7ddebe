#pragma once

#include "SimConfigImage.h"
#include "SimModule.h"

#include <cstdint>
#include <string>
#include <vector>

namespace seiran::sim {

class SimInstrument;
class SimSlotModule;

// The instrument-wide part of the simulated instrument: the FPGA's configuration port and what
// runs in the FPGA afterwards.
//
// A configuration begins with 0xF1 (a command on types 1 to 9, a vendor request on newer ones),
// which clears the FPGA: nSTATUS high, CONF_DONE low, every slot empty. The bytes then arrive
// in file order: on types 1 to 9 as commands 0xF2 (8 bytes), 0xF3 (5), 0xF4 (1), 0xF6 (32);
// on newer instruments as vendor 0xF8 (its data stage); 0xF7 (1024 bytes) on either. The
// stream must start with the header of a configuration this type can run and match its CRC;
// anything else drops nSTATUS and the rest is ignored until the next 0xF1. CONF_DONE rises once
// the whole stream is in and at least 8 bytes of padding followed; then the configuration's
// modules appear in their slots. The FPGA reset (0xE0) keeps the configuration and resets the
// modules.
class SimFpga final : public SimModule {
public:
    enum class Phase {
        Empty,      // power-up: no configuration yet
        Receiving,  // after 0xF1, until CONF_DONE or an error
        Running,    // CONF_DONE: the configuration's modules are in their slots
        Failed,     // nSTATUS dropped; every slot empty
    };

    explicit SimFpga(SimInstrument& instrument);
    ~SimFpga() override;

    void command(int code, std::span<const std::uint32_t> params) override;
    void read(int code, std::span<std::uint8_t> answer) override;
    void vendorOut(int request, std::span<const std::uint8_t> data) override;

    Phase phase() const { return m_phase; }
    // The base name of the running configuration; empty unless Running.
    const std::string& runningConfiguration() const { return m_running; }
    // The base name the last download's header gave (empty until its header was complete), and
    // every configuration byte since its 0xF1, padding and anything after CONF_DONE included.
    const std::string& downloadName() const { return m_header.baseName; }
    std::int64_t downloadBytes() const { return m_received; }
    int fpgaResets() const { return m_resets; }
    int probeLevel() const { return m_probeLevel; }
    int selectedPropertySlot() const { return m_selectedSlot; }
    SimSlotModule* slotModule(int slot) const;

    // Faults, in force until changed. nSTATUS drops once a download has taken `bytes` bytes
    // (a negative count turns it off); CONF_DONE stays low at the end of a correct download.
    void setStatusFaultAfter(std::int64_t bytes) { m_faultAfter = bytes; }
    void setConfDoneStuckLow(bool on) { m_confDoneStuck = on; }

private:
    void begin();
    void take(std::span<const std::uint8_t> bytes);
    void takeByte(std::uint8_t byte);
    void fail();
    void finish();
    void clearSlots();
    void resetModules();
    bool isNewer() const;

    SimInstrument& m_instrument;
    Phase m_phase = Phase::Empty;
    std::string m_running;
    std::vector<std::uint8_t> m_headerBytes;
    StreamHeader m_header;
    bool m_headerDone = false;
    Crc32 m_crc;
    std::int64_t m_received = 0;
    std::int64_t m_padding = 0;
    bool m_streamIntact = false;

    std::int64_t m_faultAfter = -1;
    bool m_confDoneStuck = false;
    int m_resets = 0;
    int m_probeLevel = -1;
    int m_selectedSlot = -1;
};

} // namespace seiran::sim
