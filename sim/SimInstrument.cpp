#include "SimInstrument.h"

#include "CommandCodes.h"
#include "SimSlotModule.h"

#include <algorithm>
#include <cassert>

namespace seiran::sim {

namespace {

int word16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

std::uint32_t word32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16
        | std::uint32_t(bytes[at + 3]) << 24;
}

} // namespace

SimInstrument::SimInstrument(int deviceType, Clock* clock)
    : m_deviceType(deviceType)
    , m_clock(clock)
{
    assert(deviceType >= 1 && deviceType <= 15);
    resetSequence();
    setConfigurationStatus(true, false);
}

SimInstrument::~SimInstrument() = default;

UsbOpenResult SimInstrument::open()
{
    if (m_vanished)
        return {OpenCode::NotFound, 0, {}};
    m_open = true;
    return {OpenCode::Opened, m_deviceType, {}};
}

void SimInstrument::close()
{
    m_open = false;
}

void SimInstrument::installModule(int slot, std::unique_ptr<SimModule> module)
{
    assert(slot >= 0 && slot < 16);
    if (auto* slotModule = dynamic_cast<SimSlotModule*>(module.get()))
        slotModule->attach(this);
    m_slots[std::size_t(slot)] = std::move(module);
}

SimModule* SimInstrument::module(int slot) const
{
    return slot >= 0 && slot < 16 ? m_slots[std::size_t(slot)].get() : nullptr;
}

void SimInstrument::installInstrumentModel(std::unique_ptr<SimModule> model)
{
    m_instrumentModel = std::move(model);
}

void SimInstrument::setConfigurationStatus(bool nStatus, bool confDone)
{
    m_nStatus = nStatus;
    m_confDone = confDone;
    m_status[8] = std::uint8_t((nStatus ? 0x10 : 0) | (confDone ? 0x20 : 0));
}

void SimInstrument::resetSequence()
{
    // Power-up and FPGA reset: the first frame the instrument expects carries number 1.
    m_status[10] = 1;
    m_delayedAck = -1;
}

void SimInstrument::failNext(TransferKind kind, int count)
{
    m_failKind = kind;
    m_failCount = count;
}

bool SimInstrument::takeFailure(TransferKind kind)
{
    if (m_vanished || !m_open)
        return true;
    if (m_failCount > 0 && (m_failKind == TransferKind::Any || m_failKind == kind)) {
        --m_failCount;
        return true;
    }
    return false;
}

void SimInstrument::armFault(const FaultPlan& plan)
{
    m_plan = plan;
    m_captureStarted = false;
    m_memoryReads = 0;
    if (plan.point == FaultPoint::Open)
        strike(plan.kind);
}

void SimInstrument::strike(FaultKind kind)
{
    m_plan.reset();
    switch (kind) {
    case FaultKind::DropAck: m_dropAcks = 1; break;
    case FaultKind::Fail: failNext(TransferKind::Any, 1); break;
    case FaultKind::Short: m_shortHalf = true; break;
    case FaultKind::Vanish: m_vanished = true; break;
    }
}

void SimInstrument::watchForFault(int commandWord)
{
    const int module = commandWord >> 12;
    const int code = commandWord & 0x0FFF;
    if (code == cmd::kStartCapture && !isInstrumentWide(module, code)) {
        m_captureStarted = true;
        m_memoryReads = 0;
        if (m_plan->point == FaultPoint::Start)
            strike(m_plan->kind);
        return;
    }
    if (!m_captureStarted)
        return;
    if (m_plan->point == FaultPoint::Poll && (code == cmd::kModuleStatus || code == cmd::kAllModuleStatus)) {
        strike(m_plan->kind);
        return;
    }
    const bool memoryRead = code == cmd::kCapturedEntries || code == cmd::kMemoryBlock || code == cmd::kPointerWord;
    if (m_plan->point == FaultPoint::Transfer && memoryRead && m_memoryReads++ == m_plan->reads)
        strike(m_plan->kind);
}

void SimInstrument::trace(int code)
{
    m_trace[m_status[11]] = std::uint8_t(code);
    m_status[11] = std::uint8_t((m_status[11] + 1) % m_trace.size());
}

int SimInstrument::shortened(int length)
{
    if (m_shortHalf) {
        m_shortHalf = false;
        return length / 2;
    }
    if (m_shortRead < 0)
        return length;
    const int got = std::min(length, m_shortRead);
    m_shortRead = -1;
    return got;
}

bool SimInstrument::isInstrumentWide(int module, int code) const
{
    if (module != cmd::kSystemModule)
        return false;
    return code == cmd::kProbeLevel || code == cmd::kAllModuleStatus || code == cmd::kAllModuleProperty
        || (code >= cmd::kRemoteLogin && code <= cmd::kRemoteInstrument) || code >= cmd::kFpgaReset;
}

void SimInstrument::acceptSequence(int sequence)
{
    const int next = (sequence + 1) % 256;
    if (m_dropAcks > 0) {
        --m_dropAcks;
        return;
    }
    if (m_ackDelay > 0) {
        m_delayedAck = next;
        m_delayReads = m_ackDelay;
        m_ackDelay = 0;
        return;
    }
    m_status[10] = std::uint8_t(next);
}

void SimInstrument::statusRead()
{
    ++m_statusReads;
    if (m_delayedAck >= 0 && m_delayReads-- <= 0) {
        m_status[10] = std::uint8_t(m_delayedAck);
        m_delayedAck = -1;
    }
}

void SimInstrument::route(int module, int code, std::span<const std::uint32_t> params)
{
    if (isInstrumentWide(module, code)) {
        if (m_deviceType <= 9 && code == cmd::kFpgaReset)
            resetSequence();
        if (m_instrumentModel)
            m_instrumentModel->command(code, params);
        return;
    }
    if (SimModule* target = this->module(module))
        target->command(code, params);
}

bool SimInstrument::writePipe(int endpoint, std::span<const std::uint8_t> frame)
{
    if (m_plan && frame.size() >= 2)
        watchForFault(word16(frame, 0));
    if (takeFailure(TransferKind::Write))
        return false;

    const bool newer = isNewerGeneration();
    const std::size_t header = newer ? 6 : 2;
    bool endpointOk = frame.size() >= header && (frame.size() - header) % 4 == 0;
    if (newer) {
        endpointOk = endpointOk && endpoint == usb::kCommandEndpoint;
    } else {
        // Older instruments take frames with 32 parameter bytes or more on the long-frame endpoint.
        const bool longFrame = frame.size() >= 2 + 32;
        endpointOk = endpointOk && endpoint == (longFrame ? usb::kLongFrameEndpoint : usb::kCommandEndpoint);
    }
    if (!endpointOk) {
        ++m_endpointErrors;
        return false;
    }

    const int word = word16(frame, 0);
    const int module = word >> 12;
    const int code = word & 0x0FFF;
    const std::size_t paramCount = std::min((frame.size() - header) / 4, m_params.size());
    for (std::size_t i = 0; i < paramCount; ++i)
        m_params[i] = word32(frame, header + 4 * i);
    const std::span<const std::uint32_t> params(m_params.data(), paramCount);

    int sequence = -1;
    int announced = 0;
    if (newer) {
        sequence = word16(frame, 2);
        announced = word16(frame, 4);
    }
    trace(code);
    if (m_recording) {
        SimRecord record;
        record.kind = SimRecord::Kind::Frame;
        record.endpoint = endpoint;
        record.length = int(frame.size());
        record.module = module;
        record.code = code;
        record.sequence = sequence;
        record.announcedBytes = announced;
        record.bytes.assign(frame.begin(), frame.end());
        record.params.assign(params.begin(), params.end());
        m_records.push_back(std::move(record));
    }

    if (newer)
        acceptSequence(sequence);

    if (cmd::isReadCommand(code))
        m_pending = {true, module, code, announced};
    else
        route(module, code, params);
    return true;
}

bool SimInstrument::answerPending(std::span<std::uint8_t> out)
{
    std::fill(out.begin(), out.end(), std::uint8_t(0));
    if (!m_pending.valid)
        return false;
    const PendingRead pending = m_pending;
    m_pending.valid = false;

    if (pending.module == cmd::kSystemModule && pending.code == cmd::kStatusBlock) {
        const std::size_t n = std::min(out.size(), m_status.size());
        std::copy_n(m_status.begin(), n, out.begin());
        return true;
    }
    if (pending.module == cmd::kSystemModule && pending.code == cmd::kConfigStatus) {
        // Older instruments: byte 0 bit 2 nSTATUS, bit 1 CONF_DONE.
        if (!out.empty())
            out[0] = std::uint8_t((m_nStatus ? 0x04 : 0) | (m_confDone ? 0x02 : 0));
        return true;
    }
    if (isInstrumentWide(pending.module, pending.code)) {
        if (m_instrumentModel)
            m_instrumentModel->read(pending.code, out);
    } else if (SimModule* target = module(pending.module)) {
        target->read(pending.code, out);
    }
    return true;
}

int SimInstrument::readPipe(int endpoint, std::span<std::uint8_t> buffer)
{
    if (takeFailure(TransferKind::Read))
        return -1;
    if (m_recording) {
        SimRecord record;
        record.kind = SimRecord::Kind::PipeRead;
        record.endpoint = endpoint;
        record.length = int(buffer.size());
        m_records.push_back(std::move(record));
    }
    if (endpoint != usb::inEndpointFor(m_deviceType)) {
        ++m_endpointErrors;
        return -1;
    }
    // Newer instruments send exactly what vendor 0x36 announced.
    int length = int(buffer.size());
    if (isNewerGeneration()) {
        if (m_inAnnounced < 0)
            return -1;
        length = std::min(length, m_inAnnounced);
        m_inAnnounced = -1;
    }
    if (!answerPending(buffer.first(std::size_t(length))))
        return -1;
    return shortened(length);
}

bool SimInstrument::vendorOut(int request, std::span<const std::uint8_t> data)
{
    if (takeFailure(TransferKind::VendorOut))
        return false;
    trace(request);
    if (m_recording) {
        SimRecord record;
        record.kind = SimRecord::Kind::VendorOut;
        record.request = request;
        record.length = int(data.size());
        record.bytes.assign(data.begin(), data.end());
        m_records.push_back(std::move(record));
    }
    switch (request) {
    case vendor::kAnnounceInLength:
        m_inAnnounced = data.size() >= 2 ? word16(data, 0) : -1;
        return data.size() == 2;
    case vendor::kFpgaReset:
        resetSequence();
        break;
    case vendor::kProbeLevel:
    case vendor::kSelectPropertySlot:
    case vendor::kConfigBegin:
    case vendor::kConfigData:
        break;
    default:
        return false; // the firmware stalls requests it does not know
    }
    if (m_instrumentModel)
        m_instrumentModel->vendorOut(request, data);
    return true;
}

int SimInstrument::vendorIn(int request, std::span<std::uint8_t> buffer)
{
    if (takeFailure(TransferKind::VendorIn))
        return -1;
    trace(request);
    if (m_recording) {
        SimRecord record;
        record.kind = SimRecord::Kind::VendorIn;
        record.request = request;
        record.length = int(buffer.size());
        m_records.push_back(std::move(record));
    }
    std::fill(buffer.begin(), buffer.end(), std::uint8_t(0));
    switch (request) {
    case vendor::kStatusBlock: {
        statusRead();
        const std::size_t n = std::min(buffer.size(), m_status.size());
        std::copy_n(m_status.begin(), n, buffer.begin());
        return int(n);
    }
    case vendor::kTraceBuffer: {
        const std::size_t n = std::min(buffer.size(), m_trace.size());
        std::copy_n(m_trace.begin(), n, buffer.begin());
        return int(n);
    }
    case vendor::kReadData:
        if (!isNewerGeneration() || !answerPending(buffer))
            return -1;
        return shortened(int(buffer.size()));
    default:
        return -1; // the firmware stalls requests it does not know
    }
}

void SimInstrument::resetPipes()
{
    ++m_pipeResets;
    m_pending.valid = false;
    m_inAnnounced = -1;
}

std::vector<SimRecord> SimInstrument::frames() const
{
    std::vector<SimRecord> out;
    std::copy_if(m_records.begin(), m_records.end(), std::back_inserter(out),
                 [](const SimRecord& r) { return r.kind == SimRecord::Kind::Frame; });
    return out;
}

} // namespace seiran::sim
