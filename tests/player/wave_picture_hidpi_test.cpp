// The waveform on a screen of two device pixels per widget pixel (the test runs with
// QT_SCALE_FACTOR=2): a column per device pixel, each one device pixel wide.
#include "player_window.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

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
    // Rows 2 (near the top) and 32 (the middle): '#' the wave's blue, '.' the white ground.
    std::string rows;
    for (int y : {2, 32}) {
        for (int x = 0; x < 8; ++x)
            rows += (shown.pixel(x, y) | 0xFF000000u) == qRgb(0, 0, 255) ? '#' : '.';
        rows += '|';
    }
    EXPECT_EQ(rows, "#.#.#.#.|########|");
}

} // namespace
} // namespace zarn
