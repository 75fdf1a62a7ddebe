#include "render/AnalogScale.h"

#include "render/RowLayout.h"
#include "render/WaveMapping.h"

#include <algorithm>
#include <cmath>

namespace seiran {

namespace {

constexpr int kCandidatesPerZoom = 16;
constexpr int kLabelX = 25;
constexpr int kLabelRise = 5;
constexpr int kLineIndent = 30; // right of zoomStep

std::int64_t pow10(int n)
{
    std::int64_t p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

// Decimal text of the integer part of |x|.
QString integerPartText(double x)
{
    const double a = std::min(std::floor(std::fabs(x)), 9.0e17);
    return QString::number(std::int64_t(a));
}

int integerDigits(double x) { return int(integerPartText(x).size()); }

// Zeros at the end of a label's number, the decimal point skipped: "100.000mV" has 5.
int trailingZeros(const QString& label)
{
    int end = int(label.size());
    while (end > 0 && !label[end - 1].isDigit())
        --end;
    int zeros = 0;
    for (int i = end - 1; i >= 0; --i) {
        if (label[i] == QLatin1Char('.'))
            continue;
        if (label[i] != QLatin1Char('0'))
            break;
        ++zeros;
    }
    return zeros;
}

int zoomDivisor(int vZoom)
{
    if (vZoom == 8)
        return 10;
    if (vZoom == 16)
        return 20;
    return std::max(vZoom, 1);
}

} // namespace

QString VoltageLabel(double microVolts)
{
    const double a = std::fabs(microVolts);
    if (a >= 1000000.0)
        return QString::number(microVolts / 1000000.0, 'f', 3) + QStringLiteral("V");
    if (a >= 1000.0)
        return QString::number(microVolts / 1000.0, 'f', 3) + QStringLiteral("mV");
    return QString::number(microVolts, 'f', 3) + QStringLiteral("μV");
}

std::int64_t AnalogScaleStep(const AnalogScaleParams& params)
{
    const int d = std::clamp(params.channels, 1, 30);
    const double span = double((std::int64_t(1) << d) - 1) * params.microVoltsPerDigit;
    const QString digits = integerPartText(span);
    const int u = int(digits.size()) - 1;
    const int w = digits[0].digitValue();
    const int lower = std::max(u - 1, 0);
    std::int64_t m = 2000;
    if (w == 1)
        m = 2 * pow10(lower);
    else if (w == 2 || w == 3)
        m = 5 * pow10(lower);
    else if (w >= 4 && w <= 7)
        m = pow10(u);
    else if (w == 8 || w == 9)
        m = 2 * pow10(u);

    m /= zoomDivisor(params.vZoom);
    if (d == 6)
        m *= 2;
    if (QString::number(m).contains(QStringLiteral("25")))
        m = m * 4 / 5;
    // A step of 0 would stack every candidate on one line.
    return std::max<std::int64_t>(m, 1);
}

double AnalogFirstLine(const AnalogScaleParams& params, std::int64_t step)
{
    const double minimum = params.minimumMicroVolts;
    if (minimum == 0.0)
        return 0.0;
    const int d = std::clamp(params.channels, 1, 30);
    const double span = double((std::int64_t(1) << d) - 1) * params.microVoltsPerDigit;
    const int topDigits = integerDigits(minimum + span);
    if (integerDigits(minimum) < topDigits)
        return -double(pow10(topDigits - 1));
    const double below = minimum - double(step);
    const QString digits = integerPartText(below);
    const double unit = double(pow10(int(digits.size()) - 1));
    const int lead = digits[0].digitValue();
    return below >= 0.0 ? lead * unit : -(lead + 1) * unit;
}

void ComputeAnalogScale(const PageState& page, int slot, int channels, AnalogRowView& analog)
{
    analog.scaleLineCount = 0;
    const std::size_t k = std::size_t(std::clamp(slot, 0, kMaxAnalogRows - 1));
    AnalogScaleParams params;
    params.channels = std::clamp(channels, 1, 30);
    params.microVoltsPerDigit = page.analogMicroVoltsPerDigit[k];
    params.minimumMicroVolts = page.analogMinimumMicroVolts[k];
    params.vZoom = std::max(page.analogVZoom[k], 1);
    const int vOffset = page.analogVOffset[k];
    const double perCount = params.microVoltsPerDigit;
    if (!(perCount > 0.0))
        return;

    const std::int64_t step = AnalogScaleStep(params);
    const double first = AnalogFirstLine(params, step);
    const std::int64_t candidates = std::int64_t(kCandidatesPerZoom) * params.vZoom;
    const std::int64_t values = std::int64_t(1) << params.channels;

    // Candidates and the voltages of the counts both rise, so one pass over each takes every
    // candidate at the count whose step holds it.
    std::int64_t next = 0;
    double g = params.minimumMicroVolts;
    for (std::int64_t v = 0; v < values && next < candidates; ++v, g += perCount) {
        while (next < candidates && first + double(next) * double(step) < g)
            ++next;
        while (next < candidates && first + double(next) * double(step) < g + perCount) {
            const double q = first + double(next) * double(step);
            ++next;
            const QString here = VoltageLabel(g);
            const QString above = VoltageLabel(g + perCount);
            const int zerosHere = trailingZeros(here);
            const int zerosAbove = trailingZeros(above);
            const bool up = zerosAbove > zerosHere
                            || (zerosAbove == zerosHere && std::fabs(g + perCount - q) < std::fabs(g - q));
            const std::int64_t lineValue = up ? v + 1 : v;
            const std::int64_t y = AnalogY(analog, lineValue, vOffset, params.vZoom);
            if (y < analog.analogTopY || y > analog.analogBottomY || analog.scaleLineCount >= kMaxScaleLines)
                continue;
            AnalogScaleLine& line = analog.scaleLines[std::size_t(analog.scaleLineCount++)];
            line.label = up ? above : here;
            line.y = AnalogYExact(analog, double(lineValue), vOffset, params.vZoom);
            line.pixelY = int(y);
        }
    }
}

void DrawAnalogScale(const PageState& page, const AnalogRowView& analog, Canvas& canvas, int right)
{
    if (analog.scaleLineCount == 0)
        return;
    const int left = zoomStep(page) + kLineIndent;
    std::array<LineSegment, kMaxScaleLines> lines{};
    for (int i = 0; i < analog.scaleLineCount; ++i) {
        const int y = analog.scaleLines[std::size_t(i)].pixelY;
        lines[std::size_t(i)] = {left, y, right, y};
    }
    canvas.setPen({kGridGrey, 1, true});
    canvas.drawLines(std::span<const LineSegment>(lines.data(), std::size_t(analog.scaleLineCount)));
    canvas.setFont(kWaveFont);
    for (int i = 0; i < analog.scaleLineCount; ++i) {
        const AnalogScaleLine& line = analog.scaleLines[std::size_t(i)];
        canvas.drawText(kLabelX, line.pixelY - kLabelRise, line.label, kBlack);
    }
}

} // namespace seiran
