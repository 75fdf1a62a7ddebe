#include "FileFit.h"

#include "ManualClock.h"
#include "NullFrontEnd.h"
#include "core/AnalyzerState.h"
#include "files/DataFile.h"
#include "setup/HardwareModes.h"
#include "setup/OfflinePage.h"
#include "setup/StartUp.h"

#include <algorithm>
#include <limits>

namespace seiran::cli {

namespace {

// "16K", "256K", "1K": the data outline of a mode in samples; 0 when it has none.
int outlineSamples(const QString& text)
{
    QString t = text;
    int scale = 1;
    if (t.endsWith(u'K')) {
        t.chop(1);
        scale = 1024;
    }
    bool ok = false;
    const int v = t.toInt(&ok);
    return ok ? v * scale : 0;
}

struct Candidate {
    QString mode;
    int channels = 0;
    int samples = 0;
};

// Modes whose analyzer could hold the file, by their outline: the kind (compressed or not), at
// least the file's channels; fewest spare channels first, then the smallest memory that holds the
// samples, then the largest.
QList<Candidate> candidateModes(const AnalyzerState& state, const FileShape& file)
{
    QList<Candidate> list;
    const int type = state.device.DeviceType;
    for (const QString& mode : hardwareModes(type)) {
        if (mode == kModeLoopBackTest || mode.contains(QStringLiteral("信号発生")))
            continue;
        if (mode.startsWith(QStringLiteral("圧縮")) != file.compressed)
            continue;
        const auto outline = modeOutline(mode, type, 1024);
        Candidate c{mode, outline[0].toInt(), outlineSamples(outline[1])};
        if (c.channels < file.channels)
            continue;
        list.append(c);
    }
    std::stable_sort(list.begin(), list.end(), [&](const Candidate& a, const Candidate& b) {
        if (a.channels != b.channels)
            return a.channels < b.channels;
        const bool aHolds = a.samples >= file.samples;
        const bool bHolds = b.samples >= file.samples;
        if (aHolds != bHolds)
            return aHolds;
        return aHolds ? a.samples < b.samples : a.samples > b.samples;
    });
    return list;
}

} // namespace

FileShape describeDataFile(const QString& fileName)
{
    ManualClock clock;
    NullFrontEnd frontEnd;
    AnalyzerState scratch(clock, frontEnd, QString());
    scratch.instrument.NoModule = true; // no instrument: the file lays the page out
    const int page = PrepareOfflinePage(scratch);
    FileShape shape;
    if (!OpenDataFile(scratch, page, fileName))
        return shape;
    const PageState& p = scratch.pages[std::size_t(page)];
    shape.read = true;
    shape.compressed = p.compressed;
    shape.channels = p.channelCount;
    shape.samples = p.compressed ? p.sampleCount : p.dataCount;
    shape.records = p.compressed ? p.recCount : 0;
    shape.clockPeriod = scratch.instrument.AnalyzerClockPeriod();
    return shape;
}

// Why the page cannot show the whole file as it was captured; empty when it can.
static QStringList misfits(const AnalyzerState& state, int page, const FileShape& file)
{
    QStringList why;
    if (page < 0 || page >= state.instrument.AnalyzerPageCount) {
        why << QStringLiteral("page %1 has no analyzer module").arg(page);
        return why;
    }
    const PageState& p = state.pages[std::size_t(page)];
    if (file.channels > p.channelCount)
        why << QStringLiteral("the file has %1 channels, the page shows %2").arg(file.channels).arg(p.channelCount);
    if (file.compressed && !p.compressed) {
        if (file.samples > p.dataCount)
            why << QStringLiteral("the file spans %1 samples, the page keeps %2").arg(file.samples).arg(p.dataCount);
    } else if (file.compressed) {
        if (file.records > p.displayList.capacity())
            why << QStringLiteral("the file holds %1 records, the page keeps %2")
                       .arg(file.records)
                       .arg(p.displayList.capacity());
    } else if (file.samples > p.dataCount) {
        why << QStringLiteral("the file holds %1 samples, the page keeps %2").arg(file.samples).arg(p.dataCount);
    }
    const int clock = state.pageClockPeriod(page);
    if (file.clockPeriod != clock)
        why << QStringLiteral("the file's clock period is %1 nS, the hardware's %2 nS").arg(file.clockPeriod).arg(clock);
    return why;
}

bool chooseModeForFile(AnalyzerState& state, int page, const FileShape& file)
{
    if (misfits(state, page, file).isEmpty())
        return true;
    QString best = state.instrument.HardwareMode;
    qsizetype bestProblems = misfits(state, page, file).size();
    for (const Candidate& c : candidateModes(state, file)) {
        if (c.mode == state.instrument.HardwareMode)
            continue;
        if (!ChangeHardwareMode(state, c.mode))
            continue;
        const qsizetype problems = misfits(state, page, file).size();
        if (problems == 0)
            return true;
        if (problems < bestProblems) {
            best = c.mode;
            bestProblems = problems;
        }
    }
    if (state.instrument.HardwareMode != best)
        ChangeHardwareMode(state, best);
    return false;
}

} // namespace seiran::cli
