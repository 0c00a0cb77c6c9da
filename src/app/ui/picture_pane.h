#pragma once

#include <QImage>
#include <QKeySequence>
#include <QList>
#include <QWidget>
#include <functional>
#include <vector>

#include "sketch/raster.h"
#include "workspace/picture_view.h"

namespace carbonel {

// A view that panes share: zooming or panning one of them moves all of them.
class SharedView : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    const PictureView& get() const { return view_; }
    // Changes the view; the panes hear of it when the part shown moved or grew.
    template <typename Change>
    void change(Change&& how) {
        const PictureView before = view_;
        how(view_);
        if (before.magnification() != view_.magnification() || before.left() != view_.left() ||
            before.top() != view_.top()) {
            emit changed();
        }
    }

  signals:
    void changed();

  private:
    PictureView view_;
};

enum class ZoomCommand { In, Out, Fit, RealSize };
// The keys of a zoom command, the same in every window: Ctrl++ (or Ctrl+=), Ctrl+-, Ctrl+0, Ctrl+1.
QList<QKeySequence> zoomKeys(ZoomCommand command);

// Shows a raster without copying it: the pane keeps a pointer to the raster and a pane-sized image
// sampled from it (nearest neighbour), which it updates only where the raster changed.
class PicturePane : public QWidget {
    Q_OBJECT

  public:
    enum class Fit { Stretch, Centre };

    explicit PicturePane(QWidget* parent = nullptr);

    void setFit(Fit fit);
    // Draws pure white as transparent, so the background shows through.
    void setTransparentWhite(bool transparent);
    // The raster to show (may be null); it must outlive the pane or be replaced first.
    void showRaster(const Raster* raster);
    // Called with a raster row before the pane reads it, for a raster whose rows are filled only
    // when first needed. It answers true for a row that is white and need not be read.
    void setRowPreparer(std::function<bool(int row)> prepare) { prepareRow_ = std::move(prepare); }
    // After the raster was replaced, resized or wholly redrawn.
    void pictureChanged();
    // After the pixels of this rectangle of the raster changed.
    void areaChanged(const QRect& rasterArea);

    // Panes given a view show the part of their raster it shows, mapped through the view's picture
    // size (the sketch's pixel (x, y) lies over the photo's), and zoom and pan it: Ctrl+wheel,
    // dragging with the middle button or with Space held, and zoom(). Without one (or at fit) a
    // Stretch pane shows its whole raster.
    void setView(SharedView* view);
    SharedView* view() const { return view_; }
    // About the pointer when it is over the pane, else about the pane's centre.
    void zoom(ZoomCommand command);
    // Whether a drag is moving the picture.
    bool panning() const { return panning_; }

    const QImage& displayed() const { return cache_; }

  signals:
    void pressed(QPoint position, Qt::KeyboardModifiers modifiers, bool secondPressOfDoubleClick);
    void moved(QPoint position, Qt::KeyboardModifiers modifiers);
    void released(QPoint position, Qt::KeyboardModifiers modifiers);
    void doubleClicked();
    // The pointer left the pane.
    void left();
    // A file dropped on the pane (when it accepts drops).
    void fileDropped(const QString& path);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    bool hasPicture() const { return raster_ && !raster_->isEmpty(); }
    // Which raster column and row each cache pixel shows.
    void mapCache();
    void resample(const QRect& cacheArea);
    // Whether this press starts a drag of the picture rather than going to the listeners.
    bool startsPan(const QMouseEvent& event) const;

    const Raster* raster_ = nullptr;
    Fit fit_ = Fit::Stretch;
    bool transparentWhite_ = false;
    QImage cache_;  // the pane's picture, pane-sized (Stretch) or raster-sized (Centre)
    std::function<bool(int)> prepareRow_;
    std::vector<int> sourceColumn_;  // for each cache column, the raster column it shows
    std::vector<int> sourceRow_;     // and for each cache row, the raster row
    SharedView* view_ = nullptr;
    bool panning_ = false;
    Qt::MouseButton panButton_ = Qt::NoButton;
    QPointF panFrom_;
    QCursor cursorBeforePan_;
};

// The brush outline: a ring of the brush's diameter that never takes the pointer's input.
class BrushOutline : public QWidget {
  public:
    explicit BrushOutline(QWidget* parent = nullptr);
    void setRadius(int radius);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace carbonel
