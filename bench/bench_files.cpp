// Saving and opening analyzer data files of full size: a 32-channel bit-plane page of 262144
// samples ("(Ver 5.0)", one line a sample, opened again on its page), a 32-channel compressed page of 262144 records
// ("(Ver 5.4)"), and that record file opened onto a bit-plane page, where it is expanded into
// samples. Each run writes or reads one whole file in a temporary folder; the counters give the
// file size.

#include "NullFrontEnd.h"
#include "ManualClock.h"
#include "core/AnalyzerState.h"
#include "files/AnalyzerFile.h"
#include "files/DataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace seiran;

constexpr int kSamples = 262144;
constexpr int kChannels = 32;

struct Bench {
    ManualClock clock;
    NullFrontEnd frontEnd;
    QTemporaryDir folder;
    AnalyzerState state{clock, frontEnd, QStringLiteral(".")};

    explicit Bench(bool compressed)
    {
        ModuleInfo& m = state.instrument.modules[8];
        m.function = ModuleFunction::Analyzer;
        m.ModuleCompressed = compressed;
        PageState& p = state.pages[0];
        p.PageModule = 8;
        p.compressed = compressed;
        p.channelCount = kChannels;
        p.dataCount = kSamples;
        p.rowCount = kChannels;
        for (int r = 0; r < kChannels; ++r) {
            p.signalName[std::size_t(r)] = QStringLiteral("CH%1").arg(r);
            p.rowChannelCount[std::size_t(r)] = 1;
            p.rowRadix[std::size_t(r)] = QStringLiteral("HEX");
        }
        p.runModeText = QStringLiteral("シングル");
        p.analogMvPerDigitText.fill(QStringLiteral("1"));
        p.analogMinimumText.fill(QStringLiteral("0"));
        p.hasData = true;
        // A counter pattern: every sample differs from the one before.
        if (compressed) {
            for (int i = 0; i < kSamples; ++i)
                p.measuredList.set(i, std::uint32_t(i * 2654435761U), 1 + i % 5, i * 3);
            p.measuredList.setEnd(kSamples, kSamples * 3);
            p.measRecCount = kSamples;
            p.measSampleCount = kSamples * 3;
        } else {
            for (int c = 0; c < kChannels; ++c) {
                auto words = p.sampleBits.words(c);
                for (int w = 0; w < kSamples / 64; ++w)
                    words[std::size_t(w)] = std::uint64_t(w + 1) * 0x9E3779B97F4A7C15ULL >> (c % 7);
            }
        }
    }
    QString path(const char* name) const { return QDir(folder.path()).filePath(QString::fromLatin1(name)); }
};

void reportSize(benchmark::State& s, const QString& file)
{
    s.counters["file_bytes"] = double(QFileInfo(file).size());
}

// compressed: the record file of a compressed page, else the sample file of a bit-plane page.
void Save(benchmark::State& s, bool compressed)
{
    Bench b(compressed);
    const QString file = b.path(compressed ? "records.ana" : "planes.ana");
    for (auto _ : s)
        benchmark::DoNotOptimize(SaveDataFile(b.state, 0, file));
    reportSize(s, file);
    s.SetItemsProcessed(s.iterations() * kSamples);
}

// The sample file opened again on its bit-plane page.
void OpenVersion50(benchmark::State& s)
{
    Bench b(false);
    const QString file = b.path("planes.ana");
    SaveDataFile(b.state, 0, file);
    auto lastWord = [&b] { return b.state.pages[0].sampleBits.words(kChannels - 1).back(); };
    const std::uint64_t saved = lastWord();
    for (auto _ : s) {
        s.PauseTiming();
        b.state.pages[0].sampleBits.words(kChannels - 1).back() = 0; // the open must bring it back
        s.ResumeTiming();
        const bool ok = OpenDataFile(b.state, 0, file).loaded;
        if (!ok || lastWord() != saved)
            s.SkipWithError("the file was not read whole");
        b.state.log.clear();
    }
    reportSize(s, file);
    s.SetItemsProcessed(s.iterations() * kSamples);
}

// compressedTarget: the record file opened on a compressed page, else on a bit-plane page.
void OpenVersion54(benchmark::State& s, bool compressedTarget)
{
    Bench b(true);
    const QString file = b.path("records.ana");
    SaveDataFile(b.state, 0, file);
    if (!compressedTarget) {
        b.state.instrument.modules[8].ModuleCompressed = false;
        b.state.pages[0].compressed = false;
    }
    for (auto _ : s) {
        const bool ok = OpenDataFile(b.state, 0, file).loaded;
        if (!ok || b.state.pages[0].recCount != kSamples)
            s.SkipWithError("the file was not read whole");
        b.state.log.clear();
    }
    reportSize(s, file);
    s.SetItemsProcessed(s.iterations() * kSamples);
}

} // namespace

BENCHMARK_CAPTURE(Save, Version50, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, Version54, true)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenVersion50)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenVersion54, CompressedPage, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenVersion54, BitPlanePage, false)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
