#include "CompareRunFixture.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::comparetest;

TEST(AutoSaveRun, TheMissingFolderLineGoesWithTheNextEndLine)
{
    RepeatRun f;
    f.state.pages[0].runModeText = kRunRepeatSave;
    const QString missing = QDir(f.folder.path()).filePath(QStringLiteral("gone"));
    f.state.repeatSave.folder = missing;
    const QString missingLine = QStringLiteral("フォルダ") + missing + QStringLiteral("がありません。");
    StartCapture(f.state, 0);
    for (int cycle = 1; cycle <= 3; ++cycle) {
        f.runCycle(cycle);
        const QStringList lines = f.state.log.lines();
        ASSERT_EQ(lines.size(), 4) << lines.join(u'\n').toStdString();
        EXPECT_EQ(lines[1], QStringLiteral("ロジアナ１ トリガを検出しました。%1回目　").arg(cycle) + kStamp);
        EXPECT_EQ(lines[3], missingLine);
    }
}

TEST(AutoSaveRun, ARunSavesUpToTheCountAndKeepsRunning)
{
    RepeatRun f;
    f.state.pages[0].runModeText = kRunRepeatSave;
    const QString saves = QDir(f.folder.path()).filePath(QStringLiteral("saves"));
    ASSERT_TRUE(QDir().mkpath(saves));
    f.state.repeatSave.folder = saves;
    f.state.repeatSave.count = 2;
    StartCapture(f.state, 0);
    for (int cycle = 1; cycle <= 4; ++cycle)
        f.runCycle(cycle);
    const QString name = QStringLiteral("2026／12／10 9：05：03");
    EXPECT_EQ(QDir(saves).entryList(QDir::Files, QDir::Name),
              (QStringList{name + QStringLiteral("(2).ana"), name + QStringLiteral(".ana")}));
    EXPECT_EQ(f.state.log.lineCount(), 3) << f.state.log.lines().join(u'\n').toStdString();
}
