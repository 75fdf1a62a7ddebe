// The A-B measurement readout: edges, period, duty cycle of one channel, on bit planes and record
// lists alike, checked against a sample-by-sample count written out here.

#include "cursor/Measurement.h"

#include "view/PageState.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace seiran {
namespace {

// Levels of one channel, one entry a sample.
using Levels = std::vector<bool>;

// A clock of `period` samples, high for `high` samples from `phase` on.
Levels clockLevels(int samples, int period, int high, int phase)
{
    Levels l(std::size_t(samples), false);
    for (int s = 0; s < samples; ++s)
        l[std::size_t(s)] = ((s - phase) % period + period) % period < high;
    return l;
}

// Bit-plane page with the levels on `channel` and the inverse on channel 0 (so the measured
// channel is told apart from its neighbours).
std::unique_ptr<PageState> planePage(const Levels& levels, int channel)
{
    auto page = std::make_unique<PageState>();
    page->channelCount = 8;
    page->dataCount = int(levels.size());
    page->hasData = true;
    for (int s = 0; s < page->dataCount; ++s) {
        page->sampleBits.set(channel, s, levels[std::size_t(s)]);
        if (channel != 0)
            page->sampleBits.set(0, s, !levels[std::size_t(s)]);
    }
    page->channelSelected[std::size_t(channel)] = true;
    return page;
}

// The same levels as a compressed record list: one record per run, runs cut at 128 samples as a
// capture cuts them.
std::unique_ptr<PageState> recordPage(const Levels& levels, int channel)
{
    auto page = std::make_unique<PageState>();
    page->compressed = true;
    page->channelCount = 8;
    page->dataCount = 262144;
    page->hasData = true;
    int count = 0;
    int start = 0;
    const int total = int(levels.size());
    while (start < total) {
        int run = 1;
        while (start + run < total && run < 128 && levels[std::size_t(start + run)] == levels[std::size_t(start)])
            ++run;
        const std::uint64_t high = std::uint64_t(1) << channel;
        page->displayList.set(count++, levels[std::size_t(start)] ? high : 1U, run, start);
        start += run;
    }
    page->displayList.setEnd(count, total);
    page->recCount = count;
    page->sampleCount = total;
    page->channelSelected[std::size_t(channel)] = true;
    return page;
}

// What the readout must say, counted one sample at a time over the closed range [a, b].
EdgeMeasurement reference(const Levels& l, std::int64_t a, std::int64_t b)
{
    EdgeMeasurement m;
    const std::int64_t total = std::int64_t(l.size());
    m.from = std::clamp<std::int64_t>(std::min(a, b), 0, total);
    m.to = std::clamp<std::int64_t>(std::max(a, b), 0, total);
    std::vector<std::int64_t> rises;
    std::vector<std::int64_t> falls;
    for (std::int64_t j = std::max<std::int64_t>(m.from, 1); j <= std::min(m.to, total - 1); ++j) {
        if (l[std::size_t(j)] != l[std::size_t(j - 1)])
            (l[std::size_t(j)] ? rises : falls).push_back(j);
    }
    m.rising = std::int64_t(rises.size());
    m.falling = std::int64_t(falls.size());
    const auto& edges = rises.size() >= 2 ? rises : falls;
    std::int64_t from = m.from;
    std::int64_t to = m.to;
    if (edges.size() >= 2) {
        m.periodSamples = double(edges.back() - edges.front()) / double(edges.size() - 1);
        from = edges.front();
        to = edges.back();
    }
    m.dutySpan = to - from;
    for (std::int64_t s = from; s < to; ++s)
        m.highSamples += l[std::size_t(s)] ? 1 : 0;
    return m;
}

void expectSame(const EdgeMeasurement& got, const EdgeMeasurement& want, const std::string& what)
{
    EXPECT_EQ(got.from, want.from) << what;
    EXPECT_EQ(got.to, want.to) << what;
    EXPECT_EQ(got.rising, want.rising) << what;
    EXPECT_EQ(got.falling, want.falling) << what;
    EXPECT_EQ(got.periodSamples.has_value(), want.periodSamples.has_value()) << what;
    if (got.periodSamples && want.periodSamples) {
        EXPECT_DOUBLE_EQ(*got.periodSamples, *want.periodSamples) << what;
    }
    EXPECT_EQ(got.highSamples, want.highSamples) << what;
    EXPECT_EQ(got.dutySpan, want.dutySpan) << what;
}

struct RangeCase {
    std::int64_t a;
    std::int64_t b;
};

TEST(Measurement, BothSampleFormsAgreeWithASampleBySampleCount)
{
    // Period 10 with 3 high, then a stretch of odd runs (and runs longer than 128) to cross word
    // and record boundaries in every way.
    Levels levels = clockLevels(4000, 10, 3, 4);
    for (int s = 2000; s < 2600; ++s)
        levels[std::size_t(s)] = (s / 7 + s / 150) % 2 == 0;
    for (int s = 2600; s < 3000; ++s)
        levels[std::size_t(s)] = true;
    const std::vector<RangeCase> ranges{
        {0, 3999},  {4, 14},    {14, 4},    {63, 64},    {60, 200},  {5, 5},      {2000, 2600},
        {2590, 3100}, {3500, 9000}, {-50, 30}, {127, 129}, {0, 0},     {3990, 4000}, {1, 4000},
    };
    const int channel = 5;
    auto plane = planePage(levels, channel);
    auto records = recordPage(levels, channel);
    for (const RangeCase& r : ranges) {
        const EdgeMeasurement want = reference(levels, r.a, r.b);
        const std::string what = std::to_string(r.a) + ".." + std::to_string(r.b);
        expectSame(MeasureEdges(*plane, channel, r.a, r.b), want, "planes " + what);
        expectSame(MeasureEdges(*records, channel, r.a, r.b), want, "records " + what);
        EXPECT_EQ(MeasureEdges(*plane, channel, r.a, r.b).channel, channel);
    }
}

TEST(Measurement, CursorsOnTwoRisingEdgesMeasureOnePeriod)
{
    // 10 nS interval, period 25 samples, 10 high: 250 nS, 4 MHz, 40 %.
    const Levels levels = clockLevels(1000, 25, 10, 0);
    for (const bool compressed : {false, true}) {
        auto page = compressed ? recordPage(levels, 2) : planePage(levels, 2);
        page->cursorA = 100;
        page->cursorB = 125;
        const EdgeMeasurement m = MeasureCursorsAB(*page);
        EXPECT_EQ(m.channel, 2);
        EXPECT_EQ(m.rising, 2);
        EXPECT_EQ(m.falling, 1);
        ASSERT_TRUE(m.periodSamples.has_value());
        EXPECT_DOUBLE_EQ(*m.periodSamples, 25.0);
        EXPECT_DOUBLE_EQ(*m.dutyCycle(), 0.4);
        EXPECT_EQ(MeasurementText(*page, m, QStringLiteral("10nS"), 0),
                  QStringLiteral("CH2 周期 250nS 4MHz デューティ 40.0% ↑2 ↓1"));
        EXPECT_EQ(MeasurementText(*page, m, QStringLiteral("10nS"), 1),
                  QStringLiteral("CH3 周期 250nS 4MHz デューティ 40.0% ↑2 ↓1"));
        EXPECT_TRUE(MeasurementDetailText(*page, m, QStringLiteral("10nS"), 0).contains(QStringLiteral("4MHz")));
    }
}

TEST(Measurement, WithoutAPeriodOrAChannelTheReadoutSaysSo)
{
    Levels levels(500, false);
    for (int s = 200; s < 500; ++s)
        levels[std::size_t(s)] = true;
    auto page = planePage(levels, 1);
    page->cursorA = 0;
    page->cursorB = 400;
    const EdgeMeasurement one = MeasureCursorsAB(*page);
    EXPECT_EQ(one.rising, 1);
    EXPECT_FALSE(one.periodSamples.has_value());
    EXPECT_DOUBLE_EQ(*one.dutyCycle(), 0.5); // over the range itself
    EXPECT_EQ(MeasurementText(*page, one, QStringLiteral("1μS"), 0), QStringLiteral("CH1 周期 - - デューティ 50.0% ↑1 ↓0"));

    page->channelSelected.fill(false);
    const EdgeMeasurement none = MeasureCursorsAB(*page);
    EXPECT_EQ(none.channel, -1);
    EXPECT_TRUE(MeasurementText(*page, none, QStringLiteral("1μS"), 0).isEmpty());

    page->channelSelected[1] = true;
    page->hasData = false;
    EXPECT_TRUE(MeasurementText(*page, MeasureCursorsAB(*page), QStringLiteral("1μS"), 0).isEmpty());
}

TEST(Measurement, FrequenciesInTheirUnits)
{
    EXPECT_EQ(FormatFrequency(4e6), QStringLiteral("4MHz"));
    EXPECT_EQ(FormatFrequency(33333.3333), QStringLiteral("33.333kHz"));
    EXPECT_EQ(FormatFrequency(50.0), QStringLiteral("50Hz"));
    EXPECT_EQ(FormatFrequency(1.5e9), QStringLiteral("1.5GHz"));
    EXPECT_EQ(FormatFrequency(0.0), QStringLiteral("-"));
}

} // namespace
} // namespace seiran
