// Full redraws of a bit-plane analyzer page of 262144 samples into a 1200 × 900 offscreen image:
// 16 and 64 channels (43 rows fit the window), at "全データ" and at ×1, with data that changes
// often (a counter on every fourth channel, random levels that toggle on a quarter of the samples
// on the rest). The capture-length runs show that at a fixed zoom the cost stays with the window:
// the same zoom on 32768 and 262144 samples. The Walk runs draw into a canvas that only counts,
// which separates the sample walk from the painting.

#include "QtImageCanvas.h"
#include "render/RowLayout.h"
#include "render/WaveMapping.h"
#include "render/WaveRender.h"
#include "view/PageState.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <map>
#include <memory>

namespace {

using namespace seiran;

constexpr int kWidth = 1200;
constexpr int kHeight = 900;

std::unique_ptr<PageState> makePage(int channels, int samples)
{
    auto page = std::make_unique<PageState>();
    page->channelCount = channels;
    page->rowCount = channels;
    for (int r = 0; r < kMaxRows; ++r) {
        page->rowChannelCount[std::size_t(r)] = r < channels ? 1 : 0;
        page->rowRadix[std::size_t(r)] = r < channels ? QStringLiteral("HEX") : QString();
    }
    page->dataCount = samples;
    page->hasData = true;
    page->runModeText = QStringLiteral("シングル");
    std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    for (int c = 0; c < channels; ++c) {
        auto words = page->sampleBits.words(c);
        if (c % 4 == 0) {
            const int bit = (c / 4) % 12; // counter bit: toggles every 2^bit samples
            for (int n = 0; n < samples; ++n) {
                if ((n >> bit) & 1)
                    words[std::size_t(n) / 64] |= std::uint64_t(1) << (unsigned(n) & 63U);
            }
            continue;
        }
        bool level = false;
        for (int w = 0; w < samples / 64; ++w) {
            const std::uint64_t toggles = next() & next();
            std::uint64_t word = 0;
            for (int b = 0; b < 64; ++b) {
                level ^= (toggles >> unsigned(b)) & 1U;
                word |= std::uint64_t(level) << unsigned(b);
            }
            words[std::size_t(w)] = word;
        }
    }
    return page;
}

// Pages are built once per shape and kept for every run.
PageState& page(int channels, int samples)
{
    static std::map<std::pair<int, int>, std::unique_ptr<PageState>> pages;
    auto& p = pages[{channels, samples}];
    if (!p)
        p = makePage(channels, samples);
    return *p;
}

void setZoom(PageState& p, PageView& view, double zoom)
{
    p.zoomFactor = zoom;
    p.previousZoomFactor = zoom;
    p.scrollMax = 0;
    p.scrollPosition = 0;
    view.waveBoxWidth = kWidth;
    view.waveBoxHeight = kHeight;
    LayoutPage(p, view);
    p.scrollPosition = p.scrollMax / 2; // the middle of the capture
}

// Counts what a redraw would paint.
class CountingCanvas final : public Canvas {
public:
    int width() const override { return kWidth; }
    int height() const override { return kHeight; }
    void setPen(const Pen&) override {}
    void drawLine(int, int, int, int) override { ++segments; }
    void drawLines(std::span<const LineSegment> lines) override { segments += std::int64_t(lines.size()); }
    void drawPolyline(std::span<const CanvasPoint> points) override { segments += std::int64_t(points.size()); }
    void fillRect(int, int, int, int, Rgb) override {}
    void setFont(const CanvasFont&) override {}
    void drawText(int, int, const QString&, Rgb) override { ++texts; }
    int textWidth(const QString& text) override { return 7 * int(text.size()); }
    std::int64_t segments = 0;
    std::int64_t texts = 0;
};

const RedrawInputs kInputs{QStringLiteral("10nS"), true, nullptr};

void redrawQt(benchmark::State& state, double zoom)
{
    const int channels = int(state.range(0));
    const int samples = int(state.range(1));
    PageState& p = page(channels, samples);
    PageView view;
    setZoom(p, view, zoom);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QtImageCanvas canvas(image);
        RedrawPage(p, view, canvas, kInputs);
    }
    benchmark::DoNotOptimize(image.constBits());
    state.counters["rows"] = view.rows.count;
}

void walkOnly(benchmark::State& state, double zoom)
{
    PageState& p = page(int(state.range(0)), int(state.range(1)));
    PageView view;
    setZoom(p, view, zoom);
    CountingCanvas canvas;
    for (auto _ : state) {
        canvas.segments = 0;
        RedrawPage(p, view, canvas, kInputs);
    }
    state.counters["segments"] = double(canvas.segments);
}

void BM_RedrawWholeData(benchmark::State& state) { redrawQt(state, kWholeDataZoomFactor); }
void BM_RedrawTimesOne(benchmark::State& state) { redrawQt(state, 1.0); }
void BM_RedrawOneIn64(benchmark::State& state) { redrawQt(state, 1.0 / 64); }
void BM_WalkWholeData(benchmark::State& state) { walkOnly(state, kWholeDataZoomFactor); }
void BM_WalkTimesOne(benchmark::State& state) { walkOnly(state, 1.0); }

BENCHMARK(BM_RedrawWholeData)->Args({16, 262144})->Args({64, 262144})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawTimesOne)
    ->Args({16, 262144})
    ->Args({64, 262144})
    ->Args({64, 32768})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawOneIn64)->Args({64, 65536})->Args({64, 262144})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkWholeData)->Args({16, 262144})->Args({64, 262144})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkTimesOne)->Args({64, 32768})->Args({64, 262144})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the image canvas
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
