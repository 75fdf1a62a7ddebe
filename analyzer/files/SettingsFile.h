#pragma once

#include <QByteArrayView>
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

// The values a settings file may hold. Clock periods outside these make no usable interval list
// (0 divides, huge ones overflow the capture times); channel numbers start at 0 or a small number.
inline constexpr int kMinClockPeriod = 1;       // nS
inline constexpr int kMaxClockPeriod = 1000000; // nS (1 mS)
inline constexpr int kMinChannelOrigin = 0;
inline constexpr int kMaxChannelOrigin = 999;

// Reads "Seiran.ini" from the program folder, converting or creating it where needed, and
// recomputes the clock periods.
void LoadSettings(AnalyzerState& state);

// The reading part of LoadSettings on the file's bytes; fileName only names the file in messages.
// Stores what a current-layout file holds, or the clock periods of the older layout, or the
// defaults for anything else, recomputes the clock periods and commits the settings. A number out
// of its range is logged and the settings stay as they were. True when the file is to be written
// again in the current layout.
bool LoadSettingsBytes(AnalyzerState& state, QByteArrayView bytes, const QString& fileName = kSettingsFileName);
// Writes the four settings in the current layout; a file that cannot be written is reported
// with an error box and the settings stay in memory. Returns false on failure.
bool SaveSettings(AnalyzerState& state);

// Sets the analyzer's clock periods from the mode, the clock source and the external clock period.
void UpdateClockPeriods(AnalyzerState& state);

} // namespace seiran
