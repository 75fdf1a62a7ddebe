#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace seiran {
class AnalyzerState;
class CursorController;
enum class TimeCursor : std::uint8_t;
} // namespace seiran

namespace seiran::app {

class CursorPanel;
class SignalGrid;
class TriggerGridView;
class WaveImage;

// The controls the four analyzer pages share: the window moves this panel onto the tab of the
// analyzer page shown and loads it from that page's state. Handlers are named after the control
// and the event; each calls the state's operation and shows what the state then holds.
class AnalyzerPanel final : public QWidget {
    Q_OBJECT
public:
    explicit AnalyzerPanel(AnalyzerState& state, QWidget* parent = nullptr);
    ~AnalyzerPanel() override;

    // The page set-up: every control loaded from the page's state, the page laid out and drawn.
    void setUpPage(int page);
    // Draws the page shown and reloads what follows a drawing: scroll bars, grids, fields, cursors.
    void redrawPage();
    // Enabling of the capture controls from the state.
    void loadControlStates();
    // The next drawing of the page brings its trigger into view when it lies outside (new data).
    void expectNewData(int page);
    int page() const { return m_page; }

    CursorController& cursors() { return *m_cursors; }

    QPushButton* btnAnaRun() const { return m_btnAnaRun; }
    QPushButton* btnAnaStop() const { return m_btnAnaStop; }
    QComboBox* cmbAnaInterval() const { return m_cmbAnaInterval; }
    QLineEdit* edtAnaTime() const { return m_edtAnaTime; }
    QComboBox* cmbRunMode() const { return m_cmbRunMode; }
    QComboBox* cmbSelESmpP() const { return m_cmbSelESmpP; }
    QComboBox* cmbAnaZoom() const { return m_cmbAnaZoom; }
    SignalGrid* sgrSignal() const { return m_sgrSignal; }
    TriggerGridView* sgrTrigger() const { return m_sgrTrigger; }
    WaveImage* imgWave2() const { return m_imgWave2; }
    QScrollBar* scrhWave() const { return m_scrhWave; }
    QScrollBar* scrvWave() const { return m_scrvWave; }
    CursorPanel* cursorPanel() const { return m_cursorPanel; }
    // The measurement readout of the selected channel between cursors A and B.
    QLabel* lblMeasure() const { return m_lblMeasure; }

    // ---- handlers
    void btnAnaRunClick();
    void btnAnaStopClick();
    void cmbAnaIntervalChange(int index);
    void cmbRunModeChange(const QString& text);
    void cmbSelESmpPChange(const QString& text);
    void cmbAnaZoomChange(int index);
    void scrhWaveScroll(int position);
    void scrvWaveScroll(int position);
    void sgrTriggerMouseDown(int column, int row);
    void PopupSgrTriggerPopup(int column, int row, const QPoint& globalPosition);
    void imgWave2MouseDown(int x, int y, Qt::MouseButton button);
    void imgWave2MouseMove(int x, int y, Qt::MouseButtons buttons);
    void imgWave2MouseUp(int x, int y, Qt::MouseButton button);
    void PopupImgWave2Popup(const QPoint& globalPosition);
    // Ctrl+wheel zooms around the pointer, Shift+wheel (or a sideways swipe) scrolls the time,
    // the wheel alone scrolls the rows.
    void imgWave2MouseWheel(int x, int y, QPoint angleDelta, Qt::KeyboardModifiers modifiers);

    // ---- keyboard and menu navigation of the page shown
    void zoomInClick();
    void zoomOutClick();
    void wholeDataClick();
    void goToTriggerClick();
    void goToCursorClick(TimeCursor cursor);
    void scrollScreenClick(int direction); // −1: one screen left, 1: right

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormResize();
    void placeControls();
    void waveBoxSize(int& width, int& height) const;
    void loadScrollBars();
    void loadGrids();
    void onCursorRefresh(int page, unsigned what);
    void loadMeasurement();
    void afterNavigation(bool changed);

    AnalyzerState& m_state;
    std::unique_ptr<CursorController> m_cursors;
    int m_page = 0;
    int m_gridTop = 72;
    bool m_dragging = false;
    QPoint m_wheelRest; // wheel turns short of a notch, kept for the next event
    std::array<bool, 4> m_captureExpected{}; // RUN pressed: the capture's trigger is brought into view

    QPushButton* m_btnAnaRun;
    QPushButton* m_btnAnaStop;
    QPushButton* m_btnFind;
    QPushButton* m_btnNext;
    QLabel* m_lblInterval;
    QComboBox* m_cmbAnaInterval;
    QLabel* m_lblTime;
    QLineEdit* m_edtAnaTime;
    QLabel* m_lblRunMode;
    QComboBox* m_cmbRunMode;
    QLabel* m_lblZoom;
    QComboBox* m_cmbAnaZoom;
    QLabel* m_lblSelESmpP;
    QComboBox* m_cmbSelESmpP;
    SignalGrid* m_sgrSignal;
    TriggerGridView* m_sgrTrigger;
    WaveImage* m_imgWave2;
    QScrollBar* m_scrhWave;
    QScrollBar* m_scrvWave;
    CursorPanel* m_cursorPanel;
    QLabel* m_lblMeasure;
};

} // namespace seiran::app
