#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "imageio/bmp_codec.h"
#include "imageio/conversion.h"
#include "imageio/jpeg_codec.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
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
        EXPECT_EQ(loadPicture(test::dataFile(name).string()), loadPicture(reference.string()))
            << name;
    }
}

TEST(Jpeg, EncodesExactlyAsTheReferenceEncoder) {
    test::TempDir dir;
    ConversionOptions options;
    options.style = PenStyle::Pastel;
    const Raster sketch =
        convertPhoto(loadPicture(test::dataFile("chelsea.jpg").string()), options);
    const auto ours = dir / "ours.jpg";
    const auto bmp = dir / "sketch.bmp";
    const auto reference = dir / "reference.jpg";
    writeSketchFile(sketch, ours.string(), OutputFormat::Jpeg, 0, 0);
    writeSketchFile(sketch, bmp.string(), OutputFormat::Bmp, 0, 0);
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

// Where libjpeg rounds its coefficients otherwise (its plain C code, forced here), the program
// finds out and leaves the whole encoding to it: the file is still the reference encoder's.
TEST(Jpeg, AnotherRoundingInTheLibraryStillGivesItsBytes) {
    test::TempDir dir;
    const std::string plain = "JSIMD_FORCENONE=1 ";
    const std::string photo = quoted(test::dataFile("coffee.jpg"));
    for (const char* output : {"ours.jpg", "sketch.bmp"}) {
        ASSERT_EQ(test::runCommand(plain + CARBONEL_CLI + " convert " + photo + " " +
                                   quoted(dir / output))
                      .status,
                  0);
    }
    ASSERT_EQ(test::runCommand(plain + CJPEG + " -dct float -quality 20 -baseline -outfile " +
                               quoted(dir / "reference.jpg") + " " + quoted(dir / "sketch.bmp"))
                  .status,
              0);
    std::string a = test::readBytes(dir / "ours.jpg"), b = test::readBytes(dir / "reference.jpg");
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 13; i < 18; ++i) a[i] = b[i] = 0;  // the JFIF density fields
    EXPECT_TRUE(a == b);
}

TEST(Jpeg, DamagedFilesFailWithTheCodecsMessage) {
    test::TempDir dir;
    const std::string good = test::readBytes(test::dataFile("chelsea.jpg"));
    test::writeBytes(dir / "empty.jpg", "");
    test::writeBytes(dir / "text.jpg", "this is not a picture\n");
    test::writeBytes(dir / "truncated.jpg", good.substr(0, good.size() / 2));
    EXPECT_EQ(test::errorOf([&] { loadPicture((dir / "missing.jpg").string()); }),
              "Cannot open file " + (dir / "missing.jpg").string() + ": No such file or directory");
    // The library's number, then its words.
    for (const auto& [name, message] :
         {std::pair{"empty.jpg", "JPEG error #42: Empty input file"},
          std::pair{"text.jpg", "JPEG error #53: Not a JPEG file: starts with 0x74 0x68"},
          std::pair{"truncated.jpg", "JPEG error #120: Premature end of JPEG file"}}) {
        EXPECT_EQ(test::errorOf([&] { loadPicture((dir / name).string()); }),
                  (dir / name).string() + ": " + message);
    }
}

// A JPEG file of the photo's pixels with every component at full resolution, quality 98: as light
// (RGB), as Adobe's inverted ink (CMYK with the colour in C, M, Y and no black), or that ink
// stored as YCCK. `scans`, when given, is the scan script of a progressive file.
std::string encodeTwin(const Raster& photo, J_COLOR_SPACE space,
                       const std::vector<jpeg_scan_info>& scans = {}) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(photo.width());
    info.image_height = JDIMENSION(photo.height());
    const bool ink = space != JCS_RGB;
    info.input_components = ink ? 4 : 3;
    info.in_color_space = ink ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, space == JCS_RGB ? JCS_YCbCr : space);
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_set_quality(&info, 98, TRUE);
    if (!scans.empty()) {
        info.scan_info = scans.data();
        info.num_scans = int(scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(std::size_t(photo.width()) * 4);
    for (int y = 0; y < photo.height(); ++y) {
        const std::uint8_t* bgr = photo.rowUnchecked(y);
        for (int x = 0; x < photo.width(); ++x) {
            unsigned char* out = &row[std::size_t(x) * info.input_components];
            out[0] = bgr[3 * x + 2], out[1] = bgr[3 * x + 1], out[2] = bgr[3 * x];
            if (ink) out[3] = 255;  // inverted: no black ink
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string file(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return file;
}

Raster decodedJpeg(const std::string& file) {
    return decodePicture(std::vector<std::uint8_t>(file.begin(), file.end()));
}

TEST(Jpeg, PrintersPhotosConvertLikeTheirRgbTwin) {
    const Raster photo = loadPicture(test::dataFile("chelsea.jpg").string());
    const Raster light = decodedJpeg(encodeTwin(photo, JCS_RGB));
    for (J_COLOR_SPACE ink : {JCS_CMYK, JCS_YCCK}) {
        const Raster inked = decodedJpeg(encodeTwin(photo, ink));
        ASSERT_EQ(inked.width(), light.width());
        int largest = 0;
        for (int y = 0; y < light.height(); ++y) {
            for (int i = 0; i < light.width() * 3; ++i) {
                largest = std::max(largest,
                                   std::abs(inked.rowUnchecked(y)[i] - light.rowUnchecked(y)[i]));
            }
        }
        EXPECT_LE(largest, 8) << ink;  // JPEG's rounding, not a colour shift or inverted picture
        ConversionOptions pen;
        pen.style = PenStyle::Pen;
        const Raster a = convertPhoto(inked, pen), b = convertPhoto(light, pen);
        long same = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                same += test::pixelAt(a, x, y) == test::pixelAt(b, x, y);
        EXPECT_GT(same, long(a.width()) * a.height() * 97 / 100) << ink;
    }
}

TEST(Jpeg, CraftedFilesAreRefusedBeforeTheyCostMuch) {
    // A progressive header claiming 16383 x 16383 pixels with no data: its coefficients alone
    // would take 1.5 GB.
    const Raster small = test::makeRaster(16, 16, [](int x, int y) {
        return test::Bgr{std::uint8_t(x * 9), std::uint8_t(y * 9), 7};
    });
    std::vector<jpeg_scan_info> scans = {{3, {0, 1, 2}, 0, 0, 0, 0}};
    for (int c = 0; c < 3; ++c) scans.push_back({1, {c}, 1, 63, 0, 0});
    std::string header = encodeTwin(small, JCS_RGB, scans);
    const std::size_t sof = header.find("\xff\xc2");
    ASSERT_NE(sof, std::string::npos);
    header.replace(sof + 5, 4, "\x3f\xff\x3f\xff");
    const std::size_t sos = header.find("\xff\xda");
    header.resize(sos + 2 + std::size_t(std::uint8_t(header[sos + 2])) * 256 +
                  std::uint8_t(header[sos + 3]));
    EXPECT_EQ(test::errorOf([&] { decodedJpeg(header); }),
              "JPEG file refused: decoding it would take far more memory than a file of its size "
              "can need");
    // Thousands of valid scans: each coefficient band of each component refined bit by bit.
    scans = {{3, {0, 1, 2}, 0, 0, 0, 0}};
    for (int c = 0; c < 3; ++c) {
        for (int band = 1; band < 64; ++band) {
            scans.push_back({1, {c}, band, band, 0, 5});
            for (int bit = 5; bit > 0; --bit) scans.push_back({1, {c}, band, band, bit, bit - 1});
        }
    }
    EXPECT_EQ(test::errorOf([&] { decodedJpeg(encodeTwin(small, JCS_RGB, scans)); }),
              "JPEG file refused: more than 256 progressive scans");
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
    EXPECT_EQ(test::errorOf([&] { loadPicture((dir / "huge.jpg").string()); }),
              (dir / "huge.jpg").string() +
                  ": Picture too large: 60000 x 60000 pixels (at most 16385 in either direction)");
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

// One photo file into one sketch file under exactly `output`, as `carbonel-cli convert` does.
void convertFile(const std::string& photo, const std::string& output, OutputFormat format,
                 const ConversionOptions& options, ConversionCopies* copies = nullptr) {
    AtomicFile file(output);
    convertPhotoFile(photo, file, format, options, {}, copies);
    file.commit();
}

// Rows decoded straight into the hand-off ring, ink rows too, give the sketch of the whole
// decoded photo.
TEST(ConvertPhotoFile, StreamedPrintersPhotosSketchLikeTheirDecodedPixels) {
    test::TempDir dir;
    const Raster photo = loadPicture(test::dataFile("chelsea.jpg").string());
    for (J_COLOR_SPACE space : {JCS_RGB, JCS_CMYK}) {
        const std::string twin = encodeTwin(photo, space);
        const auto path = dir / "twin.jpg";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(file);
        std::fwrite(twin.data(), 1, twin.size(), file);
        std::fclose(file);
        ConversionOptions options;
        options.threads = 2;
        convertFile(path.string(), (dir / "streamed.bmp").string(), OutputFormat::Bmp, options);
        const Raster decoded = decodedJpeg(twin);
        writeSketchFile(convertPhoto(decoded, options), (dir / "whole.bmp").string(),
                        OutputFormat::Bmp, decoded.width(), decoded.height());
        EXPECT_TRUE(test::readBytes(dir / "streamed.bmp") == test::readBytes(dir / "whole.bmp"))
            << space;
    }
}

TEST(ConvertPhotoFile, SketchingWhileReadingGivesTheReferenceSketch) {
    test::TempDir dir;
    const std::string path = test::dataFile("coffee.jpg").string();
    const Raster photo = loadPicture(path);
    const Raster paper = test::makeRaster(7, 5, [](int x, int y) {
        return test::Bgr{std::uint8_t(30 * x), std::uint8_t(40 * y), 99};
    });
    for (int line : {1, 4, 15}) {
        for (PenStyle style : {PenStyle::Pen, PenStyle::Pencil, PenStyle::Pastel}) {
            ConversionOptions options;
            options.line = line;
            options.style = style;
            options.threads = 2;
            options.texture = line == 4 ? &paper : nullptr;
            ConversionCopies shown;
            convertFile(path, (dir / "s.bmp").string(), OutputFormat::Bmp, options, &shown);
            const Raster reference = convertPhotoReference(photo, options);
            EXPECT_EQ(shown.photo, photo);
            EXPECT_EQ(shown.sketch, reference) << line;
            EXPECT_EQ(loadPicture((dir / "s.bmp").string()), reference) << line;
        }
    }
}

TEST(ConvertPhotoFile, AReadingFailureReachesTheCaller) {
    test::TempDir dir;
    const std::string good = test::readBytes(test::dataFile("coffee.jpg"));
    for (std::size_t keep : {std::size_t{700}, good.size() / 3, good.size() - 500}) {
        test::writeBytes(dir / "cut.jpg", good.substr(0, keep));
        ConversionOptions options;
        options.threads = 2;
        EXPECT_THROW(convertFile((dir / "cut.jpg").string(), (dir / "o.png").string(),
                                 OutputFormat::Png, options),
                     Error)
            << keep;
    }
}

// Pencil and Pen on white paper stream grey rows, one byte a pixel, into the JPEG writer.
TEST(ConvertPhotoFile, JpegToJpegWritesWhatSaveWouldWrite) {
    test::TempDir dir;
    const std::string path = test::dataFile("coffee.jpg").string();
    for (PenStyle style : {PenStyle::Pencil, PenStyle::Pen}) {
        for (int line : {1, 4}) {
            for (int threads : {1, 2}) {
                ConversionOptions options;
                options.style = style;
                options.line = line;
                options.threads = threads;
                convertFile(path, (dir / "piped.jpg").string(), OutputFormat::Jpeg, options);
                writeSketchFile(convertPhotoReference(loadPicture(path), options),
                                (dir / "saved.jpg").string(), OutputFormat::Jpeg, 0, 0);
                EXPECT_TRUE(test::readBytes(dir / "piped.jpg") ==
                            test::readBytes(dir / "saved.jpg"))
                    << line << " " << threads;
            }
        }
    }
}

TEST(ConvertPhotoFile, StreamingWritesWhatConvertAndSaveWrite) {
    test::TempDir dir;
    const Raster paper = test::makeRaster(7, 5, [](int x, int y) {
        return test::Bgr{std::uint8_t(30 * x), std::uint8_t(40 * y), 99};
    });
    for (const char* photo : {"coffee.jpg", "chelsea-8bit.bmp", "chelsea-24bit.bmp"}) {
        const std::string path = test::dataFile(photo).string();
        for (OutputFormat type : {OutputFormat::Jpeg, OutputFormat::Bmp, OutputFormat::Wmf,
                                  OutputFormat::Emf, OutputFormat::Png}) {
            ConversionOptions options;
            options.style = type == OutputFormat::Jpeg ? PenStyle::Pastel : PenStyle::Pen;
            options.line = 3;
            options.texture = &paper;
            options.textureFit = TextureFit::Stretch;
            const Raster whole = loadPicture(path);
            for (const char* kind : {".a", ".b"}) {
                convertFile(path, (dir / "streamed").string() + kind, type, options);
                writeSketchFile(convertPhoto(whole, options), (dir / "saved").string() + kind, type,
                                whole.width(), whole.height());
                EXPECT_TRUE(test::readBytes((dir / "streamed").string() + kind) ==
                            test::readBytes((dir / "saved").string() + kind))
                    << photo << kind;
            }
        }
    }
}

TEST(ConvertPhotoFile, AFileThatFailsAfterItsLastRowFailsOnEveryThreadCount) {
    test::TempDir dir;
    std::string bytes = test::readBytes(test::dataFile("coffee.jpg"));
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\xff\xd9");
    bytes.insert(bytes.size() - 2, std::string("\xff\xda\x00\x02\x00", 5));
    test::writeBytes(dir / "tail.jpg", bytes);
    for (int run = 0; run < 20; ++run) {
        for (int threads : {1, 2}) {
            for (OutputFormat type : {OutputFormat::Jpeg, OutputFormat::Bmp}) {
                ConversionOptions options;
                options.threads = threads;
                EXPECT_NE(test::errorOf([&] {
                              convertFile((dir / "tail.jpg").string(), (dir / "out").string(), type,
                                          options);
                          }),
                          "");
                ASSERT_FALSE(std::filesystem::exists(dir / "out")) << threads;
            }
        }
    }
}

TEST(ConvertPhotoFile, AFailureLeavesTheTargetAsItWas) {
    test::TempDir dir;
    const std::string good = test::readBytes(test::dataFile("coffee.jpg"));
    test::writeBytes(dir / "cut.jpg", good.substr(0, good.size() * 2 / 3));
    test::writeBytes(dir / "target.jpg", "old");
    ConversionOptions options;
    options.threads = 2;
    EXPECT_THROW(convertFile((dir / "cut.jpg").string(), (dir / "target.jpg").string(),
                             OutputFormat::Jpeg, options),
                 Error);
    EXPECT_EQ(test::readBytes(dir / "target.jpg"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
}  // namespace carbonel
