#pragma once

#include <array>

namespace seiran {

// The download window: shown while a configuration download runs, with its bar from 0 to 100.
struct DownloadWindowState {
    bool visible = false;
    int progress = 0;
};

// The state of the controls that behaviour depends on; widgets load from it.
struct ControlState {
    bool analyzerRunEnabled = true;
    bool generatorRunEnabled = true;
    bool hardwareMenuEnabled = true;
    std::array<bool, 10> pageTabVisible{true, true, true, true, true, true, true, true, true, false};
    int currentPage = 0;
    bool startUpDone = false;
    bool closing = false;
    int windowHeight = 0;
    DownloadWindowState downloadWindow;
};

} // namespace seiran
