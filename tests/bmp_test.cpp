#include <gtest/gtest.h>

#include "imageio/bmp_codec.h"
#include "imageio/picture_files.h"
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
    writeSketchAs(picture, (dir / "p.bmp").string(), SaveType::Bmp, 0, 0);
    const std::string bytes = test::readBytes(dir / "p.bmp");
    ASSERT_EQ(bytes.size(), 14u + 40u + 3u * 16u);  // rows of 15 bytes padded to 16
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);  // bits per pixel
    // The first stored row is the bottom one: pixel (0, 2) is (0, 2, 200).
    EXPECT_EQ(static_cast<unsigned char>(bytes[54 + 1]), 2);
    EXPECT_EQ(readBmp((dir / "p.bmp").string()), picture);
}

TEST(Bmp, BrokenOrMissingFilesFailClearly) {
    test::TempDir dir;
    std::string bytes = test::readBytes(test::dataFile("chelsea-24bit.bmp"));
    test::writeBytes(dir / "short.bmp", bytes.substr(0, 30));
    bytes[14] = 99;  // an information header size no reader knows
    test::writeBytes(dir / "broken.bmp", bytes);
    test::writeBytes(dir / "empty.bmp", "");
    EXPECT_EQ(test::errorOf([&] { readBmp((dir / "broken.bmp").string()); }),
              "Bitmap image is not valid: unknown header size 99");
    EXPECT_EQ(test::errorOf([&] { readBmp((dir / "empty.bmp").string()); }),
              "Bitmap image is not valid: not a BMP file");
    EXPECT_EQ(test::errorOf([&] { readBmp((dir / "short.bmp").string()); }),
              "Bitmap image is not valid: the file ends in the header");
    EXPECT_EQ(test::errorOf([&] { readBmp((dir / "none.bmp").string()); }),
              "Cannot open file " + (dir / "none.bmp").string() + ": No such file or directory");
    // A JPEG file named .bmp is read as a bitmap, and is none.
    EXPECT_EQ(test::errorOf([&] { readBmp(test::dataFile("chelsea.jpg").string()); }),
              "Bitmap image is not valid: not a BMP file");
}

TEST(SaveSketch, NeverWritesAnEmptyOrPartialFile) {
    test::TempDir dir;
    test::writeBytes(dir / "keep.bmp", "precious");
    EXPECT_THROW(writeSketchAs(Raster(), (dir / "keep.bmp").string(), SaveType::Bmp, 0, 0), Error);
    EXPECT_EQ(test::readBytes(dir / "keep.bmp"), "precious");
    try {
        saveSketchFile(Raster(3, 3), (dir / "missing" / "x").string(), SaveType::Jpeg, 2, 2);
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " +
                                                 (dir / "missing" / "x.jpg").string() +
                                                 ": No such file or directory");
    }
    EXPECT_EQ(saveSketchFile(Raster(3, 3), (dir / "a.jpg").string(), SaveType::Bmp, 2, 2),
              (dir / "a.jpg.bmp").string());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
              2);  // no temporary left
}

}  // namespace
}  // namespace carbonel
