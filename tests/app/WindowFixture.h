#pragma once

#include "MainWindow.h"
#include "SimInstrument.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace seiran::test {

// A program folder of its own with the configuration files a simulated instrument needs.
class ProgramFolder {
public:
    ProgramFolder();
    // Copies the configuration file of a mode of a device type from the build.
    void addConfiguration(const QString& mode, int deviceType);
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// The window on a simulated instrument of `deviceType`, started (optionally in another mode).
// The clock is the caller's: a ManualClock moves only when the test says, a RealClock with the
// event loop.
struct SimulatedWindow {
    SimulatedWindow(Clock& clock, int deviceType, const QString& mode = {});
    ~SimulatedWindow();

    ProgramFolder folder;
    std::unique_ptr<sim::SimInstrument> instrument;
    std::unique_ptr<app::MainWindow> window;
};

} // namespace seiran::test
