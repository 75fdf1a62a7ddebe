// seiran-cli: the analyzer core without a window, for scripts and tests. Log lines are printed as
// UTF-8, one per line, as they are written.

#include "CliFrontEnd.h"
#include "LibusbPath.h"
#include "ManualClock.h"
#include "SimulatedInstrument.h"
#include "core/AnalyzerState.h"
#include "setup/ConfigurationDownload.h"
#include "setup/HardwareModes.h"
#include "setup/StartUp.h"
#include "view/Pages.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

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

// The hardware dialog's change of mode: download the new configuration and set the pages up again.
void changeMode(AnalyzerState& state, const QString& mode)
{
    state.instrument.HardwareMode = mode;
    UpdateClockPeriods(state);
    DownloadConfiguration(state);
    if (!state.instrument.DownloadFailed)
        ConfigureInstrument(state);
}

int runInfo(AnalyzerState& state, const QString& mode)
{
    RunStartUp(state);
    bool ok = state.log.lastLine() == kHardwareOk;
    if (ok && !mode.isEmpty()) {
        changeMode(state, mode);
        ok = state.log.lastLine() == kHardwareOk;
    }
    printPages(state);
    CloseProgram(state);
    return ok ? 0 : 1;
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
    parser.addOption({QStringLiteral("mode"), QStringLiteral("Change to this hardware mode after start-up."),
                      QStringLiteral("MODE")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("info (default)"));
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
        usb = sim::makeSimulatedInstrument(type, &clock);
    } else {
        usb = std::make_unique<LibusbPath>();
    }
    state.commands.setUsbTransport(usb.get());

    const QStringList args = parser.positionalArguments();
    const QString command = args.isEmpty() ? QStringLiteral("info") : args.first();
    if (command == QLatin1String("info"))
        return runInfo(state, parser.value(QStringLiteral("mode")));
    std::fprintf(stderr, "seiran-cli: unknown command '%s'\n", command.toUtf8().constData());
    return 2;
}
