#pragma once

#include <QString>

namespace seiran {

class AnalyzerState;

// The four settings kept between runs, each with the copy last committed (written to the file),
// which detects changes and undoes a cancelled dialog.
struct UserSettings {
    int ExternalClockPeriod = 20; // nS
    int IpClockPeriod = 20;       // nS, clock of user (IP) modules
    int channelOrigin = 0;        // number of the first channel, 0 or 1
    bool heavyLowLine = true;

    int committedExternalClockPeriod = 20;
    int committedIpClockPeriod = 20;
    int committedChannelOrigin = 0;
    bool committedHeavyLowLine = true;

    void commitAll()
    {
        committedExternalClockPeriod = ExternalClockPeriod;
        committedIpClockPeriod = IpClockPeriod;
        committedChannelOrigin = channelOrigin;
        committedHeavyLowLine = heavyLowLine;
    }
};

inline const QString kSettingsFileName = QStringLiteral("Seiran.ini");

// Reads "Seiran.ini" from the program folder, converting or creating it where needed, and
// recomputes the clock periods.
void LoadSettings(AnalyzerState& state);
// Writes the four settings in the current layout; a file that cannot be written is reported
// with an error box and the settings stay in memory. Returns false on failure.
bool SaveSettings(AnalyzerState& state);

// Sets the analyzer's clock periods from the mode, the clock source and the external clock period.
void UpdateClockPeriods(AnalyzerState& state);

} // namespace seiran
