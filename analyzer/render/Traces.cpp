#include "render/Traces.h"

#include <algorithm>

namespace seiran {

namespace {

constexpr int kCrossHalfWidth = 2;
constexpr int kNoTextGap = 6;     // gaps below this stay empty
constexpr int kTextPadding = 2;   // a value needs its width plus this

} // namespace

QString BusValueText(std::uint64_t value, int channels, bool hex)
{
    if (hex)
        return QStringLiteral("%1").arg(value, (channels + 3) / 4, 16, QLatin1Char('0')).toUpper();
    return QString::number(value);
}

void BusTrace::close(int end, bool endIsCross)
{
    const int left = m_startIsCross ? m_start + kCrossHalfWidth : m_start;
    const int right = endIsCross ? end - kCrossHalfWidth : end;
    if (right >= left) {
        m_out->push_back({left, m_top, right, m_top});
        m_out->push_back({left, m_bottom, right, m_bottom});
    }
    // Texts go into the part of the gap that is inside the window, so a long value that starts
    // off screen is still written where it can be read.
    const int from = std::max(m_start, 0);
    const int to = std::min(end, m_right);
    const int gap = to - from;
    if (gap < kNoTextGap)
        return;
    QString text = BusValueText(m_value, m_channels, m_hex);
    int width = m_canvas->textWidth(text);
    if (gap < width + kTextPadding) {
        text = QStringLiteral("-");
        width = m_canvas->textWidth(text);
    }
    m_canvas->drawText(from + (gap - width) / 2, m_textY, text, m_textColour);
}

} // namespace seiran
