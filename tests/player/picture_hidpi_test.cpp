// The pictures on a screen of two device pixels per widget pixel (the test runs with
// QT_SCALE_FACTOR=2): the summary's bars and the waveform's columns are drawn on the device pixels,
// not scaled up.
#include "player_window.h"
#include "summary_picture.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

// The device pixels from (x, y) on, `n` steps of (dx, dy): '.' black, R red, B blue, '?' other.
std::string Strip(const QImage& image, int x, int y, int dx, int dy, int n) {
    std::string text;
    for (; n > 0; --n, x += dx, y += dy) {
        const QRgb p = image.pixel(x, y) | 0xFF000000u;
        text += p == qRgb(0, 0, 0) ? '.' : p == qRgb(255, 0, 0) ? 'R' : p == qRgb(0, 0, 255) ? 'B' : '?';
    }
    return text;
}

// Units 9 to 24 of 40 across 20 widget pixels, row 2 of 4 down 10: the bar covers device columns
// 9-23 and rows 5-9, where a picture of widget pixels scaled up would start at 10 and 6.
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
    EXPECT_EQ(Strip(cache, 8, 7, 1, 0, 17) + "|" + Strip(cache, 12, 4, 0, 1, 7), ".RRRRRRRRRRRRRRR.|.RRRRR.");
    // The window shows the cache pixel for pixel.
    const QImage shown = picture.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(40, 20));
    for (int y = 0; y < 20; ++y)
        ASSERT_EQ(Strip(shown, 0, y, 1, 0, 40), Strip(cache, 0, y, 1, 0, 40)) << y;

    // The cursor lines and the outline stay in widget pixels over the sharper bars: the two-pixel
    // line at unit 9 covers device columns 9 and 10, over the bar's left edge.
    picture.L_T1 = {true, 9, QColor(0, 0, 255), true};
    picture.UpdateOverlays();
    const int renders = picture.RenderCount();
    const QImage lined = picture.grab().toImage();
    EXPECT_EQ(picture.RenderCount(), renders);
    EXPECT_EQ(Strip(lined, 8, 0, 1, 0, 6) + "|" + Strip(lined, 8, 7, 1, 0, 6), ".BB...|.BBRRR");
}

// Eight columns across four widget pixels, full and quiet by turns: on device pixels each keeps
// its own height; widget pixels would draw two columns into each one and lose the quiet ones.
TEST(WavePictureHiDpi, ColumnPerDevicePixel) {
    WavePicture picture;
    picture.resize(4, 32);
    std::vector<WaveColumn> columns;
    for (int i = 0; i < 8; ++i)
        columns.push_back(i % 2 ? WaveColumn{120, 135} : WaveColumn{0, 255});
    picture.SetWave(columns, 4);
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    ASSERT_EQ(picture.devicePixelRatioF(), 2.0) << "run with QT_SCALE_FACTOR=2";

    const QImage shown = picture.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(8, 64));
    // Rows 2 (near the top) and 32 (the middle): B the wave's blue, ? the white ground.
    EXPECT_EQ(Strip(shown, 0, 2, 1, 0, 8) + "|" + Strip(shown, 0, 32, 1, 0, 8), "B?B?B?B?|BBBBBBBB");
}

} // namespace
} // namespace zarn
