#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <vector>

#include "sketch/raster.h"

namespace carbonel {

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

  private:
    bool hasPicture() const { return raster_ && !raster_->isEmpty(); }
    void resample(const QRect& cacheArea);

    const Raster* raster_ = nullptr;
    Fit fit_ = Fit::Stretch;
    bool transparentWhite_ = false;
    QImage cache_;  // the pane's picture, pane-sized (Stretch) or raster-sized (Centre)
    std::function<bool(int)> prepareRow_;
    std::vector<int> sourceColumn_;  // for each pane column, the raster column under it
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
