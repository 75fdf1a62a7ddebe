#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace seiran {

struct PageState;

// Sampling interval of list index i: p × {1, 2, 5}[i mod 3] × 10^(i div 3) nS.
double IntervalNanoseconds(int clockPeriod, int index);
// That interval as the list shows it ("10nS", "1μS", ...).
QString IntervalText(int clockPeriod, int index);

// The interval combo box of a page for a clock period p in nS: 18 entries, three decades more
// (21) when p ≤ 100 and, on analyzer pages, hardwareMode does not contain "256Kbit".
QStringList BuildIntervalList(int page, int clockPeriod, const QString& hardwareMode);

// The zoom combo box: "×128" to "×1/8", continued to "×1/256" when dataCount is 32000 or more,
// then "全データ" (12 or 17 items).
QStringList BuildZoomList(const PageState& page);
// Sets zoomFactor (bit-plane pages) or zoomCode (compressed pages) from a list index; the
// previous-zoom fields are left to the scroll code. False, and nothing changed, for an index
// outside the page's list.
bool ZoomFromListIndex(PageState& page, int index);
// The combo box text for the page's zoom: its list item, "×全データ" for the whole data, empty
// when the value is not in the page's list.
QString ZoomComboText(const PageState& page);

} // namespace seiran
