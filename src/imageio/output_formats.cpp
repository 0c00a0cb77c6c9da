#include "imageio/output_formats.h"

#include <array>
#include <vector>

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

constexpr std::string_view kJpeg[] = {".jpg", ".jpeg"};
constexpr std::string_view kBmp[] = {".bmp"};
constexpr std::string_view kWmf[] = {".wmf"};
constexpr std::string_view kEmf[] = {".emf"};
constexpr std::string_view kPng[] = {".png"};
constexpr std::string_view kSvg[] = {".svg"};
constexpr std::string_view kPdf[] = {".pdf"};
constexpr std::string_view kWebp[] = {".webp"};

// format, name, what it holds, extensions, family, Save filter, vector, seeks, in batch, writer
const std::array<OutputFormatRow, 8> kRows{{
    {OutputFormat::Jpeg, "jpg", "JPEG", kJpeg, 0, "JPEG Image File (*.jpg)", false, false, true,
     openJpegWriter},
    {OutputFormat::Bmp, "bmp", "24-bit BMP", kBmp, 1, "Bitmaps (*.bmp)", false, true, true,
     openBmpWriter},
    {OutputFormat::Wmf, "wmf", "placeable Windows metafile", kWmf, 2, "Metafiles (*.wmf)", false,
     true, false, openWmfWriter},
    {OutputFormat::Emf, "emf", "enhanced metafile", kEmf, 2, "", false, true, false, openEmfWriter},
    {OutputFormat::Png, "png", "PNG", kPng, 3, "PNG Image File (*.png)", false, false, true,
     openPngWriter},
    {OutputFormat::Svg, "svg", "SVG drawing of the traced lines", kSvg, 4, "SVG drawing (*.svg)",
     true, false, true, openSvgWriter},
    {OutputFormat::Pdf, "pdf", "PDF of the traced lines", kPdf, 5, "PDF document (*.pdf)", true,
     false, true, openPdfWriter},
    {OutputFormat::Webp, "webp", "lossless WebP", kWebp, 6, "WebP image (*.webp)", false, false,
     true, openWebpWriter},
}};

// "a, b or c"
std::string spokenList(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
        text += items[i];
    }
    return text;
}

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

std::vector<const OutputFormatRow*> saveDialogFormats() {
    std::vector<const OutputFormatRow*> rows;
    for (const OutputFormatRow& row : kRows) {
        if (!row.saveFilter.empty()) rows.push_back(&row);
    }
    return rows;
}

std::string outputFormatNames(bool (*keep)(const OutputFormatRow&)) {
    std::vector<std::string> names;
    for (const OutputFormatRow& row : kRows) {
        if (!keep || keep(row)) names.emplace_back(row.name);
    }
    return spokenList(names);
}

std::string outputExtensionList() {
    std::vector<std::string> extensions;
    for (const OutputFormatRow& row : kRows) {
        for (std::string_view suffix : row.suffix) extensions.emplace_back(suffix);
    }
    return spokenList(extensions);
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
    return spokenList(items);
}

}  // namespace carbonel
