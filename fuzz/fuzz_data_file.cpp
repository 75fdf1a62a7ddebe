// Data files (".ana") as they come from outside: the bytes go through the same reading path as
// File > Open — header checks, the labelled or the positional reader chosen by the version line,
// the range checks, the sample and record sections, the compare of a compare file — onto a
// compressed page, a bit-plane page and, with no instrument usable, a page the file describes.

#include "ManualClock.h"
#include "NullFrontEnd.h"
#include "core/AnalyzerState.h"
#include "files/DataFile.h"
#include "setup/AnalyzerPageModule.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

namespace {

using namespace seiran;

struct Target {
    ManualClock clock;
    NullFrontEnd frontEnd;
    AnalyzerState state{clock, frontEnd, QStringLiteral(".")};

    // Page `page` on an analyzer module of its own in `slot`, at its defaults.
    void setPage(int page, int slot, int channels, int depth, bool compressed)
    {
        SetAnalyzerPageModule(state, page, slot, {channels, depth, compressed, 1});
    }
};

Target& target()
{
    static Target t;
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Target& t = target();
    const QByteArrayView bytes(data, qsizetype(size));
    const QString name = QStringLiteral("fuzz.ana");

    t.setPage(0, 8, 16, 4096, true);
    OpenDataFileBytes(t.state, 0, bytes, name);
    t.setPage(1, 9, 32, 4096, false);
    OpenDataFileBytes(t.state, 1, bytes, name);

    // No instrument usable: the file sets the module's kind, channels and depth itself.
    t.setPage(2, 10, 16, 1024, false);
    t.state.device.InterfaceError = true;
    OpenDataFileBytes(t.state, 2, bytes, name);
    t.state.device.InterfaceError = false;

    t.state.log.clear();
    return 0;
}
