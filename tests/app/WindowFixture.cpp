#include "WindowFixture.h"

#include "SimulatedInstrument.h"
#include "setup/HardwareModes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace seiran::test {

ProgramFolder::ProgramFolder() = default;

void ProgramFolder::addConfiguration(const QString& mode, int deviceType)
{
    // The build writes the configuration files beside the programs, this test among them.
    const QString file = configurationFileName(mode, deviceType);
    QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(file), QDir(path()).filePath(file));
}

SimulatedWindow::SimulatedWindow(Clock& clock, int deviceType, const QString& mode)
{
    folder.addConfiguration(startMode(deviceType), deviceType);
    if (!mode.isEmpty())
        folder.addConfiguration(mode, deviceType);
    instrument = sim::makeSimulatedInstrument(deviceType, &clock);
    instrument->setRecording(false);
    window = std::make_unique<app::MainWindow>(clock, *instrument, folder.path());
    app::StartOptions options;
    options.mode = mode;
    options.randomSeed = 3;
    window->startUp(options);
}

SimulatedWindow::~SimulatedWindow()
{
    window.reset(); // closes the instrument before it goes
}

} // namespace seiran::test
