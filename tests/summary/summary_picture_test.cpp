#include "summary_picture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace zarn {
namespace {

// The image as text, a line a pixel row: '.' black, R red, B blue, G green, W white, other '?'.
std::string Map(const QImage& image) {
    std::string text;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            text += p == 0          ? '.'
                    : p == 0xFF0000 ? 'R'
                    : p == 0x0000FF ? 'B'
                    : p == 0x00FF00 ? 'G'
                    : p == 0xFFFFFF ? 'W'
                                    : '?';
        }
        text += '\n';
    }
    return text;
}

// Bars cover (x1, r - 1) to (x2, r), later bars over earlier ones, at least one pixel, clipped at the
// edges; `top` shows part of a tall picture.
TEST(RenderBars, PixelsOfTheBars) {
    const std::vector<Bar> bars = {{1, 3, 1, 0xFF0000},  {2, 4, 1, 0x0000FF},   {-3, 1, 2, 0x00FF00},
                                   {9, 15, 2, 0xFF0000}, {-5, -2, 3, 0xFFFFFF}, {5, 5, 3, 0x0000FF}};
    QImage image(20, 6, QImage::Format_ARGB32_Premultiplied);
    RenderBars(image, bars, {10, 3, 20, 6}, 0);
    EXPECT_EQ(Map(image), "..RRBBBB............\n..RRBBBB............\nGG................RR\n"
                          "GG................RR\n..........B.........\n..........B.........\n");
    QImage part(20, 3, QImage::Format_ARGB32_Premultiplied);
    RenderBars(part, bars, {10, 3, 20, 6}, 3);
    EXPECT_EQ(Map(part), "GG................RR\n..........B.........\n..........B.........\n");
    // 2000 units and 1999 rows into 400 x 300 pixels: a one-unit bar on the last row still shows.
    QImage small(400, 300, QImage::Format_ARGB32_Premultiplied);
    RenderBars(small, {{1000, 1001, 1999, 0x00FF00}}, {2000, 1999, 400, 300}, 0);
    EXPECT_EQ(small.pixel(200, 299), qRgb(0, 255, 0));
}

// The cursor lines and the outline move over the cached bars; new bars or a new size draw them
// again. The mouse reports picture units of the pixel's middle.
TEST(SummaryPicture, OverlaysMouseAndRedraws) {
    SummaryPicture picture;
    picture.resize(20, 10);
    picture.SetScale(10, 5);
    picture.SetBars({{2, 6, 3, 0xFF0000}});
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    picture.repaint();
    const auto screen = [&] {
        QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
        picture.render(&image);
        return Map(image);
    };
    std::vector<std::tuple<int, double, double>> presses;
    int doubles = 0;
    picture.onPress = [&](int b, double x, double y) { presses.emplace_back(b, x, y); };
    picture.onDoubleClick = [&] { ++doubles; };
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(4, 6));
    QTest::mouseClick(&picture, Qt::RightButton, {}, QPoint(19, 9));
    QTest::mouseDClick(&picture, Qt::LeftButton, {}, QPoint(4, 6));
    // Button, x and row of each press: the top pixel line of row 4 is row 4.
    ASSERT_GE(presses.size(), 2u);
    const auto [b1, x1, y1] = presses[0];
    const auto [b2, x2, y2] = presses[1];
    EXPECT_EQ(std::tuple(b1, x1, RowOfY(y1, 5), b2, RowOfY(y2, 5), doubles), std::tuple(1, 2.25, 4, 2, 5, 1));

    const int renders = picture.RenderCount();
    ASSERT_GE(renders, 1);
    for (PictureLine* line : {&picture.L_T1, &picture.L_T2, &picture.L_ChnlA, &picture.L_ChnlB})
        line->visible = true;
    picture.L_T1.at = 1;
    picture.L_T2.at = 8;
    picture.L_ChnlA.at = 1;
    picture.L_ChnlB.at = 5; // the bottom edge of the last row stays in view
    picture.Shape1 = {2, 3, 6, 4, Qt::white, true};
    picture.UpdateOverlays();
    picture.repaint();
    // T1 at x 2, T2 at 16, row line 1 at y 2, row line 5 kept at the bottom, the outline over x 4-12, y 6-8.
    EXPECT_EQ(screen(),
              "..B.............R...\n..B.............R...\nWWWWWWWWWWWWWWWWWWWW\n..B.............R...\n"
              "..B.RRRRRRRR....R...\n..B.RRRRRRRR....R...\n..B.WWWWWWWWW...R...\n..B.W.......W...R...\n"
              "..B.WWWWWWWWW...R...\nWWWWWWWWWWWWWWWWWWWW\n");
    EXPECT_EQ(picture.RenderCount(), renders);
    picture.SetBars({{2, 6, 1, 0x00FF00}});
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
    picture.resize(30, 10);
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 2);
}

// 1999 rows of 6 pixels in a 120-pixel viewport: only the part in view is drawn, again only when the
// view moves.
TEST(SummaryPicture, CachesOnlyTheVisiblePart) {
    QWidget viewport;
    viewport.resize(100, 120);
    SummaryPicture picture(&viewport);
    picture.setGeometry(0, 0, 100, 1999 * 6);
    picture.SetScale(100, 1999);
    std::vector<Bar> bars;
    for (int r = 1; r <= 1999; ++r)
        bars.push_back({0, 100, r, r % 2 ? 0xFF0000u : 0x0000FFu});
    picture.SetBars(std::move(bars));
    viewport.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewport));
    viewport.repaint();
    const int renders = picture.RenderCount();
    picture.move(0, -6 * 1000); // row 1001 at the top
    viewport.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
    EXPECT_LE(picture.Cache().height(), 120);
    QImage shown(viewport.size(), QImage::Format_ARGB32_Premultiplied);
    viewport.render(&shown);
    EXPECT_EQ(shown.pixel(50, 0), qRgb(255, 0, 0));   // row 1001, odd
    EXPECT_EQ(shown.pixel(50, 6), qRgb(0, 0, 255));   // row 1002
    EXPECT_EQ(shown.pixel(50, 119), qRgb(0, 0, 255)); // row 1020
}

} // namespace
} // namespace zarn
