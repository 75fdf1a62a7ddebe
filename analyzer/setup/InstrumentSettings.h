#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace seiran {

// One instrument-wide setting: the text chosen in the hardware dialog, and the text last sent,
// so that the dialog sends only what changed.
struct ChosenSetting {
    QString chosen;
    QString sent;
};

// The instrument-wide settings and their start values.
struct InstrumentSettings {
    ChosenSetting InputLevel{QStringLiteral("5V、3.3V共用"), QStringLiteral("5V、3.3V共用")};
    ChosenSetting OutputLevel{QStringLiteral("3.3V"), QStringLiteral("3.3V")};
    ChosenSetting ClockSource{QStringLiteral("内部クロック（50MHz）"), QStringLiteral("内部クロック（50MHz）")};
    ChosenSetting SamplingDelay{QStringLiteral("0nS"), QStringLiteral("0nS")};
};

inline const QString kInternalClock = QStringLiteral("内部クロック（50MHz）");

// The choices the hardware dialog offers, in order.
QStringList inputLevelChoices();
QStringList samplingDelayChoices();

// The values sent to the instrument for a setting's text.
std::uint32_t inputLevelValue(const QString& text);    // vendor 0x42; 0 for an unknown text
std::uint32_t outputLevelValue(const QString& text);   // command 0x44
std::uint32_t clockSourceValue(const QString& text);   // command 0x45
std::uint32_t samplingDelayCode(const QString& text);  // command 0x41

// Which settings an instrument type has.
bool hasInputLevelSetting(int deviceType);
bool hasOutputAndClockSettings(int deviceType);
bool hasSamplingDelaySetting(int deviceType);

// Clock periods of the built-in analyzer and generator modules, in nS.
struct ClockPeriods {
    int analyzer = 10;
    int generator = 10;
};

// The clock periods of a mode; `previous` is kept for modes the rules do not name.
ClockPeriods ComputeClockPeriods(const QString& hardwareMode, const QString& clockSource, int externalClockPeriod,
                                 int deviceType, ClockPeriods previous);

} // namespace seiran
