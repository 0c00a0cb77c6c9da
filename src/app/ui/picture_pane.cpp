#include "app/ui/picture_pane.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/ui/raster_image.h"
#include "app/ui/start_stamps.h"

namespace carbonel {
namespace {

// Whether Space is held, watched for the whole program. A press of Space over a pane that pans is
// the pane's: it does not reach the control that has the keyboard, which it would click.
class SpaceKey : public QObject {
  public:
    static SpaceKey& instance() {
        static QPointer<SpaceKey> key;
        if (!key) {
            key = new SpaceKey(qApp);
            qApp->installEventFilter(key);
        }
        return *key;
    }
    bool held() const { return held_; }
    void watch(PicturePane* pane) {
        std::erase_if(panes_, [](const QPointer<PicturePane>& gone) { return !gone; });
        panes_.push_back(pane);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ApplicationDeactivate) held_ = false;
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() != Qt::Key_Space) return false;
        if (!key->isAutoRepeat()) held_ = event->type() == QEvent::KeyPress;
        return overAPane();
    }

  private:
    using QObject::QObject;

    bool overAPane() const {
        return std::any_of(panes_.begin(), panes_.end(), [](const QPointer<PicturePane>& pane) {
            // Not through a dialog in front, where Space may be typed.
            return pane && pane->underMouse() && pane->isEnabled() &&
                   pane->window()->isActiveWindow();
        });
    }

    bool held_ = false;
    std::vector<QPointer<PicturePane>> panes_;
};

}  // namespace

QList<QKeySequence> zoomKeys(ZoomCommand command) {
    switch (command) {
        case ZoomCommand::In:
            return {Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal};
        case ZoomCommand::Out:
            return {Qt::CTRL | Qt::Key_Minus};
        case ZoomCommand::Fit:
            return {Qt::CTRL | Qt::Key_0};
        case ZoomCommand::RealSize:
            return {Qt::CTRL | Qt::Key_1};
    }
    return {};
}

PicturePane::PicturePane(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    // A press takes the keyboard from a number box, so that undo's keys reach the window.
    setFocusPolicy(Qt::ClickFocus);
}

void PicturePane::setFit(Fit fit) {
    fit_ = fit;
    pictureChanged();
}

void PicturePane::setTransparentWhite(bool transparent) {
    transparentWhite_ = transparent;
    pictureChanged();
}

void PicturePane::showRaster(const Raster* raster) {
    raster_ = raster;
    pictureChanged();
}

void PicturePane::setView(SharedView* view) {
    view_ = view;
    SpaceKey::instance().watch(this);
    connect(view, &SharedView::changed, this, &PicturePane::pictureChanged);
    view->change([this](PictureView& v) { v.setPane(width(), height()); });
    pictureChanged();
}

void PicturePane::zoom(ZoomCommand command) {
    if (!view_) return;
    const QPointF about =
        underMouse() ? QPointF(mapFromGlobal(QCursor::pos())) : QPointF(width(), height()) / 2;
    view_->change([&](PictureView& view) {
        switch (command) {
            case ZoomCommand::In:
                view.zoomAbout(PictureView::kZoomStep, about.x(), about.y());
                break;
            case ZoomCommand::Out:
                view.zoomAbout(1 / PictureView::kZoomStep, about.x(), about.y());
                break;
            case ZoomCommand::Fit:
                view.fit();
                break;
            case ZoomCommand::RealSize:
                view.realSize();
                break;
        }
    });
}

void PicturePane::pictureChanged() {
    if (!hasPicture()) {
        cache_ = QImage();
    } else if (fit_ == Fit::Centre) {
        // A view over the raster's own rows, drawn at its own size.
        if (prepareRow_) {
            for (int y = 0; y < raster_->height(); ++y) prepareRow_(y);
        }
        cache_ = rasterView(*raster_);
    } else if (width() > 0 && height() > 0) {
        // Sampled at the screen's own pixels, so a HiDPI screen shows the picture sharp.
        const qreal ratio = devicePixelRatioF();
        const int cacheWidth = std::max(1, qRound(width() * ratio));
        const int cacheHeight = std::max(1, qRound(height() * ratio));
        cache_ = QImage(cacheWidth, cacheHeight,
                        transparentWhite_ ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        cache_.setDevicePixelRatio(ratio);
        mapCache();
        resample(cache_.rect());
    } else {
        cache_ = QImage();
    }
    update();
}

void PicturePane::mapCache() {
    const int rasterWidth = raster_->width(), rasterHeight = raster_->height();
    const int cacheWidth = cache_.width(), cacheHeight = cache_.height();
    sourceColumn_.resize(static_cast<std::size_t>(cacheWidth));
    sourceRow_.resize(static_cast<std::size_t>(cacheHeight));
    if (!view_ || view_->get().atFit()) {
        // The whole raster over the whole pane, sampled as the panes always have.
        for (int x = 0; x < cacheWidth; ++x) {
            sourceColumn_[static_cast<std::size_t>(x)] =
                static_cast<int>(static_cast<long long>(x) * rasterWidth / cacheWidth);
        }
        for (int y = 0; y < cacheHeight; ++y) {
            sourceRow_[static_cast<std::size_t>(y)] =
                static_cast<int>(static_cast<long long>(y) * rasterHeight / cacheHeight);
        }
        return;
    }
    // The visible part only, in the view's picture pixels: a zoomed pane never reads the rest.
    const PictureView& view = view_->get();
    auto source = [&view](double start, int at, int cacheSide, int pictureSide, int rasterSide) {
        const double pixel = (start + view.span() * at / cacheSide) * pictureSide;
        return std::clamp(static_cast<int>(std::floor(pixel)), 0, rasterSide - 1);
    };
    for (int x = 0; x < cacheWidth; ++x) {
        sourceColumn_[static_cast<std::size_t>(x)] =
            source(view.left(), x, cacheWidth, view.pictureWidth(), rasterWidth);
    }
    for (int y = 0; y < cacheHeight; ++y) {
        sourceRow_[static_cast<std::size_t>(y)] =
            source(view.top(), y, cacheHeight, view.pictureHeight(), rasterHeight);
    }
}

void PicturePane::areaChanged(const QRect& rasterArea) {
    if (!hasPicture() || fit_ == Fit::Centre || cache_.isNull()) {
        update();
        return;
    }
    // The cache pixels whose source pixels lie in the area: a run of each map (neither decreases).
    auto run = [](const std::vector<int>& map, int first, int last) {
        const auto begin = std::lower_bound(map.begin(), map.end(), first);
        const auto end = std::upper_bound(begin, map.end(), last);
        return std::pair{static_cast<int>(begin - map.begin()),
                         static_cast<int>(end - map.begin()) - 1};
    };
    const auto [left, right] = run(sourceColumn_, rasterArea.left(), rasterArea.right());
    const auto [top, bottom] = run(sourceRow_, rasterArea.top(), rasterArea.bottom());
    if (left > right || top > bottom) return;
    const QRect cacheArea(QPoint(left, top), QPoint(right, bottom));
    resample(cacheArea);
    // The same area in the pane's own (logical) pixels, rounded outwards.
    const qreal ratio = cache_.devicePixelRatio();
    update(QRectF(cacheArea.left() / ratio, cacheArea.top() / ratio,
                  (cacheArea.width() + 1) / ratio, (cacheArea.height() + 1) / ratio)
               .toAlignedRect());
}

void PicturePane::resample(const QRect& cacheArea) {
    const QRect area = cacheArea & cache_.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sy = sourceRow_[static_cast<std::size_t>(y)];
        auto* out = reinterpret_cast<QRgb*>(cache_.scanLine(y));
        if (prepareRow_ && prepareRow_(sy)) {
            std::fill(out + area.left(), out + area.right() + 1,
                      transparentWhite_ ? qRgba(0, 0, 0, 0) : qRgb(255, 255, 255));
            continue;
        }
        const std::uint8_t* in = raster_->rowUnchecked(sy);
        for (int x = area.left(); x <= area.right(); ++x) {
            const std::uint8_t* p = in + 3 * sourceColumn_[static_cast<std::size_t>(x)];
            const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
            out[x] = transparentWhite_ && white ? qRgba(0, 0, 0, 0) : qRgb(p[2], p[1], p[0]);
        }
    }
}

void PicturePane::paintEvent(QPaintEvent*) {
    if (cache_.isNull()) return;
    if (objectName() == "photoPane") stampStart("photo");
    QPainter painter(this);
    if (fit_ == Fit::Centre) {
        painter.drawImage(QPoint((width() - cache_.width()) / 2, (height() - cache_.height()) / 2),
                          cache_);
    } else {
        painter.drawImage(QPoint(0, 0), cache_);
    }
}

void PicturePane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (view_) view_->change([this](PictureView& view) { view.setPane(width(), height()); });
    pictureChanged();
}

bool PicturePane::startsPan(const QMouseEvent& event) const {
    return view_ && (event.button() == Qt::MiddleButton ||
                     (event.button() == Qt::LeftButton && SpaceKey::instance().held()));
}

void PicturePane::mousePressEvent(QMouseEvent* event) {
    if (panning_) return;
    if (startsPan(*event)) {
        panning_ = true;
        panButton_ = event->button();
        panFrom_ = event->position();
        cursorBeforePan_ = cursor();
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    emit pressed(event->position().toPoint(), event->modifiers(), false);
}

void PicturePane::mouseMoveEvent(QMouseEvent* event) {
    if (panning_) {
        const QPointF delta = event->position() - panFrom_;
        panFrom_ = event->position();
        view_->change([&](PictureView& view) { view.panBy(delta.x(), delta.y()); });
        return;
    }
    emit moved(event->position().toPoint(), event->modifiers());
}

void PicturePane::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_) {
        if (event->button() == panButton_) {
            panning_ = false;
            setCursor(cursorBeforePan_);
        }
        return;
    }
    emit released(event->position().toPoint(), event->modifiers());
}

void PicturePane::wheelEvent(QWheelEvent* event) {
    // The wheel alone does nothing here; with Ctrl it zooms about the pointer.
    if (!view_ || !event->modifiers().testFlag(Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    const double notches = event->angleDelta().y() / 120.0;
    const QPointF at = event->position();
    view_->change([&](PictureView& view) {
        view.zoomAbout(std::pow(PictureView::kZoomStep, notches), at.x(), at.y());
    });
}

void PicturePane::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit left();
}

void PicturePane::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second press that pans is a press like the first.
    if (panning_ || startsPan(*event)) {
        mousePressEvent(event);
        return;
    }
    emit pressed(event->position().toPoint(), event->modifiers(), true);
    emit doubleClicked();
}

void PicturePane::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void PicturePane::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    emit fileDropped(urls.first().toLocalFile());
}

BrushOutline::BrushOutline(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void BrushOutline::setRadius(int radius) {
    hide();
    resize(2 * radius, 2 * radius);
}

void BrushOutline::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(0, 0, width() - 1, height() - 1);
}

}  // namespace carbonel
