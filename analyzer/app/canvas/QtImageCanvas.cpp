#include "QtImageCanvas.h"

#include <QFontMetrics>
#include <QPen>

namespace seiran {

namespace {

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

} // namespace

QtImageCanvas::QtImageCanvas(QImage& image) : m_width(image.width()), m_height(image.height()), m_painter(&image)
{
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    setPen(Pen{});
}

QtImageCanvas::~QtImageCanvas() { m_painter.end(); }

QFont QtImageCanvas::fontFor(const CanvasFont& font)
{
    QFont f;
    f.setFamilies(font.face == FontFace::Fixed ? QStringList{QStringLiteral("VL Gothic"), QStringLiteral("VL PGothic")}
                                               : QStringList{QStringLiteral("VL PGothic"), QStringLiteral("VL Gothic")});
    f.setPixelSize(font.pixelSize);
    return f;
}

void QtImageCanvas::setPen(const Pen& pen)
{
    // Width 1 is Qt's cosmetic one-pixel pen; wider pens end flat so a two-pixel low line ends
    // where a one-pixel line would.
    m_qpen = QPen(toQColor(pen.colour), pen.width <= 1 ? 0 : pen.width, pen.dotted ? Qt::DotLine : Qt::SolidLine,
                  pen.width <= 1 ? Qt::SquareCap : Qt::FlatCap);
    m_painter.setPen(m_qpen);
}

void QtImageCanvas::drawLine(int x1, int y1, int x2, int y2) { m_painter.drawLine(x1, y1, x2, y2); }

void QtImageCanvas::drawLines(std::span<const LineSegment> lines)
{
    m_lines.resize(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        m_lines[i] = QLine(lines[i].x1, lines[i].y1, lines[i].x2, lines[i].y2);
    m_painter.drawLines(m_lines.data(), int(m_lines.size()));
}

void QtImageCanvas::drawPolyline(std::span<const CanvasPoint> points)
{
    m_points.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        m_points[i] = QPoint(points[i].x, points[i].y);
    m_painter.drawPolyline(m_points.data(), int(m_points.size()));
}

void QtImageCanvas::fillRect(int x, int y, int w, int h, Rgb colour) { m_painter.fillRect(x, y, w, h, toQColor(colour)); }

void QtImageCanvas::setFont(const CanvasFont& font)
{
    if (m_fontSet && font == m_font)
        return;
    m_font = font;
    m_fontSet = true;
    m_painter.setFont(fontFor(font));
    updateMetrics();
}

void QtImageCanvas::updateMetrics()
{
    const QFontMetrics metrics(m_painter.font());
    m_ascent = metrics.ascent();
    for (int c = 0; c < int(m_asciiAdvance.size()); ++c)
        m_asciiAdvance[std::size_t(c)] = c < 32 ? 0 : metrics.horizontalAdvance(QChar(c));
}

void QtImageCanvas::drawText(int x, int y, const QString& text, Rgb colour)
{
    if (!m_fontSet)
        setFont(kWaveFont);
    m_painter.setPen(toQColor(colour));
    m_painter.drawText(x, y + m_ascent, text);
    m_painter.setPen(m_qpen);
}

int QtImageCanvas::textWidth(const QString& text)
{
    if (!m_fontSet)
        setFont(kWaveFont);
    int w = 0;
    for (QChar c : text) {
        if (c.unicode() >= m_asciiAdvance.size())
            return QFontMetrics(m_painter.font()).horizontalAdvance(text);
        w += m_asciiAdvance[c.unicode()];
    }
    return w;
}

} // namespace seiran
