#include "imageio/output_formats.h"

#include <array>
#include <vector>

#include "imageio/file_suffixes.h"
#include "imageio/sketch_writer.h"
#include "imageio/traced_writer.h"

namespace carbonel {

// The writers, from sketch_writer.cpp and webp_writer.cpp.
std::unique_ptr<SketchWriter> openJpegWriter(std::FILE* out, const SketchFrame& frame);
std::unique_ptr<SketchWriter> openBmpWriter(std::FILE* out, const SketchFrame& frame);
std::unique_ptr<SketchWriter> openWmfWriter(std::FILE* out, const SketchFrame& frame);
std::unique_ptr<SketchWriter> openEmfWriter(std::FILE* out, const SketchFrame& frame);
std::unique_ptr<SketchWriter> openPngWriter(std::FILE* out, const SketchFrame& frame);
std::unique_ptr<SketchWriter> openWebpWriter(std::FILE* out, const SketchFrame& frame);

namespace {

std::unique_ptr<SketchWriter> openSvgWriter(std::FILE* out, const SketchFrame& frame) {
    return openTracedWriter(OutputFormat::Svg, out, frame);
}
std::unique_ptr<SketchWriter> openPdfWriter(std::FILE* out, const SketchFrame& frame) {
    return openTracedWriter(OutputFormat::Pdf, out, frame);
}

// format, name, what it holds, extensions, family, Save filter, vector, seeks, in batch, writer
const std::array<OutputFormatRow, 8> kRows{{
    {OutputFormat::Jpeg, "jpg", "JPEG", kJpegSuffixes, 0, "JPEG Image File", false, false, true,
     openJpegWriter},
    {OutputFormat::Bmp, "bmp", "24-bit BMP", kBmpSuffixes, 1, "Bitmaps", false, true, true,
     openBmpWriter},
    {OutputFormat::Wmf, "wmf", "placeable Windows metafile", kWmfSuffixes, 2, "Metafiles", false,
     true, false, openWmfWriter},
    {OutputFormat::Emf, "emf", "enhanced metafile", kEmfSuffixes, 2, "", false, true, false,
     openEmfWriter},
    {OutputFormat::Png, "png", "PNG", kPngSuffixes, 3, "PNG Image File", false, false, true,
     openPngWriter},
    {OutputFormat::Svg, "svg", "SVG drawing of the traced lines", kSvgSuffixes, 4, "SVG drawing",
     true, false, true, openSvgWriter},
    {OutputFormat::Pdf, "pdf", "PDF of the traced lines", kPdfSuffixes, 5, "PDF document", true,
     false, true, openPdfWriter},
    {OutputFormat::Webp, "webp", "lossless WebP", kWebpSuffixes, 6, "WebP image", false, false,
     true, openWebpWriter},
}};

}  // namespace

std::span<const OutputFormatRow> outputFormats() {
    return kRows;
}

const OutputFormatRow& outputFormatRow(OutputFormat format) {
    for (const OutputFormatRow& row : kRows) {
        if (row.format == format) return row;
    }
    return kRows.front();  // every format has its row
}

std::string saveFilter(const SaveDialogLine& line) {
    return dialogFilter(line.title, line.row->suffix.first(1));
}

std::vector<SaveDialogLine> saveDialogLines() {
    std::vector<SaveDialogLine> lines;
    for (const OutputFormatRow& row : kRows) {
        if (!row.saveTitle.empty()) lines.push_back({&row, row.saveTitle, TraceMode::Outline});
    }
    // Last, so the lines before keep their places.
    lines.push_back(
        {&outputFormatRow(OutputFormat::Svg), "SVG plot, single strokes", TraceMode::Centerline});
    return lines;
}

std::string outputFormatNames(bool (*keep)(const OutputFormatRow&)) {
    std::vector<std::string> names;
    for (const OutputFormatRow& row : kRows) {
        if (!keep || keep(row)) names.emplace_back(row.name);
    }
    return spokenList(std::span<const std::string>(names));
}

std::string outputExtensionList() {
    std::vector<std::string> extensions;
    for (const OutputFormatRow& row : kRows) {
        for (std::string_view suffix : row.suffix) extensions.emplace_back(suffix);
    }
    return spokenList(std::span<const std::string>(extensions));
}

std::string outputFormatDescriptions() {
    std::vector<std::string> items;
    for (const OutputFormatRow& row : kRows) {
        std::string item;
        for (std::string_view suffix : row.suffix) {
            if (!item.empty()) item += '/';
            item += suffix;
        }
        item += ' ';
        item += row.what;
        items.push_back(std::move(item));
    }
    return spokenList(std::span<const std::string>(items));
}

}  // namespace carbonel
