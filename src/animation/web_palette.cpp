#include "animation/web_palette.h"

#include <array>

namespace carbonel {

GifColorTable WebPalette() {
    GifColorTable table;
    table.entries.assign(256, GifColor{0, 0, 0});
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                table.entries[static_cast<std::size_t>(36 * r + 6 * g + b)] = {
                    static_cast<std::uint8_t>(51 * r), static_cast<std::uint8_t>(51 * g),
                    static_cast<std::uint8_t>(51 * b)};
            }
        }
    }
    return table;
}

namespace {

// Each channel's share of the index, looked up instead of divided.
struct ChannelShares {
    std::array<std::uint8_t, 256> red{}, green{}, blue{};
    constexpr ChannelShares() {
        for (int v = 0; v < 256; ++v) {
            red[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(webColorLookup(v, 0, 0));
            green[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(webColorLookup(0, v, 0));
            blue[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(webColorLookup(0, 0, v));
        }
    }
};

constexpr ChannelShares kShares;

constexpr long long kPixelsWorthThreads = 1 << 18;

}  // namespace

IndexedPicture ReduceColors(const Raster& picture) {
    IndexedPicture reduced;
    reduced.width = picture.width();
    reduced.height = picture.height();
    reduced.table = WebPalette();
    reduced.indices.resize(static_cast<std::size_t>(picture.width()) *
                           static_cast<std::size_t>(picture.height()));
    // Without error diffusion the scan direction does not matter: every row goes left to right,
    // and big pictures are shared out between cores.
    const long long pixels = static_cast<long long>(picture.width()) * picture.height();
#pragma omp parallel for schedule(static) if (pixels >= kPixelsWorthThreads)
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* in = picture.rowUnchecked(y);
        std::uint8_t* out = reduced.indices.data() + static_cast<std::size_t>(y) * picture.width();
        for (int x = 0; x < picture.width(); ++x) {
            out[x] =
                static_cast<std::uint8_t>(kShares.blue[in[3 * x]] + kShares.green[in[3 * x + 1]] +
                                          kShares.red[in[3 * x + 2]]);
        }
    }
    return reduced;
}

void reduceRowSkippingWhite(const std::uint8_t* frameRow, const int* sourceColumn, int width,
                            std::uint8_t* indices) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* pixel = frameRow + 3 * sourceColumn[x];
        if (pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) continue;
        indices[x] = static_cast<std::uint8_t>(kShares.blue[pixel[0]] + kShares.green[pixel[1]] +
                                               kShares.red[pixel[2]]);
    }
}

}  // namespace carbonel
