#include "SettingsFile.h"

#include "Cp932Text.h"
#include "FrontEnd.h"
#include "core/AnalyzerState.h"

#include <QDir>
#include <QFileInfo>

namespace seiran {

namespace {

const QString kVersionCurrent = QStringLiteral("(Ver 5.0)");
const QString kVersionOld = QStringLiteral("(Ver 3.4)");

QString settingsPath(const AnalyzerState& state)
{
    return QDir(state.ProgramFolder).filePath(kSettingsFileName);
}

// A line read as an integer, or `otherwise` when it is missing or does not convert.
int intAt(const QStringList& lines, int index, int otherwise)
{
    if (index >= lines.size())
        return otherwise;
    bool ok = false;
    const int value = lines[index].trimmed().toInt(&ok);
    return ok ? value : otherwise;
}

} // namespace

void UpdateClockPeriods(AnalyzerState& state)
{
    InstrumentState& inst = state.instrument;
    inst.clockPeriods = ComputeClockPeriods(inst.HardwareMode, inst.settings.ClockSource.chosen,
                                            state.settings.ExternalClockPeriod, state.device.DeviceType,
                                            inst.clockPeriods);
}

bool SaveSettings(AnalyzerState& state)
{
    const UserSettings& s = state.settings;
    const QStringList lines{
        QStringLiteral("[セイラン]"),
        kVersionCurrent,
        QStringLiteral("(設定ファイル)"),
        QStringLiteral("(外部クロック周期)"),
        QString::number(s.ExternalClockPeriod),
        QStringLiteral("(IPクロック周期)"),
        QString::number(s.IpClockPeriod),
        QStringLiteral("(チャンネル番号の初期値)"),
        QString::number(s.channelOrigin),
        QStringLiteral("(波形のLを太線にする)"),
        s.heavyLowLine ? QStringLiteral("1") : QStringLiteral("0"),
    };
    const TextFileError error = writeCp932Lines(settingsPath(state), lines);
    if (error.ok())
        return true;
    state.frontEnd().showError(QStringLiteral("%1 に書き込めません。%2").arg(QDir::toNativeSeparators(error.path), error.detail));
    return false;
}

void LoadSettings(AnalyzerState& state)
{
    UserSettings& s = state.settings;
    const QString path = settingsPath(state);
    const TextLines file = QFileInfo::exists(path) ? readCp932Lines(path) : TextLines{};
    const QString version = file.ok() && file.lines.size() > 1 ? file.lines[1] : QString();

    if (version == kVersionCurrent) {
        s.ExternalClockPeriod = intAt(file.lines, 4, 20);
        s.IpClockPeriod = intAt(file.lines, 6, 20);
        s.channelOrigin = intAt(file.lines, 8, 0);
        s.heavyLowLine = file.lines.size() > 10 && file.lines[10] == QStringLiteral("1");
        UpdateClockPeriods(state);
    } else {
        if (version == kVersionOld) {
            s.ExternalClockPeriod = intAt(file.lines, 6, 20);
            s.IpClockPeriod = intAt(file.lines, 8, 20);
        } else {
            // No file, an unreadable one or an unknown layout: start from the defaults.
            s.ExternalClockPeriod = 20;
            s.IpClockPeriod = 20;
        }
        UpdateClockPeriods(state);
        SaveSettings(state);
    }
    s.commitAll();
}

} // namespace seiran
