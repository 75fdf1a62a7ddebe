// seiran-cli: the analyzer core without a window, for scripts and tests. Log lines are printed as
// UTF-8, one per line.

#include "CliFrontEnd.h"
#include "CommandCodes.h"
#include "DeviceCommands.h"
#include "LibusbPath.h"
#include "ManualClock.h"
#include "MessageLog.h"
#include "SimInstrument.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <array>
#include <cstdio>
#include <memory>

using namespace seiran;

namespace {

int parseModel(const QString& text)
{
    bool ok = false;
    const int type = text.toInt(&ok);
    return ok && type >= 1 && type <= 13 ? type : 0;
}

QString hexBytes(const std::array<std::uint8_t, 12>& bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

// Opens the instrument and reads its status block, as start-up does first.
int runStatus(DeviceCommands& device)
{
    if (device.openUsb() != OpenCode::Opened)
        return 1;
    DeviceState& state = device.state();
    std::array<std::uint32_t, 3> words{};
    if (state.isNewerGeneration())
        device.ReadVendorCommand(vendor::kStatusBlock, vendor::kStatusBlockBytes, words);
    else
        device.ReceiveData(cmd::kSystemModule, cmd::kStatusBlock, 8, words);
    for (std::size_t i = 0; i < state.DeviceStatus.bytes.size(); ++i)
        state.DeviceStatus.bytes[i] = std::uint8_t(words[i / 4] >> (8 * (i % 4)));
    state.AltTransferMode = state.isNewerGeneration() && state.DeviceStatus.altTransferFlag();

    std::printf("DeviceType=%d (%s generation)\n", state.DeviceType,
                state.isNewerGeneration() ? "newer" : "older");
    std::printf("InterfaceKind=%s UsbPath=%d\n", state.InterfaceKind.toUtf8().constData(), state.UsbPath);
    std::printf("FirmwareLevel=%d AltTransferMode=%d\n", state.FirmwareLevel(), int(state.AltTransferMode));
    std::printf("Status=%s\n", hexBytes(state.DeviceStatus.bytes).toUtf8().constData());
    device.closeUsb();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("seiran-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Seiran without a window."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("simulate"), QStringLiteral("Use the simulated instrument of this type (1 to 13)."),
                      QStringLiteral("MODEL")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("status (default)"));
    parser.process(app);

    cli::CliFrontEnd frontEnd;
    MessageLog log;
    log.setFrontEnd(&frontEnd);
    DeviceState state;
    DeviceCommands device(state, log);
    ManualClock clock;

    std::unique_ptr<UsbTransport> usb;
    if (parser.isSet(QStringLiteral("simulate"))) {
        const int type = parseModel(parser.value(QStringLiteral("simulate")));
        if (type == 0) {
            std::fprintf(stderr, "seiran-cli: unknown model '%s'\n",
                         parser.value(QStringLiteral("simulate")).toUtf8().constData());
            return 2;
        }
        usb = std::make_unique<sim::SimInstrument>(type, &clock);
    } else {
        usb = std::make_unique<LibusbPath>();
    }
    device.setUsbTransport(usb.get());

    const QStringList args = parser.positionalArguments();
    const QString command = args.isEmpty() ? QStringLiteral("status") : args.first();
    if (command == QLatin1String("status"))
        return runStatus(device);
    std::fprintf(stderr, "seiran-cli: unknown command '%s'\n", command.toUtf8().constData());
    return 2;
}
