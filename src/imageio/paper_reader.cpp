#include "imageio/paper_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace carbonel {
namespace {

// Thrown from the row sink once every row needed is in, to stop reading the rest.
struct EnoughRows {};

// The source index of each kept index along one side: all of them when the side is no longer than
// the sketch's (or when tiled, the first ones), else those the sketch's nearest-neighbour
// stretch samples, in order. Stretching the kept ones over the sketch then samples each exactly
// once, in turn, since (2i + 1) * n / (2n) is i.
std::vector<int> keptIndices(int paperSide, int sketchSide, TextureFit fit) {
    const int kept = std::min(paperSide, sketchSide);
    std::vector<int> indices(static_cast<std::size_t>(kept));
    for (int i = 0; i < kept; ++i) {
        const bool sampled = fit == TextureFit::Stretch && paperSide > sketchSide;
        indices[static_cast<std::size_t>(i)] =
            sampled ? static_cast<int>((2LL * i + 1) * paperSide / (2LL * sketchSide)) : i;
    }
    return indices;
}

}  // namespace

Raster readPaper(PhotoReader& paper, TextureFit fit, int width, int height) {
    if (paper.width() <= 0 || paper.height() <= 0 || width <= 0 || height <= 0) return Raster();
    const std::vector<int> columns = keptIndices(paper.width(), width, fit);
    const std::vector<int> rows = keptIndices(paper.height(), height, fit);
    Raster kept(static_cast<int>(columns.size()), static_cast<int>(rows.size()));
    const bool allColumns =
        columns.size() == static_cast<std::size_t>(paper.width()) || (fit == TextureFit::Tile);
    std::size_t next = 0;  // the next kept row
    try {
        paper.readRows([&](int y, const std::uint8_t* row) {
            for (; next < rows.size() && rows[next] == y; ++next) {
                std::uint8_t* out = kept.mutableRowUnchecked(static_cast<int>(next));
                if (allColumns) {
                    std::memcpy(out, row, columns.size() * 3);
                    continue;
                }
                for (std::size_t x = 0; x < columns.size(); ++x)
                    std::memcpy(out + 3 * x, row + 3 * columns[x], 3);
            }
            if (next == rows.size()) throw EnoughRows{};
        });
    } catch (const EnoughRows&) {
    }
    return kept;
}

Raster readPaperFile(const std::string& path, TextureFit fit, int width, int height) {
    return readPaper(*openPhotoFile(path), fit, width, height);
}

}  // namespace carbonel
