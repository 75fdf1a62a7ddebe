#include "render/TimeAxis.h"

#include "render/WaveMapping.h"
#include "render/WaveRender.h"
#include "view/TimeText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace seiran {

namespace {

// By log2 of the zoom in 1/256 pixel per sample: 1/256 (code 1) to ×128 (code 32768).
constexpr std::array<int, 16> kGridSteps{20000, 10000, 5000, 5000, 2000, 1000, 500, 200,
                                         100,   50,    20,   10,   5,    5,    2,    1};

constexpr int kZeroLabelShift = 2;
constexpr int kPositiveLabelShift = 10;
constexpr int kNegativeLabelShift = 15;
constexpr int kLeftmostLabel = -30;
constexpr int kLeftmostZeroLabel = -10;

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

struct AxisPass {
    Canvas& canvas;
    std::vector<LineSegment>& lines;
    int right;
    int bottom;
    const QString& intervalText;
    double interval;

    void gridLine(int x)
    {
        if (x >= 0 && x <= right)
            lines.push_back({x, cursorLineTop, x, bottom});
    }
    QString label(std::int64_t step, std::int64_t i) const
    {
        return i == 0 ? QStringLiteral("0") : FormatTimeText(intervalText, double(step) * interval * double(i));
    }
    void finish()
    {
        if (lines.empty())
            return;
        canvas.setPen({kGridGrey, 1, true});
        canvas.drawLines(lines);
    }
};

// Bit-plane pages: labels at x − 10 (negative times x − 15, "0" at x − 2) for grid positions from
// −30 to V; lines only inside the window.
void drawPlaneAxis(const PageState& page, PageView& view, AxisPass& pass)
{
    const PlaneMapping map(page, view);
    const std::int64_t count = map.sampleCount();
    if (count <= 0)
        return;
    const std::int64_t trigger = std::clamp<std::int64_t>(page.triggerPosition, 0, count);
    std::int64_t step = 0;
    std::int64_t lo = 0;
    std::int64_t hi = 0;
    if (map.wholeView()) {
        step = WholeDataGridStep(count);
        hi = (count - trigger) / step;
    } else {
        step = GridStep(page.zoomFactor * 256.0);
        // Only the grid positions near the window: a fine zoom has a quarter of a million of them.
        const std::int64_t left = map.firstSampleAtOrAfter(kLeftmostLabel);
        const std::int64_t right = map.firstSampleAtOrAfter(std::int64_t(pass.right) + 1);
        lo = std::max(-(trigger / step), floorDiv(left - trigger, step) - 1);
        hi = std::min((count - trigger) / step, floorDiv(right - trigger, step) + 1);
    }
    for (std::int64_t i = lo; i <= hi; ++i) {
        const int x = map.xOf(trigger + i * step);
        pass.gridLine(x);
        if (i == 0) {
            if (x - kZeroLabelShift >= kLeftmostZeroLabel && x <= pass.right)
                pass.canvas.drawText(x - kZeroLabelShift, timeLabelY, pass.label(step, 0), kBlack);
        } else if (x >= kLeftmostLabel && x <= pass.right) {
            const int shift = i > 0 ? kPositiveLabelShift : kNegativeLabelShift;
            pass.canvas.drawText(x - shift, timeLabelY, pass.label(step, i), kBlack);
        }
    }
}

// Compressed pages: times from recTriggerSample, labels at x − 2 × their length, all inside the
// window.
void drawRecordAxis(const PageState& page, PageView& view, AxisPass& pass)
{
    const std::int64_t total = page.sampleCount;
    if (total <= 0)
        return;
    const std::int64_t trigger = std::clamp<std::int64_t>(page.recTriggerSample, 0, total);
    std::int64_t step = 0;
    std::int64_t lo = 0;
    std::int64_t hi = 0;
    if (page.zoomCode == kWholeDataZoomCode) {
        step = WholeDataGridStep(total);
        hi = (total - trigger) / step;
    } else {
        step = GridStep(page.zoomCode);
        const std::int64_t left = SampleAtX(page, view, 0);
        const std::int64_t right = SampleAtX(page, view, pass.right);
        lo = std::max(-(trigger / step), floorDiv(left - trigger, step) - 1);
        hi = std::min((total - trigger) / step, floorDiv(right - trigger, step) + 1);
    }
    for (std::int64_t i = lo; i <= hi; ++i) {
        const int x = CompressedSampleX(page, view, trigger + i * step);
        if (x < 0 || x > pass.right)
            continue;
        pass.gridLine(x);
        const QString text = pass.label(step, i);
        pass.canvas.drawText(x - 2 * int(text.size()), timeLabelY, text, kBlack);
    }
}

// x of the trigger sample in the window, when the page has data and the trigger lies inside.
std::optional<int> triggerX(const PageState& page, PageView& view, int right)
{
    if (!page.hasData)
        return std::nullopt;
    int x = 0;
    if (page.compressed) {
        if (page.sampleCount <= 0)
            return std::nullopt;
        x = CompressedSampleX(page, view, std::clamp<std::int64_t>(page.recTriggerSample, 0, page.sampleCount));
    } else {
        const PlaneMapping map(page, view);
        if (map.sampleCount() <= 0)
            return std::nullopt;
        x = map.xOf(std::clamp<std::int64_t>(page.triggerPosition, 0, map.sampleCount()));
    }
    if (x < 0 || x > right)
        return std::nullopt;
    return x;
}

// A small triangle pointing down at the trigger, between the time labels and the grid.
void drawTriggerMarker(Canvas& canvas, std::vector<LineSegment>& lines, int x)
{
    lines.clear();
    for (int k = 0; k < kTriggerMarkerHeight; ++k) {
        const int half = kTriggerMarkerHeight - 1 - k;
        const int y = cursorLineTop - kTriggerMarkerHeight + k;
        lines.push_back({x - half, y, x + half, y});
    }
    canvas.setPen({kTriggerMarkerColour, 1, false});
    canvas.drawLines(lines);
}

} // namespace

int GridStep(double zoomIn256ths)
{
    const double e = zoomIn256ths > 0.0 ? std::round(std::log2(zoomIn256ths)) : 0.0;
    return kGridSteps[std::size_t(std::clamp(int(e), 0, int(kGridSteps.size()) - 1))];
}

std::int64_t WholeDataGridStep(std::int64_t count)
{
    QString digits = QString::number(std::max<std::int64_t>(count / 4, 0));
    const int d = digits[0].digitValue();
    digits[0] = QLatin1Char(d <= 1 ? '1' : d <= 4 ? '2' : '5');
    for (qsizetype i = 1; i < digits.size(); ++i)
        digits[i] = QLatin1Char('0');
    return digits.toLongLong();
}

void DrawTimeAxis(const PageState& page, PageView& view, Canvas& canvas, const QString& intervalText)
{
    canvas.fillRect(0, 0, canvas.width(), canvas.height(), kWhite);
    canvas.setFont(kWaveFont);
    std::vector<LineSegment>& lines = view.trace.thin;
    lines.clear();
    AxisPass pass{canvas, lines, ViewWidth(view), canvas.height() - 1, intervalText, ParseTimeText(intervalText)};
    if (page.compressed)
        drawRecordAxis(page, view, pass);
    else
        drawPlaneAxis(page, view, pass);
    pass.finish();
    if (const auto x = triggerX(page, view, pass.right))
        drawTriggerMarker(canvas, lines, *x);
    lines.clear();
}

} // namespace seiran
