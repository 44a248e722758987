// The summary picture on a screen of two device pixels per widget pixel (the test runs with
// QT_SCALE_FACTOR=2): its bars are drawn on the device pixels, not scaled up.
#include "summary_picture.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

// Units 9 to 24 of 40 across 20 widget pixels, row 2 of 4 down 10: at two device pixels per
// widget pixel the bar's left edge is device column 9 and its top device row 5, where a picture
// of widget pixels scaled up would put them at 10 and 6.
TEST(SummaryPictureHiDpi, BarsOnDevicePixels) {
    SummaryPicture picture;
    picture.resize(20, 10);
    picture.SetScale(40, 4);
    picture.SetBars({{9, 24, 2, 0xFF0000}});
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    ASSERT_EQ(picture.devicePixelRatioF(), 2.0) << "run with QT_SCALE_FACTOR=2";
    picture.repaint();

    const QImage& cache = picture.Cache();
    EXPECT_EQ(cache.size(), QSize(40, 20));
    EXPECT_EQ(cache.devicePixelRatio(), 2.0);
    const QRgb red = qRgb(255, 0, 0), black = qRgb(0, 0, 0);
    const auto at = [](const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; };
    EXPECT_EQ(at(cache, 8, 7), black);
    EXPECT_EQ(at(cache, 9, 7), red);
    EXPECT_EQ(at(cache, 23, 7), red);
    EXPECT_EQ(at(cache, 24, 7), black);
    EXPECT_EQ(at(cache, 12, 4), black);
    EXPECT_EQ(at(cache, 12, 5), red);
    EXPECT_EQ(at(cache, 12, 9), red);
    EXPECT_EQ(at(cache, 12, 10), black);

    // The window shows the cache pixel for pixel.
    const QImage shown = picture.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(40, 20));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(at(shown, x, y), at(cache, x, y)) << x << "," << y;

    // The cursor lines and the outline stay in widget pixels over the sharper bars.
    picture.L_T1 = {true, 9, QColor(0, 0, 255), true};
    picture.UpdateOverlays();
    const int renders = picture.RenderCount();
    const QImage lined = picture.grab().toImage();
    EXPECT_EQ(picture.RenderCount(), renders);
    // Device columns 8 to 13 of rows 0 and 7: the two-pixel line covers the bar's left edge.
    std::string columns;
    for (int y : {0, 7}) {
        for (int x = 8; x < 14; ++x)
            columns += at(lined, x, y) == qRgb(0, 0, 255) ? 'B' : at(lined, x, y) == red ? 'R' : '.';
        columns += '|';
    }
    EXPECT_EQ(columns, ".BB...|.BBRRR|");
}

} // namespace
} // namespace zarn
