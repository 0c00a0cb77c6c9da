#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "imageio/conversion.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "test_support.h"

namespace carbonel {
namespace {

using test::Bgr;

std::uint32_t u32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}
std::uint16_t u16At(const std::string& bytes, std::size_t at) {
    std::uint16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

Raster sampleSketch() {
    return test::makeRaster(201, 101, [](int x, int y) {
        return x < 100 && y < 50 ? Bgr{0, 0, 0} : Bgr{255, 255, 255};
    });
}

TEST(Metafile, PlaceableWmfHasTheKeyTheFrameAndOneBitmapRecord) {
    test::TempDir dir;
    const std::string name =
        saveSketch(sampleSketch(), (dir / "sketch").string(), OutputFormat::Wmf, 200, 100);
    EXPECT_EQ(name, (dir / "sketch.wmf").string());
    const std::string bytes = test::readBytes(name);
    ASSERT_GT(bytes.size(), 40u);
    EXPECT_EQ(bytes.substr(0, 4), "\xD7\xCD\xC6\x9A");
    EXPECT_EQ(u16At(bytes, 10), 200);  // bounding box right, bottom: the photo's size at 96 dpi
    EXPECT_EQ(u16At(bytes, 12), 100);
    EXPECT_EQ(u16At(bytes, 14), 96);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= u16At(bytes, i);
    EXPECT_EQ(u16At(bytes, 20), checksum);
    EXPECT_EQ(u32At(bytes, 22 + 6) * 2, bytes.size() - 22);      // total size in words
    EXPECT_EQ(u16At(bytes, 22 + 18 + 4), 0x0F43);                // the stretched bitmap
    EXPECT_EQ(u16At(bytes, 22 + 18 + 4 + 2 + 4 + 2 + 8), 101);   // drawn 101 high
    EXPECT_EQ(u16At(bytes, 22 + 18 + 4 + 2 + 4 + 2 + 10), 201);  // and 201 wide: its own size
    EXPECT_EQ(bytes.substr(bytes.size() - 6), std::string("\x03\x00\x00\x00\x00\x00", 6));
}

TEST(Metafile, AMetafileReaderRendersTheWmf) {
    test::TempDir dir;
    const auto wmf = dir / "sketch.wmf";
    writeSketchFile(sampleSketch(), wmf.string(), OutputFormat::Wmf, 200, 100);
    const auto svg = dir / "sketch.svg";
    const test::CommandResult result = test::runCommand(
        std::string(WMF2SVG) + " -o " + test::quoted(svg) + " " + test::quoted(wmf));
    ASSERT_EQ(result.status, 0) << result.output;
    const std::string text = test::readBytes(svg);
    // The frame is the photo's size, and the bitmap starts at its top-left corner.
    EXPECT_NE(text.find("<svg width=\"200\" height=\"100\""), std::string::npos)
        << text.substr(0, 400);
    EXPECT_NE(text.find("<image x=\"0.000000\" y=\"0.000000\""), std::string::npos)
        << text.substr(0, 400);
}

TEST(Metafile, EnhancedMetafileRecordsAreWellFormed) {
    test::TempDir dir;
    const auto emf = dir / "sketch.emf";
    writeSketchFile(sampleSketch(), emf.string(), OutputFormat::Emf, 200, 100);
    const std::string bytes = test::readBytes(emf);
    ASSERT_GE(bytes.size(), 108u);
    EXPECT_EQ(u32At(bytes, 0), 1u);
    EXPECT_EQ(u32At(bytes, 40), 0x464D4520u);
    EXPECT_EQ(u32At(bytes, 48), bytes.size());
    // Walk the records: each starts with its type and its size in bytes.
    std::vector<std::uint32_t> types;
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        const std::uint32_t size = u32At(bytes, at + 4);
        ASSERT_EQ(size % 4, 0u);
        ASSERT_GE(size, 8u);
        types.push_back(u32At(bytes, at));
        at += size;
        ASSERT_LE(at, bytes.size());
    }
    EXPECT_EQ(types, (std::vector<std::uint32_t>{1, 81, 14}));
    EXPECT_EQ(u32At(bytes, 52), types.size());
    const std::size_t stretch = 108;
    EXPECT_EQ(u32At(bytes, stretch), 81u);
    EXPECT_EQ(u32At(bytes, stretch + 40), 201u);  // source width, height: the whole sketch
    EXPECT_EQ(u32At(bytes, stretch + 44), 101u);
    EXPECT_EQ(u32At(bytes, bytes.size() - 20), 14u);
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

// A stream that takes every byte but cannot seek, as a pipe: the bitmap formats, whose rows are
// written at their places, are refused with the reason before a byte is written.
TEST(SketchWriter, AFailedSeekFailsTheWrite) {
    cookie_io_functions_t pipeLike{};
    pipeLike.write = [](void*, const char*, std::size_t size) -> ssize_t {
        return static_cast<ssize_t>(size);
    };
    pipeLike.seek = [](void*, off64_t*, int) -> int {
        errno = ESPIPE;
        return -1;
    };
    const std::string photo = test::dataFile("chelsea.jpg").string();
    for (OutputFormat format : {OutputFormat::Bmp, OutputFormat::Wmf, OutputFormat::Emf,
                                OutputFormat::Jpeg, OutputFormat::Png}) {
        std::FILE* out = ::fopencookie(nullptr, "w", pipeLike);
        ASSERT_NE(out, nullptr);
        const std::unique_ptr<PhotoReader> reader = openPhotoFile(photo);
        // JPEG and PNG are written in order, and need no seek.
        const std::string error =
            test::errorOf([&] { convertRows(*reader, {}, format, out, "sketch.file"); });
        if (writtenOutOfOrder(format)) {
            EXPECT_TRUE(error.starts_with("sketch.file: ")) << error;
            EXPECT_NE(error.find("needs a file it can seek in, not a pipe"), std::string::npos);
        } else {
            EXPECT_EQ(error, "");
        }
        std::fclose(out);
    }
}

}  // namespace
}  // namespace carbonel
