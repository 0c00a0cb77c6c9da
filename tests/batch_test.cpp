#include <gtest/gtest.h>

#include <set>

#include "batch/batch_naming.h"
#include "batch/folder_scan.h"
#include "batch/parallel_batch.h"
#include "imageio/conversion.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path) {
    test::writeBytes(path, "x");
}

std::vector<std::string> scan(const std::string& folder, PathList& list) {
    findall(folder, list);
    return list.entries();
}

TEST(FindAll, ListsPicturesDepthFirstAndNeverTwice) {
    test::TempDir dir;
    const std::string photos = (dir / "Photos").string();
    fs::create_directories(dir / "Photos" / "Summer");
    touch(dir / "Photos" / "Beach.JPG");
    touch(dir / "Photos" / "notes.txt");
    touch(dir / "Photos" / "Summer" / "Sun.bmp");
    touch(dir / "Photos" / "Summer" / "Sea.jpeg");
    touch(dir / "Photos" / "zebra.bmp");
    touch(dir / "Photos" / "Plan.TIFF");
    touch(dir / "Photos" / "Summer" / "Sky.webp");
    touch(dir / "Photos" / "Summer" / "sketch.xcf");
    PathList list;
    list.add("earlier entry");
    const std::vector<std::string> expected = {"earlier entry",
                                               photos + "/Beach.JPG",
                                               photos + "/Plan.TIFF",
                                               photos + "/Summer/Sea.jpeg",
                                               photos + "/Summer/Sky.webp",
                                               photos + "/Summer/Sun.bmp",
                                               photos + "/zebra.bmp"};
    EXPECT_EQ(scan(photos, list), expected);
    EXPECT_EQ(scan(photos, list), expected);  // a second scan adds nothing
    EXPECT_EQ(scan(photos + "/Summer", list), expected);
    EXPECT_TRUE(HaveStr(photos + "/zebra.bmp", list));
    EXPECT_FALSE(HaveStr(photos + "/Zebra.bmp", list));  // exact text only
}

TEST(FindAll, SkipsLinksHiddenFoldersAndWhatCannotBeRead) {
    test::TempDir dir;
    fs::create_directories(dir / "top" / "inner");
    touch(dir / "top" / "inner" / "a.jpg");
    fs::create_directory_symlink(dir / "top", dir / "top" / "inner" / "up");  // a loop
    fs::create_directory_symlink(dir / "top" / "inner", dir / "top" / "alias");
    fs::create_directory(dir / "top" / ".cache");
    touch(dir / "top" / ".cache" / "b.jpg");
    fs::create_directory(dir / "empty");
    PathList list;
    EXPECT_EQ(scan((dir / "top").string(), list),
              (std::vector<std::string>{(dir / "top" / "inner" / "a.jpg").string()}));
    const std::vector<std::string> before = list.entries();
    EXPECT_EQ(scan((dir / "empty").string(), list), before);
    EXPECT_EQ(scan((dir / "missing").string(), list), before);
    EXPECT_EQ(scan((dir / "top" / "inner" / "a.jpg").string(), list),
              before);  // a file, not a folder
}

TEST(PathList, KeepsOrderAndItsIndexThroughRemovals) {
    PathList list;
    for (int i = 0; i < 5000; ++i) list.add(std::string("p").append(std::to_string(i % 2500)));
    EXPECT_EQ(list.size(), 2500u);
    list.removeAt(1);
    EXPECT_FALSE(HaveStr("p1", list));
    EXPECT_EQ(list[1], "p2");
    EXPECT_TRUE(list.add("p1"));
    EXPECT_EQ(list.entries().back(), "p1");
}

TEST(BatchNaming, IndexesTakenNamesAsAOneByOneRunWould) {
    std::set<std::string> files;
    auto taken = [&](const std::string& name) { return files.count(name) != 0; };
    auto runBatch = [&](const std::vector<std::string>& entries) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            names.push_back(batchOutputName("out", entries[i], static_cast<int>(i), taken));
            files.insert(names.back());
        }
        return names;
    };
    const std::vector<std::string> cats = {"a/cat.jpg", "b/cat.jpg"};
    EXPECT_EQ(runBatch(cats), (std::vector<std::string>{"out/cat.jpg", "out/cat1.jpg"}));
    EXPECT_EQ(runBatch(cats), (std::vector<std::string>{"out/cat0.jpg", "out/cat2.jpg"}));
    EXPECT_EQ(runBatch(cats), (std::vector<std::string>{"out/cat3.jpg", "out/cat4.jpg"}));
    EXPECT_EQ(batchOutputName("out/", "a/dog.bmp", 4, taken), "out//dog.bmp");
    EXPECT_EQ(indexedName("my.photos/cat", 3), "my.photos/cat3");
    // A name of 255 bytes stays within 255 with its index, cut before a whole character ("é" is
    // two bytes).
    const std::string longStem = std::string(248, 'c') + "\xC3\xA9";
    EXPECT_EQ(indexedName("out/" + longStem + ".jpg", 12),
              "out/" + std::string(248, 'c') + "12.jpg");
    EXPECT_EQ(indexedName("out/" + std::string(251, 'c') + ".jpg", 7),
              "out/" + std::string(250, 'c') + "7.jpg");
    EXPECT_EQ(batchOutputFormat("a/B.JPG"), OutputFormat::Jpeg);
    EXPECT_EQ(batchOutputFormat("a/b.jpeg"), OutputFormat::Jpeg);
    EXPECT_EQ(batchOutputFormat("a.jpg/b.bmp"), OutputFormat::Bmp);
    // What we do not write becomes a PNG of the same name.
    EXPECT_EQ(batchOutputFormat("a/b.TIF"), OutputFormat::Png);
    EXPECT_EQ(batchOutputName("out", "a/plan.TIF", 0, taken), "out/plan.png");
    EXPECT_EQ(batchOutputName("out", "a/Map.PNG", 0, taken), "out/Map.PNG");
}

TEST(ParallelBatch, WritesWhatConvertWritesUnderOneByOneNames) {
    test::TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    fs::create_directories(dir / "out");
    fs::copy_file(test::dataFile("chelsea.jpg"), dir / "a" / "cat.jpg");
    fs::copy_file(test::dataFile("coffee.jpg"), dir / "b" / "cat.jpg");
    fs::copy_file(test::dataFile("chelsea-8bit.bmp"), dir / "b" / "pal.bmp");
    test::writeBytes(dir / "b" / "broken.jpg", "not a photo");
    test::writeBytes(dir / "out" / "pal.bmp", "keep");
    const std::vector<std::string> entries = {
        (dir / "a" / "cat.jpg").string(), (dir / "b" / "broken.jpg").string(),
        (dir / "b" / "cat.jpg").string(), (dir / "b" / "pal.bmp").string()};
    ConversionOptions options;
    options.style = PenStyle::Pen;
    std::vector<std::size_t> order;
    const std::string out = (dir / "out").string();
    const std::vector<BatchOutcome> outcomes = runParallelBatch(
        entries, out, options, 2, [&](std::size_t i, const BatchOutcome&) { order.push_back(i); });
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(outcomes[0].output, out + "/cat.jpg");
    EXPECT_NE(outcomes[1].error.find("JPEG error #"), std::string::npos);
    EXPECT_EQ(outcomes[1].output, "");
    EXPECT_EQ(outcomes[2].output, out + "/cat2.jpg");
    EXPECT_EQ(outcomes[3].output, out + "/pal3.bmp");
    EXPECT_EQ(test::readBytes(dir / "out" / "pal.bmp"), "keep");
    for (const auto& [source, output, type] : {std::tuple{0, "cat.jpg", OutputFormat::Jpeg},
                                               std::tuple{2, "cat2.jpg", OutputFormat::Jpeg},
                                               std::tuple{3, "pal3.bmp", OutputFormat::Bmp}}) {
        const auto expected = dir / ("expected-" + std::string(output));
        // What Convert followed by Save writes.
        const Raster photo = loadPicture(entries[static_cast<std::size_t>(source)]);
        writeSketchFile(convertPhoto(photo, options), expected.string(), type, photo.width(),
                        photo.height());
        EXPECT_TRUE(test::readBytes(dir / "out" / output) == test::readBytes(expected)) << output;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), {}), 4);  // no temporary left

    EXPECT_EQ(test::errorOf(
                  [&] { runParallelBatch(entries, (dir / "none").string(), options, 2, nullptr); }),
              "The output folder " + (dir / "none").string() + " does not exist");
}

}  // namespace
}  // namespace carbonel
