#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/picture_names.h"

namespace carbonel {

class SketchWriter;
struct SketchFrame;

// Everything the programs know of one format a sketch is written in. A new format is a row here
// and its writer.
struct OutputFormatRow {
    OutputFormat format;
    std::string_view name;                     // the `--format` name
    std::string_view what;                     // what the file holds, for usage lines
    std::span<const std::string_view> suffix;  // its extensions, the usual one first
    // Formats of one family take each other's extensions when a name is saved (a metafile).
    int family;
    std::string_view saveTitle;  // its Save dialog line's title ("" for none), in table order
    bool vector;                 // traced lines, not pixels
    bool seeks;                  // written out of order: needs a file it can seek in
    bool inBatch;                // a `batch --format`
    std::unique_ptr<SketchWriter> (*open)(std::FILE* out, const SketchFrame& frame);
};

// Every output format, in the Save dialog's order.
std::span<const OutputFormatRow> outputFormats();
const OutputFormatRow& outputFormatRow(OutputFormat format);

// One line of the Save dialog: a format, and how an SVG's lines are drawn (a plotter's SVG draws
// each line once, as a single stroke).
struct SaveDialogLine {
    const OutputFormatRow* row;
    std::string_view title;
    TraceMode trace;
};
// The Save dialog's line: its title and the format's usual extension.
std::string saveFilter(const SaveDialogLine& line);
// The lines the Save dialog offers, in its order (its filter indices count from 1).
std::vector<SaveDialogLine> saveDialogLines();

// The `--format` names of the formats that pass `keep`, for usage lines ("jpg, bmp or pdf").
std::string outputFormatNames(bool (*keep)(const OutputFormatRow&) = nullptr);
// The extensions of every format, for messages (".jpg, .jpeg, ... or .pdf").
std::string outputExtensionList();
// Each format's extensions and what it holds, for usage lines (".jpg/.jpeg JPEG, .bmp ...").
std::string outputFormatDescriptions();

}  // namespace carbonel
