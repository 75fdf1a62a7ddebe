#include "SimFpga.h"

#include "CommandCodes.h"
#include "SimAnalyzerModule.h"
#include "SimGeneratorModule.h"
#include "SimInstrument.h"

#include <array>
#include <memory>

namespace seiran::sim {

namespace {

// The FPGA leaves configuration mode only after this many clocks of padding.
constexpr int kPaddingBytesNeeded = 8;
constexpr int kSlotCount = 16;

std::unique_ptr<SimSlotModule> makeSlotModule(const SimConfiguration& config, const SlotEntry& entry)
{
    const PropertyLayout layout = config.layoutOf(entry);
    switch (entry.module.function) {
    case ModuleFunction::Analyzer:
        return std::make_unique<SimAnalyzerModule>(entry.slot, entry.module, layout);
    case ModuleFunction::Generator:
        return std::make_unique<SimGeneratorModule>(entry.slot, entry.module, layout);
    case ModuleFunction::None:
        break;
    }
    return nullptr;
}

// The bytes of the first `count` parameter words, low byte first.
std::vector<std::uint8_t> paramBytes(std::span<const std::uint32_t> params, std::size_t count)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count && i / 4 < params.size(); ++i)
        bytes.push_back(std::uint8_t(params[i / 4] >> (8 * (i % 4))));
    return bytes;
}

std::int64_t expectedStreamBytes(const SimConfiguration& config)
{
    return std::int64_t(config.dataLines) * cellsPerDataLine(config.group) + trailerCells(config.group);
}

} // namespace

SimFpga::SimFpga(SimInstrument& instrument)
    : m_instrument(instrument)
{
}

SimFpga::~SimFpga() = default;

bool SimFpga::isNewer() const
{
    return m_instrument.isNewerGeneration();
}

SimSlotModule* SimFpga::slotModule(int slot) const
{
    return dynamic_cast<SimSlotModule*>(m_instrument.module(slot));
}

void SimFpga::command(int code, std::span<const std::uint32_t> params)
{
    // Types 1 to 9 configure through frames; newer firmware takes configuration and reset only
    // as vendor requests, except the 1024-byte block a remote server may hand on whole.
    const bool older = !isNewer();
    switch (code) {
    case cmd::kProbeLevel:
        if (!params.empty())
            m_probeLevel = int(params[0] & 0xFFFF);
        break;
    case cmd::kFpgaReset:
        if (older)
            resetModules();
        break;
    case cmd::kConfigBegin:
        if (older)
            begin();
        break;
    case cmd::kConfigEight:
        if (older)
            take(paramBytes(params, 8));
        break;
    case cmd::kConfigLineTail:
        if (older) {
            // The last four cells of a line, then one more byte in the low byte of word 1.
            std::vector<std::uint8_t> bytes = paramBytes(params, 4);
            if (params.size() > 1)
                bytes.push_back(std::uint8_t(params[1]));
            take(bytes);
        }
        break;
    case cmd::kConfigTrailer:
        if (older)
            take(paramBytes(params, 1));
        break;
    case cmd::kConfigThirtyTwo:
        if (older)
            take(paramBytes(params, 32));
        break;
    case cmd::kConfigBlockRemote:
        take(paramBytes(params, 1024));
        break;
    default:
        break;
    }
}

void SimFpga::vendorOut(int request, std::span<const std::uint8_t> data)
{
    switch (request) {
    case vendor::kProbeLevel:
        if (data.size() >= 2)
            m_probeLevel = data[0] | data[1] << 8;
        break;
    case vendor::kSelectPropertySlot:
        if (!data.empty())
            m_selectedSlot = data[0];
        break;
    case vendor::kFpgaReset:
        if (isNewer())
            resetModules();
        break;
    case vendor::kConfigBegin:
        if (isNewer())
            begin();
        break;
    case vendor::kConfigData:
        if (isNewer())
            take(data);
        break;
    default:
        break;
    }
}

void SimFpga::read(int code, std::span<std::uint8_t> answer)
{
    std::array<std::uint32_t, kSlotCount> words{};
    if (code == cmd::kAllModuleStatus) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (const SimSlotModule* m = slotModule(slot)) {
                words[std::size_t(slot)] = m->statusWord();
            } else if (SimModule* other = m_instrument.module(slot)) {
                std::array<std::uint8_t, 8> status{};
                other->read(cmd::kModuleStatus, status);
                words[std::size_t(slot)] = std::uint32_t(status[0]) | std::uint32_t(status[1]) << 8
                    | std::uint32_t(status[2]) << 16 | std::uint32_t(status[3]) << 24;
            }
        }
    } else if (code == cmd::kAllModuleProperty) {
        for (int slot = 0; slot < kSlotCount; ++slot)
            if (const SimSlotModule* m = slotModule(slot))
                words[std::size_t(slot)] = m->propertyWord();
    } else {
        return;
    }
    putWords(answer, words);
}

void SimFpga::begin()
{
    clearSlots();
    m_running.clear();
    m_phase = Phase::Receiving;
    m_headerBytes.clear();
    m_header = {};
    m_headerDone = false;
    m_crc = {};
    m_received = 0;
    m_padding = 0;
    m_streamIntact = false;
    m_instrument.setConfigurationStatus(true, false);
    if (m_faultAfter == 0)
        fail();
}

void SimFpga::take(std::span<const std::uint8_t> bytes)
{
    // Bytes after CONF_DONE or after an error are counted but change nothing.
    if (m_phase == Phase::Empty)
        return;
    for (std::uint8_t b : bytes) {
        if (m_phase == Phase::Receiving)
            takeByte(b);
        else
            ++m_received;
    }
}

void SimFpga::takeByte(std::uint8_t byte)
{
    ++m_received;
    if (m_faultAfter > 0 && m_received >= m_faultAfter) {
        fail();
        return;
    }

    if (!m_headerDone) {
        m_headerBytes.push_back(byte);
        const HeaderCheck check = checkStreamHeader(m_headerBytes, &m_header);
        if (check == HeaderCheck::Invalid) {
            fail();
        } else if (check == HeaderCheck::Valid) {
            // The header names a configuration; this FPGA runs only those made for its type.
            const SimConfiguration* config = findConfiguration(m_header.baseName);
            m_headerDone = true;
            if (!config || !config->runsOn(m_instrument.deviceType())
                || std::int64_t(m_header.streamBytes) != expectedStreamBytes(*config))
                fail();
        }
        return;
    }

    if (m_received <= std::int64_t(m_header.streamBytes)) {
        m_crc.add(byte);
        if (m_received == std::int64_t(m_header.streamBytes)) {
            if (m_crc.value() != m_header.crc) {
                fail();
                return;
            }
            m_streamIntact = true;
        }
        return;
    }

    ++m_padding;
    if (m_streamIntact && m_padding >= kPaddingBytesNeeded && !m_confDoneStuck)
        finish();
}

void SimFpga::fail()
{
    m_phase = Phase::Failed;
    m_running.clear();
    clearSlots();
    m_instrument.setConfigurationStatus(false, false);
}

void SimFpga::finish()
{
    const SimConfiguration* config = findConfiguration(m_header.baseName);
    if (!config) {
        fail();
        return;
    }
    for (const SlotEntry& entry : config->moduleSlots)
        if (entry.slot >= 0)
            m_instrument.installModule(entry.slot, makeSlotModule(*config, entry));
    m_running = m_header.baseName;
    m_phase = Phase::Running;
    m_instrument.setConfigurationStatus(true, true);
}

void SimFpga::clearSlots()
{
    for (int slot = 0; slot < kSlotCount; ++slot)
        m_instrument.installModule(slot, nullptr);
}

void SimFpga::resetModules()
{
    ++m_resets;
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (SimSlotModule* m = slotModule(slot))
            m->reset();
}

} // namespace seiran::sim
