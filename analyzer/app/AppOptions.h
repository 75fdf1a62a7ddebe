#pragma once

#include <QString>
#include <QStringList>

namespace seiran::app {

// The command line of the analyzer window.
struct AppOptions {
    int simulatedType = 0; // DeviceType of the simulated instrument; 0: a real one through libusb
    QString mode;          // hardware mode to change to after start-up
    // One capture, then the window picture into this PNG file and the program ends.
    QString screenshotFile;
    int page = 0;          // the analyzer page of that capture
    QString interval;      // its sampling interval as the list shows it ("10nS")
    QString zoom;          // the zoom after it, as the zoom list shows it ("×4", "全データ")
    QString bus;           // rows joined into a bus for the picture: "FIRST-LAST" (row numbers from 0)
    QString position;      // the trigger position of that capture: "左", "中央" or "右"
    bool cursorsSet = false; // cursors A and B placed after the capture, counted from the trigger
    int cursorAFromTrigger = 0;
    int cursorBFromTrigger = 0;
    QString dataFile;      // a data file (".ana") to open after start-up
};

struct ParsedOptions {
    AppOptions options;
    QString error;     // not empty: the command line is wrong, with this reason
    bool help = false; // --help: print helpText and end
    QString helpText;
};

// Parses the arguments (the program name first, as QCoreApplication::arguments() gives them).
ParsedOptions parseAppOptions(const QStringList& arguments);

} // namespace seiran::app
