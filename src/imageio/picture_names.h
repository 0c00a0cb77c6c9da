#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "imageio/plot_page.h"
#include "sketch/start_values.h"

namespace carbonel {

// JPEG and BMP have exact decoders of our own; each other kind is read through its format's own
// library. Heif covers HEIC and AVIF.
enum class PhotoKind { Jpeg, Bmp, Png, Tiff, Webp, Gif, Heif };

// How a photo is read: turned upright by its camera's orientation tag, or as stored.
enum class PhotoReading { Upright, AsStored };

// How the lines of an SVG or PDF file are drawn: as filled outlines, or as single strokes along
// their middles (a pen plotter or a cutter then follows each line once).
enum class TraceMode { Outline, Centerline };

// What a traced drawing's paths come to, told when asked for (`--stats`): in millimetres on a
// page, else in pixels.
struct TraceReport {
    long long paths = 0;
    double drawn = 0;  // the length the pen draws
    double penUp = 0;  // the length it travels lifted, from the page's corner on
    long long lifts = 0;
    bool millimetres = false;
};

// How a sketch is traced into the lines of an SVG or PDF file.
struct TraceOptions {
    // The darkness from which a pixel is a line; none: between the sketch's own paper and line
    // tones.
    std::optional<int> threshold;
    int speckle = kSpeckle.start;  // blobs of at most this many pixels are dropped
    double smooth = kStartSmooth;  // 0..kMaxSmooth
    TraceMode mode = TraceMode::Outline;
    std::optional<PlotPage> page;         // none: the sketch's pixels at 96 dots per inch
    std::optional<double> penWidth;       // mm, on a page; none: the drawing's median line width
    std::shared_ptr<TraceReport> report;  // filled in when set
};

// How photo files are read and sketch files written, beside the conversion's own options.
struct FileOptions {
    PhotoReading reading = PhotoReading::Upright;
    int jpegQuality = kJpegQuality.start;
    int pngLevel = kPngLevel.start;
    TraceOptions trace;
    // A picture file laid as paper under each raster sketch, read only as far as that sketch needs
    // it, where the conversion options hold no paper of their own; "" for none.
    std::string paper;
};

// The formats a sketch is written in: JPEG, 24-bit BMP, 8-bit RGB PNG, a placeable Windows
// metafile, an enhanced metafile, its dark lines traced into curves as SVG or PDF, or a lossless
// WebP. What each is lies in its row of output_formats.h.
enum class OutputFormat { Jpeg, Bmp, Png, Wmf, Emf, Svg, Pdf, Webp };

// Whether a format holds traced lines rather than the sketch's pixels.
bool isVectorFormat(OutputFormat format);

// The extension of a path's own file name, with its dot ("photo.Jpg" gives ".Jpg"), or "".
std::string fileExtension(const std::string& path);

// A photo's kind, from its file name's own extension, case-insensitively: ".jpg" and ".jpeg" are
// JPEG, ".bmp" BMP, ".png" PNG, ".tif" and ".tiff" TIFF, ".webp" WebP, ".gif" GIF, ".heic",
// ".heif" and ".avif" HEIF. Any other
// fails with "Unknown picture file extension (.%s)".
PhotoKind photoKindFor(const std::string& path);

// The usual extension of a photo kind, without its dot ("jpg", "bmp", "png", "tif", "webp",
// "gif", "heic").
const char* photoKindExtension(PhotoKind kind);

// Whether the photo kind is known for this name (photoKindFor would not fail).
bool isPhotoName(const std::string& path);

// A photo's kind from its first bytes (at least 12 for WebP); fails with "Unknown picture format"
// for anything else.
PhotoKind photoKindOfBytes(const unsigned char* bytes, std::size_t size);

// The name a sketch of this format is saved under: the format's extension is appended unless the
// name's own extension already is one of that format's family (".jpg" or ".jpeg" for JPEG, ".wmf"
// or ".emf" for either metafile, which gets ".wmf").
std::string saveNameFor(const std::string& path, OutputFormat format);

// The format an output name asks for (".jpg", ".jpeg", ".bmp", ".png", ".wmf", ".emf", ".svg",
// ".pdf"); any other fails with "Unknown picture file extension (.%s)".
OutputFormat outputFormatFor(const std::string& path);
// The same, or none for a name whose extension names no format.
std::optional<OutputFormat> outputFormatOfName(const std::string& path);

// The format a `--format` value names ("jpg", "bmp", "png", "wmf", "emf", "svg", "pdf"), or
// none.
std::optional<OutputFormat> outputFormatNamed(const std::string& name);

// The usual extension of a format, with its dot (".jpg", ".svg").
const char* outputExtension(OutputFormat format);

}  // namespace carbonel
