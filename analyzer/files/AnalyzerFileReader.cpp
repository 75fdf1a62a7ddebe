#include "files/AnalyzerFile.h"

#include "FrontEnd.h"
#include "capture/Compare.h"
#include "capture/RunControl.h"
#include "core/AnalyzerState.h"
#include "files/AnalyzerFileRead.h"
#include "files/DataFile.h"
#include "render/PageView.h"
#include "render/WaveMapping.h"

#include <algorithm>
#include <limits>

namespace seiran {

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr int kLastInterval = 20;    // the longest interval list has 21 entries
constexpr int kLargestZoomCode = 32768; // ×128
constexpr int kLongestClockPeriod = 1000000;

// Every field is found by its label line; a missing label gives -1, so its value is line 0,
// which converts to the field's default.
class Labels {
public:
    explicit Labels(const DataFileText& lines) : m_lines(lines) {}
    qsizetype at(QStringView label, int k = 1) const { return m_lines.find(label) + k; }
    QString text(QStringView label, int k = 1) const { return m_lines.text(at(label, k)); }
    int integer(QStringView label, int fallback, int k = 1) const { return intAt(m_lines, at(label, k), fallback); }
    const DataFileText& lines() const { return m_lines; }

private:
    const DataFileText& m_lines;
};

} // namespace

QString runModeFromFile(const QString& v)
{
    if (v == QStringLiteral("連続") || v == QStringLiteral("リピート"))
        return QStringLiteral("リピート");
    if (v == QStringLiteral("リピート保存") || v == QStringLiteral("波形比較"))
        return v;
    return QStringLiteral("シングル");
}

void fitRowsToChannels(AnalyzerState& state, PageState& p, int n, int fileChannels)
{
    if (n > fileChannels) {
        const int extra = n - fileChannels;
        for (int r = p.rowCount; r < p.rowCount + extra && r < kMaxRows; ++r) {
            p.rowChannelCount[std::size_t(r)] = 1;
            p.rowRadix[std::size_t(r)] = QStringLiteral("HEX");
        }
        p.rowCount = std::min(kMaxRows, p.rowCount + extra);
    } else if (n < fileChannels) {
        std::int64_t sum = 0;
        for (int r = 0; r < p.rowCount; ++r) {
            sum += p.rowChannelCount[std::size_t(r)];
            if (sum >= n) {
                p.rowCount = r + 1;
                if (sum > n) {
                    p.rowChannelCount[std::size_t(r)] -= sum - n;
                    state.log.AddMessage(QStringLiteral("信号名") + p.signalName[std::size_t(r)]
                                         + QStringLiteral("の一部分のみ表示しています。"));
                }
                break;
            }
        }
    }
    for (int r = p.rowCount; r < kMaxRows; ++r) {
        p.rowChannelCount[std::size_t(r)] = 0;
        p.rowRadix[std::size_t(r)].clear();
    }
}

FileRefusal CheckLabelledFile(const AnalyzerState& state, int page, const DataFileText& lines)
{
    const Labels ix(lines);
    const PageState& p = state.pages[std::size_t(page)];
    FileRefusal r;
    const auto check = [&](QStringView label, std::int64_t lo, std::int64_t hi, int k = 1) {
        checkInteger(r, lines, ix.at(label, k), lo, hi);
    };
    check(u"(チャンネル数)", 1, kMaxChannels);
    if (!InstrumentUsable(state)) { // the hardware description is stored only then
        check(u"(データメモリ bit/ch)", 1, kMaxSamples);
        check(ix.lines().find(u"(クロック周期)") >= 0 ? u"(クロック周期)" : u"(クロック周期 nS)", 1, kLongestClockPeriod);
    }
    check(u"(測定間隔番号)", 0, kLastInterval);
    check(u"(ズーム)", 1, kLargestZoomCode);
    check(u"(ステート表示 チャンネルのMSB)", 0, kMaxChannels);
    check(u"(ステート表示 チャンネルのLSB)", 0, kMaxChannels);
    checkInteger(r, lines, ix.at(u"(バスを考慮した行数)"), 0, kMaxRows, true);
    const int fileChannels = std::clamp(ix.integer(u"(チャンネル数)", 16), 0, kMaxChannels);
    for (int row = 0; row < fileChannels; ++row)
        check(u"(バスの要素数)", 0, kMaxChannels, 1 + row);
    if (lines.text(1) == kVersion54) {
        check(u"(アナログ表示の数)", 0, kMaxAnalogRows);
        for (int k = 1; k <= 4; ++k) {
            checkReal(r, lines, ix.at(u"(アナログ表示のパラメータ)", k), -1e9, 1e9);
            check(u"(アナログ表示の電圧カーソル位置)", 0, 255, k);
        }
    }
    check(u"(スクロール)", kInt32Min, kInt32Max, 3);
    const qsizetype measured = lines.find(u"(測定データ)");
    checkRecordSection(r, lines, measured);
    if (p.compressed && ix.text(u"(測定モード)") == QStringLiteral("波形比較"))
        checkRecordSection(r, lines, lines.find(u"(リファレンスデータ)"));
    return r;
}

void ReadAnalyzerFileLabelled(AnalyzerState& state, int page, const DataFileText& lines, ReadReport& report)
{
    const Labels ix(lines);
    PageState& p = state.pages[std::size_t(page)];
    const bool v54 = lines.text(1) == kVersion54;

    const int fileChannels = std::clamp(ix.integer(u"(チャンネル数)", 16), 0, kMaxChannels);
    if (!InstrumentUsable(state)) {
        ModuleInfo& module = state.instrument.modules[std::size_t(std::clamp(p.PageModule, 0, kModuleSlots - 1))];
        module.ModuleCompressed = ix.text(u"(ハードウェアモード)") == QStringLiteral("圧縮");
        p.compressed = module.ModuleCompressed;
        p.channelCount = std::clamp(ix.integer(u"(チャンネル数)", 16), 0, kMaxChannels);
        p.dataCount = std::clamp(ix.integer(u"(データメモリ bit/ch)", 1024), 0, kMaxSamples);
        const QStringView clock = lines.find(u"(クロック周期)") >= 0 ? u"(クロック周期)" : u"(クロック周期 nS)";
        state.instrument.clockPeriods.analyzer = ix.integer(clock, 10);
    }
    const int n = std::clamp(p.channelCount, 0, kMaxChannels);
    const int origin = state.settings.channelOrigin;
    report.channelsDropped = fileChannels > n;

    const QString runModeRead = ix.text(u"(測定モード)");
    p.runModeText = runModeFromFile(runModeRead);
    p.intervalIndex = ix.integer(u"(測定間隔番号)", 0);
    p.measureTimeText = ix.text(u"(測定時間)");
    p.zoomCode = ix.integer(u"(ズーム)", 256);
    p.previousZoomCode = p.zoomCode;
    if (lines.find(u"(AtoB)") > 0)
        p.atobMode = QStringLiteral("AtoB");
    if (lines.find(u"(CtoD)") > 0)
        p.atobMode = QStringLiteral("CtoD");

    p.stateCursorName = ix.text(u"(ステート表示 カーソル名)");
    p.stateMode = ix.text(u"(ステート表示 モード)");
    if (!p.compressed && (p.stateMode == QStringLiteral("BIN(上位)") || p.stateMode == QStringLiteral("BIN(下位)")))
        p.stateMode = QStringLiteral("BIN");
    p.stateMsb = std::min(ix.integer(u"(ステート表示 チャンネルのMSB)", 7), n - 1 + origin);
    p.stateLsb = std::max(ix.integer(u"(ステート表示 チャンネルのLSB)", 0), origin);

    const int rowsInFile = std::min(fileChannels, kMaxRows);
    for (int r = 0; r < kMaxRows; ++r) {
        if (r < rowsInFile && r < n)
            p.signalName[std::size_t(r)] = ix.text(u"(信号名)", 1 + r);
        else
            p.signalName[std::size_t(r)].clear();
    }

    p.rowCount = std::clamp(ix.integer(u"(バスを考慮した行数)", 0), 0, kMaxRows);
    for (int r = 0; r < rowsInFile; ++r) {
        p.rowChannelCount[std::size_t(r)] = ix.integer(u"(バスの要素数)", 1, 1 + r);
        p.rowRadix[std::size_t(r)] = ix.text(u"(バスのRadix)", 1 + r);
    }

    if (v54) {
        p.analogCount = ix.integer(u"(アナログ表示の数)", 0);
        for (int a = 0; a < kMaxAnalogRows; ++a) {
            const auto i = std::size_t(a);
            p.analogMvPerDigitText[i] = ix.text(u"(アナログ表示のパラメータ)", 1 + 2 * a);
            p.analogMinimumText[i] = ix.text(u"(アナログ表示のパラメータ)", 2 + 2 * a);
            p.analogMicroVoltsPerDigit[i] = float(p.analogMvPerDigitText[i].toDouble() * 1000.0);
            p.analogMinimumMicroVolts[i] = float(p.analogMinimumText[i].toDouble() * 1000.0);
            p.analogVZoom[i] = ix.integer(u"(アナログ表示のズーム)", 1, 1 + 2 * a);
            p.analogVOffset[i] = ix.integer(u"(アナログ表示のズーム)", 0, 2 + 2 * a);
        }
        p.voltCursor1 = ix.integer(u"(アナログ表示の電圧カーソル位置)", 255, 1);
        p.voltCursor2 = ix.integer(u"(アナログ表示の電圧カーソル位置)", 0, 2);
        p.voltCursor3 = ix.integer(u"(アナログ表示の電圧カーソル位置)", 255, 3);
        p.voltCursor4 = ix.integer(u"(アナログ表示の電圧カーソル位置)", 0, 4);
        const bool manyGroups = state.instrument.module(p.PageModule).ModuleBankCount > 1;
        if (!p.compressed || manyGroups)
            for (int r = 0; r < rowsInFile; ++r)
                if (p.rowRadix[std::size_t(r)].contains(QStringLiteral("Analog")))
                    p.rowRadix[std::size_t(r)] = QStringLiteral("HEX");
    }

    fitRowsToChannels(state, p, n, fileChannels);
    for (int r = p.rowCount; r < kMaxRows; ++r)
        if (r >= n)
            p.signalName[std::size_t(r)].clear();

    for (int c = 0; c < kMaxChannels; ++c)
        p.channelSelected[std::size_t(c)] = c < fileChannels && ix.text(u"(チャンネルの選択状態)", 1 + c) == QStringLiteral("1");
    for (int t = 0; t < kTriggerTexts; ++t)
        p.triggerText[std::size_t(t)] =
            t <= fileChannels ? ix.text(u"(トリガ表示位置およびトリガ条件)", 1 + t) : QStringLiteral("-");

    p.cursorA = ix.integer(u"(カーソルAの位置)", 0);
    p.cursorB = ix.integer(u"(カーソルBの位置)", 100);
    p.cursorC = ix.integer(u"(カーソルCの位置)", 300);
    p.cursorD = ix.integer(u"(カーソルDの位置)", 400);
    p.firstRow = ix.integer(u"(スクロール)", 0, 3);
    p.rowScrollMax = p.rowCount - 1;
    if (p.firstRow > p.rowScrollMax || p.firstRow < 0)
        p.firstRow = 0;
    p.hasData = ix.text(u"(データ(波形)があるかどうか)") == QStringLiteral("1");
    p.hasCompareResult = false;
    ClearWholeViewCaches(state.pageViews[std::size_t(page)]);

    const RecordSection shown = readRecordSection(lines, lines.find(u"(測定データ)"), p.displayList);
    report.missing += shown.missing;
    report.samplesDropped = shown.dropped;
    p.recCount = shown.read;
    p.sampleCount = shown.samples;
    p.recTriggerSample = shown.trigger;
    if (p.compressed) {
        p.centreSample = ix.integer(u"(画面の中央のデータ番号)", 0);
        ScrollToSample(p, state.pageViews[std::size_t(page)], std::int64_t(p.centreSample) + p.recTriggerSample);
    }
    // The measured list is half the display list's size: a longer list keeps its first records,
    // closed where they end.
    p.measRecCount = std::min(p.recCount, p.measuredList.capacity());
    report.samplesDropped = report.samplesDropped || p.measRecCount < p.recCount;
    p.measuredList.copyFrom(p.displayList, p.measRecCount);
    p.measSampleCount = p.measRecCount < p.recCount ? p.displayList.start(p.measRecCount) : p.sampleCount;
    p.measuredList.setEnd(p.measRecCount, p.measSampleCount);
    p.measTriggerSample = p.recTriggerSample;

    const bool compareFile = runModeRead == QStringLiteral("波形比較");
    if (compareFile && p.compressed) {
        // The file's reference becomes the page's, and the capture is compared with it as the
        // run that saved the file did.
        const RecordSection ref = readRecordSection(lines, lines.find(u"(リファレンスデータ)"), p.referenceList);
        report.missing += ref.missing;
        report.samplesDropped = report.samplesDropped || ref.dropped;
        p.refRecCount = ref.read;
        p.refSampleCount = ref.samples;
        p.refTriggerSample = ref.trigger;
        CompareRecords(state, page);
    }
    if (!p.compressed) {
        if (expandRecords(p, p.dataCount))
            report.samplesDropped = true;
        p.triggerPosition = std::clamp(p.recTriggerSample, 0, std::max(0, p.dataCount - 1));
        // As after a capture: the samples are the reference of the next compare.
        CopyCaptureToReference(state, page);
        if (compareFile)
            p.runModeText = QStringLiteral("シングル");
    }
    FinishLoadedPage(state, page);
}

} // namespace seiran
