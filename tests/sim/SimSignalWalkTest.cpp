// Sampling follows the signals' transitions: a walk through a capture asks each part of the
// source again only where that part changes, and what it gives is exactly what the source says.

#include "SimCapture.h"
#include "SimSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

using namespace seiran::sim;

namespace {

// Two independent parts: a fast clock on channel 0 (toggles every 10 ns) and a slow one on
// channel 1 (every 100 us). Counts how often each part is evaluated.
class CountingSource final : public SignalSource {
public:
    static constexpr std::int64_t kFastHalf = 10;
    static constexpr std::int64_t kSlowHalf = 100000;

    std::uint64_t levels(std::int64_t t) const override { return partLevels(0, t) | partLevels(1, t); }
    std::int64_t nextChange(std::int64_t t, std::uint64_t channels) const override
    {
        std::int64_t next = kNever;
        if (channels & 1u)
            next = std::min(next, partNextChange(0, t, 1u));
        if (channels & 2u)
            next = std::min(next, partNextChange(1, t, 2u));
        return next;
    }
    int partCount() const override { return 2; }
    std::uint64_t partChannels(int part) const override { return part == 0 ? 1u : 2u; }
    std::uint64_t partLevels(int part, std::int64_t t) const override
    {
        ++evaluations[std::size_t(part)];
        const std::int64_t half = part == 0 ? kFastHalf : kSlowHalf;
        return ((t / half) & 1) ? partChannels(part) : 0;
    }
    std::int64_t partNextChange(int part, std::int64_t t, std::uint64_t) const override
    {
        const std::int64_t half = part == 0 ? kFastHalf : kSlowHalf;
        return (t / half + 1) * half;
    }
    mutable std::array<long, 2> evaluations{};
};

TEST(SimSignalWalk, FillCostsEachPartItsOwnTransitions)
{
    CountingSource source;
    const Sampler sampler(&source, 0, 10, 0, 2);
    std::vector<std::uint64_t> out(200000);
    sampler.fill(0, out);

    // Exact: sample k at 10k ns.
    for (std::size_t k = 0; k < out.size(); k += 997) {
        const std::int64_t t = std::int64_t(k) * 10;
        const std::uint64_t want = ((t / 10) & 1 ? 1u : 0u) | ((t / 100000) & 1 ? 2u : 0u);
        ASSERT_EQ(out[k], want) << "sample " << k;
    }
    // The slow part changes 20 times in 2 ms: asking it at every fast edge would be 200000 times.
    EXPECT_LE(source.evaluations[1], 25);
}

TEST(SimSignalWalk, WalkAgreesWithTheSourceForwardsAndBackwards)
{
    const SignalSource& testSource = testSignals();
    SignalWalk walk(&testSource, ~std::uint64_t(0));
    // Forwards through uneven steps, then back again.
    std::vector<std::int64_t> times;
    for (std::int64_t t = -5000; t < 3000000; t += 37 + (t % 13 == 0 ? 40000 : 0))
        times.push_back(t);
    for (std::int64_t t : {2500000, 17, -3, 1000000, 999999})
        times.push_back(t);
    for (std::int64_t t : times) {
        ASSERT_EQ(walk.levels(t), testSource.levels(t)) << "at " << t << " ns";
        // Never late: until the answer, nothing of the asked channels changes.
        const std::uint64_t asked = 0x00FF00F0u;
        const std::int64_t next = walk.nextChange(asked);
        ASSERT_GT(next, t);
        const std::int64_t probe = std::min(next - 1, t + 5000);
        ASSERT_EQ(testSource.levels(probe) & asked, testSource.levels(t) & asked) << "changed before " << next;
    }
}

} // namespace
