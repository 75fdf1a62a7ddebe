#include "render/RecordingCanvas.h"

namespace seiran {

namespace {

RecordingCanvas::Call callOf(RecordingCanvas::Kind kind, const Pen& pen, const CanvasFont& font)
{
    RecordingCanvas::Call call;
    call.kind = kind;
    call.pen = pen;
    call.font = font;
    return call;
}

} // namespace

RecordingCanvas::RecordingCanvas(int width, int height, int narrowAdvance, int wideAdvance)
    : m_width(width), m_height(height), m_narrowAdvance(narrowAdvance), m_wideAdvance(wideAdvance)
{
}

void RecordingCanvas::setPen(const Pen& pen)
{
    m_pen = pen;
    m_calls.push_back(callOf(Kind::SetPen, pen, m_font));
}

void RecordingCanvas::drawLine(int x1, int y1, int x2, int y2)
{
    Call call = callOf(Kind::Line, m_pen, m_font);
    call.lines.push_back({x1, y1, x2, y2});
    m_calls.push_back(std::move(call));
}

void RecordingCanvas::drawLines(std::span<const LineSegment> lines)
{
    Call call = callOf(Kind::Lines, m_pen, m_font);
    call.lines.assign(lines.begin(), lines.end());
    m_calls.push_back(std::move(call));
}

void RecordingCanvas::drawPolyline(std::span<const CanvasPoint> points)
{
    Call call = callOf(Kind::Polyline, m_pen, m_font);
    call.points.assign(points.begin(), points.end());
    m_calls.push_back(std::move(call));
}

void RecordingCanvas::fillRect(int x, int y, int w, int h, Rgb colour)
{
    Call call = callOf(Kind::FillRect, m_pen, m_font);
    call.x = x;
    call.y = y;
    call.w = w;
    call.h = h;
    call.colour = colour;
    m_calls.push_back(std::move(call));
}

void RecordingCanvas::setFont(const CanvasFont& font)
{
    m_font = font;
    m_calls.push_back(callOf(Kind::SetFont, m_pen, font));
}

void RecordingCanvas::drawText(int x, int y, const QString& text, Rgb colour)
{
    Call call = callOf(Kind::Text, m_pen, m_font);
    call.x = x;
    call.y = y;
    call.colour = colour;
    call.text = text;
    m_calls.push_back(std::move(call));
}

int RecordingCanvas::textWidth(const QString& text)
{
    int w = 0;
    for (QChar c : text)
        w += c.unicode() < 0x100 ? m_narrowAdvance : m_wideAdvance;
    return w;
}

int RecordingCanvas::count(Kind kind) const
{
    int n = 0;
    for (const Call& c : m_calls)
        n += c.kind == kind ? 1 : 0;
    return n;
}

std::vector<RecordingCanvas::DrawnSegment> RecordingCanvas::segments() const
{
    std::vector<DrawnSegment> out;
    for (const Call& c : m_calls) {
        if (c.kind == Kind::Line || c.kind == Kind::Lines) {
            for (const LineSegment& l : c.lines)
                out.push_back({l, c.pen});
        } else if (c.kind == Kind::Polyline) {
            for (std::size_t i = 1; i < c.points.size(); ++i)
                out.push_back({{c.points[i - 1].x, c.points[i - 1].y, c.points[i].x, c.points[i].y}, c.pen});
        }
    }
    return out;
}

std::vector<RecordingCanvas::DrawnText> RecordingCanvas::texts() const
{
    std::vector<DrawnText> out;
    for (const Call& c : m_calls) {
        if (c.kind == Kind::Text)
            out.push_back({c.x, c.y, c.text, c.colour});
    }
    return out;
}

} // namespace seiran
