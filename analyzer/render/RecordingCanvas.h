#pragma once

#include "render/Canvas.h"

#include <vector>

namespace seiran {

// A canvas for tests: keeps every call in order and measures text with fixed advances (one for
// Latin-1 characters, one for the rest), so tests can work out where a text must go.
class RecordingCanvas final : public Canvas {
public:
    enum class Kind { SetPen, Line, Lines, Polyline, FillRect, SetFont, Text };

    struct Call {
        Kind kind = Kind::SetPen;
        Pen pen;                          // SetPen, and the pen in force for the drawing calls
        std::vector<LineSegment> lines;   // Line (one), Lines
        std::vector<CanvasPoint> points;  // Polyline
        int x = 0, y = 0, w = 0, h = 0;   // FillRect; Text (x, y)
        Rgb colour;                       // FillRect, Text
        CanvasFont font;                  // SetFont, and the font in force for Text
        QString text;                     // Text
    };

    // A drawn segment with the pen it was drawn with (lines, batches and polylines flattened).
    struct DrawnSegment {
        LineSegment line;
        Pen pen;
    };

    struct DrawnText {
        int x = 0;
        int y = 0;
        QString text;
        Rgb colour;
    };

    RecordingCanvas(int width, int height, int narrowAdvance = 7, int wideAdvance = 13);

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

    const std::vector<Call>& calls() const { return m_calls; }
    int count(Kind kind) const;
    std::vector<DrawnSegment> segments() const;
    std::vector<DrawnText> texts() const;
    void clear() { m_calls.clear(); }

private:
    int m_width;
    int m_height;
    int m_narrowAdvance;
    int m_wideAdvance;
    Pen m_pen;
    CanvasFont m_font;
    std::vector<Call> m_calls;
};

} // namespace seiran
