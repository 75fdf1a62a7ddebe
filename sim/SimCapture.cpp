#include "SimCapture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <numeric>

namespace seiran::sim {

namespace {

constexpr std::array<std::uint32_t, 21> kIntervalCodes = {0x80, 0x81, 0x70, 0x71, 0x72, 0x60, 0x61, 0x62, 0x50, 0x51, 0x52,
                                                          0x40, 0x41, 0x42, 0x30, 0x31, 0x32, 0x20, 0x21, 0x22, 0x10};
constexpr std::array<std::int64_t, 3> kIntervalSteps = {1, 2, 5};

// A record holds at most this many samples (count word bits 0-6 hold the run length - 1).
constexpr int kRunLimit = 128;
// Steps the trigger search and the search for kept samples may take before a capture is taken
// to wait for ever (until it is stopped).
constexpr std::int64_t kSearchBudget = std::int64_t(1) << 22;
// A periodic signal whose samples repeat within this many is sampled once and repeated.
constexpr std::int64_t kPatternSamples = 4096;

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if (a % b != 0 && (a < 0) != (b < 0))
        --q;
    return q;
}

struct PositionCodes {
    std::uint32_t mask;
    std::uint32_t left, centre, right;
    TriggerPlace otherwise;
};

// Plain modules, then the 5.3/5.4 designs with 1024 samples and with any other count.
constexpr PositionCodes kPlainPositions = {0xFFFFFFFFu, 0, 1, 2, TriggerPlace::Left};
constexpr PositionCodes kRandomPositions1024 = {0x3FF, 20, 516, 1012, TriggerPlace::Right};
constexpr PositionCodes kRandomPositionsOther = {0xFFF, 36, 2052, 4068, TriggerPlace::Right};

struct PeriodByName {
    std::string_view part; // of the configuration's base name
    int periodNs;
};

// First match wins: the external-clock and generator modes before the frequency in their names.
constexpr PeriodByName kPeriodsByName[] = {
    {"PLLx1", 10}, {"ExtClk", 20}, {"Gen8ch", 10}, {"200m", 5}, {"100m", 10},
    {"100M", 10},  {"66m", 15},    {"50M", 20},    {"AX-9", 5},
};

struct PeriodByType {
    std::uint16_t types; // bit t: DeviceType t
    int periodNs;
};

// The loop-back test configurations run at the fastest analyzer clock of their type.
constexpr PeriodByType kLoopBackPeriods[] = {
    {(1u << 7) | (1u << 8) | (1u << 10) | (1u << 11) | (1u << 12) | (1u << 13), 5},
    {(1u << 4) | (1u << 6), 10},
    {1u << 9, 15},
};
constexpr int kOtherLoopBackPeriod = 20;

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

} // namespace

int intervalIndexOfCode(std::uint32_t code)
{
    for (std::size_t i = 0; i < kIntervalCodes.size(); ++i)
        if (kIntervalCodes[i] == code)
            return int(i);
    return -1;
}

std::int64_t samplingIntervalNs(std::uint32_t code, int clockPeriodNs)
{
    const int index = std::max(intervalIndexOfCode(code), 0);
    std::int64_t interval = std::max(clockPeriodNs, 1) * kIntervalSteps[std::size_t(index % 3)];
    for (int i = 0; i < index / 3; ++i)
        interval *= 10;
    return interval;
}

TriggerPlace decodeTriggerPosition(std::uint32_t word, const ModuleDescriptor& module, int dataCount)
{
    const bool randomWord = module.kind == 5 && (module.subKind == 3 || module.subKind == 4);
    const PositionCodes& codes = !randomWord ? kPlainPositions
        : dataCount == 1024                 ? kRandomPositions1024
                                            : kRandomPositionsOther;
    const std::uint32_t value = word & codes.mask;
    if (value == codes.left)
        return TriggerPlace::Left;
    if (value == codes.centre)
        return TriggerPlace::Centre;
    if (value == codes.right)
        return TriggerPlace::Right;
    return codes.otherwise;
}

int triggerIndexOf(TriggerPlace place, int dataCount)
{
    switch (place) {
    case TriggerPlace::Centre: return dataCount / 2;
    case TriggerPlace::Right: return std::max(dataCount - 1, 0);
    case TriggerPlace::Left: break;
    }
    return 0;
}

bool TriggerMasks::matches(std::uint64_t previous, std::uint64_t current) const
{
    if (((current ^ levelValue) & levelCare) != 0)
        return false;
    if ((rising | falling) == 0)
        return true;
    const std::uint64_t up = ~previous & current & rising;
    const std::uint64_t down = previous & ~current & falling;
    return (up | down) != 0;
}

TriggerMasks TriggerMasks::limitedTo(std::uint64_t channelMask) const
{
    return {rising & channelMask, falling & channelMask, levelValue & channelMask, levelCare & channelMask};
}

ModeTraits modeTraitsOf(std::string_view configuration, int deviceType)
{
    ModeTraits traits;
    if (configuration.empty())
        return traits;
    if (configuration.starts_with("TEST-") || contains(configuration, "loop_back")) {
        traits.analyzerClockPeriodNs = kOtherLoopBackPeriod;
        for (const PeriodByType& row : kLoopBackPeriods)
            if (deviceType >= 0 && deviceType < 16 && (row.types >> deviceType & 1u) != 0)
                traits.analyzerClockPeriodNs = row.periodNs;
    } else {
        for (const PeriodByName& row : kPeriodsByName) {
            if (contains(configuration, row.part)) {
                traits.analyzerClockPeriodNs = row.periodNs;
                break;
            }
        }
    }
    // The base names carry the channel text of their mode ("16ch", "32ch").
    const bool wide = ((deviceType == 7 || deviceType == 8) && contains(configuration, "16ch"))
        || (deviceType >= 10 && contains(configuration, "32ch"));
    traits.startupSamples = wide ? 97 : 96;
    return traits;
}

int analyzerDataCount(const ModuleDescriptor& module)
{
    if (module.has(kCompressed))
        return module.depth();
    return module.depth() - (module.has(kTrimBlock) ? 129 : 0) - (module.has(kTrimOne) ? 1 : 0);
}

Sampler::Sampler(const SignalSource* source, std::int64_t startNs, std::int64_t intervalNs, int channelOffset,
                 int channelCount)
    : m_source(source)
    , m_start(startNs)
    , m_interval(std::max<std::int64_t>(intervalNs, 1))
    , m_offset(channelOffset & 63)
    , m_mask(channelCount >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << channelCount) - 1)
    , m_walk(source, std::rotl(m_mask, m_offset))
{
}

std::int64_t Sampler::firstAtOrAfter(std::int64_t timeNs) const
{
    if (timeNs >= kNever / 2)
        return kNoSample;
    return floorDiv(timeNs - m_start + m_interval - 1, m_interval);
}

std::uint64_t Sampler::at(std::int64_t k) const
{
    if (!m_source)
        return 0;
    return std::rotr(m_walk.levels(timeOf(k)), m_offset) & m_mask;
}

std::int64_t Sampler::nextCandidate(std::int64_t k, std::uint64_t channels) const
{
    const std::uint64_t wanted = std::rotl(channels & m_mask, m_offset);
    if (!m_source || wanted == 0)
        return kNoSample;
    m_walk.levels(timeOf(k));
    const std::int64_t change = m_walk.nextChange(wanted);
    if (change == kNever)
        return kNoSample;
    return std::max(firstAtOrAfter(change), k + 1);
}

void Sampler::fill(std::int64_t first, std::span<std::uint64_t> out) const
{
    std::fill(out.begin(), out.end(), std::uint64_t(0));
    if (!m_source || out.empty())
        return;
    const int parts = m_source->partCount();
    const std::uint64_t wanted = std::rotl(m_mask, m_offset);
    if (parts > SignalWalk::kMaxParts) {
        fillPart(-1, wanted, first, out);
        return;
    }
    // Each part on its own: a slow signal costs its few transitions even while a fast clock
    // changes at every sample, and a fast one with a short period is sampled for one period
    // and repeated.
    std::array<std::uint64_t, kPatternSamples> pattern;
    for (int part = 0; part < parts; ++part) {
        const std::uint64_t mine = m_source->partChannels(part) & wanted;
        if (mine == 0)
            continue;
        const std::int64_t period = m_source->partPeriod(part);
        const std::int64_t cycle = period > 0 ? period / std::gcd(period, m_interval) : 0;
        if (cycle <= 0 || cycle > kPatternSamples || cycle * 4 > std::int64_t(out.size())) {
            fillPart(part, mine, first, out);
            continue;
        }
        const std::span<std::uint64_t> one(pattern.data(), std::size_t(cycle));
        std::fill(one.begin(), one.end(), std::uint64_t(0));
        fillPart(part, mine, first, one);
        std::size_t at = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] |= one[at];
            if (++at == one.size())
                at = 0;
        }
    }
}

void Sampler::fillPart(int part, std::uint64_t mine, std::int64_t first, std::span<std::uint64_t> out) const
{
    std::size_t i = 0;
    std::int64_t k = first;
    while (i < out.size()) {
        const std::int64_t t = timeOf(k);
        const std::uint64_t raw = part < 0 ? m_source->levels(t) : m_source->partLevels(part, t);
        const std::uint64_t value = std::rotr(raw & mine, m_offset) & m_mask;
        const std::int64_t change = part < 0 ? m_source->nextChange(t, mine) : m_source->partNextChange(part, t, mine);
        const std::int64_t next = change == kNever ? kNoSample : std::max(firstAtOrAfter(change), k + 1);
        const std::size_t run = std::size_t(std::min<std::int64_t>(next - k, std::int64_t(out.size() - i)));
        if (value != 0)
            for (std::size_t j = 0; j < run; ++j)
                out[i + j] |= value;
        i += run;
        k += std::int64_t(run);
    }
}

std::int64_t Sampler::findTrigger(std::int64_t from, const TriggerMasks& masks, std::int64_t budget) const
{
    const std::uint64_t watched = masks.channels() & m_mask;
    if (watched == 0)
        return from;
    std::uint64_t previous = at(from - 1);
    std::int64_t k = from;
    for (std::int64_t step = 0; step < budget; ++step) {
        const std::uint64_t current = at(k);
        if (masks.matches(previous, current))
            return k;
        // Until the next candidate the watched channels keep their levels: no edge, no new level.
        const std::int64_t next = nextCandidate(k, watched);
        if (next >= kNoSample)
            return -1;
        previous = current;
        k = next;
    }
    return -1;
}

Acquisition::Acquisition(const CaptureShape& shape)
    : m_shape(shape)
{
    if (shape.compressed) {
        m_runs = ZeroedArray<SampleRun>(std::size_t(shape.positions));
        m_scratch = ZeroedArray<SampleRun>(std::size_t(shape.positions));
    } else {
        m_positions = ZeroedArray<std::uint64_t>(std::size_t(shape.positions));
    }
}

void Acquisition::clear()
{
    m_started = false;
    m_armed = false;
    m_stopped = false;
    m_triggerSample = -1;
    m_endNs = kNever;
    m_armedRuns = 0;
    ++m_serial;
}

void Acquisition::start(const SignalSource* source, std::int64_t nowNs, const RunSettings& settings)
{
    clear();
    m_started = true;
    m_settings = settings;
    m_sampler = Sampler(source, nowNs, settings.intervalNs, settings.channelOffset, m_shape.channelCount);
    m_stopHoldNs = 4 * m_sampler.intervalNs();
    if (m_shape.armsAtStart)
        arm(nowNs);
}

void Acquisition::arm(std::int64_t nowNs)
{
    if (!m_started || m_stopped || m_armed)
        return;
    m_armed = true;
    m_armSample = m_sampler.firstAtOrAfter(nowNs);
    ++m_serial;
    if (m_shape.samplingEnable || m_shape.edgeSampling)
        armKept();
    else if (m_shape.compressed)
        armRecords();
    else
        armBitPlanes();
}

void Acquisition::stop(std::int64_t nowNs)
{
    if (!m_started)
        m_stopHoldNs = 4 * m_settings.intervalNs;
    if (!m_stopped) {
        m_stopped = true;
        m_stopNs = nowNs;
    }
    ++m_serial;
}

bool Acquisition::running(std::int64_t nowNs) const
{
    return m_started && !m_stopped && nowNs < m_endNs;
}

bool Acquisition::stopping(std::int64_t nowNs) const
{
    return m_stopped && nowNs < m_stopNs + std::max<std::int64_t>(m_stopHoldNs, 1);
}

std::int64_t Acquisition::cutNs(std::int64_t nowNs) const
{
    return std::min(m_stopped ? m_stopNs : nowNs, m_endNs);
}

void Acquisition::armBitPlanes()
{
    m_triggerSample = m_sampler.findTrigger(m_armSample, m_settings.masks.limitedTo(m_sampler.channelMask()), kSearchBudget);
    if (m_triggerSample < 0)
        return;
    const int position = triggerIndexOf(m_settings.place, m_shape.dataCount);
    m_windowFirst = m_triggerSample - position - m_settings.startupSamples;
    m_endNs = m_sampler.timeOf(m_windowFirst + shownPositions());
}

std::int64_t Acquisition::shownPositions() const
{
    return std::min<std::int64_t>(m_settings.startupSamples + std::int64_t(m_shape.dataCount), m_shape.positions);
}

void Acquisition::armKept()
{
    // Overwriting captures run until they are stopped.
    if (m_settings.overwrite)
        return;
    std::int64_t last = -1;
    const std::int64_t kept = collectKept(m_armSample, kNoSample - 1, 0, shownPositions(), nullptr, &last);
    if (kept == shownPositions())
        m_endNs = m_sampler.timeOf(last + 1);
}

std::int64_t Acquisition::collectKept(std::int64_t from, std::int64_t until, std::int64_t skip, std::int64_t count,
                                      std::uint64_t* out, std::int64_t* lastIndex) const
{
    std::int64_t seen = 0;
    std::int64_t written = 0;
    std::int64_t k = from;
    const std::uint64_t all = m_sampler.channelMask();
    if (m_shape.samplingEnable) {
        for (std::int64_t step = 0; k < until && written < count && step < kSearchBudget; ++step) {
            const std::uint64_t value = m_sampler.at(k);
            const std::int64_t end = std::min(m_sampler.nextCandidate(k, all), until);
            if ((value & 1u) != 0) {
                const std::int64_t run = end - k;
                const std::int64_t skipHere = std::clamp<std::int64_t>(skip - seen, 0, run);
                const std::int64_t take = std::min(run - skipHere, count - written);
                if (out)
                    std::fill_n(out + written, take, value);
                written += take;
                seen += run;
                if (take > 0 && lastIndex)
                    *lastIndex = k + skipHere + take - 1;
            }
            k = end;
        }
        return written;
    }
    // Edge sampling: a sample where channel 0 rose since the sample before, or that sample
    // before; channel 0 is stored high, as the clock that took it.
    bool previousHigh = (m_sampler.at(from - 1) & 1u) != 0;
    for (std::int64_t step = 0; k < until && written < count && step < kSearchBudget; ++step) {
        const std::uint64_t value = m_sampler.at(k);
        const bool high = (value & 1u) != 0;
        if (high && !previousHigh) {
            if (seen >= skip) {
                if (out)
                    out[written] = m_settings.sampleBeforeEdge ? m_sampler.at(k - 1) | 1u : value;
                ++written;
                if (lastIndex)
                    *lastIndex = k;
            }
            ++seen;
        }
        previousHigh = high;
        k = m_sampler.nextCandidate(k, 1u);
    }
    return written;
}

const PositionImage& Acquisition::positionsAt(std::int64_t nowNs)
{
    const std::int64_t cut = cutNs(nowNs);
    if (m_imageSerial == m_serial && m_imageCut == cut)
        return m_positionImage;
    m_imageSerial = m_serial;
    m_imageCut = cut;

    PositionImage image;
    image.positions = m_positions;
    std::fill(m_positions.begin(), m_positions.end(), std::uint64_t(0));
    const std::int64_t until = m_sampler.firstAtOrAfter(cut);
    // The start-up samples and the samples shown are the last ones before the cut; at a natural
    // end that is the window around the trigger. Positions after them are not shown.
    const std::int64_t size = shownPositions();
    if (!m_started) {
        // Nothing captured since the memory was cleared.
    } else if (!m_shape.samplingEnable && !m_shape.edgeSampling) {
        image.firstSample = until - size;
        image.kept = size;
        image.triggerSeen = m_triggerSample >= 0 && m_sampler.timeOf(m_triggerSample) < cut;
        m_sampler.fill(image.firstSample, m_positions);
    } else if (m_armed && !m_settings.overwrite) {
        image.kept = collectKept(m_armSample, until, 0, size, m_positions.data(), nullptr);
    } else if (m_armed) {
        // The ring of an overwriting capture: the last samples kept before the cut.
        std::int64_t span = 2 * size;
        std::int64_t from = 0;
        std::int64_t total = 0;
        for (;;) {
            from = std::max(m_armSample, until - span);
            total = collectKept(from, until, 0, std::numeric_limits<std::int64_t>::max(), nullptr, nullptr);
            if (total >= size || from == m_armSample || span > (kNoSample >> 2))
                break;
            span *= 2;
        }
        image.kept = collectKept(from, until, std::max<std::int64_t>(total - size, 0), size, m_positions.data(), nullptr);
    }
    m_positionImage = image;
    return m_positionImage;
}

std::int64_t Acquisition::recordsAfterTrigger() const
{
    // Entries written after the trigger's: the trigger stays near the front, the middle or the
    // end of what the host shows; modules that drop their newest 128 entries write them on top.
    const std::int64_t n = m_shape.positions;
    switch (m_settings.place) {
    case TriggerPlace::Left: return n - 17;
    case TriggerPlace::Centre: return m_shape.trimBlock ? n / 2 + 64 : n / 2;
    case TriggerPlace::Right: return m_shape.trimBlock ? 145 : 16;
    }
    return n / 2;
}

std::int64_t Acquisition::writeRuns(std::int64_t from, std::int64_t until, std::int64_t maxRuns,
                                    std::span<const std::int64_t> splits, std::span<SampleRun> ring) const
{
    const std::uint64_t mask = m_sampler.channelMask();
    const std::size_t size = ring.size();
    std::int64_t written = 0;
    std::int64_t k = from;
    while (k < until && written < maxRuns) {
        const std::uint64_t value = m_sampler.at(k);
        const std::int64_t start = k;
        std::int64_t limit = std::min(until, start + kRunLimit);
        for (std::int64_t split : splits)
            if (split > start)
                limit = std::min(limit, split);
        std::int64_t j = start + 1;
        while (j < limit) {
            const std::int64_t candidate = m_sampler.nextCandidate(j - 1, mask);
            if (candidate >= limit) {
                j = limit;
                break;
            }
            j = candidate;
            if (m_sampler.at(j) != value)
                break;
            ++j;
        }
        ring[std::size_t(written) % size] = {value, start, int(j - start)};
        ++written;
        k = j;
    }
    return written;
}

std::int64_t Acquisition::lastRunsBefore(std::int64_t until, std::int64_t count, std::int64_t* written)
{
    *written = 0;
    if (count <= 0 || until <= 0)
        return 0;
    const std::int64_t size = std::int64_t(m_scratch.size());
    std::int64_t span = std::max<std::int64_t>(count, 1024);
    std::int64_t from = 0;
    std::int64_t n = 0;
    for (;;) {
        from = std::max<std::int64_t>(0, until - span);
        n = writeRuns(from, until, std::numeric_limits<std::int64_t>::max(), {}, std::span<SampleRun>(m_scratch));
        // From a point inside the history the first run may be cut: it only counts when more
        // than `count` runs were found.
        if (from == 0 || n > count)
            break;
        span *= 2;
    }
    // Records before `from` were written too; their number is not needed beyond the pointer
    // arithmetic, which only sees it modulo the memory size.
    *written = from == 0 ? n : n + from;
    if (n > size)
        std::rotate(m_scratch.begin(), m_scratch.begin() + std::ptrdiff_t(n % size), m_scratch.end());
    const std::int64_t held = std::min(n, size);
    const std::int64_t keep = std::min(held, count);
    std::copy(m_scratch.begin() + std::ptrdiff_t(held - keep), m_scratch.begin() + std::ptrdiff_t(held), m_scratch.begin());
    return keep;
}

void Acquisition::armRecords()
{
    m_triggerSample = m_sampler.findTrigger(m_armSample, m_settings.masks.limitedTo(m_sampler.channelMask()), kSearchBudget);
    if (m_triggerSample < 0)
        return;
    const std::int64_t n = m_shape.positions;
    const std::int64_t after = recordsAfterTrigger();
    std::int64_t writtenBefore = 0;
    const std::int64_t before = lastRunsBefore(m_triggerSample, n - 1 - after, &writtenBefore);
    std::copy_n(m_scratch.begin(), before, m_runs.begin());

    // The trigger sample opens an entry of its own. When that entry holds the trigger sample
    // alone, the pointer names the one after it, which then is one sample long as well: the
    // host steps back over a one-sample entry to reach the trigger.
    const std::span<SampleRun> rest = std::span<SampleRun>(m_runs).subspan(std::size_t(before));
    writeRuns(m_triggerSample, kNoSample - 1, 1, {}, rest.first(1));
    const int triggerLength = rest[0].length;
    const std::array<std::int64_t, 1> split = {m_triggerSample + 2};
    const std::int64_t later = writeRuns(m_triggerSample + triggerLength, kNoSample - 1, after,
                                         triggerLength == 1 ? std::span<const std::int64_t>(split) : std::span<const std::int64_t>(),
                                         rest.subspan(1, std::size_t(after)));
    m_armedRuns = before + 1 + later;
    m_armedWritten = writtenBefore + 1 + later;
    m_armedTriggerRun = before;
    m_armedPointerRun = triggerLength == 1 ? before + 1 : before;
    const SampleRun& last = m_runs[std::size_t(m_armedRuns - 1)];
    m_endNs = m_sampler.timeOf(last.start + last.length);
}

const RecordImage& Acquisition::recordsAt(std::int64_t nowNs)
{
    const std::int64_t cut = cutNs(nowNs);
    if (m_imageSerial == m_serial && m_imageCut == cut)
        return m_recordImage;
    m_imageSerial = m_serial;
    m_imageCut = cut;

    RecordImage image;
    if (m_started) {
        const std::int64_t until = m_sampler.firstAtOrAfter(cut);
        if (m_armedRuns > 0 && m_sampler.timeOf(m_triggerSample) < cut) {
            const auto end = std::partition_point(m_runs.begin(), m_runs.begin() + std::ptrdiff_t(m_armedRuns),
                                                  [&](const SampleRun& r) { return r.start < until; });
            const std::int64_t count = end - m_runs.begin();
            const SampleRun& last = m_runs[std::size_t(count - 1)];
            image.runs = std::span<const SampleRun>(m_runs).first(std::size_t(count));
            image.lastLength = int(std::min<std::int64_t>(last.length, until - last.start));
            image.written = m_armedWritten - (m_armedRuns - count);
            image.triggerRun = m_armedTriggerRun;
            image.pointerRun = m_armedPointerRun < count ? m_armedPointerRun : -1;
        } else {
            std::int64_t written = 0;
            const std::int64_t count = lastRunsBefore(until, m_shape.positions, &written);
            image.runs = std::span<const SampleRun>(m_scratch).first(std::size_t(count));
            image.lastLength = count > 0 ? m_scratch[std::size_t(count - 1)].length : 0;
            image.written = written;
        }
    }
    m_recordImage = image;
    return m_recordImage;
}

} // namespace seiran::sim
