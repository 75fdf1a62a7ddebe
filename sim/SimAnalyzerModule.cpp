#include "SimAnalyzerModule.h"

#include "Clock.h"
#include "CommandCodes.h"
#include "SimFpga.h"
#include "SimInstrument.h"

#include <algorithm>
#include <array>

namespace seiran::sim {

namespace {

CaptureShape shapeOf(const ModuleDescriptor& module)
{
    CaptureShape shape;
    shape.compressed = module.has(kCompressed);
    shape.samplingEnable = module.has(kSamplingEnable);
    shape.edgeSampling = module.has(kEdgeSampling);
    shape.armsAtStart = module.kind <= 3;
    shape.trimBlock = module.has(kTrimBlock);
    shape.channelCount = module.channelCount();
    shape.dataCount = analyzerDataCount(module);
    shape.positions = shape.compressed ? module.depth()
                                       : mergeOutputs(mergeOrderOf(module, 0).row, shape.dataCount);
    return shape;
}

// The most entries any read path of any instrument type takes from this module.
std::int64_t largestReadOut(const ModuleDescriptor& module, bool builtIn, int dataCount)
{
    std::int64_t most = 0;
    for (int type = 1; type <= 13; ++type)
        for (int level = 1; level <= 2; ++level)
            most = std::max(most, readGeometry(type, builtIn, level, module, dataCount, 8).entries);
    return most;
}

std::uint32_t settingWord(const SimSlotModule& module, int code, int word, std::uint32_t otherwise = 0)
{
    const auto words = module.setting(code);
    return words ? (*words)[std::size_t(word)] : otherwise;
}

} // namespace

SimAnalyzerModule::SimAnalyzerModule(int slot, const ModuleDescriptor& module, PropertyLayout layout)
    : SimSlotModule(slot, module, layout)
    , m_dataCount(analyzerDataCount(module))
    , m_shape(shapeOf(module))
    , m_acquisition(m_shape)
{
    // Everything a capture and its read-out need is reserved here, once.
    const std::int64_t readOut = largestReadOut(module, builtIn(), m_dataCount);
    m_memory.reserve(std::max(readOut, m_shape.positions), m_shape.compressed);
    if (m_shape.compressed)
        m_shown = ZeroedArray<ShownRecord>(std::size_t(m_shape.positions));
    else
        m_carried.assign(std::size_t(m_shape.positions), 0);
}

SimAnalyzerModule::~SimAnalyzerModule() = default;

int SimAnalyzerModule::usableDepth() const
{
    return analyzerDataCount(descriptor());
}

bool SimAnalyzerModule::accepts(int code) const
{
    return code == cmd::kPreStartFollow || code == cmd::kStartCapture || code == cmd::kStopCapture
        || (code >= cmd::kSamplingInterval && code <= cmd::kInputGroup);
}

std::int64_t SimAnalyzerModule::nowNs() const
{
    const SimInstrument* owner = instrument();
    return owner && owner->clock() ? owner->clock()->nowMs() * 1000000 : 0;
}

int SimAnalyzerModule::deviceType() const
{
    return instrument() ? instrument()->deviceType() : 0;
}

int SimAnalyzerModule::firmwareLevel() const
{
    return instrument() ? instrument()->statusBlock()[2] : 1;
}

ModeTraits SimAnalyzerModule::modeTraits() const
{
    const SimInstrument* owner = instrument();
    const auto* fpga = owner ? dynamic_cast<const SimFpga*>(owner->instrumentModel()) : nullptr;
    return modeTraitsOf(fpga ? std::string_view(fpga->runningConfiguration()) : std::string_view(), deviceType());
}

int SimAnalyzerModule::clockPeriodNs() const
{
    if (m_periodOverride)
        return *m_periodOverride;
    return builtIn() ? modeTraits().analyzerClockPeriodNs : kUserModuleClockPeriodNs;
}

int SimAnalyzerModule::startupSamples() const
{
    return !m_shape.compressed && m_dataCount > 32000 ? modeTraits().startupSamples : 0;
}

std::uint32_t SimAnalyzerModule::interleaveBits() const
{
    const std::uint32_t bits = m_interleaveOverride ? *m_interleaveOverride
                                                    : defaultInterleaveBits(deviceType(), builtIn(), descriptor());
    return bits & kInterleaveBits;
}

const SignalSource& SimAnalyzerModule::signalSource() const
{
    if (m_source)
        return *m_source;
    if (m_shape.samplingEnable)
        return testSignals(ChannelZero::SamplingEnable);
    if (m_shape.edgeSampling)
        return testSignals(ChannelZero::SamplingClock);
    return testSignals(ChannelZero::Counter);
}

ReadGeometry SimAnalyzerModule::readGeometry() const
{
    return sim::readGeometry(deviceType(), builtIn(), firmwareLevel(), descriptor(), m_dataCount, m_headEntries);
}

std::uint32_t SimAnalyzerModule::statusWord() const
{
    const std::int64_t now = nowNs();
    std::uint32_t status = 0;
    if (m_acquisition.running(now))
        status |= 0x01;
    if (m_acquisition.stopping(now))
        status |= 0x02;
    // The memory's bits show from the start of a capture until the capture logic is cleared.
    if (!m_acquisition.started())
        return status;
    status |= interleaveBits();
    if (deviceType() >= 10 && builtIn()) {
        // The head entries still to be read: bits 8-10, or bit 7 once none are left. Until the
        // first read of this capture none of them has been read.
        const bool reading = m_laidOut && m_layoutKey.serial == m_acquisition.serial();
        const int remaining = reading ? m_memory.headRemaining() : m_headEntries;
        if (m_shape.compressed)
            status |= remaining == 0 ? 0x80u : 0u;
        else
            status |= std::uint32_t(remaining & 7) << 8;
    }
    return status;
}

void SimAnalyzerModule::reset()
{
    SimSlotModule::reset();
    m_acquisition.clear();
    m_laidOut = false;
}

std::uint64_t SimAnalyzerModule::mask64(int code) const
{
    return std::uint64_t(settingWord(*this, code, 0)) | std::uint64_t(settingWord(*this, code, 1)) << 32;
}

void SimAnalyzerModule::command(int code, std::span<const std::uint32_t> params)
{
    SimSlotModule::command(code, params);
    if (!accepts(code))
        return;
    const std::int64_t now = nowNs();
    switch (code) {
    case cmd::kPreStart:
        // The capture logic and its memory are cleared; 0x00 follows and changes nothing more.
        m_acquisition.clear();
        break;
    case cmd::kStartCapture:
        startCapture(now);
        break;
    case cmd::kArmTrigger:
        m_acquisition.arm(now);
        break;
    case cmd::kStopCapture:
        m_acquisition.stop(now);
        break;
    default:
        break;
    }
}

void SimAnalyzerModule::startCapture(std::int64_t now)
{
    const ModuleDescriptor& module = descriptor();
    RunSettings settings;
    settings.intervalNs = samplingIntervalNs(settingWord(*this, cmd::kSamplingInterval, 0, 0x80), clockPeriodNs());
    if (!m_shape.samplingEnable && !m_shape.edgeSampling) {
        settings.masks.rising = mask64(cmd::kTriggerRising);
        settings.masks.falling = mask64(cmd::kTriggerFalling);
        settings.masks.levelValue = mask64(cmd::kTriggerLevelValue);
        settings.masks.levelCare = mask64(cmd::kTriggerLevelCare);
        settings.place = decodeTriggerPosition(settingWord(*this, cmd::kTriggerPosition, 0), module, m_dataCount);
    }
    settings.overwrite = settingWord(*this, cmd::kRunMode, 0) != 0;
    settings.sampleBeforeEdge = settingWord(*this, cmd::kSamplingEdge, 0) != 0;
    if (module.bankCount > 1)
        settings.channelOffset = int(settingWord(*this, cmd::kInputGroup, 0) % std::uint32_t(module.bankCount))
            * module.channelCount();
    m_startupSamples = startupSamples();
    settings.startupSamples = m_startupSamples;
    ++m_captures;
    m_headEntries = m_headOverride ? *m_headOverride : m_captures % (m_shape.compressed ? 9 : 8);
    m_acquisition.start(&signalSource(), now, settings);
}

void SimAnalyzerModule::ensureLayout()
{
    const std::int64_t now = nowNs();
    const LayoutKey key{m_acquisition.serial(), m_acquisition.cutNs(now), firmwareLevel(), interleaveBits()};
    if (m_laidOut && key == m_layoutKey)
        return;
    // The read position starts again for a new capture, not when a running one moves on.
    const bool rewind = !m_laidOut || key.serial != m_layoutKey.serial || key.firmwareLevel != m_layoutKey.firmwareLevel
        || key.bits != m_layoutKey.bits;
    m_layoutKey = key;
    m_laidOut = true;

    const ReadGeometry geometry = readGeometry();
    GroundTruth truth;
    truth.captured = m_acquisition.started();
    truth.compressed = m_shape.compressed;
    truth.channelCount = m_shape.channelCount;
    truth.dataCount = m_dataCount;
    truth.status = key.bits;
    truth.intervalNs = m_acquisition.sampler().intervalNs();
    truth.startNs = m_acquisition.sampler().startNs();
    truth.armSample = m_acquisition.armSample();

    if (m_shape.compressed) {
        const RecordImage& image = m_acquisition.recordsAt(now);
        const std::uint64_t mask = geometry.form == EntryForm::PackedRecord ? 0xFFFF : m_acquisition.sampler().channelMask();
        const SampleMemory::RecordLayout layout
            = m_memory.layoutRecords(image, m_shape.positions, m_shape.trimBlock, mask, m_shown);
        m_pointer = layout.pointer;
        truth.records = std::span<const ShownRecord>(m_shown).first(std::size_t(layout.shownCount));
        truth.hasData = layout.shownCount >= 2;
        truth.sampleCount = layout.sampleCount;
        // Types 6 to 9 below firmware level 3 are not asked for the pointer word: the host takes
        // the trigger as not found.
        const bool pointerRead = !(deviceType() >= 6 && deviceType() <= 9 && key.firmwareLevel <= 2);
        truth.triggerFound = pointerRead && layout.triggerFound;
        truth.triggerIndex = truth.triggerFound ? layout.triggerSample : 0;
    } else {
        const PositionImage& image = m_acquisition.positionsAt(now);
        const MergeOrder order = mergeOrderOf(descriptor(), key.bits);
        m_memory.layoutPositions(geometry, order, m_shape.channelCount, m_dataCount, image.positions, m_carried);
        const bool kept = m_shape.samplingEnable || m_shape.edgeSampling;
        if (kept) {
            // The host packs the samples with channel 0 high to the front: after a position the
            // reads do not carry, nothing it shows is known.
            const auto missing = std::find(m_carried.begin(), m_carried.end(), std::uint8_t(0));
            std::fill(missing, m_carried.end(), std::uint8_t(0));
        }
        const std::size_t first = std::size_t(m_startupSamples);
        truth.samples = image.positions.subspan(first, std::size_t(m_dataCount));
        truth.carried = std::span<const std::uint8_t>(m_carried).subspan(first, std::size_t(m_dataCount));
        truth.uncarried = std::count(truth.carried.begin(), truth.carried.end(), std::uint8_t(0));
        truth.firstSample = image.firstSample + m_startupSamples;
        truth.keptSamples = image.kept;
        truth.triggerFound = !kept && image.triggerSeen;
        truth.triggerIndex = kept ? 0 : triggerIndexOf(m_acquisition.settings().place, m_dataCount);
    }
    m_truth = truth;
    if (rewind)
        m_memory.rewind(geometry);
}

const GroundTruth& SimAnalyzerModule::groundTruth()
{
    ensureLayout();
    return m_truth;
}

void SimAnalyzerModule::readData(int code, std::span<std::uint8_t> answer)
{
    switch (code) {
    case cmd::kCapturedEntries:
    case cmd::kMemoryBlock:
        ensureLayout();
        m_memory.read(code, answer);
        break;
    case cmd::kPointerWord:
        if (m_shape.compressed) {
            ensureLayout();
            const std::array<std::uint32_t, 2> words{m_pointer.writeStop, m_pointer.word1};
            putWords(answer, words);
        }
        break;
    default:
        break;
    }
}

} // namespace seiran::sim
