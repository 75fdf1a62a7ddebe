#pragma once

#include "SimCapture.h"
#include "SimMemoryLayout.h"
#include "SimSlotModule.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace seiran::sim {

// What the host should show once it has read and decoded the module's last capture: the ground
// truth integration tests compare the analyzer with. The spans point into the module's own
// storage and hold until its next capture.
struct GroundTruth {
    bool captured = false;   // a capture was started since the module was made or reset
    bool compressed = false;
    int channelCount = 0;
    int dataCount = 0;
    std::uint32_t status = 0; // the status word's interleave bits the memory was laid out for

    // Bit-plane modules: `dataCount` samples in the order shown (sample 0 first), bit c = level
    // of channel c. On sampling-enable and edge-sampling modules the samples after `kept` are 0.
    std::span<const std::uint64_t> samples;
    // 1 where the module's read path carries the sample; where it is 0 the host reads nothing
    // of that sample (a layout whose reads are too few for its data count).
    std::span<const std::uint8_t> carried;
    std::int64_t uncarried = 0;
    // Bit planes: where the host places the trigger (0, dataCount / 2, dataCount - 1; 0 on
    // sampling-enable and edge-sampling modules). Compressed: the trigger's sample number counted
    // from the first sample shown, 0 without a trigger.
    std::int64_t triggerIndex = 0;
    // Whether the captured data hold the trigger sample (a stop before it: no).
    bool triggerFound = false;

    // Timing of the capture: sample k (counted from the start command) is taken at
    // startNs + k x intervalNs.
    std::int64_t intervalNs = 0;
    std::int64_t startNs = 0;
    std::int64_t armSample = 0;
    std::int64_t firstSample = 0;   // plain bit-plane modules: the sample number of shown sample 0
    std::int64_t keptSamples = 0;   // sampling-enable and edge-sampling: samples in the memory

    // Compressed modules: the records the host ends with, in order.
    bool hasData = false;           // at least two records
    std::span<const ShownRecord> records;
    std::int64_t sampleCount = 0;   // their total length

    bool level(int channel, std::int64_t sample) const
    {
        return sample >= 0 && sample < std::int64_t(samples.size()) && (samples[std::size_t(sample)] >> channel & 1u) != 0;
    }
};

// A logic-analyzer module: its property word, the capture settings the host sends it, and the
// capture itself. Start (0x10) notes the time on the instrument's clock; the arm (0x28, or the
// start on modules of version 3.x and below) finds the trigger and the time the memory is full;
// the status word shows the capture running until then and stopping for a few sample intervals
// after 0x11. The memory is laid out for the host's read path at the first read after a capture
// and read from the module's preallocated image.
class SimAnalyzerModule : public SimSlotModule {
public:
    SimAnalyzerModule(int slot, const ModuleDescriptor& module, PropertyLayout layout);
    ~SimAnalyzerModule() override;

    // Samples a capture of this module holds per channel, as its trims leave them.
    int usableDepth() const;
    int dataCount() const { return m_dataCount; }
    bool builtIn() const { return slot() >= kUserSlots; }

    std::uint32_t statusWord() const override;
    void reset() override;
    void command(int code, std::span<const std::uint32_t> params) override;

    // The last capture as the host should show it (laid out for the current firmware level).
    const GroundTruth& groundTruth();

    // The inputs. nullptr: the built-in test signals (with channel 0 as this module's kind
    // needs it). Loop-back modes hand in what the generator plays.
    void setSignalSource(const SignalSource* source) { m_source = source; }
    const SignalSource& signalSource() const;

    // The interleave bits (2, 3, 4, 6) the module reports and lays its memory out for; nullopt
    // goes back to the module's own choice.
    void setInterleaveBits(std::optional<std::uint32_t> bits) { m_interleaveOverride = bits; }
    std::uint32_t interleaveBits() const;
    // Head entries of the built-in newer read path (0 to 7, 0 to 8 on compressed modules); by
    // default they vary from capture to capture. Takes effect at the next start.
    void setHeadEntries(std::optional<int> entries) { m_headOverride = entries; }
    // The module clock; by default from the running configuration (built-in slots) or 20 ns
    // (user slots).
    void setClockPeriodNs(std::optional<int> period) { m_periodOverride = period; }
    int clockPeriodNs() const;
    // Samples dropped at the front on captures longer than 32000 samples (96 or 97 by mode).
    int startupSamples() const;
    ReadGeometry readGeometry() const;
    const Acquisition& acquisition() const { return m_acquisition; }

protected:
    bool accepts(int code) const override;
    void readData(int code, std::span<std::uint8_t> answer) override;

private:
    static constexpr int kUserSlots = 8;

    std::int64_t nowNs() const;
    int deviceType() const;
    int firmwareLevel() const;
    ModeTraits modeTraits() const;
    void startCapture(std::int64_t nowNs);
    std::uint64_t mask64(int lowCode) const;
    void ensureLayout();

    int m_dataCount = 0;
    CaptureShape m_shape;
    Acquisition m_acquisition;
    SampleMemory m_memory;
    std::vector<std::uint8_t> m_carried;
    ZeroedArray<ShownRecord> m_shown;
    GroundTruth m_truth;
    const SignalSource* m_source = nullptr;
    std::optional<std::uint32_t> m_interleaveOverride;
    std::optional<int> m_headOverride;
    std::optional<int> m_periodOverride;
    int m_captures = 0;
    int m_headEntries = 0;
    int m_startupSamples = 0;

    // What the current layout was made for.
    struct LayoutKey {
        std::uint64_t serial = ~std::uint64_t(0);
        std::int64_t cut = 0;
        int firmwareLevel = -1;
        std::uint32_t bits = 0;
        bool operator==(const LayoutKey&) const = default;
    };
    LayoutKey m_layoutKey;
    bool m_laidOut = false;
    PointerWord m_pointer;
};

} // namespace seiran::sim
