#include "InstrumentSettings.h"

#include "HardwareModes.h"

namespace seiran {

namespace {

struct Choice {
    const char* text;
    std::uint32_t value;
};

const Choice kInputLevels[] = {
    {"5V、3.3V共用", 2324}, {"2.5V", 1760}, {"1.8V", 1268}, {"1.5V", 1056},
};

const Choice kSamplingDelays[] = {
    {"-2.5nS", 0x300}, {"-1.875nS", 0x200}, {"-1.25nS", 0x301}, {"-0.625nS", 0x100}, {"0nS", 0},
    {"+0.625nS", 0x101}, {"+1.25nS", 0x302}, {"+1.875nS", 0x202}, {"+2.5nS", 0x303},
};

template <std::size_t N>
QStringList textsOf(const Choice (&choices)[N])
{
    QStringList out;
    for (const Choice& c : choices)
        out << QString::fromUtf8(c.text);
    return out;
}

template <std::size_t N>
std::uint32_t valueOf(const Choice (&choices)[N], const QString& text, std::uint32_t otherwise)
{
    for (const Choice& c : choices)
        if (text == QString::fromUtf8(c.text))
            return c.value;
    return otherwise;
}

// "200" from "200MHz 8ch 32Kbit", "100" from "圧縮 100MHz 16ch 256Kbit": the text before the
// first "M", with everything up to and including its first space removed.
QString frequencyText(const QString& mode)
{
    QString f = mode.left(mode.indexOf(QLatin1Char('M')) < 0 ? mode.size() : mode.indexOf(QLatin1Char('M')));
    const int space = int(f.indexOf(QLatin1Char(' ')));
    return space < 0 ? f : f.mid(space + 1);
}

bool isSeriesBOrC(int t)
{
    return t == 7 || t == 8 || (t >= 10 && t <= 13);
}

} // namespace

QStringList inputLevelChoices() { return textsOf(kInputLevels); }
QStringList samplingDelayChoices() { return textsOf(kSamplingDelays); }

std::uint32_t inputLevelValue(const QString& text) { return valueOf(kInputLevels, text, 0); }
std::uint32_t outputLevelValue(const QString& text) { return text == QStringLiteral("3.3V") ? 0 : 1; }
std::uint32_t clockSourceValue(const QString& text) { return text == kInternalClock ? 0 : 1; }
std::uint32_t samplingDelayCode(const QString& text) { return valueOf(kSamplingDelays, text, 0); }

bool hasInputLevelSetting(int deviceType) { return deviceType == 11; }
bool hasOutputAndClockSettings(int deviceType) { return deviceType >= 10; }
bool hasSamplingDelaySetting(int deviceType)
{
    return deviceType == 8 || deviceType == 11 || deviceType == 12 || deviceType == 13;
}

ClockPeriods ComputeClockPeriods(const QString& mode, const QString& clockSource, int e, int t, ClockPeriods previous)
{
    if (mode == kModeLoopBackTest) {
        if (isSeriesBOrC(t))
            return {5, 10};
        if (t == 4 || t == 6)
            return {10, 10};
        if (t == 9)
            return {15, 15};
        return {20, 20};
    }

    const QString f = frequencyText(mode);
    if (clockSource == kInternalClock) {
        if (mode == QStringLiteral("信号発生 8ch 32Kbit"))
            return {10, 10};
        if (mode == QStringLiteral("ｸﾛｯｸ倍率x1 16ch 32Kbit") || mode == QStringLiteral("ｸﾛｯｸ倍率x1 16ch 256Kbit"))
            return {20, 20};
        if (mode == QStringLiteral("ｸﾛｯｸ倍率x2 16ch 32Kbit") || mode == QStringLiteral("ｸﾛｯｸ倍率x2 16ch 256Kbit"))
            return {10, 20};
        if (mode == QStringLiteral("TK-C4_hdlip"))
            return {10, 10};
        if (f == QStringLiteral("50"))
            return {20, 20};
        if (f == QStringLiteral("100"))
            return t == 5 ? ClockPeriods{10, 20} : ClockPeriods{10, 10};
        if (f == QStringLiteral("200"))
            return {5, 10};
        if (f == QStringLiteral("66.6"))
            return {15, 15};
        return previous;
    }

    // External clock of period e.
    if (mode == QStringLiteral("信号発生 8ch 32Kbit"))
        return {e / 2, e / 2};
    if (mode.contains(QStringLiteral("ｸﾛｯｸ倍率x1")))
        return {e, e};
    if (mode.contains(QStringLiteral("ｸﾛｯｸ倍率x2")))
        return {e / 2, e};
    if (f == QStringLiteral("50") || f == QStringLiteral("66.6"))
        return {e, e};
    if (f == QStringLiteral("100")) {
        if (t == 4 || t == 6 || isSeriesBOrC(t))
            return {e / 2, e / 2};
        if (t == 5)
            return {e / 2, e};
        return previous;
    }
    if (f == QStringLiteral("200") && isSeriesBOrC(t))
        return {e / 4, e / 2};
    return previous;
}

} // namespace seiran
