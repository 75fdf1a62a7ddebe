#pragma once

#include <QString>

namespace seiran {

class AnalyzerState;

// Viewing saved data without an instrument. When no instrument is usable (none found, the
// configuration download failed, or no module answered) the analyzer pages have no module and
// are hidden; a data file opened then describes the hardware itself (compressed or not, channels,
// memory depth, clock period), and the page it is opened onto is laid out from it.

// True while no instrument is usable: files are then viewed offline.
bool ViewingOffline(const AnalyzerState& state);

// The analyzer page an offline file goes to: page 0, made ready for the reader. It is served by a
// built-in analyzer slot (so the interval list follows the file's clock period), starts from the
// page defaults of a 16-channel bit-plane module, and is shown. Does nothing while an instrument
// is usable. Returns the page.
int PrepareOfflinePage(AnalyzerState& state);
// After the file was read: the slot's properties follow what the file set (channel and depth
// codes of the page's channelCount and dataCount); after a failed read the page is hidden again.
void FinishOfflinePage(AnalyzerState& state, int page, bool loaded);

// The lines the log gets when no instrument was found at start: how to view files, how to try the
// program on the simulated instrument and how to let the user open a real one.
void LogOfflineHints(AnalyzerState& state);

} // namespace seiran
