#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imageio/jpeg_codec.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

struct Picture {
    std::string name;
    int width, height;
    std::vector<std::uint8_t> bgr;
};

Picture makePicture(std::string name, int width, int height,
                    const std::function<void(int x, int y, std::uint8_t* pixel)>& paint) {
    Picture picture{std::move(name), width, height,
                    std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) paint(x, y, &picture.bgr[(std::size_t(y) * width + x) * 3]);
    return picture;
}

std::string encode(const Picture& picture, int quality, JpegCoding coding, int threads = 0) {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&bytes, &size);
    {
        JpegRowEncoder encoder(memory, picture.width, picture.height, quality, coding, threads);
        for (int y = 0; y < picture.height; ++y)
            encoder.writeRow(&picture.bgr[std::size_t(y) * picture.width * 3]);
        encoder.finish();
    }
    std::fclose(memory);
    std::string written(bytes, size);
    std::free(bytes);
    return written;
}

TEST(JpegCoefficients, GiveTheLibrarysOwnBytes) {
    std::mt19937 random(7);
    auto byte = [&] { return static_cast<std::uint8_t>(random() & 255); };
    const std::vector<Picture> pictures = {
        makePicture("one pixel", 1, 1,
                    [](int, int, std::uint8_t* p) { p[0] = 9, p[1] = 200, p[2] = 3; }),
        makePicture("grey noise", 77, 40,
                    [&](int, int, std::uint8_t* p) { p[0] = p[1] = p[2] = byte(); }),
        makePicture(
            "colour noise", 45, 37,
            [&](int, int, std::uint8_t* p) { p[0] = byte(), p[1] = byte(), p[2] = byte(); }),
        // Paper with dark lines, a sketch's kind of picture: mostly flat blocks. Tall enough for
        // the coder to fall behind by a whole ring.
        makePicture("sketch", 130, 300,
                    [](int x, int y, std::uint8_t* p) {
                        p[0] = p[1] = p[2] = (x + 2 * y) % 29 == 0 || y % 23 == 5 ? 40 : 255;
                    }),
        // Strips of grey rows, of colour rows and of both, with flat colour blocks.
        makePicture("mixed strips", 100, 50,
                    [&](int x, int y, std::uint8_t* p) {
                        const bool colour = y >= 16 && (y < 32 ? y % 5 == 0 : x > 60);
                        p[0] = static_cast<std::uint8_t>(x * 3);
                        p[1] = colour ? static_cast<std::uint8_t>(y * 5) : p[0];
                        p[2] = colour ? 17 : p[0];
                    }),
        makePicture("flat", 33, 16,
                    [](int, int, std::uint8_t* p) { p[0] = 10, p[1] = 20, p[2] = 250; }),
    };
    for (const Picture& picture : pictures) {
        for (int quality : {1, 20, 50, 95, 100}) {
            const std::string library = encode(picture, quality, JpegCoding::Library);
            ASSERT_GT(library.size(), 100u);
            EXPECT_TRUE(encode(picture, quality, JpegCoding::OwnCoefficients) == library)
                << picture.name << ", quality " << quality;
            for (int threads : {0, 1}) {
                EXPECT_TRUE(encode(picture, quality, JpegCoding::Fastest, threads) == library)
                    << picture.name << ", quality " << quality << ", threads " << threads;
            }
        }
    }
}

TEST(JpegCoefficients, FailuresEndTheCoderWithoutWaiting) {
    const std::vector<std::uint8_t> row(std::size_t(64) * 3, 100);
    // A refused write reaches the rows that follow, or the end, as libjpeg's error, on one core
    // or more.
    for (int threads : {0, 1}) {
        std::FILE* full = std::fopen("/dev/full", "wb");
        ASSERT_TRUE(full);
        std::setvbuf(full, nullptr, _IONBF, 0);
        try {
            JpegRowEncoder encoder(full, 64, 4000, 20, JpegCoding::OwnCoefficients, threads);
            for (int y = 0; y < 4000; ++y) encoder.writeRow(row.data());
            encoder.finish();
            ADD_FAILURE() << "a write to a full device succeeded";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find("JPEG error"), std::string::npos)
                << error.what();
        }
        std::fclose(full);
    }

    std::FILE* nowhere = std::fopen("/dev/null", "wb");
    ASSERT_TRUE(nowhere);
    for (int rows : {40, 60}) {  // whole strips missing, or a few rows of the last
        JpegRowEncoder encoder(nowhere, 64, 64, 20, JpegCoding::OwnCoefficients);
        for (int y = 0; y < rows; ++y) encoder.writeRow(row.data());
        EXPECT_THROW(encoder.finish(), Error) << rows;
    }
    {
        JpegRowEncoder encoder(nowhere, 64, 20, 20, JpegCoding::OwnCoefficients);
        for (int y = 0; y < 20; ++y) encoder.writeRow(row.data());
        EXPECT_THROW(encoder.writeRow(row.data()), Error);  // one too many
    }
    {
        JpegRowEncoder abandoned(nowhere, 64, 64, 20, JpegCoding::OwnCoefficients);
        for (int y = 0; y < 20; ++y) abandoned.writeRow(row.data());
    }  // the coder is stopped, not waited for
    std::fclose(nowhere);
}

}  // namespace
}  // namespace carbonel
