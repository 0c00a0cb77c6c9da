#pragma once

#include <cstddef>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imageio/picture_names.h"
#include "imageio/sketch_writer.h"
#include "sketch/convert.h"
#include "workspace/freehand.h"
#include "workspace/lazy_white_sheet.h"
#include "workspace/sketch_snapshot.h"

namespace carbonel {

// The photo and the sketch the desktop program works on, with everything that keeps them
// consistent: the fresh white sheet whitened lazily, the undo history of compact snapshots, and
// whether the sketch changed since it was last saved. The window shows it and forwards input;
// every change goes through one of its operations, each an undoable step.
class SketchDocument {
  public:
    // The history keeps this many steps.
    static constexpr int kHistorySteps = 100;

    SketchDocument();
    ~SketchDocument();
    SketchDocument(const SketchDocument&) = delete;
    SketchDocument& operator=(const SketchDocument&) = delete;

    // Called after the photo (true) or the sketch as a whole (false) changed, so a view can show
    // it again; a freehand step's own area is the caller's to show.
    void setChangeListener(std::function<void(bool photoChanged)> listener);

    const Raster& photo() const { return photo_; }
    // The sketch, whole: a white sheet still being whitened is finished first.
    const Raster& sketch();
    // The sketch's pixels as they lie, for a view that readies each row first (readyRow).
    const Raster& sketchPixels() const { return sketch_; }
    // Readies row y of the sketch for reading: true when the row is still wholly white-to-be, so
    // that it shows as white without being read.
    bool readyRow(int y);

    // A photo to start from, with no sketch and no step.
    void start(Raster photo);
    // Open: the photo and an empty sketch, one step.
    void open(Raster photo);
    // Convert: a new sketch of the photo, one step; with no photo it fails ("There is no photo to
    // convert.") and records nothing.
    void convert(const ConversionOptions& options);
    // Clear: a blank sheet, the paper laid over it, or no sketch at all without paper; one step.
    void clear(const Raster* paper, TextureFit fit);
    // A photo and its sketch made elsewhere (a batch's file, saved as `savedName`). Those shown
    // between beginBatch() and the next other step make one step together, so one undo returns to
    // what was there before the batch.
    void beginBatch();
    void showConverted(Raster photo, Raster sketch, const std::string& savedName);
    // A sketch of the photo converted elsewhere as Convert would (the live preview), with Convert's
    // effects. The sketches shown until endLiveBurst() or any other step make one step together,
    // so one undo returns to the sketch from before the burst.
    void showLive(Raster sketch);
    void endLiveBurst();

    // One step of a freehand stroke over the photo rectangle: an empty pane gets a white sheet
    // first. Fails with "There is no photo to draw from." when there is none. A pass that meets a
    // lattice row outside the photo keeps what it drew.
    // Without a rectangle (the pointer near the pane's edge) only the sheet is laid.
    void drawStep(const std::optional<BrushRectangle>& rectangle, const SketchSettings& settings,
                  PenStyle style);
    // The stroke drawn since the last step becomes a step of its own.
    void endStroke();

    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ < steps_.size(); }
    // Undo and redo the last change; a stroke still being drawn becomes a step first.
    void undo();
    void redo();
    std::size_t stepCount() const { return steps_.size(); }
    // Drops every step.
    void forgetHistory();
    // The sketch now as a snapshot (the recorder's frames).
    std::shared_ptr<const SketchSnapshot> snapshot();

    // Save: writes the sketch under saveNameFor(path, format) and returns that name, which is
    // remembered. Fails with "There is no sketch to save." when there is none.
    std::string save(const std::string& path, OutputFormat format, const TraceSettings& trace = {});
    // The file the sketch was last saved as ("" when none, or forgotten).
    const std::string& savedName() const { return savedName_; }
    void forgetSavedName() { savedName_.clear(); }
    // Whether there is a sketch that changed since it was last saved.
    bool changedSinceSaved() const;

  private:
    // A snapshot that may still be being taken on another core.
    using SnapshotFuture = std::shared_future<std::shared_ptr<const SketchSnapshot>>;
    struct State {
        Raster photo;
        SnapshotFuture sketch;  // null: no sketch
    };
    // Steps that the next change of the same kind joins, while it stays open.
    enum class Group { None, Batch, Live };
    struct Step {
        State before, after;
        Group group = Group::None;
    };

    void notify(bool photoChanged);
    // Puts a new sketch in place of the one drawn on.
    void replaceSketch(Raster sketch);
    // The snapshot the sketch shows (taken now when unknown).
    const std::shared_ptr<const SketchSnapshot>& shownSnapshot();
    void takePendingSnapshot();
    // Makes a change to the whole sketch an undoable step: a stroke still being drawn becomes a
    // step first, and a change that fails records nothing.
    void recordWholeChange(const std::function<void()>& change, Group group = Group::None);
    // Shows a whole new sketch (and photo) as part of the open group of this kind, or as the
    // first step of a new one.
    void showInGroup(Group group, const std::function<void()>& show);
    void push(Step step);
    void restore(const State& state);

    Raster photo_;
    Raster sketch_;
    LazyWhiteSheet blankSheet_;  // the rows of a fresh freehand sheet not yet whitened
    // The snapshot the sketch showed at the last step, and the one a stroke's tiles are compared
    // with (a fresh white sheet's, before its first stroke); null when unknown.
    std::shared_ptr<const SketchSnapshot> shown_, basis_;
    // The snapshot of a sketch Convert, Clear or Open has just made, taken on another core so the
    // command does not wait for it; whatever reads shown_ or basis_ takes it first.
    SnapshotFuture pending_;
    std::optional<PixelArea> strokeArea_;  // where the stroke being drawn has drawn
    std::vector<Step> steps_;
    std::size_t index_ = 0;          // the steps made and not undone
    std::ptrdiff_t savedIndex_ = 0;  // where the sketch was saved; -1 when no longer reachable
    Group openGroup_ = Group::None;  // the last step's group, while later changes join it
    std::string savedName_;
    std::function<void(bool)> changed_;
};

}  // namespace carbonel
