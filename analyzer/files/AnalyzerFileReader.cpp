#include "files/AnalyzerFile.h"

#include "FrontEnd.h"
#include "core/AnalyzerState.h"
#include "files/DataFile.h"
#include "render/PageView.h"

#include <QHash>

#include <algorithm>

namespace seiran {

namespace {

// Labels are looked up as whole lines; the first occurrence counts. A missing label gives -1, so
// its value is line 0, which converts to the field's default.
class LabelIndex {
public:
    explicit LabelIndex(const QStringList& lines) : m_lines(lines)
    {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString& l = lines[i];
            // Only label lines start with "("; sample and record lines never do.
            if (!l.isEmpty() && l[0] == u'(' && !m_index.contains(l))
                m_index.insert(l, int(i));
        }
    }
    int find(const QString& label) const { return m_index.value(label, -1); }
    const QString& line(qsizetype i) const
    {
        static const QString empty;
        return i >= 0 && i < m_lines.size() ? m_lines[i] : empty;
    }
    const QString& after(const QString& label, int k = 1) const { return line(qsizetype(find(label)) + k); }
    int integer(const QString& label, int fallback, int k = 1) const { return toInt(after(label, k), fallback); }
    static int toInt(const QString& text, int fallback)
    {
        bool ok = false;
        const int v = text.toInt(&ok);
        return ok ? v : fallback;
    }
    qsizetype size() const { return m_lines.size(); }

private:
    const QStringList& m_lines;
    QHash<QString, int> m_index;
};

struct ListCounts {
    int count = 0;
    std::int32_t samples = 0;
    std::int32_t trigger = 0;
};

// Reads the record list whose section starts at line p into `list`, limited to its capacity and to
// the lines the file holds, and closes it with the end entry.
ListCounts readRecordList(const LabelIndex& ix, int p, RecordList& list)
{
    ListCounts c;
    c.count = LabelIndex::toInt(ix.line(qsizetype(p) + 2), 1024);
    c.samples = LabelIndex::toInt(ix.line(qsizetype(p) + 4), 1024);
    c.trigger = LabelIndex::toInt(ix.line(qsizetype(p) + 6), 0);
    const qsizetype first = qsizetype(p) + 8;
    const qsizetype available = std::max<qsizetype>(0, ix.size() - first);
    c.count = int(std::clamp<qsizetype>(c.count, 0, std::min<qsizetype>(list.capacity(), available)));
    for (int k = 0; k < c.count; ++k) {
        const QStringList f = SplitBySpace(ix.line(first + k), 4);
        const Hex64 value = ParseHex64(f[0]);
        const int run = LabelIndex::toInt(f[1], 0);
        const int start = LabelIndex::toInt(f[3], k);
        list.set(k, value.error ? 0 : value.value, run, start);
    }
    list.setEnd(c.count, c.samples);
    return c;
}

// Channels 0-31 of the bit planes from the display records, cut at dataCount and padded with
// the last sample.
void expandRecords(PageState& p)
{
    const int total = std::clamp(p.dataCount, 0, kMaxSamples);
    int n = 0;
    std::uint64_t last = 0;
    auto put = [&](std::uint64_t v) {
        for (int c = 0; c < 32; ++c)
            p.sampleBits.set(c, n, (v >> unsigned(c)) & 1U);
        ++n;
    };
    for (int i = 0; i < p.recCount && n < total; ++i) {
        last = p.displayList.value(i);
        const int run = std::max(1, p.displayList.runLength(i));
        for (int k = 0; k < run && n < total; ++k)
            put(last);
    }
    while (n < total)
        put(last);
}

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
        int sum = 0;
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

QString CheckLabelledFile(const QStringList& lines)
{
    const LabelIndex ix(lines);
    bool ok = false;
    const QString rows = ix.after(QStringLiteral("(バスを考慮した行数)"));
    rows.toInt(&ok);
    if (!ok)
        return QStringLiteral("'%1' は有効な整数値ではありません。").arg(rows);
    if (lines.size() > 1 && lines[1] == kVersion54) {
        for (int k = 1; k <= 4; ++k) {
            const QString t = ix.after(QStringLiteral("(アナログ表示のパラメータ)"), k);
            t.toDouble(&ok);
            if (!ok)
                return QStringLiteral("'%1' は有効な浮動小数点数値ではありません。").arg(t);
        }
    }
    return {};
}

bool ReadAnalyzerFileLabelled(AnalyzerState& state, int page, const QStringList& lines)
{
    const QString refused = CheckLabelledFile(lines);
    if (!refused.isEmpty()) {
        state.frontEnd().showError(refused);
        return false;
    }
    const LabelIndex ix(lines);
    PageState& p = state.pages[std::size_t(page)];
    const bool v54 = lines.size() > 1 && lines[1] == kVersion54;

    const int fileChannels = std::clamp(ix.integer(QStringLiteral("(チャンネル数)"), 16), 0, kMaxChannels);
    if (!InstrumentUsable(state)) {
        ModuleInfo& module = state.instrument.modules[std::size_t(std::clamp(p.PageModule, 0, kModuleSlots - 1))];
        module.ModuleCompressed = ix.after(QStringLiteral("(ハードウェアモード)")) == QStringLiteral("圧縮");
        p.compressed = module.ModuleCompressed;
        p.channelCount = std::clamp(ix.integer(QStringLiteral("(チャンネル数)"), 16), 0, kMaxChannels);
        p.dataCount = std::clamp(ix.integer(QStringLiteral("(データメモリ bit/ch)"), 1024), 0, kMaxSamples);
        const QString clock = ix.find(QStringLiteral("(クロック周期)")) >= 0 ? QStringLiteral("(クロック周期)")
                                                                           : QStringLiteral("(クロック周期 nS)");
        state.instrument.clockPeriods.analyzer = ix.integer(clock, 10);
    }
    const int n = std::clamp(p.channelCount, 0, kMaxChannels);
    const int origin = state.settings.channelOrigin;

    const QString runModeRead = ix.after(QStringLiteral("(測定モード)"));
    p.runModeText = runModeFromFile(runModeRead);
    p.intervalIndex = ix.integer(QStringLiteral("(測定間隔番号)"), 0);
    p.measureTimeText = ix.after(QStringLiteral("(測定時間)"));
    p.zoomCode = ix.integer(QStringLiteral("(ズーム)"), 256);
    p.previousZoomCode = p.zoomCode;
    if (ix.find(QStringLiteral("(AtoB)")) > 0)
        p.atobMode = QStringLiteral("AtoB");
    if (ix.find(QStringLiteral("(CtoD)")) > 0)
        p.atobMode = QStringLiteral("CtoD");

    p.stateCursorName = ix.after(QStringLiteral("(ステート表示 カーソル名)"));
    p.stateMode = ix.after(QStringLiteral("(ステート表示 モード)"));
    if (!p.compressed && (p.stateMode == QStringLiteral("BIN(上位)") || p.stateMode == QStringLiteral("BIN(下位)")))
        p.stateMode = QStringLiteral("BIN");
    p.stateMsb = std::min(ix.integer(QStringLiteral("(ステート表示 チャンネルのMSB)"), 7), n - 1 + origin);
    p.stateLsb = std::max(ix.integer(QStringLiteral("(ステート表示 チャンネルのLSB)"), 0), origin);

    const int rowsInFile = std::min(fileChannels, kMaxRows);
    for (int r = 0; r < kMaxRows; ++r) {
        if (r < rowsInFile && r < n)
            p.signalName[std::size_t(r)] = ix.after(QStringLiteral("(信号名)"), 1 + r);
        else
            p.signalName[std::size_t(r)].clear();
    }

    p.rowCount = std::clamp(ix.after(QStringLiteral("(バスを考慮した行数)")).toInt(), 0, kMaxRows);
    for (int r = 0; r < rowsInFile; ++r) {
        p.rowChannelCount[std::size_t(r)] = ix.integer(QStringLiteral("(バスの要素数)"), 1, 1 + r);
        p.rowRadix[std::size_t(r)] = ix.after(QStringLiteral("(バスのRadix)"), 1 + r);
    }

    if (v54) {
        p.analogCount = ix.integer(QStringLiteral("(アナログ表示の数)"), 0);
        const QString param = QStringLiteral("(アナログ表示のパラメータ)");
        const QString zoom = QStringLiteral("(アナログ表示のズーム)");
        for (int a = 0; a < kMaxAnalogRows; ++a) {
            p.analogMvPerDigitText[std::size_t(a)] = ix.after(param, 1 + 2 * a);
            p.analogMinimumText[std::size_t(a)] = ix.after(param, 2 + 2 * a);
            p.analogMicroVoltsPerDigit[std::size_t(a)] = float(p.analogMvPerDigitText[std::size_t(a)].toDouble() * 1000.0);
            p.analogMinimumMicroVolts[std::size_t(a)] = float(p.analogMinimumText[std::size_t(a)].toDouble() * 1000.0);
            p.analogVZoom[std::size_t(a)] = ix.integer(zoom, 1, 1 + 2 * a);
            p.analogVOffset[std::size_t(a)] = ix.integer(zoom, 0, 2 + 2 * a);
        }
        const QString volt = QStringLiteral("(アナログ表示の電圧カーソル位置)");
        p.voltCursor1 = ix.integer(volt, 255, 1);
        p.voltCursor2 = ix.integer(volt, 0, 2);
        p.voltCursor3 = ix.integer(volt, 255, 3);
        p.voltCursor4 = ix.integer(volt, 0, 4);
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
        p.channelSelected[std::size_t(c)] =
            c < fileChannels && ix.after(QStringLiteral("(チャンネルの選択状態)"), 1 + c) == QStringLiteral("1");
    for (int t = 0; t < kTriggerTexts; ++t)
        p.triggerText[std::size_t(t)] =
            t <= fileChannels ? ix.after(QStringLiteral("(トリガ表示位置およびトリガ条件)"), 1 + t) : QStringLiteral("-");

    p.cursorA = ix.integer(QStringLiteral("(カーソルAの位置)"), 0);
    p.cursorB = ix.integer(QStringLiteral("(カーソルBの位置)"), 100);
    p.cursorC = ix.integer(QStringLiteral("(カーソルCの位置)"), 300);
    p.cursorD = ix.integer(QStringLiteral("(カーソルDの位置)"), 400);
    p.firstRow = ix.integer(QStringLiteral("(スクロール)"), 0, 3);
    p.rowScrollMax = p.rowCount - 1;
    if (p.firstRow > p.rowScrollMax)
        p.firstRow = 0;
    p.hasData = ix.after(QStringLiteral("(データ(波形)があるかどうか)")) == QStringLiteral("1");
    p.hasCompareResult = false;
    ClearWholeViewCaches(state.pageViews[std::size_t(page)]);

    const ListCounts shown = readRecordList(ix, ix.find(QStringLiteral("(測定データ)")), p.displayList);
    p.recCount = shown.count;
    p.sampleCount = shown.samples;
    p.recTriggerSample = shown.trigger;
    if (p.compressed)
        p.centreSample = ix.integer(QStringLiteral("(画面の中央のデータ番号)"), 0);
    // The measured list is half the display list's size: a longer list keeps its first records,
    // closed where they end.
    p.measRecCount = std::min(p.recCount, p.measuredList.capacity());
    p.measuredList.copyFrom(p.displayList, p.measRecCount);
    p.measSampleCount = p.measRecCount < p.recCount ? p.displayList.start(p.measRecCount) : p.sampleCount;
    p.measuredList.setEnd(p.measRecCount, p.measSampleCount);
    p.measTriggerSample = p.recTriggerSample;

    const bool compareFile = runModeRead == QStringLiteral("波形比較");
    if (compareFile && p.compressed) {
        const ListCounts ref = readRecordList(ix, ix.find(QStringLiteral("(リファレンスデータ)")), p.referenceList);
        p.refRecCount = ref.count;
        p.refSampleCount = ref.samples;
        p.refTriggerSample = ref.trigger;
    }
    if (!p.compressed) {
        expandRecords(p);
        p.triggerPosition = std::clamp(p.recTriggerSample, 0, std::max(0, p.dataCount - 1));
        if (compareFile)
            p.runModeText = QStringLiteral("シングル");
    }
    state.frontEnd().requestRedraw(page);
    return true;
}

} // namespace seiran
