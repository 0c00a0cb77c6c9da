#pragma once

#include <functional>
#include <optional>
#include <string>

#include "imageio/atomic_file.h"
#include "imageio/picture_names.h"

namespace carbonel {

// The name a batch gives the sketch of entry `index`: the output folder followed by the entry's
// tail from its last separator (so "out/" gives a doubled separator, which reads as one). When that
// name is taken, the index is inserted before the name's last "." ("cat.jpg", entry 4: "cat4.jpg"),
// and while that is taken too, the next index up. `taken` tells whether a name is in use.
std::string batchOutputName(const std::string& outputFolder, const std::string& entry, int index,
                            const std::function<bool(const std::string&)>& taken,
                            std::optional<OutputFormat> asked = std::nullopt);

// The output name with the index inserted before its last "."; the plain name when index < 0. A
// name that would pass 255 bytes gives up the end of its stem (whole UTF-8 characters) instead.
std::string indexedName(const std::string& name, int index);

// The entry's name in the output folder before any index: the folder and the entry's tail, its
// extension replaced by the output format's unless it already is one of that format's (".png"
// for a TIFF written as PNG, ".svg" for any photo when SVG is asked for).
std::string batchTarget(const std::string& outputFolder, const std::string& entry,
                        std::optional<OutputFormat> asked = std::nullopt);

// Whether a name is in use in the folder: a file, a folder or a link, even a broken one.
bool nameTaken(const std::string& name);

// Gives a finished file the name a one-by-one run gives entry `index` (batchOutputName against the
// files on disk) without ever replacing a file, and returns that name.
std::string placeBatchOutput(AtomicFile& file, const std::string& outputFolder,
                             const std::string& entry, int index,
                             std::optional<OutputFormat> asked = std::nullopt);

// The format a batch writes an entry in: the one asked for, or else a JPEG source as JPEG, a BMP
// as BMP, and any other (PNG, TIFF, WebP, GIF) as PNG.
OutputFormat batchOutputFormat(const std::string& entry,
                               std::optional<OutputFormat> asked = std::nullopt);

}  // namespace carbonel
