#pragma once

#include <QDialog>

#include <vector>

class QLabel;
class QProgressBar;

namespace seiran::app {

// The download window (TSplashForm): shown while an FPGA configuration downloads, with its bar
// from 0 to 100. The download blocks the event loop, so every change is painted at once.
class SplashForm final : public QDialog {
    Q_OBJECT
public:
    explicit SplashForm(QWidget* parent = nullptr);

    // Shows or hides the window with the bar at `percent`, painted before this returns.
    void showProgress(bool visible, int percent);

    // The bar positions painted while the window was shown, in order.
    const std::vector<int>& paintedProgress() const { return m_painted; }
    int progress() const;

private:
    void centreOnScreen();

    QLabel* m_text;
    QProgressBar* m_bar;
    std::vector<int> m_painted;
};

} // namespace seiran::app
