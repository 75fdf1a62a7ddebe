#pragma once

// The memory rules read the plain way, one level and one entry at a time with sample numbers
// counted from 1, as the expected side of the transfer tests. Deliberately slow and literal: it
// shares nothing with the word-wise decoding it checks.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace seiran::transfertest {

// ---- bit planes

struct PlaneLayout {
    int channelCount = 16;
    int dataCount = 0;
    bool trimOne = false;
    bool trimBlock = false;
    std::uint32_t status = 0;
    bool pack = false;
    int shift = 0;
};

// What the page should show: sample words (bit c = channel c) for the indexes 0 to defined - 1;
// the rest lie outside what the memory rules fix.
struct ExpectedPlanes {
    std::vector<std::uint64_t> samples;
    int defined = 0;
};

// memory[i]: the 64 work planes at index i, as the read path delivered them.
inline ExpectedPlanes referencePlanes(const std::vector<std::uint64_t>& memory, const PlaneLayout& l)
{
    const int cc = l.channelCount;
    const int dc = l.dataCount;
    auto level = [](const std::vector<std::uint64_t>& planes, int plane, long index) -> std::uint64_t {
        if (plane < 0 || plane >= 64 || index < 0 || index >= long(planes.size()))
            return 0;
        return (planes[std::size_t(index)] >> plane) & 1U;
    };
    auto odd = [](int s) { return s % 2 == 1; };
    const bool trimOneXFirst = (l.status & 0x04) != 0 || ((l.status >> 3) & 3U) == 2U;
    const bool bit6 = (l.status & 0x40) != 0;

    // One output sample of the ModuleTrimOne order from banks of cc planes.
    auto trimOneSample = [&](const std::vector<std::uint64_t>& from, int s) {
        std::uint64_t w = 0;
        for (int c = 0; c < cc; ++c) {
            std::uint64_t v;
            if (trimOneXFirst)
                v = odd(s) ? level(from, c, s / 2) : level(from, cc + c, s / 2 - 1);
            else
                v = odd(s) ? level(from, cc + c, s / 2) : level(from, c, s / 2);
            w |= v << c;
        }
        return w;
    };

    std::vector<std::uint64_t> merged;
    if (l.trimBlock && l.trimOne) {
        std::vector<std::uint64_t> b;
        for (int s = 1; s <= (dc + 130) / 2 - 1; ++s) {
            std::uint64_t w = 0;
            for (int c = 0; c < 2 * cc; ++c) {
                std::uint64_t v;
                if (bit6)
                    v = odd(s) ? level(memory, 2 * cc + c, s / 2) : level(memory, c, s / 2 - 1);
                else
                    v = odd(s) ? level(memory, c, s / 2) : level(memory, 2 * cc + c, s / 2);
                w |= v << c;
            }
            b.push_back(w);
        }
        for (int s = 1; s <= dc + 128; ++s)
            merged.push_back(trimOneSample(b, s));
    } else if (l.trimBlock) {
        for (int s = 1; s <= dc + 128; ++s) {
            std::uint64_t w = 0;
            for (int c = 0; c < cc; ++c) {
                std::uint64_t v;
                if (bit6)
                    v = odd(s) ? level(memory, cc + c, s / 2) : level(memory, c, s / 2 - 1);
                else
                    v = odd(s) ? level(memory, c, s / 2) : level(memory, cc + c, s / 2);
                w |= v << c;
            }
            merged.push_back(w);
        }
    } else if (l.trimOne) {
        for (int s = 1; s <= dc; ++s)
            merged.push_back(trimOneSample(memory, s));
    } else {
        for (int s = 1; s <= dc; ++s) {
            std::uint64_t w = 0;
            for (int c = 0; c < cc; ++c)
                w |= level(memory, c, s - 1) << c;
            merged.push_back(w);
        }
    }

    ExpectedPlanes out;
    int known = int(merged.size());
    if (l.pack) {
        std::vector<std::uint64_t> packed;
        for (int i = 0; i < dc; ++i)
            if (merged[std::size_t(i)] & 1U)
                packed.push_back(merged[std::size_t(i)]);
        packed.resize(std::size_t(dc), 0);
        merged = packed;
        known = dc;
    }
    for (int s = 1; s <= dc; ++s)
        out.samples.push_back(s - 1 + l.shift < known ? merged[std::size_t(s - 1 + l.shift)] : 0);
    out.defined = std::clamp(known - l.shift, 0, dc);
    return out;
}

// ---- compressed captures

struct RawEntry {
    std::uint64_t value = 0;
    std::uint32_t count = 0; // bit 7 valid, bits 0-6 run length - 1
};

struct ExpectedRecord {
    std::uint64_t value;
    int run;
    std::int64_t start;
};

struct ExpectedList {
    bool hasData = false;
    std::vector<ExpectedRecord> records;
    std::int64_t sampleCount = 0;
    std::int64_t triggerSample = 0;
    std::vector<std::int64_t> relTime; // of every raw entry
};

// p2 with the 16 of ModuleTrimBlock modules already added.
inline ExpectedList referenceList(std::vector<RawEntry> raw, bool trimBlock, bool found, std::uint32_t p1, std::uint32_t p2)
{
    const long n = long(raw.size());
    auto valid = [&](long k) { return (raw[std::size_t(k)].count & 0x80) != 0; };
    auto run = [&](long k) { return long(raw[std::size_t(k)].count & 0x7F) + 1; };
    ExpectedList out;
    out.relTime.assign(std::size_t(n), 0);
    auto& rel = out.relTime;
    long t = 0;
    if (found) {
        t = p2 >= p1 ? long(p2) - long(p1) : n - (long(p1) - long(p2));
        if (trimBlock && p1 % 2 == 1) {
            t += 1;
            raw[0].count = 0;
        }
        if ((raw[std::size_t(t)].count & 0x7F) == 0)
            t -= 1;
        rel[std::size_t(t)] = 0;
        for (long k = t - 1; k >= 0; --k)
            rel[std::size_t(k)] = valid(k) ? rel[std::size_t(k + 1)] - run(k) : 0;
        for (long k = t + 1; k < n; ++k)
            rel[std::size_t(k)] = valid(k) ? rel[std::size_t(k - 1)] + run(k - 1) : 0;
    } else {
        for (long k = 1; k < n; ++k)
            rel[std::size_t(k)] = valid(k - 1) && valid(k) ? rel[std::size_t(k - 1)] + run(k - 1) : 0;
    }
    long leading = 0;
    while (leading < n && !valid(leading))
        ++leading;
    t -= leading;
    if (trimBlock)
        for (long k = std::max(0L, n - 128); k < n; ++k)
            raw[std::size_t(k)].count &= ~0x80U;
    std::int64_t start = 0;
    for (long k = 0; k < n; ++k) {
        if (!valid(k))
            continue;
        out.records.push_back({raw[std::size_t(k)].value, int(run(k)), start});
        start += run(k);
    }
    out.hasData = out.records.size() >= 2;
    out.sampleCount = start;
    if (found && out.hasData)
        out.triggerSample = t < long(out.records.size()) ? out.records[std::size_t(t)].start : start;
    return out;
}

// Valid entries with run lengths 1 to 128 and values of `bits` random channels.
inline std::vector<RawEntry> randomEntries(int n, int bits, std::uint32_t seed)
{
    std::mt19937_64 random(seed);
    std::vector<RawEntry> raw(static_cast<std::size_t>(n));
    const std::uint64_t mask = bits >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << bits) - 1U;
    for (RawEntry& e : raw) {
        e.value = random() & mask;
        e.count = 0x80U | std::uint32_t(random() % 128);
    }
    return raw;
}

inline std::vector<std::uint64_t> randomWords(int n, int bits, std::uint32_t seed)
{
    std::mt19937_64 random(seed);
    std::vector<std::uint64_t> words(static_cast<std::size_t>(n));
    const std::uint64_t mask = bits >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << bits) - 1U;
    for (std::uint64_t& w : words)
        w = random() & mask;
    return words;
}

} // namespace seiran::transfertest
