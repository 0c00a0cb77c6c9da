#include <gtest/gtest.h>

#include <random>

#include "animation/gif_writer.h"
#include "animation/lzw_encoder.h"
#include "animation/web_palette.h"
#include "gif_decoder.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::Bgr;

std::string hex(const std::string& bytes) {
    std::string text;
    char buffer[4];
    for (unsigned char byte : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", byte);
        text += buffer;
    }
    return text;
}

IndexedPicture indexed(int width, int height, std::vector<std::uint8_t> indices) {
    return {width, height, std::move(indices), WebPalette()};
}

TEST(WebPalette, LooksColoursUpByLevelsNotNearest) {
    EXPECT_EQ(webColorLookup(47, 48, 255), 11);
    EXPECT_EQ(webColorLookup(255, 255, 255), 215);
    EXPECT_EQ(webColorLookup(0, 0, 0), 0);
    EXPECT_EQ(webColorLookup(30, 30, 30), 0);
    EXPECT_EQ(webColorLookup(252, 150, 99), 200);
    const GifColorTable table = WebPalette();
    ASSERT_EQ(table.entries.size(), 256u);
    EXPECT_EQ(table.entries[200], (GifColor{255, 153, 102}));
    EXPECT_EQ(table.entries[215], (GifColor{255, 255, 255}));
    EXPECT_EQ(table.entries[216], (GifColor{0, 0, 0}));
    EXPECT_EQ(table.bitsPerPixel(), 8);
    // A raster is B, G, R: the pixel (R 252, G 150, B 99) reduces to 200.
    const IndexedPicture reduced = ReduceColors(test::makeRaster(2, 1, [](int x, int) {
        return x ? Bgr{99, 150, 252} : Bgr{255, 48, 47};
    }));
    EXPECT_EQ(reduced.indices, (std::vector<std::uint8_t>{11, 200}));
}

TEST(LzwEncoder, OnePixelOfIndex215) {
    std::string data;
    const std::uint8_t pixel = 215;
    LzwEncoder::encode(&pixel, 1, 8, 256, data);
    EXPECT_EQ(hex(data), "08 04 00 AF 05 04 00 ");
    const std::uint8_t outside = 9;
    EXPECT_THROW(LzwEncoder::encode(&outside, 1, 2, 4, data), Error);
}

TEST(GifWriter, OneFrameIsLaidOutByteByByte) {
    GifDocument document;
    document.importIndexed(indexed(3, 2, {215, 215, 0, 1, 2, 215}));
    GifGraphicControl control;
    control.flags = GifGraphicControl::kTransparentFlag;
    control.delay = 30;
    control.transparentIndex = 2;
    document.frame(0).extensions = {GifLoopExtension{}, control};
    std::string bytes;
    writeGif(document, bytes);
    EXPECT_EQ(bytes.substr(0, 13), std::string("GIF89a\x03\x00\x02\x00\x77\x00\x00", 13));
    EXPECT_EQ(bytes.substr(13, 19), std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19));
    EXPECT_EQ(bytes.substr(32, 8), std::string("\x21\xF9\x04\x01\x1E\x00\x02\x00", 8));
    EXPECT_EQ(bytes.substr(40, 10), std::string("\x2C\x00\x00\x00\x00\x03\x00\x02\x00\x87", 10));
    EXPECT_EQ(bytes.substr(50 + 3 * 200, 3), "\xFF\x99\x66");  // entry 200 of the table
    std::string data;
    const std::vector<std::uint8_t> pixels{215, 215, 0, 1, 2, 215};
    LzwEncoder::encode(pixels.data(), pixels.size(), 8, 256, data);
    EXPECT_EQ(bytes.substr(50 + 768), data + "\x3B");

    const test::DecodedGif decoded = test::decodeGif(bytes);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.frames.size(), 1u);
    EXPECT_EQ(decoded.frames[0].indices, pixels);
    EXPECT_EQ(decoded.loopCount, 0);
    EXPECT_EQ(decoded.frames[0].delay, 30);
    EXPECT_EQ(decoded.frames[0].transparentIndex, 2);
}

TEST(GifWriter, LongAndNoisyFramesDecodeExactly) {
    // Noise fills the dictionary every few thousand pixels, so it is cleared at code 4095 many
    // times; long runs of one index make the longest strings; small tables use small code sizes.
    std::mt19937 random(42);
    std::uniform_int_distribution<int> anyIndex(0, 215);
    std::vector<std::uint8_t> noise(400 * 300);
    for (auto& index : noise) index = static_cast<std::uint8_t>(anyIndex(random));
    std::vector<std::uint8_t> runs(500 * 400);
    for (std::size_t i = 0; i < runs.size(); ++i)
        runs[i] = static_cast<std::uint8_t>((i / 977) % 3 == 0 ? 215 : i % 7);
    GifDocument document;
    document.importIndexed(indexed(400, 300, noise));
    document.importIndexed(indexed(500, 400, runs));
    IndexedPicture twoColours{
        64, 64, std::vector<std::uint8_t>(64 * 64), {{{0, 0, 0}, {255, 255, 255}}, false}};
    for (std::size_t i = 0; i < twoColours.indices.size(); ++i)
        twoColours.indices[i] = static_cast<std::uint8_t>((i * 7 / 3) % 2);
    document.importIndexed(twoColours);
    EXPECT_EQ(document.version(), "87a");
    EXPECT_EQ(document.screenWidth(), 500);
    EXPECT_EQ(document.screenHeight(), 400);
    for (int threads : {1, 2}) {
        std::string bytes;
        writeGif(document, bytes, threads);
        EXPECT_EQ(bytes.substr(0, 6), "GIF87a");
        const test::DecodedGif decoded = test::decodeGif(bytes);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        ASSERT_EQ(decoded.frames.size(), 3u);
        EXPECT_TRUE(decoded.frames[0].indices == noise);
        EXPECT_TRUE(decoded.frames[1].indices == runs);
        EXPECT_TRUE(decoded.frames[2].indices == twoColours.indices);
    }
    // giflib's own encoder follows the same rules for widths and clear codes: the same bytes.
    for (const auto& [pixels, width, height] :
         {std::tuple{noise, 400, 300}, std::tuple{runs, 500, 400}}) {
        std::string ours;
        LzwEncoder::encode(pixels.data(), pixels.size(), 8, 256, ours);
        EXPECT_TRUE(ours == test::giflibImageData(pixels, width, height)) << width;
    }
}

TEST(GifDocument, ScreenGrowsAndFailuresSayWhy) {
    GifDocument document;
    EXPECT_EQ(test::errorOf([&] { document.version(); }), "Unsupported GIF version");
    std::string bytes;
    EXPECT_EQ(test::errorOf([&] { writeGif(document, bytes); }), "Unsupported GIF version");
    document.importPicture(Raster(10, 10));
    document.importPicture(Raster(20, 5));
    EXPECT_EQ(document.screenWidth(), 20);
    EXPECT_EQ(document.screenHeight(), 10);
    EXPECT_EQ(document.frames()[1].colorIndexAt(19, 4), 215);
    EXPECT_EQ(test::errorOf([&] { document.frames()[1].colorIndexAt(20, 0); }),
              "Invalid pixel coordinates");
    const int empty = document.importPicture(Raster());
    EXPECT_EQ(test::errorOf([&] { document.frames()[empty].colorIndexAt(0, 0); }),
              "Invalid pixel coordinates");
}

}  // namespace
}  // namespace carbonel
