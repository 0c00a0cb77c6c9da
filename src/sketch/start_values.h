#pragma once

namespace carbonel {

// The start value and the range of every setting, shared by the window, the command-line tool, the
// kept settings and the tests: the window's sliders and the tool's options both keep to these.
struct SettingRange {
    int lowest;
    int highest;
    int start;
    constexpr int clamp(int value) const {
        return value < lowest ? lowest : value > highest ? highest : value;
    }
    constexpr bool holds(int value) const { return lowest <= value && value <= highest; }
};

// Precision: higher finds fainter edges; the edge threshold is 200 - Precision.
inline constexpr SettingRange kPrecision{0, 200, 170};
// Line: how far apart the compared pixels lie.
inline constexpr SettingRange kLine{1, 15, 1};
// The freehand brush's radius, in pixels of the sketch pane.
inline constexpr SettingRange kBrushSize{1, 62, 32};
// The quality of the sketches written as JPEG.
inline constexpr SettingRange kJpegQuality{1, 100, 20};
// zlib's level for the sketches written as PNG: a fast one keeps PNG at the codec's speed, and a
// sketch's long runs of paper compress well at any level.
inline constexpr SettingRange kPngLevel{1, 9, 2};

// Tracing a sketch into vector lines (SVG, PDF): the darkness from which a pixel counts as a line,
// and the largest blob, in pixels, dropped as dust.
inline constexpr SettingRange kTraceThreshold{0, 255, 128};
inline constexpr SettingRange kSpeckle{0, 100000000, 2};
// How round the traced lines are: potrace's corner threshold, 0 (all corners) to 4/3 (none).
inline constexpr double kMaxSmooth = 4.0 / 3.0;
inline constexpr double kStartSmooth = 1.0;

// Pen, Pencil and Pastel sketch; Brush paints the photo's mean colour; Eraser paints white.
enum class PenStyle { Pen, Pencil, Pastel, Brush, Eraser };
inline constexpr PenStyle kStartStyle = PenStyle::Pencil;

// How a paper is laid under the strokes.
enum class TextureFit { Tile, Stretch };
inline constexpr TextureFit kStartTextureFit = TextureFit::Tile;

// The darkness from which a pixel of a sketch in this style counts as a line: Pencil's light
// shading is left out of its lines.
// Whether a style sketches (Pen, Pencil, Pastel) rather than paints (Brush, Eraser).
constexpr bool isSketchStyle(PenStyle style) {
    return style == PenStyle::Pen || style == PenStyle::Pencil || style == PenStyle::Pastel;
}

}  // namespace carbonel
