#include <gtest/gtest.h>

#include "imageio/bmp_codec.h"
#include "imageio/bmp_reader.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/convert.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::Bgr;
using test::pixelAt;

TEST(Bmp, PalettePhotoConvertsLikeItsTrueColourTwin) {
    const Raster palette = loadPicture(test::dataFile("chelsea-8bit.bmp").string());
    const Raster trueColour = loadPicture(test::dataFile("chelsea-24bit.bmp").string());
    ASSERT_EQ(palette.width(), 451);
    ASSERT_EQ(palette.height(), 300);
    EXPECT_EQ(palette, trueColour);
    EXPECT_EQ(convertPhoto(palette, ConversionOptions{}),
              convertPhoto(trueColour, ConversionOptions{}));
}

TEST(Bmp, WritesBottomUpTwentyFourBitRowsThatReadBack) {
    test::TempDir dir;
    const Raster picture = test::makeRaster(5, 3, [](int x, int y) {
        return Bgr{std::uint8_t(x), std::uint8_t(y), 200};
    });
    writeSketchFile(picture, (dir / "p.bmp").string(), OutputFormat::Bmp, 0, 0);
    const std::string bytes = test::readBytes(dir / "p.bmp");
    ASSERT_EQ(bytes.size(), 14u + 40u + 3u * 16u);  // rows of 15 bytes padded to 16
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);  // bits per pixel
    // The first stored row is the bottom one: pixel (0, 2) is (0, 2, 200).
    EXPECT_EQ(static_cast<unsigned char>(bytes[54 + 1]), 2);
    EXPECT_EQ(loadPicture((dir / "p.bmp").string()), picture);
    // A sketch of the widest photo is one pixel wider, and reads back (a frame, a paper).
    writeSketchFile(Raster(kMaxPictureSide, 1), (dir / "wide.bmp").string(), OutputFormat::Bmp, 0,
                    0);
    EXPECT_EQ(loadPicture((dir / "wide.bmp").string()).width(), kMaxPictureSide);
}

TEST(Bmp, BrokenOrMissingFilesFailClearly) {
    test::TempDir dir;
    std::string bytes = test::readBytes(test::dataFile("chelsea-24bit.bmp"));
    test::writeBytes(dir / "short.bmp", bytes.substr(0, 30));
    bytes[14] = 99;  // an information header size no reader knows
    test::writeBytes(dir / "broken.bmp", bytes);
    test::writeBytes(dir / "empty.bmp", "");
    auto failure = [&](const char* name) {
        return test::errorOf([&] { loadPicture((dir / name).string()); });
    };
    auto named = [&](const char* name, const std::string& message) {
        return (dir / name).string() + ": " + message;
    };
    EXPECT_EQ(failure("broken.bmp"),
              named("broken.bmp", "Bitmap image is not valid: unknown header size 99"));
    EXPECT_EQ(failure("empty.bmp"),
              named("empty.bmp", "Bitmap image is not valid: not a BMP file"));
    EXPECT_EQ(failure("short.bmp"),
              named("short.bmp", "Bitmap image is not valid: the file ends in the header"));
    EXPECT_EQ(failure("none.bmp"),
              "Cannot open file " + (dir / "none.bmp").string() + ": No such file or directory");
    // A file named .bmp whose first bytes are no known kind's is read as a bitmap, and is none.
    test::writeBytes(dir / "text.bmp", "hello, this is no picture");
    EXPECT_EQ(failure("text.bmp"), named("text.bmp", "Bitmap image is not valid: not a BMP file"));
}

// A BMP file in memory: a 40-byte header, `palette` (BGR0 entries), then the rows as given, first
// row first (top-down when `topDown`, else bottom-up), each padded to four bytes.
std::string bmpFile(int width, int height, int bits, bool topDown,
                    const std::vector<std::string>& rows, const std::string& palette = "",
                    int compression = 0) {
    auto u32 = [](std::uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    auto u16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::string pixels;
    const std::size_t stride = (std::size_t(width) * bits + 31) / 32 * 4;
    for (const std::string& row : rows)
        pixels += compression ? row : row + std::string(stride - row.size(), '\0');
    const std::uint32_t offset = 54 + static_cast<std::uint32_t>(palette.size());
    return "BM" + u32(offset + std::uint32_t(pixels.size())) + u32(0) + u32(offset) + u32(40) +
           u32(std::uint32_t(width)) + u32(std::uint32_t(topDown ? -height : height)) + u16(1) +
           u16(std::uint16_t(bits)) + u32(std::uint32_t(compression)) + u32(0) + u32(0) + u32(0) +
           u32(std::uint32_t(palette.size() / 4)) + u32(0) + palette + pixels;
}

Raster decoded(const std::string& file) {
    return decodePicture(std::vector<std::uint8_t>(file.begin(), file.end()));
}

TEST(Bmp, EveryLayoutReadsAndEveryPixelComesFromTheFile) {
    // Top-down and bottom-up twins, 24-bit and with a colour table.
    const std::vector<std::string> rows24 = {"\x01\x02\x03\x04\x05\x06",
                                             "\x07\x08\x09\x0a\x0b\x0c"};
    const std::vector<std::string> flipped24 = {rows24[1], rows24[0]};
    const Raster bottomUp = decoded(bmpFile(2, 2, 24, false, rows24));
    EXPECT_EQ(pixelAt(bottomUp, 0, 1), (Bgr{1, 2, 3}));
    EXPECT_EQ(decoded(bmpFile(2, 2, 24, true, flipped24)), bottomUp);
    const std::string palette = std::string("\x01\x02\x03\0\x07\x08\x09\0", 8);
    const Raster indexed =
        decoded(bmpFile(3, 2, 8, false, {std::string("\0\1\5", 3), "\1\1\0"}, palette));
    EXPECT_EQ(decoded(bmpFile(3, 2, 8, true, {"\1\1\0", std::string("\0\1\5", 3)}, palette)),
              indexed);
    EXPECT_EQ(pixelAt(indexed, 1, 1), (Bgr{7, 8, 9}));
    EXPECT_EQ(pixelAt(indexed, 2, 1), test::kBlack);  // an index the table lacks
    // 16 bits (5-5-5) and 32 bits (8-8-8 and a spare byte).
    const Raster high = decoded(bmpFile(1, 1, 16, false, {std::string("\xff\x7f", 2)}));
    EXPECT_EQ(pixelAt(high, 0, 0), test::kWhite);
    const Raster wide = decoded(bmpFile(1, 1, 32, false, {std::string("\x10\x20\x30\x00", 4)}));
    EXPECT_EQ(pixelAt(wide, 0, 0), (Bgr{0x10, 0x20, 0x30}));
    // Run-length coded: two runs on the bottom row, end of picture.
    const Raster rle = decoded(
        bmpFile(2, 2, 8, false, {std::string("\x02\x01\x00\x00\x02\x00\x00\x01", 8)}, palette, 1));
    EXPECT_EQ(pixelAt(rle, 0, 1), (Bgr{7, 8, 9}));
    EXPECT_EQ(pixelAt(rle, 1, 0), (Bgr{1, 2, 3}));

    // A file shorter than its header promises is refused whole, however it was cut.
    const std::string whole =
        bmpFile(600, 400, 24, false, std::vector<std::string>(400, std::string(1800, '\xff')));
    EXPECT_EQ(test::errorOf([&] { decoded(whole.substr(0, 60000)); }),
              "Bitmap image is not valid: the file is cut off: it holds 59946 of the 720000 bytes "
              "of pixels its header promises");
    EXPECT_NE(test::errorOf([&] {
                  decoded(bmpFile(2, 2, 8, false, {std::string("\x02\x01", 2)}, palette, 1));
              }).find("cut off"),
              std::string::npos);
    // Sizes that would overflow are refused before anything is allocated.
    std::string huge = bmpFile(1, 1, 24, false, {"abc"});
    huge.replace(18, 4, "\xff\xff\xff\x7f");
    EXPECT_NE(test::errorOf([&] { decoded(huge); }).find("too large"), std::string::npos);
    huge.replace(18, 8, std::string("\x01\0\0\0\0\0\0\x80", 8));  // height -2^31
    EXPECT_NE(test::errorOf([&] { decoded(huge); }).find("too large"), std::string::npos);
}

TEST(SaveSketch, NeverWritesAnEmptyOrPartialFile) {
    test::TempDir dir;
    test::writeBytes(dir / "keep.bmp", "precious");
    EXPECT_THROW(writeSketchFile(Raster(), (dir / "keep.bmp").string(), OutputFormat::Bmp, 0, 0),
                 Error);
    EXPECT_EQ(test::readBytes(dir / "keep.bmp"), "precious");
    try {
        saveSketch(Raster(3, 3), (dir / "missing" / "x").string(), OutputFormat::Jpeg, 2, 2);
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " +
                                                 (dir / "missing" / "x.jpg").string() +
                                                 ": No such file or directory");
    }
    EXPECT_EQ(saveSketch(Raster(3, 3), (dir / "a.jpg").string(), OutputFormat::Bmp, 2, 2),
              (dir / "a.jpg.bmp").string());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
              2);  // no temporary left
}

}  // namespace
}  // namespace carbonel
