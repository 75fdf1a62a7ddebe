#include "cursor/Measurement.h"

#include "view/PageTime.h"
#include "view/TimeText.h"

#include <algorithm>
#include <bit>

namespace seiran {

namespace {

// Edge positions of one kind as the walk finds them: how many, the first and the last.
struct EdgeRun {
    std::int64_t count = 0;
    std::int64_t first = 0;
    std::int64_t last = 0;
    void add(std::int64_t at, std::int64_t n = 1)
    {
        if (count == 0)
            first = at;
        count += n;
    }
};

std::int64_t sampleTotal(const PageState& page)
{
    return page.compressed ? std::max(page.sampleCount, 0) : std::clamp(page.dataCount, 0, kMaxSamples);
}

// Bits [from, to] of a word (0 ≤ from ≤ to ≤ 63).
std::uint64_t bitRange(int from, int to)
{
    const std::uint64_t upTo = to >= 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << (to + 1)) - 1;
    return upTo & (~std::uint64_t(0) << from);
}

// Bit-plane edges at samples [from, to] (from ≥ 1): bit b of a word's "before" is the level of
// the sample before sample 64 w + b, so rising edges are word & ~before, falling ~word & before.
void planeEdges(BitPlanes::ConstChannelWords words, std::int64_t from, std::int64_t to, EdgeRun& rising, EdgeRun& falling)
{
    for (std::int64_t w = from / 64; w <= to / 64; ++w) {
        const std::uint64_t word = words[std::size_t(w)];
        const std::uint64_t carry = w > 0 ? words[std::size_t(w - 1)] >> 63 : 0;
        const std::uint64_t before = (word << 1) | carry;
        const int lo = w == from / 64 ? int(from % 64) : 0;
        const int hi = w == to / 64 ? int(to % 64) : 63;
        const std::uint64_t mask = bitRange(lo, hi);
        const std::uint64_t up = word & ~before & mask;
        const std::uint64_t down = ~word & before & mask;
        if (up != 0) {
            rising.add(w * 64 + std::countr_zero(up), std::popcount(up));
            rising.last = w * 64 + 63 - std::countl_zero(up);
        }
        if (down != 0) {
            falling.add(w * 64 + std::countr_zero(down), std::popcount(down));
            falling.last = w * 64 + 63 - std::countl_zero(down);
        }
    }
}

// High samples of a bit plane in [from, to).
std::int64_t planeHigh(BitPlanes::ConstChannelWords words, std::int64_t from, std::int64_t to)
{
    std::int64_t high = 0;
    if (to <= from)
        return 0;
    const std::int64_t last = to - 1;
    for (std::int64_t w = from / 64; w <= last / 64; ++w) {
        const int lo = w == from / 64 ? int(from % 64) : 0;
        const int hi = w == last / 64 ? int(last % 64) : 63;
        high += std::popcount(words[std::size_t(w)] & bitRange(lo, hi));
    }
    return high;
}

int recordCount(const PageState& page) { return std::clamp(page.recCount, 0, page.displayList.capacity()); }

// Record-list edges at samples [from, to]: a record whose bit differs from the one before it
// starts with an edge.
void recordEdges(const PageState& page, int channel, std::int64_t from, std::int64_t to, EdgeRun& rising, EdgeRun& falling)
{
    const int count = recordCount(page);
    const auto values = page.displayList.values();
    const auto starts = page.displayList.starts();
    if (count < 2 || values.empty())
        return;
    const std::uint64_t bit = std::uint64_t(1) << channel;
    for (int j = std::max(FindRecordAt(page, from), 1); j < count && starts[std::size_t(j)] <= to; ++j) {
        const std::int64_t at = starts[std::size_t(j)];
        const std::uint64_t now = values[std::size_t(j)] & bit;
        if (at < from || now == (values[std::size_t(j - 1)] & bit))
            continue;
        EdgeRun& run = now != 0 ? rising : falling;
        run.add(at);
        run.last = at;
    }
}

// High samples of the channel in [from, to) from the records that overlap it.
std::int64_t recordHigh(const PageState& page, int channel, std::int64_t from, std::int64_t to)
{
    const int count = recordCount(page);
    const auto values = page.displayList.values();
    const auto starts = page.displayList.starts();
    if (to <= from || count < 1 || values.empty())
        return 0;
    const std::uint64_t bit = std::uint64_t(1) << channel;
    std::int64_t high = 0;
    for (int j = FindRecordAt(page, from); j < count && starts[std::size_t(j)] < to; ++j) {
        if ((values[std::size_t(j)] & bit) == 0)
            continue;
        const std::int64_t begin = std::max<std::int64_t>(starts[std::size_t(j)], from);
        const std::int64_t end = std::min<std::int64_t>(starts[std::size_t(j + 1)], to);
        high += std::max<std::int64_t>(end - begin, 0);
    }
    return high;
}

std::int64_t highBetween(const PageState& page, int channel, std::int64_t from, std::int64_t to)
{
    if (page.compressed)
        return recordHigh(page, channel, from, to);
    return planeHigh(page.sampleBits.words(channel), from, to);
}

// The seconds one unit of the interval text stands for.
double secondsPerUnit(const QString& intervalText)
{
    if (intervalText.endsWith(QStringLiteral("nS")))
        return 1e-9;
    if (intervalText.endsWith(QStringLiteral("μS")) || intervalText.endsWith(QStringLiteral("uS")))
        return 1e-6;
    if (intervalText.endsWith(QStringLiteral("mS")))
        return 1e-3;
    return 1.0;
}

QString trimmedNumber(double v)
{
    QString text = QString::number(v, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

struct Parts {
    QString channel;
    QString period;
    QString frequency;
    QString duty;
};

Parts partsOf(const EdgeMeasurement& m, const QString& intervalText, int channelOrigin)
{
    Parts parts;
    parts.channel = QStringLiteral("CH%1").arg(m.channel + channelOrigin);
    parts.period = QStringLiteral("-");
    parts.frequency = QStringLiteral("-");
    const double interval = ParseTimeText(intervalText);
    if (m.periodSamples && interval > 0.0) {
        const double period = *m.periodSamples * interval;
        parts.period = FormatTimeText(intervalText, period);
        parts.frequency = FormatFrequency(1.0 / (period * secondsPerUnit(intervalText)));
    }
    const auto duty = m.dutyCycle();
    parts.duty = duty ? QString::number(*duty * 100.0, 'f', 1) + QLatin1Char('%') : QStringLiteral("-");
    return parts;
}

bool measurable(const PageState& page, const EdgeMeasurement& m) { return page.hasData && m.channel >= 0; }

} // namespace

int MeasuredChannel(const PageState& page)
{
    const int channels = std::clamp(page.channelCount, 0, kMaxChannels);
    for (int c = 0; c < channels; ++c)
        if (page.channelSelected[std::size_t(c)])
            return c;
    return -1;
}

EdgeMeasurement MeasureEdges(const PageState& page, int channel, std::int64_t a, std::int64_t b)
{
    EdgeMeasurement m;
    const std::int64_t total = sampleTotal(page);
    if (channel < 0 || channel >= kMaxChannels || total <= 0)
        return m;
    m.channel = channel;
    m.from = std::clamp<std::int64_t>(std::min(a, b), 0, total);
    m.to = std::clamp<std::int64_t>(std::max(a, b), 0, total);

    // Edges lie at samples 1 … total − 1.
    EdgeRun rising;
    EdgeRun falling;
    const std::int64_t first = std::max<std::int64_t>(m.from, 1);
    const std::int64_t last = std::min<std::int64_t>(m.to, total - 1);
    if (first <= last) {
        if (page.compressed)
            recordEdges(page, channel, first, last, rising, falling);
        else
            planeEdges(page.sampleBits.words(channel), first, last, rising, falling);
    }
    m.rising = rising.count;
    m.falling = falling.count;

    const EdgeRun& periodic = rising.count >= 2 ? rising : falling;
    if (periodic.count >= 2) {
        m.periodSamples = double(periodic.last - periodic.first) / double(periodic.count - 1);
        m.dutySpan = periodic.last - periodic.first;
        m.highSamples = highBetween(page, channel, periodic.first, periodic.last);
    } else {
        m.dutySpan = m.to - m.from;
        m.highSamples = highBetween(page, channel, m.from, m.to);
    }
    return m;
}

EdgeMeasurement MeasureCursorsAB(const PageState& page)
{
    const int channel = MeasuredChannel(page);
    if (channel < 0)
        return {};
    return MeasureEdges(page, channel, page.cursorA, page.cursorB);
}

QString MeasurementText(const PageState& page, const EdgeMeasurement& m, const QString& intervalText, int channelOrigin)
{
    if (!measurable(page, m))
        return {};
    const Parts p = partsOf(m, intervalText, channelOrigin);
    return QStringLiteral("%1 周期 %2 %3 デューティ %4 ↑%5 ↓%6")
        .arg(p.channel, p.period, p.frequency, p.duty)
        .arg(m.rising)
        .arg(m.falling);
}

QString MeasurementDetailText(const PageState& page, const EdgeMeasurement& m, const QString& intervalText,
                              int channelOrigin)
{
    if (!measurable(page, m))
        return QStringLiteral("カーソルA-B間の測定: トリガ表のCH列でチャンネルを選んでください。");
    const Parts p = partsOf(m, intervalText, channelOrigin);
    return QStringLiteral("%1 のカーソルA-B間の測定\n周期: %2\n周波数: %3\nデューティ比: %4\n立上りエッジ: %5\n立下りエッジ: %6")
        .arg(p.channel, p.period, p.frequency, p.duty)
        .arg(m.rising)
        .arg(m.falling);
}

QString FormatFrequency(double hertz)
{
    if (!(hertz > 0.0))
        return QStringLiteral("-");
    if (hertz >= 1e9)
        return trimmedNumber(hertz / 1e9) + QStringLiteral("GHz");
    if (hertz >= 1e6)
        return trimmedNumber(hertz / 1e6) + QStringLiteral("MHz");
    if (hertz >= 1e3)
        return trimmedNumber(hertz / 1e3) + QStringLiteral("kHz");
    return trimmedNumber(hertz) + QStringLiteral("Hz");
}

} // namespace seiran
