#pragma once

#include "SimFaults.h"
#include "SimModule.h"
#include "UsbTransport.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace seiran {
class Clock;
}

namespace seiran::sim {

// What crossed the wire, for tests. Frames are decoded as the instrument reads them.
struct SimRecord {
    enum class Kind { Frame, PipeRead, VendorOut, VendorIn };
    Kind kind = Kind::Frame;
    int endpoint = 0;        // Frame, PipeRead
    int request = 0;         // VendorOut, VendorIn
    int length = 0;          // bytes written, or bytes asked for
    int module = 0;          // Frame: from the command word
    int code = 0;            // Frame: from the command word
    int sequence = -1;       // Frame of a newer instrument
    int announcedBytes = 0;  // Frame of a newer instrument: word 2
    std::vector<std::uint8_t> bytes; // the frame, or the vendor request's data stage (out)
    std::vector<std::uint32_t> params; // Frame: the parameter words
};

enum class TransferKind { Write, Read, VendorOut, VendorIn, Any };

// The instrument seen from its USB side: it takes frames of its generation on the right
// endpoints, keeps the sequence number and the 12-byte status block, serves the data phases
// (an IN read announced with vendor 0x36, or vendor 0x37) and the trace buffer, and routes every
// command to the module model of its slot. It can be told to misbehave.
class SimInstrument final : public UsbTransport {
public:
    // deviceType: the product ID, 1 to 13. The clock is the program's, shared with the models.
    SimInstrument(int deviceType, Clock* clock);
    ~SimInstrument() override;

    // UsbTransport
    UsbOpenResult open() override;
    void close() override;
    bool writePipe(int endpoint, std::span<const std::uint8_t> frame) override;
    int readPipe(int endpoint, std::span<std::uint8_t> buffer) override;
    bool vendorOut(int request, std::span<const std::uint8_t> data) override;
    int vendorIn(int request, std::span<std::uint8_t> buffer) override;
    void resetPipes() override;
    bool instrumentGone() const override { return m_vanished; }

    int deviceType() const { return m_deviceType; }
    bool isNewerGeneration() const { return m_deviceType > 9; }
    Clock* clock() const { return m_clock; }

    // Module models. Slot 0 to 15 take the commands addressed to their module number; the
    // instrument-wide model takes module 0's configuration, reset and level commands and the
    // vendor requests that carry them.
    void installModule(int slot, std::unique_ptr<SimModule> module);
    SimModule* module(int slot) const;
    void installInstrumentModel(std::unique_ptr<SimModule> model);
    SimModule* instrumentModel() const { return m_instrumentModel.get(); }

    // Status block fields.
    void setFirmwareLevel(int level) { m_status[2] = std::uint8_t(level); }
    void setAltTransferMode(bool on) { m_status[9] = on ? 1 : 0; }
    void setConfigurationStatus(bool nStatus, bool confDone);
    int acknowledgedSequence() const { return m_status[10]; }
    const std::array<std::uint8_t, 12>& statusBlock() const { return m_status; }
    // Back to power-up sequencing (the FPGA reset does this too).
    void resetSequence();

    // Faults.
    void dropAcknowledgements(int frames) { m_dropAcks = frames; }
    void delayAcknowledgement(int statusReads) { m_ackDelay = statusReads; }
    void failNext(TransferKind kind, int count = 1);
    void shortenNextRead(int bytes) { m_shortRead = bytes; }
    void setVanished(bool vanished) { m_vanished = vanished; }
    bool vanished() const { return m_vanished; }
    // Arms one fault to strike when the instrument gets to the plan's point (Open: at once). A
    // short read then delivers half of what was asked. One plan at a time; a new one replaces it.
    void armFault(const FaultPlan& plan);
    bool faultArmed() const { return m_plan.has_value(); }

    // Recording.
    void setRecording(bool on) { m_recording = on; }
    const std::vector<SimRecord>& records() const { return m_records; }
    void clearRecords() { m_records.clear(); }
    std::vector<SimRecord> frames() const;
    int statusReads() const { return m_statusReads; }
    int endpointErrors() const { return m_endpointErrors; }
    int pipeResets() const { return m_pipeResets; }
    const std::array<std::uint8_t, 128>& traceBuffer() const { return m_trace; }

private:
    bool takeFailure(TransferKind kind);
    // Watches the frames for the armed plan's point.
    void watchForFault(int commandWord);
    void strike(FaultKind kind);
    void trace(int code);
    void acceptSequence(int sequence);
    void statusRead();
    void route(int module, int code, std::span<const std::uint32_t> params);
    // Produces the answer of the pending read into `out`; false when no read was asked for.
    bool answerPending(std::span<std::uint8_t> out);
    int shortened(int length);
    bool isInstrumentWide(int module, int code) const;

    int m_deviceType;
    Clock* m_clock;
    bool m_open = false;
    bool m_vanished = false;

    std::array<std::unique_ptr<SimModule>, 16> m_slots;
    std::unique_ptr<SimModule> m_instrumentModel;

    std::array<std::uint8_t, 12> m_status{};
    std::array<std::uint8_t, 128> m_trace{};
    // Room for the 1024-byte blocks a remote server may hand on whole (0xF7).
    std::array<std::uint32_t, 256> m_params{};
    bool m_nStatus = true;
    bool m_confDone = false;

    struct PendingRead { bool valid = false; int module = 0; int code = 0; int announced = 0; };
    PendingRead m_pending;
    int m_inAnnounced = -1;

    int m_dropAcks = 0;
    int m_ackDelay = 0;
    int m_delayedAck = -1;
    int m_delayReads = 0;
    int m_shortRead = -1;
    bool m_shortHalf = false;
    std::optional<FaultPlan> m_plan;
    bool m_captureStarted = false;
    int m_memoryReads = 0;
    TransferKind m_failKind = TransferKind::Any;
    int m_failCount = 0;

    bool m_recording = true;
    std::vector<SimRecord> m_records;
    int m_statusReads = 0;
    int m_endpointErrors = 0;
    int m_pipeResets = 0;
};

} // namespace seiran::sim
