// Makes the paper textures shipped in assets/texture: seamless 128 x 128 BMP tiles drawn from
// periodic value noise, so that tiling them shows no seams. Run once; the results are committed.
// Usage: make_textures FOLDER
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"

namespace {

constexpr int kSide = 128;

// Smooth noise in 0..1 that repeats every kSide pixels: random values on a coarse grid that wraps
// round, blended with a smooth step.
class PeriodicNoise {
  public:
    PeriodicNoise(int cells, unsigned seed) : cells_(cells), values_(std::size_t(cells * cells)) {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (double& value : values_) value = unit(random);
    }
    double at(double x, double y) const {
        const double gx = x * cells_ / kSide, gy = y * cells_ / kSide;
        const int x0 = int(std::floor(gx)), y0 = int(std::floor(gy));
        const double fx = smooth(gx - x0), fy = smooth(gy - y0);
        auto value = [&](int cx, int cy) {
            return values_[std::size_t(((cy % cells_ + cells_) % cells_) * cells_ +
                                       (cx % cells_ + cells_) % cells_)];
        };
        const double top = value(x0, y0) * (1 - fx) + value(x0 + 1, y0) * fx;
        const double bottom = value(x0, y0 + 1) * (1 - fx) + value(x0 + 1, y0 + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }

  private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    int cells_;
    std::vector<double> values_;
};

std::uint8_t clampByte(double value) {
    return std::uint8_t(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
}

// Fills a texture from a function giving the (red, green, blue) of each pixel.
template <typename Shade>
void writeTexture(const std::string& path, Shade shade) {
    carbonel::Raster texture(kSide, kSide);
    for (int y = 0; y < kSide; ++y) {
        std::uint8_t* row = texture.mutableRow(y);
        for (int x = 0; x < kSide; ++x) {
            double r, g, b;
            shade(x, y, r, g, b);
            row[3 * x] = clampByte(b);
            row[3 * x + 1] = clampByte(g);
            row[3 * x + 2] = clampByte(r);
        }
    }
    carbonel::writeSketchFile(texture, path, carbonel::OutputFormat::Bmp, kSide, kSide);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_textures FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const PeriodicNoise coarse(4, 1), medium(16, 2), fine(64, 3), grain(128, 4);

    // Cream drawing paper: a soft, even tooth.
    writeTexture(folder + "/paper.bmp", [&](int x, int y, double& r, double& g, double& b) {
        const double tooth =
            10 * (fine.at(x, y) - 0.5) + 6 * (grain.at(x, y) - 0.5) + 5 * (coarse.at(x, y) - 0.5);
        r = 246 + tooth, g = 241 + tooth, b = 226 + tooth;
    });
    // Canvas: a woven cross-hatch of threads.
    writeTexture(folder + "/canvas.bmp", [&](int x, int y, double& r, double& g, double& b) {
        const double warp = std::sin(x * 2 * M_PI / 4.0), weft = std::sin(y * 2 * M_PI / 4.0);
        const double thread =
            ((x / 4 + y / 4) % 2 == 0 ? warp : weft) * 9 + 6 * (fine.at(x, y) - 0.5);
        r = 232 + thread, g = 226 + thread, b = 210 + thread;
    });
    // Parchment: warm, with broad blotches.
    writeTexture(folder + "/parchment.bmp", [&](int x, int y, double& r, double& g, double& b) {
        const double blotch = 28 * (coarse.at(x, y) - 0.5) + 14 * (medium.at(x, y) - 0.5) +
                              5 * (grain.at(x, y) - 0.5);
        r = 238 + blotch, g = 222 + blotch * 1.1, b = 186 + blotch * 1.3;
    });
    // Recycled: grey-white with dark flecks of fibre.
    writeTexture(folder + "/recycled.bmp", [&](int x, int y, double& r, double& g, double& b) {
        const double base = 236 + 8 * (medium.at(x, y) - 0.5) + 6 * (grain.at(x, y) - 0.5);
        const double fleck =
            grain.at(x * 1.0, y * 1.0) > 0.93 ? -70 * (grain.at(x, y) - 0.93) / 0.07 : 0;
        r = base + fleck, g = base + fleck, b = base - 3 + fleck;
    });
    return 0;
}
