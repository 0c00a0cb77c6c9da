// Photos Qt reads for us, PNG output, and camera photos turned upright.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstdlib>

#include "imageio/bmp_codec.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::quoted;

using test::cli;

QImage imageOf(const Raster& raster) {
    return QImage(raster.rowUnchecked(0), raster.width(), raster.height(),
                  static_cast<qsizetype>(raster.bytesPerLine()), QImage::Format_BGR888)
        .copy();
}

TEST(PhotoFormats, QtKindsGiveTheBmpSketchAndPngKeepsItsPixels) {
    test::TempDir dir;
    const auto bmp = test::dataFile("chelsea-24bit.bmp");
    const Raster photo = loadPicture(bmp.string());
    ASSERT_EQ(cli("convert " + quoted(bmp) + " " + quoted(dir / "from-bmp.bmp")).status, 0);
    const std::string expected = test::readBytes(dir / "from-bmp.bmp");
    for (const char* name : {"photo.png", "photo.tif", "photo.webp"}) {
        QImageWriter writer(QString::fromStdString((dir / name).string()));
        writer.setQuality(100);  // lossless WebP
        ASSERT_TRUE(writer.write(imageOf(photo))) << name;
        const test::CommandResult result =
            cli("convert " + quoted(dir / name) + " " + quoted(dir / "out.bmp"));
        ASSERT_EQ(result.status, 0) << name << result.output;
        EXPECT_TRUE(test::readBytes(dir / "out.bmp") == expected) << name;
    }
    // PNG output holds exactly the BMP output's pixels.
    ASSERT_EQ(cli("convert " + quoted(bmp) + " " + quoted(dir / "sketch.png")).status, 0);
    EXPECT_EQ(loadPicture((dir / "sketch.png").string()),
              loadPicture((dir / "from-bmp.bmp").string()));

    // Transparent parts lie on white paper.
    QImage clear(3, 2, QImage::Format_ARGB32);
    clear.fill(qRgba(0, 0, 0, 0));
    clear.setPixel(1, 1, qRgba(0, 0, 255, 255));
    ASSERT_TRUE(clear.save(QString::fromStdString((dir / "clear.png").string())));
    const Raster laid = loadPicture((dir / "clear.png").string());
    EXPECT_EQ(test::pixelAt(laid, 0, 0), test::kWhite);
    EXPECT_EQ(test::pixelAt(laid, 1, 1), (test::Bgr{255, 0, 0}));

    // A cut-off file of any kind is refused and writes nothing.
    std::filesystem::copy_file(test::dataFile("seed.gif"), dir / "photo.gif");  // Qt writes none
    ASSERT_EQ(cli("convert " + quoted(dir / "photo.gif") + " " + quoted(dir / "gif.bmp")).status,
              0);
    for (const char* name : {"photo.png", "photo.tif", "photo.webp", "photo.gif"}) {
        const std::string whole = test::readBytes(dir / name);
        for (const std::size_t kept : {whole.size() / 2, whole.size() * 9 / 10}) {
            const std::string cutName = std::string("cut-") + name;
            test::writeBytes(dir / cutName, whole.substr(0, kept));
            const test::CommandResult cut =
                cli("convert " + quoted(dir / cutName) + " " + quoted(dir / "cut.jpg"));
            EXPECT_EQ(cut.status, 1) << name << " " << kept << cut.output;
            EXPECT_NE(cut.output.find(cutName + ": "), std::string::npos) << cut.output;
            EXPECT_FALSE(std::filesystem::exists(dir / "cut.jpg"));
        }
    }
}

// A JPEG with an Exif block holding only the orientation tag.
std::string withOrientation(const std::string& jpeg, int orientation) {
    const char tiff[26] = {'I',
                           'I',
                           '*',
                           0,
                           8,
                           0,
                           0,
                           0,  // header, IFD0 at 8
                           1,
                           0,  // one entry
                           0x12,
                           0x01,
                           3,
                           0,
                           1,
                           0,
                           0,
                           0,  // orientation, SHORT, one value
                           static_cast<char>(orientation),
                           0,
                           0,
                           0,
                           0,
                           0,
                           0,
                           0};
    const std::string data = std::string("Exif\0\0", 6) + std::string(tiff, sizeof tiff);
    const std::size_t length = data.size() + 2;
    const char marker[4] = {'\xFF', '\xE1', static_cast<char>(length >> 8),
                            static_cast<char>(length & 0xFF)};
    return jpeg.substr(0, 2) + std::string(marker, 4) + data + jpeg.substr(2);
}

TEST(PhotoFormats, CameraPhotosAreTurnedUpright) {
    test::TempDir dir;
    const std::string stored = test::readBytes(test::dataFile("chelsea.jpg"));
    const Raster plain = loadPicture(test::dataFile("chelsea.jpg").string());
    const int w = plain.width(), h = plain.height();
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const auto path = dir / (std::to_string(orientation) + "-oriented.jpg");
        test::writeBytes(path, withOrientation(stored, orientation));
        const Raster upright = loadPicture(path.string());
        // Qt's own reader, turning the photo by the same tag, is the reference; its decoder
        // rounds differently, so the pixels agree closely rather than exactly.
        QImageReader reader(QString::fromStdString(path.string()));
        reader.setAutoTransform(true);
        const QImage reference = reader.read().convertToFormat(QImage::Format_RGB888);
        ASSERT_EQ(upright.width(), reference.width()) << orientation;
        ASSERT_EQ(upright.height(), reference.height()) << orientation;
        long long difference = 0;
        for (int y = 0; y < upright.height(); ++y) {
            const uchar* expected = reference.constScanLine(y);
            const std::uint8_t* got = upright.row(y);
            for (int x = 0; x < upright.width(); ++x) {
                for (int c = 0; c < 3; ++c)
                    difference += std::abs(got[3 * x + 2 - c] - expected[3 * x + c]);
            }
        }
        EXPECT_LT(double(difference) / (3.0 * w * h), 2.0) << orientation;
        EXPECT_EQ(loadPicture(path.string(), PhotoReading::AsStored), plain) << orientation;
    }
    // The tool: an orientation-6 photo of W x H gives an (H+1) x (W+1) sketch, the same as the
    // upright photo saved as a BMP gives; --keep-orientation keeps the stored way round.
    writeSketchFile(loadPicture((dir / "6-oriented.jpg").string()), (dir / "upright.bmp").string(),
                    OutputFormat::Bmp, 0, 0);
    ASSERT_EQ(cli("convert " + quoted(dir / "upright.bmp") + " " + quoted(dir / "e.bmp")).status,
              0);
    ASSERT_EQ(cli("convert " + quoted(dir / "6-oriented.jpg") + " " + quoted(dir / "u.bmp")).status,
              0);
    const Raster sketch = loadPicture((dir / "u.bmp").string());
    EXPECT_EQ(sketch.width(), h + 1);
    EXPECT_EQ(sketch.height(), w + 1);
    EXPECT_TRUE(test::readBytes(dir / "u.bmp") == test::readBytes(dir / "e.bmp"));
    ASSERT_EQ(cli("convert " + quoted(dir / "6-oriented.jpg") + " " + quoted(dir / "k.bmp") +
                  " --keep-orientation --style pen")
                  .status,
              0);
    EXPECT_EQ(loadPicture((dir / "k.bmp").string()).width(), w + 1);
}

TEST(PhotoFormats, BatchTakesEveryPhotoKind) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "out");
    std::filesystem::copy_file(test::dataFile("chelsea.jpg"), dir / "in" / "one.jpeg");
    std::filesystem::copy_file(test::dataFile("coffee.jpg"), dir / "in" / "three.JPG");
    ASSERT_TRUE(imageOf(loadPicture(test::dataFile("chelsea-8bit.bmp").string()))
                    .save(QString::fromStdString((dir / "in" / "two.png").string())));
    const test::CommandResult result =
        cli("batch --out " + quoted(dir / "out") + " " + quoted(dir / "in"));
    ASSERT_EQ(result.status, 0) << result.output;
    for (const char* name : {"one.jpeg", "two.png", "three.JPG"}) {
        EXPECT_TRUE(std::filesystem::exists(dir / "out" / name)) << name;
    }
    EXPECT_EQ(loadPicture((dir / "out" / "two.png").string()).width(),
              loadPicture((dir / "in" / "two.png").string()).width() + 1);
}

}  // namespace
}  // namespace carbonel
