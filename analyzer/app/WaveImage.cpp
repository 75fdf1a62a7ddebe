#include "WaveImage.h"

#include "QtImageCanvas.h"
#include "cursor/CursorOverlay.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstring>

namespace seiran::app {

WaveImage::WaveImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("imgWave2"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

QImage& WaveImage::freshPicture()
{
    const QSize size = this->size().expandedTo(QSize(1, 1));
    if (m_picture.size() != size)
        m_picture = QImage(size, QImage::Format_RGB32);
    m_picture.fill(Qt::white);
    return m_picture;
}

void WaveImage::setOverlay(const CursorOverlay* overlay)
{
    m_overlay = overlay;
    update();
}

void WaveImage::compose()
{
    if (m_composite.size() != m_picture.size() || m_composite.format() != m_picture.format())
        m_composite = QImage(m_picture.size(), m_picture.format());
    std::memcpy(m_composite.bits(), m_picture.constBits(), std::size_t(m_picture.sizeInBytes()));
    if (m_overlay) {
        QtImageCanvas canvas(m_composite);
        drawCursorOverlay(canvas, *m_overlay);
    }
}

QImage WaveImage::composedPicture()
{
    if (m_picture.isNull())
        return {};
    compose();
    return m_composite.copy();
}

void WaveImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_picture.isNull())
        return;
    compose();
    painter.drawImage(0, 0, m_composite);
}

void WaveImage::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit mouseDown(at.x(), at.y(), event->button());
}

void WaveImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit mouseMoved(at.x(), at.y(), event->buttons());
}

void WaveImage::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit mouseUp(at.x(), at.y(), event->button());
}

void WaveImage::wheelEvent(QWheelEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit wheelTurned(at.x(), at.y(), event->angleDelta(), event->modifiers());
    event->accept();
}

void WaveImage::contextMenuEvent(QContextMenuEvent* event)
{
    emit popupRequested(event->globalPos());
}

} // namespace seiran::app
