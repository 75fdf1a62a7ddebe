#pragma once

#include <QString>

namespace seiran {
struct PageState;
}

namespace seiran::app {

class MainWindow;
struct AppOptions;

// The --screenshot run of a started window: the page shown, its interval set, rows joined into a
// bus when asked, one capture at the trigger position asked for (none when a data file was opened
// from the command line), the zoom and cursors chosen, and the window's picture saved as a PNG
// file. Returns the exit status: 0 when the page holds data and the file was written.
int runScreenshot(MainWindow& window, const AppOptions& options);

// Rows first to last (from 0, first < last, all single wires) become one HEX bus row named
// "BUS[last channel..first channel]", as the bus dialog makes one. False, and nothing changed,
// for rows that cannot be joined.
bool joinRowsIntoBus(PageState& page, int first, int last);

} // namespace seiran::app
