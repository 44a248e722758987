// O_Picture: the drawing surface of the summary picture. Bars are drawn once per layout into a
// cached image; the cursor lines and the highlight shape are drawn over it on every paint, so
// moving them never redraws the bars.
#pragma once

#include "picture.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

namespace zarn {

// A line over the picture, in the picture's units. A vertical line is placed by its x, a
// horizontal one by its y; it reaches across the whole scale.
struct PictureLine {
    bool vertical = true;
    double at = 0;
    QColor colour;
    bool visible = false;
};

// The highlight rectangle of the clip being played, in picture units.
struct PictureShape {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    QColor colour = Qt::white;
    bool visible = false;
};

// Renders the bars into `image` (premultiplied ARGB, already sized; another format is converted;
// its pixels are the units whatever its devicePixelRatio),
// which shows the picture's pixel rows from `topPixel` on and its pixel columns from 0, the whole
// picture being scale.pixelWidth x scale.pixelHeight pixels. Black background, one rectangle fill
// per bar, at least one pixel wide and high; the part outside the image is clipped.
struct PictureScale {
    double scaleWidth = 1;  // units across the image width
    double scaleHeight = 1; // rows across the full picture height
    int pixelWidth = 1;
    int pixelHeight = 1; // full picture height in pixels (all rows)
};
void RenderBars(QImage& image, const std::vector<Bar>& bars, const PictureScale& scale, int topPixel);

class SummaryPicture : public QWidget {
    Q_OBJECT
public:
    explicit SummaryPicture(QWidget* parent = nullptr);

    // The user scale: x from 0 to scaleWidth, y from 0 to scaleHeight (rows).
    void SetScale(double scaleWidth, double scaleHeight);
    double ScaleWidth() const { return scaleWidth_; }
    double ScaleHeight() const { return scaleHeight_; }
    // The bars to draw; the cache is rebuilt on the next paint.
    void SetBars(std::vector<Bar> bars);
    // Clears the cache so the next paint draws the bars again (layout-and-draw).
    void Redraw();
    // How many times the bars have been drawn into the cache (tests: overlays must not redraw).
    int RenderCount() const { return renders_; }

    // Widget pixels <-> picture units.
    double UnitX(double px) const;
    double UnitY(double py) const;
    double PixelX(double x) const;
    double PixelY(double y) const;

    PictureLine L_T1, L_T2, L_ChnlA, L_ChnlB;
    PictureShape Shape1;
    // Overlays changed: repaint from the cache.
    void UpdateOverlays() { update(); }

    // Mouse handlers of the window, in picture units; button 1 is the left button.
    std::function<void(double x, double y)> onMove;
    std::function<void(int button, double x, double y)> onPress;
    std::function<void()> onDoubleClick;

    // The rendered bars of the visible part (for tests and screenshots), in device pixels: on a
    // high-density screen it is devicePixelRatio times the widget's pixels each way.
    const QImage& Cache() const { return cache_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void EnsureCache(const QRect& visible);

    double scaleWidth_ = 1, scaleHeight_ = 1;
    std::vector<Bar> bars_;
    QImage cache_;
    QRect cacheRect_;      // widget pixels the cache covers
    QSize cacheSize_;      // the widget's size when the cache was drawn
    qreal cacheRatio_ = 1; // device pixels per widget pixel the cache was drawn at
    bool cacheValid_ = false;
    int renders_ = 0;
};

} // namespace zarn
