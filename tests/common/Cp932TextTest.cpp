#include "Cp932Text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace seiran {
namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class Cp932TextTest : public ::testing::Test {
protected:
    QString pathOf(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(Cp932TextTest, LinesRoundTripThroughAFile)
{
    ASSERT_TRUE(m_dir.isValid());
    const QList<QStringList> cases = {
        {u"[セイラン]"_qs},
        {u"ロジアナ１"_qs, u"～"_qs, u"①"_qs},
        {u"ｸﾛｯｸ倍率x1"_qs, u"（Ver 5.4）"_qs},
        {u"C:\\Data\\a~b"_qs, u"tab\there"_qs},
        {u"first"_qs, QString(), u"after an empty line"_qs},
        {u"ends with an empty line"_qs, QString()},
        {QString()},
        {},
    };
    for (const QStringList& lines : cases) {
        SCOPED_TRACE(lines.join(u'|').toStdString());
        const QString path = pathOf(u"roundtrip.txt"_qs);
        ASSERT_TRUE(writeCp932Lines(path, lines).ok());
        const TextLines read = readCp932Lines(path);
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.lines, lines);
    }
}

TEST_F(Cp932TextTest, WritesCp932BytesWithCrLfAfterEveryLine)
{
    ASSERT_TRUE(m_dir.isValid());
    const QString path = pathOf(u"bytes.txt"_qs);
    ASSERT_TRUE(writeCp932Lines(path, {u"A～"_qs, u"①ｸ"_qs, u"C:\\d~"_qs, u"あ"_qs}).ok());
    EXPECT_EQ(readBytes(path), QByteArray("A\x81\x60\r\n\x87\x40\xB8\r\nC:\\d~\r\n\x82\xA0\r\n"));
    EXPECT_EQ(encodeCp932(u"C:\\d~"_qs), QByteArray("C:\\d~")) << "ASCII lines are copied as the converter would write them";

    // A second write replaces the whole file, not just its start.
    ASSERT_TRUE(writeCp932Lines(path, {u"B"_qs}).ok());
    EXPECT_EQ(readBytes(path), QByteArray("B\r\n"));
}

TEST_F(Cp932TextTest, UnencodableCharacterIsReportedAndOldFileStays)
{
    ASSERT_TRUE(m_dir.isValid());
    struct Case {
        QStringList lines;
        int line;
        int column;
        QString character;
    };
    const Case cases[] = {
        {{u"ok"_qs, u"x€y"_qs}, 1, 1, u"€"_qs},
        {{u"ab😀"_qs, u"€"_qs}, 0, 2, u"😀"_qs},
        {{u"ロジアナ"_qs, u"ok"_qs, u"価格¥100"_qs}, 2, 2, u"¥"_qs},
    };
    const QByteArray oldBytes("old\r\n\x81\x60\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.character.toStdString());
        const QString path = pathOf(u"keep.txt"_qs);
        writeBytes(path, oldBytes);

        const TextFileError error = writeCp932Lines(path, c.lines);
        EXPECT_EQ(error.kind, TextFileErrorKind::Unencodable);
        EXPECT_EQ(error.path, path);
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.column, c.column);
        EXPECT_EQ(error.character, c.character);
        EXPECT_EQ(readBytes(path), oldBytes);
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"keep.txt"_qs});
    }
}

TEST_F(Cp932TextTest, InvalidBytesAreReportedWithTheirLine)
{
    ASSERT_TRUE(m_dir.isValid());
    struct Case {
        QByteArray bytes;
        int line;
    };
    const Case cases[] = {
        {QByteArray("\xFF" "abc\r\n"), 0},
        {QByteArray("ok\r\nab\xFF\r\nmore\r\n"), 1},
        {QByteArray("a\nb\rc\r\n\x81\x7F\r\n"), 3},
        {QByteArray("x\r\n\x81\ny\r\n"), 1},         // lead byte cut off by a line end
        {QByteArray("a\r\nb\r\n\x81"), 2},           // lead byte at the very end of the file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex(' ').toStdString());
        const QString path = pathOf(u"invalid.txt"_qs);
        writeBytes(path, c.bytes);
        const TextLines read = readCp932Lines(path);
        EXPECT_EQ(read.error.kind, TextFileErrorKind::InvalidBytes);
        EXPECT_EQ(read.error.path, path);
        EXPECT_EQ(read.error.line, c.line);
        EXPECT_TRUE(read.lines.isEmpty());
    }
}

TEST_F(Cp932TextTest, LoneLfAndLoneCrEndLinesToo)
{
    ASSERT_TRUE(m_dir.isValid());
    struct Case {
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {QByteArray("a\nb\n"), {u"a"_qs, u"b"_qs}},
        {QByteArray("a\rb\r"), {u"a"_qs, u"b"_qs}},
        {QByteArray("a\r\nb"), {u"a"_qs, u"b"_qs}},
        {QByteArray("a\r\n\r\nb\r\n"), {u"a"_qs, QString(), u"b"_qs}},
        {QByteArray("a\n\rb"), {u"a"_qs, QString(), u"b"_qs}},
        {QByteArray("\x83\x8D\x83\x57\n\xB8\r"), {u"ロジ"_qs, u"ｸ"_qs}},
        {QByteArray("\r\n"), {QString()}},
        {QByteArray(""), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex(' ').toStdString());
        const QString path = pathOf(u"ends.txt"_qs);
        writeBytes(path, c.bytes);
        const TextLines read = readCp932Lines(path);
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.lines, c.lines);
    }
}

TEST_F(Cp932TextTest, FileSystemFailuresCarryTheSystemText)
{
    ASSERT_TRUE(m_dir.isValid());
    const QString plainFile = pathOf(u"plain.txt"_qs);
    writeBytes(plainFile, "x\r\n");

    const TextLines missing = readCp932Lines(pathOf(u"missing.txt"_qs));
    EXPECT_EQ(missing.error.kind, TextFileErrorKind::OpenFailed);
    EXPECT_EQ(missing.error.path, pathOf(u"missing.txt"_qs));
    EXPECT_FALSE(missing.error.detail.isEmpty());

    // A folder that does not exist, and one that cannot exist (its name is taken by a file, which
    // blocks writing even for a privileged user).
    const QString unwritable[] = {pathOf(u"no-such-folder/out.txt"_qs), plainFile + u"/out.txt"_qs};
    for (const QString& path : unwritable) {
        SCOPED_TRACE(path.toStdString());
        const TextFileError error = writeCp932Lines(path, {u"line"_qs});
        EXPECT_TRUE(error.kind == TextFileErrorKind::OpenFailed || error.kind == TextFileErrorKind::WriteFailed);
        EXPECT_EQ(error.path, path);
        EXPECT_FALSE(error.detail.isEmpty());
    }
    EXPECT_EQ(readBytes(plainFile), QByteArray("x\r\n"));
}

TEST(Cp932Conversion, FailuresNameTheFirstBadPosition)
{
    int badIndex = -1;
    EXPECT_FALSE(encodeCp932(u"ab€c€", &badIndex));
    EXPECT_EQ(badIndex, 2);
    EXPECT_FALSE(encodeCp932(u"😀", &badIndex));
    EXPECT_EQ(badIndex, 0);
    EXPECT_FALSE(encodeCp932(u"a"_qs + QChar(0xD800), &badIndex)); // a lone surrogate
    EXPECT_EQ(badIndex, 1);

    EXPECT_FALSE(decodeCp932(QByteArrayView("ab\x81\x60\xFF"), &badIndex));
    EXPECT_EQ(badIndex, 4);
    EXPECT_FALSE(decodeCp932(QByteArrayView("\x82\xA0\x81"), &badIndex));
    EXPECT_EQ(badIndex, 2);

    EXPECT_EQ(encodeCp932(u"①～"), QByteArray("\x87\x40\x81\x60"));
    EXPECT_EQ(decodeCp932(QByteArrayView("\x87\x40\x81\x60")), u"①～"_qs);
}

} // namespace
} // namespace seiran
