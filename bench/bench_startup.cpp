// Start-up on the simulated instrument: from RunStartUp to "ハードウェアは正常です。", for the
// start mode of a model and for the largest configuration file, with the memory the state holds.

#include "ManualClock.h"
#include "RecordingFrontEnd.h"
#include "SimulatedInstrument.h"
#include "core/AnalyzerState.h"
#include "setup/ConfigurationDownload.h"
#include "setup/HardwareModes.h"
#include "setup/StartUp.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

using namespace seiran;

// The folder that holds the configuration files the build wrote: the folder of this program.
QString configurationFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

long residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Start-up in the start mode of the type, then, when `mode` is another one, the change to it as
// the hardware dialog makes it: the state is made anew each time, so its storage is allocated
// in every iteration.
void BM_StartUp(benchmark::State& bench, int deviceType, QString mode)
{
    QTemporaryDir folder;
    const QString file = configurationFileName(mode, deviceType);
    for (const QString& name : {configurationFileName(startMode(deviceType), deviceType), file})
        QFile::copy(QDir(configurationFolder()).filePath(name), folder.filePath(name));
    const long before = residentBytes();
    std::size_t storage = 0;
    bool ok = true;
    for (auto _ : bench) {
        ManualClock clock;
        RecordingFrontEnd frontEnd;
        AnalyzerState state(clock, frontEnd, folder.path());
        auto instrument = sim::makeSimulatedInstrument(deviceType, &clock);
        instrument->setRecording(false);
        state.commands.setUsbTransport(instrument.get());
        RunStartUp(state, {1});
        if (mode != startMode(deviceType))
            ChangeHardwareMode(state, mode);
        ok = ok && state.log.lastLine() == QStringLiteral("ハードウェアは正常です。");
        storage = 0;
        for (const PageState& page : state.pages)
            storage += page.storageBytes();
        bench.counters["resident_MiB"] = double(residentBytes() - before) / (1024.0 * 1024.0);
    }
    bench.counters["storage_MiB"] = double(storage) / (1024.0 * 1024.0);
    bench.counters["file_KiB"] = double(QFileInfo(folder.filePath(file)).size()) / 1024.0;
    if (!ok)
        bench.SkipWithError("start-up did not end with the hardware check passing");
}

// The largest configuration file: the analog add-on mode of TK-C4, downloaded after start-up as
// the hardware dialog does.
void BM_DownloadLargest(benchmark::State& bench)
{
    const QString mode = QStringLiteral("TK-C4_AX-9");
    QTemporaryDir folder;
    for (const QString& file : {configurationFileName(startMode(11), 11), configurationFileName(mode, 11)})
        QFile::copy(QDir(configurationFolder()).filePath(file), folder.filePath(file));
    ManualClock clock;
    RecordingFrontEnd frontEnd;
    AnalyzerState state(clock, frontEnd, folder.path());
    auto instrument = sim::makeSimulatedInstrument(11, &clock);
    instrument->setRecording(false);
    state.commands.setUsbTransport(instrument.get());
    RunStartUp(state, {1});
    bool ok = true;
    for (auto _ : bench) {
        state.instrument.HardwareMode = mode;
        DownloadConfiguration(state);
        ConfigureInstrument(state);
        ok = ok && state.log.lastLine() == QStringLiteral("ハードウェアは正常です。");
    }
    bench.counters["file_KiB"] = double(QFileInfo(folder.filePath(configurationFileName(mode, 11))).size()) / 1024.0;
    if (!ok)
        bench.SkipWithError("the download or the hardware check failed");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Each model in its start mode (start-up always begins there).
    for (int type : {1, 4, 7, 9, 11, 13}) {
        const QString mode = startMode(type);
        benchmark::RegisterBenchmark(("BM_StartUp/" + modelName(type).toStdString()).c_str(),
                                     [type, mode](benchmark::State& s) { BM_StartUp(s, type, mode); })
            ->Unit(benchmark::kMillisecond);
    }
    const QString compressed = QStringLiteral("圧縮 100MHz 16ch 256Kbit");
    benchmark::RegisterBenchmark("BM_StartUp/TK-C4_compressed",
                                 [compressed](benchmark::State& s) { BM_StartUp(s, 11, compressed); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_DownloadLargest/TK-C4_AX-9", BM_DownloadLargest)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
