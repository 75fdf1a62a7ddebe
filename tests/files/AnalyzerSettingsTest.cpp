#include "FilesFixture.h"
#include "files/AnalyzerSettings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::filestest;

namespace {

struct SettingsFixture : FilesFixture {
    explicit SettingsFixture(bool compressed = true)
    {
        setPage(1, 9, 8, 1024, compressed);
        state.controls.currentPage = 1;
        state.pages[1].analogCount = 2;
        state.repeatSave.folder = folder.path();
        state.log.clear();
        dialog = NewAnalyzerSettingsDialog();
    }
    AnalyzerSettingsDialog dialog;
};

} // namespace

TEST(AnalyzerSettings, CountTexts)
{
    struct Case {
        const char* text;
        std::uint32_t count;
    };
    for (const Case c : {Case{"0", 0}, Case{"4294967295", 4294967295U}, Case{"25", 25}, Case{"", 10},
                         Case{"abc", 10}, Case{"4294967296", 10}, Case{"-1", 10}, Case{"1.5", 10}, Case{"0x10", 10}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseRepeatSaveCount(QString::fromUtf8(c.text)), c.count);
    }
}

TEST(AnalyzerSettings, OpeningFillsTheDialogFromTheShownPage)
{
    SettingsFixture f;
    PageState& p = f.state.pages[1];
    p.analogMvPerDigitText = {QStringLiteral("2.5"), QStringLiteral("0.1")};
    p.analogMinimumText = {QStringLiteral("-100"), QStringLiteral("5")};
    f.state.repeatSave.count = 123;
    ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
    EXPECT_EQ(f.dialog.page, 1);
    EXPECT_EQ(f.dialog.countText, QStringLiteral("123"));
    EXPECT_EQ(f.dialog.parameterCaption, QStringLiteral("ロジアナ2のアナログ表示パラメータ設定"));
    EXPECT_EQ(f.dialog.grid[0][2], QStringLiteral("最小電圧 mV"));
    EXPECT_EQ(f.dialog.grid[1][0], QStringLiteral("Analog1"));
    EXPECT_EQ(f.dialog.grid[1][1], QStringLiteral("2.5"));
    EXPECT_EQ(f.dialog.grid[2][1], QStringLiteral("0.1"));
    EXPECT_EQ(f.dialog.grid[1][2], QStringLiteral("-100"));
    EXPECT_EQ(f.dialog.grid[2][2], QStringLiteral("5"));
    EXPECT_TRUE(f.dialog.gridEnabled);

    p.analogCount = 0;
    ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
    EXPECT_FALSE(f.dialog.gridEnabled);
    EXPECT_EQ(f.dialog.grid[1][1], QStringLiteral("2.5"));
}

TEST(AnalyzerSettings, OnlyAnalyzerPagesOpenTheDialog)
{
    SettingsFixture f;
    for (int page : {4, 7, 8, 9}) {
        f.state.controls.currentPage = page;
        f.dialog.countText = QStringLiteral("untouched");
        EXPECT_FALSE(OpenAnalyzerSettings(f.state, f.dialog));
        EXPECT_EQ(f.state.log.lastLine(), QStringLiteral("ロジアナページ以外では開けません"));
        EXPECT_EQ(f.dialog.countText, QStringLiteral("untouched"));
    }
}

TEST(AnalyzerSettings, OkStoresTheCountAndTheAnalogParameters)
{
    SettingsFixture f;
    ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
    f.dialog.countText = QStringLiteral("0");
    f.dialog.grid[1][1] = QStringLiteral("2.5");
    f.dialog.grid[2][1] = QStringLiteral("0.125");
    f.dialog.grid[1][2] = QStringLiteral("-1000");
    f.dialog.grid[2][2] = QStringLiteral("3");
    const AnalyzerSettingsResult r = ApplyAnalyzerSettings(f.state, f.dialog);
    EXPECT_TRUE(r.conversionError.isEmpty());
    EXPECT_EQ(f.state.repeatSave.count, 0U);
    const PageState& p = f.state.pages[1];
    EXPECT_EQ(p.analogMvPerDigitText[0], QStringLiteral("2.5"));
    EXPECT_EQ(p.analogMinimumText[1], QStringLiteral("3"));
    EXPECT_FLOAT_EQ(p.analogMicroVoltsPerDigit[0], 2500.0F);
    EXPECT_FLOAT_EQ(p.analogMicroVoltsPerDigit[1], 125.0F);
    EXPECT_FLOAT_EQ(p.analogMinimumMicroVolts[0], -1000000.0F);
    EXPECT_FLOAT_EQ(p.analogMinimumMicroVolts[1], 3000.0F);
    // The folder exists: nothing to log. A compressed page redraws with the new parameters.
    EXPECT_TRUE(f.state.log.lines().isEmpty());
    EXPECT_TRUE(r.redraw);
    EXPECT_EQ(f.frontEnd.redrawCount(1), 1);
}

TEST(AnalyzerSettings, BitPlanePagesAreNotRedrawn)
{
    SettingsFixture f(false);
    ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
    EXPECT_FALSE(ApplyAnalyzerSettings(f.state, f.dialog).redraw);
    EXPECT_EQ(f.frontEnd.redrawCount(1), 0);
}

TEST(AnalyzerSettings, ABadGridTextKeepsTheNumbers)
{
    SettingsFixture f;
    PageState& p = f.state.pages[1];
    p.analogMicroVoltsPerDigit = {1000.0F, 1000.0F};
    ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
    f.dialog.grid[1][1] = QStringLiteral("7");
    f.dialog.grid[2][2] = QStringLiteral("x1");
    const AnalyzerSettingsResult r = ApplyAnalyzerSettings(f.state, f.dialog);
    EXPECT_EQ(r.conversionError, QStringLiteral("'x1' は有効な浮動小数点数値ではありません。"));
    EXPECT_EQ(f.frontEnd.texts(RecordingFrontEnd::EventKind::ShowError), QStringList{r.conversionError});
    EXPECT_EQ(p.analogMvPerDigitText[0], QStringLiteral("7"));
    EXPECT_EQ(p.analogMinimumText[1], QStringLiteral("x1"));
    EXPECT_FLOAT_EQ(p.analogMicroVoltsPerDigit[0], 1000.0F);
    EXPECT_FALSE(r.redraw);
}

TEST(AnalyzerSettings, ACountThatIsNoCountIsLoggedWithTheCountTaken)
{
    struct Case {
        const char* text;
        std::uint32_t count;
        const char* line; // nullptr: nothing logged
    };
    const Case cases[] = {
        {"25", 25, nullptr},
        {" 0 ", 0, nullptr},
        {"abc", 10, "ファイル保存する回数「abc」は0～4294967295の数ではないので、10回にしました。"},
        {"4294967296", 10, "ファイル保存する回数「4294967296」は0～4294967295の数ではないので、10回にしました。"},
        {"", 10, "ファイル保存する回数「」は0～4294967295の数ではないので、10回にしました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SettingsFixture f;
        f.state.repeatSave.count = 3;
        ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
        f.dialog.countText = QString::fromUtf8(c.text);
        ApplyAnalyzerSettings(f.state, f.dialog);
        EXPECT_EQ(f.state.repeatSave.count, c.count);
        EXPECT_EQ(f.state.log.lines(), c.line ? QStringList{QString::fromUtf8(c.line)} : QStringList{});
    }
}

TEST(AnalyzerSettings, NumbersThatDrawNothingAreConversionErrors)
{
    for (const char* text : {"inf", "-inf", "nan", "1e36"}) {
        SCOPED_TRACE(text);
        SettingsFixture f;
        f.state.pages[1].analogMinimumMicroVolts = {5.0F, 6.0F};
        ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
        f.dialog.grid[1][2] = QString::fromUtf8(text);
        const AnalyzerSettingsResult r = ApplyAnalyzerSettings(f.state, f.dialog);
        EXPECT_EQ(r.conversionError, QStringLiteral("'%1' は有効な浮動小数点数値ではありません。").arg(QLatin1String(text)));
        EXPECT_FLOAT_EQ(f.state.pages[1].analogMinimumMicroVolts[0], 5.0F);
    }
}

TEST(AnalyzerSettings, OkCreatesAMissingFolderOneLevelDeep)
{
    SettingsFixture f;
    const QString fresh = f.path(QStringLiteral("saves"));
    const QString deep = f.path(QStringLiteral("no/such"));
    struct Case {
        QString folder;
        QString line;
        bool exists;
    };
    for (const Case& c : {Case{fresh, QStringLiteral("フォルダ") + fresh + QStringLiteral("を作成しました。"), true},
                          Case{deep, QStringLiteral("フォルダ") + deep + QStringLiteral("を作成できません。"), false}}) {
        ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
        SetRepeatSaveFolder(f.state, c.folder);
        ApplyAnalyzerSettings(f.state, f.dialog);
        EXPECT_EQ(f.state.log.lastLine(), c.line);
        EXPECT_EQ(QDir(c.folder).exists(), c.exists);
        EXPECT_EQ(f.state.repeatSave.folder, c.folder);
    }
}

TEST(AnalyzerSettings, CancelKeepsTheCountButNotTheLiveFields)
{
    SettingsFixture f;
    f.state.repeatSave.count = 7;
    ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
    f.dialog.countText = QStringLiteral("99");
    f.dialog.grid[1][1] = QStringLiteral("50");
    SetRepeatSaveFolder(f.state, QStringLiteral("elsewhere"));
    SetRepeatSaveNumbered(f.state, true);
    // Cancel: the dialog is dropped; the next opening shows the state again.
    ASSERT_TRUE(OpenAnalyzerSettings(f.state, f.dialog));
    EXPECT_EQ(f.dialog.countText, QStringLiteral("7"));
    EXPECT_EQ(f.dialog.grid[1][1], QStringLiteral("1"));
    EXPECT_EQ(f.state.repeatSave.folder, QStringLiteral("elsewhere"));
    EXPECT_TRUE(f.state.repeatSave.numbered);
}
