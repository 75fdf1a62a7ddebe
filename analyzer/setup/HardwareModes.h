#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace seiran {

inline const QString kModeLoopBackTest = QStringLiteral("内部折返しテスト");
inline const QString kInitialHardwareMode = QStringLiteral("100MHz 16ch 1Kbit");

// The model name of an instrument type ("TK-C4"); empty for unknown types.
QString modelName(int deviceType);
// The instrument type of a model name, 0 when none has it.
int deviceTypeOfModel(const QString& model);
// The hardware modes an instrument type offers, in the order the hardware dialog lists them.
QStringList hardwareModes(int deviceType);
// The mode start-up sets; the initial mode for types without one.
QString startMode(int deviceType);

// The configuration file of a mode on an instrument type ("TK-C4_200m16ch32k.ttf"); ".ttf" when
// the combination has none.
QString configurationFileName(const QString& hardwareMode, int deviceType);

// The check sum a configuration file must have on an instrument type. Files outside the type's
// group, and names the table does not know, have no valid sum.
struct ExpectedSum {
    bool known = false;
    bool anySum = false; // accepted whatever its cells add up to
    long long sum = 0;
};
ExpectedSum expectedConfigurationSum(const QString& fileName, int deviceType);

// The five texts of the mode outline: analyzer channels, analyzer data, generator channels,
// generator data, clock multiplier.
std::array<QString, 5> modeOutline(const QString& hardwareMode, int deviceType, int generatorDepthLimit);

// The notes the hardware dialog shows under the mode, and the external clock period range text.
struct ModeNotes {
    QStringList lines;
    QString clockPeriodRange;
};
ModeNotes modeNotes(const QString& hardwareMode, int deviceType);

} // namespace seiran
