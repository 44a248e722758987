#include "summary_picture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zarn {
namespace {

constexpr QRgb kBlack = 0xFF000000u;

QRgb Opaque(std::uint32_t rgb) {
    return 0xFF000000u | rgb;
}

// Bars cover (x1, r - 1) to (x2, r), later bars over earlier ones, clipped at the picture's edges;
// a tiny bar keeps one pixel; `top` shows part of a tall picture.
TEST(RenderBars, PixelsOfTheBars) {
    std::vector<Bar> tall;
    for (int r = 1; r <= 1999; ++r)
        tall.push_back({0, 10, r, r == 101 ? 0xFF0000u : r == 110 ? 0x0000FFu : 0x00FF00u});
    struct Case {
        const char* name;
        std::vector<Bar> bars;
        PictureScale scale;
        int top, height;
        std::vector<std::pair<QPoint, QRgb>> pixels;
    };
    const Case cases[] = {
        // 4 pixels a unit, 10 a row: exact pixel edges.
        {"edges", {{5, 8, 2, 0xFF0000}}, {50, 5, 200, 50}, 0, 50,
         {{{20, 10}, Opaque(0xFF0000)}, {{31, 19}, Opaque(0xFF0000)}, {{19, 15}, kBlack},
          {{32, 15}, kBlack}, {{25, 9}, kBlack}, {{25, 20}, kBlack}}},
        {"over", {{0, 10, 1, 0xFF0000}, {4, 6, 1, 0x0000FF}}, {10, 1, 10, 1}, 0, 1,
         {{{3, 0}, Opaque(0xFF0000)}, {{5, 0}, Opaque(0x0000FF)}, {{6, 0}, Opaque(0xFF0000)}}},
        {"empty scale", {{0, 10, 1, 0xFF0000}}, {0, 0, 20, 20}, 0, 20, {{{0, 0}, kBlack}}},
        {"tiny", {{1000, 1001, 1999, 0x00FFFF}}, {2000, 1999, 400, 300}, 0, 300, {{{200, 299}, Opaque(0x00FFFF)}}},
        {"clipped", {{-50, 5, 1, 0x808000}, {95, 400, 2, 0x800000}, {-9, -3, 3, 0xFFFFFF}}, {100, 3, 100, 3}, 0, 3,
         {{{0, 0}, Opaque(0x808000)}, {{4, 0}, Opaque(0x808000)}, {{5, 0}, kBlack}, {{99, 1}, Opaque(0x800000)},
          {{0, 2}, kBlack}, {{50, 2}, kBlack}, {{99, 2}, kBlack}}},
        // Rows of 6 pixels; the image shows rows 101..110.
        {"part", tall, {10, 1999, 10, 1999 * 6}, 600, 60,
         {{{5, 0}, Opaque(0xFF0000)}, {{5, 5}, Opaque(0xFF0000)}, {{5, 6}, Opaque(0x00FF00)},
          {{5, 59}, Opaque(0x0000FF)}}},
    };
    for (const Case& c : cases) {
        QImage image(c.scale.pixelWidth, c.height, QImage::Format_ARGB32_Premultiplied);
        RenderBars(image, c.bars, c.scale, c.top);
        for (const auto& [at, rgb] : c.pixels)
            EXPECT_EQ(image.pixel(at), rgb) << c.name << " at " << at.x() << "," << at.y();
    }
}

// The cursor lines and the outline move over the cached bars; new bars or a new size draw them again.
TEST(SummaryPicture, OverlaysMoveWithoutRedrawingTheBars) {
    SummaryPicture picture;
    picture.resize(200, 100);
    picture.SetScale(100, 10);
    picture.SetBars({{10, 20, 3, 0xFF0000}});
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    picture.repaint();
    const auto screen = [&] {
        QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
        picture.render(&image);
        return image;
    };
    // The mouse reports picture units of the pixel's middle; the top pixel line of row 4 reads as row 4.
    std::vector<std::tuple<int, double, double>> presses;
    std::pair<double, double> moved;
    int doubles = 0;
    picture.onPress = [&](int b, double x, double y) { presses.emplace_back(b, x, y); };
    picture.onMove = [&](double x, double y) { moved = {x, y}; };
    picture.onDoubleClick = [&] { ++doubles; };
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(20, 30));
    QTest::mouseClick(&picture, Qt::RightButton, {}, QPoint(199, 99));
    QTest::mouseMove(&picture, QPoint(40, 29));
    QTest::mouseDClick(&picture, Qt::LeftButton, {}, QPoint(20, 30));
    QCoreApplication::processEvents();
    ASSERT_GE(presses.size(), 2u);
    EXPECT_EQ(std::get<0>(presses[0]), 1);
    EXPECT_DOUBLE_EQ(std::get<1>(presses[0]), 10.25);
    EXPECT_EQ(RowOfY(std::get<2>(presses[0]), 10), 4);
    EXPECT_EQ(std::get<0>(presses[1]), 2);
    EXPECT_EQ(RowOfY(std::get<2>(presses[1]), 10), 10);
    EXPECT_DOUBLE_EQ(moved.first, 20.25);
    EXPECT_EQ(RowOfY(moved.second, 10), 3);
    EXPECT_EQ(doubles, 1);

    const int renders = picture.RenderCount();
    ASSERT_GE(renders, 1);
    for (PictureLine* line : {&picture.L_T1, &picture.L_T2, &picture.L_ChnlA, &picture.L_ChnlB})
        line->visible = true;
    picture.L_T1.at = 10;
    picture.L_T2.at = 20;
    picture.L_ChnlA.at = 2;
    picture.L_ChnlB.at = 10; // the bottom edge of the last row stays in view
    picture.Shape1 = {30, 4, 40, 5, Qt::white, true};
    picture.UpdateOverlays();
    picture.repaint();
    QImage shown = screen();
    EXPECT_EQ(shown.pixel(20, 50), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(40, 50), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(100, 99), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(100, 20), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(30, 25), qRgb(255, 0, 0));     // the bar between the lines
    EXPECT_EQ(shown.pixel(70, 40), qRgb(255, 255, 255)); // the outline's top edge
    EXPECT_EQ(shown.pixel(70, 45), qRgb(0, 0, 0));       // and nothing filled inside it

    picture.L_T1.at = 50;
    picture.UpdateOverlays();
    picture.repaint();
    shown = screen();
    EXPECT_EQ(shown.pixel(100, 50), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(20, 50), qRgb(0, 0, 0)); // the old place is bars again
    EXPECT_EQ(picture.RenderCount(), renders);

    picture.SetBars({{10, 20, 4, 0x00FF00}});
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
    picture.resize(300, 100);
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 2);
    EXPECT_EQ(screen().pixel(45, 35), qRgb(0, 255, 0));
}

// 1999 rows of 6 pixels in a 120-pixel viewport: only the part in view is drawn, and again only
// when the view moves.
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
    EXPECT_LE(picture.Cache().height(), 120);

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
