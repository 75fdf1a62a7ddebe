// A 256K capture on the simulated instrument, end to end as the tests and seiran-cli run it: RUN,
// the poll on simulated time, the simulator sampling its test signals and laying out its memory,
// the transfer of 512 blocks and the decoding. bench_transfer measures the analyzer's part alone
// (a module that answers from a ready image), so the difference is what the simulator costs.
// Counters: samples (or records) per second of host time.

#include "ManualClock.h"
#include "RecordingFrontEnd.h"
#include "SimulatedInstrument.h"
#include "capture/RunControl.h"
#include "core/AnalyzerState.h"
#include "setup/HardwareModes.h"
#include "setup/StartUp.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <string>

namespace {

using namespace seiran;

QString configurationFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

// The analyzer started up on a simulated instrument and changed to `mode`.
struct Rig {
    Rig(int deviceType, const QString& mode)
        : state(clock, frontEnd, folder.path())
    {
        for (const QString& m : {startMode(deviceType), mode}) {
            const QString file = configurationFileName(m, deviceType);
            QFile::copy(QDir(configurationFolder()).filePath(file), folder.filePath(file));
        }
        instrument = sim::makeSimulatedInstrument(deviceType, &clock);
        instrument->setRecording(false);
        state.commands.setUsbTransport(instrument.get());
        RunStartUp(state, {1});
        if (mode != startMode(deviceType))
            ChangeHardwareMode(state, mode);
    }

    bool capture()
    {
        state.log.clear();
        StartCapture(state, 0);
        return clock.runUntil([&] { return !anyPageBusy(state); }, 600 * 1000) && state.pages[0].hasData;
    }

    ManualClock clock;
    RecordingFrontEnd frontEnd;
    QTemporaryDir folder;
    AnalyzerState state;
    std::unique_ptr<sim::SimInstrument> instrument;
};

void BM_SimCapture(benchmark::State& bench, int deviceType, QString mode)
{
    Rig rig(deviceType, mode);
    if (rig.state.log.lastLine() != QStringLiteral("ハードウェアは正常です。")) {
        bench.SkipWithError("start-up failed");
        return;
    }
    bool ok = true;
    for (auto _ : bench)
        ok = rig.capture() && ok;
    if (!ok) {
        bench.SkipWithError("a capture did not end with data");
        return;
    }
    const PageState& p = rig.state.pages[0];
    const double perCapture = p.compressed ? double(p.recCount) : double(p.dataCount);
    bench.counters[p.compressed ? "records_per_s" : "samples_per_s"]
        = benchmark::Counter(perCapture * double(bench.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    struct Case {
        const char* name;
        int type;
        const char* mode;
    };
    const Case cases[] = {
        {"TK-C4/200MHz_16ch_256K", 11, "200MHz 16ch 256Kbit"},
        {"TK-C1/100MHz_32ch_256K", 13, "100MHz 32ch 256Kbit"},
        {"TK-C4/compressed_256K", 11, "圧縮 100MHz 16ch 256Kbit"},
        {"TK-B4/200MHz_8ch_256K", 8, "200MHz 8ch 256Kbit"},
    };
    for (const Case& c : cases) {
        const int type = c.type;
        const QString mode = QString::fromUtf8(c.mode);
        benchmark::RegisterBenchmark((std::string("BM_SimCapture/") + c.name).c_str(),
                                     [type, mode](benchmark::State& s) { BM_SimCapture(s, type, mode); })
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
