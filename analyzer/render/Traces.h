#pragma once

// Building blocks of the row drawing shared by the bit-plane and the record walks: the edge scan
// over packed planes, and the segment builders of a single wire and of a bus.

#include "render/Canvas.h"
#include "render/PageView.h"
#include "view/SampleStorage.h"

#include <QString>

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace seiran {

inline bool PlaneBit(BitPlanes::ConstChannelWords words, int n)
{
    return (words[std::size_t(n) >> 6] >> (unsigned(n) & 63U)) & 1U;
}

// Finds level changes in one or more planes a word at a time: sample n "changes" when its level
// differs from that of sample n − 1 in any of the planes (sample 0 never does).
class PlaneScanner {
public:
    void add(BitPlanes::ConstChannelWords words)
    {
        if (m_count < int(m_planes.size()))
            m_planes[std::size_t(m_count++)] = words.data();
    }

    std::uint64_t changes(int wordIndex) const
    {
        std::uint64_t any = 0;
        for (int p = 0; p < m_count; ++p) {
            const std::uint64_t* w = m_planes[std::size_t(p)];
            const std::uint64_t word = w[wordIndex];
            const std::uint64_t before = wordIndex > 0 ? w[wordIndex - 1] >> 63 : word & 1U;
            any |= word ^ ((word << 1) | before);
        }
        return any;
    }

    // The first changing sample in [from, to), or `to` when there is none.
    int next(int from, int to) const
    {
        if (from >= to)
            return to;
        int wi = from >> 6;
        std::uint64_t bits = changes(wi) & (~std::uint64_t(0) << (unsigned(from) & 63U));
        for (;;) {
            if (bits) {
                const int n = (wi << 6) + std::countr_zero(bits);
                return n < to ? n : to;
            }
            if (++wi >= kWordsPerChannel || (wi << 6) >= to)
                return to;
            bits = changes(wi);
        }
    }

private:
    std::array<const std::uint64_t*, kMaxChannels + 1> m_planes{};
    int m_count = 0;
};

// How the heavy low line is drawn: on bit-plane pages with a two-pixel pen, on compressed pages
// as a second line one pixel above.
enum class HeavyLow { Off, WidePen, SecondLine };

// Segments of one single-wire trace. Changes are reported a pixel column at a time, so any number
// of changes on one x make one vertical line.
class WireTrace {
public:
    WireTrace() = default;
    // All four outputs may be the same buffer.
    WireTrace(const VisibleRow& row, HeavyLow heavy, std::vector<LineSegment>& thin,
              std::vector<LineSegment>& heavyOut, std::vector<LineSegment>& red, std::vector<LineSegment>& redHeavy)
        : m_high(row.highY), m_low(row.lowY), m_heavy(heavy), m_thin(&thin), m_heavyOut(&heavyOut), m_red(&red),
          m_redHeavy(&redHeavy)
    {
    }

    void start(int x, bool level, bool red = false)
    {
        m_x = x;
        m_level = level;
        m_isRed = red;
    }

    // Level changes in the column at x; the trace continues at levelAfter. The vertical line is red
    // when the column carries an error mark.
    void change(int x, bool levelAfter, bool redVertical, bool redAfter)
    {
        horizontal(x);
        (redVertical ? m_red : m_thin)->push_back({x, m_high, x, m_low});
        m_x = x;
        m_level = levelAfter;
        m_isRed = redAfter;
    }

    // The error mark changes at x without a level change.
    void recolour(int x, bool red)
    {
        if (red == m_isRed)
            return;
        horizontal(x);
        m_x = x;
        m_isRed = red;
    }

    void finish(int x) { horizontal(x); }
    bool level() const { return m_level; }

private:
    void horizontal(int x)
    {
        if (x <= m_x)
            return;
        const int y = m_level ? m_high : m_low;
        if (m_level || m_heavy == HeavyLow::Off) {
            (m_isRed ? m_red : m_thin)->push_back({m_x, y, x, y});
        } else if (m_heavy == HeavyLow::WidePen) {
            (m_isRed ? m_redHeavy : m_heavyOut)->push_back({m_x, y, x, y});
        } else {
            std::vector<LineSegment>& out = *(m_isRed ? m_red : m_thin);
            out.push_back({m_x, y, x, y});
            out.push_back({m_x, y - 1, x, y - 1});
        }
    }

    int m_high = 0;
    int m_low = 0;
    HeavyLow m_heavy = HeavyLow::Off;
    std::vector<LineSegment>* m_thin = nullptr;
    std::vector<LineSegment>* m_heavyOut = nullptr;
    std::vector<LineSegment>* m_red = nullptr;
    std::vector<LineSegment>* m_redHeavy = nullptr;
    int m_x = 0;
    bool m_level = false;
    bool m_isRed = false;
};

// The value a bus shows: hexadecimal with (channels + 3) div 4 digits for "HEX", else decimal.
QString BusValueText(std::uint64_t value, int channels, bool hex);

// Segments and texts of one bus row: a band between highY − 1 and lowY + 1 with a cross at every
// change; changes less than 2 pixels after a cross join it. The value between two crosses is
// written centred when it fits, "-" when only that fits, nothing in a gap under 6 pixels.
class BusTrace {
public:
    BusTrace() = default;
    BusTrace(const VisibleRow& row, bool hex, Canvas& canvas, std::vector<LineSegment>& out, int viewRight,
             Rgb textColour = kBlack)
        : m_top(row.highY - 1), m_bottom(row.lowY + 1), m_textY(row.highY + 1), m_channels(row.channels),
          m_hex(hex), m_canvas(&canvas), m_out(&out), m_right(viewRight), m_textColour(textColour)
    {
    }

    void start(int x, std::uint64_t value)
    {
        m_start = x;
        m_value = value;
        m_startIsCross = false;
    }

    bool joinsLastCross(int x) const { return m_startIsCross && x < m_start + 2; }

    // The value changes at x to `after`: a new cross, or part of the last one.
    void change(int x, std::uint64_t after)
    {
        if (!joinsLastCross(x)) {
            close(x, true);
            m_out->push_back({x - 2, m_bottom, x + 2, m_top});
            m_out->push_back({x - 2, m_top, x + 2, m_bottom});
            m_start = x;
            m_startIsCross = true;
        }
        m_value = after;
    }

    void finish(int x) { close(x, false); }

private:
    void close(int end, bool endIsCross);

    int m_top = 0;
    int m_bottom = 0;
    int m_textY = 0;
    int m_channels = 1;
    bool m_hex = true;
    Canvas* m_canvas = nullptr;
    std::vector<LineSegment>* m_out = nullptr;
    int m_right = 0;
    Rgb m_textColour = kBlack;
    int m_start = 0;
    bool m_startIsCross = false;
    std::uint64_t m_value = 0;
};

} // namespace seiran
