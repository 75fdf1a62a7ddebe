// The File menu's dialogs and the analyzer settings dialog, driven as a user drives them.

#include "AnalyzerSettingsBox.h"
#include "ManualClock.h"
#include "WindowFixture.h"
#include "core/AnalyzerState.h"
#include "files/AnalyzerFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace seiran {
namespace {

// The file dialog the window has open, once it is shown.
QFileDialog* openFileDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

struct SeenDialog {
    bool shown = false;
    QString filter;
    QString suffix;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
};

// Answers the next file dialog with `name` (a name without folder is taken in `folder`).
void answerFileDialog(QObject* context, const QString& folder, const QString& name, SeenDialog& seen)
{
    QTimer::singleShot(0, context, [folder, name, &seen] {
        QFileDialog* dialog = openFileDialog();
        ASSERT_NE(dialog, nullptr);
        seen.shown = true;
        seen.filter = dialog->selectedNameFilter();
        seen.suffix = dialog->defaultSuffix();
        seen.mode = dialog->acceptMode();
        dialog->setDirectory(folder);
        dialog->selectFile(name);
        static_cast<QDialog*>(dialog)->accept(); // the Save or Open button
    });
}

TEST(FileMenuDialogs, SaveAsThenOpenRestoresThePageAndNamesTheWindow)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    QTemporaryDir files;
    state.pages[0].signalName[0] = QStringLiteral("CLOCK");

    SeenDialog save;
    answerFileDialog(&window, files.path(), QStringLiteral("capture"), save);
    window.mnuSaveAsClick();
    ASSERT_TRUE(save.shown);
    EXPECT_EQ(save.mode, QFileDialog::AcceptSave);
    EXPECT_EQ(save.filter, QStringLiteral("ﾛｼﾞｱﾅﾌｧｲﾙ (*.ana)"));
    EXPECT_EQ(save.suffix, QStringLiteral("ana"));
    const QString file = QDir(files.path()).filePath(QStringLiteral("capture.ana"));
    ASSERT_TRUE(QFileInfo::exists(file)) << "the default suffix completes the name";
    EXPECT_EQ(window.windowTitle(), QDir::toNativeSeparators(file));
    EXPECT_EQ(state.log.lastLine(), QStringLiteral("データの保存が終わりました。"));

    state.pages[0].signalName[0] = QStringLiteral("renamed");
    SeenDialog open;
    answerFileDialog(&window, files.path(), QStringLiteral("capture.ana"), open);
    window.mnuOpenClick();
    ASSERT_TRUE(open.shown);
    EXPECT_EQ(open.mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(open.filter, QStringLiteral("ﾛｼﾞｱﾅﾌｧｲﾙ (*.ana)"));
    EXPECT_EQ(state.pages[0].signalName[0], QStringLiteral("CLOCK"));
    EXPECT_EQ(state.log.lastLine(), QStringLiteral("データファイルを開きました。"));
    EXPECT_EQ(state.controls.pageFileName[0], file);
}

TEST(FileMenuDialogs, FileItemsAreOpenOnAnalyzerPagesOnly)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    auto item = [&window](const char* name) {
        auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
        return action && action->isEnabled();
    };
    EXPECT_TRUE(item("mnuOpen"));
    EXPECT_TRUE(item("mnuSave"));
    EXPECT_TRUE(item("mnuSaveAs"));
    window.showPage(4);
    EXPECT_FALSE(item("mnuOpen"));
    EXPECT_FALSE(item("mnuSaveAs"));
}

TEST(AnalyzerSettingsDialogBox, TypedParametersAndCountApplyOnOk)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    state.pages[0].analogCount = 1;
    QTemporaryDir parent;
    const QString folder = QDir(parent.path()).filePath(QStringLiteral("runs"));

    QTimer::singleShot(0, &window, [&window, folder] {
        app::AnalyzerSettingsBox& box = window.analyzerSettingsBox();
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.windowTitle(), QStringLiteral("ロジアナ設定"));
        EXPECT_EQ(box.lblVoltPerD()->text(), QStringLiteral("ロジアナ1のアナログ表示パラメータ設定"));
        EXPECT_EQ(box.edtAutoSaveCnt()->text(), QStringLiteral("10"));
        EXPECT_EQ(box.edtAutoSaveDir()->text(), window.state().repeatSave.folder);
        QTableWidget* grid = box.sgrVoltPerD();
        EXPECT_TRUE(grid->isEnabled());
        EXPECT_GE(grid->width(), 230);
        for (int c = 0; c < 3; ++c)
            EXPECT_GT(grid->columnWidth(c), grid->fontMetrics().horizontalAdvance(grid->item(0, c)->text())) << c;
        EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("最小電圧 mV"));
        EXPECT_EQ(grid->item(2, 0)->text(), QStringLiteral("Analog2"));

        box.edtAutoSaveCnt()->selectAll();
        QTest::keyClicks(box.edtAutoSaveCnt(), QStringLiteral("0"));
        box.edtAutoSaveDir()->clear();
        QTest::keyClicks(box.edtAutoSaveDir(), folder);
        box.chkboxAddSeqNo()->click();
        // The cell is left in edit, as a user leaves it before pressing OK.
        grid->setFocus();
        grid->setCurrentCell(1, 1);
        grid->editItem(grid->item(1, 1));
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("2.5"));
        box.okButton()->click();
    });
    window.mnuSettingAnaClick();

    EXPECT_EQ(state.repeatSave.count, 0U) << "0 is no limit";
    EXPECT_EQ(state.repeatSave.folder, folder);
    EXPECT_TRUE(state.repeatSave.numbered);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(state.log.lastLine(), QStringLiteral("フォルダ") + folder + QStringLiteral("を作成しました。"));
    EXPECT_EQ(state.pages[0].analogMvPerDigitText[0], QStringLiteral("2.5"));
    EXPECT_FLOAT_EQ(state.pages[0].analogMicroVoltsPerDigit[0], 2500.0F);
}

TEST(AnalyzerSettingsDialogBox, CancelKeepsTheCountButNotTheTypedFolder)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    const QString before = state.repeatSave.folder;
    QTimer::singleShot(0, &window, [&window] {
        app::AnalyzerSettingsBox& box = window.analyzerSettingsBox();
        EXPECT_FALSE(box.sgrVoltPerD()->isEnabled()) << "no analog rows: the parameters are read-only";
        box.edtAutoSaveCnt()->setText(QStringLiteral("99"));
        QTest::keyClicks(box.edtAutoSaveDir(), QStringLiteral("x"));
        box.cancelButton()->click();
    });
    window.mnuSettingAnaClick();
    EXPECT_EQ(state.repeatSave.count, 10U);
    EXPECT_EQ(state.repeatSave.folder, before + QStringLiteral("x"));
}

TEST(AnalyzerSettingsDialogBox, IsNotShownOnOtherPages)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    window.showPage(4);
    window.mnuSettingAnaClick(); // would block in exec() if it were shown
    EXPECT_FALSE(window.analyzerSettingsBox().isVisible());
    EXPECT_EQ(window.state().log.lastLine(), QStringLiteral("ロジアナページ以外では開けません"));
}

} // namespace
} // namespace seiran
