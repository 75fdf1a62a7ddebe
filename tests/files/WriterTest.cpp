#include "FilesFixture.h"
#include "files/AnalyzerFile.h"
#include "files/DataFile.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::filestest;

namespace {

using Ev = RecordingFrontEnd::EventKind;

// A compressed 16-channel page with a three-record measured capture and recognisable settings.
PageState& compressedPage(FilesFixture& f, int page = 0, int slot = 8)
{
    PageState& p = f.setPage(page, slot, 16, 1024, true);
    p.runModeText = QStringLiteral("シングル");
    p.measuredList.set(0, 0x00A5, 10, 0);
    p.measuredList.set(1, 0xFFFF, 5, 10);
    p.measuredList.set(2, 0x1234, 85, 15);
    p.measuredList.setEnd(3, 100);
    p.measRecCount = 3;
    p.measSampleCount = 100;
    p.measTriggerSample = 12;
    p.cursorA = 11;
    p.cursorB = 22;
    p.cursorC = 33;
    p.cursorD = 44;
    p.hasData = true;
    return p;
}

struct Section {
    const char* label; // nullptr: a line that is not a label
    int lines;          // the label line included
};

} // namespace

TEST(AnalyzerFileWriter, Version54PutsEveryLabelWhereTheLayoutHasIt)
{
    FilesFixture f;
    PageState& p = compressedPage(f);
    const int n = 16;
    p.signalName[3] = QStringLiteral("ADC\r\n1mV");
    p.rowRadix[3] = QStringLiteral("Analog1");
    ASSERT_TRUE(SaveDataFile(f.state, 0, f.path(QStringLiteral("c.ana"))));
    const QStringList l = f.read(QStringLiteral("c.ana"));

    // Fixed head: lines 0 to 29.
    const QStringList head{QStringLiteral("[セイラン]"), QStringLiteral("(Ver 5.4)"),
                           QStringLiteral("(ロジックアナライザデータファイル)"), QStringLiteral("(本体)"),
                           QStringLiteral("(ハードウェアモード)"), QStringLiteral("圧縮"),
                           QStringLiteral("(測定モード)"), QStringLiteral("シングル"), QStringLiteral("(クロック周期)"),
                           QString::number(f.state.instrument.AnalyzerClockPeriod()), QStringLiteral("(チャンネル数)"),
                           QStringLiteral("16"), QStringLiteral("(データメモリ bit/ch)"), QStringLiteral("1024")};
    ASSERT_GE(l.size(), 30);
    EXPECT_EQ(l.mid(0, head.size()), head);
    const char* fixed[] = {"(測定間隔番号)", "(測定時間)", "(ズーム)", nullptr, "(ステート表示 カーソル名)",
                           "(ステート表示 モード)", "(ステート表示 チャンネルのMSB)", "(ステート表示 チャンネルのLSB)"};
    for (int i = 0; i < 8; ++i) {
        if (fixed[i]) {
            EXPECT_EQ(l[14 + 2 * i], QString::fromUtf8(fixed[i])) << 14 + 2 * i;
        }
    }
    EXPECT_TRUE(l[20] == QStringLiteral("(AtoB)") || l[20] == QStringLiteral("(CtoD)"));

    const Section sections[] = {
        {"(信号名)", 1 + n},          {"(バスを考慮した行数)", 2},
        {"(バスの要素数)", 1 + n},      {"(バスのRadix)", 1 + n},
        {"(アナログ表示の数)", 2},        {"(アナログ表示のパラメータ)", 5},
        {"(アナログ表示のズーム)", 5},      {"(アナログ表示の電圧カーソル位置)", 5},
        {"(チャンネルの選択状態)", 1 + n}, {"(トリガ表示位置およびトリガ条件)", 2 + n},
        {"(カーソルAの位置)", 2},         {"(カーソルBの位置)", 2},
        {"(カーソルCの位置)", 2},         {"(カーソルDの位置)", 2},
        {"(スクロール)", 5},              {"(画面の中央のデータ番号)", 2},
        {"(データ(波形)があるかどうか)", 2}, {"(測定データ)", 1},
        {"(解凍前のデータ数)", 2},        {"(解凍後のデータ数)", 2},
        {"(トリガ位置)", 2},              {"(データ)", 1 + 3},
    };
    int at = 30;
    for (const Section& s : sections) {
        ASSERT_LT(at, l.size());
        EXPECT_EQ(l[at], QString::fromUtf8(s.label)) << "line " << at;
        at += s.lines;
    }
    EXPECT_EQ(l.size(), at); // nothing after the measured data outside a compare run

    EXPECT_EQ(l[31 + 3], QStringLiteral("ADC")); // analog name cut before its line break
    EXPECT_EQ(l.indexOf(QStringLiteral("(カーソルCの位置)")) + 1, l.indexOf(QStringLiteral("33")));
    const int data = l.indexOf(QStringLiteral("(データ)"));
    EXPECT_EQ(l.mid(data - 6, 6), (QStringList{QStringLiteral("(解凍前のデータ数)"), QStringLiteral("3"),
                                              QStringLiteral("(解凍後のデータ数)"), QStringLiteral("100"),
                                              QStringLiteral("(トリガ位置)"), QStringLiteral("12")}));
    EXPECT_EQ(l.mid(data + 1), (QStringList{QStringLiteral("00A5 10 -12 0"), QStringLiteral("FFFF 5 -2 10"),
                                            QStringLiteral("1234 85 3 15")}));
    EXPECT_EQ(f.log().last(), QStringLiteral("データの保存が終わりました。"));

    // The file itself is CP932 with CR LF.
    QFile raw(f.path(QStringLiteral("c.ana")));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    EXPECT_TRUE(bytes.startsWith(QByteArray("[\x83\x5A\x83\x43\x83\x89\x83\x93]\r\n(Ver 5.4)\r\n")));
}

TEST(AnalyzerFileWriter, CompareRunAddsTheReferenceListAndRecordWidthFollowsTheChannels)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 32, 1024, true);
    p.runModeText = QStringLiteral("波形比較");
    p.measuredList.set(0, 0x89ABCDEFu, 4, 0);
    p.measuredList.setEnd(1, 4);
    p.measRecCount = 1;
    p.measSampleCount = 4;
    p.referenceList.set(0, 0x1u, 2, 0);
    p.referenceList.set(1, 0x2u, 2, 2);
    p.referenceList.setEnd(2, 4);
    p.refRecCount = 2;
    p.refSampleCount = 4;
    p.refTriggerSample = 1;
    ASSERT_TRUE(SaveDataFile(f.state, 0, f.path(QStringLiteral("r.ana"))));
    const QStringList l = f.read(QStringLiteral("r.ana"));
    const int ref = l.indexOf(QStringLiteral("(リファレンスデータ)"));
    ASSERT_GT(ref, 0);
    EXPECT_EQ(l[ref - 1], QStringLiteral("89ABCDEF 4 0 0"));
    EXPECT_EQ(l.mid(ref), (QStringList{QStringLiteral("(リファレンスデータ)"), QStringLiteral("(解凍前のデータ数)"),
                                       QStringLiteral("2"), QStringLiteral("(解凍後のデータ数)"), QStringLiteral("4"),
                                       QStringLiteral("(トリガ位置)"), QStringLiteral("1"), QStringLiteral("(データ)"),
                                       QStringLiteral("00000001 2 -1 0"), QStringLiteral("00000002 2 1 2")}));
}

TEST(AnalyzerFileWriter, Version50HasFixedSectionsAndOneLinePerSample)
{
    FilesFixture f;
    f.state.settings.IpClockPeriod = 25;
    PageState& p = f.setPage(0, 2, 32, 1024, false); // a user module
    p.zoomFactor = 0.125;
    p.rowCount = 2;
    p.signalName[31] = QStringLiteral("LAST");
    p.triggerText[32] = QStringLiteral("R");
    p.runModeText = QStringLiteral("波形比較");
    p.sampleBits.set(0, 0, true);
    p.sampleBits.set(31, 1, true);
    p.sampleBits.set(63, 2, true); // channels 32-63 are not stored
    p.sampleBits.set(4, 1023, true);
    p.compareErrorBits.set(1, 5, true);
    ASSERT_TRUE(SaveDataFile(f.state, 0, f.path(QStringLiteral("b.ana"))));
    const QStringList l = f.read(QStringLiteral("b.ana"));
    const std::pair<int, const char*> labels[] = {
        {0, "[セイラン]"}, {1, "(Ver 5.0)"}, {2, "(ロジックアナライザデータファイル)"}, {3, "(ユーザー)"},
        {4, "(ユーザーロジアナクロック周期)"}, {5, "25"}, {6, "(チャンネル数)"}, {7, "32"}, {8, "(データ数)"},
        {9, "1024"}, {10, "(測定間隔)"}, {12, "(測定時間)"}, {14, "(測定ﾓｰﾄﾞ)"}, {15, "波形比較"}, {16, "(ズーム)"},
        {17, "0.125000"}, {20, "(ステート表示 A～D)"}, {22, "(ステート表示 BIN or HEX or DEC)"},
        {24, "(ステート表示 チャンネルの始め)"}, {26, "(ステート表示 チャンネルの終り)"}, {28, "(外部トリガ)"},
        {29, "0"}, {30, "(信号名)"}, {62, "LAST"}, {63, "(グループを考慮した行数)"}, {64, "2"},
        {65, "(グループの要素数)"}, {98, "(バス表示するときのRadix)"}, {131, "(チャンネルの選択状態)"},
        {164, "(トリガ表示位置およびトリガ条件)"}, {197, "R"}, {198, "(カーソルAの位置)"}, {200, "(カーソルBの位置)"},
        {202, "(カーソルCの位置)"}, {204, "(カーソルDの位置)"}, {206, "(スクロール)"},
        {211, "(データ(波形)があるかどうか)"}, {213, "(データ)"}, {214, "00000001"}, {215, "80000000"},
        {216, "00000000"}, {214 + 1023, "00000010"}, {214 + 1024, "(比較エラー)"}, {214 + 1025 + 5, "00000002"},
    };
    ASSERT_EQ(l.size(), 214 + 1024 + 1 + 1024);
    for (const auto& [line, text] : labels)
        EXPECT_EQ(l[line], QString::fromUtf8(text)) << "line " << line;
    EXPECT_TRUE(l[18] == QStringLiteral("(AtoB)") || l[18] == QStringLiteral("(CtoD)"));
}

TEST(AnalyzerFileWriter, SpreadsheetOnlyForAllLowerOrAllUpperCaseEnding)
{
    FilesFixture f;
    PageState& c = compressedPage(f);
    c.displayList.set(0, 0x00FF, 3, 0);
    c.displayList.set(1, 0x0100, 7, 3);
    c.displayList.setEnd(2, 10);
    c.recCount = 2;
    c.sampleCount = 10;
    c.recTriggerSample = 3;
    PageState& b = f.setPage(1, 9, 16, 4, false);
    b.sampleBits.set(15, 2, true);

    const QStringList records{QStringLiteral("00FF,3,-3,0"), QStringLiteral("0100,7,0,3")};
    const QStringList samples{QStringLiteral("00000000"), QStringLiteral("00000000"), QStringLiteral("00008000"),
                              QStringLiteral("00000000")};
    struct Case {
        const char* name;
        bool spreadsheet;
    };
    const Case cases[] = {{"a.csv", true}, {"a.CSV", true}, {"a.Csv", false}, {"a.cSV", false}, {"a.ana", false}};
    for (const Case& k : cases) {
        const QString name = QString::fromLatin1(k.name);
        ASSERT_TRUE(SaveDataFile(f.state, 0, f.path(name))) << k.name;
        const QStringList l0 = f.read(name);
        if (k.spreadsheet)
            EXPECT_EQ(l0, records) << k.name;
        else
            EXPECT_EQ(l0.value(1), QStringLiteral("(Ver 5.4)")) << k.name;
        ASSERT_TRUE(SaveDataFile(f.state, 1, f.path(name))) << k.name;
        const QStringList l1 = f.read(name);
        if (k.spreadsheet)
            EXPECT_EQ(l1, samples) << k.name;
        else
            EXPECT_EQ(l1.value(1), QStringLiteral("(Ver 5.0)")) << k.name;
    }
}

TEST(AnalyzerFileWriter, SaveNamesTheInputGroupOfAModuleWithSeveralGroups)
{
    FilesFixture f;
    f.setPage(1, 9, 16, 1024, true, 4);
    f.state.capture.pages[1].activeGroup = 2;
    ASSERT_TRUE(SaveDataFile(f.state, 1, f.path(QStringLiteral("g.ana"))));
    EXPECT_EQ(f.log().last(), QStringLiteral("データの保存が終わりました（入力グループCのみ）。"));
}

TEST(AnalyzerFileWriter, AFileThatCannotBeWrittenShowsTheErrorAndKeepsTheOldFile)
{
    FilesFixture f;
    PageState& p = compressedPage(f);
    const QString name = f.path(QStringLiteral("keep.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));
    const QStringList before = f.read(QStringLiteral("keep.ana"));
    const int logged = int(f.log().size());

    p.signalName[0] = QString::fromUtf8("\xF0\x9F\x98\x80"); // no Shift-JIS form
    EXPECT_FALSE(SaveDataFile(f.state, 0, name));
    EXPECT_EQ(f.frontEnd.count(Ev::ShowError), 1);
    EXPECT_EQ(f.read(QStringLiteral("keep.ana")), before);

    EXPECT_FALSE(SaveDataFile(f.state, 0, f.path(QStringLiteral("no/such/folder/x.ana"))));
    EXPECT_EQ(f.frontEnd.count(Ev::ShowError), 2);
    EXPECT_EQ(int(f.log().size()), logged); // no completion message for a failed save
}
