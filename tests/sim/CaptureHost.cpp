#include "CaptureHost.h"

#include "CommandCodes.h"
#include "SimulatedInstrument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace seiran::sim::wire {

namespace {

std::uint64_t widthMask(int width)
{
    return width >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << width) - 1;
}

// Planes first .. first + width - 1 of memory entry `index`; planes that do not exist read 0.
std::uint64_t planes(const std::vector<std::uint64_t>& memory, std::int64_t index, int first, int width)
{
    if (index < 0 || index >= std::int64_t(memory.size()) || first + width > 64)
        return 0;
    return memory[std::size_t(index)] >> first & widthMask(width);
}

// The TrimOne order: odd s from X at s div 2 and even s from Y one back, or odd s from Y and even
// s from X at s div 2.
std::uint64_t trimOneOrder(const std::vector<std::uint64_t>& memory, std::int64_t s, bool xFirst, int cc)
{
    if (xFirst)
        return s % 2 == 1 ? planes(memory, s / 2, 0, cc) : planes(memory, s / 2 - 1, cc, cc);
    return s % 2 == 1 ? planes(memory, s / 2, cc, cc) : planes(memory, s / 2, 0, cc);
}

// The TrimBlock order over two banks of `width` planes.
std::uint64_t trimBlockOrder(const std::vector<std::uint64_t>& memory, std::int64_t s, bool bit6, int width)
{
    if (bit6)
        return s % 2 == 1 ? planes(memory, s / 2, width, width) : planes(memory, s / 2 - 1, 0, width);
    return s % 2 == 1 ? planes(memory, s / 2, 0, width) : planes(memory, s / 2, width, width);
}

struct Raw {
    std::vector<std::uint64_t> values;
    std::vector<std::uint32_t> counts;
    void put(std::int64_t index, std::uint64_t value, std::uint32_t count)
    {
        if (index >= std::int64_t(values.size())) {
            values.resize(std::size_t(index) + 1, 0);
            counts.resize(std::size_t(index) + 1, 0);
        }
        values[std::size_t(index)] = value;
        counts[std::size_t(index)] = count & 0xFF;
    }
};

void putSample(std::vector<std::uint64_t>& memory, std::int64_t index, std::uint64_t value)
{
    if (index >= std::int64_t(memory.size()))
        memory.resize(std::size_t(index) + 1, 0);
    memory[std::size_t(index)] = value;
}

// Configurations whose hardware mode text holds "16ch" (types 7, 8) or "32ch" (types 10 to 13).
const std::set<std::string>& wideModes()
{
    static const std::set<std::string> names = {
        "TK-B3_100m16ch32k", "TK-B3_100m16ch256k", "TK-B3_ExtClk16ch32k", "TK-B3_ExtClk16ch256k",
        "TK-B4_100m16ch32k", "TK-B4_100m16ch256k", "TK-B4_ExtClk16ch32k", "TK-B4_ExtClk16ch256k",
        "TK-C1_100m32ch32k", "TK-C1_100m32ch256k", "TK-C2_100m32ch32k", "TK-C2_100m32ch256k",
        "TK-C4_100m32ch32k", "TK-C4_100m32ch256k",
    };
    return names;
}

} // namespace

Rig::Rig(int deviceType, const std::string& name)
    : type(deviceType)
    , configuration(name)
{
    sim = makeSimulatedInstrument(type, &clock);
    host = std::make_unique<WireHost>(*sim);
    const DataFormat format = type <= 5 ? DataFormat::Line : type <= 9 ? DataFormat::OlderBlocks : DataFormat::NewerBlocks;
    host->beginConfiguration();
    run(*host, planDownload(loadCellFile(name), format, host->newer()));
    EXPECT_TRUE(host->confDone()) << name;
}

SimAnalyzerModule& Rig::analyzer(int slot) const
{
    SimAnalyzerModule* module = simulatedAnalyzer(*sim, slot);
    EXPECT_NE(module, nullptr) << configuration << " slot " << slot;
    return *module;
}

int hostStartupSamples(int type, const std::string& configuration, const ModuleDescriptor& module, int dataCount)
{
    if (module.has(kCompressed) || dataCount <= 32000)
        return 0;
    const bool wide = wideModes().count(configuration) != 0;
    return wide && (type == 7 || type == 8 || type >= 10) ? 97 : 96;
}

void startCapture(Rig& rig, int slot, const CaptureRequest& r)
{
    WireHost& h = *rig.host;
    const ModuleDescriptor& d = rig.analyzer(slot).descriptor();
    const bool kept = d.has(kSamplingEnable) || d.has(kEdgeSampling);
    h.send(slot, cmd::kSamplingInterval, {r.intervalCode, 0});
    h.send(slot, cmd::kTriggerPosition, {r.positionWord, 0});
    const std::pair<int, std::uint64_t> masks[] = {{cmd::kTriggerRising, r.rising},
                                                   {cmd::kTriggerFalling, r.falling},
                                                   {cmd::kTriggerLevelValue, r.levelValue},
                                                   {cmd::kTriggerLevelCare, r.levelCare}};
    for (const auto& [code, mask] : masks)
        h.send(slot, code, {std::uint32_t(mask), std::uint32_t(mask >> 32)});
    if (kept)
        h.send(slot, cmd::kRunMode, {r.runMode, 0});
    if (d.has(kEdgeSampling))
        h.send(slot, cmd::kSamplingEdge, {r.samplingEdge, 0});
    if (d.bankCount > 1)
        h.send(slot, cmd::kInputGroup, {r.inputGroup, 0});
    if (kept || d.has(kCompressed)) {
        h.send(slot, cmd::kPreStart, {0, 0});
        rig.clock.advance(5);
        h.send(slot, cmd::kPreStartFollow, {0, 0});
    }
    const bool randomWord = d.kind == 5 && (d.subKind == 3 || d.subKind == 4);
    h.send(slot, cmd::kStartCapture, {randomWord ? r.positionWord : 0, 0});
    if (!r.sendArm || d.kind <= 3)
        return;
    if (!kept)
        rig.clock.advance(r.armAfterMs);
    h.send(slot, cmd::kArmTrigger, {0, 0});
}

std::uint32_t readStatus(Rig& rig, int slot)
{
    const int bytes = slot >= 8 && rig.type >= 6 && rig.type <= 9 ? 4 : 8;
    return wordAt(rig.host->receive(slot, cmd::kModuleStatus, bytes), 0);
}

std::uint32_t waitForEnd(Rig& rig, int slot, int limitMs)
{
    for (int waited = 0;; waited += 200) {
        const std::uint32_t status = readStatus(rig, slot);
        if ((status & 1u) == 0)
            return status;
        if (waited >= limitMs) {
            ADD_FAILURE() << "capture still running after " << limitMs << " ms";
            return status;
        }
        rig.clock.advance(200);
    }
}

std::uint32_t capture(Rig& rig, int slot, const CaptureRequest& request)
{
    startCapture(rig, slot, request);
    return waitForEnd(rig, slot);
}

HostCapture transfer(Rig& rig, int slot, std::uint32_t status)
{
    WireHost& h = *rig.host;
    const SimAnalyzerModule& m = rig.analyzer(slot);
    const ModuleDescriptor& d = m.descriptor();
    const int type = rig.type;
    const bool builtIn = slot >= 8;
    const int level = rig.sim->statusBlock()[2];
    const int dc = m.dataCount();
    const int cc = d.channelCount();
    const bool compressed = d.has(kCompressed);
    const bool one = d.has(kTrimOne);
    const bool block = d.has(kTrimBlock);
    const bool quads = compressed && cc == 64;

    int units = dc / 8;
    if (type >= 10)
        units = block && one ? (dc + 130) / 64 : block ? (dc + 129) / 32 : dc / 8;
    else if ((type == 6 || type == 9) && builtIn)
        units = dc / 16;
    else if ((type == 7 || type == 8) && builtIn && block)
        units = one ? (dc + 130) / 64 : (dc + 129) / 32;
    else if (type == 5 && builtIn && one)
        units = (dc + 1) / 16;

    HostCapture out;
    if (compressed) {
        if (type >= 10 && block)
            for (int i = 0; i < 8; ++i)
                h.receive(slot, cmd::kCapturedEntries, 8);
        if (!(type >= 6 && type <= 9 && level <= 2)) {
            const auto p = h.receive(slot, cmd::kPointerWord, 8);
            out.pointerWord0 = wordAt(p, 0);
            out.pointerWord1 = wordAt(p, 1);
        }
    }
    if (block)
        h.send(slot, cmd::kPrepareTrimmedRead, {0, 0});

    std::vector<std::uint64_t> memory; // entry i, bit c = plane c
    Raw raw;
    if (type >= 10 && builtIn) {
        int k = 0;
        for (int i = 0; i < 8; ++i) {
            const std::uint32_t s = wordAt(h.receive(slot, cmd::kModuleStatus, 8), 0);
            if (compressed ? (s & 0x80) != 0 : (s >> 8 & 7) == 0)
                break;
            const auto e = h.receive(slot, cmd::kCapturedEntries, 8);
            if (compressed) {
                raw.put(2 * k, wordAt(e, 0) & 0xFFFF, wordAt(e, 0) >> 16);
                raw.put(2 * k + 1, wordAt(e, 1) & 0xFFFF, wordAt(e, 1) >> 16);
            } else {
                putSample(memory, k, wordAt(e, 0) | std::uint64_t(wordAt(e, 1)) << 32);
            }
            ++k;
        }
        for (int b = 0; b < units / 16; ++b) {
            const auto blk = h.receive(slot, cmd::kMemoryBlock, 2048);
            for (int j = 0; j < 512; ++j) {
                if (compressed)
                    raw.put(512 * b + 2 * k + j, wordAt(blk, std::size_t(j)) & 0xFFFF, wordAt(blk, std::size_t(j)) >> 16);
                else if (j < 256)
                    putSample(memory, 256 * b + k + j,
                              wordAt(blk, std::size_t(2 * j)) | std::uint64_t(wordAt(blk, std::size_t(2 * j + 1))) << 32);
            }
        }
    } else if (type >= 6 && type <= 9 && level >= 2) {
        const int blocks = (units - 1) / 32 + 1;
        for (int b = 0; b < blocks; ++b) {
            if (quads) {
                for (int half = 0; half < 2; ++half) {
                    const auto blk = h.receive(slot, cmd::kMemoryBlock, 2048);
                    for (int j = 0; j < 128; ++j)
                        raw.put(256 * b + 128 * half + j,
                                wordAt(blk, std::size_t(4 * j)) | std::uint64_t(wordAt(blk, std::size_t(4 * j + 1))) << 32,
                                wordAt(blk, std::size_t(4 * j + 2)));
                }
                continue;
            }
            const auto blk = h.receive(slot, cmd::kMemoryBlock, 2048);
            for (int j = 0; j < 512; ++j) {
                if (builtIn)
                    putSample(memory, 512 * b + j, wordAt(blk, std::size_t(j)));
                else if (j < 256 && !compressed)
                    putSample(memory, 256 * b + j, wordAt(blk, std::size_t(2 * j)));
                else if (j < 256)
                    raw.put(256 * b + j, wordAt(blk, std::size_t(2 * j)), wordAt(blk, std::size_t(2 * j + 1)));
            }
        }
    } else if (type >= 6 && type <= 9 && builtIn) {
        for (int u = 0; u < units; ++u) {
            const auto r = h.receive(slot, cmd::kCapturedEntries, 64);
            for (int j = 0; j < 16; ++j)
                putSample(memory, 16 * u + j, wordAt(r, std::size_t(j)));
        }
    } else {
        for (int u = 0; u < units; ++u) {
            if (type >= 10) {
                for (int e = 0; e < 8; ++e) {
                    const auto r = h.receive(slot, cmd::kCapturedEntries, 8);
                    if (quads) {
                        const auto second = h.receive(slot, cmd::kCapturedEntries, 8);
                        raw.put(8 * u + e, wordAt(r, 0) | std::uint64_t(wordAt(r, 1)) << 32, wordAt(second, 0));
                    } else if (compressed) {
                        raw.put(8 * u + e, wordAt(r, 0), wordAt(r, 1));
                    } else {
                        putSample(memory, 8 * u + e, wordAt(r, 0));
                    }
                }
                continue;
            }
            const auto r = h.receive(slot, cmd::kCapturedEntries, 64);
            if (quads) {
                const auto second = h.receive(slot, cmd::kCapturedEntries, 64);
                for (int e = 0; e < 8; ++e) {
                    const auto& from = e < 4 ? r : second;
                    const std::size_t at = std::size_t(4 * (e % 4));
                    raw.put(8 * u + e, wordAt(from, at) | std::uint64_t(wordAt(from, at + 1)) << 32, wordAt(from, at + 2));
                }
                continue;
            }
            for (int e = 0; e < 8; ++e) {
                if (compressed)
                    raw.put(8 * u + e, wordAt(r, std::size_t(2 * e)), wordAt(r, std::size_t(2 * e + 1)));
                else
                    putSample(memory, 8 * u + e, wordAt(r, std::size_t(2 * e)));
            }
        }
    }

    if (compressed) {
        const std::int64_t n = dc;
        if (std::int64_t(raw.values.size()) < n) {
            raw.values.resize(std::size_t(n), 0);
            raw.counts.resize(std::size_t(n), 0);
        }
        out.triggerFound = (out.pointerWord1 >> 31) != 0;
        const std::int64_t p1 = out.pointerWord0;
        const std::int64_t p2 = (out.pointerWord1 & 0xFFFFFF) + (block ? 16 : 0);
        std::int64_t t = 0;
        if (out.triggerFound) {
            t = p2 >= p1 ? p2 - p1 : n - (p1 - p2);
            if (block && p1 % 2 == 1) {
                ++t;
                raw.counts[0] = 0;
            }
            if (t >= 0 && t < n && (raw.counts[std::size_t(t)] & 0x7F) == 0)
                --t;
        }
        std::int64_t leading = 0;
        while (leading < n && (raw.counts[std::size_t(leading)] & 0x80) == 0)
            ++leading;
        t -= leading;
        if (block)
            for (std::int64_t i = n - 128; i < n; ++i)
                raw.counts[std::size_t(i)] = 0;
        out.rawCounts.assign(raw.counts.begin(), raw.counts.begin() + n);
        std::int64_t start = 0;
        for (std::int64_t i = 0; i < n; ++i) {
            if ((raw.counts[std::size_t(i)] & 0x80) == 0)
                continue;
            if (out.triggerFound && std::int64_t(out.records.size()) == t)
                out.triggerSample = start;
            const int length = int(raw.counts[std::size_t(i)] & 0x7F) + 1;
            out.records.push_back({raw.values[std::size_t(i)] & widthMask(cc), length});
            start += length;
        }
        out.hasData = out.records.size() >= 2;
        return out;
    }

    const std::uint32_t s = status;
    const bool xFirst = (s & 0x04) != 0 || (s >> 3 & 3u) == 2;
    const bool bit6 = (s & 0x40) != 0;
    std::vector<std::uint64_t> bits(std::size_t(dc) + 129, 0); // output sample s at index s - 1
    if (one && block) {
        const std::int64_t stageOne = (std::int64_t(dc) + 130) / 2 - 1;
        std::vector<std::uint64_t> work(std::size_t(stageOne), 0);
        for (std::int64_t t = 1; t <= stageOne; ++t)
            work[std::size_t(t - 1)] = trimBlockOrder(memory, t, bit6, 2 * cc);
        for (std::int64_t t = 1; t <= dc + 128; ++t)
            bits[std::size_t(t - 1)] = trimOneOrder(work, t, xFirst, cc);
    } else if (block) {
        for (std::int64_t t = 1; t <= dc + 128; ++t)
            bits[std::size_t(t - 1)] = trimBlockOrder(memory, t, bit6, cc);
    } else if (one) {
        for (std::int64_t t = 1; t <= dc; ++t)
            bits[std::size_t(t - 1)] = trimOneOrder(memory, t, xFirst, cc);
    } else {
        for (std::int64_t t = 1; t <= dc; ++t)
            bits[std::size_t(t - 1)] = planes(memory, t - 1, 0, cc);
    }
    if (d.has(kSamplingEnable) || d.has(kEdgeSampling)) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < std::size_t(dc); ++i)
            if ((bits[i] & 1u) != 0)
                bits[kept++] = bits[i];
        std::fill(bits.begin() + std::ptrdiff_t(kept), bits.begin() + dc, 0);
    }
    const int shift = hostStartupSamples(type, rig.configuration, d, dc);
    out.samples.resize(std::size_t(dc));
    for (std::size_t i = 0; i < std::size_t(dc); ++i)
        out.samples[i] = i + std::size_t(shift) < bits.size() ? bits[i + std::size_t(shift)] : 0;
    out.hasData = true;
    return out;
}

} // namespace seiran::sim::wire
