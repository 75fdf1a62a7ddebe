#include "StartUp.h"

#include "CommandCodes.h"
#include "capture/CaptureState.h"
#include "capture/RunControl.h"
#include "core/AnalyzerState.h"
#include "core/Timers.h"
#include "files/SettingsFile.h"
#include "setup/ConfigurationDownload.h"
#include "setup/HardwareModes.h"
#include "setup/ModuleCheck.h"

#include <QDateTime>

#include <array>

namespace seiran {

namespace {

void send(AnalyzerState& state, int module, int code, std::uint32_t value)
{
    const std::array<std::uint32_t, 2> words{value, 0};
    state.commands.SendCommand(module, code, 8, words);
}

void resetFpga(AnalyzerState& state)
{
    if (state.device.isNewerGeneration()) {
        state.commands.WriteVendorOrRemote(vendor::kFpgaReset, 0);
        state.device.CommandSequence = 0;
    } else {
        state.commands.SendCommand(cmd::kSystemModule, cmd::kFpgaReset, 0);
    }
}

void stopAllTimers(AnalyzerState& state)
{
    Clock& clock = state.clock();
    clock.timer(kTimCheckEnd).setInterval(0);
    clock.timer(kTimMoveCursor).setInterval(0);
    clock.timer(kTimTestSeq).setInterval(0);
    for (const QString& name : kTimTrgStart)
        clock.timer(name).setInterval(0);
}

void readStatusBlock(AnalyzerState& state)
{
    DeviceState& device = state.device;
    std::array<std::uint32_t, 3> words{};
    if (device.isNewerGeneration())
        state.commands.ReadVendorOrRemote(vendor::kStatusBlock, vendor::kStatusBlockBytes, words);
    else
        state.commands.ReceiveData(cmd::kSystemModule, cmd::kStatusBlock, 8, words);
    const std::size_t bytes = device.isNewerGeneration() ? 12 : 8;
    for (std::size_t i = 0; i < bytes; ++i)
        device.DeviceStatus.bytes[i] = std::uint8_t(words[i / 4] >> (8 * (i % 4)));
    if (device.isNewerGeneration())
        device.AltTransferMode = device.DeviceStatus.altTransferFlag();
}

// The probe input level the instrument types with level shifters start with.
std::uint32_t startInputLevel(int deviceType)
{
    if (deviceType == 11)
        return 2324;
    return deviceType == 12 || deviceType == 13 ? 1056 : 0;
}

void sendInstrumentSettings(AnalyzerState& state)
{
    InstrumentSettings& s = state.instrument.settings;
    const int type = state.device.DeviceType;
    if (hasOutputAndClockSettings(type)) {
        send(state, cmd::kSettingsModule, cmd::kOutputLevel, outputLevelValue(s.OutputLevel.chosen));
        send(state, cmd::kSettingsModule, cmd::kClockSource, clockSourceValue(s.ClockSource.chosen));
        s.OutputLevel.sent = s.OutputLevel.chosen;
        s.ClockSource.sent = s.ClockSource.chosen;
    }
    if (hasSamplingDelaySetting(type)) {
        send(state, cmd::kSettingsModule, cmd::kSamplingDelay, samplingDelayCode(s.SamplingDelay.chosen));
        s.SamplingDelay.sent = s.SamplingDelay.chosen;
    }
}

} // namespace

int startUpWindowHeight(int c)
{
    const int r = kSignalRowHeight;
    return c > 16 ? r * 8 + 424 : (r + 1) * (c - 8) + 416;
}

void SetPageDefaults(AnalyzerState& state)
{
    const InstrumentState& inst = state.instrument;
    for (int page = 0; page < kPageCount - 1; ++page) {
        PageState& p = state.pages[std::size_t(page)];
        const bool analyzer = page < kAnalyzerPageCount;
        const bool generator = page >= kFirstGeneratorPage && page < kFirstGeneratorPage + kGeneratorPageCount;
        const bool hasModule = (analyzer && page < inst.AnalyzerPageCount && !inst.NoModule)
            || (generator && page - kFirstGeneratorPage < inst.GeneratorPageCount && !inst.NoModule);
        PageSetup setup;
        setup.page = page;
        setup.module = hasModule ? &inst.module(p.PageModule) : nullptr;
        setup.PageModule = p.PageModule;
        setup.channelCount = hasModule ? p.channelCount : 0;
        setup.dataCount = hasModule ? p.dataCount : 0;
        setup.channelOrigin = state.settings.channelOrigin;
        setup.clockPeriod = state.pageClockPeriod(page);
        SetPageToDefaults(p, setup);
        if (analyzer) {
            // Every input group starts from the page's defaults.
            AnalyzerPageCapture& capture = state.capture.pages[std::size_t(page)];
            capture.activeGroup = 0;
            for (GroupFields& group : capture.groupStore)
                saveGroupFields(p, group);
        }
        if (analyzer || generator)
            state.controls.pageTabVisible[std::size_t(page)] = hasModule;
    }
    state.controls.pageTabVisible[8] = true;
    state.controls.pageTabVisible[9] = false;
}

void PushAnalyzerDefaults(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    const int m = p.PageModule;
    const ModuleInfo& info = state.instrument.module(m);

    std::uint32_t startWord = 0;
    if (info.wantsRandomStartWord()) {
        const std::uint32_t r = state.random() & 0xFFFFu;
        startWord = info.ModuleDepthCode == 10 ? ((r & 0xFC00u) | 20u) : ((r & 0xF000u) | 36u);
    }
    p.runStartWord = std::int32_t(startWord);

    send(state, m, cmd::kSamplingInterval, 128);
    send(state, m, cmd::kTriggerRising, 1);
    send(state, m, cmd::kTriggerFalling, 0);
    send(state, m, cmd::kTriggerPosition, startWord);
    send(state, m, cmd::kAnalyzerReserved25, 0);
    send(state, m, cmd::kTriggerLevelValue, 0);
    send(state, m, cmd::kTriggerLevelCare, 0);
    if (info.ModuleSamplingEnable || info.ModuleEdgeSampling)
        send(state, m, cmd::kRunMode, 0);
    if (info.ModuleEdgeSampling)
        send(state, m, cmd::kSamplingEdge, 0);
    if (info.ModuleBankCount > 1)
        send(state, m, cmd::kInputGroup, 0);
}

void PushGeneratorDefaults(AnalyzerState& state, int module)
{
    send(state, module, cmd::kGenInterval, 113);
    send(state, module, cmd::kGenDataCount, 8);
    send(state, module, cmd::kGenTimes, 1);
}

void ConfigureInstrument(AnalyzerState& state)
{
    state.clock().wait(2);
    for (int i = 0; i < 2; ++i) {
        resetFpga(state);
        state.clock().wait(2);
    }
    CheckModules(state);
    if (state.instrument.NoModule)
        return;
    SetPageDefaults(state);
    if (state.device.isNewerGeneration())
        send(state, cmd::kSettingsModule, cmd::kAfterReset, 1);
    sendInstrumentSettings(state);

    const InstrumentState& inst = state.instrument;
    for (int page = 0; page < inst.AnalyzerPageCount; ++page)
        PushAnalyzerDefaults(state, page);
    for (int k = 0; k < inst.GeneratorPageCount; ++k)
        PushGeneratorDefaults(state, state.pages[std::size_t(kFirstGeneratorPage + k)].PageModule);
    // The captured data of the analyzer pages was cleared with their defaults above.
}

void RunStartUp(AnalyzerState& state, const StartUpOptions& options)
{
    state.log.clear();
    stopAllTimers(state);
    connectCaptureTimers(state);
    state.seedRandom(options.randomSeed.value_or(std::uint32_t(QDateTime::currentMSecsSinceEpoch())));

    DeviceState& device = state.device;
    state.commands.openUsb();
    std::fill_n(device.DeviceStatus.bytes.begin(), 8, std::uint8_t(0));

    InstrumentState& inst = state.instrument;
    inst.HardwareMode = startMode(device.DeviceType);
    inst.LoadedMode.clear();

    if (const std::uint32_t level = startInputLevel(device.DeviceType); level != 0) {
        const std::array<std::uint32_t, 2> words{level, 0};
        state.commands.WriteVendorOrRemote(vendor::kProbeLevel, 2, words);
    }

    if (!device.InterfaceError) {
        readStatusBlock(state);
        DownloadConfiguration(state);
        // A failed start-up download is reported by its messages; start-up goes on.
        inst.DownloadFailed = false;
        LoadSettings(state);
        ConfigureInstrument(state);
    } else {
        // The user's display settings still apply to files opened without an instrument.
        LoadSettings(state);
    }

    if (device.InterfaceError || inst.NoModule) {
        for (ModuleInfo& m : inst.modules)
            m.ModuleBankCount = 1;
        SetPageDefaults(state);
        state.controls.analyzer.runEnabled = false;
        state.controls.generatorRunEnabled = false;
        state.controls.hardwareMenuEnabled = false;
    }

    state.controls.startUpDone = true;
    state.controls.windowHeight = startUpWindowHeight(state.pages[0].channelCount);
}

bool ChangeHardwareMode(AnalyzerState& state, const QString& mode)
{
    state.instrument.HardwareMode = mode;
    UpdateClockPeriods(state);
    DownloadConfiguration(state);
    if (state.instrument.DownloadFailed)
        return false;
    ConfigureInstrument(state);
    return true;
}

void CloseProgram(AnalyzerState& state)
{
    state.controls.closing = true;
    stopAllTimers(state);
    for (int page = 0; page < kAnalyzerPageCount; ++page) {
        const PageState& p = state.pages[std::size_t(page)];
        if (p.running)
            send(state, p.PageModule, cmd::kStopCapture, 0);
    }
    for (int page = kFirstGeneratorPage; page < kFirstGeneratorPage + kGeneratorPageCount; ++page) {
        const PageState& p = state.pages[std::size_t(page)];
        if (p.running)
            send(state, p.PageModule, cmd::kStopGeneration, 0);
    }
    if (state.device.isUsb())
        state.commands.closeUsb();
}

} // namespace seiran
