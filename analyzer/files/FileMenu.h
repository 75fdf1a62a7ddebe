#pragma once

#include "FrontEnd.h"

namespace seiran {

class AnalyzerState;

// The pages whose data can be saved and opened so far: the analyzer pages.
bool PageHasDataFile(int page);

// The file dialogs of the File menu, preset for a page: analyzer pages "*.ana", generator pages
// "*.gen", the protocol page "*.doc", each with its filter chosen first.
FileDialogRequest SaveDialogPreset(int page);
FileDialogRequest OpenDialogPreset(int page);

// The File menu on the shown page (controls.currentPage). Save writes to the page's file name
// without asking, or runs Save As when the page has none; Save As and Open ask for a name through
// the front end, keep it as the page's file name and show it as the window caption
// (controls.fileCaption); Open does so only when the file was read. Pages that have no data file
// yet are left alone. True when a file was written or read.
bool mnuSaveClick(AnalyzerState& state);
bool mnuSaveAsClick(AnalyzerState& state);
bool mnuOpenClick(AnalyzerState& state);

} // namespace seiran
