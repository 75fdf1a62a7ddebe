#pragma once

namespace seiran {

class AnalyzerState;
struct PageState;

// The properties of an analyzer module a page is given without a module check: for the page a
// file describes when no instrument is usable, and for pages that tests and fuzz targets set up.
struct AnalyzerModuleShape {
    int channels = 16;
    int depth = 1024; // samples per channel
    bool compressed = false;
    int banks = 1;    // input groups
};

// The channel or depth code of a module property word that holds n: the smallest power of two
// that holds it, as its exponent.
int ModuleSizeCode(int n);

// Installs an analyzer module of that shape in `slot`, makes it the module of `page` and sets the
// page to its defaults for it (channel numbers from the settings' origin, the module's clock).
PageState& SetAnalyzerPageModule(AnalyzerState& state, int page, int slot, const AnalyzerModuleShape& shape);

} // namespace seiran
