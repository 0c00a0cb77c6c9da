#include "sketch/texture.h"

#include <gtest/gtest.h>

#include "imageio/paper_reader.h"
#include "imageio/texture_list.h"
#include "test_support.h"

namespace carbonel {
namespace {

namespace fs = std::filesystem;
using test::Bgr;
using test::makeRaster;
using test::pixelAt;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<TextureEntry> list;
    listTextures(folder, list);
    std::vector<std::string> names;
    for (const TextureEntry& entry : list) names.push_back(entry.name);
    return names;
}

void touch(const fs::path& path) {
    test::writeBytes(path, "x");
}

TEST(ListTextures, ListsBitmapAndSwfNamesDepthFirstInNameOrder) {
    test::TempDir dir;
    touch(dir / "Paper.BMP");
    touch(dir / "canvas.bmp");
    touch(dir / "notes.txt");
    touch(dir / "linen.bmp");
    touch(dir / "linen.swf");
    touch(dir / ".bmp");
    fs::create_directory(dir / "grain");
    touch(dir / "grain" / "Rough.bmp");
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"", "canvas", "Rough", "linen", "linen", "Paper"}));

    std::vector<TextureEntry> list;
    listTextures(dir.path(), list);
    // Both linen items load linen.bmp; a sub-folder's texture loads from its own folder.
    EXPECT_EQ(list[3].file, dir / "linen.bmp");
    EXPECT_EQ(list[4].file, dir / "linen.bmp");
    EXPECT_EQ(list[2].file, dir / "grain" / "Rough.bmp");
}

TEST(ListTextures, SkipsLinksHiddenFoldersAndMissingFolders) {
    test::TempDir dir;
    fs::create_directory(dir / "top");
    touch(dir / "top" / "a.bmp");
    fs::create_directory_symlink(dir.path(), dir / "top" / "loop");
    fs::create_directory(dir / "top" / ".hidden");
    touch(dir / "top" / ".hidden" / "b.bmp");
    EXPECT_EQ(namesIn(dir / "top"), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(namesIn(dir / "missing").empty());
    fs::create_directory(dir / "empty");
    EXPECT_TRUE(namesIn(dir / "empty").empty());
}

TEST(LayTexture, TilesFromTheCornerAndClipsTheLastTiles) {
    const Raster tile = makeRaster(50, 50, [](int x, int y) {
        return Bgr{std::uint8_t(x), std::uint8_t(y), 7};
    });
    Raster sketch(101, 101);
    layTexture(sketch, tile, TextureFit::Tile);
    EXPECT_EQ(pixelAt(sketch, 0, 0), (Bgr{0, 0, 7}));
    EXPECT_EQ(pixelAt(sketch, 49, 50), (Bgr{49, 0, 7}));
    EXPECT_EQ(pixelAt(sketch, 100, 100), (Bgr{0, 0, 7}));  // the third tile shows one pixel
    EXPECT_EQ(pixelAt(sketch, 73, 99), (Bgr{23, 49, 7}));
}

TEST(LayTexture, StretchesWithoutAveragingAndIgnoresAnEmptyTexture) {
    const Raster two = makeRaster(2, 1, [](int x, int) {
        return x ? Bgr{200, 200, 200} : Bgr{10, 10, 10};
    });
    Raster sketch(7, 3);
    layTexture(sketch, two, TextureFit::Stretch);
    for (int x = 0; x < 7; ++x) {
        const Bgr colour = pixelAt(sketch, x, 2);
        EXPECT_TRUE(colour == (Bgr{10, 10, 10}) || colour == (Bgr{200, 200, 200})) << x;
        EXPECT_EQ(colour, pixelAt(sketch, x, 0));
    }
    EXPECT_EQ(pixelAt(sketch, 0, 0), (Bgr{10, 10, 10}));
    EXPECT_EQ(pixelAt(sketch, 6, 0), (Bgr{200, 200, 200}));

    Raster untouched = makeRaster(5, 5, [](int, int) { return Bgr{1, 2, 3}; });
    const Raster before = untouched;
    layTexture(untouched, Raster(), TextureFit::Tile);
    layTexture(untouched, Raster(), TextureFit::Stretch);
    EXPECT_EQ(untouched, before);
}

TEST(ApplyTexture, SizesTheSketchToThePhotoPlusOne) {
    const Raster paper = makeRaster(3, 3, [](int, int) { return Bgr{9, 9, 9}; });
    Raster sketch(500, 2);
    applyTexture(sketch, 20, 10, paper, TextureFit::Tile);
    EXPECT_EQ(sketch.width(), 21);
    EXPECT_EQ(sketch.height(), 11);
    EXPECT_EQ(pixelAt(sketch, 20, 10), (Bgr{9, 9, 9}));
}

}  // namespace
}  // namespace carbonel

namespace carbonel {
namespace {

// A paper read only as far as a sketch needs it lays exactly the bytes the whole paper lays, for
// papers larger and smaller than the sketch along each side, tiled and stretched; reading stops
// once the rows it needs are in.
TEST(ReadPaper, KeepsWhatTheSketchSamplesAndLaysTheSameBytes) {
    std::mt19937 random(7);
    for (const TextureFit fit : {TextureFit::Tile, TextureFit::Stretch}) {
        for (const auto& [paperWidth, paperHeight] :
             std::vector<std::pair<int, int>>{{97, 61}, {13, 7}, {97, 7}, {13, 61}, {40, 30}}) {
            const Raster paper = test::randomRaster(paperWidth, paperHeight, random);
            int rowsRead = 0;
            const std::unique_ptr<PhotoReader> whole = rasterRows(paper);
            class Counting : public PhotoReader {
              public:
                Counting(PhotoReader& inner, int& rows) : inner_(inner), rows_(rows) {}
                int width() const override { return inner_.width(); }
                int height() const override { return inner_.height(); }
                void readRows(const RowSink& sink) override {
                    inner_.readRows([&](int y, const std::uint8_t* row) {
                        ++rows_;
                        sink(y, row);
                    });
                }

              private:
                PhotoReader& inner_;
                int& rows_;
            } counting(*whole, rowsRead);
            const Raster kept = readPaper(counting, fit, 40, 30);
            EXPECT_LE(kept.width(), 40);
            EXPECT_LE(kept.height(), 30);
            if (fit == TextureFit::Tile) {
                EXPECT_EQ(rowsRead, std::min(paperHeight, 30));
            }
            Raster fromWhole(40, 30), fromKept(40, 30);
            layTexture(fromWhole, paper, fit);
            layTexture(fromKept, kept, fit);
            EXPECT_TRUE(fromWhole == fromKept) << paperWidth << "x" << paperHeight;
        }
    }
}

}  // namespace
}  // namespace carbonel
