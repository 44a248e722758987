#include "summary_picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zarn {

namespace {

// Pixel edge of a picture coordinate. Bars, lines and the shape all round the same way, so a
// line placed at a clip's x1 or x2 frames its bar exactly.
int Edge(double units, double pixelsPerUnit) {
    const double p = std::round(units * pixelsPerUnit);
    return static_cast<int>(std::clamp(p, -1e9, 1e9));
}

// The pixel that holds a picture coordinate: where a bar narrower than a pixel is drawn, so that
// one in the last row or column of a small picture still shows.
int Middle(double units, double pixelsPerUnit) {
    const double p = std::floor(units * pixelsPerUnit);
    return static_cast<int>(std::clamp(p, -1e9, 1e9));
}

// Picture units of the middle of the pixel under the pointer: the pixel that shows a bar's top
// or left edge then reads as inside that bar, not as the row or unit before it.
double PixelMiddle(double position) {
    return std::floor(position) + 0.5;
}

int ButtonNumber(Qt::MouseButton button) {
    // Left 1, right 2, middle 4: Qt's numbers are the ones the handlers expect.
    return static_cast<int>(button);
}

} // namespace

void RenderBars(QImage& image, const std::vector<Bar>& bars, const PictureScale& scale, int topPixel) {
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    // Bars are placed on the image's own pixels: a painter on an image marked for a high-density
    // screen would scale them again.
    const qreal ratio = image.devicePixelRatio();
    image.setDevicePixelRatio(1);
    struct RestoreRatio {
        QImage& image;
        qreal ratio;
        ~RestoreRatio() { image.setDevicePixelRatio(ratio); }
    } restore{image, ratio};
    image.fill(0xFF000000u);
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0 || bars.empty()) return;
    if (!(scale.scaleWidth > 0 && scale.scaleHeight > 0)) return; // no scale yet
    const double sx = scale.pixelWidth / scale.scaleWidth;
    const double sy = scale.pixelHeight / scale.scaleHeight;

    // One plain fillRect per bar: no pen, no antialiasing, opaque colours.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const Bar& b : bars) {
        int top = Edge(b.row - 1.0, sy);
        int bottom = Edge(static_cast<double>(b.row), sy);
        if (bottom <= top) bottom = (top = Middle(b.row - 0.5, sy)) + 1;
        top -= topPixel;
        bottom -= topPixel;
        if (bottom <= 0 || top >= h) continue;
        int left = Edge(b.x1, sx);
        int right = Edge(b.x2, sx);
        if (right <= left) right = (left = Middle((b.x1 + 0.5 * (b.x2 - b.x1)), sx)) + 1;
        if (right <= 0 || left >= w) continue;
        top = std::max(top, 0);
        bottom = std::min(bottom, h);
        left = std::max(left, 0);
        right = std::min(right, w);
        painter.fillRect(QRect(left, top, right - left, bottom - top), QColor::fromRgb(0xFF000000u | b.rgb));
    }
}

SummaryPicture::SummaryPicture(QWidget* parent) : QWidget(parent) {
    setObjectName("O_Picture");
    setAttribute(Qt::WA_OpaquePaintEvent); // the cache covers every pixel
    setMouseTracking(true);                // hover readouts need moves without a button held
    L_T1 = {true, 0, QColor(0, 0, 255), false};
    L_T2 = {true, 0, QColor(255, 0, 0), false};
    L_ChnlA = {false, 0, QColor(255, 255, 255), false};
    L_ChnlB = {false, 0, QColor(255, 255, 255), false};
}

void SummaryPicture::SetScale(double scaleWidth, double scaleHeight) {
    if (scaleWidth == scaleWidth_ && scaleHeight == scaleHeight_) return;
    scaleWidth_ = scaleWidth;
    scaleHeight_ = scaleHeight;
    Redraw();
}

void SummaryPicture::SetBars(std::vector<Bar> bars) {
    bars_ = std::move(bars);
    Redraw();
}

void SummaryPicture::Redraw() {
    cacheValid_ = false;
    update();
}

double SummaryPicture::UnitX(double px) const {
    return width() > 0 ? px * scaleWidth_ / width() : 0;
}
double SummaryPicture::UnitY(double py) const {
    return height() > 0 ? py * scaleHeight_ / height() : 0;
}
double SummaryPicture::PixelX(double x) const {
    return scaleWidth_ > 0 ? x * width() / scaleWidth_ : 0;
}
double SummaryPicture::PixelY(double y) const {
    return scaleHeight_ > 0 ? y * height() / scaleHeight_ : 0;
}

void SummaryPicture::EnsureCache(const QRect& visible) {
    // On a high-density screen the bars are drawn on the screen's own pixels, so their edges stay
    // sharp instead of being scaled up from a picture of widget pixels.
    const qreal ratio = devicePixelRatioF();
    if (cacheValid_ && cacheSize_ == size() && cacheRatio_ == ratio && cacheRect_.contains(visible)) return;
    // Only the part in view: a picture of 1999 rows at 90 twips is far taller than its viewport.
    cacheRect_ = QRect(0, visible.top(), width(), visible.height());
    cacheSize_ = size();
    cacheRatio_ = ratio;
    const auto device = [ratio](int pixels) { return static_cast<int>(std::lround(pixels * ratio)); };
    const QSize imageSize(device(cacheRect_.width()), device(cacheRect_.height()));
    if (cache_.size() != imageSize || cache_.format() != QImage::Format_ARGB32_Premultiplied)
        cache_ = QImage(imageSize, QImage::Format_ARGB32_Premultiplied);
    cache_.setDevicePixelRatio(ratio);
    RenderBars(cache_, bars_, PictureScale{scaleWidth_, scaleHeight_, device(width()), device(height())},
               device(cacheRect_.top()));
    cacheValid_ = true;
    ++renders_;
}

void SummaryPicture::paintEvent(QPaintEvent* event) {
    QRect visible = visibleRegion().boundingRect().united(event->rect()).intersected(rect());
    if (visible.isEmpty()) return;
    EnsureCache(visible);

    QPainter p(this);
    const QRect target = event->rect().intersected(cacheRect_);
    const QRect source = target.translated(-cacheRect_.topLeft());
    if (cacheRatio_ == 1)
        p.drawImage(target, cache_, source);
    else
        p.drawImage(QRectF(target), cache_,
                    QRectF(source.x() * cacheRatio_, source.y() * cacheRatio_, source.width() * cacheRatio_,
                           source.height() * cacheRatio_));

    const int right = std::max(width() - 1, 0), bottom = std::max(height() - 1, 0);
    const double sx = scaleWidth_ > 0 ? width() / scaleWidth_ : 0;
    const double sy = scaleHeight_ > 0 ? height() / scaleHeight_ : 0;
    // A line on the picture's far edge (the bottom of the last row) stays in view.
    for (const PictureLine* line : {&L_T1, &L_T2, &L_ChnlA, &L_ChnlB}) {
        if (!line->visible) continue;
        p.setPen(line->colour);
        if (line->vertical) {
            const int x = std::clamp(Edge(line->at, sx), 0, right);
            p.drawLine(x, 0, x, bottom);
        } else {
            const int y = std::clamp(Edge(line->at, sy), 0, bottom);
            p.drawLine(0, y, right, y);
        }
    }
    if (Shape1.visible) {
        const int l = std::clamp(Edge(std::min(Shape1.x1, Shape1.x2), sx), -1, width());
        const int r = std::clamp(Edge(std::max(Shape1.x1, Shape1.x2), sx), -1, width());
        const int t = std::clamp(Edge(std::min(Shape1.y1, Shape1.y2), sy), -1, height());
        const int b = std::clamp(Edge(std::max(Shape1.y1, Shape1.y2), sy), -1, height());
        p.setPen(Shape1.colour);
        p.setBrush(Qt::NoBrush);
        p.drawRect(l, t, r - l, b - t); // outline through both edge pixels
    }
}

void SummaryPicture::mouseMoveEvent(QMouseEvent* event) {
    if (onMove) onMove(UnitX(PixelMiddle(event->position().x())), UnitY(PixelMiddle(event->position().y())));
}

void SummaryPicture::mousePressEvent(QMouseEvent* event) {
    if (onPress)
        onPress(ButtonNumber(event->button()), UnitX(PixelMiddle(event->position().x())),
                UnitY(PixelMiddle(event->position().y())));
}

void SummaryPicture::mouseDoubleClickEvent(QMouseEvent*) {
    // The second press of a double-click is not a press of its own: the first one selected.
    if (onDoubleClick) onDoubleClick();
}

} // namespace zarn
