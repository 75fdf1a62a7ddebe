#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace seiran {

// The lines of a data file read in place from its bytes: nothing is copied per line, so opening a
// full page costs one scan of the file and the parse of its sample lines. Lines end in CR LF, a
// lone LF or a lone CR; a last line without an end counts, the empty text after the last end
// does not.
//
// One scan at construction finds the line count, the first occurrence of every label the readers
// look for and the start of the first kIndexedLines lines; any other line is reached by walking
// from the nearest of those, and the long sample and record sections are walked with a Cursor.
// The memory taken is bounded by those tables, whatever the file holds.
class DataFileText {
public:
    static constexpr qsizetype kIndexedLines = 1024;

    explicit DataFileText(QByteArrayView bytes);

    qsizetype lineCount() const { return m_lineCount; }
    // The bytes of line i without its end; empty outside the file.
    QByteArrayView bytes(qsizetype i) const;
    // Line i as text (code page 932); empty outside the file.
    QString text(qsizetype i) const;
    // Index of the first line equal to label, -1 when there is none. Only the labels the readers
    // use are looked up (see the list in the source); any other text gives -1.
    qsizetype find(QStringView label) const;

    // -1 when every byte is code page 932, else the first line with an invalid sequence.
    qsizetype firstInvalidLine() const { return m_invalidLine; }

    // Walks lines in order from a given line.
    class Cursor {
    public:
        // The bytes of the current line, then moves on; empty (and atEnd) past the last line.
        QByteArrayView next();
        bool atEnd() const { return m_pos >= m_data.size(); }
        // The bytes from the current line to the end of the file, for parsers that read a line
        // in one pass; skipLine(n) then moves past the n bytes they took and the line's end.
        QByteArrayView rest() const { return m_data.sliced(m_pos); }
        void skipLine(qsizetype n);

    private:
        friend class DataFileText;
        Cursor(QByteArrayView data, qsizetype pos) : m_data(data), m_pos(pos) {}
        QByteArrayView m_data;
        qsizetype m_pos;
    };
    Cursor from(qsizetype line) const;

private:
    struct Anchor {
        qsizetype line;
        qsizetype offset;
    };
    qsizetype offsetOf(qsizetype line) const;

    QByteArrayView m_data;
    qsizetype m_lineCount = 0;
    qsizetype m_invalidLine = -1;
    std::vector<qsizetype> m_firstLines;  // offsets of lines 0 .. kIndexedLines - 1
    std::vector<Anchor> m_labels;         // first occurrence of each known label, by label number
    std::vector<Anchor> m_anchors;        // the same in line order, for walking
};

// Numbers of data files, read from the bytes of a line without a detour through QString. They
// accept what QString::toInt / toLongLong accept for decimal text (an optional sign, digits,
// white space around); anything else is nullopt.
std::optional<std::int64_t> parseDecimal(QByteArrayView text);
// The value of an upper-case hexadecimal digit byte ("0"-"9", "A"-"F": 0-15), 16 for every other
// byte, so a digit test needs no branch on the kind of digit.
inline constexpr std::array<std::uint8_t, 256> kHexDigitValue = [] {
    std::array<std::uint8_t, 256> t{};
    t.fill(16);
    for (int c = 0; c < 10; ++c)
        t[std::size_t('0' + c)] = std::uint8_t(c);
    for (int c = 0; c < 6; ++c)
        t[std::size_t('A' + c)] = std::uint8_t(10 + c);
    return t;
}();

// Upper-case hexadecimal of at most `digits` digits, no prefix, no white space; nullopt otherwise.
std::optional<std::uint64_t> parseUpperHex(QByteArrayView text, int digits);
// A decimal that fits a signed 32-bit integer, as QString::toInt reads it; nullopt otherwise.
std::optional<int> parseInt32(QByteArrayView text);

} // namespace seiran
