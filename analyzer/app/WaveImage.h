#pragma once

#include <QImage>
#include <QWidget>

namespace seiran {
struct CursorOverlay;
}

namespace seiran::app {

// The wave image imgWave2: shows the waveform picture the page's redraw painted and, above it,
// the cursor lines and tags. The cursors are an overlay: moving one repaints the widget from the
// kept picture without drawing the waveform again.
class WaveImage final : public QWidget {
    Q_OBJECT
public:
    explicit WaveImage(QWidget* parent = nullptr);

    // The waveform picture of the last redraw (without the cursors).
    const QImage& picture() const { return m_picture; }
    // A white picture of the widget's size for a redraw to paint.
    QImage& freshPicture();
    // The cursor items painted over the picture; they belong to the cursor controller.
    void setOverlay(const CursorOverlay* overlay);
    // The picture as the screen shows it, cursors included.
    QImage composedPicture();

signals:
    void mouseDown(int x, int y, Qt::MouseButton button);
    void mouseMoved(int x, int y, Qt::MouseButtons buttons);
    void mouseUp(int x, int y, Qt::MouseButton button);
    void popupRequested(const QPoint& globalPosition);
    // A turn of the mouse wheel (or a touchpad swipe) over the image at (x, y).
    void wheelTurned(int x, int y, QPoint angleDelta, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void compose();

    QImage m_picture;
    QImage m_composite; // picture plus overlay, reused from paint to paint
    const CursorOverlay* m_overlay = nullptr;
};

} // namespace seiran::app
