// The arithmetic of the gradient renderer: the colour of each step and the
// shapes each fill style draws for it. Pure integer work with the platform's
// rounding rules and no platform header, so it is checked on the host too;
// TOxaGradient turns the shapes into GDI calls.
#pragma once
#include <cstdint>
#include <vector>

namespace components {

enum class TOxaFillStyle {
    Circle,
    Horizontal,
    Vertical,
    LeftBottom,
    RoundMiddle,
    SquareMiddle,
    Spectral,
    DoppelFlash,
    Singleflash,
    MiddleHBar,
    MiddleVBar,
    VerticalDoppelBar,
    HorizontalDoppelBar,
};
constexpr int OxaFillStyleCount = 13;

struct TRgb {
    uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TRgb&) const = default;
};

struct TGradientStepColors {
    TRgb Forward;  // the step's own colour; zero channels raised to 1
    TRgb Mirrored; // the colour of step N-1-i, exactly (Spectral's second pen)
};

// Colours of step `step` (0 ... count-1) of the segment from c1 to c2.
// count is at least 2.
TGradientStepColors GradientStepColors(TRgb c1, TRgb c2, int step, int count);

enum class TGradientShapeKind { Fill, Ellipse, Line };

// One shape in work-image pixels.
//   Fill:    X, Y, width A, height B (a pattern fill; never 0 wide or high)
//   Ellipse: corners (X, Y) and (A, B), right and bottom excluded; the
//            platform swaps corners given the wrong way round
//   Line:    from (X, Y) to (A, B), the end point excluded
struct TGradientShape {
    TGradientShapeKind Kind = TGradientShapeKind::Fill;
    int X = 0, Y = 0, A = 0, B = 0;
    bool Mirrored = false; // draw with the mirrored colour (Spectral's even lines)
    bool operator==(const TGradientShape&) const = default;
};

// The area a gradient is drawn into and how it is divided.
struct TGradientArea {
    int Width = 0;
    int Height = 0;
    int Segments = 1; // colour list entries minus one, at least 1
    int Steps = 32;   // ColorCount, 2 ... 255
};

// The pixels a Fill shape covers, its width and height taken from its
// corner in the direction of their sign.
struct TGradientBox {
    int Left, Top, Right, Bottom; // right and bottom excluded
};
TGradientBox FillBox(const TGradientShape& fill);

// How the colours of a gradient's area run: each row in one colour, each
// column in one colour, or neither.
enum class TGradientBands { None, Rows, Columns };

// The bands of the whole gradient (every segment and step) over the area.
TGradientBands GradientBands(TOxaFillStyle style, const TGradientArea& area);

// Appends the shapes of step `step` of segment `segment`, in drawing order.
// Width and Height are expected within 1 ... 1 << 24.
void AppendGradientShapes(TOxaFillStyle style, const TGradientArea& area, int segment, int step,
                          std::vector<TGradientShape>& shapes);

} // namespace components
