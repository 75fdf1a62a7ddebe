#pragma once

#include "render/Canvas.h"

#include <QFont>
#include <QImage>
#include <QLine>
#include <QPainter>

#include <array>
#include <vector>

namespace seiran {

// The canvas of the wave image: a QPainter on a QImage, held for the canvas's life (one redraw).
// Texts use VL PGothic (proportional) and VL Gothic (fixed), the Gothic faces that draw Japanese
// as glyphs. Fonts need a QGuiApplication.
class QtImageCanvas final : public Canvas {
public:
    explicit QtImageCanvas(QImage& image);
    QtImageCanvas(const QtImageCanvas&) = delete;
    QtImageCanvas& operator=(const QtImageCanvas&) = delete;
    ~QtImageCanvas() override;

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    void setPen(const Pen& pen) override;
    void drawLine(int x1, int y1, int x2, int y2) override;
    void drawLines(std::span<const LineSegment> lines) override;
    void drawPolyline(std::span<const CanvasPoint> points) override;
    void fillRect(int x, int y, int w, int h, Rgb colour) override;
    void setFont(const CanvasFont& font) override;
    void drawText(int x, int y, const QString& text, Rgb colour) override;
    int textWidth(const QString& text) override;

    // The font family a face is drawn with.
    static QFont fontFor(const CanvasFont& font);

private:
    void updateMetrics();

    int m_width;
    int m_height;
    QPainter m_painter;
    QPen m_qpen;
    CanvasFont m_font{};
    bool m_fontSet = false;
    int m_ascent = 0;
    std::array<int, 128> m_asciiAdvance{}; // text widths are summed from these for plain ASCII
    std::vector<QLine> m_lines;            // reused conversion buffer
    std::vector<QPoint> m_points;
};

} // namespace seiran
