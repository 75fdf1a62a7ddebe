#pragma once

#include <QString>

namespace seiran {

// Every time the program shows. `unit` is a time text whose unit the value is in: "nS", "μS"
// (U+03BC), "uS" or "mS", or any text ending in one of them such as an interval text "10nS"; a
// text ending in a plain "S" is seconds. Below 1000 the value is shown as a rounded integer in
// the unit itself (999.6 nS gives "1000nS"); above, it moves up one prefix per factor of 1000, up
// to seconds, written with up to 6 decimals and no trailing zeros ("10.24μS", "-1.5μS", "2000S").
// Values in seconds are never rounded to an integer: there is no smaller prefix to show them in.
QString FormatTimeText(const QString& unit, double value);

// The number in front of the first unit ("nS", "μS", "uS", "mS", then "S"), in the text's own
// unit: "10.24μS" gives 10.24 and "1.5mS ～" gives 1.5. A text without a unit is read whole.
// ok is false (and the result 0) when what is left is not a number.
double ParseTimeText(const QString& text, bool* ok = nullptr);

// The text in front of the first unit, as ParseTimeText reads it ("25.6μS" gives "25.6").
QString TimeNumberText(const QString& text);

} // namespace seiran
