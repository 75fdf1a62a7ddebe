#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace seiran {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kGridGrey{128, 128, 128};
inline constexpr Rgb kErrorRed{255, 0, 0};
inline constexpr Rgb kLabelBlue{0, 0, 255};

struct Pen {
    Rgb colour = kBlack;
    int width = 1;
    bool dotted = false;
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct LineSegment {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    friend bool operator==(const LineSegment&, const LineSegment&) = default;
};

struct CanvasPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CanvasPoint&, const CanvasPoint&) = default;
};

// The faces the waveform pictures use: the proportional Gothic of the grids and the fixed-pitch
// Gothic of the cursor grid.
enum class FontFace : std::uint8_t { Proportional, Fixed };

struct CanvasFont {
    FontFace face = FontFace::Proportional;
    int pixelSize = 13;
    friend bool operator==(const CanvasFont&, const CanvasFont&) = default;
};

// The font of every text drawn on the wave image (time labels, bus values, scale labels).
inline constexpr CanvasFont kWaveFont{FontFace::Proportional, 13};

// Where waveform pictures are drawn: the screen image, the bench image, the recording canvas of
// the tests. Coordinates are pixels from the top left; lines include both end points, as a
// one-pixel pen draws them. Lines use the current pen; texts carry their own colour.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;

    virtual void setPen(const Pen& pen) = 0;
    virtual void drawLine(int x1, int y1, int x2, int y2) = 0;
    // A batch of separate segments: the way a whole trace goes out in one call.
    virtual void drawLines(std::span<const LineSegment> lines) = 0;
    virtual void drawPolyline(std::span<const CanvasPoint> points) = 0;
    virtual void fillRect(int x, int y, int w, int h, Rgb colour) = 0;

    virtual void setFont(const CanvasFont& font) = 0;
    // The text's top left corner at (x, y), transparent background.
    virtual void drawText(int x, int y, const QString& text, Rgb colour) = 0;
    // Width in pixels of the text in the current font.
    virtual int textWidth(const QString& text) = 0;
};

} // namespace seiran
