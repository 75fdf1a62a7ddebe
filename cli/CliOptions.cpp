#include "CliOptions.h"

#include <QRegularExpression>

#include <array>
#include <cmath>

namespace seiran::cli {

namespace {

// A time text in nanoseconds: a decimal number followed by n, u, µ (micro sign), μ (Greek mu),
// m or nothing before the S of seconds, in any case.
std::optional<double> nanoseconds(const QString& text)
{
    static const QRegularExpression kTime(QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]+)?)\\s*([nuµμm]?)s\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = kTime.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = m.captured(1).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const QString prefix = m.captured(2).toLower();
    double scale = 1e9;
    if (prefix == QStringLiteral("n"))
        scale = 1;
    else if (prefix == QStringLiteral("u") || prefix == QStringLiteral("µ") || prefix == QStringLiteral("μ"))
        scale = 1e3;
    else if (prefix == QStringLiteral("m"))
        scale = 1e6;
    return value * scale;
}

} // namespace

std::optional<int> parseBoundedInt(const QString& text, int min, int max)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || text.trimmed() != text || v < min || v > max)
        return std::nullopt;
    return int(v);
}

int findInterval(const QStringList& intervals, const QString& text)
{
    const int exact = int(intervals.indexOf(text));
    if (exact >= 0)
        return exact;
    const std::optional<double> wanted = nanoseconds(text);
    if (!wanted)
        return -1;
    for (int i = 0; i < intervals.size(); ++i) {
        const std::optional<double> entry = nanoseconds(intervals[i]);
        // List entries are whole nanoseconds; a relative tolerance absorbs decimal spellings.
        if (entry && std::fabs(*entry - *wanted) <= 1e-9 * std::max(*entry, 1.0))
            return i;
    }
    return -1;
}

QString triggerPositionText(const QString& text)
{
    struct Spelling {
        const char16_t* position;
        std::array<const char16_t*, 3> names;
    };
    static constexpr Spelling kSpellings[] = {
        {u"左", {u"左", u"left", u"left"}},
        {u"中央", {u"中央", u"center", u"centre"}},
        {u"右", {u"右", u"right", u"right"}},
    };
    const QString lower = text.trimmed().toLower();
    for (const Spelling& s : kSpellings)
        for (const char16_t* name : s.names)
            if (lower == QStringView(name))
                return QString::fromUtf16(s.position);
    return {};
}

QString triggerPositionChoices()
{
    return QStringLiteral("左|中央|右, or left|center|right");
}

} // namespace seiran::cli
