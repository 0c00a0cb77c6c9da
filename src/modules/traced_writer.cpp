#include "imageio/traced_writer.h"

// The traced writer: a module of its own, loaded only when an SVG or PDF is written, so that
// cairo and potrace are not loaded by every run of the programs.

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <potracelib.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "imageio/line_threshold.h"
#include "imageio/module_abi.h"
#include "imageio/plot_page.h"
#include "sketch/error.h"
#include "vector/centerline.h"
#include "vector/path_order.h"
#include "vector/wide_lines.h"

namespace carbonel {
namespace {

constexpr int kWordBits = static_cast<int>(sizeof(potrace_word) * CHAR_BIT);
// Each sketch pixel is traced as 2 x 2 bitmap pixels: potrace straightens every outline within
// half a bitmap pixel, which on lines one sketch pixel wide would shift them by half their width;
// at twice the size the lines keep their pixels (rendered back, 0.95 of them on typical photos
// against 0.7).
constexpr int kOversampling = 2;
// A sketch pixel at 96 dots per inch, and a millimetre, in PDF points.
constexpr double kPointsPerPixel = 72.0 / 96.0;
constexpr double kPointsPerMillimetre = 72.0 / 25.4;

// Potrace's memory and time, and cairo's after it, grow with the length of the outlines: each
// bitmap pixel edge between a dark and a light pixel is a point of a path. Random noise and a
// one-pixel checkerboard, whose paths are the shortest, took up to 146 bytes an edge in all.
constexpr double kBytesPerEdge = 160;
// What the bitmap, potrace's copy of it and the outlines may take together, leaving the rest of
// half a GiB to the conversion.
constexpr double kTraceMemory = 448.0 * 1024 * 1024;
// A PDF of noise took 2.4 microseconds an edge on two busy cores: this many stay within seconds.
constexpr std::int64_t kMostEdges = 3000000;

cairo_status_t writeTo(void* closure, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<std::FILE*>(closure)) == length
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// The PDF's creation date: SOURCE_DATE_EPOCH's where it is set, so that builds of the same sketch
// are the same bytes; otherwise none (cairo leaves out a date it cannot read, and would write the
// clock's).
std::string creationDate() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || !*epoch) return "";
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (*end || seconds < 0 || !gmtime_r(&time, &utc)) return "";
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) ? text : "";
}

// Cairo names an SVG drawing's group after a count of the surfaces the process has made, so the
// same sketch would differ between a batch and a single conversion: it is always the first. The
// name is near the start, so only the start is held back; the rest goes straight to the file
// instead of being held a second time beside cairo's copy.
class SvgNaming {
  public:
    explicit SvgNaming(std::FILE* out) : out_(out) {}

    static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length) {
        return static_cast<SvgNaming*>(closure)->take(reinterpret_cast<const char*>(data), length)
                   ? CAIRO_STATUS_SUCCESS
                   : CAIRO_STATUS_WRITE_ERROR;
    }

    // Writes what is still held back (a drawing without the name).
    bool flush() {
        if (passing_) return true;
        passing_ = true;
        return put(head_.data(), head_.size());
    }

  private:
    bool take(const char* data, std::size_t length) {
        if (passing_) return put(data, length);
        head_.append(data, length);
        const std::string id = "<g id=\"surface";
        const std::size_t at = head_.find(id);
        const std::size_t end = at == std::string::npos ? at : head_.find('"', at + id.size());
        if (end != std::string::npos) {
            head_ = head_.substr(0, at + id.size()) + "1" + head_.substr(end);
        } else if (head_.size() < kHeld) {
            return true;
        }
        return flush();
    }

    bool put(const char* data, std::size_t length) {
        return std::fwrite(data, 1, length, out_) == length;
    }

    static constexpr std::size_t kHeld = 1 << 16;
    std::FILE* out_;
    std::string head_;
    bool passing_ = false;
};

// A coordinate to a quarter of a bitmap pixel (an eighth of a sketch pixel), which the files
// write in two decimals at most instead of six.
double quarter(double v) {
    return std::round(v * 4) / 4;
}

// Potrace's closed outlines as paths in sketch pixels: the holes are paths of their own, so the
// even-odd rule leaves them empty.
std::vector<vec::Path> outlinePaths(const potrace_path_t* path) {
    auto point = [](const potrace_dpoint_t& p) {
        return vec::Point{quarter(p.x) / kOversampling, quarter(p.y) / kOversampling};
    };
    std::vector<vec::Path> paths;
    for (; path; path = path->next) {
        const potrace_curve_t& curve = path->curve;
        if (curve.n == 0) continue;
        vec::Path outline;
        outline.closed = true;
        outline.start = point(curve.c[curve.n - 1][2]);
        for (int i = 0; i < curve.n; ++i) {
            const potrace_dpoint_t* c = curve.c[i];
            if (curve.tag[i] == POTRACE_CORNER) {
                outline.segments.push_back({{}, {}, point(c[1]), false});
                outline.segments.push_back({{}, {}, point(c[2]), false});
            } else {
                outline.segments.push_back({point(c[0]), point(c[1]), point(c[2]), true});
            }
        }
        paths.push_back(std::move(outline));
    }
    return paths;
}

// Sketch pixels to the drawing's own units: millimetres on a page, else pixels.
struct Placement {
    double scale = 1, left = 0, top = 0;
    vec::Point operator()(vec::Point p) const { return {left + p.x * scale, top + p.y * scale}; }
};

void place(std::vector<vec::Path>& paths, const Placement& at) {
    for (vec::Path& path : paths) {
        path.start = at(path.start);
        for (vec::Segment& segment : path.segments) {
            segment.control1 = at(segment.control1);
            segment.control2 = at(segment.control2);
            segment.end = at(segment.end);
        }
    }
}

void addPath(cairo_t* cairo, const vec::Path& path) {
    cairo_move_to(cairo, path.start.x, path.start.y);
    for (const vec::Segment& s : path.segments) {
        if (s.curved) {
            cairo_curve_to(cairo, s.control1.x, s.control1.y, s.control2.x, s.control2.y, s.end.x,
                           s.end.y);
        } else {
            cairo_line_to(cairo, s.end.x, s.end.y);
        }
    }
    if (path.closed) cairo_close_path(cairo);
}

// A number as the drawing writes it: to a hundredth, without trailing zeros.
void putNumber(std::string& text, double value) {
    const long long hundredths = std::llround(value * 100);
    if (hundredths < 0) text += '-';
    const long long magnitude = std::llabs(hundredths);
    text += std::to_string(magnitude / 100);
    if (const long long fraction = magnitude % 100; fraction != 0) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
    }
}

void putPoint(std::string& text, vec::Point p) {
    putNumber(text, p.x);
    text += ' ';
    putNumber(text, p.y);
}

// Single strokes as SVG, written directly: one <path> element a stroke, in drawing order, so a
// plotter's program sees each line once and in the order that keeps the pen-up travel short.
void writeStrokesSvg(std::FILE* out, const std::vector<vec::Path>& paths, double width,
                     double height, const char* unit, double penWidth) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
        "width=\"";
    putNumber(text, width);
    text += unit;
    text += "\" height=\"";
    putNumber(text, height);
    text += unit;
    text += "\" viewBox=\"0 0 ";
    putPoint(text, {width, height});
    text += "\" version=\"1.1\">\n<g fill=\"none\" stroke=\"#000000\" stroke-width=\"";
    putNumber(text, penWidth);
    text += "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    auto put = [&](bool last) {
        if (text.size() < (std::size_t(1) << 16) && !last) return;
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size())
            throw Error("Cannot write the drawing: write error");
        text.clear();
    };
    for (const vec::Path& path : paths) {
        text += "<path d=\"M ";
        putPoint(text, path.start);
        for (const vec::Segment& s : path.segments) {
            if (s.curved) {
                text += " C ";
                putPoint(text, s.control1);
                text += ' ';
                putPoint(text, s.control2);
                text += ' ';
            } else {
                text += " L ";
            }
            putPoint(text, s.end);
        }
        text += path.closed ? " Z\"/>\n" : "\"/>\n";
        put(false);
    }
    text += "</g>\n</svg>\n";
    put(true);
}

class TracedWriter : public SketchWriter {
  public:
    TracedWriter(OutputFormat format, std::FILE* out, const SketchFrame& frame)
        : format_(format), out_(out), frame_(frame) {
        bitmap_.w = frame.width * kOversampling;
        bitmap_.h = frame.height * kOversampling;
        bitmap_.dy = (bitmap_.w + kWordBits - 1) / kWordBits;
        const double bitmapBytes =
            double(bitmap_.dy) * double(bitmap_.h) * double(sizeof(potrace_word));
        // The darkness plane is freed once the bitmap is made, before potrace runs.
        mostEdges_ = std::min<std::int64_t>(
            kMostEdges, static_cast<std::int64_t>(std::max(0.0, kTraceMemory - 2 * bitmapBytes) /
                                                  kBytesPerEdge));
        // A page too small for its margins fails before any row.
        if (frame.trace.page) page_ = layOnPage(*frame.trace.page, frame.width, frame.height);
    }

    // Each row's darkness is kept: the line threshold may come from the whole sketch's tones.
    void writeRow(int y, const std::uint8_t* row) override {
        makePlane();
        std::uint8_t* line = darkness_.data() + std::size_t(frame_.width) * std::size_t(y);
        for (int x = 0; x < frame_.width; ++x, row += 3) {
            const int brightness = (row[0] * 114 + row[1] * 587 + row[2] * 299 + 500) / 1000;
            line[x] = static_cast<std::uint8_t>(255 - brightness);
            ++histogram_[line[x]];
        }
        // A threshold given is known now: a sketch too detailed to trace fails at its first rows.
        if (frame_.trace.threshold) countEdges(y, *frame_.trace.threshold);
    }

    void finish() override {
        makePlane();
        const int threshold =
            frame_.trace.threshold ? *frame_.trace.threshold : lineThreshold(histogram_);
        if (!frame_.trace.threshold) {
            for (int y = 0; y < frame_.height; ++y) countEdges(y, threshold);
        }
        Placement placement;
        if (frame_.trace.page) placement = {page_.scale, page_.left, page_.top};
        double penWidth = 0;
        std::vector<vec::Path> paths;
        if (frame_.trace.mode == TraceMode::Centerline) {
            std::vector<std::uint8_t> lines(darkness_.size());
            for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = darkness_[i] >= threshold;
            darkness_ = {};
            vec::CenterlineDrawing drawing =
                vec::traceCenterlines(frame_.width, frame_.height, lines);
            paths = std::move(drawing.paths);
            const double pen = frame_.trace.penWidth ? *frame_.trace.penWidth / placement.scale
                                                     : std::max(1.0, drawing.lineWidth);
            std::vector<vec::Path> beside =
                vec::strokesBesideWideLines(frame_.width, frame_.height, lines, paths, pen);
            paths.insert(paths.end(), beside.begin(), beside.end());
            penWidth = frame_.trace.penWidth.value_or(pen * placement.scale);
        } else {
            paths = traceOutlines(threshold);
        }
        place(paths, placement);
        // Fewer and shorter moves with the pen up; ends that meet become one stroke.
        if (frame_.trace.mode == TraceMode::Centerline)
            paths = vec::mergeTouchingPaths(std::move(paths), placement.scale);
        paths = vec::orderPaths(std::move(paths));
        if (const std::shared_ptr<TraceReport>& report = frame_.trace.report) {
            report->paths = static_cast<long long>(paths.size());
            report->drawn = vec::drawnLength(paths);
            report->penUp = vec::penUpLength(paths);
            report->lifts = static_cast<long long>(vec::penLifts(paths));
            report->millimetres = frame_.trace.page.has_value();
        }
        draw(paths, penWidth);
    }

  private:
    // The plane is made once rows come: a photo refused before its rows costs nothing here.
    void makePlane() {
        if (!darkness_.empty() || frame_.width <= 0 || frame_.height <= 0) return;
        try {
            darkness_.assign(std::size_t(frame_.width) * std::size_t(frame_.height), 0);
        } catch (const std::bad_alloc&) {
            throw Error("Cannot trace the sketch: out of memory");
        }
    }

    // Counts row y's pixel edges between line and paper (the outside counting as paper), which the
    // outlines' length and cost follow, and refuses a sketch past the most its size allows.
    void countEdges(int y, int threshold) {
        const std::uint8_t* line = darkness_.data() + std::size_t(frame_.width) * std::size_t(y);
        const std::uint8_t* above = y > 0 ? line - frame_.width : nullptr;
        std::int64_t changes = 0;
        bool left = false;
        for (int x = 0; x < frame_.width; ++x) {
            const bool dark = line[x] >= threshold;
            changes += dark != left;
            left = dark;
            changes += dark != (above && above[x] >= threshold);
            if (y == frame_.height - 1) changes += dark;
        }
        changes += left;
        edges_ += changes * kOversampling;
        if (edges_ > mostEdges_) {
            throw Error("The sketch is too detailed to trace: its outlines pass " +
                        std::to_string(mostEdges_) +
                        " pixel edges, the most for its size, by row " + std::to_string(y + 1) +
                        " of " + std::to_string(frame_.height) +
                        "; raise --threshold, lower --precision or scale the photo down");
        }
    }

    // The lines' outlines, traced by potrace at twice the sketch's size.
    std::vector<vec::Path> traceOutlines(int threshold) {
        std::vector<potrace_word> bits;
        try {
            bits.assign(static_cast<std::size_t>(bitmap_.dy) * std::size_t(bitmap_.h), 0);
        } catch (const std::bad_alloc&) {
            throw Error("Cannot trace the sketch: out of memory");
        }
        bitmap_.map = bits.data();
        for (int y = 0; y < frame_.height; ++y) {
            const std::uint8_t* row = darkness_.data() + std::size_t(frame_.width) * std::size_t(y);
            potrace_word* line =
                bits.data() + static_cast<std::size_t>(bitmap_.dy) * std::size_t(y) * kOversampling;
            for (int x = 0; x < frame_.width; ++x) {
                if (row[x] < threshold) continue;
                for (int bx = x * kOversampling; bx < (x + 1) * kOversampling; ++bx)
                    line[bx / kWordBits] |= potrace_word{1} << (kWordBits - 1 - bx % kWordBits);
            }
            // The other lines of the pixel's square are the same.
            for (int copy = 1; copy < kOversampling; ++copy)
                std::copy(line, line + bitmap_.dy, line + std::size_t(bitmap_.dy) * copy);
        }
        darkness_ = {};
        std::unique_ptr<potrace_param_t, decltype(&potrace_param_free)> param(
            potrace_param_default(), potrace_param_free);
        if (!param) throw Error("Cannot trace the sketch: out of memory");
        param->turdsize = static_cast<int>(std::min<long long>(
            INT_MAX, static_cast<long long>(frame_.trace.speckle) * kOversampling * kOversampling));
        param->alphamax = frame_.trace.smooth;
        std::unique_ptr<potrace_state_t, decltype(&potrace_state_free)> traced(
            potrace_trace(param.get(), &bitmap_), potrace_state_free);
        if (!traced || traced->status != POTRACE_STATUS_OK)
            throw Error("Cannot trace the sketch: out of memory");
        return outlinePaths(traced->plist);
    }

    // Draws the paths with cairo, so SVG and PDF come from the same curves: outlines filled,
    // single strokes stroked with round ends, each its own path in the file.
    void draw(const std::vector<vec::Path>& paths, double penWidth) {
        const bool pdf = format_ == OutputFormat::Pdf;
        const bool onPage = frame_.trace.page.has_value();
        if (!pdf && frame_.trace.mode == TraceMode::Centerline) {
            writeStrokesSvg(out_, paths, onPage ? page_.width : frame_.width,
                            onPage ? page_.height : frame_.height, onPage ? "mm" : "px", penWidth);
            return;
        }
        // The drawing's units: millimetres on a page, else pixels (96 to the inch).
        const double unit = pdf ? (onPage ? kPointsPerMillimetre : kPointsPerPixel) : 1.0;
        const double width = (onPage ? page_.width : frame_.width) * unit;
        const double height = (onPage ? page_.height : frame_.height) * unit;
        SvgNaming svg(out_);
        cairo_surface_t* surface =
            pdf ? cairo_pdf_surface_create_for_stream(writeTo, out_, width, height)
                : cairo_svg_surface_create_for_stream(SvgNaming::write, &svg, width, height);
        if (pdf)
            cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE,
                                           creationDate().c_str());
        else
            cairo_svg_surface_set_document_unit(surface,
                                                onPage ? CAIRO_SVG_UNIT_MM : CAIRO_SVG_UNIT_PX);
        cairo_t* cairo = cairo_create(surface);
        cairo_scale(cairo, unit, unit);
        cairo_set_source_rgb(cairo, 0, 0, 0);
        if (frame_.trace.mode == TraceMode::Centerline) {
            cairo_set_line_width(cairo, penWidth);
            cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
            // One stroke of many subpaths: each is drawn on its own, with the pen lifted between.
            for (const vec::Path& path : paths) addPath(cairo, path);
            cairo_stroke(cairo);
        } else {
            for (const vec::Path& path : paths) addPath(cairo, path);
            cairo_set_fill_rule(cairo, CAIRO_FILL_RULE_EVEN_ODD);
            cairo_fill(cairo);
        }
        cairo_destroy(cairo);
        cairo_surface_finish(surface);
        cairo_status_t status = cairo_surface_status(surface);
        cairo_surface_destroy(surface);
        if (status == CAIRO_STATUS_SUCCESS && !pdf && !svg.flush())
            status = CAIRO_STATUS_WRITE_ERROR;
        if (status != CAIRO_STATUS_SUCCESS)
            throw Error(std::string("Cannot write the drawing: ") + cairo_status_to_string(status));
    }

    OutputFormat format_;
    std::FILE* out_;
    SketchFrame frame_;
    potrace_bitmap_t bitmap_{};
    std::vector<std::uint8_t> darkness_;  // 255 less each pixel's brightness, made by the first row
    DarknessHistogram histogram_{};
    std::int64_t edges_ = 0;  // the outlines' length so far, in bitmap pixel edges
    std::int64_t mostEdges_;
    PageLayout page_;  // where the drawing lies on its page, when it has one
};

SketchWriter* openWriter(OutputFormat format, std::FILE* out, const SketchFrame* frame) {
    return new TracedWriter(format, out, *frame);
}

}  // namespace
}  // namespace carbonel

const carbonel::CarbonelModule* carbonel_module() {
    static constexpr carbonel::CarbonelModule table{.abi = carbonel::kModuleAbi,
                                                    .openPhotoRows = nullptr,
                                                    .openSketchWriter = carbonel::openWriter,
                                                    .openAnimationWriter = nullptr,
                                                    .openVideoSource = nullptr,
                                                    .openVideoEncoder = nullptr};
    return &table;
}
