#include "MainWindow.h"

#include "AnalyzerPanel.h"
#include "AnalyzerSettingsBox.h"
#include "DisplayBox.h"
#include "ProgramIcon.h"
#include "SignalGrid.h"
#include "SplashForm.h"
#include "UsbTransport.h"
#include "VersionBox.h"
#include "core/AnalyzerState.h"
#include "cursor/CursorTable.h"
#include "files/DataFile.h"
#include "files/DisplaySettings.h"
#include "files/FileMenu.h"
#include "setup/OfflinePage.h"
#include "setup/StartUp.h"
#include "view/Pages.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace seiran::app {

namespace {

constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 600;
constexpr int kLogLines = 4;
const QString kProgramCaption = QStringLiteral("Seiran");

QAction* addLaterItem(QMenu* menu, const QString& caption)
{
    // The behaviour of these items comes with their own parts of the program.
    QAction* action = menu->addAction(caption);
    action->setEnabled(false);
    return action;
}

QString runFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.caption, request.folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.filters.isEmpty()) {
        dialog.setNameFilters(request.filters);
        dialog.selectNameFilter(request.filters.value(std::clamp(request.filterIndex, 0, int(request.filters.size()) - 1)));
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace

MainWindow::MainWindow(Clock& clock, UsbTransport& usb, const QString& programFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_state(std::make_unique<AnalyzerState>(clock, *this, programFolder))
    , m_usb(usb)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(kProgramCaption);
    setWindowIcon(programIcon());
    m_state->commands.setUsbTransport(&m_usb);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(3);
    m_pageControl = new QTabWidget(central);
    m_pageControl->setObjectName(QStringLiteral("PageControl"));
    m_memMessage = new QPlainTextEdit(central);
    m_memMessage->setObjectName(QStringLiteral("memMessage"));
    m_memMessage->setReadOnly(true);
    m_memMessage->setUndoRedoEnabled(false);
    m_memMessage->setLineWrapMode(QPlainTextEdit::NoWrap);
    const int lineHeight = m_memMessage->fontMetrics().lineSpacing();
    m_memMessage->setFixedHeight(kLogLines * lineHeight + 2 * m_memMessage->frameWidth() + 8);
    layout->addWidget(m_pageControl, 1);
    layout->addWidget(m_memMessage);
    setCentralWidget(central);

    createPages();
    createMenus();
    m_splash = new SplashForm(this);
    m_displayBox = new DisplayBox(*m_state, this);
    m_analyzerSettingsBox = new AnalyzerSettingsBox(*m_state, this);

    m_redrawTimer.setSingleShot(true);
    connect(&m_redrawTimer, &QTimer::timeout, this, &MainWindow::redrawTick);
    connect(m_pageControl, &QTabWidget::currentChanged, this, &MainWindow::PageControlChange);
    resize(kDefaultWidth, kDefaultHeight);
}

MainWindow::~MainWindow()
{
    if (!m_closed)
        CloseProgram(*m_state);
    m_redrawTimer.stop();
    // These hold the state; they go before it does.
    delete m_panel;
    delete m_displayBox;
    delete m_analyzerSettingsBox;
    delete m_splash;
}

void MainWindow::createPages()
{
    for (int page = 0; page < kPageCount; ++page) {
        auto* sheet = new QWidget(m_pageControl);
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(page));
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        m_pageSheets[std::size_t(page)] = sheet;
        m_pageControl->addTab(sheet, PageCaption(page));
    }
    m_panel = new AnalyzerPanel(*m_state, m_pageSheets[0]);
    m_pageSheets[0]->layout()->addWidget(m_panel);
    loadPageTabs();
}

void MainWindow::createMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    m_mnuOpen = file->addAction(QStringLiteral("開く(&O)..."));
    m_mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    m_mnuOpen->setShortcut(QKeySequence::Open);
    connect(m_mnuOpen, &QAction::triggered, this, &MainWindow::mnuOpenClick);
    m_mnuSave = file->addAction(QStringLiteral("上書き保存(&S)"));
    m_mnuSave->setObjectName(QStringLiteral("mnuSave"));
    m_mnuSave->setShortcut(QKeySequence::Save);
    connect(m_mnuSave, &QAction::triggered, this, &MainWindow::mnuSaveClick);
    m_mnuSaveAs = file->addAction(QStringLiteral("名前を付けて保存(&A)..."));
    m_mnuSaveAs->setObjectName(QStringLiteral("mnuSaveAs"));
    connect(m_mnuSaveAs, &QAction::triggered, this, &MainWindow::mnuSaveAsClick);
    file->addSeparator();
    addLaterItem(file, QStringLiteral("印刷(&P)..."));
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("終了(&X)"));
    connect(exit, &QAction::triggered, this, &MainWindow::mnuExitClick);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    addLaterItem(edit, QStringLiteral("切り取り(&T)"));
    addLaterItem(edit, QStringLiteral("コピー(&C)"));
    addLaterItem(edit, QStringLiteral("貼り付け(&P)"));
    edit->addSeparator();
    addLaterItem(edit, QStringLiteral("波形コピー(&W)..."))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    QAction* analyzerSettings = settings->addAction(QStringLiteral("ロジアナ(&A)..."));
    analyzerSettings->setObjectName(QStringLiteral("mnuSettingAna"));
    connect(analyzerSettings, &QAction::triggered, this, &MainWindow::mnuSettingAnaClick);
    QAction* display = settings->addAction(QStringLiteral("表示(&D)..."));
    display->setObjectName(QStringLiteral("mnuDisplay"));
    connect(display, &QAction::triggered, this, &MainWindow::mnuDisplayClick);

    // Both menus are closed while a capture runs; their dialogs come with the hardware and
    // interface settings.
    QMenu* hardware = menuBar()->addMenu(QStringLiteral("ハードウェア(&H)"));
    m_mnuHardware = hardware->menuAction();
    m_mnuHardware->setObjectName(QStringLiteral("mnuHardware"));
    addLaterItem(hardware, QStringLiteral("ハードウェア設定(&H)..."));
    QMenu* interfaceMenu = menuBar()->addMenu(QStringLiteral("インターフェース(&I)"));
    m_mnuInterface = interfaceMenu->menuAction();
    m_mnuInterface->setObjectName(QStringLiteral("mnuInterface"));
    addLaterItem(interfaceMenu, QStringLiteral("インターフェース設定(&I)..."));

    createNavigationMenus();

    QMenu* info = menuBar()->addMenu(QStringLiteral("情報(&I)"));
    QAction* about = info->addAction(QStringLiteral("バージョン(&A)"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, &MainWindow::mnuAboutClick);
}

void MainWindow::createNavigationMenus()
{
    // Each item acts on the analyzer page shown; the menu states follow at once (RUN enables STOP).
    const auto add = [this](QMenu* menu, const char* name, const QString& caption, const QList<QKeySequence>& keys,
                            const std::function<void()>& run) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, run] {
            if (!IsAnalyzerPage(m_state->controls.currentPage) || m_panel->page() != m_state->controls.currentPage)
                return;
            run();
            loadMenuStates();
        });
        return action;
    };
    const AnalyzerControls& controls = m_state->controls.analyzer;
    QMenu* capture = menuBar()->addMenu(QStringLiteral("測定(&R)"));
    m_nav.run = add(capture, "mnuRun", QStringLiteral("RUN"), {QKeySequence(Qt::Key_F5)}, [this, &controls] {
        if (controls.runEnabled)
            m_panel->btnAnaRunClick();
    });
    m_nav.stop = add(capture, "mnuStop", QStringLiteral("STOP"), {QKeySequence(Qt::SHIFT | Qt::Key_F5)}, [this, &controls] {
        if (controls.stopEnabled)
            m_panel->btnAnaStopClick();
    });

    QMenu* view = menuBar()->addMenu(QStringLiteral("ビュー(&V)"));
    m_nav.zoomIn = add(view, "mnuZoomIn", QStringLiteral("拡大(&I)"),
                       {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                       [this] { m_panel->zoomInClick(); });
    m_nav.zoomOut = add(view, "mnuZoomOut", QStringLiteral("縮小(&O)"), {QKeySequence(QKeySequence::ZoomOut)},
                        [this] { m_panel->zoomOutClick(); });
    m_nav.wholeData = add(view, "mnuWholeData", QStringLiteral("全データ(&W)"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
                          [this] { m_panel->wholeDataClick(); });
    view->addSeparator();
    m_nav.goToTrigger = add(view, "mnuGoToTrigger", QStringLiteral("トリガへ移動(&T)"), {QKeySequence(Qt::CTRL | Qt::Key_T)},
                            [this] { m_panel->goToTriggerClick(); });
    m_nav.goToCursorA = add(view, "mnuGoToCursorA", QStringLiteral("カーソルAへ移動(&A)"),
                            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)}, [this] { m_panel->goToCursorClick(TimeCursor::A); });
    m_nav.goToCursorB = add(view, "mnuGoToCursorB", QStringLiteral("カーソルBへ移動(&B)"),
                            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B)}, [this] { m_panel->goToCursorClick(TimeCursor::B); });
    view->addSeparator();
    m_nav.screenLeft = add(view, "mnuScreenLeft", QStringLiteral("前の画面(&P)"), {QKeySequence(Qt::CTRL | Qt::Key_Left)},
                           [this] { m_panel->scrollScreenClick(-1); });
    m_nav.screenRight = add(view, "mnuScreenRight", QStringLiteral("次の画面(&N)"), {QKeySequence(Qt::CTRL | Qt::Key_Right)},
                            [this] { m_panel->scrollScreenClick(1); });

    // The controls name their keys too.
    const auto keys = [](const QAction* action) { return action->shortcut().toString(QKeySequence::NativeText); };
    m_panel->btnAnaRun()->setToolTip(QStringLiteral("測定開始 (%1)").arg(keys(m_nav.run)));
    m_panel->btnAnaStop()->setToolTip(QStringLiteral("測定停止 (%1)").arg(keys(m_nav.stop)));
    m_panel->cmbAnaZoom()->setToolTip(QStringLiteral("ズーム: 拡大 %1, 縮小 %2, 全データ %3; 波形の上で Ctrl+ホイールでポインタの位置を中心に拡大・縮小")
                                          .arg(keys(m_nav.zoomIn), keys(m_nav.zoomOut), keys(m_nav.wholeData)));
    m_panel->scrhWave()->setToolTip(QStringLiteral("時間のスクロール: 波形の上で Shift+ホイール; 1画面ずつ %1 / %2; トリガへ %3")
                                        .arg(keys(m_nav.screenLeft), keys(m_nav.screenRight), keys(m_nav.goToTrigger)));
    m_panel->scrvWave()->setToolTip(QStringLiteral("行のスクロール: 波形の上でホイール"));
}

void MainWindow::startUp(const StartOptions& options)
{
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    StartUpOptions startUp;
    startUp.randomSeed = options.randomSeed;
    RunStartUp(*m_state, startUp);
    if (!options.mode.isEmpty() && !m_state->device.InterfaceError) {
        // A mode asked for on the command line is part of the start: the window is sized for it.
        ChangeHardwareMode(*m_state, options.mode);
        m_state->controls.windowHeight = startUpWindowHeight(m_state->pages[0].channelCount);
    }

    if (m_state->device.InterfaceError)
        LogOfflineHints(*m_state);

    loadPageTabs();
    if (m_state->controls.windowHeight > 0)
        resize(width(), m_state->controls.windowHeight);
    int first = kProtocolPage;
    for (int page = 0; page < kProtocolPage; ++page) {
        if (m_state->controls.pageTabVisible[std::size_t(page)]) {
            first = page;
            break;
        }
    }
    showPage(first);
    if (IsAnalyzerPage(first))
        m_panel->sgrSignal()->setFocus();
    loadMenuStates();
}

void MainWindow::loadPageTabs()
{
    for (int page = 0; page < kPageCount; ++page)
        m_pageControl->setTabVisible(page, m_state->controls.pageTabVisible[std::size_t(page)]);
}

void MainWindow::loadMenuStates()
{
    m_mnuHardware->setEnabled(m_state->controls.hardwareMenuEnabled);
    m_mnuInterface->setEnabled(m_state->controls.interfaceMenuEnabled);
    const bool started = m_state->controls.startUpDone;
    const bool files = started && PageHasDataFile(m_state->controls.currentPage);
    // Without an instrument a file can still be opened: it brings its own analyzer page.
    m_mnuOpen->setEnabled(files || (started && ViewingOffline(*m_state)));
    m_mnuSave->setEnabled(files);
    m_mnuSaveAs->setEnabled(files);

    const bool analyzer = started && IsAnalyzerPage(m_state->controls.currentPage);
    m_nav.run->setEnabled(analyzer && m_state->controls.analyzer.runEnabled);
    m_nav.stop->setEnabled(analyzer && m_state->controls.analyzer.stopEnabled);
    for (QAction* action : {m_nav.zoomIn, m_nav.zoomOut, m_nav.wholeData, m_nav.goToTrigger, m_nav.goToCursorA,
                            m_nav.goToCursorB, m_nav.screenLeft, m_nav.screenRight})
        action->setEnabled(analyzer);
}

void MainWindow::showPage(int page)
{
    if (m_pageControl->currentIndex() == page)
        PageControlChange(page);
    else
        m_pageControl->setCurrentIndex(page); // PageControlChange follows
}

void MainWindow::PageControlChange(int tabIndex)
{
    if (tabIndex < 0 || tabIndex >= kPageCount || !m_state->controls.startUpDone)
        return;
    m_state->controls.currentPage = tabIndex;
    if (IsAnalyzerPage(tabIndex)) {
        QWidget* sheet = m_pageSheets[std::size_t(tabIndex)];
        if (m_panel->parentWidget() != sheet)
            sheet->layout()->addWidget(m_panel);
        m_panel->show();
        m_panel->setUpPage(tabIndex);
        ++m_redrawCount;
    }
    m_dirtyPages.reset(std::size_t(tabIndex));
    loadMenuStates();
}

// ---- redraws

void MainWindow::requestRedraw(int page)
{
    if (page >= 0 && page < kPageCount)
        m_dirtyPages.set(std::size_t(page));
    scheduleRedraw();
}

void MainWindow::scheduleRedraw()
{
    if (m_redrawTimer.isActive())
        return;
    const qint64 since = m_sinceRedraw.isValid() ? m_sinceRedraw.elapsed() : kRedrawIntervalMs;
    m_redrawTimer.start(int(std::max<qint64>(0, kRedrawIntervalMs - since)));
}

void MainWindow::redrawTick()
{
    if (m_splash->isVisible() || m_closed) {
        // A download is under way; the pages are drawn once it has ended.
        if (!m_closed)
            m_redrawTimer.start(kRedrawIntervalMs);
        return;
    }
    const int page = m_state->controls.currentPage;
    if (IsAnalyzerPage(page) && m_dirtyPages.test(std::size_t(page)) && m_panel->page() == page) {
        m_panel->redrawPage();
        ++m_redrawCount;
    } else {
        m_panel->loadControlStates();
    }
    // Pages not shown are drawn when they are shown.
    m_dirtyPages.reset();
    m_sinceRedraw.restart();
    loadMenuStates();
}

void MainWindow::flushRedraws()
{
    m_redrawTimer.stop();
    redrawTick();
}

// ---- message log

void MainWindow::appendLogLine(const QString& line)
{
    m_memMessage->appendPlainText(line);
    QScrollBar* bar = m_memMessage->verticalScrollBar();
    bar->setValue(bar->maximum());
    repaintLogIfDue();
    // A log line often follows a change of the controls' states (the end of a capture).
    scheduleRedraw();
}

void MainWindow::deleteLastLogLines(int count)
{
    QTextDocument* document = m_memMessage->document();
    for (int i = 0; i < count && !document->isEmpty(); ++i) {
        const QTextBlock last = document->lastBlock();
        QTextCursor cursor(last);
        if (last.blockNumber() == 0) {
            cursor.select(QTextCursor::BlockUnderCursor);
        } else {
            // The line and the line break before it.
            cursor.movePosition(QTextCursor::StartOfBlock);
            cursor.movePosition(QTextCursor::PreviousCharacter);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        }
        cursor.removeSelectedText();
    }
    QScrollBar* bar = m_memMessage->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void MainWindow::repaintLogIfDue()
{
    // Transfers block the event loop while they report progress: the log is painted at once, at
    // most as often as the pages are.
    if (!m_memMessage->isVisible())
        return;
    if (m_sinceLogPaint.isValid() && m_sinceLogPaint.elapsed() < kRedrawIntervalMs)
        return;
    m_memMessage->viewport()->repaint();
    m_sinceLogPaint.restart();
}

// ---- questions, files, clipboard, download window

bool MainWindow::askOkCancel(const QString& question)
{
    if (m_unattended)
        return false;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Seiran"), question, QMessageBox::Ok | QMessageBox::Cancel, this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    return box.exec() == QMessageBox::Ok;
}

void MainWindow::showError(const QString& message)
{
    if (m_unattended) {
        std::fprintf(stderr, "seiran: %s\n", message.toUtf8().constData());
        return;
    }
    QMessageBox::critical(this, QStringLiteral("Seiran"), message);
}

QString MainWindow::chooseOpenFile(const FileDialogRequest& request)
{
    return runFileDialog(this, request, QFileDialog::AcceptOpen);
}

QString MainWindow::chooseSaveFile(const FileDialogRequest& request)
{
    return runFileDialog(this, request, QFileDialog::AcceptSave);
}

void MainWindow::setClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

QString MainWindow::clipboardText() { return QGuiApplication::clipboard()->text(); }

void MainWindow::showDownloadProgress(bool visible, int percent) { m_splash->showProgress(visible, percent); }

// ---- menus and closing

void MainWindow::mnuDisplayClick()
{
    seiran::mnuDisplayClick(*m_state);
    m_displayBox->loadFromState();
    if (m_displayBox->exec() == QDialog::Accepted && m_state->controls.startUpDone) {
        // The page is shown again with its new numbering and line weight.
        showPage(m_state->controls.currentPage);
    }
}

void MainWindow::mnuSettingAnaClick()
{
    if (!m_analyzerSettingsBox->loadFromState())
        return;
    m_analyzerSettingsBox->exec();
}

void MainWindow::mnuOpenClick()
{
    if (ViewingOffline(*m_state)) {
        const QString chosen = chooseOpenFile(OpenDialogPreset(0));
        if (!chosen.isEmpty())
            openFile(chosen);
        return;
    }
    const bool opened = seiran::mnuOpenClick(*m_state);
    showFileCaption();
    if (opened) {
        m_panel->expectNewData(m_state->controls.currentPage);
        showPage(m_state->controls.currentPage); // the page is set up again from what was read
    }
}

bool MainWindow::openFile(const QString& fileName)
{
    const bool offline = ViewingOffline(*m_state);
    int page = m_state->controls.currentPage;
    if (offline) {
        page = PrepareOfflinePage(*m_state);
    } else if (!IsAnalyzerPage(page)) {
        // From another page a file goes to the first analyzer page in use.
        page = -1;
        for (int p = 0; p < kAnalyzerPageCount && page < 0; ++p)
            if (m_state->controls.pageTabVisible[std::size_t(p)])
                page = p;
        if (page < 0)
            return false;
    }
    // As with File → Open, only a file that was read becomes the page's file.
    const bool loaded = OpenDataFile(*m_state, page, fileName).loaded;
    if (loaded) {
        m_state->controls.pageFileName[std::size_t(page)] = fileName;
        m_state->controls.fileCaption = fileName;
    }
    if (offline)
        FinishOfflinePage(*m_state, page, loaded);
    loadPageTabs();
    showFileCaption();
    if (loaded) {
        if (offline) {
            // The window was sized for no analyzer page at start; now it has one.
            const int height = startUpWindowHeight(m_state->pages[std::size_t(page)].channelCount);
            if (height > this->height())
                resize(width(), height);
        }
        m_panel->expectNewData(page);
        showPage(page);
    }
    loadMenuStates();
    return loaded;
}

void MainWindow::mnuSaveClick()
{
    seiran::mnuSaveClick(*m_state);
    showFileCaption();
}

void MainWindow::mnuSaveAsClick()
{
    seiran::mnuSaveAsClick(*m_state);
    showFileCaption();
}

void MainWindow::showFileCaption()
{
    const QString& name = m_state->controls.fileCaption;
    setWindowTitle(name.isEmpty() ? kProgramCaption : QDir::toNativeSeparators(name));
}

void MainWindow::mnuAboutClick()
{
    VersionBox box(this);
    box.exec();
}

void MainWindow::mnuExitClick() { close(); }

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing is always allowed.
    if (!m_closed) {
        m_closed = true;
        m_redrawTimer.stop();
        CloseProgram(*m_state);
    }
    event->accept();
}

} // namespace seiran::app
