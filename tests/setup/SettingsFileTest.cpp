#include "SetupFixture.h"
#include "Cp932Text.h"
#include "files/DisplaySettings.h"
#include "files/SettingsFile.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::setuptest;

namespace {

QString iniPath(const SetupFixture& f)
{
    return QDir(f.folder.path()).filePath(QStringLiteral("Seiran.ini"));
}

QStringList iniLines(const SetupFixture& f)
{
    return readCp932Lines(iniPath(f)).lines;
}

void writeIni(const SetupFixture& f, const QStringList& lines)
{
    ASSERT_TRUE(writeCp932Lines(iniPath(f), lines).ok());
}

const QStringList kCurrentLayout{
    QStringLiteral("[セイラン]"), QStringLiteral("(Ver 5.0)"), QStringLiteral("(設定ファイル)"),
    QStringLiteral("(外部クロック周期)"), QStringLiteral("20"), QStringLiteral("(IPクロック周期)"),
    QStringLiteral("20"), QStringLiteral("(チャンネル番号の初期値)"), QStringLiteral("0"),
    QStringLiteral("(波形のLを太線にする)"), QStringLiteral("1")};

} // namespace

TEST(SettingsFile, FirstStartWritesTheDefaults)
{
    SetupFixture f(11);
    LoadSettings(f.state);
    EXPECT_EQ(iniLines(f), kCurrentLayout);
    QFile raw(iniPath(f));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().startsWith("[\x83\x5A\x83\x43\x83\x89\x83\x93]\r\n(Ver 5.0)\r\n"));
}

TEST(SettingsFile, OlderLayoutIsConverted)
{
    SetupFixture f(11);
    f.state.instrument.HardwareMode = QStringLiteral("200MHz 16ch 32Kbit");
    f.state.instrument.settings.ClockSource.chosen = QStringLiteral("外部クロック");
    writeIni(f, {QStringLiteral("[セイラン]"), QStringLiteral("(Ver 3.4)"), QString(), QString(), QString(), QString(),
                 QStringLiteral("25"), QString(), QStringLiteral("40")});
    LoadSettings(f.state);
    EXPECT_EQ(f.state.settings.ExternalClockPeriod, 25);
    EXPECT_EQ(f.state.settings.IpClockPeriod, 40);
    QStringList expected = kCurrentLayout;
    expected[4] = QStringLiteral("25");
    expected[6] = QStringLiteral("40");
    EXPECT_EQ(iniLines(f), expected);
    // The clock periods follow the external clock of 25 nS: (25 div 4, 25 div 2).
    EXPECT_EQ(f.state.instrument.AnalyzerClockPeriod(), 6);
    EXPECT_EQ(f.state.instrument.GeneratorClockPeriod(), 12);
}

TEST(SettingsFile, CurrentLayoutIsReadAndLeftAlone)
{
    struct Case { const char* line10; bool heavy; };
    for (const Case c : {Case{"1", true}, Case{"0", false}, Case{"yes", false}, Case{"", false}, Case{" 1", false}}) {
        SCOPED_TRACE(c.line10);
        SetupFixture f(11);
        QStringList lines = kCurrentLayout;
        lines[4] = QStringLiteral("30");
        lines[6] = QStringLiteral("x");  // not a number: 20
        lines[8] = QStringLiteral("1");
        lines[10] = QString::fromUtf8(c.line10);
        writeIni(f, lines);
        LoadSettings(f.state);
        EXPECT_EQ(f.state.settings.ExternalClockPeriod, 30);
        EXPECT_EQ(f.state.settings.IpClockPeriod, 20);
        EXPECT_EQ(f.state.settings.channelOrigin, 1);
        EXPECT_EQ(f.state.settings.heavyLowLine, c.heavy);
        EXPECT_EQ(f.state.settings.committedHeavyLowLine, c.heavy);
        EXPECT_EQ(iniLines(f), lines); // not rewritten
    }
}

TEST(SettingsFile, NumbersOutOfRangeAreLoggedAndChangeNothing)
{
    struct Case {
        const char* version;
        int line;
        const char* text;
        const char* range;
    };
    const Case cases[] = {
        {"(Ver 5.0)", 8, "2147483647", "0～999"},
        {"(Ver 5.0)", 8, "-1", "0～999"},
        {"(Ver 5.0)", 8, "1000", "0～999"},
        {"(Ver 5.0)", 4, "0", "1～1000000"},
        {"(Ver 5.0)", 4, "-20", "1～1000000"},
        {"(Ver 5.0)", 6, "1000001", "1～1000000"},
        {"(Ver 5.0)", 6, "99999999999999999999", "1～1000000"}, // beyond every integer type
        {"(Ver 3.4)", 6, "0", "1～1000000"},
        {"(Ver 3.4)", 8, "2147483648", "1～1000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " line " + std::to_string(c.line) + " " + c.text);
        SetupFixture f(11);
        f.state.settings.ExternalClockPeriod = 25;
        f.state.settings.IpClockPeriod = 30;
        f.state.settings.channelOrigin = 1;
        f.state.settings.heavyLowLine = false;
        QStringList lines = kCurrentLayout;
        lines[1] = QString::fromUtf8(c.version);
        lines[4] = QStringLiteral("40");
        lines[c.line] = QString::fromUtf8(c.text);
        writeIni(f, lines);
        LoadSettings(f.state);
        EXPECT_EQ(f.state.settings.ExternalClockPeriod, 25);
        EXPECT_EQ(f.state.settings.IpClockPeriod, 30);
        EXPECT_EQ(f.state.settings.channelOrigin, 1);
        EXPECT_FALSE(f.state.settings.heavyLowLine);
        EXPECT_EQ(f.state.settings.committedChannelOrigin, 1);
        EXPECT_EQ(iniLines(f), lines) << "the file stays for the user to correct";
        EXPECT_EQ(f.state.log.lines(),
                  QStringList{QStringLiteral("設定ファイル") + iniPath(f) + QStringLiteral("の%1行目の値%2は範囲外です（%3）。設定は変更しません。")
                                                                          .arg(c.line + 1)
                                                                          .arg(QString::fromUtf8(c.text), QString::fromUtf8(c.range))});
    }
}

TEST(SettingsFile, TheEndsOfTheRangesAreTaken)
{
    SetupFixture f(11);
    QStringList lines = kCurrentLayout;
    lines[4] = QStringLiteral("1");
    lines[6] = QStringLiteral(" 1000000");
    lines[8] = QStringLiteral("999");
    writeIni(f, lines);
    LoadSettings(f.state);
    EXPECT_EQ(f.state.settings.ExternalClockPeriod, 1);
    EXPECT_EQ(f.state.settings.IpClockPeriod, 1000000);
    EXPECT_EQ(f.state.settings.channelOrigin, 999);
    EXPECT_TRUE(f.state.log.lines().isEmpty());
}

TEST(SettingsFile, BytesAreReadWithTheirOwnLineEnds)
{
    SetupFixture f(11);
    // CP932 with lone CR and LF line ends as an editor may leave them, and no final line end.
    const QByteArray bytes("[\x83\x5A\x83\x43\x83\x89\x83\x93]\r(Ver 5.0)\nx\r\nx\r\n35\r\nx\r\n45\r\nx\r\n1\r\nx\r\n0");
    EXPECT_FALSE(LoadSettingsBytes(f.state, bytes));
    EXPECT_EQ(f.state.settings.ExternalClockPeriod, 35);
    EXPECT_EQ(f.state.settings.IpClockPeriod, 45);
    EXPECT_EQ(f.state.settings.channelOrigin, 1);
    EXPECT_FALSE(f.state.settings.heavyLowLine);
    EXPECT_EQ(f.state.settings.committedIpClockPeriod, 45);

    // Bytes that are no CP932 text read as an unknown layout: defaults, to be written again.
    EXPECT_TRUE(LoadSettingsBytes(f.state, QByteArrayView("\x82\r\n(Ver 5.0)\r\n")));
    EXPECT_EQ(f.state.settings.IpClockPeriod, 20);
}

TEST(SettingsFile, UnknownVersionStartsFromDefaults)
{
    SetupFixture f(11);
    f.state.settings.channelOrigin = 1;
    writeIni(f, {QStringLiteral("[セイラン]"), QStringLiteral("(Ver 9.9)"), QStringLiteral("x"), QStringLiteral("x"),
                 QStringLiteral("33")});
    LoadSettings(f.state);
    EXPECT_EQ(f.state.settings.ExternalClockPeriod, 20);
    QStringList expected = kCurrentLayout;
    expected[8] = QStringLiteral("1");
    EXPECT_EQ(iniLines(f), expected);
}

TEST(SettingsFile, UnwritableFileShowsAnErrorAndKeepsTheSettings)
{
    SetupFixture f(11);
    f.state.ProgramFolder = f.folder.filePath(QStringLiteral("missing/folder"));
    f.state.settings.IpClockPeriod = 30;
    EXPECT_FALSE(SaveSettings(f.state));
    EXPECT_EQ(f.frontEnd.count(RecordingFrontEnd::EventKind::ShowError), 1);
    EXPECT_EQ(f.state.settings.IpClockPeriod, 30);
}

TEST(DisplayDialog, OkCommitsAndShiftsTheStateRange)
{
    SetupFixture f(11);
    LoadSettings(f.state);
    for (int p = 0; p < 4; ++p) {
        f.state.pages[std::size_t(p)].stateMsb = 15;
        f.state.pages[std::size_t(p)].stateLsb = 0;
    }
    struct Step { const char* text; int origin; int msb; };
    // 0 -> 5 shifts by one; 5 -> 1 keeps the range; 1 -> 0 shifts back.
    for (const Step s : {Step{"5", 5, 16}, Step{"1", 1, 16}, Step{"0", 0, 15}}) {
        SCOPED_TRACE(s.text);
        mnuDisplayClick(f.state);
        cmbChStNoChange(f.state, QString::fromUtf8(s.text));
        EXPECT_EQ(f.state.settings.channelOrigin, s.origin); // live at once
        displayOKBtnClick(f.state);
        EXPECT_EQ(f.state.settings.committedChannelOrigin, s.origin);
        EXPECT_EQ(iniLines(f)[8], QString::number(s.origin));
        EXPECT_EQ(f.state.pages[3].stateMsb, s.msb);
        EXPECT_EQ(f.state.pages[3].stateLsb, s.msb - 15);
    }
}

TEST(DisplayDialog, AnOriginTheFileCouldNotHoldCountsAsZeroAndIsLogged)
{
    for (const char* text : {"2147483647", "1000", "-1", "abc", "%1"}) {
        SCOPED_TRACE(text);
        SetupFixture f(11);
        LoadSettings(f.state);
        cmbChStNoChange(f.state, QStringLiteral("1"));
        displayOKBtnClick(f.state);
        f.state.log.clear();

        mnuDisplayClick(f.state);
        cmbChStNoChange(f.state, QString::fromUtf8(text));
        EXPECT_EQ(f.state.settings.channelOrigin, 0);
        displayOKBtnClick(f.state);
        EXPECT_EQ(f.state.settings.committedChannelOrigin, 0);
        EXPECT_EQ(iniLines(f)[8], QStringLiteral("0"));
        EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("チャンネル番号の表示「") + QString::fromUtf8(text)
                                                   + QStringLiteral("」は0～999の数ではないので、0からにしました。")});
    }
}

TEST(DisplayDialog, CancelRestoresAndOkWithoutChangesWritesNothing)
{
    SetupFixture f(11);
    LoadSettings(f.state);
    mnuDisplayClick(f.state);
    EXPECT_EQ(f.state.displayDialog.originText, QStringLiteral("0"));
    cmbChStNoChange(f.state, QStringLiteral("abc"));
    EXPECT_EQ(f.state.settings.channelOrigin, 0);
    cmbChStNoChange(f.state, QStringLiteral("1"));
    cboxHeavyLineClick(f.state, false);
    EXPECT_FALSE(f.state.settings.heavyLowLine);
    displayCancelBtnClick(f.state);
    EXPECT_EQ(f.state.settings.channelOrigin, 0);
    EXPECT_TRUE(f.state.settings.heavyLowLine);
    EXPECT_EQ(f.state.displayDialog.originText, QStringLiteral("0"));

    QFile::remove(iniPath(f));
    mnuDisplayClick(f.state);
    displayOKBtnClick(f.state);
    EXPECT_FALSE(QFileInfo::exists(iniPath(f)));

    cboxHeavyLineClick(f.state, false);
    displayOKBtnClick(f.state);
    EXPECT_EQ(iniLines(f)[10], QStringLiteral("0"));
}
