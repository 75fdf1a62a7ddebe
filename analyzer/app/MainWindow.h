#pragma once

#include "FrontEnd.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QPlainTextEdit;
class QTabWidget;

namespace seiran {
class AnalyzerState;
class Clock;
class UsbTransport;
} // namespace seiran

namespace seiran::app {

class AnalyzerPanel;
class AnalyzerSettingsBox;
class DisplayBox;
class SplashForm;

// What the window starts with.
struct StartOptions {
    QString mode;                           // hardware mode to change to after start-up; empty: the start mode
    std::optional<std::uint32_t> randomSeed; // the random start words; from the time when not given
};

// The main window of the analyzer (TMainForm): the page control with the ten pages, the message
// log under it and the menus. It owns the program's state and is its front end; every handler
// calls an operation of the state and then shows what the state holds.
class MainWindow final : public QMainWindow, public FrontEnd {
    Q_OBJECT
public:
    // The clock and the instrument transport outlive the window. programFolder holds the
    // configuration files and the settings file.
    MainWindow(Clock& clock, UsbTransport& usb, const QString& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window, runs the start-up (download window included) and shows the first page.
    void startUp(const StartOptions& options = {});

    AnalyzerState& state() { return *m_state; }
    AnalyzerPanel& analyzerPanel() { return *m_panel; }
    QTabWidget& pageControl() { return *m_pageControl; }
    QPlainTextEdit& memMessage() { return *m_memMessage; }
    SplashForm& splashForm() { return *m_splash; }
    DisplayBox& displayBox() { return *m_displayBox; }
    AnalyzerSettingsBox& analyzerSettingsBox() { return *m_analyzerSettingsBox; }
    QAction* hardwareMenu() const { return m_mnuHardware; }
    QAction* interfaceMenu() const { return m_mnuInterface; }
    QAction* openMenu() const { return m_mnuOpen; }
    // The run and view commands of the analyzer page shown, with their keys: RUN, STOP, zoom in,
    // zoom out, whole data, go to trigger, go to cursor A and B, one screen left and right.
    struct NavigationActions {
        QAction* run = nullptr;
        QAction* stop = nullptr;
        QAction* zoomIn = nullptr;
        QAction* zoomOut = nullptr;
        QAction* wholeData = nullptr;
        QAction* goToTrigger = nullptr;
        QAction* goToCursorA = nullptr;
        QAction* goToCursorB = nullptr;
        QAction* screenLeft = nullptr;
        QAction* screenRight = nullptr;
    };
    const NavigationActions& navigationActions() const { return m_nav; }

    // Opens a data file as File → Open does after its dialog: onto the analyzer page shown, or,
    // with no instrument usable, onto an analyzer page laid out from the file. True when read.
    bool openFile(const QString& fileName);

    // A run that nobody watches (a picture made from the command line): errors go to the standard
    // error stream instead of a box, and questions are answered with Cancel.
    void setUnattended(bool unattended) { m_unattended = unattended; }

    // Shows a page (0 to 9) as a click on its tab does.
    void showPage(int page);
    // Draws what is waiting to be drawn now instead of at the next redraw tick.
    void flushRedraws();
    // The analyzer pages drawn so far (every redraw of a page counts once).
    int redrawCount() const { return m_redrawCount; }

    // ---- handlers
    void PageControlChange(int tabIndex);
    void mnuDisplayClick();
    void mnuSettingAnaClick();
    void mnuOpenClick();
    void mnuSaveClick();
    void mnuSaveAsClick();
    void mnuAboutClick();
    void mnuExitClick();

    // ---- FrontEnd
    void appendLogLine(const QString& line) override;
    void deleteLastLogLines(int count) override;
    bool askOkCancel(const QString& question) override;
    void showError(const QString& message) override;
    QString chooseOpenFile(const FileDialogRequest& request) override;
    QString chooseSaveFile(const FileDialogRequest& request) override;
    void setClipboardText(const QString& text) override;
    QString clipboardText() override;
    void requestRedraw(int page) override;
    void showDownloadProgress(bool visible, int percent) override;

    // Incoming data is drawn at most this often.
    static constexpr int kRedrawIntervalMs = 40;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createNavigationMenus();
    void createPages();
    void loadPageTabs();
    void loadMenuStates();
    void showFileCaption();
    void redrawTick();
    void scheduleRedraw();
    void repaintLogIfDue();

    std::unique_ptr<AnalyzerState> m_state;
    UsbTransport& m_usb;
    QTabWidget* m_pageControl = nullptr;
    std::array<QWidget*, 10> m_pageSheets{};
    AnalyzerPanel* m_panel = nullptr;
    QPlainTextEdit* m_memMessage = nullptr;
    SplashForm* m_splash = nullptr;
    DisplayBox* m_displayBox = nullptr;
    AnalyzerSettingsBox* m_analyzerSettingsBox = nullptr;

    QAction* m_mnuOpen = nullptr;
    QAction* m_mnuSave = nullptr;
    QAction* m_mnuSaveAs = nullptr;
    QAction* m_mnuHardware = nullptr;
    QAction* m_mnuInterface = nullptr;
    NavigationActions m_nav;

    QTimer m_redrawTimer;
    QElapsedTimer m_sinceRedraw;
    QElapsedTimer m_sinceLogPaint;
    std::bitset<10> m_dirtyPages;
    bool m_closed = false;
    bool m_unattended = false;
    int m_redrawCount = 0;
};

} // namespace seiran::app
