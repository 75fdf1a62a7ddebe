#include "FilesFixture.h"
#include "files/AnalyzerFile.h"
#include "files/FileMenu.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::filestest;

namespace {

using Ev = RecordingFrontEnd::EventKind;

class FileMenu : public ::testing::Test, public FilesFixture {
protected:
    FileMenu()
    {
        setPage(1, 8, 16, 1024, false);
        state.controls.currentPage = 1;
    }
    std::vector<FileDialogRequest> dialogs(Ev kind) const
    {
        std::vector<FileDialogRequest> out;
        for (const auto& e : frontEnd.events())
            if (e.kind == kind)
                out.push_back(e.dialog);
        return out;
    }
};

TEST(FileDialogPresets, NameSuffixAndFilterFollowThePageKind)
{
    struct Case {
        int page;
        const char* name;
        const char* suffix;
        int filter;
        const char* filterText;
    };
    const Case cases[] = {
        {0, "*.ana", "ana", 0, "ﾛｼﾞｱﾅﾌｧｲﾙ (*.ana)"},
        {3, "*.ana", "ana", 0, "ﾛｼﾞｱﾅﾌｧｲﾙ (*.ana)"},
        {4, "*.gen", "gen", 1, "波形発生ﾌｧｲﾙ(*.gen)"},
        {7, "*.gen", "gen", 1, "波形発生ﾌｧｲﾙ(*.gen)"},
        {8, "*.doc", "doc", 2, "ﾌﾟﾛﾄｺﾙﾃﾞｰﾀﾌｧｲﾙ(*.doc)"},
    };
    for (const Case& c : cases) {
        const FileDialogRequest save = SaveDialogPreset(c.page);
        EXPECT_EQ(save.fileName, QString::fromUtf8(c.name)) << c.page;
        EXPECT_EQ(save.defaultSuffix, QString::fromUtf8(c.suffix)) << c.page;
        ASSERT_EQ(save.filters.size(), 6);
        EXPECT_EQ(save.filters.value(save.filterIndex), QString::fromUtf8(c.filterText)) << c.page;
        EXPECT_EQ(save.filters[3], QStringLiteral("ｴｸｾﾙ用ﾌｧｲﾙ(*.csv)"));

        const FileDialogRequest open = OpenDialogPreset(c.page);
        EXPECT_EQ(open.fileName, QString::fromUtf8(c.name)) << c.page;
        ASSERT_EQ(open.filters.size(), 4);
        EXPECT_EQ(open.filters.value(open.filterIndex), QString::fromUtf8(c.filterText)) << c.page;
        EXPECT_EQ(open.filters.last(), QStringLiteral("すべてのﾌｧｲﾙ (*.*)"));
    }
}

TEST_F(FileMenu, SaveWithoutANameAsksOnceThenWritesToTheSameFile)
{
    const QString file = path(QStringLiteral("first.ana"));
    frontEnd.queueSavePath(file);
    ASSERT_TRUE(mnuSaveClick(state));
    EXPECT_EQ(state.controls.pageFileName[1], file);
    EXPECT_EQ(state.controls.fileCaption, file);
    EXPECT_EQ(read(QStringLiteral("first.ana")).value(1), kVersion50);
    EXPECT_EQ(log().last(), QStringLiteral("データの保存が終わりました。"));

    QFile::remove(file);
    ASSERT_TRUE(mnuSaveClick(state));
    EXPECT_EQ(frontEnd.count(Ev::ChooseSaveFile), 1) << "the second save asks nothing";
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(state.controls.pageFileName[0].isEmpty()) << "each page keeps its own name";
}

TEST_F(FileMenu, CancelledSaveAsWritesNothingAndKeepsTheName)
{
    state.controls.pageFileName[1] = path(QStringLiteral("kept.ana"));
    ASSERT_FALSE(mnuSaveAsClick(state)); // nothing queued: the dialog is cancelled
    EXPECT_EQ(state.controls.pageFileName[1], path(QStringLiteral("kept.ana")));
    EXPECT_TRUE(state.controls.fileCaption.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("kept.ana"))));
    EXPECT_TRUE(log().isEmpty());
}

TEST_F(FileMenu, OpenReadsTheChosenFileAndShowsItsName)
{
    PageState& p = state.pages[1];
    p.signalName[0] = QStringLiteral("CLK");
    const QString file = path(QStringLiteral("saved.ana"));
    frontEnd.queueSavePath(file);
    ASSERT_TRUE(mnuSaveAsClick(state));
    p.signalName[0] = QStringLiteral("changed");
    state.controls.fileCaption.clear();

    frontEnd.queueOpenPath(file);
    ASSERT_TRUE(mnuOpenClick(state));
    EXPECT_EQ(p.signalName[0], QStringLiteral("CLK"));
    EXPECT_EQ(state.controls.fileCaption, file);
    EXPECT_EQ(log().last(), QStringLiteral("データファイルを開きました。"));
    const auto asked = dialogs(Ev::ChooseOpenFile);
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0].fileName, QStringLiteral("*.ana"));
}

TEST_F(FileMenu, AFileThatIsNotReadBecomesNeitherTheNameNorTheCaption)
{
    PageState& p = state.pages[1];
    const QString own = path(QStringLiteral("own.ana"));
    frontEnd.queueSavePath(own);
    ASSERT_TRUE(mnuSaveAsClick(state));
    p.signalName[0] = QStringLiteral("PAGE");

    struct Case {
        const char* name;
        QByteArray bytes; // empty: the file does not exist
    };
    const Case cases[] = {
        {"notes.ana", QByteArray("just some text\r\n")},
        {"future.ana", QByteArray("[\x83\x5A\x83\x43\x83\x89\x83\x93]\r\n(Ver 9.9)\r\n")},
        {"broken.ana", QByteArray("\xFF\xFF\r\n")},
        {"missing.ana", QByteArray()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString other = path(QString::fromLatin1(c.name));
        if (!c.bytes.isEmpty()) {
            QFile file(other);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        frontEnd.queueOpenPath(other);
        EXPECT_FALSE(mnuOpenClick(state));
        EXPECT_EQ(state.controls.pageFileName[1], own);
        EXPECT_EQ(state.controls.fileCaption, own);

        // Save goes on writing the page's own file and leaves the refused one as it was.
        ASSERT_TRUE(mnuSaveClick(state));
        EXPECT_EQ(read(QStringLiteral("own.ana")).value(1), kVersion50);
        if (c.bytes.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(other));
        } else {
            QFile file(other);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), c.bytes);
        }
    }
    EXPECT_EQ(p.signalName[0], QStringLiteral("PAGE"));
}

TEST_F(FileMenu, OpenOnARunningPageIsRefusedBeforeTheDialog)
{
    state.pages[1].running = true;
    frontEnd.queueOpenPath(path(QStringLiteral("never.ana")));
    EXPECT_FALSE(mnuOpenClick(state));
    EXPECT_EQ(frontEnd.count(Ev::ChooseOpenFile), 0);
    EXPECT_EQ(log(), QStringList{QStringLiteral("測定中の読み込みはできません。")});
    EXPECT_TRUE(state.controls.pageFileName[1].isEmpty());
}

TEST_F(FileMenu, PagesWithoutDataFilesAskNothing)
{
    for (int page : {4, 8, 9}) {
        state.controls.currentPage = page;
        EXPECT_FALSE(mnuSaveClick(state));
        EXPECT_FALSE(mnuSaveAsClick(state));
        EXPECT_FALSE(mnuOpenClick(state));
    }
    EXPECT_TRUE(frontEnd.events().empty());
}

} // namespace
