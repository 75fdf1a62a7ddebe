// Data files that are damaged or made up: numbers out of their range, files cut short, files far
// too large. None may overflow, load silently or change a page it refuses.

#include "FilesFixture.h"
#include "files/AnalyzerFile.h"
#include "files/DataFile.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::filestest;

namespace {

using Ev = RecordingFrontEnd::EventKind;
const QString kOpened = QStringLiteral("データファイルを開きました。");
const QString kTruncated = QStringLiteral("ファイルが途中で終わっています。");

// A 16-channel page with a recognisable capture, saved; returns the file's lines.
QStringList savedLines(FilesFixture& f, bool compressed, const QString& name)
{
    PageState& p = f.setPage(0, 8, 16, 1024, compressed);
    if (compressed) {
        for (int i = 0; i < 1000; ++i)
            p.displayList.set(i, std::uint64_t(i * 7) & 0xFFFF, 1, i);
        p.displayList.setEnd(1000, 1000);
        p.recCount = 1000;
        p.sampleCount = 1000;
        p.measuredList.copyFrom(p.displayList, 1000);
        p.measRecCount = 1000;
        p.measSampleCount = 1000;
    } else {
        for (int s = 0; s < 1024; ++s)
            for (int c = 0; c < 16; ++c)
                p.sampleBits.set(c, s, (s * 3 + c) % 5 < 2);
    }
    p.signalName[0] = QStringLiteral("FROM FILE");
    p.intervalIndex = 6;
    p.hasData = true;
    EXPECT_TRUE(SaveDataFile(f.state, 0, f.path(name)));
    return f.read(name);
}

QString lastError(const FilesFixture& f)
{
    const QStringList errors = f.frontEnd.texts(Ev::ShowError);
    return errors.isEmpty() ? QString() : errors.last();
}

qsizetype indexAfter(const QStringList& lines, const char16_t* label, int k = 1)
{
    const qsizetype i = lines.indexOf(QString::fromUtf16(label));
    EXPECT_GE(i, 0) << QString::fromUtf16(label).toStdString();
    return i + k;
}

} // namespace

// Numbers outside their field's range refuse the file with its location; the page is untouched.
TEST(HostileDataFile, OutOfRangeNumbersAreRefusedBeforeAnythingIsStored)
{
    struct Case {
        const char* what;
        bool compressed;
        std::vector<std::pair<qsizetype, const char*>> edits; // line, new text
        qsizetype reportedLine;
    };
    // Line indices of the "(Ver 5.0)" layout; the labelled file's are looked up below.
    std::vector<Case> cases = {
        {"row element counts overflow the row sum", false, {{7, "64"}, {66, "-2147483648"}, {67, "-1"}}, 66},
        {"channel count too large", false, {{7, "65"}}, 7},
        {"interval index", false, {{11, "2147483647"}}, 11},
        {"negative sample count", false, {{9, "-5"}}, 9},
        {"row count", false, {{64, "65"}}, 64},
        {"zoom", false, {{17, "-1.000000"}}, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FilesFixture f;
        QStringList lines = savedLines(f, c.compressed, QStringLiteral("a.ana"));
        for (const auto& [line, text] : c.edits)
            lines[line] = QString::fromLatin1(text);
        ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("b.ana")), lines).ok());

        PageState& q = f.setPage(1, 9, 16, 1024, false);
        const OpenResult r = OpenDataFile(f.state, 1, f.path(QStringLiteral("b.ana")));
        EXPECT_FALSE(r.loaded);
        EXPECT_FALSE(f.log().contains(kOpened));
        EXPECT_EQ(q.intervalIndex, 0);
        EXPECT_NE(q.signalName[0], QStringLiteral("FROM FILE"));
        EXPECT_FALSE(q.hasData);
        const QString error = lastError(f);
        EXPECT_TRUE(error.contains(QStringLiteral("有効な範囲"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("b.ana の %1 行目").arg(c.reportedLine + 1))) << error.toStdString();
    }
}

TEST(HostileDataFile, LabelledFileOutOfRangeNumbersAreRefused)
{
    struct Case {
        const char16_t* label;
        int k;
        const char* text;
    };
    for (const Case c : {Case{u"(チャンネル数)", 1, "64"}, Case{u"(測定間隔番号)", 1, "2147483647"},
                         Case{u"(解凍前のデータ数)", 1, "-1"}, Case{u"(ズーム)", 1, "0"}}) {
        SCOPED_TRACE(QString::fromUtf16(c.label).toStdString());
        FilesFixture f;
        QStringList lines = savedLines(f, true, QStringLiteral("a.ana"));
        lines[indexAfter(lines, c.label, c.k)] = QString::fromLatin1(c.text);
        if (QString::fromLatin1(c.text) == QStringLiteral("64")) {
            // 64 channels whose first two rows would add up past any int
            lines[indexAfter(lines, u"(バスの要素数)", 1)] = QStringLiteral("-2147483648");
            lines[indexAfter(lines, u"(バスの要素数)", 2)] = QStringLiteral("-1");
        }
        ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("b.ana")), lines).ok());
        PageState& q = f.setPage(1, 9, 16, 1024, true);
        EXPECT_FALSE(OpenDataFile(f.state, 1, f.path(QStringLiteral("b.ana"))).loaded);
        EXPECT_FALSE(f.log().contains(kOpened));
        EXPECT_EQ(q.intervalIndex, 0);
        EXPECT_TRUE(lastError(f).contains(QStringLiteral("有効な範囲"))) << lastError(f).toStdString();
    }
}

// A file cut inside its samples or records loads what it holds and says how much is missing.
TEST(HostileDataFile, TruncatedFilesSayHowManySamplesOrRecordsAreMissing)
{
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "records" : "samples");
        FilesFixture f;
        QStringList lines = savedLines(f, compressed, QStringLiteral("a.ana"));
        lines.resize(lines.size() - 300);
        ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("cut.ana")), lines).ok());
        f.setPage(1, 9, 16, 1024, compressed);
        const OpenResult r = OpenDataFile(f.state, 1, f.path(QStringLiteral("cut.ana")));
        EXPECT_TRUE(r.loaded);
        // The saved record file ends with its last record; the sample file too.
        EXPECT_EQ(r.missing, 300);
        EXPECT_TRUE(f.log().contains(kTruncated + QStringLiteral("300個のデータがありません。")))
            << f.log().join(u'|').toStdString();
    }
    // Whole files say nothing of the kind.
    FilesFixture f;
    savedLines(f, false, QStringLiteral("a.ana"));
    f.setPage(1, 9, 16, 1024, false);
    const OpenResult r = OpenDataFile(f.state, 1, f.path(QStringLiteral("a.ana")));
    EXPECT_EQ(r.missing, 0);
    EXPECT_TRUE(f.log().filter(kTruncated).isEmpty());
}

// A file cut before a strictly converted line names the file and the line.
TEST(HostileDataFile, ConversionErrorsNameTheFileAndLine)
{
    FilesFixture f;
    QStringList lines = savedLines(f, false, QStringLiteral("a.ana"));
    lines.resize(40); // ends before the row count on line 64
    ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("short.ana")), lines).ok());
    f.setPage(1, 9, 16, 1024, false);
    EXPECT_FALSE(OpenDataFile(f.state, 1, f.path(QStringLiteral("short.ana"))).loaded);
    EXPECT_EQ(lastError(f), QStringLiteral("'' は有効な整数値ではありません。\n") + f.path(QStringLiteral("short.ana"))
                                + QStringLiteral(" の 65 行目"));
}

// Nothing far larger than a page is read at all.
TEST(HostileDataFile, FilesFarLargerThanAnyPageAreRefused)
{
    FilesFixture f;
    const QString name = f.path(QStringLiteral("huge.ana"));
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[\x83Z\x83""C\x83\x89\x83\x93]\r\n");
        ASSERT_TRUE(file.resize(kLargestDataFile + 1)); // sparse: costs no disk
    }
    PageState& q = f.setPage(1, 9, 16, 1024, false);
    EXPECT_FALSE(OpenDataFile(f.state, 1, name).loaded);
    EXPECT_TRUE(lastError(f).contains(QStringLiteral("ファイルが大きすぎます"))) << lastError(f).toStdString();
    EXPECT_FALSE(q.hasData);
}

// The result tells the command line what the page could not take.
TEST(HostileDataFile, OpenResultReportsDroppedChannelsSamplesAndClock)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 32, 1024, true);
    for (int i = 0; i < 600; ++i)
        p.displayList.set(i, std::uint64_t(i) * 0x01010101U, 3, 3 * i);
    p.displayList.setEnd(600, 1800);
    p.recCount = 600;
    p.sampleCount = 1800;
    p.measuredList.copyFrom(p.displayList, 600);
    p.measRecCount = 600;
    p.measSampleCount = 1800;
    p.hasData = true;
    ASSERT_TRUE(SaveDataFile(f.state, 0, f.path(QStringLiteral("wide.ana"))));

    // Same module kind: nothing dropped.
    f.setPage(1, 9, 32, 1024, true);
    OpenResult r = OpenDataFile(f.state, 1, f.path(QStringLiteral("wide.ana")));
    EXPECT_TRUE(r.loaded);
    EXPECT_FALSE(r.channelsDropped);
    EXPECT_FALSE(r.samplesDropped);
    EXPECT_FALSE(r.clockDiffers);

    // 16 channels of bit planes: half the channels and 776 of the 1800 samples do not fit.
    f.setPage(1, 9, 16, 1024, false);
    r = OpenDataFile(f.state, 1, f.path(QStringLiteral("wide.ana")));
    EXPECT_TRUE(r.loaded);
    EXPECT_TRUE(r.channelsDropped);
    EXPECT_TRUE(r.samplesDropped);
    EXPECT_EQ(r.missing, 0);

    // A file from another clock.
    QStringList lines = f.read(QStringLiteral("wide.ana"));
    lines[indexAfter(lines, u"(クロック周期)")] = QStringLiteral("7");
    ASSERT_TRUE(writeCp932Lines(f.path(QStringLiteral("clock.ana")), lines).ok());
    f.setPage(1, 9, 32, 1024, true);
    r = OpenDataFile(f.state, 1, f.path(QStringLiteral("clock.ana")));
    EXPECT_TRUE(r.clockDiffers);
}

// The in-memory entry point refuses and reads exactly as the file one does.
TEST(HostileDataFile, BytesEntryPointReadsWithoutTheDisk)
{
    FilesFixture f;
    savedLines(f, false, QStringLiteral("a.ana"));
    QFile file(f.path(QStringLiteral("a.ana")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    PageState& q = f.setPage(1, 9, 16, 1024, false);
    EXPECT_TRUE(OpenDataFileBytes(f.state, 1, bytes, QStringLiteral("mem.ana")).loaded);
    EXPECT_EQ(q.signalName[0], QStringLiteral("FROM FILE"));
    EXPECT_EQ(q.sampleBits.level(3, 1000), ((1000 * 3 + 3) % 5) < 2);
    for (const QByteArray& broken : {QByteArray(), QByteArray("\r\n\r\n"), bytes.left(bytes.size() / 2),
                                     QByteArray("[\x83Z\x83""C\x83\x89\x83\x93]\r\n(Ver 5.4)\r\n")})
        OpenDataFileBytes(f.state, 1, broken, QStringLiteral("mem.ana")); // must neither crash nor hang
}
