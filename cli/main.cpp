// seiran-cli: the analyzer core without a window, for scripts and tests. Log lines are printed as
// UTF-8, one per line, as they are written.

#include "CliFrontEnd.h"
#include "LibusbPath.h"
#include "ManualClock.h"
#include "SimFaults.h"
#include "SimulatedInstrument.h"
#include "capture/CaptureSettings.h"
#include "capture/RunControl.h"
#include "core/AnalyzerState.h"
#include "core/Timers.h"
#include "files/DataFile.h"
#include "setup/ConfigurationDownload.h"
#include "setup/HardwareModes.h"
#include "setup/StartUp.h"
#include "view/PageLists.h"
#include "view/PageTime.h"
#include "view/Pages.h"
#include "view/TimeText.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <string>

using namespace seiran;

namespace {

const QString kHardwareOk = QStringLiteral("ハードウェアは正常です。");

// A DeviceType number or a model name such as "TK-C4"; 0 when it names no simulated model.
int parseModel(const QString& text)
{
    bool ok = false;
    const int type = text.toInt(&ok);
    if (ok)
        return type >= 1 && type <= 13 ? type : 0;
    return deviceTypeOfModel(text);
}

QString pageKind(const AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& m = state.instrument.module(p.PageModule);
    if (IsGeneratorPage(page)) {
        if (m.ModuleRangeMode)
            return QStringLiteral("range page");
        return p.dataCount >= 32000 ? QStringLiteral("generator large page") : QStringLiteral("generator cell page");
    }
    if (m.ModuleCompressed)
        return QStringLiteral("compressed");
    if (m.ModuleSamplingEnable)
        return QStringLiteral("sampling enable");
    if (m.ModuleEdgeSampling)
        return QStringLiteral("edge sampling");
    return QStringLiteral("bit planes");
}

void printPages(const AnalyzerState& state)
{
    for (int page = 0; page < kProtocolPage; ++page) {
        if (!state.controls.pageTabVisible[std::size_t(page)])
            continue;
        const PageState& p = state.pages[std::size_t(page)];
        std::printf("%d %s slot=%d channels=%d data=%d kind=%s\n", page, PageCaption(page).toUtf8().constData(),
                    p.PageModule, p.channelCount, p.dataCount, pageKind(state, page).toUtf8().constData());
    }
}

// Start-up, then the mode of --mode as the hardware dialog applies it; true when the hardware
// check of the last of them passed.
bool startUpInMode(AnalyzerState& state, const QString& mode)
{
    RunStartUp(state);
    if (state.log.lastLine() != kHardwareOk)
        return false;
    if (mode.isEmpty())
        return true;
    ChangeHardwareMode(state, mode);
    return state.log.lastLine() == kHardwareOk;
}

int runInfo(AnalyzerState& state, const QString& mode)
{
    const bool ok = startUpInMode(state, mode);
    printPages(state);
    CloseProgram(state);
    return ok ? 0 : 1;
}

struct CaptureOptions {
    int page = 0;
    QString interval;
    QStringList triggers; // "CH=COND"
    QString position;
    QString runMode;
    int stopAfterMs = -1;
    QString saveFile; // written after the capture or the open: ".ana", or ".csv" by its ending
};

// Transitions of one channel and the sample index of the first, over the page's capture.
struct ChannelActivity {
    long long transitions = 0;
    long long first = -1;
};

ChannelActivity activityOf(const PageState& p, int channel)
{
    ChannelActivity a;
    if (p.compressed) {
        const RecordListView records = p.displayRecords();
        for (int i = 1; i < records.count(); ++i) {
            if (records.level(channel, i) == records.level(channel, i - 1))
                continue;
            if (a.transitions++ == 0)
                a.first = records.start(i);
        }
        return a;
    }
    for (int j = 1; j < p.dataCount; ++j) {
        if (p.sampleBits.level(channel, j) == p.sampleBits.level(channel, j - 1))
            continue;
        if (a.transitions++ == 0)
            a.first = j;
    }
    return a;
}

void printCaptureSummary(const AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    const QString interval = state.intervalText(page);
    const double step = ParseTimeText(interval);
    if (p.compressed)
        std::printf("page=%d records=%d samples=%d trigger=%d interval=%s\n", page, p.recCount, p.sampleCount,
                    p.recTriggerSample, interval.toUtf8().constData());
    else
        std::printf("page=%d samples=%d trigger=%d interval=%s\n", page, p.dataCount, p.triggerPosition,
                    interval.toUtf8().constData());
    if (!p.hasData)
        return;
    for (int c = 0; c < p.channelCount; ++c) {
        const ChannelActivity a = activityOf(p, c);
        const QString first = a.first < 0 ? QStringLiteral("-") : FormatTimeText(interval, SampleTime(p, a.first, step));
        std::printf("CH%d transitions=%lld first=%s\n", c + state.settings.channelOrigin, a.transitions,
                    first.toUtf8().constData());
    }
}

bool applyCaptureOptions(AnalyzerState& state, const CaptureOptions& options)
{
    const int page = options.page;
    PageState& p = state.pages[std::size_t(page)];
    if (!options.interval.isEmpty()) {
        const QStringList intervals = BuildIntervalList(page, state.pageClockPeriod(page), state.instrument.HardwareMode);
        const int index = int(intervals.indexOf(options.interval));
        if (index < 0) {
            std::fprintf(stderr, "seiran-cli: no interval '%s' on this page (%s)\n", options.interval.toUtf8().constData(),
                         intervals.join(QLatin1Char(' ')).toUtf8().constData());
            return false;
        }
        cmbAnaIntervalChange(state, page, index);
    }
    bool triggersChanged = false;
    for (const QString& t : options.triggers) {
        const int eq = int(t.indexOf(QLatin1Char('=')));
        bool ok = false;
        const int channel = t.left(eq).toInt(&ok) - state.settings.channelOrigin;
        static const QStringList kConditions{"Rise", "Fall", "Either", "H", "L", "-"};
        if (eq < 0 || !ok || channel < 0 || channel >= p.channelCount || !kConditions.contains(t.mid(eq + 1))) {
            std::fprintf(stderr, "seiran-cli: bad trigger '%s' (CH=Rise|Fall|Either|H|L|-)\n", t.toUtf8().constData());
            return false;
        }
        p.triggerText[std::size_t(1 + channel)] = t.mid(eq + 1);
        triggersChanged = true;
    }
    if (!options.position.isEmpty()) {
        p.triggerText[0] = options.position;
        triggersChanged = true;
    }
    if (triggersChanged)
        SendTriggerSettings(state, page);
    if (!options.runMode.isEmpty()) {
        if (!runModeList(state, page).contains(options.runMode)) {
            std::fprintf(stderr, "seiran-cli: no run mode '%s' on this page\n", options.runMode.toUtf8().constData());
            return false;
        }
        cmbRunModeChange(state, page, options.runMode);
    }
    return true;
}

// Start-up, the mode change of --mode, and the analyzer page the command works on; false (with a
// message where the log has none) when any of them is not there.
bool startUpOnPage(AnalyzerState& state, const QString& mode, int page)
{
    if (!startUpInMode(state, mode))
        return false;
    if (page < 0 || page >= state.instrument.AnalyzerPageCount) {
        std::fprintf(stderr, "seiran-cli: page %d has no analyzer module\n", page);
        return false;
    }
    state.controls.currentPage = page;
    return true;
}

int runCapture(AnalyzerState& state, ManualClock& clock, const QString& mode, const CaptureOptions& options)
{
    const int page = options.page;
    if (!startUpOnPage(state, mode, page)) {
        CloseProgram(state);
        return 1;
    }
    if (!applyCaptureOptions(state, options)) {
        CloseProgram(state);
        return 2;
    }

    StartCapture(state, page);
    const auto idle = [&] { return !anyPageBusy(state); };
    if (options.stopAfterMs >= 0) {
        clock.runUntil(idle, options.stopAfterMs);
        if (!idle())
            StopCapture(state, page);
    }
    // Captures of slow intervals take long in simulated time; a page that never ends is stopped.
    constexpr int kLimitMs = 24 * 3600 * 1000;
    if (!clock.runUntil(idle, kLimitMs)) {
        StopCapture(state, page);
        clock.runUntil(idle, kLimitMs);
    }
    printCaptureSummary(state, page);
    const bool saved = options.saveFile.isEmpty() || SaveDataFile(state, page, options.saveFile);
    CloseProgram(state);
    return state.pages[std::size_t(page)].hasData && saved ? 0 : 1;
}

// Starts up, reads a data file onto the page and prints the same summary as a capture; with a
// save file the page is written again, which converts between the layouts and the spreadsheet.
int runOpen(AnalyzerState& state, const QString& mode, const QString& fileName, const CaptureOptions& options)
{
    const int page = options.page;
    if (!startUpOnPage(state, mode, page)) {
        CloseProgram(state);
        return 1;
    }
    if (!OpenDataFile(state, page, fileName)) {
        CloseProgram(state);
        return 1;
    }
    printCaptureSummary(state, page);
    const bool saved = options.saveFile.isEmpty() || SaveDataFile(state, page, options.saveFile);
    CloseProgram(state);
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("seiran-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Seiran without a window."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("simulate"),
                      QStringLiteral("Use the simulated instrument of this type (1 to 13, or a model name such as TK-C4)."),
                      QStringLiteral("MODEL")});
    parser.addOption({QStringLiteral("sim-fault"),
                      QStringLiteral("With --simulate: arm a fault of the simulated instrument, ")
                          + QString::fromUtf8(sim::faultPlanSyntax().data(), qsizetype(sim::faultPlanSyntax().size()))
                          + QStringLiteral(" (e.g. vanish@transfer)."),
                      QStringLiteral("KIND@POINT")});
    parser.addOption({QStringLiteral("mode"), QStringLiteral("Change to this hardware mode after start-up."),
                      QStringLiteral("MODE")});
    parser.addOption({QStringLiteral("page"), QStringLiteral("capture: the analyzer page, 0 to 3."), QStringLiteral("P"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("interval"), QStringLiteral("capture: the sampling interval as the list shows it (10nS)."), QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("trigger"), QStringLiteral("capture: a channel condition, CH=Rise|Fall|Either|H|L|- (repeatable)."), QStringLiteral("CH=COND")});
    parser.addOption({QStringLiteral("position"), QStringLiteral("capture: the trigger position, 左, 中央 or 右."), QStringLiteral("POS")});
    parser.addOption({QStringLiteral("run-mode"), QStringLiteral("capture: the run mode (シングル, リピート, ...)."), QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("stop-after"), QStringLiteral("capture: press STOP after this many milliseconds."), QStringLiteral("MS")});
    parser.addOption({QStringLiteral("save"), QStringLiteral("capture, open: write the page to this data file afterwards (.ana, or .csv)."), QStringLiteral("FILE")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("info (default), capture, or open FILE"));
    parser.process(app);

    ManualClock clock;
    cli::CliFrontEnd frontEnd;
    AnalyzerState state(clock, frontEnd, defaultProgramFolder());

    std::unique_ptr<UsbTransport> usb;
    if (parser.isSet(QStringLiteral("simulate"))) {
        const QString model = parser.value(QStringLiteral("simulate"));
        const int type = parseModel(model);
        if (type == 0) {
            std::fprintf(stderr, "seiran-cli: no simulated instrument '%s' (1 to 13 or a model name)\n",
                         model.toUtf8().constData());
            return 2;
        }
        auto simulated = sim::makeSimulatedInstrument(type, &clock);
        if (parser.isSet(QStringLiteral("sim-fault"))) {
            const QString text = parser.value(QStringLiteral("sim-fault"));
            const auto plan = sim::parseFaultPlan(text.toStdString());
            if (!plan) {
                std::fprintf(stderr, "seiran-cli: unknown --sim-fault '%s': %s\n", text.toUtf8().constData(),
                             std::string(sim::faultPlanSyntax()).c_str());
                return 2;
            }
            simulated->armFault(*plan);
        }
        usb = std::move(simulated);
    } else if (parser.isSet(QStringLiteral("sim-fault"))) {
        std::fprintf(stderr, "seiran-cli: --sim-fault needs --simulate\n");
        return 2;
    } else {
        usb = std::make_unique<LibusbPath>();
    }
    state.commands.setUsbTransport(usb.get());

    const QStringList args = parser.positionalArguments();
    const QString command = args.isEmpty() ? QStringLiteral("info") : args.first();
    if (command == QLatin1String("info"))
        return runInfo(state, parser.value(QStringLiteral("mode")));
    if (command == QLatin1String("capture")) {
        CaptureOptions options;
        options.page = parser.value(QStringLiteral("page")).toInt();
        options.interval = parser.value(QStringLiteral("interval"));
        options.triggers = parser.values(QStringLiteral("trigger"));
        options.position = parser.value(QStringLiteral("position"));
        options.runMode = parser.value(QStringLiteral("run-mode"));
        if (parser.isSet(QStringLiteral("stop-after")))
            options.stopAfterMs = parser.value(QStringLiteral("stop-after")).toInt();
        options.saveFile = parser.value(QStringLiteral("save"));
        return runCapture(state, clock, parser.value(QStringLiteral("mode")), options);
    }
    if (command == QLatin1String("open")) {
        if (args.size() != 2) {
            std::fprintf(stderr, "seiran-cli: open takes one data file\n");
            return 2;
        }
        CaptureOptions options;
        options.page = parser.value(QStringLiteral("page")).toInt();
        options.saveFile = parser.value(QStringLiteral("save"));
        return runOpen(state, parser.value(QStringLiteral("mode")), args[1], options);
    }
    std::fprintf(stderr, "seiran-cli: unknown command '%s'\n", command.toUtf8().constData());
    return 2;
}
