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

#include "imageio/module_abi.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr int kWordBits = static_cast<int>(sizeof(potrace_word) * CHAR_BIT);
// Each sketch pixel is traced as 2 x 2 bitmap pixels: potrace straightens every outline within
// half a bitmap pixel, which on lines one sketch pixel wide would shift them by half their width;
// at twice the size the lines keep their pixels (rendered back, 0.95 of them on typical photos
// against 0.7).
constexpr int kOversampling = 2;
// A sketch pixel at 96 dots per inch, in PDF points.
constexpr double kPointsPerPixel = 72.0 / 96.0;

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

// Every traced path into one outline: the holes are paths of their own, so the even-odd rule
// leaves them empty.
void addPaths(cairo_t* cairo, const potrace_path_t* path) {
    for (; path; path = path->next) {
        const potrace_curve_t& curve = path->curve;
        if (curve.n == 0) continue;
        const potrace_dpoint_t& start = curve.c[curve.n - 1][2];
        cairo_move_to(cairo, quarter(start.x), quarter(start.y));
        for (int i = 0; i < curve.n; ++i) {
            const potrace_dpoint_t* c = curve.c[i];
            if (curve.tag[i] == POTRACE_CORNER) {
                cairo_line_to(cairo, quarter(c[1].x), quarter(c[1].y));
                cairo_line_to(cairo, quarter(c[2].x), quarter(c[2].y));
            } else {
                cairo_curve_to(cairo, quarter(c[0].x), quarter(c[0].y), quarter(c[1].x),
                               quarter(c[1].y), quarter(c[2].x), quarter(c[2].y));
            }
        }
        cairo_close_path(cairo);
    }
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
        mostEdges_ = std::min<std::int64_t>(
            kMostEdges, static_cast<std::int64_t>(std::max(0.0, kTraceMemory - 2 * bitmapBytes) /
                                                  kBytesPerEdge));
    }

    // Scan line y of the bitmap is sketch row y, so the curves come in the sketch's own
    // coordinates, y downwards, as both SVG and cairo's pages take them.
    void writeRow(int y, const std::uint8_t* row) override {
        makeBitmap();
        potrace_word* line =
            bits_.data() + static_cast<std::size_t>(bitmap_.dy) * std::size_t(y) * kOversampling;
        const int threshold = frame_.trace.threshold;
        std::int64_t changes = 0;  // sketch pixel edges between dark and light, outside light
        bool left = false;
        for (int x = 0; x < frame_.width; ++x, row += 3) {
            const int brightness = (row[0] * 114 + row[1] * 587 + row[2] * 299 + 500) / 1000;
            const bool dark = 255 - brightness >= threshold;
            changes += dark != left;
            left = dark;
            if (!dark) continue;
            for (int bx = x * kOversampling; bx < (x + 1) * kOversampling; ++bx)
                line[bx / kWordBits] |= potrace_word{1} << (kWordBits - 1 - bx % kWordBits);
        }
        changes += left;
        // Against the row above, a word at a time (a pixel is kOversampling bits); the first and
        // the last row also meet the light outside.
        const potrace_word* above = y > 0 ? line - bitmap_.dy : nullptr;
        std::int64_t bits = 0;
        for (int i = 0; i < bitmap_.dy; ++i) {
            bits += std::popcount(above ? line[i] ^ above[i] : line[i]);
            if (y == frame_.height - 1) bits += std::popcount(line[i]);
        }
        changes += bits / kOversampling;
        edges_ += changes * kOversampling;
        if (edges_ > mostEdges_) {
            throw Error("The sketch is too detailed to trace: its outlines pass " +
                        std::to_string(mostEdges_) +
                        " pixel edges, the most for its size, by row " + std::to_string(y + 1) +
                        " of " + std::to_string(frame_.height) +
                        "; raise --threshold, lower --precision or scale the photo down");
        }
        // The other lines of the pixel's square are the same.
        for (int copy = 1; copy < kOversampling; ++copy)
            std::copy(line, line + bitmap_.dy, line + std::size_t(bitmap_.dy) * copy);
    }

    void finish() override {
        makeBitmap();
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
        bits_ = {};  // the curves are all that is needed now

        const bool pdf = format_ == OutputFormat::Pdf;
        const double scale = pdf ? kPointsPerPixel : 1.0;
        const double width = frame_.width * scale, height = frame_.height * scale;
        SvgNaming svg(out_);
        cairo_surface_t* surface =
            pdf ? cairo_pdf_surface_create_for_stream(writeTo, out_, width, height)
                : cairo_svg_surface_create_for_stream(SvgNaming::write, &svg, width, height);
        if (pdf)
            cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE,
                                           creationDate().c_str());
        else
            cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
        cairo_t* cairo = cairo_create(surface);
        cairo_scale(cairo, scale / kOversampling, scale / kOversampling);
        addPaths(cairo, traced->plist);
        cairo_set_fill_rule(cairo, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_set_source_rgb(cairo, 0, 0, 0);
        cairo_fill(cairo);
        cairo_destroy(cairo);
        cairo_surface_finish(surface);
        cairo_status_t status = cairo_surface_status(surface);
        cairo_surface_destroy(surface);
        if (status == CAIRO_STATUS_SUCCESS && !pdf && !svg.flush())
            status = CAIRO_STATUS_WRITE_ERROR;
        if (status != CAIRO_STATUS_SUCCESS)
            throw Error(std::string("Cannot write the drawing: ") + cairo_status_to_string(status));
    }

  private:
    // The bitmap is made once rows come: a photo refused before its rows costs nothing here.
    void makeBitmap() {
        if (!bits_.empty()) return;
        try {
            bits_.assign(static_cast<std::size_t>(bitmap_.dy) * std::size_t(bitmap_.h), 0);
        } catch (const std::bad_alloc&) {
            throw Error("Cannot trace the sketch: out of memory");
        }
        bitmap_.map = bits_.data();
    }

    OutputFormat format_;
    std::FILE* out_;
    SketchFrame frame_;
    potrace_bitmap_t bitmap_{};
    std::vector<potrace_word> bits_;  // made by the first row
    std::int64_t edges_ = 0;          // the outlines' length so far, in bitmap pixel edges
    std::int64_t mostEdges_;
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
                                                    .openAnimationWriter = nullptr};
    return &table;
}
