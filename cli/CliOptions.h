#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace seiran::cli {

// A whole decimal number in [min, max]; nothing for any other text ("abc", "12x", "", out of range).
std::optional<int> parseBoundedInt(const QString& text, int min, int max);

// The index of the interval list entry a text names: the list's own text ("10nS", "1μS") or the
// same time in another spelling (ASCII "us", the micro sign "µ", any case of the unit letters:
// "1us", "1µS", "10ns", "1000ns"); -1 when it names no entry.
int findInterval(const QStringList& intervals, const QString& text);

// The trigger position text of the page ("左", "中央", "右") that a text names, also in English
// ("left", "center", "centre", "right", any case); empty when it names none.
QString triggerPositionText(const QString& text);

// The accepted trigger position spellings, for error messages.
QString triggerPositionChoices();

} // namespace seiran::cli
