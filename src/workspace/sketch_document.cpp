#include "workspace/sketch_document.h"

#include "imageio/sketch_writer.h"
#include "sketch/error.h"
#include "sketch/texture.h"

namespace carbonel {
namespace {

using SnapshotFuture = std::shared_future<std::shared_ptr<const SketchSnapshot>>;

SnapshotFuture ready(std::shared_ptr<const SketchSnapshot> snapshot) {
    std::promise<std::shared_ptr<const SketchSnapshot>> promise;
    promise.set_value(std::move(snapshot));
    return promise.get_future().share();
}

// The snapshot of a whole new sketch, copied into tiles on the other core so the command does not
// wait for it. It reads a copy that shares the pixels: the sketch is replaced, never written in
// place, until the snapshot has been taken.
SnapshotFuture snapshotLater(const Raster& made) {
    return std::async(
               std::launch::async,
               [made] { return std::make_shared<const SketchSnapshot>(SketchSnapshot::of(made)); })
        .share();
}

}  // namespace

SketchDocument::SketchDocument()
    : shown_(std::make_shared<const SketchSnapshot>()), basis_(shown_) {}

SketchDocument::~SketchDocument() = default;

void SketchDocument::setChangeListener(std::function<void(bool)> listener) {
    changed_ = std::move(listener);
}

void SketchDocument::notify(bool photoChanged) {
    if (changed_) changed_(photoChanged);
}

const Raster& SketchDocument::sketch() {
    blankSheet_.finish(sketch_);
    return sketch_;
}

bool SketchDocument::readyRow(int y) {
    return blankSheet_.readyRow(sketch_, y);
}

void SketchDocument::replaceSketch(Raster sketch) {
    blankSheet_.forget();
    strokeArea_.reset();
    sketch_ = std::move(sketch);
    // Whoever changes the sketch records the step; until then the snapshot is unknown.
    pending_ = {};
    shown_ = basis_ = sketch_.isEmpty() ? std::make_shared<const SketchSnapshot>() : nullptr;
    notify(false);
}

void SketchDocument::start(Raster photo) {
    photo_ = std::move(photo);
    replaceSketch(Raster());
    notify(true);
}

void SketchDocument::open(Raster photo) {
    recordWholeChange([&] { start(std::move(photo)); });
}

void SketchDocument::convert(const ConversionOptions& options) {
    savedName_.clear();
    recordWholeChange([&] {
        if (photo_.isEmpty()) throw Error("There is no photo to convert.");
        // The new sketch goes straight into place, so drawing on it copies nothing.
        replaceSketch(convertPhoto(photo_, options));
    });
}

void SketchDocument::clear(const Raster* paper, TextureFit fit) {
    recordWholeChange([&] {
        Raster sheet;
        if (paper) applyTexture(sheet, photo_.width(), photo_.height(), *paper, fit);
        replaceSketch(std::move(sheet));
    });
}

void SketchDocument::beginBatch() {
    openGroup_ = Group::None;
}

void SketchDocument::showInGroup(Group group, const std::function<void()>& show) {
    endStroke();  // a stroke drawn meanwhile is a step of its own, and ends the group's step
    takePendingSnapshot();
    if (openGroup_ == group && index_ == steps_.size() && !steps_.empty() &&
        steps_.back().group == group) {
        show();
        pending_ = snapshotLater(sketch_);
        steps_.back().after = {photo_, pending_};
        // The step's sketch is no longer the one saved at it.
        if (savedIndex_ == static_cast<std::ptrdiff_t>(index_)) savedIndex_ = -1;
    } else {
        recordWholeChange(show, group);
        openGroup_ = group;
    }
}

void SketchDocument::showConverted(Raster photo, Raster sketch, const std::string& savedName) {
    showInGroup(Group::Batch, [&] {
        const bool photoChanged = !photo_.sharesPixelsWith(photo);
        photo_ = std::move(photo);
        replaceSketch(std::move(sketch));
        if (photoChanged) notify(true);
    });
    savedName_ = savedName;
    savedIndex_ = static_cast<std::ptrdiff_t>(index_);
}

void SketchDocument::showLive(Raster sketch) {
    savedName_.clear();
    showInGroup(Group::Live, [&] { replaceSketch(std::move(sketch)); });
}

void SketchDocument::endLiveBurst() {
    if (openGroup_ == Group::Live) openGroup_ = Group::None;
}

void SketchDocument::drawStep(const std::optional<BrushRectangle>& rectangle,
                              const SketchSettings& settings, PenStyle style) {
    if (photo_.isEmpty()) throw Error("There is no photo to draw from.");
    const int width = photo_.width() + 1, height = photo_.height() + 1;
    shownSnapshot();  // the step before this stroke, taken before the pass draws
    if (sketch_.isEmpty()) {
        // An empty pane gets a white sheet, whitened where the pass and the view need it.
        blankSheet_.start(sketch_, width, height);
        basis_ = std::make_shared<const SketchSnapshot>(SketchSnapshot::whiteSheet(width, height));
        notify(false);
    } else if (sketch_.width() != width || sketch_.height() != height) {
        blankSheet_.finish(sketch_);
        sketch_.setSize(width, height);
        basis_ = std::make_shared<const SketchSnapshot>(SketchSnapshot::of(sketch_));
        notify(false);
    }
    if (!rectangle) return;
    const BrushRectangle area = sketchAreaOf(*rectangle);
    blankSheet_.fillArea(sketch_, area.left, area.top, area.right, area.bottom);
    if (!strokeArea_) {
        strokeArea_ = PixelArea{area.left, area.top, area.right, area.bottom};
    } else {
        strokeArea_->left = std::min(strokeArea_->left, area.left);
        strokeArea_->top = std::min(strokeArea_->top, area.top);
        strokeArea_->right = std::max(strokeArea_->right, area.right);
        strokeArea_->bottom = std::max(strokeArea_->bottom, area.bottom);
    }
    // A pass that fails keeps what it drew and is otherwise ignored.
    runFreehandPass(*rectangle, photo_, sketch_, settings, style);
}

void SketchDocument::endStroke() {
    if (!strokeArea_) return;
    takePendingSnapshot();
    const PixelArea area = *strokeArea_;
    strokeArea_.reset();
    if (!basis_) return;  // the sketch changed outside the history: nothing to compare with
    // The tiles are read whole, so what of them is still to be whitened is whitened first.
    const PixelArea tiles = basis_->tileArea(area);
    blankSheet_.fillArea(sketch_, tiles.left, tiles.top, tiles.right, tiles.bottom);
    auto after = std::make_shared<const SketchSnapshot>(basis_->updated(sketch_, area));
    std::shared_ptr<const SketchSnapshot> before = shown_;
    shown_ = basis_ = after;
    push({{photo_, ready(std::move(before))}, {photo_, ready(std::move(after))}});
}

void SketchDocument::takePendingSnapshot() {
    if (!pending_.valid()) return;
    shown_ = basis_ = pending_.get();
    pending_ = {};
}

const std::shared_ptr<const SketchSnapshot>& SketchDocument::shownSnapshot() {
    takePendingSnapshot();
    if (!shown_) {
        shown_ = std::make_shared<const SketchSnapshot>(SketchSnapshot::of(sketch()));
        basis_ = shown_;
    }
    return shown_;
}

std::shared_ptr<const SketchSnapshot> SketchDocument::snapshot() {
    return shownSnapshot();
}

void SketchDocument::recordWholeChange(const std::function<void()>& change, Group group) {
    endStroke();
    const Raster photoBefore = photo_;
    // What the sketch shows, without waiting for a snapshot still being taken.
    SnapshotFuture before = pending_.valid() ? pending_ : ready(shownSnapshot());
    change();
    pending_ = snapshotLater(sketch());
    shown_ = basis_ = nullptr;
    push({{photoBefore, std::move(before)}, {photo_, pending_}, group});
}

void SketchDocument::push(Step step) {
    // A new step drops the steps undone before it.
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(index_), steps_.end());
    if (savedIndex_ > static_cast<std::ptrdiff_t>(index_)) savedIndex_ = -1;
    steps_.push_back(std::move(step));
    ++index_;
    openGroup_ = Group::None;
    if (steps_.size() > static_cast<std::size_t>(kHistorySteps)) {
        steps_.erase(steps_.begin());
        --index_;
        savedIndex_ = savedIndex_ > 0 ? savedIndex_ - 1 : -1;
    }
}

void SketchDocument::restore(const State& state) {
    takePendingSnapshot();
    const std::shared_ptr<const SketchSnapshot> wanted =
        state.sketch.valid() ? state.sketch.get() : nullptr;
    const bool photoChanged = !photo_.sharesPixelsWith(state.photo) ||
                              photo_.width() != state.photo.width() ||
                              photo_.height() != state.photo.height();
    if (photoChanged) photo_ = state.photo;
    const SketchSnapshot empty;
    const SketchSnapshot& target = wanted ? *wanted : empty;
    const bool sameSize = target.width() == sketch_.width() && target.height() == sketch_.height();
    if (target.isEmpty()) {
        blankSheet_.forget();
        sketch_ = Raster();
    } else {
        // Tiles that differ were read whole when they were kept, so nothing of them is still
        // waiting to be whitened; a sketch of another size is a new picture.
        if (!sameSize) blankSheet_.forget();
        target.restoreInto(sketch_, sameSize ? shown_.get() : nullptr);
    }
    shown_ = basis_ = wanted ? wanted : std::make_shared<const SketchSnapshot>();
    savedName_.clear();
    openGroup_ = Group::None;
    if (photoChanged) notify(true);
    notify(false);
}

void SketchDocument::undo() {
    endStroke();  // a stroke still being drawn is a step of its own
    if (index_ == 0) return;
    --index_;
    restore(steps_[index_].before);
}

void SketchDocument::redo() {
    endStroke();
    if (index_ == steps_.size()) return;
    restore(steps_[index_].after);
    ++index_;
}

void SketchDocument::forgetHistory() {
    strokeArea_.reset();
    pending_ = {};
    steps_.clear();
    index_ = 0;
    savedIndex_ = 0;
    shown_.reset();
    basis_.reset();
}

std::string SketchDocument::save(const std::string& path, OutputFormat format,
                                 const TraceSettings& trace) {
    endStroke();
    endLiveBurst();  // what is saved stays one undo away from later previews
    if (sketch_.isEmpty()) throw Error("There is no sketch to save.");
    savedName_ = saveSketch(sketch(), path, format, photo_.width(), photo_.height(), trace);
    savedIndex_ = static_cast<std::ptrdiff_t>(index_);
    return savedName_;
}

bool SketchDocument::changedSinceSaved() const {
    return !sketch_.isEmpty() && savedIndex_ != static_cast<std::ptrdiff_t>(index_);
}

}  // namespace carbonel
