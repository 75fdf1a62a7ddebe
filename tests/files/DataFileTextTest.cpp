// The in-place line reader of data files must give exactly the lines and numbers the list of
// decoded lines gave before it.

#include "Cp932Text.h"
#include "files/DataFileText.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace seiran;

namespace {

QStringList allLines(const DataFileText& t)
{
    QStringList out;
    for (qsizetype i = 0; i < t.lineCount(); ++i)
        out << t.text(i);
    return out;
}

} // namespace

TEST(DataFileText, LinesEndAsTheLineListEndsThem)
{
    struct Case {
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\n\r\n", {"a", ""}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"\r\r\n\n", {"", "", ""}},
        {"0123456789ABCDEF0123\r\nx", {"0123456789ABCDEF0123", "x"}}, // longer than one word
    };
    for (const Case& c : cases) {
        const DataFileText t(c.bytes);
        EXPECT_EQ(allLines(t), c.lines) << c.bytes.toStdString();
        EXPECT_EQ(t.firstInvalidLine(), -1);
        // The cursor walks the same lines.
        DataFileText::Cursor cursor = t.from(0);
        QStringList walked;
        while (!cursor.atEnd())
            walked << QString::fromLatin1(cursor.next());
        EXPECT_EQ(walked, c.lines) << c.bytes.toStdString();
    }
}

TEST(DataFileText, TextIsCodePage932AndBadBytesNameTheirLine)
{
    const QByteArray bytes = *encodeCp932(u"[セイラン]\r\n(信号名)\r\nｱﾅﾛｸﾞ\r\n");
    const DataFileText t(bytes);
    EXPECT_EQ(allLines(t), (QStringList{"[セイラン]", "(信号名)", "ｱﾅﾛｸﾞ"}));
    EXPECT_EQ(t.find(u"(信号名)"), 1);
    EXPECT_EQ(t.find(u"(バスの要素数)"), -1);

    const DataFileText bad(QByteArray("ok\r\nok\r\n\x81\r\n"));
    EXPECT_EQ(bad.firstInvalidLine(), 2);
}

// Lines past the indexed ones are reached from the nearest label.
TEST(DataFileText, FarLinesAndLabelsAreFound)
{
    QByteArray bytes;
    for (int i = 0; i < 3000; ++i)
        bytes += (i == 2500 ? QByteArray("(比較エラー)") : QByteArray::number(i)) + "\r\n";
    bytes = QByteArray(*encodeCp932(QString::fromUtf8(bytes)));
    const DataFileText t(bytes);
    EXPECT_EQ(t.lineCount(), 3000);
    EXPECT_EQ(t.find(u"(比較エラー)"), 2500);
    for (const int i : {0, 1023, 1024, 2000, 2499, 2501, 2999})
        EXPECT_EQ(t.text(i), QString::number(i)) << i;
    EXPECT_EQ(t.text(3000), QString());
    EXPECT_EQ(t.text(-1), QString());
}

TEST(DataFileText, NumbersConvertAsQStringDoes)
{
    for (const char* text : {"0", "12", "-7", "+5", " 12", "12 ", "\t3", "2147483647", "2147483648", "-2147483648",
                             "-2147483649", "99999999999999999999", "", "-", "1x", "0x10", "１２", "007", "-0"}) {
        const QString s = QString::fromUtf8(text);
        bool ok = false;
        const int expected = s.toInt(&ok);
        const QByteArray bytes = *encodeCp932(s);
        const std::optional<int> got = parseInt32(bytes);
        EXPECT_EQ(got.has_value(), ok) << text;
        if (got && ok) {
            EXPECT_EQ(*got, expected) << text;
        }
    }
    EXPECT_EQ(parseUpperHex("00FF", 8), 0xFFU);
    EXPECT_EQ(parseUpperHex("FFFFFFFFFFFFFFFF", 16), ~std::uint64_t(0));
    for (const char* bad : {"", "ff", "G", "123456789", " 1"})
        EXPECT_FALSE(parseUpperHex(bad, 8).has_value()) << bad;
}
