#include "app/ui/picture_pane.h"

#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace carbonel {

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

void PicturePane::pictureChanged() {
    if (!hasPicture()) {
        cache_ = QImage();
    } else if (fit_ == Fit::Centre) {
        // A view over the raster's own rows, drawn at its own size.
        if (prepareRow_) {
            for (int y = 0; y < raster_->height(); ++y) prepareRow_(y);
        }
        cache_ = QImage(raster_->rowUnchecked(0), raster_->width(), raster_->height(),
                        static_cast<qsizetype>(raster_->bytesPerLine()), QImage::Format_BGR888);
    } else if (width() > 0 && height() > 0) {
        // Sampled at the screen's own pixels, so a HiDPI screen shows the picture sharp.
        const qreal ratio = devicePixelRatioF();
        const int cacheWidth = std::max(1, qRound(width() * ratio));
        const int cacheHeight = std::max(1, qRound(height() * ratio));
        cache_ = QImage(cacheWidth, cacheHeight,
                        transparentWhite_ ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        cache_.setDevicePixelRatio(ratio);
        sourceColumn_.resize(static_cast<std::size_t>(cacheWidth));
        for (int x = 0; x < cacheWidth; ++x) {
            sourceColumn_[static_cast<std::size_t>(x)] =
                static_cast<int>(static_cast<long long>(x) * raster_->width() / cacheWidth);
        }
        resample(cache_.rect());
    } else {
        cache_ = QImage();
    }
    update();
}

void PicturePane::areaChanged(const QRect& rasterArea) {
    if (!hasPicture() || fit_ == Fit::Centre || cache_.isNull()) {
        update();
        return;
    }
    // The cache pixels whose source pixels lie in the area.
    const long long rw = raster_->width(), rh = raster_->height();
    const long long cw = cache_.width(), ch = cache_.height();
    const int left = static_cast<int>(std::max(0LL, rasterArea.left() * cw / rw));
    const int right = static_cast<int>(
        std::min<long long>(cw - 1, ((rasterArea.right() + 1) * cw + rw - 1) / rw));
    const int top = static_cast<int>(std::max(0LL, rasterArea.top() * ch / rh));
    const int bottom = static_cast<int>(
        std::min<long long>(ch - 1, ((rasterArea.bottom() + 1) * ch + rh - 1) / rh));
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
        const int sy =
            static_cast<int>(static_cast<long long>(y) * raster_->height() / cache_.height());
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
    pictureChanged();
}

void PicturePane::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->position().toPoint(), event->modifiers(), false);
}

void PicturePane::mouseMoveEvent(QMouseEvent* event) {
    emit moved(event->position().toPoint(), event->modifiers());
}

void PicturePane::mouseReleaseEvent(QMouseEvent* event) {
    emit released(event->position().toPoint(), event->modifiers());
}

void PicturePane::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit left();
}

void PicturePane::mouseDoubleClickEvent(QMouseEvent* event) {
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
