#pragma once

#include "SimModuleProperty.h"
#include "SimSignals.h"
#include "SimZeroed.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace seiran::sim {

// What an analyzer module does with its capture settings and its inputs, apart from how its
// memory is read out: sampling on the simulated clock, the trigger search, the start-up samples,
// the samples kept by sampling-enable and edge-sampling modules, and the record list of
// compressed modules.

// The index of `code` in the interval list (0x80, 0x81, 0x70, ... 0x10), -1 for other codes.
int intervalIndexOfCode(std::uint32_t code);
// The sampling interval `code` selects on a module clocked at `clockPeriodNs`: period x {1, 2,
// 5}[i mod 3] x 10^(i div 3). A code outside the list counts as the first one.
std::int64_t samplingIntervalNs(std::uint32_t code, int clockPeriodNs);

enum class TriggerPlace { Left, Centre, Right };
// The trigger position word (0x24) as `module` reads it: 0/1/2 on plain modules, the position
// code in the low 10 bits (data count 1024) or 12 bits of the random word on 5.3/5.4 designs.
TriggerPlace decodeTriggerPosition(std::uint32_t word, const ModuleDescriptor& module, int dataCount);
// Where the trigger sample lands in the decoded capture: 0, dataCount / 2 or dataCount - 1.
int triggerIndexOf(TriggerPlace place, int dataCount);

// The four condition masks, bit c = channel c.
struct TriggerMasks {
    std::uint64_t rising = 0;
    std::uint64_t falling = 0;
    std::uint64_t levelValue = 0;
    std::uint64_t levelCare = 0;

    std::uint64_t channels() const { return rising | falling | levelCare; }
    // Every cared-for channel at its level and, when edges are asked for, one of them seen.
    bool matches(std::uint64_t previous, std::uint64_t current) const;
    TriggerMasks limitedTo(std::uint64_t channelMask) const;
};

// What the running configuration fixes for the built-in analyzer modules.
struct ModeTraits {
    int analyzerClockPeriodNs = 10; // internal clock
    int startupSamples = 96;        // dropped at the front of captures longer than 32000 samples
};
// By the base name of the running configuration; an unknown name gets the defaults.
ModeTraits modeTraitsOf(std::string_view configuration, int deviceType);
// User modules run on the user clock (20 ns unless the user changes it on the analyzer side).
inline constexpr int kUserModuleClockPeriodNs = 20;

// The data count the module check derives from a property word (bit-plane depths with their
// trims, compressed record counts); 0 when it derives none.
int analyzerDataCount(const ModuleDescriptor& module);

inline constexpr std::int64_t kNoSample = kNever / 4;

// A module's view of its inputs during one capture: sample k is taken at start + k x interval,
// sees the module's channels (an input group sees its block of the 64 inputs), bit c = channel c.
class Sampler {
public:
    Sampler() = default;
    Sampler(const SignalSource* source, std::int64_t startNs, std::int64_t intervalNs, int channelOffset,
            int channelCount);

    std::int64_t startNs() const { return m_start; }
    std::int64_t intervalNs() const { return m_interval; }
    std::int64_t timeOf(std::int64_t k) const { return m_start + k * m_interval; }
    // The first sample taken at or after `timeNs`.
    std::int64_t firstAtOrAfter(std::int64_t timeNs) const;
    std::uint64_t at(std::int64_t k) const;
    // The first sample after k that may differ from sample k in one of `channels`.
    std::int64_t nextCandidate(std::int64_t k, std::uint64_t channels) const;
    std::uint64_t channelMask() const { return m_mask; }

    // Samples first, first + 1, ... into `out`.
    void fill(std::int64_t first, std::span<std::uint64_t> out) const;
    // The first sample at or after `from` meeting `masks`; -1 when none within `budget` steps.
    std::int64_t findTrigger(std::int64_t from, const TriggerMasks& masks, std::int64_t budget) const;

private:
    // Part `part` of the source (its channels `mine`) at samples first, first + 1, ... ORed
    // into `out`, walking the part's own transitions.
    void fillPart(int part, std::uint64_t mine, std::int64_t first, std::span<std::uint64_t> out) const;

    const SignalSource* m_source = nullptr;
    std::int64_t m_start = 0;
    std::int64_t m_interval = 1;
    int m_offset = 0;
    std::uint64_t m_mask = 0;
    // The module's inputs along the capture: sampling costs the signals' transitions.
    mutable SignalWalk m_walk;
};

// One record of a compressed capture: a value held for `length` samples from sample `start`.
struct SampleRun {
    std::uint64_t value = 0;
    std::int64_t start = 0;
    int length = 0;
};

// How a module of each kind captures; fixed when the module is made.
struct CaptureShape {
    bool compressed = false;
    bool samplingEnable = false;
    bool edgeSampling = false;
    bool armsAtStart = false;    // versions 3.x and below
    bool trimBlock = false;
    int channelCount = 8;
    int dataCount = 0;
    std::int64_t positions = 0;  // bit planes: memory positions the decoding fills; compressed: entries
};

// Settings taken at the start command.
struct RunSettings {
    std::int64_t intervalNs = 10;
    TriggerMasks masks;
    TriggerPlace place = TriggerPlace::Left;
    bool overwrite = false;      // run mode 1 of sampling-enable and edge-sampling modules
    bool sampleBeforeEdge = false;
    int channelOffset = 0;
    int startupSamples = 0;      // positions before the first one shown (0 when none are dropped)
};

// The memory of a bit-plane module in decoded order: position q is output sample q + 1 of the
// interleave merge. Plain modules hold consecutive samples from `firstSample`; sampling-enable and
// edge-sampling modules hold `kept` samples (channel 0 high) and zeros after them.
struct PositionImage {
    std::span<const std::uint64_t> positions;
    std::int64_t firstSample = 0;
    std::int64_t kept = 0;
    bool triggerSeen = false;
};

// The records a compressed module's memory holds, oldest first, as written into its ring.
struct RecordImage {
    std::span<const SampleRun> runs; // the last run may be cut short: see lastLength
    int lastLength = 0;
    std::int64_t written = 0;        // entries written since the memory was cleared
    std::int64_t triggerRun = -1;    // index in runs of the run the trigger sample starts
    std::int64_t pointerRun = -1;    // the run the pointer word names
};

// One capture from the start command to its end or stop. Buffers are sized by the shape once.
class Acquisition {
public:
    explicit Acquisition(const CaptureShape& shape);

    const CaptureShape& shape() const { return m_shape; }
    void start(const SignalSource* source, std::int64_t nowNs, const RunSettings& settings);
    void arm(std::int64_t nowNs);
    void stop(std::int64_t nowNs);
    void clear();

    bool started() const { return m_started; }
    bool armed() const { return m_armed; }
    bool running(std::int64_t nowNs) const;
    bool stopping(std::int64_t nowNs) const;
    const Sampler& sampler() const { return m_sampler; }
    const RunSettings& settings() const { return m_settings; }
    std::int64_t armSample() const { return m_armSample; }
    std::int64_t triggerSample() const { return m_triggerSample; } // -1: none found
    // When the memory is cut: the stop, the natural end, or `nowNs` while the capture still runs.
    std::int64_t cutNs(std::int64_t nowNs) const;
    // A number that changes whenever what cutNs describes changes.
    std::uint64_t serial() const { return m_serial; }

    // The memory as it stands at cutNs(nowNs).
    const PositionImage& positionsAt(std::int64_t nowNs);
    const RecordImage& recordsAt(std::int64_t nowNs);

private:
    // Memory positions up to the last sample shown: the start-up samples and the data count.
    std::int64_t shownPositions() const;
    std::int64_t recordsAfterTrigger() const;
    void armBitPlanes();
    void armKept();
    void armRecords();
    std::int64_t collectKept(std::int64_t from, std::int64_t until, std::int64_t skip, std::int64_t count,
                             std::uint64_t* out, std::int64_t* lastIndex) const;
    // Records from `from` until sample `until` or until `maxRuns` were written, run length at
    // most 128, a run also ending before each of the `splits` samples. Written into `ring`
    // (kept in order modulo its size); returns the number written.
    std::int64_t writeRuns(std::int64_t from, std::int64_t until, std::int64_t maxRuns, std::span<const std::int64_t> splits,
                           std::span<SampleRun> ring) const;
    // The last `count` records before sample `until` (not before sample 0) at the front of
    // m_runs; returns how many, and sets `written` to the entries written since sample 0.
    std::int64_t lastRunsBefore(std::int64_t until, std::int64_t count, std::int64_t* written);

    CaptureShape m_shape;
    Sampler m_sampler;
    RunSettings m_settings;
    bool m_started = false;
    bool m_armed = false;
    bool m_stopped = false;
    std::int64_t m_stopNs = 0;
    std::int64_t m_stopHoldNs = 0;
    std::int64_t m_armSample = 0;
    std::int64_t m_triggerSample = -1;
    std::int64_t m_endNs = kNever;   // natural end; kNever while none is due
    std::int64_t m_windowFirst = 0;  // bit planes: first sample of the naturally ended memory
    std::uint64_t m_serial = 0;

    ZeroedArray<std::uint64_t> m_positions;
    PositionImage m_positionImage;
    ZeroedArray<SampleRun> m_runs;    // the ring's contents in time order
    ZeroedArray<SampleRun> m_scratch; // a ring while the records before a point are sought
    std::int64_t m_armedRuns = 0;     // records found at the arm (trigger found)
    std::int64_t m_armedWritten = 0;
    std::int64_t m_armedTriggerRun = -1;
    std::int64_t m_armedPointerRun = -1;
    RecordImage m_recordImage;
    std::int64_t m_imageCut = -1;
    std::uint64_t m_imageSerial = ~std::uint64_t(0);
};

} // namespace seiran::sim
