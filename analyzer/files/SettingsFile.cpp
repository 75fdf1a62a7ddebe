#include "SettingsFile.h"

#include "Cp932Text.h"
#include "FileReplace.h"
#include "FrontEnd.h"
#include "core/AnalyzerState.h"

#include <QDir>
#include <QFile>

#include <optional>
#include <span>

namespace seiran {

namespace {

const QString kVersionCurrent = QStringLiteral("(Ver 5.0)");
const QString kVersionOld = QStringLiteral("(Ver 3.4)");

QString settingsPath(const AnalyzerState& state)
{
    return QDir(state.ProgramFolder).filePath(kSettingsFileName);
}

// Lines of a CP932 text ended by CR LF (or a lone CR or LF); empty when the bytes are no CP932
// text, which reads as a file of unknown layout.
QStringList textLines(QByteArrayView bytes)
{
    const std::optional<QString> decoded = decodeCp932(bytes);
    if (!decoded)
        return {};
    QStringList lines;
    for (QStringView line : splitTextLines(*decoded))
        lines.append(line.toString());
    return lines;
}

// One number of the file: its line, its range, the value taken when the line is no number.
struct NumberField {
    int line;
    int minimum;
    int maximum;
    int otherwise;
    int UserSettings::*setting;
};

constexpr NumberField kCurrentFields[] = {
    {4, kMinClockPeriod, kMaxClockPeriod, 20, &UserSettings::ExternalClockPeriod},
    {6, kMinClockPeriod, kMaxClockPeriod, 20, &UserSettings::IpClockPeriod},
    {8, kMinChannelOrigin, kMaxChannelOrigin, 0, &UserSettings::channelOrigin},
};
constexpr NumberField kOldFields[] = {
    {6, kMinClockPeriod, kMaxClockPeriod, 20, &UserSettings::ExternalClockPeriod},
    {8, kMinClockPeriod, kMaxClockPeriod, 20, &UserSettings::IpClockPeriod},
};

// A decimal integer, sign allowed, blanks around it ignored.
bool isInteger(QStringView text)
{
    const qsizetype first = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
    if (first == text.size())
        return false;
    for (qsizetype i = first; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    return true;
}

// Reads the fields into `read`. A line that is no number gives the field's default; a number out
// of its range stops the reading with the message naming it.
QString readFields(std::span<const NumberField> fields, const QStringList& lines, UserSettings& read,
                   const QString& fileName)
{
    for (const NumberField& field : fields) {
        const QString text = lines.value(field.line).trimmed();
        if (!isInteger(text)) {
            read.*field.setting = field.otherwise;
            continue;
        }
        bool ok = false;
        const qlonglong value = text.toLongLong(&ok);
        if (ok && value >= field.minimum && value <= field.maximum) {
            read.*field.setting = int(value);
            continue;
        }
        constexpr qsizetype kShownDigits = 20;
        const QString shown = text.size() > kShownDigits ? text.left(kShownDigits) + QStringLiteral("…") : text;
        // Put together piece by piece: a "%1" in a folder name must stay as it is.
        return QStringLiteral("設定ファイル") + QDir::toNativeSeparators(fileName) + QStringLiteral("の")
            + QString::number(field.line + 1) + QStringLiteral("行目の値") + shown + QStringLiteral("は範囲外です（")
            + QString::number(field.minimum) + QStringLiteral("～") + QString::number(field.maximum)
            + QStringLiteral("）。設定は変更しません。");
    }
    return {};
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
    state.frontEnd().showError(writeFailureText(error));
    return false;
}

bool LoadSettingsBytes(AnalyzerState& state, QByteArrayView bytes, const QString& fileName)
{
    UserSettings& s = state.settings;
    const QStringList lines = textLines(bytes);
    const QString version = lines.value(1);
    bool rewrite = true;
    if (version == kVersionCurrent || version == kVersionOld) {
        const bool current = version == kVersionCurrent;
        // Everything is read into a copy first, so a refused file changes no setting.
        UserSettings read = s;
        const QString refusal =
            current ? readFields(kCurrentFields, lines, read, fileName) : readFields(kOldFields, lines, read, fileName);
        if (refusal.isEmpty()) {
            if (current)
                read.heavyLowLine = lines.value(10) == QStringLiteral("1");
            s = read;
        } else {
            state.log.AddMessage(refusal);
        }
        // The older layout is converted; a refused file stays for the user to correct.
        rewrite = !current && refusal.isEmpty();
    } else {
        // No file, an unreadable one or an unknown layout: start from the defaults.
        s.ExternalClockPeriod = 20;
        s.IpClockPeriod = 20;
    }
    UpdateClockPeriods(state);
    s.commitAll();
    return rewrite;
}

void LoadSettings(AnalyzerState& state)
{
    const QString path = settingsPath(state);
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (LoadSettingsBytes(state, bytes, path))
        SaveSettings(state);
}

} // namespace seiran
