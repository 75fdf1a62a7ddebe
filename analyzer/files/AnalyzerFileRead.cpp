#include "files/AnalyzerFileRead.h"

#include "FrontEnd.h"
#include "capture/CaptureSettings.h"
#include "capture/SampleDecoding.h"
#include "core/AnalyzerState.h"
#include "files/DataFileText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace seiran {

QString notIntegerText(const QString& value)
{
    return QStringLiteral("'%1' は有効な整数値ではありません。").arg(value);
}

QString notRealText(const QString& value)
{
    return QStringLiteral("'%1' は有効な浮動小数点数値ではありません。").arg(value);
}

QString outOfRangeText(const QString& value, std::int64_t low, std::int64_t high)
{
    return QStringLiteral("'%1' は有効な範囲(%2～%3)の値ではありません。").arg(value).arg(low).arg(high);
}

void checkInteger(FileRefusal& refusal, const DataFileText& lines, qsizetype line, std::int64_t lo, std::int64_t hi,
                  bool strict)
{
    if (refusal.refused())
        return;
    const QByteArrayView bytes = lines.bytes(line);
    const std::optional<std::int64_t> v = parseDecimal(bytes);
    // What QString::toInt does not take (too long for 32 bits included) is not a number here.
    const bool number = v && *v >= std::numeric_limits<int>::min() && *v <= std::numeric_limits<int>::max();
    if (!number) {
        if (strict)
            refusal = {notIntegerText(lines.text(line)), line};
        return;
    }
    if (*v < lo || *v > hi)
        refusal = {outOfRangeText(lines.text(line), lo, hi), line};
}

void checkReal(FileRefusal& refusal, const DataFileText& lines, qsizetype line, double lo, double hi)
{
    if (refusal.refused())
        return;
    const QString t = lines.text(line);
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        refusal = {notRealText(t), line};
    else if (v < lo || v > hi)
        refusal = {QStringLiteral("'%1' は有効な範囲(%2～%3)の値ではありません。").arg(t).arg(lo).arg(hi), line};
}

int intAt(const DataFileText& lines, qsizetype line, int fallback)
{
    return parseInt32(lines.bytes(line)).value_or(fallback);
}

// ---- bit planes

PlaneFiller::PlaneFiller(BitPlanes& planes)
{
    for (int c = 0; c < 32; ++c)
        m_channels[std::size_t(c)] = planes.words(c).data();
}

void PlaneFiller::flush(int filled)
{
    const int word = m_count / 64 - (filled == 64 ? 1 : 0);
    std::fill(m_block.begin() + filled, m_block.end(), 0);
    TransposeBits64(m_block);
    const std::uint64_t mask = filled == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << filled) - 1;
    for (int c = 0; c < 32; ++c) {
        std::uint64_t& w = m_channels[std::size_t(c)][word];
        w = (w & ~mask) | (m_block[std::size_t(c)] & mask);
    }
    m_filled = 0;
}

void PlaneFiller::put(std::uint32_t sample)
{
    if (m_count >= kMaxSamples)
        return;
    m_block[std::size_t(m_filled++)] = sample;
    ++m_count;
    if (m_filled == 64)
        flush(64);
}

void PlaneFiller::repeat(std::uint32_t sample, std::int64_t count)
{
    count = std::min<std::int64_t>(count, kMaxSamples - m_count);
    // Fill the current word sample by sample, then whole words at once.
    while (count > 0 && m_filled != 0) {
        put(sample);
        --count;
    }
    const std::int64_t words = count / 64;
    for (int c = 0; c < 32 && words > 0; ++c) {
        const std::uint64_t level = (sample >> unsigned(c)) & 1U ? ~std::uint64_t(0) : 0;
        std::fill_n(m_channels[std::size_t(c)] + m_count / 64, words, level);
    }
    m_count += int(words * 64);
    for (std::int64_t k = words * 64; k < count; ++k)
        put(sample);
}

void PlaneFiller::finish()
{
    if (m_filled > 0)
        flush(m_filled);
}

// ---- record sections

void checkRecordSection(FileRefusal& refusal, const DataFileText& lines, qsizetype p)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    checkInteger(refusal, lines, p + 2, 0, kMax);
    checkInteger(refusal, lines, p + 4, 0, kMax);
    checkInteger(refusal, lines, p + 6, 0, kMax);
}

namespace {

// Field k (0-3) of a record line split at single spaces; past the last token the last repeats.
struct RecordFields {
    std::array<QByteArrayView, 4> f;
    explicit RecordFields(QByteArrayView line)
    {
        const char* p = line.data();
        const char* end = p + line.size();
        int n = 0;
        const char* token = p;
        for (; p != end && n < 3; ++p) {
            if (*p == ' ') {
                f[std::size_t(n++)] = QByteArrayView(token, p - token);
                token = p + 1;
            }
        }
        // The last field ends at the next space or the end of the line.
        while (p != end && *p != ' ')
            ++p;
        f[std::size_t(n++)] = QByteArrayView(token, p - token);
        for (; n < 4; ++n)
            f[std::size_t(n)] = f[std::size_t(n - 1)];
    }
};

// The usual record line in one pass: upper-case hexadecimal, then three decimals, single
// spaces, the line's end. Returns the bytes taken up to the line's end, or 0 when the line has
// any other form; the caller then reads it field by field, which gives the same values.
qsizetype fastRecordLine(QByteArrayView text, std::uint64_t& value, int& run, int& start)
{
    const char* const begin = text.data();
    const char* p = begin;
    const char* const end = begin + text.size();
    std::uint64_t v = 0;
    int digits = 0;
    for (; p != end; ++p, ++digits) {
        const unsigned d = kHexDigitValue[static_cast<unsigned char>(*p)];
        if (d == 16U)
            break;
        v = (v << 4) | d;
    }
    if (digits == 0 || digits > 16)
        return 0;
    std::array<std::int64_t, 3> n{};
    for (std::int64_t& number : n) {
        if (p == end || *p != ' ')
            return 0;
        ++p;
        const bool negative = p != end && *p == '-';
        p += negative ? 1 : 0;
        const char* first = p;
        for (; p != end && unsigned(*p - '0') <= 9U && p - first < 10; ++p)
            number = number * 10 + (*p - '0');
        if (p == first || (p != end && unsigned(*p - '0') <= 9U))
            return 0;
        number = negative ? -number : number;
        if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
            return 0;
    }
    if (p != end && *p != '\r' && *p != '\n')
        return 0;
    value = v;
    run = std::max(0, int(n[0]));
    start = int(n[2]);
    return p - begin;
}

} // namespace

RecordSection readRecordSection(const DataFileText& lines, qsizetype p, RecordList& list)
{
    RecordSection s;
    s.announced = std::max(0, intAt(lines, p + 2, 1024));
    s.samples = intAt(lines, p + 4, 1024);
    s.trigger = intAt(lines, p + 6, 0);
    const qsizetype first = p + 8;
    const qsizetype held = std::max<qsizetype>(0, lines.lineCount() - first);
    s.missing = int(std::max<qsizetype>(0, s.announced - held));
    s.read = int(std::min<qsizetype>({s.announced, held, qsizetype(list.capacity())}));
    s.dropped = s.announced > list.capacity() && held > list.capacity();
    list.allocate();
    DataFileText::Cursor cursor = lines.from(first);
    for (int k = 0; k < s.read; ++k) {
        std::uint64_t fastValue = 0;
        int fastRun = 0;
        int fastStart = 0;
        if (const qsizetype taken = fastRecordLine(cursor.rest(), fastValue, fastRun, fastStart)) {
            list.set(k, fastValue, fastRun, fastStart);
            cursor.skipLine(taken);
            continue;
        }
        const RecordFields r(cursor.next());
        const std::uint64_t value = parseUpperHex(r.f[0], 16).value_or(0);
        const int run = std::max(0, parseInt32(r.f[1]).value_or(0));
        const int start = parseInt32(r.f[3]).value_or(k);
        list.set(k, value, run, start);
    }
    list.setEnd(s.read, s.samples);
    return s;
}

bool expandRecords(PageState& p, int total)
{
    total = std::clamp(total, 0, kMaxSamples);
    PlaneFiller fill(p.sampleBits);
    std::uint32_t last = 0;
    bool more = false;
    for (int i = 0; i < p.recCount; ++i) {
        if (fill.count() >= total) {
            more = true;
            break;
        }
        last = std::uint32_t(p.displayList.value(i));
        const std::int64_t run = std::max(1, p.displayList.runLength(i));
        if (run > total - fill.count())
            more = true;
        fill.repeat(last, std::min<std::int64_t>(run, total - fill.count()));
    }
    fill.repeat(last, total - fill.count());
    return more;
}

QString truncatedFileText(int missing)
{
    return QStringLiteral("ファイルが途中で終わっています。%1個のデータがありません。").arg(missing);
}

void FinishLoadedPage(AnalyzerState& state, int page)
{
    // The grid shows the trigger texts of the page's selected input group, which now hold the
    // file's conditions; the redraw builds it again.
    state.frontEnd().requestRedraw(page);
    // The module still holds the settings of the last capture: without these the next RUN would
    // sample at an interval the page does not show.
    if (state.device.DeviceType != 0) {
        SendIntervalSetting(state, page);
        SendTriggerSettings(state, page);
    }
}

} // namespace seiran
