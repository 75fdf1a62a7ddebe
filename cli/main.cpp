// seiran-cli: the analyzer core without a window, for scripts and tests. Log lines are printed as
// UTF-8, one per line, as they are written.

#include "CliFrontEnd.h"
#include "CliOptions.h"
#include "FileFit.h"
#include "LibusbPath.h"
#include "ManualClock.h"
#include "SimFaults.h"
#include "SimulatedInstrument.h"
#include "capture/CaptureSettings.h"
#include "capture/RunControl.h"
#include "core/AnalyzerState.h"
#include "core/Timers.h"
#include "cursor/Measurement.h"
#include "files/DataFile.h"
#include "render/Navigation.h"
#include "setup/ConfigurationDownload.h"
#include "setup/HardwareModes.h"
#include "setup/OfflinePage.h"
#include "setup/StartUp.h"
#include "view/PageLists.h"
#include "view/PageTime.h"
#include "view/Pages.h"
#include "view/TimeText.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
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
// "auto" (open only) leaves the mode to the file.
const QString kAutoMode = QStringLiteral("auto");

// Exit statuses: 0 done, 1 the instrument, the file or the capture failed, 2 the command line
// asked for something that does not exist.
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Start-up, then the mode of --mode as the hardware dialog applies it: 0 when the hardware check
// of the last of them passed, else the exit status.
int startUpInMode(AnalyzerState& state, const QString& mode)
{
    RunStartUp(state);
    if (state.log.lastLine() != kHardwareOk)
        return kFailed;
    if (mode.isEmpty() || mode == kAutoMode)
        return 0;
    const QStringList modes = hardwareModes(state.device.DeviceType);
    if (!modes.contains(mode)) {
        std::fprintf(stderr, "seiran-cli: %s has no hardware mode '%s'; its modes: %s\n",
                     modelName(state.device.DeviceType).toUtf8().constData(), mode.toUtf8().constData(),
                     modes.isEmpty() ? "none (the mode is fixed)" : modes.join(QStringLiteral(" | ")).toUtf8().constData());
        return kUsage;
    }
    ChangeHardwareMode(state, mode);
    return state.log.lastLine() == kHardwareOk ? 0 : kFailed;
}

int runInfo(AnalyzerState& state, const QString& mode)
{
    const int status = startUpInMode(state, mode);
    if (status != kUsage)
        printPages(state);
    CloseProgram(state);
    return status;
}

struct CaptureOptions {
    int page = 0;
    QString interval;
    QStringList triggers; // "CH=COND"
    QString position;
    QString runMode;
    int stopAfterMs = -1;
    QString saveFile; // written after the capture or the open: ".ana", or ".csv" by its ending
    int measureChannel = -1; // --measure: the channel number (from the origin) of the A-B readout
    std::optional<std::pair<int, int>> cursors; // --cursors: A and B in samples from the trigger
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
    if (!p.hasData) {
        std::printf("page=%d no data interval=%s\n", page, interval.toUtf8().constData());
        return;
    }
    if (p.compressed)
        std::printf("page=%d records=%d samples=%d trigger=%d interval=%s\n", page, p.recCount, p.sampleCount,
                    p.recTriggerSample, interval.toUtf8().constData());
    else
        std::printf("page=%d samples=%d trigger=%d interval=%s\n", page, p.dataCount, p.triggerPosition,
                    interval.toUtf8().constData());
    for (int c = 0; c < p.channelCount; ++c) {
        const ChannelActivity a = activityOf(p, c);
        const QString first = a.first < 0 ? QStringLiteral("-") : FormatTimeText(interval, SampleTime(p, a.first, step));
        std::printf("CH%d transitions=%lld first=%s\n", c + state.settings.channelOrigin, a.transitions,
                    first.toUtf8().constData());
    }
}

// The A-B readout of the window for one channel, with cursors A and B placed first when asked;
// false when the channel is not on the page.
bool printMeasurement(AnalyzerState& state, int page, const CaptureOptions& options)
{
    if (options.measureChannel < 0 && !options.cursors)
        return true;
    PageState& p = state.pages[std::size_t(page)];
    if (options.cursors) {
        const std::int64_t trigger = TriggerSample(p);
        p.cursorA = std::int32_t(trigger + options.cursors->first);
        p.cursorB = std::int32_t(trigger + options.cursors->second);
    }
    if (options.measureChannel < 0)
        return true;
    const int origin = state.settings.channelOrigin;
    const int channel = options.measureChannel - origin;
    if (channel < 0 || channel >= p.channelCount) {
        std::fprintf(stderr, "seiran-cli: --measure takes a channel number from %d to %d\n", origin,
                     origin + p.channelCount - 1);
        return false;
    }
    const EdgeMeasurement m = MeasureEdges(p, channel, p.cursorA, p.cursorB);
    const QString interval = state.intervalText(page);
    std::printf("measure A=%d B=%d %s\n", p.cursorA, p.cursorB,
                MeasurementText(p, m, interval, origin).toUtf8().constData());
    return true;
}

// The trigger conditions in effect, as RUN will send them: "position=中央 CH0=Rise CH4=Fall".
void printTriggerConditions(const AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    QString text = QStringLiteral("trigger position=") + p.triggerText[0];
    int conditions = 0;
    for (int c = 0; c < p.channelCount; ++c) {
        const QString& condition = p.triggerText[std::size_t(1 + c)];
        if (condition.isEmpty() || condition == QStringLiteral("-"))
            continue;
        text += QStringLiteral(" CH%1=%2").arg(c + state.settings.channelOrigin).arg(condition);
        ++conditions;
    }
    if (conditions == 0)
        text += QStringLiteral(" (no channel conditions: triggers at once)");
    std::printf("%s\n", text.toUtf8().constData());
}

// Sets the page up as the options say; false (after a message naming what is accepted) when an
// option names something the page does not have.
bool applyCaptureOptions(AnalyzerState& state, const CaptureOptions& options)
{
    const int page = options.page;
    PageState& p = state.pages[std::size_t(page)];
    if (!options.interval.isEmpty()) {
        const QStringList intervals = BuildIntervalList(page, state.pageClockPeriod(page), state.instrument.HardwareMode);
        const int index = cli::findInterval(intervals, options.interval);
        if (index < 0) {
            std::fprintf(stderr, "seiran-cli: no interval '%s' on this page; accepted: %s (also spelt 10ns, 1us, 1µs)\n",
                         options.interval.toUtf8().constData(), intervals.join(QLatin1Char(' ')).toUtf8().constData());
            return false;
        }
        cmbAnaIntervalChange(state, page, index);
    }
    bool triggersChanged = false;
    static const QStringList kConditions{"Rise", "Fall", "Either", "H", "L", "-"};
    const int origin = state.settings.channelOrigin;
    // "none" starts from no conditions wherever it stands among the --trigger options.
    if (options.triggers.contains(QStringLiteral("none"))) {
        for (int c = 0; c < kMaxChannels; ++c)
            p.triggerText[std::size_t(1 + c)] = QStringLiteral("-");
        triggersChanged = true;
    }
    for (const QString& t : options.triggers) {
        if (t == QStringLiteral("none"))
            continue;
        const int eq = int(t.indexOf(QLatin1Char('=')));
        const std::optional<int> number =
            eq < 0 ? std::nullopt : cli::parseBoundedInt(t.left(eq), origin, origin + p.channelCount - 1);
        if (!number || !kConditions.contains(t.mid(eq + 1))) {
            std::fprintf(stderr, "seiran-cli: bad trigger '%s': CH=Rise|Fall|Either|H|L|- with CH from %d to %d, or none\n",
                         t.toUtf8().constData(), origin, origin + p.channelCount - 1);
            return false;
        }
        p.triggerText[std::size_t(1 + *number - origin)] = t.mid(eq + 1);
        triggersChanged = true;
    }
    if (!options.position.isEmpty()) {
        p.triggerText[0] = options.position;
        triggersChanged = true;
    }
    if (triggersChanged)
        SendTriggerSettings(state, page);
    if (!options.runMode.isEmpty()) {
        const QStringList modes = runModeList(state, page);
        if (!modes.contains(options.runMode)) {
            std::fprintf(stderr, "seiran-cli: no run mode '%s' on this page; accepted: %s\n",
                         options.runMode.toUtf8().constData(), modes.join(QLatin1Char(' ')).toUtf8().constData());
            return false;
        }
        cmbRunModeChange(state, page, options.runMode);
    }
    return true;
}

// Start-up, the mode change of --mode, and the analyzer page the command works on: 0, or the
// exit status (with a message where the log has none).
int startUpOnPage(AnalyzerState& state, const QString& mode, int page)
{
    if (const int status = startUpInMode(state, mode); status != 0)
        return status;
    if (page >= state.instrument.AnalyzerPageCount) {
        std::fprintf(stderr, "seiran-cli: page %d has no analyzer module in this mode (pages 0 to %d)\n", page,
                     state.instrument.AnalyzerPageCount - 1);
        return kUsage;
    }
    state.controls.currentPage = page;
    return 0;
}

int runCapture(AnalyzerState& state, ManualClock& clock, const QString& mode, const CaptureOptions& options)
{
    const int page = options.page;
    if (const int status = startUpOnPage(state, mode, page); status != 0) {
        CloseProgram(state);
        return status;
    }
    if (!applyCaptureOptions(state, options)) {
        CloseProgram(state);
        return kUsage;
    }
    printTriggerConditions(state, page);

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
    const bool held = state.pages[std::size_t(page)].hasData;
    if (!held)
        std::fprintf(stderr, "seiran-cli: the page holds no capture\n");
    const bool measured = !held || printMeasurement(state, page, options);
    const bool saved = options.saveFile.isEmpty() || SaveDataFile(state, page, options.saveFile);
    CloseProgram(state);
    if (!measured)
        return kUsage;
    return held && saved ? 0 : kFailed;
}

// Starts up, reads a data file onto the page and prints the same summary as a capture; with a
// save file the page is written again, which converts between the layouts and the spreadsheet.
// A file the page cannot show whole (channels or samples dropped, another clock, a file cut
// short) is shown as far as it goes and fails the command; --mode auto first looks for a mode
// whose page holds it. With no instrument usable, the file is viewed offline on a page laid out
// from the file itself, as the window does.
int runOpen(AnalyzerState& state, const QString& mode, const QString& fileName, const CaptureOptions& options)
{
    int page = options.page;
    const int status = startUpOnPage(state, mode, page);
    const bool offline = status == kFailed && ViewingOffline(state);
    if (status != 0 && !offline) {
        CloseProgram(state);
        return status;
    }
    if (offline) {
        LogOfflineHints(state);
        page = PrepareOfflinePage(state);
    } else if (mode == kAutoMode) {
        const cli::FileShape shape = cli::describeDataFile(fileName);
        const QString before = state.instrument.HardwareMode;
        if (shape.read && !cli::chooseModeForFile(state, page, shape))
            std::fprintf(stderr, "seiran-cli: no hardware mode of %s holds this file whole\n",
                         modelName(state.device.DeviceType).toUtf8().constData());
        std::printf("mode=%s%s\n", state.instrument.HardwareMode.toUtf8().constData(),
                    state.instrument.HardwareMode == before ? " (kept)" : "");
    }
    if (page >= state.instrument.AnalyzerPageCount) {
        std::fprintf(stderr, "seiran-cli: page %d has no analyzer module in this mode\n", page);
        CloseProgram(state);
        return kFailed;
    }
    const OpenResult opened = OpenDataFile(state, page, fileName);
    if (offline)
        FinishOfflinePage(state, page, opened.loaded);
    if (!opened) {
        CloseProgram(state);
        return kFailed;
    }
    if (offline)
        std::printf("offline: no instrument; the page is laid out from the file\n");
    printCaptureSummary(state, page);
    if (!printMeasurement(state, page, options)) {
        CloseProgram(state);
        return kUsage;
    }
    const PageState& p = state.pages[std::size_t(page)];
    QStringList why;
    if (opened.missing > 0)
        why << QStringLiteral("the file ends early: %1 samples or records it announces are missing").arg(opened.missing);
    if (opened.channelsDropped)
        why << QStringLiteral("the file has more channels than the page's %1").arg(p.channelCount);
    if (opened.samplesDropped)
        why << QStringLiteral("the file holds more samples than the page keeps");
    if (opened.clockDiffers)
        why << QStringLiteral("the file's clock period differs from the hardware's %1 nS").arg(state.pageClockPeriod(page));
    for (const QString& line : why)
        std::fprintf(stderr, "seiran-cli: %s\n", line.toUtf8().constData());
    const bool whole = why.isEmpty();
    if (!whole && mode != kAutoMode && opened.missing == 0)
        std::fprintf(stderr, "seiran-cli: the page does not show the file as it was captured; "
                             "--mode auto picks a hardware mode that does\n");
    const bool saved = options.saveFile.isEmpty() || SaveDataFile(state, page, options.saveFile);
    CloseProgram(state);
    return whole && saved ? 0 : kFailed;
}

// The value of an option that must be a whole number in [min, max]; exits with a message when it
// is not.
int boundedOption(const QCommandLineParser& parser, const QString& name, int min, int max, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    const QString text = parser.value(name);
    const std::optional<int> value = cli::parseBoundedInt(text, min, max);
    if (!value) {
        std::fprintf(stderr, "seiran-cli: --%s takes a whole number from %d to %d, not '%s'\n",
                     name.toUtf8().constData(), min, max, text.toUtf8().constData());
        std::exit(kUsage);
    }
    return *value;
}

// The options of capture and open, checked for what can be checked before start-up.
CaptureOptions captureOptions(const QCommandLineParser& parser)
{
    CaptureOptions options;
    options.page = boundedOption(parser, QStringLiteral("page"), 0, kAnalyzerPageCount - 1, 0);
    options.interval = parser.value(QStringLiteral("interval"));
    options.triggers = parser.values(QStringLiteral("trigger"));
    if (parser.isSet(QStringLiteral("position"))) {
        const QString text = parser.value(QStringLiteral("position"));
        options.position = cli::triggerPositionText(text);
        if (options.position.isEmpty()) {
            std::fprintf(stderr, "seiran-cli: no trigger position '%s'; accepted: %s\n", text.toUtf8().constData(),
                         cli::triggerPositionChoices().toUtf8().constData());
            std::exit(kUsage);
        }
    }
    options.runMode = parser.value(QStringLiteral("run-mode"));
    options.stopAfterMs = boundedOption(parser, QStringLiteral("stop-after"), 0, std::numeric_limits<int>::max(), -1);
    options.saveFile = parser.value(QStringLiteral("save"));
    options.measureChannel = boundedOption(parser, QStringLiteral("measure"), 0, std::numeric_limits<int>::max(), -1);
    if (parser.isSet(QStringLiteral("cursors"))) {
        const QStringList parts = parser.value(QStringLiteral("cursors")).split(QLatin1Char(','));
        const int limit = 2 * kMaxSamples;
        const std::optional<int> a = parts.size() == 2 ? cli::parseBoundedInt(parts[0], -limit, limit) : std::nullopt;
        const std::optional<int> b = parts.size() == 2 ? cli::parseBoundedInt(parts[1], -limit, limit) : std::nullopt;
        if (!a || !b) {
            std::fprintf(stderr, "seiran-cli: --cursors takes A,B: two sample counts from the trigger (-20,80)\n");
            std::exit(kUsage);
        }
        options.cursors = std::make_pair(*a, *b);
    }
    return options;
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
    parser.addOption({QStringLiteral("mode"),
                      QStringLiteral("Change to this hardware mode after start-up; open: auto picks a mode whose page holds the file."),
                      QStringLiteral("MODE")});
    parser.addOption({QStringLiteral("page"), QStringLiteral("capture, open: the analyzer page, 0 to 3."), QStringLiteral("P"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("interval"), QStringLiteral("capture: the sampling interval as the list shows it (10nS), or 10ns, 1us, 1µs."), QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("trigger"), QStringLiteral("capture: a channel condition, CH=Rise|Fall|Either|H|L|- (repeatable); none starts from no conditions."), QStringLiteral("CH=COND")});
    parser.addOption({QStringLiteral("position"), QStringLiteral("capture: the trigger position, 左, 中央 or 右 (left, center, right)."), QStringLiteral("POS")});
    parser.addOption({QStringLiteral("run-mode"), QStringLiteral("capture: the run mode (シングル, リピート, ...)."), QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("stop-after"), QStringLiteral("capture: press STOP after this many milliseconds."), QStringLiteral("MS")});
    parser.addOption({QStringLiteral("cursors"), QStringLiteral("capture, open: place cursors A and B, in samples from the trigger (-20,80)."), QStringLiteral("A,B")});
    parser.addOption({QStringLiteral("measure"), QStringLiteral("capture, open: print the A-B readout of this channel: period, frequency, duty cycle, edges."), QStringLiteral("CH")});
    parser.addOption({QStringLiteral("save"), QStringLiteral("capture, open: write the page to this data file afterwards (.ana, or .csv)."), QStringLiteral("FILE")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("info (default), capture, or open FILE"));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QString command = args.isEmpty() ? QStringLiteral("info") : args.first();
    const QString mode = parser.value(QStringLiteral("mode"));
    if (command != QLatin1String("info") && command != QLatin1String("capture") && command != QLatin1String("open")) {
        std::fprintf(stderr, "seiran-cli: unknown command '%s' (info, capture, open FILE)\n", command.toUtf8().constData());
        return kUsage;
    }
    if (command == QLatin1String("open") && args.size() != 2) {
        std::fprintf(stderr, "seiran-cli: open takes one data file\n");
        return kUsage;
    }
    if (mode == kAutoMode && command != QLatin1String("open")) {
        std::fprintf(stderr, "seiran-cli: --mode auto needs a file to fit: use it with open\n");
        return kUsage;
    }
    const CaptureOptions options = captureOptions(parser);

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
            return kUsage;
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

    if (command == QLatin1String("info"))
        return runInfo(state, mode);
    if (command == QLatin1String("capture"))
        return runCapture(state, clock, mode, options);
    return runOpen(state, mode, args[1], options);
}
