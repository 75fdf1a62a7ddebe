#include "files/DataFileText.h"

#include "Cp932Text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace seiran {

namespace {

// Every label line the analyzer readers look up, in code page 932.
constexpr std::array<const char16_t*, 40> kLabels = {
    u"(チャンネル数)", u"(ハードウェアモード)", u"(データメモリ bit/ch)", u"(クロック周期)",
    u"(クロック周期 nS)", u"(測定モード)", u"(測定間隔番号)", u"(測定時間)", u"(ズーム)", u"(AtoB)",
    u"(CtoD)", u"(ステート表示 カーソル名)", u"(ステート表示 モード)", u"(ステート表示 チャンネルのMSB)",
    u"(ステート表示 チャンネルのLSB)", u"(信号名)", u"(バスを考慮した行数)", u"(バスの要素数)",
    u"(バスのRadix)", u"(アナログ表示の数)", u"(アナログ表示のパラメータ)", u"(アナログ表示のズーム)",
    u"(アナログ表示の電圧カーソル位置)", u"(チャンネルの選択状態)", u"(トリガ表示位置およびトリガ条件)",
    u"(カーソルAの位置)", u"(カーソルBの位置)", u"(カーソルCの位置)", u"(カーソルDの位置)", u"(スクロール)",
    u"(画面の中央のデータ番号)", u"(データ(波形)があるかどうか)", u"(測定データ)", u"(リファレンスデータ)",
    u"(解凍前のデータ数)", u"(解凍後のデータ数)", u"(トリガ位置)", u"(データ)", u"(比較エラー)", u"(外部トリガ)",
};

const std::vector<QByteArray>& labelBytes()
{
    static const std::vector<QByteArray> bytes = [] {
        std::vector<QByteArray> out;
        for (const char16_t* label : kLabels)
            out.push_back(encodeCp932(QStringView(label)).value_or(QByteArray()));
        return out;
    }();
    return bytes;
}

int labelNumber(QByteArrayView line)
{
    const std::vector<QByteArray>& labels = labelBytes();
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (labels[i].size() == line.size() && std::memcmp(labels[i].data(), line.data(), std::size_t(line.size())) == 0)
            return int(i);
    return -1;
}

int labelNumber(QStringView label)
{
    for (std::size_t i = 0; i < kLabels.size(); ++i)
        if (label == QStringView(kLabels[i]))
            return int(i);
    return -1;
}

struct LineScan {
    qsizetype end; // index of the line's CR or LF, or the end of the data
    bool ascii;    // no byte of the line is 0x80 or above
};

// Eight bytes at a time: a line of a data file is mostly digits, and the end and the check for
// text other than ASCII come out of the same pass.
LineScan scanLine(QByteArrayView data, qsizetype pos)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const char* p = data.data();
    const qsizetype size = data.size();
    std::uint64_t high = 0;
    qsizetype i = pos;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        const std::uint64_t lf = w ^ (kOnes * '\n');
        const std::uint64_t cr = w ^ (kOnes * '\r');
        // A byte of lf or cr is zero where w holds that character (exact for bytes below 0x80;
        // bytes above are checked one by one below).
        const std::uint64_t zero = ((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr);
        if ((zero | w) & kHigh)
            break;
        high |= w;
    }
    bool ascii = (high & kHigh) == 0;
    for (; i < size; ++i) {
        const char c = p[i];
        if (c == '\n' || c == '\r')
            break;
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    return {i, ascii};
}

qsizetype lineEnd(QByteArrayView data, qsizetype pos)
{
    return scanLine(data, pos).end;
}

// Start of the next line after a line ending at `end`.
qsizetype nextStart(QByteArrayView data, qsizetype end)
{
    if (end >= data.size())
        return data.size();
    if (data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n')
        return end + 2;
    return end + 1;
}

bool isAscii(QByteArrayView line)
{
    unsigned char any = 0;
    for (const char c : line)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

} // namespace

DataFileText::DataFileText(QByteArrayView bytes) : m_data(bytes), m_labels(kLabels.size(), Anchor{-1, 0})
{
    m_firstLines.reserve(std::size_t(std::min<qsizetype>(kIndexedLines, bytes.size() / 2 + 1)));
    qsizetype pos = 0;
    qsizetype line = 0;
    while (pos < m_data.size()) {
        const LineScan scan = scanLine(m_data, pos);
        const qsizetype end = scan.end;
        const QByteArrayView l = m_data.sliced(pos, end - pos);
        if (line < kIndexedLines)
            m_firstLines.push_back(pos);
        if (!l.isEmpty() && l[0] == '(') {
            const int n = labelNumber(l);
            if (n >= 0 && m_labels[std::size_t(n)].line < 0) {
                m_labels[std::size_t(n)] = Anchor{line, pos};
                m_anchors.push_back(Anchor{line, pos});
            }
        }
        // ASCII is the same text in code page 932; only other lines need the converter.
        if (m_invalidLine < 0 && !scan.ascii && !decodeCp932(l))
            m_invalidLine = line;
        ++line;
        pos = nextStart(m_data, end);
    }
    m_lineCount = line;
}

qsizetype DataFileText::offsetOf(qsizetype line) const
{
    if (line < qsizetype(m_firstLines.size()))
        return m_firstLines[std::size_t(line)];
    Anchor from{qsizetype(m_firstLines.size()) - 1, m_firstLines.empty() ? 0 : m_firstLines.back()};
    for (const Anchor& a : m_anchors)
        if (a.line <= line && a.line > from.line)
            from = a;
    qsizetype pos = from.offset;
    for (qsizetype l = from.line; l < line; ++l)
        pos = nextStart(m_data, lineEnd(m_data, pos));
    return pos;
}

QByteArrayView DataFileText::bytes(qsizetype i) const
{
    if (i < 0 || i >= m_lineCount)
        return {};
    const qsizetype pos = offsetOf(i);
    return m_data.sliced(pos, lineEnd(m_data, pos) - pos);
}

QString DataFileText::text(qsizetype i) const
{
    const QByteArrayView l = bytes(i);
    if (isAscii(l))
        return QString::fromLatin1(l);
    return decodeCp932(l).value_or(QString());
}

qsizetype DataFileText::find(QStringView label) const
{
    const int n = labelNumber(label);
    return n < 0 ? -1 : m_labels[std::size_t(n)].line;
}

DataFileText::Cursor DataFileText::from(qsizetype line) const
{
    if (line < 0 || line >= m_lineCount)
        return Cursor(m_data, m_data.size());
    return Cursor(m_data, offsetOf(line));
}

void DataFileText::Cursor::skipLine(qsizetype n)
{
    m_pos = nextStart(m_data, m_pos + n);
}

QByteArrayView DataFileText::Cursor::next()
{
    if (m_pos >= m_data.size())
        return {};
    const qsizetype end = lineEnd(m_data, m_pos);
    const QByteArrayView l = m_data.sliced(m_pos, end - m_pos);
    m_pos = nextStart(m_data, end);
    return l;
}

std::optional<std::int64_t> parseDecimal(QByteArrayView text)
{
    // The common form: an optional minus and up to 18 digits.
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == '-';
    if (negative)
        ++i;
    if (i < text.size() && text.size() - i <= 18) {
        std::int64_t v = 0;
        qsizetype k = i;
        for (; k < text.size(); ++k) {
            const unsigned d = unsigned(static_cast<unsigned char>(text[k])) - unsigned('0');
            if (d > 9)
                break;
            v = v * 10 + std::int64_t(d);
        }
        if (k == text.size())
            return negative ? -v : v;
    }
    // Everything else (a plus sign, white space, long numbers) goes the way Qt converts text.
    const QString t = isAscii(text) ? QString::fromLatin1(text) : decodeCp932(text).value_or(QString());
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(v) : std::nullopt;
}

std::optional<int> parseInt32(QByteArrayView text)
{
    // Record lines are plain digits: read them here, leave anything else to parseDecimal.
    const char* p = text.data();
    const char* end = p + text.size();
    const bool negative = p != end && *p == '-';
    p += negative ? 1 : 0;
    if (p != end && end - p <= 10) {
        std::int64_t v = 0;
        for (; p != end; ++p) {
            const unsigned d = unsigned(static_cast<unsigned char>(*p)) - unsigned('0');
            if (d > 9)
                break;
            v = v * 10 + std::int64_t(d);
        }
        if (p == end) {
            v = negative ? -v : v;
            if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
                return std::nullopt;
            return int(v);
        }
    }
    const std::optional<std::int64_t> v = parseDecimal(text);
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*v);
}

std::optional<std::uint64_t> parseUpperHex(QByteArrayView text, int digits)
{
    if (text.isEmpty() || text.size() > digits)
        return std::nullopt;
    std::uint64_t v = 0;
    unsigned bad = 0;
    for (const char c : text) {
        const unsigned d = kHexDigitValue[static_cast<unsigned char>(c)];
        bad |= d;
        v = (v << 4) | (d & 15U);
    }
    if (bad & 16U)
        return std::nullopt;
    return v;
}

} // namespace seiran
