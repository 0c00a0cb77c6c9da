// Undo and redo of every change to the sketch: each freehand stroke, Convert, Clear and Open. The
// steps are compact snapshots that share the tiles a change did not touch.
#include <QUndoCommand>
#include <QUndoStack>

#include "app/main/main_window.h"
#include "app/ui/picture_pane.h"

namespace carbonel {
namespace {

// One change: the photo and the sketch before and after it. The change is already made when the
// step is pushed, so the stack's first redo does nothing.
class SketchChange : public QUndoCommand {
  public:
    SketchChange(MainWindow& window, const QString& text, MainWindow::State before,
                 MainWindow::State after)
        : QUndoCommand(text),
          window_(window),
          before_(std::move(before)),
          after_(std::move(after)) {}

    void undo() override { window_.restoreState(before_); }
    void redo() override {
        if (made_) {
            made_ = false;
            return;
        }
        window_.restoreState(after_);
    }

  private:
    MainWindow& window_;
    MainWindow::State before_, after_;
    bool made_ = true;
};

MainWindow::SnapshotFuture ready(std::shared_ptr<const SketchSnapshot> snapshot) {
    std::promise<std::shared_ptr<const SketchSnapshot>> promise;
    promise.set_value(std::move(snapshot));
    return promise.get_future().share();
}

}  // namespace

void MainWindow::takePendingSnapshot() {
    if (!pending_.valid()) return;
    shown_ = basis_ = pending_.get();
    pending_ = {};
}

const std::shared_ptr<const SketchSnapshot>& MainWindow::shownSnapshot() {
    takePendingSnapshot();
    if (!shown_) {
        shown_ = std::make_shared<const SketchSnapshot>(SketchSnapshot::of(sketch()));
        basis_ = shown_;
    }
    return shown_;
}

void MainWindow::recordWholeChange(const QString& text, const std::function<void()>& change) {
    recordStroke();
    const Raster photoBefore = photo_;
    // What the sketch shows, without waiting for a snapshot still being taken.
    SnapshotFuture before = pending_.valid() ? pending_ : ready(shownSnapshot());
    change();
    // The other core copies the new sketch into tiles. It reads a copy that shares the pixels:
    // the sketch is replaced, never written in place, until that snapshot has been taken.
    const Raster made = sketch();
    pending_ = std::async(std::launch::async, [made] {
                   return std::make_shared<const SketchSnapshot>(SketchSnapshot::of(made));
               }).share();
    shown_ = basis_ = nullptr;
    history_->push(
        new SketchChange(*this, text, {photoBefore, std::move(before)}, {photo_, pending_}));
}

void MainWindow::recordStroke() {
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
    history_->push(new SketchChange(*this, "Stroke", {photo_, ready(std::move(before))},
                                    {photo_, ready(std::move(after))}));
}

void MainWindow::strokeDrew(const PixelArea& area) {
    if (!strokeArea_) {
        strokeArea_ = area;
    } else {
        strokeArea_->left = std::min(strokeArea_->left, area.left);
        strokeArea_->top = std::min(strokeArea_->top, area.top);
        strokeArea_->right = std::max(strokeArea_->right, area.right);
        strokeArea_->bottom = std::max(strokeArea_->bottom, area.bottom);
    }
}

void MainWindow::restoreState(const State& state) {
    takePendingSnapshot();
    const std::shared_ptr<const SketchSnapshot> wanted =
        state.sketch.valid() ? state.sketch.get() : nullptr;
    if (!photo_.sharesPixelsWith(state.photo) || photo_.width() != state.photo.width() ||
        photo_.height() != state.photo.height()) {
        photo_ = state.photo;
        photoPane_->pictureChanged();
        layoutPanes();
    }
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
    saveName_.clear();
    sketchPane_->pictureChanged();
}

void MainWindow::undo() {
    recordStroke();  // a stroke still being drawn is a step of its own
    history_->undo();
}

void MainWindow::redo() {
    recordStroke();
    history_->redo();
}

void MainWindow::forgetHistory() {
    strokeArea_.reset();
    pending_ = {};
    history_->clear();
    shown_.reset();
    basis_.reset();
}

}  // namespace carbonel
