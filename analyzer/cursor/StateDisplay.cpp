#include "cursor/StateDisplay.h"

#include "core/AnalyzerState.h"
#include "view/PageTime.h"
#include "view/TimeText.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace seiran {

namespace {

struct RadixStep {
    const QString* from;
    const QString* narrow; // next radix for ranges of up to 32 channels
    const QString* wide;   // and for wider ones
};

const std::array<RadixStep, 5> kRadixCycle{{
    {&kRadixHex, &kRadixBin, &kRadixBinLow},
    {&kRadixBinLow, &kRadixBinHigh, &kRadixBinHigh},
    {&kRadixBinHigh, &kRadixDec, &kRadixDec},
    {&kRadixBin, &kRadixDec, &kRadixDec},
    {&kRadixDec, &kRadixHex, &kRadixHex},
}};

constexpr int kHalfBits = 32;

struct WidthRule {
    int channels; // up to this many channels of the page
    int binary;   // grid width when a binary radix is shown
    int other;
};
constexpr std::array<WidthRule, 3> kWidthRules{{{8, 110, 95}, {16, 175, 95}, {32, 310, 135}}};
constexpr WidthRule kWidestRule{kMaxChannels, 310, 195};

bool showsValue(const PageState& page)
{
    if (page.compressed && page.runModeText == QStringLiteral("波形比較"))
        return page.hasCompareResult;
    return page.hasData;
}

// The levels of all 64 channels at the cursor, bit c = channel c.
std::uint64_t channelWordAt(const PageState& page, std::int32_t cursor)
{
    if (page.compressed)
        return page.displayList.value(FindRecordAt(page, cursor));
    const int last = std::clamp(page.dataCount, 1, kMaxSamples) - 1;
    const int sample = std::clamp(cursor, 0, last);
    const int channels = std::clamp(page.channelCount, 0, kMaxChannels);
    std::uint64_t word = 0;
    for (int c = 0; c < channels; ++c) {
        if (page.sampleBits.level(c, sample))
            word |= std::uint64_t(1) << c;
    }
    return word;
}

// Binary digits, most significant first, a blank left of every position i (from 1 at the right)
// that is a multiple of 4 and not the range width: so a half of a wide range whose digit count is
// a multiple of 4 keeps a leading blank, the mark that it is not the whole range.
QString binaryDigits(std::uint64_t value, int digits, int width)
{
    QString out;
    for (int i = digits; i >= 1; --i) {
        if (i % 4 == 0 && i != width)
            out += QLatin1Char(' ');
        out += (value >> unsigned(i - 1)) & 1U ? QLatin1Char('1') : QLatin1Char('0');
    }
    return out;
}

QString differenceText(const QString& intervalText, std::int64_t samples)
{
    const float interval = float(ParseTimeText(intervalText));
    const float product = float(samples) * interval;
    return FormatTimeText(intervalText, double(product));
}

} // namespace

QString CursorDifferenceText(const PageState& page, const QString& intervalText)
{
    const std::int64_t d = ShowsPairAB(page) ? std::int64_t(page.cursorB) - page.cursorA
                                             : std::int64_t(page.cursorD) - page.cursorC;
    return differenceText(intervalText, d);
}

QString UpdateCursorDifference(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    p.atobText = CursorDifferenceText(p, state.intervalText(page));
    return p.atobText;
}

std::optional<QString> DragDifferenceText(const PageState& page, const QString& intervalText, TimeCursor moved,
                                          std::int32_t prospective)
{
    const std::int64_t p = prospective;
    const bool ab = ShowsPairAB(page);
    switch (moved) {
    case TimeCursor::A:
        return ab ? std::optional(differenceText(intervalText, page.cursorB - p)) : std::nullopt;
    case TimeCursor::B:
        return ab ? std::optional(differenceText(intervalText, p - page.cursorA)) : std::nullopt;
    case TimeCursor::C:
        return !ab ? std::optional(differenceText(intervalText, page.cursorD - p)) : std::nullopt;
    case TimeCursor::D:
        return !ab ? std::optional(differenceText(intervalText, p - page.cursorC)) : std::nullopt;
    }
    return std::nullopt;
}

int StateWidth(int msb, int lsb) { return std::abs(msb - lsb) + 1; }

QString StateValueText(const PageState& page, int channelOrigin)
{
    if (!showsValue(page))
        return {};
    const int lowest = channelOrigin;
    const int highest = page.channelCount - 1 + channelOrigin;
    const auto inside = [&](int n) { return n >= lowest && n <= highest; };
    if (!inside(page.stateMsb) || !inside(page.stateLsb))
        return {};
    const TimeCursor cursor = TimeCursorFromLetter(page.stateCursorName).value_or(TimeCursor::A);
    const std::uint64_t levels = channelWordAt(page, CursorValue(page, cursor));
    const int width = StateWidth(page.stateMsb, page.stateLsb);
    const int towardMsb = page.stateMsb >= page.stateLsb ? 1 : -1;
    std::uint64_t value = 0;
    for (int bit = 0; bit < width; ++bit) {
        const int channel = page.stateLsb - channelOrigin + bit * towardMsb;
        value |= ((levels >> unsigned(channel)) & 1U) << unsigned(bit);
    }
    return FormatStateValue(value, width, page.stateMode);
}

QString FormatStateValue(std::uint64_t value, int width, const QString& radix)
{
    width = std::clamp(width, 1, kMaxChannels);
    const bool half = radix == kRadixBinLow || radix == kRadixBinHigh;
    if (radix == kRadixHex)
        return QStringLiteral("%1").arg(value, (width + 3) / 4, 16, QLatin1Char('0')).toUpper();
    if (radix == kRadixDec)
        return QString::number(qint64(value));
    if (radix == kRadixBin || (half && width <= kHalfBits))
        return binaryDigits(value, width, width);
    if (radix == kRadixBinLow)
        return binaryDigits(value & 0xFFFFFFFFU, kHalfBits, width);
    if (radix == kRadixBinHigh)
        return binaryDigits(value >> kHalfBits, width - kHalfBits, width);
    return {};
}

QString NextStateRadix(const QString& radix, int width)
{
    for (const RadixStep& step : kRadixCycle) {
        if (radix == *step.from)
            return width <= kHalfBits ? *step.narrow : *step.wide;
    }
    return kRadixHex;
}

QString NextStateCursorName(const QString& name)
{
    const auto cursor = TimeCursorFromLetter(name);
    if (!cursor)
        return LetterOf(TimeCursor::A);
    return LetterOf(TimeCursor((int(*cursor) + 1) % kTimeCursorCount));
}

StateRange ParseStateRange(const QString& text)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return {};
    const auto number = [](const QString& part) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        return ok ? n : -1;
    };
    return {number(text.left(dash)), number(text.mid(dash + 1))};
}

QString StateRangeText(const PageState& page)
{
    return QString::number(page.stateMsb) + QLatin1Char('-') + QString::number(page.stateLsb);
}

StateGridWidths SetStateWidths(const PageState& page)
{
    const bool binary = page.stateMode.contains(kRadixBin);
    WidthRule rule = kWidestRule;
    for (const WidthRule& r : kWidthRules) {
        if (page.channelCount <= r.channels) {
            rule = r;
            break;
        }
    }
    const int grid = binary ? rule.binary : rule.other;
    return {grid, 40, grid - 45};
}

} // namespace seiran
