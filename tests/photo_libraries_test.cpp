// Photos read through their formats' own libraries: every layout gives the pixels Qt's readers
// give, HEIF comes out as its own tools decode it, and damaged or outsized files are refused.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <cstdlib>
#include <random>

#include "imageio/orientation.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::cli;
using test::quoted;

// What Qt's reader gives for the file, on white paper as ours lays it.
Raster readWithQt(const std::filesystem::path& path) {
    QImageReader reader(QString::fromStdString(path.string()));
    reader.setAutoTransform(true);
    const QImage image = reader.read().convertToFormat(QImage::Format_RGBA8888);
    EXPECT_FALSE(image.isNull()) << path;
    return test::makeRaster(image.width(), image.height(), [&](int x, int y) {
        const uchar* p = image.constScanLine(y) + 4 * x;
        auto on = [&](int c) {
            return std::uint8_t((p[c] * p[3] + 255 * (255 - p[3]) + 127) / 255);
        };
        return test::Bgr{on(2), on(1), on(0)};
    });
}

// "STEM" followed by the numbers, and the extension.
std::string fileName(std::string stem, std::initializer_list<int> numbers, const char* extension) {
    for (const int number : numbers) stem += std::to_string(number);
    stem += extension;
    return stem;
}

// The largest difference of any channel between two pictures of the same size.
int largestDifference(const Raster& a, const Raster& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.width() != b.width() || a.height() != b.height()) return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int i = 0; i < a.width() * 3; ++i)
            largest = std::max(largest, std::abs(a.row(y)[i] - b.row(y)[i]));
    }
    return largest;
}

double meanDifference(const Raster& a, const Raster& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int i = 0; i < a.width() * 3; ++i) sum += std::abs(a.row(y)[i] - b.row(y)[i]);
    }
    return sum / (3.0 * a.width() * a.height());
}

// A photo-like picture with a transparent corner.
QImage samplePicture(int width, int height) {
    std::mt19937 random(7);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int alpha = x < width / 4 && y < height / 4 ? int(random() % 256) : 255;
            image.setPixel(x, y,
                           qRgba((x * 7 + y) % 256, (y * 5) % 256, int(random() % 256), alpha));
        }
    }
    return image;
}

void writeInterlacedPng(const std::filesystem::path& path, const QImage& picture) {
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, std::uint32_t(rgba.width()), std::uint32_t(rgba.height()), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (int y = 0; y < rgba.height(); ++y)
        rows.push_back(const_cast<png_bytep>(rgba.constScanLine(y)));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// A TIFF of 8-bit samples in the given photometric kind, tiled or in strips.
void writeTiff(const std::filesystem::path& path, int width, int height, int samples,
               int photometric, bool tiled, int orientation) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
    if (photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
    auto sample = [](int x, int y, int c) { return std::uint8_t((x * 11 + y * 3 + c * 70) % 256); };
    if (tiled) {
        constexpr int kTile = 16;
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, kTile);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, kTile);
        std::vector<std::uint8_t> tile(std::size_t(kTile * kTile * samples));
        for (int top = 0; top < height; top += kTile) {
            for (int left = 0; left < width; left += kTile) {
                for (int y = 0; y < kTile; ++y)
                    for (int x = 0; x < kTile; ++x)
                        for (int c = 0; c < samples; ++c)
                            tile[std::size_t((y * kTile + x) * samples + c)] =
                                sample(left + x, top + y, c);
                TIFFWriteTile(tiff, tile.data(), std::uint32_t(left), std::uint32_t(top), 0, 0);
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 5);
        std::vector<std::uint8_t> row(std::size_t(width * samples));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < samples; ++c)
                    row[std::size_t(x * samples + c)] = sample(x, y, c);
            TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0);
        }
    }
    TIFFClose(tiff);
}

// A one-frame GIF on a larger screen, its frame (colour index x + y mod 4 of four colours) at
// (left, top); a transparent index when `transparent` is 0..3.
void writeGif(const std::filesystem::path& path, bool interlaced, int transparent) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    GifColorType colours[4] = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}, {90, 90, 90}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 30, 20, 2, 1, map);
    if (transparent >= 0) {
        GraphicsControlBlock control{0, false, 0, transparent};
        GifByteType block[4];
        EGifGCBToExtension(&control, block);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block);
    }
    const int width = 17, height = 11;
    EGifPutImageDesc(gif, 5, 4, width, height, interlaced, nullptr);
    std::vector<GifPixelType> line(width);
    auto put = [&](int y) {
        for (int x = 0; x < width; ++x) line[std::size_t(x)] = GifPixelType((x + y) % 4);
        EGifPutLine(gif, line.data(), width);
    };
    if (interlaced) {
        for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = first; y < height; y += step) put(y);
    } else {
        for (int y = 0; y < height; ++y) put(y);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
}

TEST(PhotoLibraries, EveryLayoutReadsAsQtReadsIt) {
    test::TempDir dir;
    const QImage picture = samplePicture(37, 23);
    // PNG: every colour type and depth Qt writes, and an interlaced one.
    for (const auto format :
         {QImage::Format_RGB888, QImage::Format_ARGB32, QImage::Format_Grayscale8,
          QImage::Format_Grayscale16, QImage::Format_Indexed8, QImage::Format_Mono,
          QImage::Format_RGBA64}) {
        const auto path = dir / fileName("p", {int(format)}, ".png");
        const QImage converted = format == QImage::Format_Indexed8 || format == QImage::Format_Mono
                                     ? picture.convertToFormat(format, Qt::ThresholdDither)
                                     : picture.convertToFormat(format);
        ASSERT_TRUE(converted.save(QString::fromStdString(path.string())));
        EXPECT_EQ(largestDifference(loadPicture(path.string()), readWithQt(path)), 0) << path;
    }
    writeInterlacedPng(dir / "interlaced.png", picture);
    EXPECT_EQ(largestDifference(loadPicture((dir / "interlaced.png").string()),
                                readWithQt(dir / "interlaced.png")),
              0);
    // WebP: lossless and lossy, with and without transparency.
    for (const int quality : {100, 80}) {
        for (const auto format : {QImage::Format_RGB888, QImage::Format_ARGB32}) {
            const auto path = dir / fileName("w", {quality, int(format)}, ".webp");
            QImageWriter writer(QString::fromStdString(path.string()));
            writer.setQuality(quality);
            ASSERT_TRUE(writer.write(picture.convertToFormat(format)));
            EXPECT_EQ(largestDifference(loadPicture(path.string()), readWithQt(path)), 0) << path;
        }
    }
    // A lossy WebP of more than 24 MiB of rows is decoded in bands: the same pixels.
    QImage large(3000, 2200, QImage::Format_ARGB32);
    for (int y = 0; y < large.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(large.scanLine(y));
        for (int x = 0; x < large.width(); ++x)
            row[x] = qRgba(x * 255 / 3000, y * 255 / 2200, (x * y) % 251, x < 100 ? y % 256 : 255);
    }
    QImageWriter largeWriter(QString::fromStdString((dir / "large.webp").string()));
    largeWriter.setQuality(70);
    ASSERT_TRUE(largeWriter.write(large));
    EXPECT_EQ(largestDifference(loadPicture((dir / "large.webp").string()),
                                readWithQt(dir / "large.webp")),
              0);
    // TIFF: strips and tiles, RGB, grey, palette, CMYK; alpha (multiplied in by libtiff) and 16
    // bits may round a level apart from Qt's reader.
    for (const auto format :
         {QImage::Format_RGB888, QImage::Format_Grayscale8, QImage::Format_Indexed8,
          QImage::Format_ARGB32, QImage::Format_RGBA64}) {
        const auto path = dir / fileName("t", {int(format)}, ".tif");
        ASSERT_TRUE(picture.convertToFormat(format).save(QString::fromStdString(path.string())));
        EXPECT_LE(largestDifference(loadPicture(path.string()), readWithQt(path)), 1) << path;
    }
    for (const bool tiled : {false, true}) {
        for (const auto& [samples, photometric] : {std::pair{3, PHOTOMETRIC_RGB},
                                                   {1, PHOTOMETRIC_MINISBLACK},
                                                   {4, PHOTOMETRIC_SEPARATED}}) {
            const auto path = dir / fileName("k", {tiled, samples}, ".tif");
            writeTiff(path, 45, 35, samples, photometric, tiled, ORIENTATION_TOPLEFT);
            EXPECT_EQ(largestDifference(loadPicture(path.string()), readWithQt(path)), 0) << path;
        }
    }
    // The TIFF Orientation tag turns the picture as an Exif tag does, unless kept as stored.
    writeTiff(dir / "turned.tif", 45, 35, 3, PHOTOMETRIC_RGB, true, ORIENTATION_RIGHTTOP);
    const Raster stored = loadPicture((dir / "turned.tif").string(), PhotoReading::AsStored);
    EXPECT_EQ(stored.width(), 45);
    EXPECT_EQ(loadPicture((dir / "turned.tif").string()), orientUpright(stored, 6));
    // The content tells the kind, whatever the name says.
    const auto webp = dir / fileName("w", {100, int(QImage::Format_RGB888)}, ".webp");
    std::filesystem::copy_file(webp, dir / "webp-named.png");
    EXPECT_EQ(loadPicture((dir / "webp-named.png").string()), loadPicture(webp.string()));
    // Our own decoders' kinds too: a JPEG named .png, a PNG named .jpg, a JPEG named .bmp.
    const auto jpeg = test::dataFile("chelsea.jpg");
    const auto png = test::dataFile("seed.png");
    for (const auto& [source, misnamed] :
         {std::pair{jpeg, "jpeg-named.png"}, std::pair{png, "png-named.jpg"},
          std::pair{jpeg, "jpeg-named.bmp"}}) {
        std::filesystem::copy_file(source, dir / misnamed);
        EXPECT_EQ(loadPicture((dir / misnamed).string()), loadPicture(source.string())) << misnamed;
    }
    // GIF: the screen's background around the frame, transparency, interlacing.
    for (const bool interlaced : {false, true}) {
        for (const int transparent : {-1, 2}) {
            const auto path = dir / fileName("g", {interlaced, transparent}, ".gif");
            writeGif(path, interlaced, transparent);
            EXPECT_EQ(largestDifference(loadPicture(path.string()), readWithQt(path)), 0) << path;
        }
    }
}

TEST(PhotoLibraries, HeifComesOutAsItsOwnToolsDecodeItAndUpright) {
    test::TempDir dir;
    writeSketchFile(loadPicture(test::dataFile("chelsea.jpg").string()),
                    (dir / "photo.png").string(), OutputFormat::Png, 0, 0);
    for (const char* name : {"photo.heic", "photo.avif"}) {
        const std::string avif = std::string(name).ends_with(".avif") ? "-A " : "";
        ASSERT_EQ(test::runCommand("heif-enc -q 90 " + avif + "-o " + quoted(dir / name) + " " +
                                   quoted(dir / "photo.png"))
                      .status,
                  0);
        ASSERT_EQ(
            test::runCommand("heif-convert " + quoted(dir / name) + " " + quoted(dir / "back.png"))
                .status,
            0);
        const Raster decoded = loadPicture((dir / name).string());
        const Raster reference = loadPicture((dir / "back.png").string());
        EXPECT_LE(largestDifference(decoded, reference), 3) << name;
        // The sketches agree as closely: the kind is told by the content on standard input too.
        ASSERT_EQ(test::runCommand(std::string(CARBONEL_CLI) + " convert - " +
                                   quoted(dir / "a.bmp") + " < " + quoted(dir / name))
                      .status,
                  0);
        ASSERT_EQ(cli("convert " + quoted(dir / "back.png") + " " + quoted(dir / "b.bmp")).status,
                  0);
        EXPECT_LT(meanDifference(loadPicture((dir / "a.bmp").string()),
                                 loadPicture((dir / "b.bmp").string())),
                  1.0)
            << name;
    }
    // A picture rotated a quarter turn (its pixel-information property turned into a rotation by
    // 90 degrees) comes out upright, unless kept as stored.
    std::string bytes = test::readBytes(dir / "photo.heic");
    const std::size_t at = bytes.find("pixi");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 4, "irot");
    bytes[at + 4] = 1;
    test::writeBytes(dir / "turned.heic", bytes);
    const Raster upright = loadPicture((dir / "turned.heic").string());
    const Raster stored = loadPicture((dir / "turned.heic").string(), PhotoReading::AsStored);
    EXPECT_EQ(stored.width(), upright.height());
    EXPECT_EQ(upright, orientUpright(stored, 8));  // 90 degrees anticlockwise
}

TEST(PhotoLibraries, DamagedAndOutsizedFilesAreRefusedNamingThem) {
    test::TempDir dir;
    auto refusal = [&](const std::string& name, const std::string& bytes) {
        test::writeBytes(dir / name, bytes);
        const test::CommandResult result =
            cli("convert " + quoted(dir / name) + " " + quoted(dir / "out.jpg"));
        EXPECT_EQ(result.status, 1) << name << result.output;
        EXPECT_NE(result.output.find(name + ": "), std::string::npos) << result.output;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.jpg")) << name;
        return result.output;
    };
    auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    // A PNG declaring a text chunk of 2 GB.
    std::string png("\x89PNG\r\n\x1A\n");
    for (const std::string& part :
         {be32(13), std::string("IHDR"), be32(1), be32(1), std::string("\x08\x02\x00\x00\x00", 5),
          be32(0), be32(0x7FFFFFF0), std::string("tEXtkey")})
        png.append(part);
    refusal("huge-text.png", png);
    // A lossless WebP said to be 16383 pixels square: refused before it is decoded.
    QImageWriter writer(QString::fromStdString((dir / "small.webp").string()));
    writer.setQuality(100);
    ASSERT_TRUE(writer.write(samplePicture(8, 8).convertToFormat(QImage::Format_RGB888)));
    std::string webp = test::readBytes(dir / "small.webp");
    const std::size_t vp8l = webp.find("VP8L");
    ASSERT_NE(vp8l, std::string::npos);
    webp[vp8l + 9] = '\xFF';  // 14 bits of width - 1, then 14 of height - 1
    webp[vp8l + 10] = '\xFF';
    webp[vp8l + 11] = '\xFF';
    webp[vp8l + 12] = char((webp[vp8l + 12] & 0xF0) | 0x0F);
    EXPECT_NE(refusal("huge.webp", webp).find("too large"), std::string::npos);
    // A TIFF of 16-bit floating-point samples, a HEIF without a picture, and a cut-off HEIC.
    TIFF* tiff = TIFFOpen((dir / "float.tif").c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 4);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    std::uint16_t row[4] = {0, 0x3400, 0x3800, 0x3C00};  // 0, 0.25, 0.5 and 1 as half floats
    TIFFWriteScanline(tiff, row, 0, 0);
    TIFFClose(tiff);
    EXPECT_NE(refusal("float.tif", test::readBytes(dir / "float.tif")).find("floating-point"),
              std::string::npos);
    std::string heif = be32(24);
    heif.append("ftypheic").append(be32(0)).append("mif1heic");
    refusal("empty.heic", heif);
    // An interlaced GIF frame of no width (found by fuzzing) leaves its screen's background.
    const Raster screen = loadPicture(test::dataFile("empty-interlaced-frame.gif").string());
    EXPECT_EQ(screen.width(), 64);
    EXPECT_EQ(screen.height(), 43);
    // A HEIC whose grid is far larger than the size it gives (found by fuzzing: libheif took
    // 4 GB for it). It is kept under another name, out of the batch examples' way.
    EXPECT_NE(
        refusal("grid.heic", test::readBytes(test::dataFile("grid-larger-than-said-heic.bin")))
            .find("too large"),
        std::string::npos);
    const std::string heic = test::readBytes(test::dataFile("seed.heic"));
    refusal("cut.heic", heic.substr(0, heic.size() * 2 / 3));
}

}  // namespace
}  // namespace carbonel
