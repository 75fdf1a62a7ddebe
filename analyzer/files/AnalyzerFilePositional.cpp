#include "files/AnalyzerFile.h"

#include "FrontEnd.h"
#include "RoundToInt.h"
#include "core/AnalyzerState.h"
#include "files/DataFile.h"
#include "render/PageView.h"

#include <algorithm>

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

const QString& lineAt(const QStringList& lines, qsizetype i)
{
    static const QString empty;
    return i >= 0 && i < lines.size() ? lines[i] : empty;
}

int intAt(const QStringList& lines, qsizetype i, int fallback)
{
    bool ok = false;
    const int v = lineAt(lines, i).toInt(&ok);
    return ok ? v : fallback;
}

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
QStringList withoutCentreLine(const QStringList& lines)
{
    QStringList out = lines;
    const qsizetype i = out.indexOf(kCentreLabel);
    if (i >= 0)
        out.remove(i, std::min<qsizetype>(2, out.size() - i));
    return out;
}

// Bits 0-31 of `planes` at sample j from one 8-digit line; a line that does not convert is low.
void putWord(BitPlanes& planes, int j, const QString& line)
{
    const Hex32 v = ParseHex32(line);
    const std::uint32_t word = v.error ? 0U : v.value;
    for (int c = 0; c < kStoredChannels; ++c)
        planes.set(c, j, (word >> unsigned(c)) & 1U);
}

// Reads `count` sample lines from `first` into `planes`, then repeats the last sample (or, with
// padLow, clears) up to `total`.
void readSampleLines(const QStringList& lines, qsizetype first, int count, int total, BitPlanes& planes, bool padLow)
{
    for (int j = 0; j < count; ++j)
        putWord(planes, j, lineAt(lines, first + j));
    for (int j = count; j < total; ++j)
        for (int c = 0; c < kStoredChannels; ++c)
            planes.set(c, j, !padLow && count > 0 && planes.level(c, count - 1));
}

} // namespace

QString CheckPositionalFile(const QStringList& raw)
{
    const QStringList lines = withoutCentreLine(raw);
    bool ok = false;
    for (const int at : {Layout50::channels, Layout50::rowCount}) {
        const QString& t = lineAt(lines, at);
        t.toInt(&ok);
        if (!ok)
            return QStringLiteral("'%1' は有効な整数値ではありません。").arg(t);
    }
    const QString& zoom = lineAt(lines, Layout50::zoom);
    zoom.toDouble(&ok);
    if (!ok)
        return QStringLiteral("'%1' は有効な浮動小数点数値ではありません。").arg(zoom);
    return {};
}

bool ReadAnalyzerFilePositional(AnalyzerState& state, int page, const QStringList& raw, bool newer)
{
    if (lineAt(raw, 1) != kVersion50 || !newer)
        return false; // the caller only hands over the layouts read here
    const QString refused = CheckPositionalFile(raw);
    if (!refused.isEmpty()) {
        state.frontEnd().showError(refused);
        return false;
    }
    const QStringList lines = withoutCentreLine(raw);
    using L = Layout50;
    PageState& p = state.pages[std::size_t(page)];

    if (!InstrumentUsable(state)) {
        ModuleInfo& module = state.instrument.modules[std::size_t(std::clamp(p.PageModule, 0, kModuleSlots - 1))];
        module.ModuleCompressed = false;
        p.compressed = false;
        state.instrument.clockPeriods.analyzer = intAt(lines, L::clockPeriod, 20);
        p.channelCount = std::clamp(intAt(lines, L::channels, 16), 0, kMaxChannels);
        p.dataCount = std::clamp(intAt(lines, L::dataCount, 1024), 0, kMaxSamples);
    }
    const int n = std::clamp(p.channelCount, 0, kMaxChannels);
    const int origin = state.settings.channelOrigin;

    p.intervalIndex = intAt(lines, L::interval, 0);
    p.measureTimeText = lineAt(lines, L::measureTime);
    const QString runModeRead = lineAt(lines, L::runMode);
    p.runModeText = runModeFromFile(runModeRead);

    p.zoomFactor = lineAt(lines, L::zoom).toDouble();
    p.zoomCode = p.zoomFactor == kWholeView ? 990 : RoundToInt(p.zoomFactor * 256.0);
    p.previousZoomFactor = p.zoomFactor;
    p.previousZoomCode = p.zoomCode;

    p.atobMode = lineAt(lines, L::cursorPair) == QStringLiteral("(AtoB)") ? QStringLiteral("AtoB")
                                                                         : QStringLiteral("CtoD");
    p.stateCursorName = lineAt(lines, L::stateCursor);
    p.stateMode = lineAt(lines, L::stateMode);
    p.stateMsb = std::min(intAt(lines, L::stateMsb, 4), n - 1 + origin);
    p.stateLsb = std::max(intAt(lines, L::stateLsb, 1), origin);

    const int fileChannels = std::clamp(lineAt(lines, L::channels).toInt(), 0, kMaxChannels);
    for (int r = 0; r < kStoredChannels; ++r) {
        p.signalName[std::size_t(r)] = lineAt(lines, L::names + r);
        p.rowChannelCount[std::size_t(r)] = intAt(lines, L::rowChannels + r, 1);
        p.rowRadix[std::size_t(r)] = lineAt(lines, L::radix + r);
    }
    p.rowCount = std::clamp(lineAt(lines, L::rowCount).toInt(), 0, kStoredChannels);
    fitRowsToChannels(state, p, n, fileChannels);
    for (int r = p.rowCount; r < kMaxRows; ++r)
        p.signalName[std::size_t(r)].clear();

    for (int c = 0; c < kMaxChannels; ++c)
        p.channelSelected[std::size_t(c)] = c < kStoredChannels && lineAt(lines, L::selection + c) == QStringLiteral("1");
    for (int t = 0; t < kTriggerTexts; ++t)
        p.triggerText[std::size_t(t)] =
            t <= kStoredChannels ? triggerFromFile(lineAt(lines, L::triggers + t)) : QStringLiteral("-");

    // On bit planes a cursor past the memory could not be drawn or dragged back.
    const auto cursor = [&](int at, int fallback) {
        const int v = intAt(lines, at, fallback);
        return p.compressed ? v : std::min(v, p.dataCount);
    };
    p.cursorA = cursor(L::cursorA, 3);
    p.cursorB = cursor(L::cursorB, 103);
    p.cursorC = cursor(L::cursorC, 303);
    p.cursorD = cursor(L::cursorD, 403);

    const int k = p.dataCount <= 32000 ? 64 : p.dataCount <= 256000 ? 1024 : 8192;
    p.scrollMax = RoundToInt(k * p.zoomFactor);
    p.scrollPosition = intAt(lines, L::scrollPosition, 0);
    const int fileScrollMax = intAt(lines, L::scrollMax, 1024);
    if (fileScrollMax == 0 || fileScrollMax > p.scrollMax || p.scrollPosition > p.scrollMax || p.scrollPosition < 0)
        p.scrollPosition = 0;
    p.rowScrollMax = p.rowCount - 1;
    p.firstRow = intAt(lines, L::firstRow, 0);
    if (p.firstRow > p.rowScrollMax || p.firstRow < 0)
        p.firstRow = 0;

    p.hasCompareResult = false;
    ClearWholeViewCaches(state.pageViews[std::size_t(page)]);
    p.hasData = lineAt(lines, L::hasData) == QStringLiteral("1");

    // Samples: the file's count, never more than the lines it holds or the bit planes.
    const int total = std::clamp(p.dataCount, 0, kMaxSamples);
    const qsizetype held = std::max<qsizetype>(0, lines.size() - L::firstSample);
    const int s = int(std::clamp<qsizetype>(intAt(lines, L::dataCount, 512), 0, std::min<qsizetype>(kMaxSamples, held)));
    const int read = p.compressed ? s : std::min(s, total);
    readSampleLines(lines, L::firstSample, read, p.compressed ? 0 : total, p.sampleBits, false);

    const bool compareFile = runModeRead == QStringLiteral("波形比較");
    if (!compareFile) {
        p.compareErrorBits.clear(n, total);
    } else {
        const qsizetype errors = lines.indexOf(QStringLiteral("(比較エラー)"), L::firstSample + s);
        const qsizetype errorsHeld = errors < 0 ? 0 : std::max<qsizetype>(0, lines.size() - errors - 1);
        const int e = int(std::min<qsizetype>(read, errorsHeld));
        readSampleLines(lines, errors + 1, e, p.compressed ? 0 : total, p.compareErrorBits, true);
    }

    if (p.compressed) {
        const int t = s > 31999 ? 53 : 3;
        SamplesToRecords(p, s, t);
        p.measRecCount = std::min(p.recCount, p.measuredList.capacity());
        p.measuredList.copyFrom(p.displayList, p.measRecCount);
        p.measSampleCount = p.measRecCount;
        p.measuredList.setEnd(p.measRecCount, p.measSampleCount);
        p.measTriggerSample = t;
    } else {
        p.triggerPosition = triggerIndexFromText(p.triggerText[0], p.dataCount);
    }
    state.frontEnd().requestRedraw(page);
    return true;
}

} // namespace seiran
