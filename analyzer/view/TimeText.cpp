#include "view/TimeText.h"

#include "RoundToInt.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <cmath>

namespace seiran {

namespace {

// The prefixes a value may take, in growing steps of 1000, starting at the unit's own.
struct UnitScale {
    std::array<QStringView, 4> prefixes;
    int steps;
};

constexpr UnitScale kNano{{u"n", u"μ", u"m", u""}, 4};
constexpr UnitScale kMicro{{u"μ", u"m", u""}, 3};
constexpr UnitScale kAsciiMicro{{u"u", u"m", u""}, 3};
constexpr UnitScale kMilli{{u"m", u""}, 2};
constexpr UnitScale kSeconds{{u""}, 1};

const UnitScale& scaleOf(const QString& unit)
{
    const QChar beforeLast = unit.size() >= 2 ? unit.at(unit.size() - 2) : QChar();
    if (beforeLast == u'n')
        return kNano;
    if (unit.endsWith(u"μS"))
        return kMicro;
    if (beforeLast == u'u')
        return kAsciiMicro;
    if (beforeLast == u'm')
        return kMilli;
    return kSeconds;
}

// Fixed notation with 6 decimals, trailing zeros and a trailing point removed.
QString trimmedNumber(double value)
{
    QString text = QString::number(value, 'f', 6);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    if (text == u"-0")
        text = QStringLiteral("0");
    return text;
}

// The units ParseTimeText looks for, in the order it tries them.
constexpr std::array<QStringView, 5> kUnits{u"nS", u"μS", u"uS", u"mS", u"S"};

} // namespace

QString FormatTimeText(const QString& unit, double value)
{
    if (!std::isfinite(value))
        value = 0;
    const UnitScale& scale = scaleOf(unit);
    const double a = std::fabs(value);
    const int range = a < 1e3 ? 0 : a < 1e6 ? 1 : a < 1e9 ? 2 : 3;
    // A unit has no prefix above seconds: larger values stay in seconds rather than being divided
    // into a wrong number (1e9 μS is 1000 S, not 1 S).
    const int step = std::min(range, scale.steps - 1);
    const QString suffix = scale.prefixes[std::size_t(step)].toString() + u'S';
    if (range == 0 && &scale != &kSeconds)
        return QString::number(RoundToInt(value)) + suffix;
    return trimmedNumber(value / std::pow(1000.0, step)) + suffix;
}

QString TimeNumberText(const QString& text)
{
    for (QStringView unit : kUnits) {
        const qsizetype at = text.indexOf(unit);
        if (at >= 0)
            return text.left(at);
    }
    return text;
}

double ParseTimeText(const QString& text, bool* ok)
{
    bool parsed = false;
    double value = TimeNumberText(text).toDouble(&parsed);
    if (!parsed)
        value = 0;
    if (ok)
        *ok = parsed;
    return value;
}

} // namespace seiran
