#include "workspace/sketch_document.h"

#include <gtest/gtest.h>

#include <random>

#include "imageio/photo_reader.h"
#include "sketch/error.h"
#include "test_support.h"

namespace carbonel {
namespace {

Raster photoWith(std::mt19937& random) {
    return test::randomRaster(120, 80, random);
}

void strokeAt(SketchDocument& document, int x, int y) {
    document.drawStep(BrushRectangle{x - 10, y - 10, x + 10, y + 10}, SketchSettings{},
                      PenStyle::Pencil);
    document.endStroke();
}

TEST(SketchDocument, EveryChangeUndoesAndRedoesExactly) {
    std::mt19937 random(3);
    SketchDocument document;
    const Raster first = photoWith(random);
    document.start(first);
    EXPECT_EQ(document.stepCount(), 0u);
    EXPECT_THROW(SketchDocument().convert({}), Error);  // no photo: nothing recorded

    strokeAt(document, 40, 40);  // a first stroke on no sketch at all
    const Raster stroked = document.sketch();
    document.convert({});
    const Raster converted = document.sketch();
    strokeAt(document, 60, 30);
    const Raster convertedAndStroked = document.sketch();
    const Raster paper = test::randomRaster(5, 4, random);
    document.clear(&paper, TextureFit::Stretch);
    const Raster cleared = document.sketch();
    const Raster second = photoWith(random);
    document.open(second);
    EXPECT_TRUE(document.sketch().isEmpty());
    EXPECT_EQ(document.stepCount(), 5u);

    const std::vector<std::pair<Raster, Raster>> states = {
        {first, Raster()}, {first, stroked},  {first, converted}, {first, convertedAndStroked},
        {first, cleared},  {second, Raster()}};
    for (int step = 4; step >= 0; --step) {
        document.undo();
        EXPECT_EQ(document.photo(), states[std::size_t(step)].first) << step;
        EXPECT_EQ(document.sketch(), states[std::size_t(step)].second) << step;
    }
    EXPECT_FALSE(document.canUndo());
    for (std::size_t step = 1; step < states.size(); ++step) {
        document.redo();
        EXPECT_EQ(document.photo(), states[step].first) << step;
        EXPECT_EQ(document.sketch(), states[step].second) << step;
    }
    // A new change drops the steps undone before it; the history keeps its last steps only.
    document.undo();
    document.undo();
    strokeAt(document, 20, 20);
    EXPECT_FALSE(document.canRedo());
    for (int i = 0; i < SketchDocument::kHistorySteps + 5; ++i) strokeAt(document, 30 + i % 50, 30);
    EXPECT_EQ(document.stepCount(), std::size_t(SketchDocument::kHistorySteps));
}

TEST(SketchDocument, ChangedSinceSavedFollowsSaveUndoAndTheBatch) {
    std::mt19937 random(4);
    test::TempDir dir;
    SketchDocument document;
    document.start(photoWith(random));
    EXPECT_FALSE(document.changedSinceSaved());  // no sketch
    document.convert({});
    EXPECT_TRUE(document.changedSinceSaved());
    const std::string saved = document.save((dir / "s").string(), OutputFormat::Bmp);
    EXPECT_EQ(saved, (dir / "s.bmp").string());
    EXPECT_EQ(loadPicture(saved), document.sketch());
    EXPECT_FALSE(document.changedSinceSaved());
    strokeAt(document, 50, 50);
    EXPECT_TRUE(document.changedSinceSaved());
    document.undo();
    EXPECT_FALSE(document.changedSinceSaved());  // back at the saved step
    EXPECT_TRUE(document.savedName().empty());   // but the name is forgotten by the undo

    // The files of a batch show as one step, saved; one undo returns to what was there before.
    const Raster before = document.sketch(), photoBefore = document.photo();
    document.beginBatch();
    for (int file = 0; file < 3; ++file) {
        const Raster photo = photoWith(random);
        document.showConverted(photo, convertPhoto(photo, {}), "out" + std::to_string(file));
    }
    EXPECT_EQ(document.savedName(), "out2");
    EXPECT_FALSE(document.changedSinceSaved());
    document.undo();
    EXPECT_EQ(document.sketch(), before);
    EXPECT_EQ(document.photo(), photoBefore);
    document.redo();
    EXPECT_FALSE(document.canRedo());

    // A stroke drawn while a batch runs stays a step of its own between the batch's files.
    document.beginBatch();
    const Raster photo = photoWith(random);
    document.showConverted(photo, convertPhoto(photo, {}), "first");
    document.drawStep(BrushRectangle{20, 20, 40, 40}, SketchSettings{}, PenStyle::Eraser);
    const Raster stroked = document.sketch();
    document.showConverted(photoWith(random), Raster(121, 81), "second");
    document.undo();
    EXPECT_EQ(document.sketch(), stroked);
    document.undo();
    EXPECT_EQ(document.photo(), photo);
    EXPECT_FALSE(document.sketch() == stroked);
}

// Live sketches join one step until the burst ends; a save ends it, and a later preview is unsaved.
TEST(SketchDocument, LiveSketchesOfABurstAreOneStep) {
    std::mt19937 random(5);
    test::TempDir dir;
    SketchDocument document;
    document.start(photoWith(random));
    strokeAt(document, 30, 30);
    const Raster before = document.sketch();
    ConversionOptions options;
    for (int precision : {150, 140, 130}) {
        options.precision = precision;
        document.showLive(convertPhoto(document.photo(), options));
    }
    const Raster last = document.sketch();
    document.save((dir / "live").string(), OutputFormat::Bmp);
    options.precision = 120;
    document.showLive(convertPhoto(document.photo(), options));
    EXPECT_TRUE(document.changedSinceSaved());
    document.undo();
    EXPECT_EQ(document.sketch(), last);
    EXPECT_FALSE(document.changedSinceSaved());
    document.undo();
    EXPECT_EQ(document.sketch(), before);
    document.redo();
    document.redo();
    document.endLiveBurst();
    document.showLive(convertPhoto(document.photo(), {}));
    document.undo();
    EXPECT_NE(document.sketch(), last);  // the burst that ended is a step of its own
    EXPECT_EQ(document.stepCount(), 4u);
}

}  // namespace
}  // namespace carbonel
