#pragma once

#include <QString>

#include <array>

namespace seiran {

// The download window: shown while a configuration download runs, with its bar from 0 to 100.
struct DownloadWindowState {
    bool visible = false;
    int progress = 0;
};

// The shared capture controls of the analyzer pages, as the page shown has them.
struct AnalyzerControls {
    bool runEnabled = true;          // btnAnaRun
    bool stopEnabled = false;        // btnAnaStop
    bool intervalEnabled = true;     // cmbAnaInterval
    bool runModeEnabled = true;      // cmbRunMode
    bool samplingEdgeEnabled = true; // cmbSelESmpP
};

// The state of the controls that behaviour depends on; widgets load from it.
struct ControlState {
    AnalyzerControls analyzer;
    bool generatorRunEnabled = true;
    bool hardwareMenuEnabled = true;
    bool interfaceMenuEnabled = true;
    std::array<bool, 10> pageTabVisible{true, true, true, true, true, true, true, true, true, false};
    int currentPage = 0;
    bool startUpDone = false;
    bool closing = false;
    int windowHeight = 0;
    DownloadWindowState downloadWindow;
    // The file each data page (0-8) was last saved as or opened from; empty until then.
    std::array<QString, 9> pageFileName;
    // The main window's caption: the last file name chosen in Save As or Open; empty at start.
    QString fileCaption;
};

} // namespace seiran
