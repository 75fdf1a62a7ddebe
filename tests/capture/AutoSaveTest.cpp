#include "SetupFixture.h"
#include "Cp932Text.h"
#include "capture/Compare.h"
#include "capture/RepeatCompare.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <bit>

using namespace seiran;
using namespace seiran::setuptest;

namespace {

struct AutoSaveFixture : SetupFixture {
    explicit AutoSaveFixture(bool compressed = false) : SetupFixture(11)
    {
        ModuleInfo& m = state.instrument.modules[8];
        m = ModuleInfo{};
        m.function = ModuleFunction::Analyzer;
        m.ModuleChannelCode = std::countr_zero(8U);
        m.ModuleDepthCode = std::countr_zero(1024U);
        m.ModuleCompressed = compressed;
        m.ModuleBankCount = 1;
        PageState& p = state.pages[0];
        p.PageModule = 8;
        PageSetup setup;
        setup.page = 0;
        setup.module = &m;
        setup.PageModule = 8;
        setup.channelCount = 8;
        setup.dataCount = 1024;
        setup.clockPeriod = state.pageClockPeriod(0);
        SetPageToDefaults(p, setup);
        p.hasData = true;
        saveFolder = QDir(folder.path()).filePath(QStringLiteral("saves"));
        QDir().mkpath(saveFolder);
        state.repeatSave.folder = saveFolder;
        state.wallClock = [this] { return QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3).addSecs(seconds)); };
        state.log.clear();
    }
    ~AutoSaveFixture() { ReleaseCompareLists(state); }

    void saveCapture(int repeatCount)
    {
        state.pages[0].repeatCount = repeatCount;
        AutoSaveCapture(state, 0);
    }
    QStringList files() const
    {
        QStringList names = QDir(saveFolder).entryList(QDir::Files, QDir::Name);
        return names;
    }
    QString saveFolder;
    int seconds = 0;
};

const QString kName = QStringLiteral("2026／12／10 9：05：03");

} // namespace

TEST(AutoSave, NameIsTheTimeStampWithFullWidthSeparators)
{
    AutoSaveFixture f;
    f.saveCapture(1);
    ASSERT_EQ(f.files(), QStringList{kName + QStringLiteral(".ana")});
    const TextLines text = readCp932Lines(QDir(f.saveFolder).filePath(kName + QStringLiteral(".ana")));
    ASSERT_TRUE(text.ok());
    ASSERT_GE(text.lines.size(), 2);
    EXPECT_EQ(text.lines[0], QStringLiteral("[セイラン]"));
    EXPECT_EQ(text.lines[1], QStringLiteral("(Ver 5.0)"));
    // An auto-save adds nothing to the log: the repeat cycle keeps the log at a fixed length.
    EXPECT_TRUE(f.state.log.lines().isEmpty()) << f.state.log.lines().join(u'\n').toStdString();
}

TEST(AutoSave, CompressedPagesWriteRecordListFiles)
{
    AutoSaveFixture f(true);
    f.saveCapture(1);
    const TextLines text = readCp932Lines(QDir(f.saveFolder).filePath(kName + QStringLiteral(".ana")));
    ASSERT_TRUE(text.ok());
    ASSERT_GE(text.lines.size(), 2);
    EXPECT_EQ(text.lines[1], QStringLiteral("(Ver 5.4)"));
}

TEST(AutoSave, CapturesWithinOneSecondGetSuffixes)
{
    AutoSaveFixture f;
    f.saveCapture(1);
    f.saveCapture(2);
    f.saveCapture(3);
    EXPECT_EQ(f.files(), (QStringList{kName + QStringLiteral("(2).ana"), kName + QStringLiteral("(3).ana"),
                                      kName + QStringLiteral(".ana")}));
}

TEST(AutoSave, TheSavedFileBecomesThePagesFile)
{
    AutoSaveFixture f;
    f.state.controls.fileCaption = QStringLiteral("caption");
    const QDir dir(f.saveFolder);
    f.saveCapture(1);
    EXPECT_EQ(f.state.controls.pageFileName[0], dir.filePath(kName + QStringLiteral(".ana")));
    f.saveCapture(2);
    EXPECT_EQ(f.state.controls.pageFileName[0], dir.filePath(kName + QStringLiteral("(2).ana")));
    EXPECT_TRUE(f.state.controls.pageFileName[1].isEmpty());
    EXPECT_EQ(f.state.controls.fileCaption, QStringLiteral("caption")) << "the caption shows chosen names only";

    // A capture that is not saved leaves the name of the last one.
    f.state.repeatSave.count = 2;
    f.saveCapture(3);
    f.state.repeatSave.count = 0;
    f.state.repeatSave.folder = dir.filePath(QStringLiteral("gone"));
    f.saveCapture(4);
    EXPECT_EQ(f.state.controls.pageFileName[0], dir.filePath(kName + QStringLiteral("(2).ana")));
}

TEST(AutoSave, NumberedNamesBeginWithTheCaptureNumber)
{
    AutoSaveFixture f;
    f.state.repeatSave.numbered = true;
    f.saveCapture(3);
    EXPECT_EQ(f.files(), QStringList{QStringLiteral("(3) ") + kName + QStringLiteral(".ana")});
    EXPECT_EQ(AutoSaveBaseName(f.state, 0), QStringLiteral("(3) ") + kName);
}

TEST(AutoSave, TheCountLimitsTheSavesOfARun)
{
    struct Case {
        std::uint32_t count;
        int captures;
        int saved;
    };
    for (const Case c : {Case{10, 12, 10}, Case{0, 12, 12}, Case{1, 3, 1}, Case{4294967295U, 5, 5}}) {
        SCOPED_TRACE(c.count);
        AutoSaveFixture f;
        f.state.repeatSave.count = c.count;
        for (int n = 1; n <= c.captures; ++n) {
            f.seconds = n;
            f.saveCapture(n);
        }
        EXPECT_EQ(f.files().size(), c.saved);
        // The saved ones are the first captures of the run.
        const QString lastSaved = QStringLiteral("2026／12／10 9：05：%1.ana").arg(3 + c.saved, 2, 10, QLatin1Char('0'));
        EXPECT_TRUE(f.files().contains(lastSaved)) << lastSaved.toStdString();
    }
}

TEST(AutoSave, AMissingFolderIsLoggedAndNothingIsWritten)
{
    AutoSaveFixture f;
    const QString missing = QDir(f.folder.path()).filePath(QStringLiteral("gone"));
    f.state.repeatSave.folder = missing;
    f.saveCapture(1);
    EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("フォルダ") + missing + QStringLiteral("がありません。")});
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_TRUE(f.files().isEmpty());
}

TEST(AutoSave, AnExistingFileIsNeverWrittenOver)
{
    AutoSaveFixture f;
    const QDir dir(f.saveFolder);
    const auto touch = [&](const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier");
    };
    touch(kName + QStringLiteral(".ana"));
    for (int k = 2; k <= kAutoSaveMaxSuffix; ++k)
        touch(kName + QStringLiteral("(%1).ana").arg(k));
    f.saveCapture(1);
    EXPECT_EQ(f.files().size(), kAutoSaveMaxSuffix);
    for (const QString& name : f.files()) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("earlier")) << name.toStdString();
    }
    ASSERT_EQ(f.state.log.lineCount(), 1);
    EXPECT_TRUE(f.state.log.lastLine().contains(kName)) << f.state.log.lastLine().toStdString();

    // One free suffix in the middle is taken.
    QFile::remove(dir.filePath(kName + QStringLiteral("(57).ana")));
    f.saveCapture(2);
    const TextLines text = readCp932Lines(dir.filePath(kName + QStringLiteral("(57).ana")));
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.lines.value(0), QStringLiteral("[セイラン]"));
}
