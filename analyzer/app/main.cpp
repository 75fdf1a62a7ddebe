// seiran: the analyzer window.

#include "AppOptions.h"
#include "LibusbPath.h"
#include "MainWindow.h"
#include "RealClock.h"
#include "ScreenshotRun.h"
#include "SimulatedInstrument.h"
#include "core/AnalyzerState.h"

#include <QApplication>
#include <QFont>

#include <cstdio>
#include <memory>

using namespace seiran;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Seiran"));
    QApplication::setApplicationDisplayName(QStringLiteral("Seiran"));
    // The Gothic faces draw the Japanese captions and messages as glyphs.
    QFont font(QStringLiteral("VL PGothic"));
    font.setFamilies({QStringLiteral("VL PGothic"), QStringLiteral("VL Gothic")});
    font.setPixelSize(13);
    QApplication::setFont(font);

    const app::ParsedOptions parsed = app::parseAppOptions(QApplication::arguments());
    if (parsed.help) {
        std::fputs(parsed.helpText.toUtf8().constData(), stdout);
        return 0;
    }
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "seiran: %s\n", parsed.error.toUtf8().constData());
        return 2;
    }
    const app::AppOptions& options = parsed.options;

    // The simulated instrument runs on the window's clock, so its captures take real time too.
    RealClock clock;
    std::unique_ptr<UsbTransport> usb;
    if (options.simulatedType != 0)
        usb = sim::makeSimulatedInstrument(options.simulatedType, &clock);
    else
        usb = std::make_unique<LibusbPath>();

    app::MainWindow window(clock, *usb, defaultProgramFolder());
    window.setUnattended(!options.screenshotFile.isEmpty());
    app::StartOptions start;
    start.mode = options.mode;
    window.startUp(start);
    if (!options.dataFile.isEmpty())
        window.openFile(options.dataFile);
    if (!options.screenshotFile.isEmpty())
        return app::runScreenshot(window, options);
    return QApplication::exec();
}
