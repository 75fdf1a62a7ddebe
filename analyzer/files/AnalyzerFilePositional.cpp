#include "files/AnalyzerFile.h"

#include "FrontEnd.h"
#include "RoundToInt.h"
#include "core/AnalyzerState.h"
#include "Cp932Text.h"
#include "capture/Compare.h"
#include "capture/SampleDecoding.h"
#include "files/AnalyzerFileRead.h"
#include "files/DataFile.h"
#include "render/PageView.h"
#include "view/PageTime.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace seiran {

namespace {

const QString kCentreLabel = QStringLiteral("(画面の中央のデータ番号)");
constexpr int kStoredChannels = 32; // older files keep channels 0-31 only
constexpr double kWholeView = 990.0;

// Line indices of a "(Ver 5.0)" file; each value sits on the line after its label.
struct Layout50 {
    static constexpr int clockPeriod = 5;
    static constexpr int channels = 7;
    static constexpr int dataCount = 9;
    static constexpr int interval = 11;
    static constexpr int measureTime = 13;
    static constexpr int runMode = 15;
    static constexpr int zoom = 17;
    static constexpr int cursorPair = 18;
    static constexpr int stateCursor = 21;
    static constexpr int stateMode = 23;
    static constexpr int stateMsb = 25;
    static constexpr int stateLsb = 27;
    static constexpr int names = 31;
    static constexpr int rowCount = 64;
    static constexpr int rowChannels = 66;
    static constexpr int radix = 99;
    static constexpr int selection = 132;
    static constexpr int triggers = 165;
    static constexpr int cursorA = 199;
    static constexpr int cursorB = 201;
    static constexpr int cursorC = 203;
    static constexpr int cursorD = 205;
    static constexpr int scrollPosition = 207;
    static constexpr int scrollMax = 208;
    static constexpr int firstRow = 209;
    static constexpr int hasData = 212;
    static constexpr int firstSample = 214;
};

// Old files name the edge conditions differently.
QString triggerFromFile(const QString& text)
{
    struct Rename {
        const char16_t* old;
        const char16_t* now;
    };
    static constexpr Rename kRenames[] = {{u"Up", u"Rise"}, {u"Down", u"Fall"}, {u"Both", u"Either"}};
    for (const Rename& r : kRenames)
        if (text == QStringView(r.old))
            return QString::fromUtf16(r.now);
    return text;
}

// The file keeps no trigger index for bit planes, only the position the capture asked for.
int triggerIndexFromText(const QString& position, int dataCount)
{
    const int dc = std::max(dataCount, 0);
    if (position == QStringLiteral("中央"))
        return dc / 2;
    if (position == QStringLiteral("右"))
        return std::max(dc - 1, 0);
    return 0;
}

// A "(Ver 5.0)" file may carry the centre sample of a later layout; read by position, the file
// is taken as if that line and its value were not there.
class Positions {
public:
    explicit Positions(const DataFileText& lines) : m_lines(lines)
    {
        m_cut = lines.find(kCentreLabel);
        if (m_cut >= 0)
            m_removed = std::min<qsizetype>(2, lines.lineCount() - m_cut);
    }
    // The line of the file that logical line i is.
    qsizetype line(qsizetype i) const { return m_cut >= 0 && i >= m_cut ? i + m_removed : i; }
    qsizetype lineCount() const { return m_lines.lineCount() - m_removed; }
    QString text(qsizetype i) const { return m_lines.text(line(i)); }
    int integer(qsizetype i, int fallback) const { return intAt(m_lines, line(i), fallback); }
    // Walks the lines from logical line i on; the lines taken out lie before the samples.
    DataFileText::Cursor from(qsizetype i) const { return m_lines.from(line(i)); }
    const DataFileText& lines() const { return m_lines; }

private:
    const DataFileText& m_lines;
    qsizetype m_cut = -1;
    qsizetype m_removed = 0;
};

// Reads up to `count` sample lines (8 hexadecimal digits, bit c = channel c; a line that does not
// convert is all low) into channels 0-31 of `planes`, then repeats the last sample (or, with
// padLow, low levels) up to `total`. Returns the samples read.
int readSampleLines(DataFileText::Cursor& cursor, int count, int total, BitPlanes& planes, bool padLow)
{
    PlaneFiller fill(planes);
    std::uint32_t last = 0;
    for (int j = 0; j < count && !cursor.atEnd(); ++j) {
        last = std::uint32_t(parseUpperHex(cursor.next(), 8).value_or(0));
        fill.put(last);
    }
    const int read = fill.count();
    fill.repeat(padLow || read == 0 ? 0 : last, std::int64_t(total) - read);
    return read;
}

} // namespace

FileRefusal CheckPositionalFile(const AnalyzerState& state, int page, const DataFileText& raw)
{
    (void)page;
    const Positions lines(raw);
    using L = Layout50;
    FileRefusal r;
    const auto check = [&](int at, std::int64_t lo, std::int64_t hi, bool strict = false) {
        checkInteger(r, raw, lines.line(at), lo, hi, strict);
    };
    check(L::channels, 1, kMaxChannels, true);
    check(L::rowCount, 0, kMaxRows, true);
    checkReal(r, raw, lines.line(L::zoom), 0.0, kWholeView);
    if (!InstrumentUsable(state)) // the clock period is stored only then
        check(L::clockPeriod, 1, 1000000);
    check(L::dataCount, 0, std::numeric_limits<std::int32_t>::max());
    check(L::interval, 0, 20);
    check(L::stateMsb, 0, kMaxChannels);
    check(L::stateLsb, 0, kMaxChannels);
    for (int row = 0; row < kStoredChannels; ++row)
        check(L::rowChannels + row, 0, kMaxChannels);
    return r;
}

void ReadAnalyzerFilePositional(AnalyzerState& state, int page, const DataFileText& raw, bool newer, ReadReport& report)
{
    if (raw.text(1) != kVersion50 || !newer)
        return; // the caller only hands over the layouts read here
    const Positions lines(raw);
    using L = Layout50;
    PageState& p = state.pages[std::size_t(page)];

    if (!InstrumentUsable(state)) {
        ModuleInfo& module = state.instrument.modules[std::size_t(std::clamp(p.PageModule, 0, kModuleSlots - 1))];
        module.ModuleCompressed = false;
        p.compressed = false;
        state.instrument.clockPeriods.analyzer = lines.integer(L::clockPeriod, 20);
        p.channelCount = std::clamp(lines.integer(L::channels, 16), 0, kMaxChannels);
        p.dataCount = std::clamp(lines.integer(L::dataCount, 1024), 0, kMaxSamples);
    }
    const int n = std::clamp(p.channelCount, 0, kMaxChannels);
    const int origin = state.settings.channelOrigin;

    p.intervalIndex = lines.integer(L::interval, 0);
    p.measureTimeText = lines.text(L::measureTime);
    const QString runModeRead = lines.text(L::runMode);
    p.runModeText = runModeFromFile(runModeRead);

    p.zoomFactor = lines.text(L::zoom).toDouble();
    p.zoomCode = p.zoomFactor == kWholeView ? 990 : RoundToInt(p.zoomFactor * 256.0);
    p.previousZoomFactor = p.zoomFactor;
    p.previousZoomCode = p.zoomCode;

    p.atobMode = lines.text(L::cursorPair) == QStringLiteral("(AtoB)") ? QStringLiteral("AtoB") : QStringLiteral("CtoD");
    p.stateCursorName = lines.text(L::stateCursor);
    p.stateMode = lines.text(L::stateMode);
    p.stateMsb = std::min(lines.integer(L::stateMsb, 4), n - 1 + origin);
    p.stateLsb = std::max(lines.integer(L::stateLsb, 1), origin);

    const int fileChannels = std::clamp(lines.integer(L::channels, 0), 0, kMaxChannels);
    report.channelsDropped = fileChannels > n;
    for (int r = 0; r < kStoredChannels; ++r) {
        p.signalName[std::size_t(r)] = lines.text(L::names + r);
        p.rowChannelCount[std::size_t(r)] = lines.integer(L::rowChannels + r, 1);
        p.rowRadix[std::size_t(r)] = lines.text(L::radix + r);
    }
    p.rowCount = std::clamp(lines.integer(L::rowCount, 0), 0, kStoredChannels);
    fitRowsToChannels(state, p, n, fileChannels);
    for (int r = p.rowCount; r < kMaxRows; ++r)
        p.signalName[std::size_t(r)].clear();

    for (int c = 0; c < kMaxChannels; ++c)
        p.channelSelected[std::size_t(c)] = c < kStoredChannels && lines.text(L::selection + c) == QStringLiteral("1");
    for (int t = 0; t < kTriggerTexts; ++t)
        p.triggerText[std::size_t(t)] = t <= kStoredChannels ? triggerFromFile(lines.text(L::triggers + t)) : QStringLiteral("-");

    // On bit planes a cursor past the memory could not be drawn or dragged back.
    const auto cursor = [&](int at, int fallback) {
        const int v = lines.integer(at, fallback);
        return p.compressed ? v : std::min(v, p.dataCount);
    };
    p.cursorA = cursor(L::cursorA, 3);
    p.cursorB = cursor(L::cursorB, 103);
    p.cursorC = cursor(L::cursorC, 303);
    p.cursorD = cursor(L::cursorD, 403);

    const int k = p.dataCount <= 32000 ? 64 : p.dataCount <= 256000 ? 1024 : 8192;
    p.scrollMax = RoundToInt(k * p.zoomFactor);
    p.scrollPosition = lines.integer(L::scrollPosition, 0);
    const int fileScrollMax = lines.integer(L::scrollMax, 1024);
    if (fileScrollMax == 0 || fileScrollMax > p.scrollMax || p.scrollPosition > p.scrollMax || p.scrollPosition < 0)
        p.scrollPosition = 0;
    p.rowScrollMax = p.rowCount - 1;
    p.firstRow = lines.integer(L::firstRow, 0);
    if (p.firstRow > p.rowScrollMax || p.firstRow < 0)
        p.firstRow = 0;

    p.hasCompareResult = false;
    ClearWholeViewCaches(state.pageViews[std::size_t(page)]);
    p.hasData = lines.text(L::hasData) == QStringLiteral("1");

    // Samples: the file's count, never more than the bit planes; the lines the file lacks are
    // reported.
    const int total = std::clamp(p.dataCount, 0, kMaxSamples);
    const int announced = std::max(0, lines.integer(L::dataCount, 512));
    const qsizetype held = std::max<qsizetype>(0, lines.lineCount() - L::firstSample);
    const int s = int(std::min<qsizetype>({announced, kMaxSamples, held}));
    const int read = p.compressed ? s : std::min(s, total);
    report.missing += int(std::max<qsizetype>(0, announced - held));
    report.samplesDropped = std::min<qsizetype>(announced, held) > (p.compressed ? kMaxSamples : total);
    DataFileText::Cursor samples = lines.from(L::firstSample);
    readSampleLines(samples, read, p.compressed ? 0 : total, p.sampleBits, false);

    const bool compareFile = runModeRead == QStringLiteral("波形比較");
    if (!compareFile) {
        p.compareErrorBits.clear(n, total);
    } else {
        // The error lines follow the samples after their label.
        static const QByteArray kErrorsLabel = encodeCp932(u"(比較エラー)").value_or(QByteArray());
        DataFileText::Cursor errors = lines.from(L::firstSample + s);
        while (!errors.atEnd() && errors.next() != QByteArrayView(kErrorsLabel)) {
        }
        const int e = readSampleLines(errors, read, p.compressed ? 0 : total, p.compareErrorBits, true);
        report.missing += read - e;
    }

    if (p.compressed) {
        const int t = s > 31999 ? 53 : 3;
        SamplesToRecords(p, s, t);
        MeasureTime(p, state.intervalText(page));
        p.measRecCount = std::min(p.recCount, p.measuredList.capacity());
        p.measuredList.copyFrom(p.displayList, p.measRecCount);
        p.measSampleCount = p.measRecCount;
        p.measuredList.setEnd(p.measRecCount, p.measSampleCount);
        p.measTriggerSample = t;
        if (compareFile) {
            // The reference is what the compare run held: the capture where no error was
            // marked, the other level where one was.
            p.referenceList.allocate();
            for (int w = 0; w * 64 < s; ++w) {
                std::array<std::uint64_t, 64> block{};
                for (int c = 0; c < kStoredChannels; ++c)
                    block[std::size_t(c)] = std::as_const(p.compareErrorBits).words(c)[std::size_t(w)];
                TransposeBits64(block); // one word a sample
                for (int j = 64 * w; j < std::min(s, 64 * w + 64); ++j)
                    p.referenceList.set(j, p.displayList.value(j) ^ block[std::size_t(j - 64 * w)], 1, j);
            }
            p.referenceList.setEnd(s, s);
            p.refRecCount = s;
            p.refSampleCount = s;
            p.refTriggerSample = t;
            CompareRecords(state, page);
        }
    } else {
        p.triggerPosition = triggerIndexFromText(p.triggerText[0], p.dataCount);
    }
    FinishLoadedPage(state, page);
}

} // namespace seiran
