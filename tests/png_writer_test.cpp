// PNG sketches: rows compressed in bands on several threads still make one standard stream, and
// every reader gets the sketch's own pixels back.
#include "imageio/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "imageio/band_deflate.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::quoted;

// Long runs broken by noise, as a sketch's paper and strokes are.
std::vector<std::uint8_t> sketchLikeBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size, 255);
    for (std::size_t at = 0; at < size; at += 1 + random() % 200)
        bytes[at] = static_cast<std::uint8_t>(random());
    return bytes;
}

std::vector<std::uint8_t> inflated(const std::vector<std::uint8_t>& stream, std::size_t size) {
    std::vector<std::uint8_t> out(size + 1);
    uLongf length = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
              Z_OK);
    out.resize(length);
    return out;
}

TEST(PngWriter, BandsJoinIntoOneStandardZlibStream) {
    const std::vector<std::uint8_t> data = sketchLikeBytes(3 << 20, 7);
    // Bands of every kind: empty, shorter than deflate's window, longer than it.
    const std::vector<std::size_t> cuts{0, 0, 1000, 41000, 50000, 1 << 20, 2 << 20, 3 << 20};
    for (int level : {1, 6, 9}) {
        std::vector<std::uint8_t> streams[2];
        for (int threads : {1, 3}) {
            std::vector<std::uint8_t>& stream = streams[threads == 3];
            BandDeflate deflate(level, threads, [&](std::span<const std::uint8_t> bytes) {
                stream.insert(stream.end(), bytes.begin(), bytes.end());
            });
            for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
                std::vector<std::uint8_t> band = deflate.buffer();
                band.assign(data.begin() + std::ptrdiff_t(cuts[k]),
                            data.begin() + std::ptrdiff_t(cuts[k + 1]));
                deflate.add(std::move(band));
            }
            deflate.finish();
            EXPECT_TRUE(inflated(stream, data.size()) == data) << level << " " << threads;
            EXPECT_LT(stream.size(), data.size() / 4);
        }
        EXPECT_TRUE(streams[0] == streams[1]) << "the threads change the bytes";
    }
    std::vector<std::uint8_t> empty;
    BandDeflate nothing(1, 2, [&](std::span<const std::uint8_t> bytes) {
        empty.insert(empty.end(), bytes.begin(), bytes.end());
    });
    nothing.finish();
    EXPECT_TRUE(inflated(empty, 0).empty());
}

std::string writePng(const Raster& picture, const std::filesystem::path& path, int level,
                     int threads) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    PngRowWriter writer(file, picture.width(), picture.height(), level, threads);
    for (int y = 0; y < picture.height(); ++y) writer.writeRow(picture.row(y));
    writer.finish();
    std::fclose(file);
    return test::readBytes(path);
}

TEST(PngWriter, EveryReaderGetsThePixelsBack) {
    test::TempDir dir;
    std::mt19937 random(3);
    // One pixel; a picture of many bands whose last is short; one whose rows span deflate's window.
    for (const Raster& picture :
         {test::randomRaster(1, 1, random), test::randomRaster(700, 2000, random),
          test::makeRaster(16000, 70, [](int x, int y) {
              return test::Bgr{std::uint8_t(x * y), std::uint8_t(x / 7), 255};
          })}) {
        SCOPED_TRACE(picture.width());
        const std::string one = writePng(picture, dir / "one.png", 1, 1);
        EXPECT_TRUE(one == writePng(picture, dir / "two.png", 1, 2));
        EXPECT_EQ(loadPicture((dir / "two.png").string()), picture);
        writePng(picture, dir / "nine.png", 9, 2);
        EXPECT_EQ(loadPicture((dir / "nine.png").string()), picture);
        writeSketchFile(picture, (dir / "same.bmp").string(), OutputFormat::Bmp, 0, 0);
        const test::CommandResult pillow = test::runCommand(
            "/usr/bin/python3 -c 'import sys; from PIL import Image; "
            "a, b, c = (Image.open(n).convert(\"RGB\").tobytes() for n in sys.argv[1:]); "
            "print(a == b == c)' " +
            quoted(dir / "two.png") + " " + quoted(dir / "nine.png") + " " +
            quoted(dir / "same.bmp"));
        EXPECT_EQ(pillow.output, "True\n");
    }
    // Rows that do not match the picture's height fail rather than leave a short file unsaid.
    std::FILE* file = std::fopen((dir / "short.png").c_str(), "wb");
    PngRowWriter writer(file, 4, 3);
    const std::uint8_t row[12] = {};
    writer.writeRow(row);
    EXPECT_ANY_THROW(writer.finish());
    std::fclose(file);
}

TEST(PngWriter, LevelOption) {
    test::TempDir dir;
    const auto photo = test::dataFile("astronaut.jpg");
    ASSERT_EQ(test::cli("convert " + quoted(photo) + " " + quoted(dir / "fast.png")).status, 0);
    ASSERT_EQ(
        test::cli("convert " + quoted(photo) + " " + quoted(dir / "small.png") + " --png-level 9")
            .status,
        0);
    EXPECT_LT(test::readBytes(dir / "small.png").size(), test::readBytes(dir / "fast.png").size());
    EXPECT_EQ(loadPicture((dir / "small.png").string()), loadPicture((dir / "fast.png").string()));
    const test::CommandResult refused =
        test::cli("convert " + quoted(photo) + " " + quoted(dir / "x.png") + " --png-level 0");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.output.find("--png-level"), std::string::npos) << refused.output;
}

}  // namespace
}  // namespace carbonel
