#include <gtest/gtest.h>

#include "imageio/bmp_codec.h"
#include "imageio/jpeg_codec.h"
#include "imageio/photo_conversion.h"
#include "imageio/picture_files.h"
#include "sketch/convert.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::quoted;

TEST(Jpeg, DecodesToTheReferenceDecodersPixels) {
    test::TempDir dir;
    for (const char* name : {"chelsea.jpg", "coffee.jpg"}) {
        const auto reference = dir / (std::string(name) + ".bmp");
        ASSERT_EQ(test::runCommand(std::string(DJPEG) + " -dct float -bmp -outfile " +
                                   quoted(reference) + " " + quoted(test::dataFile(name)))
                      .status,
                  0);
        EXPECT_EQ(readJpeg(test::dataFile(name).string()), readBmp(reference.string())) << name;
    }
}

TEST(Jpeg, EncodesExactlyAsTheReferenceEncoder) {
    test::TempDir dir;
    ConversionOptions options;
    options.style = PenStyle::Pastel;
    const Raster sketch = convertPhoto(readJpeg(test::dataFile("chelsea.jpg").string()), options);
    const auto ours = dir / "ours.jpg";
    const auto bmp = dir / "sketch.bmp";
    const auto reference = dir / "reference.jpg";
    writeSketchAs(sketch, ours.string(), SaveType::Jpeg, 0, 0);
    writeSketchAs(sketch, bmp.string(), SaveType::Bmp, 0, 0);
    ASSERT_EQ(test::runCommand(std::string(CJPEG) + " -dct float -quality 20 -baseline -outfile " +
                               quoted(reference) + " " + quoted(bmp))
                  .status,
              0);
    std::string a = test::readBytes(ours);
    std::string b = test::readBytes(reference);
    ASSERT_GT(a.size(), 20u);
    ASSERT_EQ(a.size(), b.size());
    // The JFIF density fields (unit and two densities) are the only bytes allowed to differ.
    for (std::size_t i = 13; i < 18; ++i) a[i] = b[i] = 0;
    EXPECT_TRUE(a == b);
}

TEST(Jpeg, DamagedFilesFailWithTheCodecsMessage) {
    test::TempDir dir;
    const std::string good = test::readBytes(test::dataFile("chelsea.jpg"));
    test::writeBytes(dir / "empty.jpg", "");
    test::writeBytes(dir / "text.jpg", "this is not a picture\n");
    test::writeBytes(dir / "truncated.jpg", good.substr(0, good.size() / 2));
    EXPECT_EQ(test::errorOf([&] { readJpeg((dir / "missing.jpg").string()); }),
              "Cannot open file " + (dir / "missing.jpg").string() + ": No such file or directory");
    // The library's number, then its words.
    for (const auto& [name, message] :
         {std::pair{"empty.jpg", "JPEG error #42: Empty input file"},
          std::pair{"text.jpg", "JPEG error #53: Not a JPEG file: starts with 0x74 0x68"},
          std::pair{"truncated.jpg", "JPEG error #120: Premature end of JPEG file"}}) {
        EXPECT_EQ(test::errorOf([&] { readJpeg((dir / name).string()); }),
                  (dir / name).string() + ": " + message);
    }
}

TEST(Jpeg, AHugeHeaderIsRefusedBeforeDecoding) {
    test::TempDir dir;
    std::string bytes = test::readBytes(test::dataFile("chelsea.jpg"));
    // Find the frame header (SOF0..SOF2) and claim 60000 x 60000 pixels.
    std::size_t sof = std::string::npos;
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
        const auto marker = static_cast<unsigned char>(bytes[i + 1]);
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && marker >= 0xC0 && marker <= 0xC2) {
            sof = i;
            break;
        }
    }
    ASSERT_NE(sof, std::string::npos);
    for (std::size_t at : {sof + 5, sof + 7}) {
        bytes[at] = static_cast<char>(0xEA);
        bytes[at + 1] = static_cast<char>(0x60);
    }
    test::writeBytes(dir / "huge.jpg", bytes);
    EXPECT_EQ(test::errorOf([&] { readJpeg((dir / "huge.jpg").string()); }),
              (dir / "huge.jpg").string() + ": Picture too large: 60000 x 60000 pixels (at most 16385 in either direction)");
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

TEST(LoadAndConvert, SketchingWhileDecodingGivesTheReferenceSketch) {
    const std::string path = test::dataFile("coffee.jpg").string();
    const Raster photo = readJpeg(path);
    const Raster paper = test::makeRaster(7, 5, [](int x, int y) {
        return test::Bgr{std::uint8_t(30 * x), std::uint8_t(40 * y), 99};
    });
    for (int line : {1, 4, 15}) {
        for (PenStyle style :
             {PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel, PenStyle::Brush}) {
            ConversionOptions options;
            options.line = line;
            options.style = style;
            options.threads = 2;
            options.texture = line == 4 ? &paper : nullptr;
            const ConvertedPhoto converted = loadAndConvert(path, options);
            EXPECT_EQ(converted.photo, photo);
            EXPECT_EQ(converted.sketch, convertPhotoReference(photo, options)) << line;
        }
    }
}

TEST(LoadAndConvert, ADecodingFailureReachesTheCaller) {
    test::TempDir dir;
    const std::string good = test::readBytes(test::dataFile("coffee.jpg"));
    for (std::size_t keep : {std::size_t{700}, good.size() / 3, good.size() - 500}) {
        test::writeBytes(dir / "cut.jpg", good.substr(0, keep));
        ConversionOptions options;
        options.threads = 2;
        EXPECT_THROW(loadAndConvert((dir / "cut.jpg").string(), options), Error) << keep;
    }
}

TEST(ConvertPhotoFile, JpegToJpegWritesWhatSaveWouldWrite) {
    test::TempDir dir;
    const std::string path = test::dataFile("coffee.jpg").string();
    for (PenStyle style : {PenStyle::Pencil, PenStyle::Pen}) {
        ConversionOptions options;
        options.style = style;
        options.threads = 2;
        convertPhotoFile(path, (dir / "piped.jpg").string(), SaveType::Jpeg, options);
        writeSketchAs(convertPhotoReference(readJpeg(path), options), (dir / "saved.jpg").string(),
                      SaveType::Jpeg, 0, 0);
        EXPECT_TRUE(test::readBytes(dir / "piped.jpg") == test::readBytes(dir / "saved.jpg"));
    }
}

TEST(ConvertPhotoFile, AFailureLeavesTheTargetAsItWas) {
    test::TempDir dir;
    const std::string good = test::readBytes(test::dataFile("coffee.jpg"));
    test::writeBytes(dir / "cut.jpg", good.substr(0, good.size() * 2 / 3));
    test::writeBytes(dir / "target.jpg", "old");
    ConversionOptions options;
    options.threads = 2;
    EXPECT_THROW(convertPhotoFile((dir / "cut.jpg").string(), (dir / "target.jpg").string(),
                                  SaveType::Jpeg, options),
                 Error);
    EXPECT_EQ(test::readBytes(dir / "target.jpg"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
}  // namespace carbonel
